// Replays the seeds of the weather and HamQSL fuzz corpora and every 13th
// prefix of each through the fuzz entry points; under the sanitizer build
// this also catches memory faults.
#include <gtest/gtest.h>

#include "fuzz/watch_fuzz_entry_points.h"
#include "host/runtime.h"
#include "support/fuzz_corpus.h"

namespace {

class WatchFuzzCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(100000);
  }
  void TearDown() override { desktopClearTestClock(); }
};

TEST_F(WatchFuzzCorpusTest, WeatherSeedsReplayCleanly) { replayFuzzCorpus("weather", fuzzWeatherInput); }

TEST_F(WatchFuzzCorpusTest, HamqslSeedsReplayCleanly) { replayFuzzCorpus("hamqsl", fuzzHamqslInput); }

TEST_F(WatchFuzzCorpusTest, EmptyInputIsHandled) {
  fuzzWeatherInput(nullptr, 0);
  fuzzHamqslInput(nullptr, 0);
}

}  // namespace

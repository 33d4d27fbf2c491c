// Replays the seeds of the APRS and ADS-B fuzz corpora and every 13th
// prefix of each through the fuzz entry points; under the sanitizer build
// this also catches memory faults.
#include <gtest/gtest.h>

#include "fuzz/aprs_adsb_fuzz_entry_points.h"
#include "host/runtime.h"
#include "support/fuzz_corpus.h"

namespace {

class AprsAdsbFuzzCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(100000);
  }
  void TearDown() override { desktopClearTestClock(); }
};

TEST_F(AprsAdsbFuzzCorpusTest, AprsSeedsReplayCleanly) { replayFuzzCorpus("aprs", fuzzAprsInput); }

TEST_F(AprsAdsbFuzzCorpusTest, AdsbSeedsReplayCleanly) { replayFuzzCorpus("adsb", fuzzAdsbInput); }

TEST_F(AprsAdsbFuzzCorpusTest, EmptyInputIsHandled) {
  fuzzAprsInput(nullptr, 0);
  fuzzAdsbInput(nullptr, 0);
}

}  // namespace

// Replays every seed of the fuzz corpora through the fuzz entry points as an
// ordinary test (under the sanitizer build this catches memory faults too).

#include <gtest/gtest.h>

#include "fuzz/fuzz_entry_points.h"
#include "support/fuzz_corpus.h"

TEST(FuzzCorpusTest, LastHeardSeedsReplayCleanly) {
  cfg.radioIdLookupEnabled = false;
  replayFuzzCorpus("last_heard", fuzzLastHeardInput);
}

TEST(FuzzCorpusTest, DashboardStatusSeedsReplayCleanly) {
  replayFuzzCorpus("dashboard_status", fuzzDashboardStatusInput);
}

TEST(FuzzCorpusTest, EmptyInputIsHandled) {
  fuzzLastHeardInput(nullptr, 0);
  fuzzDashboardStatusInput(nullptr, 0);
}

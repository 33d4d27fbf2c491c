// Replays the seeds of the SvxLink dashboard fuzz target (the real pages,
// our variants and hostile pieces, each also cut short) through its entry
// point as an ordinary test.

#include <gtest/gtest.h>

#include "core/view.h"
#include "fuzz/svxlink_fuzz_entry_points.h"
#include "support/fuzz_corpus.h"

TEST(SvxlinkFuzzCorpusTest, DashboardSeedsReplayCleanly) {
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "127.0.0.1";
  setCurrentWatchSource(WATCH_SVXLINK);
  replayFuzzCorpus("svxlink_dashboard", fuzzSvxlinkDashboardInput, 10);
  fuzzSvxlinkDashboardInput(nullptr, 0);
}

// Replays the seeds of the enrichment fuzz corpora (RadioID answers and
// target-list pages) and every 13th prefix of each through the fuzz entry
// points; under the sanitizer build this also catches memory faults.
#include "fuzz/enrichment_fuzz_entry_points.h"
#include "support/enrichment_test_env.h"
#include "support/fuzz_corpus.h"

namespace {

class EnrichmentFuzzCorpusTest : public EnrichmentTest {};

TEST_F(EnrichmentFuzzCorpusTest, RadioIdSeedsReplayCleanly) { replayFuzzCorpus("radioid", fuzzRadioIdInput); }

TEST_F(EnrichmentFuzzCorpusTest, TargetListSeedsReplayCleanly) {
  replayFuzzCorpus("target_list", fuzzTargetListInput);
}

TEST_F(EnrichmentFuzzCorpusTest, EmptyInputIsHandled) {
  fuzzRadioIdInput(nullptr, 0);
  fuzzTargetListInput(nullptr, 0);
}

}  // namespace

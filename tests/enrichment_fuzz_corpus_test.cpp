// Replays the seeds of the enrichment fuzz corpora (RadioID answers and
// target-list pages) and every 13th prefix of each through the fuzz entry
// points; under the sanitizer build this also catches memory faults.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/enrichment_fuzz_entry_points.h"
#include "support/enrichment_test_env.h"

namespace {

std::vector<std::string> corpus(const char* target) {
  std::vector<std::string> inputs;
  std::filesystem::path dir = std::filesystem::path(QSODECK_SOURCE_DIR) / "fuzz" / "corpus" / target;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return inputs;
}

void replay(const char* target, void (*entry)(const uint8_t*, size_t)) {
  std::vector<std::string> inputs = corpus(target);
  ASSERT_GE(inputs.size(), 5u) << target;
  for (const std::string& bytes : inputs) {
    entry((const uint8_t*)bytes.data(), bytes.size());
    for (size_t cut = 0; cut < bytes.size(); cut += 13) entry((const uint8_t*)bytes.data(), cut);
  }
}

class EnrichmentFuzzCorpusTest : public EnrichmentTest {};

TEST_F(EnrichmentFuzzCorpusTest, RadioIdSeedsReplayCleanly) { replay("radioid", fuzzRadioIdInput); }

TEST_F(EnrichmentFuzzCorpusTest, TargetListSeedsReplayCleanly) { replay("target_list", fuzzTargetListInput); }

TEST_F(EnrichmentFuzzCorpusTest, EmptyInputIsHandled) {
  fuzzRadioIdInput(nullptr, 0);
  fuzzTargetListInput(nullptr, 0);
}

}  // namespace

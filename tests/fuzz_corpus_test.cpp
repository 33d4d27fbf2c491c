// Replays every seed of the fuzz corpora through the fuzz entry points as an
// ordinary test (under the sanitizer build this catches memory faults too).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_entry_points.h"

namespace {

std::vector<std::filesystem::path> corpusFiles(const char* target) {
  std::vector<std::filesystem::path> files;
  std::filesystem::path dir = std::filesystem::path(QSODECK_SOURCE_DIR) / "fuzz" / "corpus" / target;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  return files;
}

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void replay(const char* target, void (*entry)(const uint8_t*, size_t)) {
  std::vector<std::filesystem::path> files = corpusFiles(target);
  ASSERT_GE(files.size(), 5u) << target;
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    const std::string bytes = readAll(path);
    entry((const uint8_t*)bytes.data(), bytes.size());
    // Every prefix too: truncated answers are the common real-world fault.
    for (size_t cut = 0; cut < bytes.size(); cut += 13) entry((const uint8_t*)bytes.data(), cut);
  }
}

}  // namespace

TEST(FuzzCorpusTest, LastHeardSeedsReplayCleanly) {
  cfg.radioIdLookupEnabled = false;
  replay("last_heard", fuzzLastHeardInput);
}

TEST(FuzzCorpusTest, DashboardStatusSeedsReplayCleanly) { replay("dashboard_status", fuzzDashboardStatusInput); }

TEST(FuzzCorpusTest, EmptyInputIsHandled) {
  fuzzLastHeardInput(nullptr, 0);
  fuzzDashboardStatusInput(nullptr, 0);
}

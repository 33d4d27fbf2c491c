#include "support/fuzz_corpus.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_files.h"

std::vector<std::string> fuzzCorpusFiles(const char* target) {
  std::vector<std::string> files;
  std::filesystem::path dir = std::filesystem::path(QSODECK_SOURCE_DIR) / "fuzz" / "corpus" / target;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void replayFuzzCorpus(const char* target, void (*entry)(const uint8_t*, size_t), size_t minSeeds) {
  const std::vector<std::string> files = fuzzCorpusFiles(target);
  ASSERT_GE(files.size(), minSeeds) << target;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    const std::string bytes = readWholeFile(path);
    entry((const uint8_t*)bytes.data(), bytes.size());
    for (size_t cut = 0; cut < bytes.size(); cut += 13) entry((const uint8_t*)bytes.data(), cut);
  }
}

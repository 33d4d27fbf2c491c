// Replays the committed seeds of the PNG fuzz target (and a few hostile
// inputs) through the same entry point, so its checks run in every build.

#include <gtest/gtest.h>

#include <string>

#include "fuzz/png_fuzz_entry_points.h"
#include "support/fuzz_corpus.h"
#include "support/temp_files.h"

namespace {

void feed(const std::string& bytes) { fuzzPngInput((const uint8_t*)bytes.data(), bytes.size()); }

TEST(PngFuzzCorpus, SeedsReplayCleanly) {
  if (!fuzzPngSetUp()) GTEST_SKIP() << "offscreen display unavailable";
  replayFuzzCorpus("png", fuzzPngInput, 10);
}

// Hostile
TEST(PngFuzzCorpus, HostileInputs) {
  if (!fuzzPngSetUp()) GTEST_SKIP() << "offscreen display unavailable";
  feed("");
  feed(std::string("\x89PNG\r\n\x1a\n", 8));
  feed(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  feed(std::string(70000, '\xff'));
  std::string rgba = readTestData("png/rgba8.png");
  for (size_t i = 8; i < rgba.size(); i += 3) {
    std::string flipped = rgba;
    flipped[i] = (char)~flipped[i];
    feed(flipped);
  }
  SUCCEED();
}

}  // namespace

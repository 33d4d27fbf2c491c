// Replays the committed seeds of the URL fuzz target (and a few hostile
// inputs) through the same entry point, so the invariants run in every build.

#include <gtest/gtest.h>

#include <string>

#include "fuzz/url_fuzz_entry_points.h"
#include "support/fuzz_corpus.h"
#include "support/temp_files.h"

namespace {

void feed(const std::string& bytes) { fuzzUrlInput((const uint8_t*)bytes.data(), bytes.size()); }

TEST(UrlFuzzCorpus, SeedsReplayCleanly) {
  int count = 0;
  for (const std::string& path : fuzzCorpusFiles("url")) {
    feed(readWholeFile(path));
    ++count;
  }
  EXPECT_GE(count, 5);
}

// Hostile
TEST(UrlFuzzCorpus, HostileInputs) {
  feed("");
  feed(std::string("\0\0\n\0", 4));
  feed("?&&&===&key&key=&=key\n?");
  feed("http://@@@:::@/?token=a@b:c\n//");
  feed(std::string(100000, '/') + "\n" + std::string(100000, '?'));
  feed("http://h/x?key=%zz&%4B%45%59=v&%\n%%%");
  feed("\xff\xfe://\x80\x81?KEY=\xc3\xa9\n\t \r");
  SUCCEED();
}

}  // namespace

// Replays the committed seeds of the configuration fuzz target (and a few
// hostile inputs) through the same entry point, so its invariants run in
// every build.
#include <string>

#include <gtest/gtest.h>

#include "fuzz/config_fuzz_entry_points.h"
#include "support/fuzz_corpus.h"
#include "support/temp_files.h"

namespace {

void feed(const std::string &bytes) { fuzzConfigInput((const uint8_t *)bytes.data(), bytes.size()); }

TEST(ConfigFuzzCorpus, SeedsReplayCleanly) {
  int count = 0;
  for (const std::string &path : fuzzCorpusFiles("config")) {
    feed(readWholeFile(path));
    ++count;
  }
  EXPECT_GE(count, 6);
}

// Hostile
TEST(ConfigFuzzCorpus, HostileInputs) {
  feed("");
  feed("\"");
  feed("\"\\");
  feed("\"\\u");
  feed(std::string("{\"backend\":\0\"WPSD\"}", 19));
  feed("{\"quick_actions\":[" + std::string(50000, '{'));
  feed("{\"theme\":{" + std::string(50000, '"'));
  feed(std::string(70000, '\\'));
  feed(
      "{\"wifi_profiles\":[{\"ssid\":\"a\"},{\"ssid\":\"b\"},{\"ssid\":\"c\"},{\"ssid\":\"d\"},{\"ssid\":\"e\"},{\"ssid\":\"f\"}]}");
  // The legacy pair comes first; later networks beyond five are dropped.
  EXPECT_EQ(cfg.wifiProfiles[0].ssid, "DESKTOP");
  EXPECT_EQ(cfg.wifiProfiles[4].ssid, "d");
}

}  // namespace

// Replays the committed seeds of the configuration fuzz target (and a few
// hostile inputs) through the same entry point, so its invariants run in
// every build.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "fuzz/config_fuzz_entry_points.h"

namespace {

void feed(const std::string &bytes) { fuzzConfigInput((const uint8_t *)bytes.data(), bytes.size()); }

TEST(ConfigFuzzCorpus, SeedsReplayCleanly) {
  std::filesystem::path dir = std::filesystem::path(QSODECK_SOURCE_DIR) / "fuzz" / "corpus" / "config";
  int count = 0;
  for (const auto &entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    feed(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
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
  feed("{\"wifi_profiles\":[{\"ssid\":\"a\"},{\"ssid\":\"b\"},{\"ssid\":\"c\"},{\"ssid\":\"d\"},{\"ssid\":\"e\"},{\"ssid\":\"f\"}]}");
  // The legacy pair comes first; later networks beyond five are dropped.
  EXPECT_EQ(cfg.wifiProfiles[0].ssid, "DESKTOP");
  EXPECT_EQ(cfg.wifiProfiles[4].ssid, "d");
}

}  // namespace

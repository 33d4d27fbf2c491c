// Replays the committed seeds of the settings-page fuzz target (and a few
// hostile inputs) through the same entry point, so its invariants run in
// every build.
#include <string>

#include <gtest/gtest.h>

#include "fuzz/web_fuzz_entry_points.h"
#include "support/config_test_env.h"
#include "support/fuzz_corpus.h"

namespace {

void feed(const std::string& bytes) { fuzzWebInput((const uint8_t*)bytes.data(), bytes.size()); }

class WebFuzzCorpus : public ConfigFileTest {};

TEST_F(WebFuzzCorpus, SeedsReplayCleanly) {
  int count = 0;
  for (const std::string& path : fuzzCorpusFiles("web_form")) {
    feed(readWholeFile(path));
    ++count;
  }
  EXPECT_GE(count, 7);
}

TEST_F(WebFuzzCorpus, HostileInputs) {
  feed("");
  feed("%");
  feed(std::string(100000, '&'));
  feed(std::string(20000, '[') + std::string(20000, ']'));
  feed("{\"a\":" + std::string(50000, '{'));
  feed("-0.0");
  feed("[1e999, -1e999, 1e-999]");
  feed(std::string("{\"backend\":\"Pi-Star\",\"wifi_ssid\":\"x\",\"pistar_host\":\"h\",\"device_callsign\":\"\xff\xfe\"}"));
  feed("{\"backend\":\"Pi-Star\",\"wifi_ssid\":\"x\",\"pistar_host\":\"h\",\"quick_actions\":[1,2,3]}");
  std::string many = "{\"backend\":\"Pi-Star\",\"wifi_ssid\":\"x\",\"pistar_host\":\"h\",\"\": 0";
  for (int i = 0; i < 500; ++i) many += ",\"k" + std::to_string(i) + "\": 1";
  feed(many + "}");
  ConfigEditOutcome outcome;
  checkConfigImportText(many + "}", outcome);
  ASSERT_EQ(outcome.notes.size(), 11u);  // ten named, then how many more
  EXPECT_EQ(outcome.notes[0].path, "\"\"");
  EXPECT_EQ(outcome.notes[10].message, "491 more unknown keys were ignored");
  checkConfigImportText("{\"backend\":\"Pi-Star\",\"wifi_ssid\":\"x\",\"pistar_host\":\"h\",\"brightness\":300}",
                        outcome);
  ASSERT_TRUE(outcome.error.empty());
  ASSERT_EQ(outcome.notes.size(), 1u);
  EXPECT_EQ(outcome.notes[0].message, "became \"255\" (allowed 0 to 255)");
}

}  // namespace

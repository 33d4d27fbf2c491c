// Replays the committed seeds of the weather-alert fuzz targets (and their
// truncations) through the same entry points, so the invariants of the XML
// and JSON readers run in every build.
#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "fuzz/alerts_fuzz_entry_points.h"
#include "support/fuzz_corpus.h"

namespace {

void feedXml(const std::string& bytes) { fuzzAlertXmlInput((const uint8_t*)bytes.data(), bytes.size()); }
void feedJson(const std::string& bytes) { fuzzAlertJsonInput((const uint8_t*)bytes.data(), bytes.size()); }

}  // namespace

TEST(AlertFuzzCorpus, XmlSeedsReplayCleanly) {
  applyDesktopConfigDefaults();
  replayFuzzCorpus("alerts_xml", fuzzAlertXmlInput);
}

TEST(AlertFuzzCorpus, JsonSeedsReplayCleanly) {
  applyDesktopConfigDefaults();
  replayFuzzCorpus("alerts_json", fuzzAlertJsonInput);
}

// Hostile
TEST(AlertFuzzCorpus, HostileInputs) {
  applyDesktopConfigDefaults();
  fuzzAlertXmlInput(nullptr, 0);
  fuzzAlertJsonInput(nullptr, 0);
  feedXml(std::string("<entry>\0<title>\0</title></entry>", 33));
  feedXml(std::string(70000, '<'));
  feedXml("<" + std::string(70000, 'e') + ">");
  feedXml("<entry>" + std::string(30000, '&') + "</entry>");
  feedJson("\x03" + std::string(40000, '[') + "{\"bbox\":[" + std::string(20000, '-') + "]}");
  feedJson("\x01{\"features\":[" + std::string(30000, '{'));
  feedJson(std::string("\x00[{\"id\":\"\\u", 12));
  SUCCEED();
}

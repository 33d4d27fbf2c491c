// The artwork and tables shipped in sdcard/: every file the program asks for
// is there, decodes and fits the box it is drawn in.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "core/theme.h"
#include "host/display.h"
#include "host/storage.h"
#include "support/display_probe.h"
#include "support/temp_files.h"
#include "ui/images.h"

namespace {

const std::string CARD = std::string(QSODECK_SOURCE_DIR) + "/sdcard";
const char* const WEATHER_CODES[] = {"01", "02", "03", "04", "09", "10", "11", "13", "50"};

class ShippedArtworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultTheme();
    SD.setRoot(CARD.c_str());
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(theme.bg);
  }

  // Pixels of the size x size box at (x, y) that are not the colour bg.
  int pixelsDifferentFrom(int x, int y, int size, uint16_t bg) {
    std::vector<uint32_t> frame = readFrame();
    return size * size - countPixels(frame, x, y, size, size, rgbOf565(bg));
  }

  // Pixels in the box clearly brighter than the panel (summed channels at
  // least 150 above it): the picture stands out on the dark theme.
  int brightPixels(int x, int y, int size, uint16_t panel) {
    const uint32_t p = rgbOf565(panel);
    const int panelSum = (int)((p >> 16) & 0xFF) + (int)((p >> 8) & 0xFF) + (int)(p & 0xFF);
    int count = 0;
    for (int py = y; py < y + size; ++py) {
      for (int px = x; px < x + size; ++px) {
        const uint32_t c = framePixel(px, py);
        const int sum = (int)((c >> 16) & 0xFF) + (int)((c >> 8) & 0xFF) + (int)(c & 0xFF);
        if (sum >= panelSum + 150) ++count;
      }
    }
    return count;
  }
};

// The screensaver draws "<code>.png" in a 24 x 24 box, the weather pages draw
// "<code>_32.png" in 32-pixel boxes; both on the theme's panels.
TEST_F(ShippedArtworkTest, WeatherIconForEveryCodeFitsItsBox) {
  EXPECT_TRUE(storageExists("/weather/LICENSE"));
  const int x = 100;
  for (const char* code : WEATHER_CODES) {
    for (const char* dayNight : {"d", "n"}) {
      const String name = String("/weather/") + code + dayNight;
      SCOPED_TRACE(name.c_str());
      struct Variant {
        String path;
        int size;
      };
      for (const Variant& v : {Variant{name + ".png", 24}, Variant{name + "_32.png", 32}}) {
        ASSERT_TRUE(storageExists(v.path)) << v.path.c_str();
        EXPECT_FALSE(drawPngFromSD(v.path, x, 0, v.size - 1, v.size, theme.panel))
            << "not as large as its box";
        tft.fillScreen(theme.bg);
        ASSERT_TRUE(drawPngFromSD(v.path, x, 100, v.size, v.size, theme.panel));
        ASSERT_TRUE(drawPngFromSD(v.path, x, 200, v.size, v.size, theme.panel2));
        const int area = v.size * v.size;
        EXPECT_GT(pixelsDifferentFrom(x, 100, v.size, theme.panel), area / 5) << "icon nearly empty";
        int showsThrough = 0;
        for (int i = 0; i < area; ++i) {
          showsThrough +=
              framePixel(x + i % v.size, 100 + i / v.size) != framePixel(x + i % v.size, 200 + i / v.size);
        }
        EXPECT_GT(showsThrough, area / 5) << "the panel does not show through";
        EXPECT_GT(brightPixels(x, 100, v.size, theme.panel), area / 10) << "hard to see on the panel";
      }
    }
  }
}

TEST_F(ShippedArtworkTest, AprsSymbolOfEveryCodeInBothTablesDraws) {
  EXPECT_TRUE(storageExists("/aprs/COPYRIGHT.md"));
  int drawn = 0;
  for (char table : {'/', '\\'}) {
    for (int code = 33; code <= 126; ++code) {
      String symbol;
      symbol += table;
      symbol += (char)code;
      SCOPED_TRACE(symbol.c_str());
      if (aprsIconPathForSymbol(symbol).isEmpty()) continue;  // the two names the primary table owns
      ASSERT_FALSE(aprsIconPath(symbol).isEmpty());
      tft.fillRect(100, 100, 32, 32, theme.bg);
      ASSERT_TRUE(drawAprsIcon(symbol, 100, 100, theme.panel2));
      EXPECT_GT(pixelsDifferentFrom(100, 100, 32, theme.panel2), 20);
      ++drawn;
    }
  }
  EXPECT_EQ(94 * 2 - 2, drawn);
  // "/>" is the car, "\>" the car seen from above: two different pictures.
  ASSERT_TRUE(drawAprsIcon("/>", 200, 100, theme.panel2));
  ASSERT_TRUE(drawAprsIcon("\\>", 240, 100, theme.panel2));
  int same = 0;
  for (int i = 0; i < 32 * 32; ++i)
    same += framePixel(200 + i % 32, 100 + i / 32) == framePixel(240 + i % 32, 100 + i / 32);
  EXPECT_LT(same, 32 * 32 * 9 / 10);
}

// One comma-separated field with the quoting of the table ("" is one quote).
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

TEST(ShippedAirlineTable, AnswersTheIcaoCodesOfCommonAirlines) {
  const std::string table = readWholeFile(CARD + "/adsb/airlines.dat");
  ASSERT_GT(table.size(), 10000u);
  EXPECT_FALSE(readWholeFile(CARD + "/adsb/LICENSE").empty());
  std::map<std::string, std::string> iataOf;
  size_t start = 0;
  int lines = 0;
  while (start < table.size()) {
    size_t end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    const std::string line = table.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string> f = csvFields(line);
    ASSERT_EQ(8u, f.size()) << line;
    ASSERT_EQ(3u, f[4].size()) << line;
    ASSERT_EQ(2u, f[3].size()) << line;
    EXPECT_TRUE(iataOf.emplace(f[4], f[3]).second) << "second line for " << f[4];
    ++lines;
  }
  EXPECT_GT(lines, 1000);
  const std::map<std::string, std::string> known = {{"DLH", "LH"}, {"BAW", "BA"}, {"EZY", "U2"},
                                                    {"RYR", "FR"}, {"SWR", "LX"}, {"AAL", "AA"},
                                                    {"UAE", "EK"}, {"KLM", "KL"}};
  for (const auto& k : known) EXPECT_EQ(k.second, iataOf[k.first]) << k.first;
}

}  // namespace

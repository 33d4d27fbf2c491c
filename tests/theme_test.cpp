// Theme colours: hex parsing, mix565 rounding, derivation from the base
// colour, overrides from the configuration text and the hex write-back.
#include <string>

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/config_file.h"
#include "core/theme.h"
#include "support/config_test_env.h"

namespace {

Theme defaultTheme() {
  setDefaultTheme();
  return theme;
}

void expectThemeEq(const Theme &a, const Theme &b) {
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    EXPECT_EQ(themeColorField(const_cast<Theme &>(a), i), themeColorField(const_cast<Theme &>(b), i))
        << THEME_COLOR_KEYS[i];
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------

TEST(ThemeColors, Rgb888To565) {
  EXPECT_EQ(rgb888To565(0, 0, 0), 0x0000);
  EXPECT_EQ(rgb888To565(255, 255, 255), 0xFFFF);
  EXPECT_EQ(rgb888To565(0x35, 0xC2, 0xFF), 0x361F);
  EXPECT_EQ(rgb888To565(192, 192, 192), 0xC618);
  EXPECT_EQ(rgb888To565(7, 3, 7), 0x0000);  // low bits are dropped
}

TEST(ThemeColors, ParseHexColorAcceptedForms) {
  const char *forms[] = {"35c2ff", "#35C2FF", "0x35C2FF", "0X35c2fF", "  #35C2FF \t", "\r\n35C2FF\n"};
  for (const char *f : forms) {
    uint16_t out = 0;
    EXPECT_TRUE(parseHexColor(f, out)) << f;
    EXPECT_EQ(out, 0x361F) << f;
  }
}

TEST(ThemeColors, ParseHexColorRejectsAndLeavesTheOutputAlone) {
  const char *bad[] = {"",          "#",        "#35C2F", "#35C2FFF", "#35C2GF", "#0x35C2FF",
                       "0x#35C2FF", "##35C2FF", "-35C2F", "#-12345",  "35 C2F",  "\xC3\xA4\xC3\xA4\xC3\xA4"};
  for (const char *b : bad) {
    uint16_t out = 0xBEEF;
    EXPECT_FALSE(parseHexColor(b, out)) << b;
    EXPECT_EQ(out, 0xBEEF) << b;
  }
  uint16_t out = 0xBEEF;
  EXPECT_FALSE(parseHexColor(String("12\0"
                                    "456",
                                    6),
                             out));  // an embedded NUL stops the number
  EXPECT_EQ(out, 0xBEEF);
}

TEST(ThemeColors, ParseHexColorAsTheCLibraryReadsIt) {
  // The six characters are read by strtol, which takes a sign of its own.
  uint16_t out = 0;
  EXPECT_TRUE(parseHexColor("#+12345", out));
  EXPECT_EQ(out, rgb888To565(0x01, 0x23, 0x45));
  // ... and skips leading white space inside the six characters.
  EXPECT_TRUE(parseHexColor("# 35C2F", out));
  EXPECT_EQ(out, rgb888To565(0x03, 0x5C, 0x2F));
}

TEST(ThemeColors, HexWriteBack) {
  EXPECT_EQ(color565ToHex(0x059F), "#00B2FF");
  EXPECT_EQ(color565ToHex(0xFBE0), "#FF7D00");
  EXPECT_EQ(color565ToHex(0xFFFF), "#FFFFFF");
  EXPECT_EQ(color565ToHex(0x0000), "#000000");
  EXPECT_EQ(color565ToHex(0x361F), "#31C2FF");
}

TEST(ThemeColors, EveryRgb565ValueSurvivesTheHexRoundTrip) {
  for (uint32_t c = 0; c <= 0xFFFF; ++c) {
    uint16_t back = 0;
    String hex = color565ToHex((uint16_t)c);
    ASSERT_EQ(hex.length(), 7u);
    ASSERT_TRUE(parseHexColor(hex, back)) << hex.c_str();
    ASSERT_EQ(back, c) << hex.c_str();
  }
}

// ---------------------------------------------------------------------------
// mix565
// ---------------------------------------------------------------------------

TEST(ThemeColors, Mix565Ends) {
  EXPECT_EQ(mix565(0x361F, 0xF800, 0.0f), 0x361F);
  EXPECT_EQ(mix565(0x361F, 0xF800, 1.0f), 0xF800);
  EXPECT_EQ(mix565(0x361F, 0xF800, -3.0f), 0x361F);
  EXPECT_EQ(mix565(0x361F, 0xF800, 7.5f), 0xF800);
  EXPECT_EQ(mix565(0x1234, 0x1234, 0.5f), 0x1234);
}

TEST(ThemeColors, Mix565TruncatesTowardZeroWithSinglePrecisionWeights) {
  // red 6 -> 31 with 0.65f (0.64999998): 25 x 0.65 = 16.2499... -> 16.
  // green 48 -> 0: -31.199... -> -31; blue 31 -> 0: -20.149... -> -20.
  EXPECT_EQ(mix565(0x361F, 0xF800, 0.65f), 0xB22B);
  // A channel of 20 steps: 20 x 0.65f truncates to 12, not 13.
  EXPECT_EQ(mix565(0x0000, (uint16_t)(20 << 11), 0.65f), (uint16_t)(12 << 11));
  // Negative differences truncate toward zero as well: 0 - trunc(-20 x 0.65) = 20 - 12.
  EXPECT_EQ(mix565((uint16_t)(20 << 11), 0x0000, 0.65f), (uint16_t)(8 << 11));
  EXPECT_EQ(mix565(0x0000, 0x001F, 0.5f), 0x000F);
  EXPECT_EQ(mix565(0x001F, 0x0000, 0.5f), 0x0010);
}

// ---------------------------------------------------------------------------
// Derivation and overrides
// ---------------------------------------------------------------------------

TEST(ThemeColors, DefaultBaseDerivation) {
  setDefaultTheme();
  applyBaseThemeColor("#35C2FF");
  EXPECT_EQ(theme.accent, 0x361F);
  EXPECT_EQ(theme.tabActive, 0x361F);
  EXPECT_EQ(theme.warn, 0x76B5);
  EXPECT_EQ(theme.good, 0x1F2D);
  EXPECT_EQ(theme.bad, 0xB22B);
  EXPECT_EQ(theme.live, 0x86DF);
  EXPECT_EQ(theme.tx, 0x1ADF);
  EXPECT_EQ(theme.rx, 0x26D2);
  EXPECT_EQ(theme.panel, 0x00E4);
  EXPECT_EQ(theme.panel2, 0x0083);
  EXPECT_EQ(theme.border, 0x5E7F);
  EXPECT_EQ(theme.tabIdle, 0x0967);
  EXPECT_EQ(theme.subtext, 0xBE18);
  EXPECT_EQ(theme.bg, 0x0000);
  EXPECT_EQ(theme.text, 0xFFFF);
}

TEST(ThemeColors, BgAndTextAreNeverDerived) {
  setDefaultTheme();
  theme.bg = 0x1234;
  theme.text = 0x4321;
  applyBaseThemeColor("#FF0000");
  EXPECT_EQ(theme.bg, 0x1234);
  EXPECT_EQ(theme.text, 0x4321);
  EXPECT_EQ(theme.accent, 0xF800);
}

TEST(ThemeColors, UnparsableBaseChangesNothing) {
  Theme before = defaultTheme();
  const char *bad[] = {"", "#35C2F", "blue", "#0x35C2FF"};
  for (const char *b : bad) {
    applyBaseThemeColor(b);
    expectThemeEq(theme, before);
  }
}

TEST(ThemeColors, OverridesWinOverTheDerivation) {
  setDefaultTheme();
  applyBaseThemeColor("#35C2FF");
  Theme derived = theme;
  desktopLoadThemeOverrides("{\"theme\": {\"bg\": \"#102030\"}}");
  Theme expected = derived;
  expected.bg = rgb888To565(0x10, 0x20, 0x30);
  expectThemeEq(theme, expected);
}

TEST(ThemeColors, BadOverridesLeaveTheirFields) {
  setDefaultTheme();
  Theme before = theme;
  desktopLoadThemeOverrides(
      "{\"theme\": {\"bg\": \"nope\", \"panel\": 12, \"text\": \"#FFF\", \"good\": \"0x00FF00\", "
      "\"tabActive\": \" #0000ff \"}}");
  Theme expected = before;
  expected.good = 0x07E0;
  expected.tabActive = 0x001F;
  expectThemeEq(theme, expected);
}

TEST(ThemeColors, OverridesNeedTheThemeObject) {
  Theme before = defaultTheme();
  const char *texts[] = {"",
                         "{}",
                         "{\"bg\": \"#FFFFFF\"}",
                         "{\"theme\": \"#FFFFFF\"}",
                         "{\"theme\": [\"bg\"]}",
                         "{\"theme\": {\"bg\": \"#FFFFFF\"",
                         "{\"theme\": {\"bg\": \"#FFFFFF}"};
  for (const char *t : texts) {
    desktopLoadThemeOverrides(t);
    expectThemeEq(theme, before);
  }
}

TEST(ThemeColors, OverrideKeysAreCaseSensitiveAndFirstOccurrenceWins) {
  setDefaultTheme();
  desktopLoadThemeOverrides(
      "{\"theme\": {\"TabIdle\": \"#FFFFFF\", \"inner\": {\"rx\": \"#FF0000\"}, \"rx\": \"#0000FF\"}}");
  EXPECT_EQ(theme.tabIdle, 0x39C7);
  EXPECT_EQ(theme.rx, 0xF800);
}

// ---------------------------------------------------------------------------
// Through the configuration file
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, ThemeColorThatDoesNotParseKeepsDefaultsButOverridesApply) {
  writeConfig("{\"theme_color\": \"teal\", \"theme\": {\"warn\": \"#FF0000\"}}");
  loadConfig();
  Theme expected = defaultTheme();
  expected.warn = 0xF800;
  loadConfig();
  expectThemeEq(theme, expected);
}

TEST_F(ConfigFileTest, ThemeIsRebuiltFromDefaultsOnEveryLoad) {
  writeConfig("{\"theme\": {\"bg\": \"#FFFFFF\"}}");
  loadConfig();
  EXPECT_EQ(theme.bg, 0xFFFF);
  writeConfig("{}");
  loadConfig();
  EXPECT_EQ(theme.bg, 0x0000);
  EXPECT_EQ(theme.accent, 0x361F);
}

TEST_F(ConfigFileTest, SavedThemeReloadsToTheSameColours) {
  loadConfig();
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) themeColorField(theme, i) = (uint16_t)(0x0841 * i + 0x1F);
  Theme saved = theme;
  ASSERT_TRUE(saveConfigToFile());
  std::string text = readFile("sdcard/config.json");
  EXPECT_NE(text.find("\"tabActive\": \"" + std::string(color565ToHex(saved.tabActive).c_str()) + "\""),
            std::string::npos);
  setDefaultTheme();
  loadConfig();
  expectThemeEq(theme, saved);
}

TEST_F(ConfigFileTest, DocumentThemeReaderStaysInertOnTheDesktop) {
  writeConfig("{\"theme\": {\"bg\": \"#FFFFFF\"}}");
  Theme before = defaultTheme();
  EXPECT_FALSE(loadThemeFromJson());  // the document parser is disabled here
  uint16_t target = 0x1234;
  EXPECT_FALSE(loadThemeColor(JsonObjectConst(), "bg", target));
  EXPECT_EQ(target, 0x1234);
  expectThemeEq(theme, before);
}

// Country codes from callsign prefixes, flag paths and the shipped flags.
#include "enrichment/callsign_country.h"
#include "ui/flags.h"

#include <stdio.h>

#include <set>
#include <string>

#include "core/theme.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "support/display_probe.h"
#include "support/enrichment_test_env.h"

namespace {

std::string code(const char* callsign) { return countryCodeFromCallsign(callsign).c_str(); }

class CallsignCountryTest : public EnrichmentTest {};

// Seen in real callsigns

TEST_F(CallsignCountryTest, CommonEuropeanCallsigns) {
  EXPECT_EQ(code("DL1ABC"), "de");
  EXPECT_EQ(code("DO7XYZ"), "de");
  EXPECT_EQ(code("G4XYZ"), "uk");
  EXPECT_EQ(code("M0ABC"), "uk");
  EXPECT_EQ(code("2E0ABC"), "uk");
  EXPECT_EQ(code("MM0ABC"), "uk");
  EXPECT_EQ(code("F4ABC"), "fr");
  EXPECT_EQ(code("IU5HJU"), "it");
  EXPECT_EQ(code("PA3XYZ"), "nl");
  EXPECT_EQ(code("ON4XYZ"), "be");
  EXPECT_EQ(code("OZ1ABC"), "dk");
  EXPECT_EQ(code("OH2ABC"), "fi");
  EXPECT_EQ(code("OE1ABC"), "at");
  EXPECT_EQ(code("HB9ABC"), "ch");
  EXPECT_EQ(code("SP5ABC"), "pl");
  EXPECT_EQ(code("EA4ABC"), "es");
  EXPECT_EQ(code("UA3ABC"), "ru");
  EXPECT_EQ(code("UR5ABC"), "ua");
  EXPECT_EQ(code("LA9ABC"), "no");
  EXPECT_EQ(code("9A1ABC"), "hr");
  EXPECT_EQ(code("S51ABC"), "si");
}

TEST_F(CallsignCountryTest, CallsignsOfOtherContinents) {
  EXPECT_EQ(code("VK2ABC"), "au");
  EXPECT_EQ(code("ZL1ABC"), "nz");
  EXPECT_EQ(code("VE3ABC"), "ca");
  EXPECT_EQ(code("XE1ABC"), "mx");
  EXPECT_EQ(code("PY2ABC"), "br");
  EXPECT_EQ(code("LU1ABC"), "ar");
  EXPECT_EQ(code("JA1ABC"), "jp");
  EXPECT_EQ(code("HL1ABC"), "kr");
  EXPECT_EQ(code("VU2ABC"), "in");
  EXPECT_EQ(code("ZS6ABC"), "za");
  EXPECT_EQ(code("W1AW"), "us");
  EXPECT_EQ(code("N0CALL"), "us");
}

// Edge cases: order of the table

TEST_F(CallsignCountryTest, OneLetterRowsClaimWhatEarlierRowsLeft) {
  EXPECT_EQ(code("KH6ABC"), "us");  // K row before any Pacific row
  EXPECT_EQ(code("KP4ABC"), "us");
  EXPECT_EQ(code("BV2ABC"), "tw");  // BV row before the one-letter B row
  EXPECT_EQ(code("BA1ABC"), "cn");
  EXPECT_EQ(code("B1ABC"), "cn");
  EXPECT_EQ(code("FR5ABC"), "fr");  // F claims the overseas departments
  EXPECT_EQ(code("IS0ABC"), "it");
  EXPECT_EQ(code("GM3ABC"), "uk");
  EXPECT_EQ(code("VP8ABC"), "uk");
  EXPECT_EQ(code("ZB2ABC"), "uk");
  EXPECT_EQ(code("AM1ABC"), "es");  // the AM row comes before the A.. rows of us
  EXPECT_EQ(code("AA1ABC"), "us");
  EXPECT_EQ(code("AX2ABC"), "au");
  EXPECT_EQ(code("JW1ABC"), "no");  // Svalbard row before Japan
  EXPECT_EQ(code("JT1ABC"), "mn");
}

TEST_F(CallsignCountryTest, SpecialCodes) {
  EXPECT_EQ(code("4U1ITU"), "un");
  EXPECT_EQ(code("4U1UN"), "un");
  EXPECT_EQ(code("4Y1ABC"), "icao");
  EXPECT_EQ(code("C7A"), "wmo");
  EXPECT_EQ(code("VR2XMT"), "hk");
  EXPECT_EQ(code("XX9ABC"), "mo");
  EXPECT_EQ(code("E44ABC"), "ps");
}

TEST_F(CallsignCountryTest, ThreeLetterPrefixesSplitARange) {
  EXPECT_EQ(code("SSA1AB"), "eg");
  EXPECT_EQ(code("SSM1AB"), "eg");
  EXPECT_EQ(code("SSN1AB"), "sd");
  EXPECT_EQ(code("ST2ABC"), "sd");
  EXPECT_EQ(code("SU1ABC"), "eg");
}

TEST_F(CallsignCountryTest, PortableAndSsidFormsUseTheHomeCall) {
  EXPECT_EQ(code("EA/DL1ABC"), "de");
  EXPECT_EQ(code("DL1ABC/P"), "de");
  EXPECT_EQ(code("dl1abc-15"), "de");
  EXPECT_EQ(code("  g4xyz  "), "uk");
  EXPECT_EQ(code("F/G4XYZ/M"), "uk");
}

TEST_F(CallsignCountryTest, UnknownPrefixGivesGermanyAndEmptyGivesNothing) {
  EXPECT_EQ(code("QQ1ABC"), "de");
  EXPECT_EQ(code("R1ABC"), "de");
  EXPECT_EQ(code("1"), "de");
  EXPECT_EQ(code(""), "");
  EXPECT_EQ(code("   "), "");
}

// Hostile

TEST_F(CallsignCountryTest, OddBytesDoNotMatchAnything) {
  EXPECT_EQ(code("\xC3\x84\xC3\x96"), "de");
  EXPECT_EQ(code("////"), "");
  EXPECT_EQ(code("----"), "de");
  std::string longCall(10000, 'K');
  EXPECT_EQ(code(longCall.c_str()), "us");
}

// Table and shipped flags

TEST_F(CallsignCountryTest, TableCodesAreDistinctLowerCase) {
  int count = callsignCountryCodeCount();
  EXPECT_GE(count, 180);
  std::set<std::string> seen;
  for (int i = 0; i < count; ++i) {
    const char* c = callsignCountryCodeAt(i);
    ASSERT_NE(c, nullptr);
    std::string s = c;
    EXPECT_TRUE(seen.insert(s).second) << s;
    for (char ch : s) EXPECT_TRUE(ch >= 'a' && ch <= 'z') << s;
  }
  EXPECT_EQ(callsignCountryCodeAt(count), nullptr);
  EXPECT_EQ(callsignCountryCodeAt(-1), nullptr);
  EXPECT_TRUE(seen.count("un") && seen.count("icao") && seen.count("wmo") && seen.count("uk"));
}

uint32_t le32(const std::string& b, size_t at) {
  return (uint32_t)(unsigned char)b[at] | (uint32_t)(unsigned char)b[at + 1] << 8 |
         (uint32_t)(unsigned char)b[at + 2] << 16 | (uint32_t)(unsigned char)b[at + 3] << 24;
}

TEST_F(CallsignCountryTest, EveryTableCodeHasAShipped32x32Bmp) {
  for (int i = 0; i < callsignCountryCodeCount(); ++i) {
    std::string c = callsignCountryCodeAt(i);
    std::string path = std::string(QSODECK_SOURCE_DIR) + "/sdcard/flags/" + c + ".bmp";
    std::string bmp = readLocal(path);
    ASSERT_EQ(bmp.size(), 54u + 32u * 32u * 3u) << path;
    EXPECT_EQ(bmp.substr(0, 2), "BM") << c;
    EXPECT_EQ(le32(bmp, 10), 54u) << c;          // pixel data offset
    EXPECT_EQ(le32(bmp, 14), 40u) << c;          // info header size
    EXPECT_EQ((int32_t)le32(bmp, 18), 32) << c;  // width
    EXPECT_EQ((int32_t)le32(bmp, 22), 32) << c;  // height (bottom-up)
    EXPECT_EQ(le32(bmp, 26) & 0xFFFF, 1u) << c;  // planes
    EXPECT_EQ(le32(bmp, 26) >> 16, 24u) << c;    // bits per pixel
    EXPECT_EQ(le32(bmp, 30), 0u) << c;           // no compression
  }
}

// Flag paths

TEST_F(CallsignCountryTest, FlagPathPrefersFlagsFolderThenRootThenGermany) {
  EXPECT_EQ(std::string(flagBmpPathFromCode("fr").c_str()), "/de.bmp");
  writeCard("/flags/de.bmp", "x");
  EXPECT_EQ(std::string(flagBmpPathFromCode("fr").c_str()), "/flags/de.bmp");
  EXPECT_EQ(std::string(flagBmpPathFromCode("").c_str()), "/flags/de.bmp");
  writeCard("/fr.bmp", "x");
  EXPECT_EQ(std::string(flagBmpPathFromCode("FR").c_str()), "/fr.bmp");
  writeCard("/flags/fr.bmp", "x");
  EXPECT_EQ(std::string(flagBmpPathFromCode(" Fr ").c_str()), "/flags/fr.bmp");
}

TEST_F(CallsignCountryTest, HostileCodeDoesNotLeaveTheFlagsFolder) {
  writeCard("/flags/de.bmp", "x");
  EXPECT_EQ(std::string(flagBmpPathFromCode("../../etc/passwd").c_str()), "/flags/de.bmp");
}

// Drawing

class FlagDrawTest : public CallsignCountryTest {
 protected:
  void SetUp() override {
    CallsignCountryTest::SetUp();
    setDefaultTheme();
    applyBaseThemeColor(AppConfig().themeColor);  // the theme a fresh configuration gets
    if (!initOffscreenDisplay()) GTEST_SKIP() << "no offscreen display";
    tft.fillScreen(TFT_BLACK);
    std::string cmd = std::string("mkdir -p '") + local("/flags") + "' && cp '" + QSODECK_SOURCE_DIR +
                      "/sdcard/flags/'*.bmp '" + local("/flags") + "/'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  void TearDown() override {
    desktopShutdown();
    CallsignCountryTest::TearDown();
  }
};

TEST_F(FlagDrawTest, FlagIsCentredInTheBoxWithTheBmpOffset) {
  ASSERT_TRUE(drawFlagForCallsign(100, 50, 80, 64, "DL1ABC"));
  std::vector<uint32_t> frame = readFrame();
  // Box centre: x 100 + 24, y 50 + 16; the BMP drawer adds its own 8 px.
  const int left = 132, top = 74;
  std::string bmp = readLocal(local("/flags/de.bmp"));
  ASSERT_EQ(bmp.size(), 54u + 3072u);
  int mismatches = 0;
  for (int row = 0; row < 32; ++row) {
    for (int col = 0; col < 32; ++col) {
      size_t at = 54 + (size_t)(31 - row) * 96 + (size_t)col * 3;  // bottom-up, blue green red
      uint16_t c = color565((uint8_t)bmp[at + 2], (uint8_t)bmp[at + 1], (uint8_t)bmp[at]);
      if (frame[(size_t)(top + row) * SCREEN_W + left + col] != rgbOf565(c)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
  // Nothing outside the 32 x 32 square was touched.
  int black = countPixels(frame, 0, 0, SCREEN_W, SCREEN_H, 0x000000);
  EXPECT_EQ(black + 32 * 32 - countPixels(frame, left, top, 32, 32, 0x000000), SCREEN_W * SCREEN_H);
  // Padding rows carry the default panel colour, so the flag sits cleanly on the LIVE panel.
  EXPECT_EQ(frame[(size_t)(top + 1) * SCREEN_W + left + 16], rgbOf565(theme.panel2));
  EXPECT_EQ(frame[(size_t)(top + 30) * SCREEN_W + left + 16], rgbOf565(theme.panel2));
}

TEST_F(FlagDrawTest, SmallBoxDrawsNothing) {
  EXPECT_FALSE(drawFlagForCallsign(100, 50, 30, 30, "DL1ABC"));
  EXPECT_FALSE(drawFlagForCallsign(100, 50, 64, 31, "DL1ABC"));
  std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(countPixels(frame, 0, 0, SCREEN_W, SCREEN_H, 0x000000), SCREEN_W * SCREEN_H);
}

TEST_F(FlagDrawTest, MissingCountryFileFallsBackToGermany) {
  std::string gone = local("/flags/jp.bmp");
  ASSERT_EQ(remove(gone.c_str()), 0);
  ASSERT_TRUE(drawFlagForCallsign(0, 0, 32, 32, "JA1ABC"));
  std::vector<uint32_t> jp = readFrame();
  tft.fillScreen(TFT_BLACK);
  ASSERT_TRUE(drawFlagForCallsign(0, 0, 32, 32, "DL1ABC"));
  EXPECT_EQ(readFrame(), jp);
}

TEST_F(FlagDrawTest, PlaceholderShowsCodeWhenNoBitmap) {
  drawFlagOrPlaceholder(100, 100, 130, 84, "zz");
  std::vector<uint32_t> frame = readFrame();
  EXPECT_GT(countPixels(frame, 100, 100, 130, 84, rgbOf565(theme.accent)), 10);
  tft.fillScreen(TFT_BLACK);
  drawFlagOrPlaceholder(100, 100, 130, 84, "fr");
  frame = readFrame();
  EXPECT_EQ(countPixels(frame, 100, 100, 130, 84, rgbOf565(theme.accent)), 0);
  EXPECT_GT(countPixels(frame, 136, 114, 32, 32, rgbOf565(theme.panel2)), 0);
}

}  // namespace

// Drawing primitives and text fitting on the offscreen software renderer.
#include <gtest/gtest.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "support/display_probe.h"
#include "ui/draw.h"

namespace {

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultTheme();
    cfg.scrollingTextEnabled = true;
    scrollingTextActiveFrame = false;
    ready_ = initOffscreenDisplay();
    if (!ready_) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(0);
    tft.setTextDatum(TL_DATUM);
    tft.setTextFont(2);
  }
  void TearDown() override { desktopClearTestClock(); }
  bool ready_ = false;
};

// A font-2 cell is 12 px wide; font 1 is 6 px wide.

// Edge cases
TEST_F(DrawTest, TildeFitOfBlankTextIsDash) {
  EXPECT_EQ(String("-"), fitTextInCurrentFont("", 100));
  EXPECT_EQ(String("-"), fitTextInCurrentFont("   \t ", 100));
}

TEST_F(DrawTest, TildeFitWithZeroWidthOnlyTrims) {
  EXPECT_EQ(String("HELLO WORLD"), fitTextInCurrentFont("  HELLO WORLD  ", 0));
}

TEST_F(DrawTest, TildeFitCutsByPixels) {
  // 60 px hold five characters in font 2: four characters and the tilde.
  EXPECT_EQ(String("ABCD~"), fitTextInCurrentFont("ABCDEFGH", 60));
  EXPECT_EQ(String("ABCDE"), fitTextInCurrentFont("ABCDE", 60));
  tft.setTextFont(1);
  EXPECT_EQ(String("ABCDEFGHI~"), fitTextInCurrentFont("ABCDEFGHIJKLMNOP", 60));
}

TEST_F(DrawTest, TildeFitGivesTildeWhenNothingFits) {
  EXPECT_EQ(String("~"), fitTextInCurrentFont("ABCDEFGH", 5));
  EXPECT_EQ(String("~"), fitTextInCurrentFont("AB", 13));
}

TEST_F(DrawTest, ClipWithTildeCountsCharacters) {
  EXPECT_EQ(String("ABCD~"), clipWithTilde("ABCDEFGH", 5));
  EXPECT_EQ(String("~"), clipWithTilde("ABCDEFGH", 1));
  EXPECT_EQ(String("ABCDEFGH"), clipWithTilde("  ABCDEFGH ", 0));
  EXPECT_EQ(String("ABCDEFGH"), clipWithTilde("ABCDEFGH", 8));
  EXPECT_EQ(String(""), clipWithTilde("   ", 3));
}

TEST_F(DrawTest, SliceFitKeepsUntrimmedPrefix) {
  EXPECT_EQ(String(" AB"), fitTextSliceInCurrentFont(" ABCDEF", 36));
  EXPECT_EQ(String(""), fitTextSliceInCurrentFont("ABC", 0));
  EXPECT_EQ(String(""), fitTextSliceInCurrentFont("ABC", 11));
}

TEST_F(DrawTest, CallsignNameLine) {
  EXPECT_EQ(String("DL1ABC - Hans"), formatCallsignName(" dl1abc ", " Hans ", 0, 0));
  EXPECT_EQ(String("DL1ABC"), formatCallsignName("DL1ABC", "  ", 0, 0));
  EXPECT_EQ(String("-"), formatCallsignName("", "", 0, 0));
  EXPECT_EQ(String("DL1~ - Chri~"), formatCallsignName("DL1ABC", "Christopher", 5, 4));
}

TEST_F(DrawTest, SingleLineNormalisation) {
  EXPECT_EQ(String("A B C"), normalizeSingleLineText("  A\r\nB   \n C "));
}

TEST_F(DrawTest, LivePanelTextTakesLargestFittingFont) {
  int font = 0;
  EXPECT_EQ(String("DL1ABC"), fitLivePanelPrimaryText("DL1ABC", 200, font));
  EXPECT_EQ(4, font);
  EXPECT_EQ(4, tft.textFont());
  // 10 characters: 180 px in font 4, 120 in font 2.
  EXPECT_EQ(String("ABCDEFGHIJ"), fitLivePanelPrimaryText("ABCDEFGHIJ", 150, font));
  EXPECT_EQ(2, font);
  EXPECT_EQ(String("ABCDEFGHIJ"), fitLivePanelPrimaryText("ABCDEFGHIJ", 60, font));
  EXPECT_EQ(1, font);
  EXPECT_EQ(String("ABCD~"), fitLivePanelPrimaryText("ABCDEFGHIJ", 30, font));
  EXPECT_EQ(1, font);
  EXPECT_EQ(String("-"), fitLivePanelPrimaryText("  ", 30, font));
}

// Marquee
TEST_F(DrawTest, MarqueeLeavesFittingTextAlone) {
  EXPECT_EQ(String("SHORT"), scrollingTextFrameInCurrentFont(" SHORT ", 200));
  EXPECT_FALSE(scrollingTextActiveFrame);
  EXPECT_EQ(String(""), scrollingTextFrameInCurrentFont("SHORT", 0));
}

TEST_F(DrawTest, MarqueeDisabledCutsWithTilde) {
  cfg.scrollingTextEnabled = false;
  EXPECT_EQ(String("ABCD~"), scrollingTextFrameInCurrentFont("ABCDEFGHIJ", 60));
  EXPECT_FALSE(scrollingTextActiveFrame);
}

TEST_F(DrawTest, MarqueeMovesOneCharacterPerStep) {
  desktopSetTestClock(0);
  EXPECT_EQ(String("ABCDE"), scrollingTextFrameInCurrentFont("ABCDEFGHIJ", 60));
  EXPECT_TRUE(scrollingTextActiveFrame);
  desktopSetTestClock(2 * SCROLL_TEXT_STEP_MS + 100);
  EXPECT_EQ(String("CDEFG"), scrollingTextFrameInCurrentFont("ABCDEFGHIJ", 60));
  // Offset 9 of "ABCDEFGHIJ   ": the gap of three spaces follows the end.
  desktopSetTestClock(9 * SCROLL_TEXT_STEP_MS);
  EXPECT_EQ(String("J   A"), scrollingTextFrameInCurrentFont("ABCDEFGHIJ", 60));
  // A whole cycle (13 steps) later the frame repeats.
  desktopSetTestClock(22 * SCROLL_TEXT_STEP_MS);
  EXPECT_EQ(String("J   A"), scrollingTextFrameInCurrentFont("ABCDEFGHIJ", 60));
}

// Wrapping
TEST_F(DrawTest, PopupTextPreparation) {
  EXPECT_EQ(String("A B\nC\n\nD"), normalizeWrappedPopupText(" A\t&nbsp;B \r\n C\n\n\n\n D "));
}

TEST_F(DrawTest, WrappedLinesBreakAtWordsAndSliceLongWords) {
  // 60 px = five font-2 characters.
  String t = normalizeWrappedPopupText("AB CD EFGHIJKLM N");
  int pos = 0;
  EXPECT_EQ(String("AB CD"), nextWrappedLine(t, pos, 60));
  EXPECT_EQ(String("EFGHI"), nextWrappedLine(t, pos, 60));
  EXPECT_EQ(String("JKLM"), nextWrappedLine(t, pos, 60));
  EXPECT_EQ(String("N"), nextWrappedLine(t, pos, 60));
  EXPECT_EQ(String(""), nextWrappedLine(t, pos, 60));
}

TEST_F(DrawTest, NewlinesForceBreaksWithoutEmptyLines) {
  String t = normalizeWrappedPopupText("A\n\nB\nC");
  int pos = 0;
  EXPECT_EQ(String("A"), nextWrappedLine(t, pos, 200));
  EXPECT_EQ(String("B"), nextWrappedLine(t, pos, 200));
  EXPECT_EQ(String("C"), nextWrappedLine(t, pos, 200));
  EXPECT_EQ(3, countWrappedLinesForCurrentFont("A\n\nB\nC", 200));
}

TEST_F(DrawTest, WrappedLineOfOneCharacterWhenNothingFits) {
  String t("WIDE");
  int pos = 0;
  EXPECT_EQ(String("W"), nextWrappedLine(t, pos, 3));
  EXPECT_EQ(1, pos);
}

TEST_F(DrawTest, LineCountIsCappedAndAtLeastOne) {
  EXPECT_EQ(1, countWrappedLinesForCurrentFont("", 100));
  String many;
  for (int i = 0; i < 400; ++i) many += "X\n";
  EXPECT_EQ(160, countWrappedLinesForCurrentFont(many, 100));
  EXPECT_EQ(2, countWrappedLinesForFont("ABCDEFGHIJ", 30, 1));
  EXPECT_EQ(1, tft.textFont());
}

// Hostile
TEST_F(DrawTest, WrappingAlwaysAdvances) {
  String t = normalizeWrappedPopupText("ABC DEF");
  int pos = -5;
  EXPECT_EQ(String("A"), nextWrappedLine(t, pos, 0));
  EXPECT_EQ(1, pos);
  pos = 1000;
  EXPECT_EQ(String(""), nextWrappedLine(t, pos, 100));
  String huge;
  for (int i = 0; i < 20000; ++i) huge += (char)('A' + i % 26);
  EXPECT_EQ(160, countWrappedLinesForCurrentFont(huge, 0));
  EXPECT_EQ(160, countWrappedLinesForCurrentFont(huge, 120));
}

TEST_F(DrawTest, HighBytesAreMeasuredAsOneCellEach) {
  // Two UTF-8 bytes take two font cells: a-umlaut and "B" are 36 px in font 2.
  const String text(
      "\xc3\xa4"
      "B");
  EXPECT_EQ(text, fitTextInCurrentFont(text, 36));
  EXPECT_EQ(String("\xc3~"), fitTextInCurrentFont(String("\xc3\xa4"
                                                         "BC"),
                                                  24));
}

TEST_F(DrawTest, NothingDrawnForEmptyWrapArea) {
  tft.setTextColor(0xFFFF, 0);
  drawWrappedTextInCurrentFont("TEXT", 10, 10, 0, 3, 20);
  drawWrappedTextInCurrentFont("TEXT", 10, 10, 100, 0, 20);
  redrawScrollingTextFieldPartial("TEXT", 10, 10, 0, 20, 2, TL_DATUM, 0xFFFF, 0x07E0);
  redrawScrollingTextFieldPartial("TEXT", 10, 10, 100, 0, 2, TL_DATUM, 0xFFFF, 0x07E0);
  std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(SCREEN_W * SCREEN_H, countPixels(frame, 0, 0, SCREEN_W, SCREEN_H, 0));
}

// Pixels
TEST_F(DrawTest, SoftPanelHasOutlineHighlightAndFill) {
  fillSoftPanel(100, 100, 50, 30, theme.panel, theme.border, 8);
  EXPECT_EQ(rgbOf565(theme.border), framePixel(100, 100));
  EXPECT_EQ(rgbOf565(theme.border), framePixel(149, 129));
  EXPECT_EQ(rgbOf565(mix565(theme.panel, 0xFFFF, 0.1f)), framePixel(101, 101));
  EXPECT_EQ(rgbOf565(theme.panel), framePixel(120, 115));
  EXPECT_EQ(rgbOf565(0), framePixel(150, 115));
}

TEST_F(DrawTest, CentredFittedTextIsCutAndCentredThenDatumReset) {
  // "ABCDEFGHIJ" (120 px in font 2) in 60 px: "ABCD~" centred on (300, 150).
  tft.setTextFont(1);
  drawCentredFittedText("ABCDEFGHIJ", 300, 150, 2, 60, theme.accent, theme.panel2);
  EXPECT_EQ(TL_DATUM, tft.textDatum());
  EXPECT_TRUE(frameShowsText("ABCD~", 300, 150, 2, MC_DATUM, theme.accent, theme.panel2));
  EXPECT_EQ(rgbOf565(0), framePixel(300 - 31, 150));
  EXPECT_EQ(rgbOf565(0), framePixel(300 + 31, 150));
}

TEST_F(DrawTest, RadiusScalesFromReferenceSize) {
  EXPECT_EQ(1, scaledUiRadius(0));
  EXPECT_EQ(16, scaledUiRadius(8));   // min(20, 16)
  EXPECT_EQ(32, scaledUiRadius(16));  // min(40, 32)
}

TEST_F(DrawTest, CompactValueBoxPlacesDashAtMiddleLeft) {
  // Label-less box: the value starts at x + 20 on the centre line.
  drawCompactValueBox(40, 200, 200, 48, "", "", 2, 2, 20, theme.warn, theme.good, false);
  const uint32_t good = rgbOf565(theme.good);
  const uint32_t bg = rgbOf565(theme.panel2);
  // "-" in font 2: a 10 x 2 bar, rows 6..7 of the 14-px cell whose top is 224 - 7.
  EXPECT_EQ(good, framePixel(60, 223));
  EXPECT_EQ(good, framePixel(69, 224));
  EXPECT_EQ(bg, framePixel(70, 223));
  EXPECT_EQ(bg, framePixel(60, 222));
  EXPECT_EQ(bg, framePixel(59, 223));
  std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(20, countPixels(frame, 40, 200, 200, 48, good));
}

TEST_F(DrawTest, CompactValueBoxWithLabelUsesValueOffset) {
  drawCompactValueBox(0, 300, 260, 48, "TX", "-", 2, 2, 75, theme.warn, theme.good, false);
  std::vector<uint32_t> frame = readFrame();
  EXPECT_GT(countPixels(frame, 20, 317, 24, 14, rgbOf565(theme.warn)), 0);
  EXPECT_EQ(20, countPixels(frame, 75, 317, 12, 14, rgbOf565(theme.good)));
}

TEST_F(DrawTest, InfoRowWithSmallBudgetNeverCuts) {
  // w = 250 gives a budget of 4 characters, which never cuts.
  drawInfoRow(0, 0, 250, "L", "ABCDEFGHIJ", theme.panel2, theme.panel2, theme.warn, theme.text);
  std::vector<uint32_t> frame = readFrame();
  // The last glyph "J" lies at 220 + 9 * 12 = 328.
  EXPECT_GT(countPixels(frame, 328, 15, 12, 14, rgbOf565(theme.text)), 0);
}

TEST_F(DrawTest, InfoRowCutsLongValueByCharacters) {
  // w = 290 gives a budget of 10 characters: nine and "~".
  drawInfoRow(0, 0, 290, "L", "ABCDEFGHIJKLMN", theme.panel2, theme.panel2, theme.warn, theme.text);
  std::vector<uint32_t> frame = readFrame();
  EXPECT_GT(countPixels(frame, 220 + 9 * 12, 15, 12, 14, rgbOf565(theme.text)), 0);
  EXPECT_EQ(0, countPixels(frame, 220 + 10 * 12, 15, 36, 14, rgbOf565(theme.text)));
}

TEST_F(DrawTest, SizedInfoRowClampsLabelWidthAndFitsBothTexts) {
  // labelW 10 is raised to 70: label fitted to 40 px, value panel at x + 80,
  // 220 wide, value "-" for an empty text at x + 98.
  drawInfoRowSized(100, 50, 300, 10, "LONGLABEL", "  ", theme.panel, theme.panel2, theme.warn, theme.text);
  EXPECT_TRUE(frameShowsText("LO~", 115, 72, 2, ML_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("-", 198, 72, 2, ML_DATUM, theme.text, theme.panel2));
  EXPECT_EQ(rgbOf565(theme.border), framePixel(169, 50));  // label panel ends at x 169
  EXPECT_EQ(rgbOf565(theme.border), framePixel(180, 50));  // value panel starts at x 180
  EXPECT_EQ(rgbOf565(theme.border), framePixel(399, 93));  // and ends at x 399, y 93
  // labelW 120: value panel at x + 130, 170 wide; a long value is cut to
  // 170 - 35 = 135 px, ten characters and "~", drawn at x + 148.
  tft.fillScreen(0);
  drawInfoRowSized(100, 50, 300, 120, "L", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", theme.panel, theme.panel2,
                   theme.warn, theme.text);
  EXPECT_TRUE(frameShowsText("ABCDEFGHIJ~", 248, 72, 2, ML_DATUM, theme.text, theme.panel2));
}

TEST_F(DrawTest, LabelValuePairIsNotFitted) {
  drawLabelValue(10, 20, "LABEL", "A VALUE LONGER THAN ANY BOX", theme.warn, theme.text, theme.panel);
  EXPECT_TRUE(frameShowsText("LABEL", 10, 20, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("A VALUE LONGER THAN ANY BOX", 205, 20, 2, TL_DATUM, theme.text, theme.panel));
}

TEST_F(DrawTest, WrappedTextDrawsLinesAtLineHeight) {
  tft.setTextColor(0xFFFF, 0);
  drawWrappedTextInCurrentFont("AAAA BBBB CCCC DDDD", 10, 10, 60, 2, 30);
  std::vector<uint32_t> frame = readFrame();
  const uint32_t white = 0xFFFFFF;
  EXPECT_GT(countPixels(frame, 10, 10, 48, 14, white), 0);
  EXPECT_GT(countPixels(frame, 10, 40, 60, 14, white), 0);
  EXPECT_EQ(0, countPixels(frame, 10, 70, 200, 40, white));
  // The last permitted line carries the tilde fit of the rest.
  EXPECT_GT(countPixels(frame, 58, 40, 12, 14, white), 0);
}

TEST_F(DrawTest, WrappedTextStopsWhenNotOneCharacterFits) {
  // A line narrower than one glyph gets an empty slice, which ends drawing.
  tft.setTextColor(0xFFFF, 0);
  drawWrappedTextInCurrentFont("ABC DEF", 10, 10, 5, 3, 20);
  std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(0, countPixels(frame, 0, 0, SCREEN_W, SCREEN_H, 0xFFFFFF));
}

TEST_F(DrawTest, PartialMarqueeRepaintClearsItsBoxOnly) {
  tft.fillRect(0, 0, 300, 100, 0x07E0);
  redrawScrollingTextFieldPartial("X", 50, 50, 100, 20, 2, ML_DATUM, 0xFFFF, 0x001F);
  EXPECT_EQ(rgbOf565(0x001F), framePixel(50, 40));
  EXPECT_EQ(rgbOf565(0x001F), framePixel(149, 59));
  EXPECT_EQ(rgbOf565(0x07E0), framePixel(50, 39));
  EXPECT_EQ(rgbOf565(0x07E0), framePixel(150, 50));
  EXPECT_EQ(TL_DATUM, tft.textDatum());
}

}  // namespace

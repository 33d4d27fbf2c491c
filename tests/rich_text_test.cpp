// The rich text of the information popups: which lines are fields, how many
// wrapped lines a text takes, and where labels and values are drawn.
#include <gtest/gtest.h>

#include <string>

#include "core/theme.h"
#include "host/display.h"
#include "support/display_probe.h"
#include "ui/rich_text.h"

namespace {

const uint16_t LABEL = 0xFFE0;
const uint16_t VALUE = 0xFFFF;
const uint16_t BG = 0x0000;

class RichTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultTheme();
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(BG);
  }
};

// n words of four letters each ("aaaa bbbb ...").
std::string words(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += std::string(4, (char)('a' + i % 26));
  }
  return s;
}

}  // namespace

TEST_F(RichTextTest, KnownLabelsAndLineHeights) {
  for (const char* label : {"severity", "Description", " LAST HEARD ", "rx freq", "Tx Freq", "last seen",
                            "utc", "squawk", "timeslot", "web"})
    EXPECT_TRUE(alertPopupIsKnownFieldLabel(label)) << label;
  for (const char* label : {"", "descriptions", "last", "heard", "freq", "Beschreibung", "http"})
    EXPECT_FALSE(alertPopupIsKnownFieldLabel(label)) << label;
  const int heights[][2] = {{0, 24}, {1, 24}, {2, 36},  {3, 36}, {4, 60},
                            {5, 60}, {6, 80}, {7, 104}, {8, 128}};
  for (const auto& h : heights) EXPECT_EQ(alertPopupLineHeightForFont(h[0]), h[1]) << h[0];
  EXPECT_EQ(alertPopupRichLineHeight(), 38);
  EXPECT_EQ(alertPopupBodyFont(), 1);
  EXPECT_EQ(alertPopupLabelFont(), 2);
  EXPECT_EQ(alertPopupValueFont(), 1);
}

TEST_F(RichTextTest, FieldLinesAndTheColonRules) {
  String label, value;
  ASSERT_TRUE(alertPopupSplitFieldLine("Description: Gusts up to 80 km/h.", label, value));
  EXPECT_EQ(label, "Description");
  EXPECT_EQ(value, "Gusts up to 80 km/h.");
  ASSERT_TRUE(alertPopupSplitFieldLine("Time :  12:30 UTC ", label, value));  // the first colon counts
  EXPECT_EQ(label, "Time");
  EXPECT_EQ(value, "12:30 UTC");
  ASSERT_TRUE(alertPopupSplitFieldLine("Area:", label, value));
  EXPECT_EQ(value, "");
  // Colon at index 18 is the last that makes a field.
  ASSERT_TRUE(alertPopupSplitFieldLine("description       : x", label, value));
  EXPECT_EQ(label, "description");
  EXPECT_FALSE(alertPopupSplitFieldLine("description        : x", label, value));    // index 19
  EXPECT_FALSE(alertPopupSplitFieldLine("description          : x", label, value));  // index 20
  EXPECT_FALSE(alertPopupSplitFieldLine(": Area", label, value));                    // index 0
  EXPECT_FALSE(alertPopupSplitFieldLine("Beschreibung: Sturm", label, value));       // unknown label
  EXPECT_FALSE(alertPopupSplitFieldLine("https://www.weather.gov/chs", label, value));
  EXPECT_FALSE(alertPopupSplitFieldLine("No colon here", label, value));

  const String text = "a\n  b \n\nc";
  int pos = 0;
  EXPECT_EQ(alertPopupNextSourceLine(text, pos), "a");
  EXPECT_EQ(alertPopupNextSourceLine(text, pos), "b");
  EXPECT_EQ(alertPopupNextSourceLine(text, pos), "");
  EXPECT_EQ(alertPopupNextSourceLine(text, pos), "c");
  EXPECT_EQ(pos, (int)text.length());
  EXPECT_EQ(alertPopupNextSourceLine(text, pos), "");
}

TEST_F(RichTextTest, LineCounting) {
  // Font 1 is 6 px a character; "Description:" in font 2 is 144 px, so the
  // value starts 157 px in: 16 four-letter words fit beside the label, 21 on
  // a full 650 px line.
  const std::string seventeen = words(17);
  EXPECT_EQ(countAlertPopupFieldValueLines(seventeen.c_str(), 650 - 157, 650), 2);
  EXPECT_EQ(countAlertPopupRichLines(("Description: " + seventeen).c_str(), 650), 2);
  EXPECT_EQ(countAlertPopupRichLines(("Remark: " + seventeen).c_str(), 650), 1);  // plain: 18 words
  EXPECT_EQ(countAlertPopupRichLines(("Description: " + words(16 + 21 * 4)).c_str(), 650), 5);
  EXPECT_EQ(countAlertPopupFieldValueLines("", 100, 650), 1);  // a value counts at least one line
  EXPECT_EQ(countAlertPopupRichLines("Area:", 650), 1);
  EXPECT_EQ(countAlertPopupRichLines("", 650), 1);
  EXPECT_EQ(countAlertPopupRichLines("one\n\n\n\ntwo\r\n \nthree", 650), 3);  // blank lines take none
  // A word wider than the line is cut into slices, never dropped.
  EXPECT_EQ(countAlertPopupRichLines(std::string(300, 'W').c_str(), 650), 3);
  // Limits: 160 lines per value, 180 in all.
  const std::string huge = words(21 * 170);
  EXPECT_EQ(countAlertPopupFieldValueLines(huge.c_str(), 650, 650), 160);
  EXPECT_EQ(countAlertPopupRichLines(("Description: " + huge + "\nArea: x").c_str(), 650), 161);
  std::string many;
  for (int i = 0; i < 400; ++i) many += "line\n";
  EXPECT_EQ(countAlertPopupRichLines(many.c_str(), 650), 180);
  EXPECT_EQ(countAlertPopupRichLines(("Description: " + huge + "\n" + many).c_str(), 650), 180);
}

TEST_F(RichTextTest, LabelsValuesAndPlainLinesAreDrawnWhereTheyBelong) {
  const String text = "Description: " + String(words(17).c_str()) + "\nRemark: plain\nSeverity: Severe.";
  drawAlertPopupRichTextWindow(text, 20, 30, 650, 0, 3, 38, LABEL, VALUE, BG);
  EXPECT_TRUE(frameShowsText("Description:", 20, 30, 2, TL_DATUM, LABEL, BG));
  EXPECT_TRUE(frameShowsText(words(16).c_str(), 20 + 157, 33, 1, TL_DATUM, VALUE, BG));
  EXPECT_TRUE(frameShowsText("qqqq", 20, 30 + 38 + 3, 1, TL_DATUM, VALUE, BG));  // the 17th word, full width
  EXPECT_TRUE(frameShowsText("Remark: plain", 20, 30 + 76 + 3, 1, TL_DATUM, VALUE, BG));
  // The window ends after three lines.
  const std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(countPixels(frame, 0, 30 + 3 * 38, 800, 40, rgbOf565(BG)), 800 * 40);

  // Scrolled by one line: the continuation comes first, without a label.
  tft.fillScreen(BG);
  drawAlertPopupRichTextWindow(text, 20, 30, 650, 1, 3, 38, LABEL, VALUE, BG);
  EXPECT_TRUE(frameShowsText("qqqq", 20, 33, 1, TL_DATUM, VALUE, BG));
  EXPECT_TRUE(frameShowsText("Remark: plain", 20, 30 + 38 + 3, 1, TL_DATUM, VALUE, BG));
  EXPECT_TRUE(frameShowsText("Severity:", 20, 30 + 76, 2, TL_DATUM, LABEL, BG));
  EXPECT_TRUE(frameShowsText("Severe.", 20 + 9 * 12 + 13, 30 + 76 + 3, 1, TL_DATUM, VALUE, BG));
}

TEST_F(RichTextTest, PageIndicatorAndScrolling) {
  EXPECT_EQ(richTextPageIndicator(0, 3, 2, 5), "1/3");
  EXPECT_EQ(richTextPageIndicator(1, 3, 2, 5), "1/3");
  EXPECT_EQ(richTextPageIndicator(2, 3, 2, 5), "2/3");
  EXPECT_EQ(richTextPageIndicator(3, 3, 2, 5), "3/3");  // the end is shown
  EXPECT_EQ(richTextPageIndicator(0, 0, 2, 1), "1/1");
  EXPECT_EQ(richTextVisibleLinesForBox(156), 2);
  EXPECT_EQ(richTextVisibleLinesForBox(40), 1);
  EXPECT_EQ(richTextVisibleLinesForBox(182), 3);

  int lines = 0, maxLines = 5, step = 2;
  const RichTextScroll scroll{&lines, &maxLines, &step};
  EXPECT_FALSE(changeRichTextScroll(scroll, -2));
  EXPECT_TRUE(changeRichTextScroll(scroll, 3));
  EXPECT_EQ(lines, 3);
  EXPECT_TRUE(changeRichTextScroll(scroll, 30));
  EXPECT_EQ(lines, 5);
  EXPECT_FALSE(changeRichTextScroll(scroll, 1));
}

TEST_F(RichTextTest, ContentBoxSetsTheWindowAndClampsTheScroll) {
  const ScreenRect box = {55, 178, 690, 156};
  int lines = 99, maxLines = 0, step = 1;
  const RichTextScroll scroll{&lines, &maxLines, &step};
  drawRichTextContentBox(("Description: " + words(16 + 21 * 4)).c_str(), box, theme.warn, theme.warn,
                         theme.text, scroll);
  EXPECT_EQ(step, 2);
  EXPECT_EQ(maxLines, 3);
  EXPECT_EQ(lines, 3);
  EXPECT_TRUE(frameShowsText("3/3", 75, 178 + 156 - 28, 1, TL_DATUM, theme.warn, theme.panel));
  // A text that fits shows no page indicator.
  drawRichTextContentBox("Area: here", box, theme.warn, theme.warn, theme.text, scroll);
  EXPECT_EQ(maxLines, 0);
  EXPECT_EQ(lines, 0);
  const std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(countPixels(frame, 75, 178 + 156 - 28, 60, 8, rgbOf565(theme.panel)), 60 * 8);
}

// Hostile
TEST_F(RichTextTest, HostileTexts) {
  const std::string colons(5000, ':');
  const std::string labels = [] {
    std::string s;
    for (int i = 0; i < 2000; ++i) s += "Area:\n";
    return s;
  }();
  EXPECT_EQ(countAlertPopupRichLines(colons.c_str(), 650), 47);
  EXPECT_EQ(countAlertPopupRichLines(labels.c_str(), 650), 180);
  EXPECT_GE(countAlertPopupRichLines("Description: x", 1), 1);
  drawAlertPopupRichTextWindow(labels.c_str(), 0, 0, 650, 170, 50, 38, LABEL, VALUE, BG);
  drawAlertPopupRichTextWindow("x", 0, 0, 650, 0, 0, 38, LABEL, VALUE, BG);
  drawAlertPopupRichTextWindow(std::string(100000, 'x').c_str(), 0, 0, 3, -5, 4, 38, LABEL, VALUE, BG);
  SUCCEED();
}

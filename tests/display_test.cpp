// Pixel tests of the display surface on the offscreen driver: colours,
// primitives, text placement and the built-in font.
#include <SDL.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/desktop_main.h"
#include "host/display.h"
#include "host/font5x7.h"
#include "support/display_probe.h"

namespace {

const uint16_t RED = 0xF800;
const uint16_t GREEN = 0x07E0;
const uint16_t BLUE = 0x001F;
const uint32_t RGB_BLACK = 0x000000;
const uint32_t RGB_WHITE = 0xFFFFFF;

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(initOffscreenDisplay());
    tft.fillScreen(TFT_BLACK);
  }
  void TearDown() override { desktopShutdown(); }

  uint32_t at(int x, int y) const { return frame_[(size_t)y * SCREEN_W + x]; }
  void grab() { frame_ = readFrame(); }

  // True when the glyph cell at (left, top) shows rows at the given scale in
  // fg on bg, including the spacing column.
  bool cellMatches(int left, int top, int scale, const uint8_t* rows, uint32_t fg, uint32_t bg) {
    for (int row = 0; row < 7 * scale; ++row) {
      for (int col = 0; col < 6 * scale; ++col) {
        int gr = row / scale, gc = col / scale;
        bool set = gc < 5 && (rows[gr] & (0x10 >> gc));
        if (at(left + col, top + row) != (set ? fg : bg)) return false;
      }
    }
    return true;
  }

  std::vector<uint32_t> frame_;
};

// Bounding box of all pixels equal to rgb; false when there are none.
bool boxOf(const std::vector<uint32_t>& frame, uint32_t rgb, int& x0, int& y0, int& x1, int& y1) {
  x0 = SCREEN_W;
  y0 = SCREEN_H;
  x1 = -1;
  y1 = -1;
  for (int y = 0; y < SCREEN_H; ++y) {
    for (int x = 0; x < SCREEN_W; ++x) {
      if (frame[(size_t)y * SCREEN_W + x] != rgb) continue;
      if (x < x0) x0 = x;
      if (y < y0) y0 = y;
      if (x > x1) x1 = x;
      if (y > y1) y1 = y;
    }
  }
  return x1 >= 0;
}

}  // namespace

// Colours

TEST(Color565, PacksTopBitsOfEachComponent) {
  EXPECT_EQ(color565(255, 255, 255), 0xFFFF);
  EXPECT_EQ(color565(0, 0, 0), 0x0000);
  EXPECT_EQ(color565(255, 0, 0), 0xF800);
  EXPECT_EQ(color565(0, 255, 0), 0x07E0);
  EXPECT_EQ(color565(0, 0, 255), 0x001F);
  EXPECT_EQ(color565(8, 12, 22), (1 << 11) | (3 << 5) | 2);
  EXPECT_EQ(color565(7, 3, 7), 0x0000);  // below one step of each channel
}

TEST_F(DisplayTest, ColourExpansionUsesIntegerScaling) {
  // r5 = 16 gives 16 * 255 / 31 = 131 (bit replication would give 132).
  tft.fillRect(0, 0, 1, 1, 0x8000);
  // g6 = 32 gives 32 * 255 / 63 = 129 (replication: 130).
  tft.fillRect(1, 0, 1, 1, 0x0400);
  tft.fillRect(2, 0, 1, 1, 0x0010);
  EXPECT_EQ(framePixel(0, 0), 131u << 16);
  EXPECT_EQ(framePixel(1, 0), 129u << 8);
  EXPECT_EQ(framePixel(2, 0), 131u);
  tft.fillRect(3, 0, 1, 1, TFT_WHITE);
  EXPECT_EQ(framePixel(3, 0), RGB_WHITE);
}

// Primitives

TEST_F(DisplayTest, FillRectCoversExactlyItsArea) {
  tft.fillRect(10, 20, 30, 5, RED);
  grab();
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, rgbOf565(RED)), 150);
  EXPECT_EQ(at(10, 20), rgbOf565(RED));
  EXPECT_EQ(at(39, 24), rgbOf565(RED));
  EXPECT_EQ(at(40, 24), RGB_BLACK);
  EXPECT_EQ(at(39, 25), RGB_BLACK);
}

TEST_F(DisplayTest, DrawRectIsAOnePixelOutline) {
  tft.drawRect(100, 100, 10, 6, GREEN);
  grab();
  uint32_t g = rgbOf565(GREEN);
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, g), 2 * 10 + 2 * 4);
  EXPECT_EQ(at(100, 100), g);
  EXPECT_EQ(at(109, 105), g);
  EXPECT_EQ(at(101, 101), RGB_BLACK);
  EXPECT_EQ(at(108, 104), RGB_BLACK);
}

TEST_F(DisplayTest, RoundRectsHaveSquareCorners) {
  tft.fillRoundRect(230, 284, 340, 56, 16, BLUE);
  tft.drawRoundRect(10, 10, 50, 40, 16, RED);
  grab();
  EXPECT_EQ(countPixels(frame_, 230, 284, 340, 56, rgbOf565(BLUE)), 340 * 56);
  EXPECT_EQ(at(230, 284), rgbOf565(BLUE));
  EXPECT_EQ(at(569, 339), rgbOf565(BLUE));
  EXPECT_EQ(at(10, 10), rgbOf565(RED));
  EXPECT_EQ(at(59, 49), rgbOf565(RED));
  EXPECT_EQ(countPixels(frame_, 10, 10, 50, 40, rgbOf565(RED)), 2 * 50 + 2 * 38);
}

TEST_F(DisplayTest, FastLinesEndOneShortOfTheLength) {
  tft.drawFastHLine(5, 7, 4, RED);
  tft.drawFastVLine(50, 60, 3, RED);
  grab();
  uint32_t r = rgbOf565(RED);
  EXPECT_EQ(at(5, 7), r);
  EXPECT_EQ(at(8, 7), r);
  EXPECT_EQ(at(9, 7), RGB_BLACK);
  EXPECT_EQ(at(50, 62), r);
  EXPECT_EQ(at(50, 63), RGB_BLACK);
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, r), 7);
}

TEST_F(DisplayTest, LinesIncludeBothEndPoints) {
  tft.drawLine(0, 0, 5, 5, RED);
  tft.drawLine(100, 50, 102, 40, GREEN);  // steep, drawn upwards
  grab();
  uint32_t r = rgbOf565(RED), g = rgbOf565(GREEN);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(at(i, i), r) << i;
  EXPECT_EQ(countPixels(frame_, 0, 0, 20, 20, r), 6);
  EXPECT_EQ(at(100, 50), g);
  EXPECT_EQ(at(102, 40), g);
  // One pixel per row on a steep line.
  for (int y = 40; y <= 50; ++y) EXPECT_EQ(countPixels(frame_, 95, y, 15, 1, g), 1) << y;
}

TEST_F(DisplayTest, DrawPixelSetsOnePixel) {
  tft.drawPixel(799, 479, RED);
  tft.drawPixel(-1, 5, RED);
  tft.drawPixel(800, 5, RED);
  grab();
  EXPECT_EQ(at(799, 479), rgbOf565(RED));
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, rgbOf565(RED)), 1);
}

TEST_F(DisplayTest, CircleOfRadiusZeroIsOnePixel) {
  tft.drawCircle(300, 200, 0, RED);
  grab();
  EXPECT_EQ(at(300, 200), rgbOf565(RED));
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, rgbOf565(RED)), 1);
}

TEST_F(DisplayTest, CircleOffsetsTruncateTowardZero) {
  tft.drawCircle(300, 200, 10, RED);
  grab();
  uint32_t r = rgbOf565(RED);
  EXPECT_EQ(at(310, 200), r);  // 0 degrees
  EXPECT_EQ(at(290, 200), r);  // 180 degrees
  // 90 degrees is not a multiple of 4: 88 degrees gives (0.35, 9.99).
  EXPECT_EQ(at(300, 209), r);
  EXPECT_EQ(at(300, 210), RGB_BLACK);
  EXPECT_EQ(at(307, 206), r);  // 44 degrees: 7.19, 6.94
  EXPECT_EQ(at(306, 207), r);  // 48 degrees: 6.69, 7.43
  // 184 degrees is (-9.98, -0.70): truncation gives (-9, 0), flooring would
  // give (-10, -1).
  EXPECT_EQ(at(291, 200), r);
  EXPECT_EQ(at(290, 199), RGB_BLACK);
  EXPECT_EQ(at(300, 200), RGB_BLACK);
  EXPECT_EQ(countPixels(frame_, 285, 185, 31, 31, r), 58);
}

TEST_F(DisplayTest, CircleOffsetsThatAreWholeStayWhole) {
  // At 120 degrees and radius 20 the x offset is exactly -10; computed in
  // floating point it comes out as -9.999999999999996.
  tft.drawCircle(300, 200, 20, GREEN);
  grab();
  EXPECT_EQ(at(290, 217), rgbOf565(GREEN));
  EXPECT_EQ(at(291, 217), RGB_BLACK);
}

TEST_F(DisplayTest, FillCircleCoversThePixelsWithinTheRadius) {
  tft.fillCircle(400, 240, 3, GREEN);
  grab();
  uint32_t g = rgbOf565(GREEN);
  EXPECT_EQ(countPixels(frame_, 390, 230, 20, 20, g), 29);
  EXPECT_EQ(at(403, 240), g);
  EXPECT_EQ(at(402, 242), g);          // 4 + 4 <= 9
  EXPECT_EQ(at(403, 241), RGB_BLACK);  // 9 + 1 > 9
  tft.fillCircle(100, 100, 0, RED);
  tft.fillCircle(200, 100, -4, RED);
  grab();
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, rgbOf565(RED)), 1);
}

TEST_F(DisplayTest, PushImageCopiesValuesRowByRow) {
  const uint16_t img[6] = {RED, GREEN, BLUE, TFT_WHITE, 0x0000, 0x8410};
  tft.fillRect(0, 0, 10, 10, 0x4208);
  tft.pushImage(2, 3, 3, 2, img);
  tft.pushImage(50, 50, 3, 2, nullptr);
  tft.pushImage(798, 478, 3, 2, img);  // partly off the surface
  grab();
  EXPECT_EQ(at(2, 3), rgbOf565(RED));
  EXPECT_EQ(at(3, 3), rgbOf565(GREEN));
  EXPECT_EQ(at(4, 3), rgbOf565(BLUE));
  EXPECT_EQ(at(2, 4), RGB_WHITE);
  EXPECT_EQ(at(3, 4), RGB_BLACK);  // no transparency
  EXPECT_EQ(at(4, 4), rgbOf565(0x8410));
  EXPECT_EQ(at(5, 3), rgbOf565(0x4208));
  EXPECT_EQ(at(798, 478), rgbOf565(RED));
  EXPECT_EQ(at(799, 478), rgbOf565(GREEN));
  EXPECT_EQ(at(798, 479), RGB_WHITE);
}

TEST_F(DisplayTest, FrameSurvivesPresents) {
  tft.fillRect(0, 0, 100, 100, RED);
  tft.flush();
  tft.fillRect(50, 50, 10, 10, GREEN);
  tft.flush();
  grab();
  EXPECT_EQ(at(0, 0), rgbOf565(RED));
  EXPECT_EQ(at(99, 99), rgbOf565(RED));
  EXPECT_EQ(at(55, 55), rgbOf565(GREEN));
}

// What the window shows, 0xRRGGBB per pixel (empty when its surface is unreadable).
std::vector<uint32_t> readWindow() {
  std::vector<uint32_t> out;
  SDL_Surface* surface = SDL_GetWindowSurface(gWindow);
  if (surface == nullptr || surface->w < SCREEN_W || surface->h < SCREEN_H) return out;
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
  if (rgb == nullptr) return out;
  out.resize((size_t)SCREEN_W * SCREEN_H);
  for (int y = 0; y < SCREEN_H; ++y) {
    const uint32_t* row = (const uint32_t*)((const uint8_t*)rgb->pixels + (size_t)y * rgb->pitch);
    for (int x = 0; x < SCREEN_W; ++x) out[(size_t)y * SCREEN_W + x] = row[x] & 0xFFFFFF;
  }
  SDL_FreeSurface(rgb);
  return out;
}

TEST_F(DisplayTest, PartialPresentsLeaveTheWholeFrameOnTheWindow) {
  tft.flush();
  ASSERT_EQ(readWindow(), readFrame());
  // Small draws of every kind, each followed by a present of what changed.
  tft.fillRect(10, 10, 30, 20, RED);
  tft.flush();
  tft.drawLine(700, 400, 650, 470, GREEN);
  tft.drawPixel(799, 0, BLUE);
  tft.flush();
  tft.setTextFont(2);
  tft.setTextColor(TFT_WHITE, BLUE);
  tft.drawString("12:34", 720, 8);
  tft.drawCircle(400, 240, 30, RED);
  tft.fillCircle(100, 400, 12, GREEN);
  const uint16_t image[4] = {RED, GREEN, BLUE, TFT_WHITE};
  tft.pushImage(-1, 470, 2, 2, image);
  tft.flush();
  EXPECT_EQ(readWindow(), readFrame());
  // Nothing drawn: the window keeps showing the same frame.
  tft.flush();
  EXPECT_EQ(readWindow(), readFrame());
  // Many scattered draws fall back to one whole-frame present.
  for (int i = 0; i < 40; ++i) tft.fillRect(i * 19, (i * 37) % 460, 3, 3, GREEN);
  tft.flush();
  EXPECT_EQ(readWindow(), readFrame());
  // An expose shows the whole frame.
  tft.presentFrame();
  EXPECT_EQ(readWindow(), readFrame());
}

// Fonts and text placement

TEST_F(DisplayTest, FontScalesAndCellSizes) {
  tft.setTextFont(0);
  EXPECT_EQ(tft.textFont(), 1);
  EXPECT_EQ(tft.fontScale(), 1);
  EXPECT_EQ(tft.glyphW(), 6);
  EXPECT_EQ(tft.glyphH(), 7);
  tft.setTextFont(2);
  EXPECT_EQ(tft.glyphW(), 12);
  EXPECT_EQ(tft.glyphH(), 14);
  tft.setTextFont(3);
  EXPECT_EQ(tft.fontScale(), 2);
  tft.setTextFont(4);
  EXPECT_EQ(tft.glyphW(), 18);
  EXPECT_EQ(tft.glyphH(), 21);
  tft.setTextFont(7);
  EXPECT_EQ(tft.fontScale(), 3);
  EXPECT_EQ(tft.textWidth(String("12:34")), 90);
  EXPECT_EQ(tft.textWidth(""), 0);
}

TEST_F(DisplayTest, TenBytesInFontTwoMiddleCentre) {
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(TFT_WHITE, BLUE);
  EXPECT_EQ(tft.drawString("0123456789", 400, 312), 120);
  grab();
  int x0, y0, x1, y1;
  ASSERT_TRUE(boxOf(frame_, rgbOf565(BLUE), x0, y0, x1, y1));
  EXPECT_EQ(x0, 340);
  EXPECT_EQ(y0, 305);
  int wx0, wy0, wx1, wy1;
  ASSERT_TRUE(boxOf(frame_, RGB_WHITE, wx0, wy0, wx1, wy1));
  EXPECT_GE(wx0, 340);
  EXPECT_LE(wx1, 459);
  EXPECT_EQ(countPixels(frame_, 340, 305, 120, 14, RGB_BLACK), 0);
  EXPECT_EQ(countPixels(frame_, 339, 300, 1, 25, rgbOf565(BLUE)), 0);
  EXPECT_EQ(countPixels(frame_, 460, 300, 1, 25, rgbOf565(BLUE)), 0);
  EXPECT_EQ(countPixels(frame_, 330, 304, 140, 1, rgbOf565(BLUE)), 0);
  EXPECT_EQ(countPixels(frame_, 330, 319, 140, 1, rgbOf565(BLUE)), 0);
}

TEST_F(DisplayTest, EveryDatumPlacesTheBox) {
  struct Case {
    uint8_t datum;
    int left, top;
  };
  // Text "ABC" in font 1 is 18 x 7; anchor (100, 100). Halves truncate.
  const Case cases[] = {{TL_DATUM, 100, 100}, {TC_DATUM, 91, 100}, {TR_DATUM, 82, 100}, {ML_DATUM, 100, 97},
                        {MC_DATUM, 91, 97},   {MR_DATUM, 82, 97},  {9, 100, 100}};
  for (const Case& c : cases) {
    tft.fillScreen(TFT_BLACK);
    tft.setTextFont(1);
    tft.setTextDatum(c.datum);
    tft.setTextColor(TFT_WHITE, RED);
    tft.drawString("ABC", 100, 100);
    grab();
    int x0, y0, x1, y1;
    ASSERT_TRUE(boxOf(frame_, rgbOf565(RED), x0, y0, x1, y1));
    // The spacing column on the right is always background.
    EXPECT_EQ(x0, c.left) << (int)c.datum;
    EXPECT_EQ(y0, c.top) << (int)c.datum;
    EXPECT_EQ(x1, c.left + 17) << (int)c.datum;
    EXPECT_EQ(y1, c.top + 6) << (int)c.datum;
  }
}

TEST_F(DisplayTest, GlyphRowsAreDrawnAtEveryScale) {
  const uint8_t* a = glyphRows('A');
  int fonts[] = {1, 2, 4};
  int scales[] = {1, 2, 3};
  for (int i = 0; i < 3; ++i) {
    tft.fillScreen(TFT_BLACK);
    tft.setTextFont(fonts[i]);
    tft.setTextDatum(TL_DATUM);
    tft.setTextColor(TFT_WHITE, BLUE);
    tft.drawString("A", 20, 30);
    grab();
    EXPECT_TRUE(cellMatches(20, 30, scales[i], a, RGB_WHITE, rgbOf565(BLUE))) << fonts[i];
  }
}

TEST_F(DisplayTest, LowerCaseDrawsLikeUpperCase) {
  tft.setTextFont(2);
  tft.setTextColor(TFT_WHITE, TFT_BLACK);
  tft.drawString("abcdefghijklmnopqrstuvwxyz", 0, 0);
  tft.drawString("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0, 100);
  grab();
  for (int y = 0; y < 14; ++y) {
    for (int x = 0; x < 26 * 12; ++x) ASSERT_EQ(at(x, y), at(x, y + 100)) << x << "," << y;
  }
  EXPECT_GT(countPixels(frame_, 0, 0, 312, 14, RGB_WHITE), 26 * 10);
}

TEST_F(DisplayTest, NonAsciiBytesDrawAsQuestionMarks) {
  tft.setTextFont(1);
  tft.setTextColor(TFT_WHITE, TFT_BLACK);
  // "Ä" in UTF-8 is two bytes: two question marks.
  EXPECT_EQ(tft.drawString("\xC3\x84", 10, 10), 12);
  tft.drawString("\x01\x7F\xFF", 10, 30);
  grab();
  const uint8_t* q = glyphRows('?');
  EXPECT_TRUE(cellMatches(10, 10, 1, q, RGB_WHITE, RGB_BLACK));
  EXPECT_TRUE(cellMatches(16, 10, 1, q, RGB_WHITE, RGB_BLACK));
  EXPECT_TRUE(cellMatches(10, 30, 1, q, RGB_WHITE, RGB_BLACK));
  EXPECT_TRUE(cellMatches(16, 30, 1, q, RGB_WHITE, RGB_BLACK));
  EXPECT_TRUE(cellMatches(22, 30, 1, q, RGB_WHITE, RGB_BLACK));
}

TEST_F(DisplayTest, SpaceDrawsOnlyBackground) {
  tft.setTextFont(2);
  tft.setTextColor(TFT_WHITE, RED);
  tft.drawString("   ", 0, 0);
  grab();
  EXPECT_EQ(countPixels(frame_, 0, 0, 36, 14, rgbOf565(RED)), 36 * 14);
}

// Font coverage

TEST(Font5x7, TellingRows) {
  struct Case {
    char c;
    uint8_t rows[7];
  };
  const Case cases[] = {
      {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
      {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
      {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
      {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
      {'/', {0x01, 0x02, 0x02, 0x04, 0x08, 0x08, 0x10}}, {'~', {0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    const uint8_t* rows = glyphRows((unsigned char)c.c);
    for (int r = 0; r < 7; ++r) EXPECT_EQ(rows[r], c.rows[r]) << c.c << " row " << r;
  }
}

TEST(Font5x7, EveryPrintableCharacterHasItsOwnShape) {
  std::set<std::string> shapes;
  for (int c = 0x20; c <= 0x7E; ++c) {
    if (c >= 'a' && c <= 'z') continue;
    const uint8_t* rows = glyphRows((unsigned char)c);
    std::string shape(reinterpret_cast<const char*>(rows), 7);
    int bits = 0;
    for (int r = 0; r < 7; ++r) {
      EXPECT_EQ(rows[r] & ~0x1F, 0) << "char " << c << " uses more than 5 columns";
      for (int b = 0; b < 5; ++b) bits += (rows[r] >> b) & 1;
    }
    if (c != ' ') {
      EXPECT_GT(bits, 1) << "char " << (char)c << " is blank";
    }
    EXPECT_TRUE(shapes.insert(shape).second) << "char " << (char)c << " repeats another glyph";
  }
  EXPECT_EQ(shapes.size(), 95u - 26u);
}

TEST(Font5x7, EveryOtherByteIsTheQuestionMark) {
  const uint8_t* q = glyphRows('?');
  for (int c = 0; c < 256; ++c) {
    if (c >= 0x20 && c <= 0x7E) continue;
    EXPECT_EQ(glyphRows((unsigned char)c), q) << c;
  }
  for (int c = 'a'; c <= 'z'; ++c) EXPECT_EQ(glyphRows((unsigned char)c), glyphRows((unsigned char)(c - 32)));
}

// Hostile

TEST_F(DisplayTest, VeryLongTextNeverWrapsAroundToTheLeft) {
  std::string text(6000, 'W');
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(TFT_WHITE, RED);
  EXPECT_EQ(tft.drawString(text.c_str(), 790, 100), 6000 * 12);
  grab();
  EXPECT_EQ(countPixels(frame_, 0, 90, 790, 40, RGB_WHITE), 0);
  EXPECT_EQ(countPixels(frame_, 0, 90, 790, 40, rgbOf565(RED)), 0);
  EXPECT_GT(countPixels(frame_, 790, 100, 10, 14, RGB_WHITE), 0);
}

TEST_F(DisplayTest, LongTextAnchoredRightShowsOnlyItsTail) {
  std::string text(100000, 'A');
  text += "1";
  tft.setTextFont(1);
  tft.setTextDatum(TR_DATUM);
  tft.setTextColor(TFT_WHITE, TFT_BLACK);
  EXPECT_EQ(tft.drawString(String(text.c_str()), 799, 0), 100001 * 6);
  grab();
  EXPECT_TRUE(cellMatches(793, 0, 1, glyphRows('1'), RGB_WHITE, RGB_BLACK));
  EXPECT_TRUE(cellMatches(1, 0, 1, glyphRows('A'), RGB_WHITE, RGB_BLACK));
}

TEST_F(DisplayTest, TextFarOffTheSurfaceDrawsNothing) {
  tft.setTextFont(4);
  tft.setTextColor(TFT_WHITE, RED);
  tft.drawString("HELLO", 10, -30000);
  tft.drawString("HELLO", 10, 30000);
  tft.drawString("HELLO", -30000, 10);
  tft.drawString("HELLO", 2000000000, 10);
  grab();
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, RGB_BLACK), SCREEN_W * SCREEN_H);
}

TEST_F(DisplayTest, NegativeAndHugeSizesAreSafe) {
  tft.fillRect(10, 10, -5, 20, RED);
  tft.fillRect(10, 10, 20, 0, RED);
  tft.drawRect(10, 10, 0, 0, RED);
  tft.drawFastHLine(10, 10, -3, RED);
  tft.drawFastVLine(10, 10, 0, RED);
  grab();
  EXPECT_EQ(countPixels(frame_, 0, 0, SCREEN_W, SCREEN_H, RGB_BLACK), SCREEN_W * SCREEN_H);
  tft.fillRect(-2000000000, -2000000000, 2100000000, 2100000000, GREEN);
  tft.drawLine(-100000, -100000, 100000, 100000, RED);
  grab();
  EXPECT_EQ(at(799, 479), rgbOf565(GREEN));
  EXPECT_EQ(at(0, 0), rgbOf565(RED));
  EXPECT_EQ(at(479, 479), rgbOf565(RED));
}

// Edge cases

TEST(DisplayNotReady, EverythingIsANoOp) {
  tft = DisplayCompat();
  ASSERT_FALSE(tft.ready());
  tft.fillScreen(RED);
  tft.fillRect(0, 0, 10, 10, RED);
  tft.drawCircle(5, 5, 3, RED);
  tft.fillCircle(5, 5, 3, RED);
  tft.drawLine(0, 0, 9, 9, RED);
  const uint16_t img[1] = {RED};
  tft.pushImage(0, 0, 1, 1, img);
  tft.flush();
  EXPECT_EQ(tft.drawString("TEXT", 0, 0), 0);
  EXPECT_EQ(tft.width(), 800);
  EXPECT_EQ(tft.height(), 480);
  EXPECT_FALSE(tft.initFailed());
}

TEST(DisplayInit, FailureLeavesTheSurfaceNotReadyAndStopsTheHost) {
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  tft = DisplayCompat();
  gDesktopRunning = true;
  tft.init();
  EXPECT_FALSE(tft.ready());
  EXPECT_TRUE(tft.initFailed());
  EXPECT_FALSE(gDesktopRunning);
  EXPECT_EQ(tft.drawString("X", 0, 0), 0);
  desktopShutdown();
}

TEST(DisplayInit, SecondInitOnlyClears) {
  ASSERT_TRUE(initOffscreenDisplay());
  SDL_Window* first = gWindow;
  tft.fillRect(0, 0, 10, 10, RED);
  tft.init();
  EXPECT_EQ(gWindow, first);
  EXPECT_EQ(framePixel(5, 5), RGB_BLACK);
  desktopShutdown();
}

TEST(DisplayInit, AcceleratedRequestIsNamedEvenOnFallback) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("QSODECK_DESKTOP_ACCEL", "1", 1);
  tft = DisplayCompat();
  testing::internal::CaptureStdout();
  tft.init();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(tft.ready());
  EXPECT_NE(out.find("[DESKTOP] SDL renderer ready (accelerated).\n"), std::string::npos) << out;
  desktopShutdown();
}

TEST(DisplayInit, AccelZeroMeansSoftware) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("QSODECK_DESKTOP_ACCEL", "0", 1);
  tft = DisplayCompat();
  testing::internal::CaptureStdout();
  tft.init();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("[DESKTOP] SDL renderer ready (software).\n"), std::string::npos) << out;
  desktopShutdown();
}

// BMP drawing from storage and the APRS icon path rule.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/theme.h"
#include "host/display.h"
#include "host/storage.h"
#include "support/display_probe.h"
#include "support/temp_files.h"
#include "ui/images.h"

namespace {

const uint16_t BG = 0x0000;

struct BmpShape {
  int32_t width = 4;
  int32_t height = 4;  // negative: top-down
  uint16_t planes = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t infoSize = 40;
  uint32_t offset = 54;
  bool overrideOffset = false;
  size_t cutTail = 0;  // bytes removed from the end of the file
};

void put16(std::string& s, uint16_t v) {
  s.push_back((char)(v & 0xFF));
  s.push_back((char)(v >> 8));
}
void put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back((char)((v >> (8 * i)) & 0xFF));
}

// Pixel colour of file row fr, column c: encodes both in red and green.
void pixelOf(int fr, int c, uint8_t& r, uint8_t& g, uint8_t& b) {
  r = (uint8_t)(fr * 8);
  g = (uint8_t)(c * 4);
  b = 0x80;
}

std::string makeBmp(const BmpShape& shape) {
  const int64_t absH = shape.height < 0 ? -(int64_t)shape.height : shape.height;
  const int64_t rowBytes = (((int64_t)shape.width * 3) + 3) & ~(int64_t)3;
  std::string s;
  put16(s, 19778);
  put32(s, 0);
  put32(s, 0);
  put32(s, shape.overrideOffset ? shape.offset : 14 + shape.infoSize);
  put32(s, shape.infoSize);
  put32(s, (uint32_t)shape.width);
  put32(s, (uint32_t)shape.height);
  put16(s, shape.planes);
  put16(s, shape.bits);
  put32(s, shape.compression);
  while (s.size() < 14 + shape.infoSize) s.push_back(0);
  const bool writeRows = shape.width > 0 && shape.width <= 64 && absH <= 4096;
  for (int fr = 0; writeRows && fr < absH; ++fr) {
    for (int c = 0; c < shape.width; ++c) {
      uint8_t r, g, b;
      pixelOf(fr, c, r, g, b);
      s.push_back((char)b);
      s.push_back((char)g);
      s.push_back((char)r);
    }
    for (int p = shape.width * 3; p < rowBytes; ++p) s.push_back((char)0xEE);
  }
  if (shape.cutTail > 0 && shape.cutTail < s.size()) s.resize(s.size() - shape.cutTail);
  return s;
}

class ImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultTheme();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = makeTempDir("/tmp/qsodeck_card_");
    ASSERT_FALSE(root_.empty()) << info->name();
    SD.setRoot(root_.c_str());
    ready_ = initOffscreenDisplay();
    if (!ready_) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(BG);
  }

  void TearDown() override { removeTempDir(root_); }

  void writeCardFile(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(writeWholeFile(root_ + "/" + name, bytes)) << name;
  }

  uint32_t expected(int fr, int c) {
    uint8_t r, g, b;
    pixelOf(fr, c, r, g, b);
    return rgbOf565(rgb888To565(r, g, b));
  }

  bool frameUntouched() {
    std::vector<uint32_t> frame = readFrame();
    return countPixels(frame, 0, 0, SCREEN_W, SCREEN_H, rgbOf565(BG)) == SCREEN_W * SCREEN_H;
  }

  std::string root_;
  bool ready_ = false;
};

// Seen in real files
TEST_F(ImagesTest, BottomUpFlagCoversOffsetBox) {
  BmpShape shape;
  shape.width = 32;
  shape.height = 32;
  writeCardFile("flag.bmp", makeBmp(shape));
  ASSERT_TRUE(drawBmp24FromSD("/flag.bmp", 100, 50, 32, 32));
  // Covers x 108..139 and y 58..89; the first file row is at the bottom.
  EXPECT_EQ(expected(0, 0), framePixel(108, 89));
  EXPECT_EQ(expected(31, 0), framePixel(108, 58));
  EXPECT_EQ(expected(31, 31), framePixel(139, 58));
  EXPECT_EQ(expected(0, 31), framePixel(139, 89));
  EXPECT_EQ(rgbOf565(BG), framePixel(107, 58));
  EXPECT_EQ(rgbOf565(BG), framePixel(140, 89));
  EXPECT_EQ(rgbOf565(BG), framePixel(108, 57));
  EXPECT_EQ(rgbOf565(BG), framePixel(108, 90));
}

TEST_F(ImagesTest, TopDownImageKeepsFirstRowOnTop) {
  BmpShape shape;
  shape.width = 8;
  shape.height = -6;
  writeCardFile("td.bmp", makeBmp(shape));
  ASSERT_TRUE(drawBmp24FromSD("/td.bmp", 0, 0, 32, 32));
  EXPECT_EQ(expected(0, 0), framePixel(8, 8));
  EXPECT_EQ(expected(5, 7), framePixel(15, 13));
}

TEST_F(ImagesTest, PaddedRowsAreReadWithTheirPadding) {
  BmpShape shape;
  shape.width = 10;  // 30 bytes, padded to 32
  shape.height = 5;
  writeCardFile("pad.bmp", makeBmp(shape));
  ASSERT_TRUE(drawBmp24FromSD("/pad.bmp", 0, 0, 32, 32));
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 10; ++c) {
      EXPECT_EQ(expected(4 - r, c), framePixel(8 + c, 8 + r)) << "row " << r << " col " << c;
    }
  }
}

TEST_F(ImagesTest, WideImageIsReadInChunks) {
  BmpShape shape;
  shape.width = 45;  // more than two 20-pixel chunks
  shape.height = 2;
  writeCardFile("wide.bmp", makeBmp(shape));
  ASSERT_TRUE(drawBmp24FromSD("/wide.bmp", 0, 0, 64, 64));
  EXPECT_EQ(expected(1, 44), framePixel(8 + 44, 8));
  EXPECT_EQ(expected(0, 20), framePixel(8 + 20, 9));
}

// Wrong variants and sizes
TEST_F(ImagesTest, OversizeImageDrawsNothing) {
  BmpShape shape;
  shape.width = 33;
  shape.height = 32;
  writeCardFile("big.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/big.bmp", 0, 0, 32, 32));
  shape.width = 32;
  shape.height = -33;
  writeCardFile("tall.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/tall.bmp", 0, 0, 32, 32));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(ImagesTest, OtherVariantsAreRefused) {
  BmpShape shape;
  shape.bits = 16;
  writeCardFile("b16.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/b16.bmp", 0, 0, 32, 32));
  shape = BmpShape();
  shape.compression = 1;  // RLE
  writeCardFile("rle.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/rle.bmp", 0, 0, 32, 32));
  shape = BmpShape();
  shape.planes = 2;
  writeCardFile("planes.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/planes.bmp", 0, 0, 32, 32));
  shape = BmpShape();
  shape.infoSize = 12;  // OS/2 core header
  writeCardFile("core.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/core.bmp", 0, 0, 32, 32));
  std::string notBmp = makeBmp(BmpShape());
  notBmp[0] = 'P';
  writeCardFile("sig.bmp", notBmp);
  EXPECT_FALSE(drawBmp24FromSD("/sig.bmp", 0, 0, 32, 32));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(ImagesTest, MissingOrEmptyBoxIsRefused) {
  EXPECT_FALSE(drawBmp24FromSD("/nothing.bmp", 0, 0, 32, 32));
  writeCardFile("ok.bmp", makeBmp(BmpShape()));
  EXPECT_FALSE(drawBmp24FromSD("/ok.bmp", 0, 0, 0, 32));
  EXPECT_FALSE(drawBmp24FromSD("/ok.bmp", 0, 0, 32, -1));
  EXPECT_TRUE(frameUntouched());
  EXPECT_TRUE(drawBmp24FromSD("/ok.bmp", 0, 0, 4, 4));
}

// Truncated
TEST_F(ImagesTest, PixelDataPastTheEndIsRefusedBeforeDrawing) {
  BmpShape shape;
  shape.width = 16;
  shape.height = 16;
  shape.cutTail = 1;
  writeCardFile("short.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/short.bmp", 0, 0, 32, 32));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(ImagesTest, HeaderCutShortIsRefused) {
  std::string bytes = makeBmp(BmpShape()).substr(0, 30);
  writeCardFile("hdr.bmp", bytes);
  EXPECT_FALSE(drawBmp24FromSD("/hdr.bmp", 0, 0, 32, 32));
  writeCardFile("empty.bmp", "");
  EXPECT_FALSE(drawBmp24FromSD("/empty.bmp", 0, 0, 32, 32));
  EXPECT_TRUE(frameUntouched());
}

// Hostile
TEST_F(ImagesTest, MinimumHeightIsRefused) {
  BmpShape shape;
  shape.height = INT32_MIN;
  writeCardFile("min.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/min.bmp", 0, 0, 32, 32));
  EXPECT_FALSE(drawBmp24FromSD("/min.bmp", 0, 0, INT32_MAX, INT32_MAX));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(ImagesTest, OffsetOutsideTheFileIsRefused) {
  BmpShape shape;
  shape.overrideOffset = true;
  shape.offset = 0xFFFFFFF0u;  // would wrap in 32-bit arithmetic
  writeCardFile("off.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/off.bmp", 0, 0, 32, 32));
  shape.offset = 20;  // pixel data inside the header
  writeCardFile("inside.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/inside.bmp", 0, 0, 32, 32));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(ImagesTest, HugeDimensionsDoNotOverflow) {
  BmpShape shape;
  shape.width = INT32_MAX;
  shape.height = 1;
  writeCardFile("wide.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/wide.bmp", 0, 0, INT32_MAX, INT32_MAX));
  shape.width = 0x55555556;  // width * 3 wraps to 2 in 32 bits
  writeCardFile("wrap.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/wrap.bmp", 0, 0, INT32_MAX, INT32_MAX));
  shape.width = -4;
  writeCardFile("neg.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/neg.bmp", 0, 0, 32, 32));
  shape.width = 4;
  shape.height = 0;
  writeCardFile("zero.bmp", makeBmp(shape));
  EXPECT_FALSE(drawBmp24FromSD("/zero.bmp", 0, 0, 32, 32));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(ImagesTest, PathTraversalIsRefused) {
  writeCardFile("ok.bmp", makeBmp(BmpShape()));
  EXPECT_FALSE(drawBmp24FromSD("/../ok.bmp", 0, 0, 32, 32));
}

// PNG and APRS icons
TEST_F(ImagesTest, PngFallsBackOnTheDesktop) {
  writeCardFile("icon.png", std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_FALSE(drawPngFromSD("/icon.png", 0, 0, 32, 32, 0));
  EXPECT_TRUE(frameUntouched());
}

// PNG line callback and file callbacks
TEST_F(ImagesTest, PngLineBlendsAlphaOntoBackground) {
  preparePngDrawState(50, 60, 8, 8, 0x001F);  // blue background
  static uint16_t buffer[8];
  pngLineBuffer = buffer;
  pngLineBufferPixels = 8;
  pngPixelType = 6;
  pngHasAlpha = true;
  uint8_t rgba[3 * 4] = {255, 0, 0, 0, 255, 0, 0, 255, 255, 0, 0, 128};
  PNGDRAW line;
  line.y = 2;
  line.iWidth = 3;
  line.pPixels = rgba;
  EXPECT_EQ(1, pngDraw(&line));
  EXPECT_EQ(rgbOf565(0x001F), framePixel(50, 62));
  EXPECT_EQ(rgbOf565(rgb888To565(255, 0, 0)), framePixel(51, 62));
  // (255 * 128 + 127 * 0 + 127) / 255 = 128 red; blue (0 * 128 + 127 * 255 + 127) / 255 = 127.
  EXPECT_EQ(rgbOf565(rgb888To565(128, 0, 127)), framePixel(52, 62));
  EXPECT_TRUE(pngDecodeOk);
  pngLineBuffer = nullptr;
  pngLineBufferPixels = 0;
}

TEST_F(ImagesTest, PngLineOutsideTheBoxStopsDecoding) {
  preparePngDrawState(0, 0, 4, 4, 0);
  static uint16_t buffer[16];
  pngLineBuffer = buffer;
  pngLineBufferPixels = 16;
  uint8_t rgba[16 * 4] = {};
  PNGDRAW line;
  line.pPixels = rgba;
  line.iWidth = 5;  // wider than the box
  EXPECT_EQ(0, pngDraw(&line));
  EXPECT_FALSE(pngDecodeOk);
  line.iWidth = 2;  // later lines are not drawn either
  EXPECT_EQ(0, pngDraw(&line));
  preparePngDrawState(0, 0, 4, 4, 0);
  line.y = 4;  // below the box
  EXPECT_EQ(0, pngDraw(&line));
  EXPECT_FALSE(pngDecodeOk);
  preparePngDrawState(0, 0, 4, 4, 0);
  line.y = 0;
  line.iWidth = 0;
  EXPECT_EQ(0, pngDraw(&line));
  EXPECT_FALSE(pngDecodeOk);
  EXPECT_TRUE(frameUntouched());
  pngLineBuffer = nullptr;
  pngLineBufferPixels = 0;
}

TEST_F(ImagesTest, PngFileCallbacks) {
  int32_t size = 99;
  EXPECT_EQ(nullptr, pngOpen("/missing.png", &size));
  EXPECT_EQ(0, size);
  uint8_t buf[4];
  EXPECT_EQ(0, pngRead(nullptr, buf, 4));
  EXPECT_EQ(0, pngSeek(nullptr, 2));
  writeCardFile("icon.png", "0123456789");
  EXPECT_NE(nullptr, pngOpen("/icon.png", &size));
  EXPECT_EQ(10, size);
  EXPECT_EQ(6, pngSeek(nullptr, 6));
  EXPECT_EQ(4, pngRead(nullptr, buf, 4));
  EXPECT_EQ('6', buf[0]);
  EXPECT_EQ(0, pngRead(nullptr, buf, 4));
  pngClose(nullptr);
  EXPECT_EQ(0, pngRead(nullptr, buf, 4));
}

TEST_F(ImagesTest, AprsIconPathFollowsTheTableRule) {
  EXPECT_EQ(String("/aprs/131.png"), aprsIconPathForSymbol("/>"));
  EXPECT_EQ(String("/aprs/137.png"), aprsIconPathForSymbol("\\>"));
  EXPECT_EQ(String("/aprs/00.png"), aprsIconPathForSymbol(" /! "));
  EXPECT_EQ(String("/aprs/135.png"), aprsIconPathForSymbol("/~"));  // 93: row 5, col 13
  EXPECT_EQ(String(""), aprsIconPathForSymbol("/"));
  EXPECT_EQ(String(""), aprsIconPathForSymbol("/\x7f"));
  EXPECT_EQ(String(""), aprsIconPathForSymbol("/\xc3"));
  EXPECT_EQ(String(""), aprsIconPath("/>"));
  mkdir((root_ + "/aprs").c_str(), 0755);
  writeCardFile("aprs/131.png", "x");
  EXPECT_EQ(String("/aprs/131.png"), aprsIconPath("/>"));
}

TEST_F(ImagesTest, AprsIconWithoutFileDrawsMarker) {
  EXPECT_FALSE(drawAprsIcon("/>", 200, 200, theme.panel));
  EXPECT_EQ(rgbOf565(theme.accent), framePixel(216, 216));
  EXPECT_EQ(rgbOf565(theme.panel), framePixel(216 + 7, 216));
  EXPECT_EQ(rgbOf565(BG), framePixel(216 + 12, 216));
}

TEST(ImageColours, Rgb565Expansion) {
  uint8_t r, g, b;
  rgb565To888Components(0xFFFF, r, g, b);
  EXPECT_EQ(255, r);
  EXPECT_EQ(255, g);
  EXPECT_EQ(255, b);
  rgb565To888Components(0x8410, r, g, b);  // 16, 32, 16
  EXPECT_EQ(16 * 255 / 31, r);
  EXPECT_EQ(32 * 255 / 63, g);
  EXPECT_EQ(16 * 255 / 31, b);
  EXPECT_EQ(0x1234, pngBufferColor565(0x1234));
}

}  // namespace

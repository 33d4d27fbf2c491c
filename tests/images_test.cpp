// BMP drawing from storage and the APRS icon path rule.
#include <gtest/gtest.h>

#include <limits.h>
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
TEST_F(ImagesTest, PngSignatureAloneDrawsNothing) {
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

// ---------------------------------------------------------------- PNG files
// The fixtures in tests/data/png show one 9 x 7 picture in many PNG flavours
// (tests/data/png/make_fixtures.py writes them); these are its pixels.

const int PNG_W = 9;
const int PNG_H = 7;
const uint8_t PNG_ALPHAS[8] = {0, 1, 64, 127, 128, 200, 254, 255};

struct Rgba {
  uint8_t r, g, b, a;
};

Rgba fixtureColour(int x, int y) {
  return {(uint8_t)((x * 29 + y * 5) & 255), (uint8_t)((y * 37 + 11) & 255),
          (uint8_t)((x * y * 13 + 70) & 255), 255};
}
Rgba fixtureRgba(int x, int y) {
  Rgba c = fixtureColour(x, y);
  c.a = PNG_ALPHAS[(x + y * PNG_W) % 8];
  return c;
}
Rgba fixtureGreyAlpha(int x, int y) {
  const uint8_t g = (uint8_t)((x * 28 + y * 3) & 255);
  return {g, g, g, PNG_ALPHAS[(x + y * PNG_W) % 8]};
}
Rgba fixtureGrey1(int x, int y) {
  const uint8_t g = (x + y) % 2 ? 255 : 0;
  return {g, g, g, 255};
}

// The colour a pixel must show on bg: transparent gives bg itself, opaque the
// pixel, anything between the rounded mix of each channel.
uint16_t blendedOn(Rgba c, uint16_t bg) {
  if (c.a == 0) return bg;
  if (c.a == 255) return rgb888To565(c.r, c.g, c.b);
  uint8_t br, bgc, bb;
  rgb565To888Components(bg, br, bgc, bb);
  auto mix = [&](uint8_t v, uint8_t b) { return (uint8_t)((v * c.a + (255 - c.a) * b + 127) / 255); };
  return rgb888To565(mix(c.r, br), mix(c.g, bgc), mix(c.b, bb));
}

class PngTest : public ImagesTest {
 protected:
  void copyFixture(const std::string& name) { writeCardFile(name, readTestData("png/" + name)); }

  // Number of the image's pixels at (x, y) that differ from the expectation.
  int wrongPixels(int x, int y, Rgba (*pixel)(int, int), uint16_t bg) {
    int wrong = 0;
    for (int py = 0; py < PNG_H; ++py) {
      for (int px = 0; px < PNG_W; ++px) {
        const uint32_t want = rgbOf565(blendedOn(pixel(px, py), bg));
        if (framePixel(x + px, y + py) != want) {
          if (wrong < 3)
            ADD_FAILURE() << "pixel " << px << "," << py << " is " << std::hex << framePixel(x + px, y + py)
                          << " not " << want;
          ++wrong;
        }
      }
    }
    return wrong;
  }

  // Pixels of the frame not equal to BG, outside the w x h box at (x, y).
  int pixelsOutside(int x, int y, int w, int h) {
    std::vector<uint32_t> frame = readFrame();
    const int bgCount = countPixels(frame, 0, 0, SCREEN_W, SCREEN_H, rgbOf565(BG)) -
                        countPixels(frame, x, y, w, h, rgbOf565(BG));
    return SCREEN_W * SCREEN_H - w * h - bgCount;
  }
};

// Seen in real files
TEST_F(PngTest, RgbaPixelsBlendOntoEitherBackground) {
  copyFixture("rgba8.png");
  const uint16_t panel = theme.panel;
  const uint16_t white = 0xFFFF;
  ASSERT_TRUE(drawPngFromSD("/rgba8.png", 100, 100, 32, 32, panel));
  ASSERT_TRUE(drawPngFromSD("/rgba8.png", 200, 100, PNG_W, PNG_H, white));
  EXPECT_EQ(0, wrongPixels(100, 100, fixtureRgba, panel));
  EXPECT_EQ(0, wrongPixels(200, 100, fixtureRgba, white));
  // Pixel (4, 0): colour 116, 11, 70 at alpha 128 over white gives 185, 133, 162.
  EXPECT_EQ(rgbOf565(rgb888To565(185, 133, 162)), framePixel(204, 100));
  // Alpha 0 shows the background, alpha 255 the colour itself.
  EXPECT_EQ(rgbOf565(white), framePixel(200, 100));
  EXPECT_EQ(rgbOf565(rgb888To565(203, 11, 70)), framePixel(207, 100));
  EXPECT_EQ(0, pixelsOutside(100, 100, 109, PNG_H));
}

TEST_F(PngTest, EveryFlavourDrawsTheColoursOfItsTwin) {
  struct Case {
    const char* file;
    Rgba (*pixel)(int, int);
  };
  const Case cases[] = {
      {"rgb8.png", fixtureColour},           {"rgb8_interlaced.png", fixtureColour},
      {"palette8.png", fixtureColour},       {"rgb16.png", fixtureColour},
      {"grey1.png", fixtureGrey1},           {"rgba8_interlaced.png", fixtureRgba},
      {"rgba16.png", fixtureRgba},           {"palette8_trns.png", fixtureRgba},
      {"grey_alpha8.png", fixtureGreyAlpha}, {"grey_alpha16_interlaced.png", fixtureGreyAlpha},
  };
  const uint16_t bg = 0x8410;  // mid grey: every blend shows
  int x = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    copyFixture(c.file);
    ASSERT_TRUE(drawPngFromSD(String("/") + c.file, x, 300, PNG_W, PNG_H, bg));
    EXPECT_EQ(0, wrongPixels(x, 300, c.pixel, bg));
    x += 20;
  }
}

// Wrong sizes
TEST_F(PngTest, ImageLargerThanItsBoxDrawsNothing) {
  copyFixture("rgba8_33x32.png");
  copyFixture("rgb8.png");
  EXPECT_FALSE(drawPngFromSD("/rgba8_33x32.png", 0, 0, 32, 32, BG));
  EXPECT_FALSE(drawPngFromSD("/rgba8_33x32.png", 0, 0, 33, 31, BG));
  EXPECT_FALSE(drawPngFromSD("/rgb8.png", 0, 0, PNG_W - 1, PNG_H, BG));
  EXPECT_FALSE(drawPngFromSD("/rgb8.png", 0, 0, PNG_W, 0, BG));
  EXPECT_FALSE(drawPngFromSD("", 0, 0, 32, 32, BG));
  EXPECT_FALSE(drawPngFromSD("/missing.png", 0, 0, 32, 32, BG));
  EXPECT_TRUE(frameUntouched());
  EXPECT_TRUE(drawPngFromSD("/rgba8_33x32.png", 0, 0, 33, 32, BG));
  EXPECT_EQ(rgbOf565(rgb888To565(200, 100, 50)), framePixel(32, 31));
  EXPECT_EQ(0, pixelsOutside(0, 0, 33, 32));
}

// Hostile
uint32_t crc32Of(const std::string& bytes, size_t from, size_t count) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = from; i < from + count; ++i) {
    crc ^= (uint8_t)bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void putBe32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = (char)((v >> (24 - 8 * i)) & 0xFF);
}

// The file with a new width and height and a matching header checksum.
std::string withSize(std::string png, uint32_t w, uint32_t h) {
  putBe32(png, 16, w);
  putBe32(png, 20, h);
  putBe32(png, 29, crc32Of(png, 12, 17));
  return png;
}

// Offset of the first IDAT chunk's length field.
size_t idatOffset(const std::string& png) { return png.find("IDAT") - 4; }

TEST_F(PngTest, DamagedFilesDrawNothing) {
  const std::string good = readTestData("png/rgba8.png");
  ASSERT_GT(good.size(), 100u);
  std::vector<std::pair<std::string, std::string>> bad;
  for (size_t cut = 0; cut < good.size(); cut += 5)
    bad.push_back({"cut" + std::to_string(cut), good.substr(0, cut)});
  bad.push_back({"no end", good.substr(0, good.size() - 12)});
  std::string headerCrc = good;
  headerCrc[30] ^= 0x01;
  bad.push_back({"header crc", headerCrc});
  std::string dataCrc = good;
  dataCrc[good.find("IEND") - 5] ^= 0x40;  // last byte of the IDAT checksum
  bad.push_back({"data crc", dataCrc});
  std::string dataByte = good;
  dataByte[idatOffset(good) + 20] ^= 0x5A;  // a compressed byte, checksum left as it was
  bad.push_back({"data byte", dataByte});
  for (uint32_t length : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x00100000u, 0u}) {
    std::string bogus = good;
    putBe32(bogus, idatOffset(good), length);
    bad.push_back({"idat length " + std::to_string(length), bogus});
  }
  bad.push_back({"zero width", withSize(good, 0, PNG_H)});
  bad.push_back({"taller than the data", withSize(good, PNG_W, PNG_H + 1)});
  bad.push_back({"not png", "GIF89a this is not a picture at all, just bytes"});
  std::string flipped = good;
  flipped[1] = 'p';
  bad.push_back({"signature", flipped});
  for (const auto& item : bad) {
    SCOPED_TRACE(item.first);
    writeCardFile("bad.png", item.second);
    EXPECT_FALSE(drawPngFromSD("/bad.png", 300, 200, 32, 32, 0xFFFF));
  }
  EXPECT_TRUE(frameUntouched());
}

TEST_F(PngTest, HugeHeaderIsRefusedBeforeAnyPixelMemory) {
  const std::string good = readTestData("png/rgba8.png");
  writeCardFile("huge.png", withSize(good, 100000, 100000));
  writeCardFile("wide.png", withSize(good, 8000, 1));
  EXPECT_FALSE(drawPngFromSD("/huge.png", 0, 0, 32, 32, BG));
  EXPECT_FALSE(drawPngFromSD("/huge.png", 0, 0, INT_MAX, INT_MAX, BG));
  EXPECT_LT(pngDecoder.peakAllocatedBytes(), (size_t)100000);  // not even one line of it
  EXPECT_FALSE(drawPngFromSD("/wide.png", 0, 0, 32, 32, BG));
  EXPECT_LT(pngDecoder.peakAllocatedBytes(), (size_t)8000 * 4);
  EXPECT_LT(pngLineBufferPixels, (size_t)8000);
  EXPECT_TRUE(frameUntouched());
  // The ordinary image right after still draws.
  copyFixture("rgb8.png");
  EXPECT_TRUE(drawPngFromSD("/rgb8.png", 0, 0, 32, 32, BG));
}

TEST_F(PngTest, FolderOrPipeInPlaceOfTheFileDrawsNothing) {
  ASSERT_EQ(0, mkdir((root_ + "/dir.png").c_str(), 0755));
  ASSERT_EQ(0, mkfifo((root_ + "/pipe.png").c_str(), 0644));
  EXPECT_FALSE(drawPngFromSD("/dir.png", 0, 0, 32, 32, BG));
  EXPECT_FALSE(drawPngFromSD("/pipe.png", 0, 0, 32, 32, BG));  // returns at once, no writer needed
  writeCardFile("empty.png", "");
  EXPECT_FALSE(drawPngFromSD("/empty.png", 0, 0, 32, 32, BG));
  EXPECT_FALSE(drawPngFromSD("/../rgb8.png", 0, 0, 32, 32, BG));
  EXPECT_TRUE(frameUntouched());
}

TEST_F(PngTest, DecoderDeliversLinesOnlyOnceAndStopsOnRequest) {
  copyFixture("rgba8.png");
  static int lines;
  lines = 0;
  auto countTwo = [](PNGDRAW* d) -> int { return ++lines < 2 ? 1 : 0; };
  PNG png;
  ASSERT_EQ(PNG_SUCCESS, png.open("/rgba8.png", pngOpen, pngClose, pngRead, pngSeek, countTwo));
  EXPECT_EQ(PNG_W, png.getWidth());
  EXPECT_EQ(PNG_H, png.getHeight());
  EXPECT_EQ(PNG_PIXEL_TRUECOLOR_ALPHA, png.getPixelType());
  EXPECT_EQ(1, png.hasAlpha());
  EXPECT_EQ(PNG_QUIT_EARLY, png.decode(nullptr, 0));
  EXPECT_EQ(2, lines);
  EXPECT_EQ(PNG_INVALID_PARAMETER, png.decode(nullptr, 0));  // one decode per open
  png.close();
  EXPECT_FALSE(pngFile);  // the close callback ran
  png.close();
  copyFixture("rgb8.png");
  ASSERT_EQ(PNG_SUCCESS, png.open("/rgb8.png", pngOpen, pngClose, pngRead, pngSeek, countTwo));
  EXPECT_EQ(PNG_PIXEL_TRUECOLOR, png.getPixelType());
  EXPECT_EQ(0, png.hasAlpha());
  png.close();
  EXPECT_EQ(PNG_INVALID_FILE, png.open("/missing.png", pngOpen, pngClose, pngRead, pngSeek, countTwo));
  EXPECT_EQ(0, png.getWidth());
}

TEST_F(PngTest, LineConversionToRgb565) {
  uint8_t rgb[6] = {255, 0, 0, 8, 4, 255};
  PNGDRAW line;
  line.iWidth = 2;
  line.iBpp = 24;
  line.pPixels = rgb;
  uint16_t out[2] = {0, 0};
  pngDecoder.getLineAsRGB565(&line, out, PNG_RGB565_LITTLE_ENDIAN, 0xFFFFFFFFu);
  EXPECT_EQ(0xF800, out[0]);
  EXPECT_EQ(rgb888To565(8, 4, 255), out[1]);
  pngDecoder.getLineAsRGB565(&line, out, PNG_RGB565_BIG_ENDIAN, 0xFFFFFFFFu);
  EXPECT_EQ(0x00F8, out[0]);
}

TEST_F(PngTest, AprsIconDrawsItsFileInsteadOfTheMarker) {
  mkdir((root_ + "/aprs").c_str(), 0755);
  writeCardFile("aprs/131.png", readTestData("png/rgb8.png"));
  EXPECT_TRUE(drawAprsIcon("/>", 200, 200, theme.panel));
  EXPECT_EQ(0, wrongPixels(200, 200, fixtureColour, theme.panel));
  EXPECT_EQ(rgbOf565(BG), framePixel(216, 216));  // no marker
  // A damaged file falls back to the marker.
  writeCardFile("aprs/137.png", "\x89PNG broken");
  EXPECT_FALSE(drawAprsIcon("\\>", 400, 200, theme.panel));
  EXPECT_EQ(rgbOf565(theme.accent), framePixel(416, 216));
}

TEST_F(PngTest, AlternateSymbolsSharingAPrimaryNameHaveNoIcon) {
  EXPECT_EQ(String("/aprs/110.png"), aprsIconPathForSymbol("/,"));
  EXPECT_EQ(String("/aprs/111.png"), aprsIconPathForSymbol("/<"));
  EXPECT_EQ(String(""), aprsIconPathForSymbol("\\b"));
  EXPECT_EQ(String(""), aprsIconPathForSymbol("\\r"));
  EXPECT_EQ(String(""), aprsIconPathForSymbol("Dr"));  // overlay on the alternate table
  EXPECT_EQ(String("/aprs/010.png"), aprsIconPathForSymbol("\\a"));
  EXPECT_EQ(String("/aprs/210.png"), aprsIconPathForSymbol("\\c"));
  EXPECT_EQ(String("/aprs/1311.png"), aprsIconPathForSymbol("\\~"));
}

}  // namespace

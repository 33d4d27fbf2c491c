#include "ui/images.h"

#include <limits.h>
#include <stdlib.h>

#include "core/theme.h"
#include "host/display.h"

static const uint16_t BMP_SIGNATURE = 19778;  // "BM"
static const uint32_t BMP_INFO_HEADER_MIN_BYTES = 40;
static const uint32_t BMP_FILE_HEADER_BYTES = 14;

uint16_t bmpRead16(fs::File& file) {
  uint8_t b[2] = {0, 0};
  file.read(b, 2);
  return (uint16_t)(b[0] | (b[1] << 8));
}

uint32_t bmpRead32(fs::File& file) {
  uint8_t b[4] = {0, 0, 0, 0};
  file.read(b, 4);
  return (uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) | ((uint32_t)b[3] << 24);
}

namespace {

struct BmpLayout {
  uint32_t dataOffset = 0;
  int32_t width = 0;
  int32_t height = 0;  // always positive here
  bool topDown = false;
  uint32_t rowBytes = 0;
};

// Reads and checks the headers; false for anything but a sound, uncompressed
// 24-bit image that fits the box and whose pixel rows lie inside the file.
bool readBmpLayout(fs::File& f, int maxW, int maxH, BmpLayout& out) {
  const uint64_t fileSize = f.size();
  if (fileSize < BMP_MIN_HEADER_BYTES) return false;
  if (bmpRead16(f) != BMP_SIGNATURE) return false;
  bmpRead32(f);  // file size as claimed
  bmpRead32(f);  // reserved
  const uint32_t offset = bmpRead32(f);
  const uint32_t infoSize = bmpRead32(f);
  const int32_t width = (int32_t)bmpRead32(f);
  const int32_t height = (int32_t)bmpRead32(f);
  const uint16_t planes = bmpRead16(f);
  const uint16_t bits = bmpRead16(f);
  const uint32_t compression = bmpRead32(f);
  if (planes != 1 || bits != 24 || compression != 0) return false;
  if (infoSize < BMP_INFO_HEADER_MIN_BYTES) return false;
  if (height == INT32_MIN || width <= 0 || height == 0) return false;
  const int64_t absHeight = height < 0 ? -(int64_t)height : (int64_t)height;
  if (maxW <= 0 || maxH <= 0 || (int64_t)width > maxW || absHeight > maxH) return false;
  const uint64_t rowBytes = (((uint64_t)width * 3u) + 3u) & ~(uint64_t)3u;
  const uint64_t headerEnd = (uint64_t)BMP_FILE_HEADER_BYTES + infoSize;
  if ((uint64_t)offset < headerEnd) return false;
  if ((uint64_t)offset + rowBytes * (uint64_t)absHeight > fileSize) return false;
  out.dataOffset = offset;
  out.width = width;
  out.height = (int32_t)absHeight;
  out.topDown = height < 0;
  out.rowBytes = (uint32_t)rowBytes;
  return true;
}

// Draws one file row as screen row r; false when the file cannot deliver it.
bool drawBmpRow(fs::File& f, const BmpLayout& bmp, int r, int x, int y) {
  const int32_t fileRow = bmp.topDown ? r : bmp.height - 1 - r;
  const uint64_t pos = (uint64_t)bmp.dataOffset + (uint64_t)fileRow * bmp.rowBytes;
  if (pos > UINT32_MAX || !f.seek((uint32_t)pos)) return false;
  uint8_t chunk[BMP_READ_CHUNK_BYTES];
  int col = 0;
  while (col < bmp.width) {
    int pixels = bmp.width - col;
    if (pixels > BMP_READ_CHUNK_BYTES / 3) pixels = BMP_READ_CHUNK_BYTES / 3;
    const size_t want = (size_t)pixels * 3;
    if (f.read(chunk, want) != want) return false;
    for (int i = 0; i < pixels; ++i) {
      const uint8_t* p = chunk + i * 3;
      tft.drawPixel(x + col + i + BMP_DRAW_OFFSET_PX, y + r + BMP_DRAW_OFFSET_PX,
                    rgb888To565(p[2], p[1], p[0]));
    }
    col += pixels;
  }
  return true;
}

}  // namespace

bool drawBmp24FromSD(const String& filename, int x, int y, int maxW, int maxH) {
  fs::File f = storageOpen(filename, FILE_READ);
  if (!f) return false;
  BmpLayout bmp;
  bool ok = readBmpLayout(f, maxW, maxH, bmp);
  for (int r = 0; ok && r < bmp.height; ++r) ok = drawBmpRow(f, bmp, r, x, y);
  f.close();
  return ok;
}

void rgb565To888Components(uint16_t c, uint8_t& r, uint8_t& g, uint8_t& b) {
  r = (uint8_t)(((c >> 11) & 0x1F) * 255 / 31);
  g = (uint8_t)(((c >> 5) & 0x3F) * 255 / 63);
  b = (uint8_t)((c & 0x1F) * 255 / 31);
}

uint16_t pngBufferColor565(uint16_t c) { return c; }

// ---------------------------------------------------------------- PNG

PNG pngDecoder;
fs::File pngFile;
uint16_t* pngLineBuffer = nullptr;
size_t pngLineBufferPixels = 0;
int pngDrawX = 0;
int pngDrawY = 0;
int pngMaxW = 0;
int pngMaxH = 0;
bool pngDecodeOk = false;
uint16_t pngBlendBg565 = 0;
uint16_t pngBlendBg565Buffer = 0;
uint8_t pngBlendBgR = 0;
uint8_t pngBlendBgG = 0;
uint8_t pngBlendBgB = 0;
int pngPixelType = 0;
bool pngHasAlpha = false;

void* pngOpen(const char* filename, int32_t* size) {
  if (size != nullptr) *size = 0;
  if (filename == nullptr) return nullptr;
  pngFile = storageOpen(filename, FILE_READ);
  if (!pngFile) return nullptr;
  const size_t n = pngFile.size();
  if (size != nullptr) *size = n > (size_t)INT32_MAX ? INT32_MAX : (int32_t)n;
  return &pngFile;
}

void pngClose(void* handle) {
  (void)handle;
  if (pngFile) pngFile.close();
}

int32_t pngRead(PNGFILE* pngfile, uint8_t* buffer, int32_t length) {
  (void)pngfile;
  if (!pngFile || buffer == nullptr || length <= 0) return 0;
  return (int32_t)pngFile.read(buffer, (size_t)length);
}

int32_t pngSeek(PNGFILE* pngfile, int32_t position) {
  (void)pngfile;
  if (!pngFile || position < 0 || !pngFile.seek((uint32_t)position)) return 0;
  return position;
}

static uint8_t blendChannel(uint8_t c, uint8_t a, uint8_t bg) {
  return (uint8_t)(((unsigned)c * a + (255u - a) * bg + 127u) / 255u);
}

int pngDraw(PNGDRAW* pDraw) {
  if (pngLineBuffer == nullptr || !pngDecodeOk || pDraw == nullptr) return 0;
  const int width = pDraw->iWidth;
  if (width <= 0 || width > pngMaxW || (size_t)width > pngLineBufferPixels || pDraw->y < 0 ||
      pDraw->y >= pngMaxH) {
    pngDecodeOk = false;
    return 0;
  }
  if (pngHasAlpha && pngPixelType == PNG_PIXEL_TRUECOLOR_ALPHA && pDraw->pPixels != nullptr) {
    for (int i = 0; i < width; ++i) {
      const uint8_t* p = pDraw->pPixels + 4 * i;
      const uint8_t a = p[3];
      if (a == 0) {
        pngLineBuffer[i] = pngBlendBg565Buffer;
      } else if (a == 255) {
        pngLineBuffer[i] = rgb888To565(p[0], p[1], p[2]);
      } else {
        pngLineBuffer[i] = rgb888To565(blendChannel(p[0], a, pngBlendBgR), blendChannel(p[1], a, pngBlendBgG),
                                       blendChannel(p[2], a, pngBlendBgB));
      }
    }
  } else {
    pngDecoder.getLineAsRGB565(pDraw, pngLineBuffer, PNG_RGB565_LITTLE_ENDIAN, 0xFFFFFFFFu);
  }
  tft.pushImage(pngDrawX, pngDrawY + pDraw->y, width, 1, pngLineBuffer);
  return 1;
}

// Grows the line buffer to hold width pixels; false when memory is short.
static bool ensurePngLineBuffer(int width) {
  if ((size_t)width <= pngLineBufferPixels && pngLineBuffer != nullptr) return true;
  uint16_t* grown = (uint16_t*)realloc(pngLineBuffer, (size_t)width * sizeof(uint16_t));
  if (grown == nullptr) return false;
  pngLineBuffer = grown;
  pngLineBufferPixels = (size_t)width;
  return true;
}

void preparePngDrawState(int x, int y, int maxW, int maxH, uint16_t bg565) {
  pngDrawX = x;
  pngDrawY = y;
  pngMaxW = maxW;
  pngMaxH = maxH;
  pngDecodeOk = true;
  pngBlendBg565 = bg565;
  pngBlendBg565Buffer = pngBufferColor565(bg565);
  rgb565To888Components(bg565, pngBlendBgR, pngBlendBgG, pngBlendBgB);
  pngPixelType = 0;
  pngHasAlpha = false;
}

bool drawPngFromSD(const String& filename, int x, int y, int maxW, int maxH, uint16_t bg565) {
  if (filename.isEmpty() || maxW <= 0 || maxH <= 0) return false;
  preparePngDrawState(x, y, maxW, maxH, bg565);
  if (pngDecoder.open(filename.c_str(), pngOpen, pngClose, pngRead, pngSeek, pngDraw) != 0) {
    pngClose(nullptr);
    return false;
  }
  pngPixelType = pngDecoder.getPixelType();
  pngHasAlpha = pngDecoder.hasAlpha() != 0;
  const int w = pngDecoder.getWidth();
  const int h = pngDecoder.getHeight();
  if (w <= 0 || h <= 0 || w > maxW || h > maxH || !ensurePngLineBuffer(w)) {
    pngDecoder.close();
    pngClose(nullptr);
    return false;
  }
  const int rc = pngDecoder.decode(nullptr, 0);
  pngDecoder.close();
  pngClose(nullptr);
  return pngDecodeOk && rc == 0;
}

String aprsIconPathForSymbol(const String& symbol) {
  String s = symbol;
  s.trim();
  if (s.length() < 2) return String();
  const unsigned char table = (unsigned char)s.charAt(0);
  const int code = (unsigned char)s.charAt(1);
  if (code < 33 || code > 126) return String();
  int row = (code - 33) / 16;
  const int col = (code - 33) % 16;
  if (table != '/') row += 6;
  // Column and row are written without a separator, so column 1 of rows 10
  // and 11 (alternate-table codes "b" and "r") would name the files of
  // column 11, rows 0 and 1 (primary "," and "<"): those two alternate
  // symbols have no file of their own and get the marker.
  if (col == 1 && row >= 10) return String();
  String path("/aprs/");
  path += String(col);
  path += String(row);
  path += ".png";
  return path;
}

String aprsIconPath(const String& symbol) {
  String path = aprsIconPathForSymbol(symbol);
  if (path.isEmpty() || !storageExists(path)) return String();
  return path;
}

bool drawAprsIcon(const String& symbol, int x, int y, uint16_t bg565) {
  String path = aprsIconPath(symbol);
  if (!path.isEmpty() && drawPngFromSD(path, x, y, 32, 32, bg565)) return true;
  tft.fillCircle(x + 16, y + 16, 10, bg565);
  tft.drawCircle(x + 16, y + 16, 10, theme.border);
  tft.fillCircle(x + 16, y + 16, 4, theme.accent);
  return false;
}

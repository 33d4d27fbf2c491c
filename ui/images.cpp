#include "ui/images.h"

#include <limits.h>

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

// PENDING: runs the board PNG decoder with file callbacks and blends each
// line onto bg565; the desktop decoder cannot open files, so this reports
// "not drawn" and callers show their fallback.
bool drawPngFromSD(const String& filename, int x, int y, int maxW, int maxH, uint16_t bg565) {
  (void)filename;
  (void)x;
  (void)y;
  (void)maxW;
  (void)maxH;
  (void)bg565;
  return false;
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

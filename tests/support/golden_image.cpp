#include "support/golden_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <map>

namespace {

void put16(std::string& s, uint16_t v) {
  s.push_back((char)(v & 0xFF));
  s.push_back((char)(v >> 8));
}
void put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back((char)((v >> (8 * i)) & 0xFF));
}
uint32_t get16(const std::string& s, size_t at) {
  return (uint8_t)s[at] | ((uint32_t)(uint8_t)s[at + 1] << 8);
}
uint32_t get32(const std::string& s, size_t at) { return get16(s, at) | (get16(s, at + 2) << 16); }

void putHeaders(std::string& s, int w, int h, uint16_t bits, uint32_t compression, uint32_t paletteSize,
                uint32_t dataSize) {
  const uint32_t offset = 14 + 40 + paletteSize * 4;
  put16(s, 19778);
  put32(s, offset + dataSize);
  put32(s, 0);
  put32(s, offset);
  put32(s, 40);
  put32(s, (uint32_t)w);
  put32(s, (uint32_t)h);
  put16(s, 1);
  put16(s, bits);
  put32(s, compression);
  put32(s, dataSize);
  put32(s, 2835);
  put32(s, 2835);
  put32(s, paletteSize);
  put32(s, 0);
}

bool writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool readFile(const std::string& path, std::string& out) {
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[65536];
  size_t n;
  out.clear();
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.append(buf, n);
  fclose(f);
  return true;
}

// Decodes RLE8 data into palette indices (bottom-up rows); false when broken.
bool decodeRle8(const std::string& s, size_t pos, int w, int h, std::vector<uint8_t>& idx) {
  idx.assign((size_t)w * h, 0);
  int x = 0, y = 0;
  while (pos + 1 < s.size()) {
    const uint8_t a = (uint8_t)s[pos], b = (uint8_t)s[pos + 1];
    pos += 2;
    if (a > 0) {
      for (int i = 0; i < a; ++i, ++x) {
        if (x >= w || y >= h) return false;
        idx[(size_t)y * w + x] = b;
      }
    } else if (b == 0) {
      x = 0;
      ++y;
    } else if (b == 1) {
      return true;
    } else if (b == 2) {
      if (pos + 1 >= s.size()) return false;
      x += (uint8_t)s[pos];
      y += (uint8_t)s[pos + 1];
      pos += 2;
    } else {
      if (pos + b > s.size()) return false;
      for (int i = 0; i < b; ++i, ++x) {
        if (x >= w || y >= h) return false;
        idx[(size_t)y * w + x] = (uint8_t)s[pos + i];
      }
      pos += b + (b & 1);
    }
  }
  return false;
}

}  // namespace

bool writeRle8Bmp(const std::string& path, const GoldenImage& image) {
  std::map<uint32_t, uint8_t> palette;
  std::vector<uint32_t> colours;
  for (uint32_t px : image.pixels) {
    if (palette.count(px)) continue;
    if (colours.size() == 256) return false;
    palette[px] = (uint8_t)colours.size();
    colours.push_back(px);
  }
  std::string data;
  for (int y = image.height - 1; y >= 0; --y) {
    const uint32_t* row = &image.pixels[(size_t)y * image.width];
    int x = 0;
    while (x < image.width) {
      int run = 1;
      while (x + run < image.width && run < 255 && row[x + run] == row[x]) ++run;
      data.push_back((char)run);
      data.push_back((char)palette[row[x]]);
      x += run;
    }
    data.push_back(0);
    data.push_back(y == 0 ? 1 : 0);
  }
  std::string s;
  putHeaders(s, image.width, image.height, 8, 1, (uint32_t)colours.size(), (uint32_t)data.size());
  for (uint32_t c : colours) put32(s, c & 0xFFFFFF);
  s += data;
  return writeFile(path, s);
}

bool write24Bmp(const std::string& path, const GoldenImage& image) {
  const int rowBytes = (image.width * 3 + 3) & ~3;
  std::string s;
  putHeaders(s, image.width, image.height, 24, 0, 0, (uint32_t)(rowBytes * image.height));
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint32_t px = image.pixels[(size_t)y * image.width + x];
      s.push_back((char)(px & 0xFF));
      s.push_back((char)((px >> 8) & 0xFF));
      s.push_back((char)((px >> 16) & 0xFF));
    }
    for (int p = image.width * 3; p < rowBytes; ++p) s.push_back(0);
  }
  return writeFile(path, s);
}

bool readPaletteBmp(const std::string& path, GoldenImage& out) {
  std::string s;
  if (!readFile(path, s) || s.size() < 54 || get16(s, 0) != 19778) return false;
  const uint32_t offset = get32(s, 10), infoSize = get32(s, 14);
  const int w = (int)get32(s, 18), h = (int)get32(s, 22);
  const uint32_t bits = get16(s, 28), compression = get32(s, 30);
  uint32_t paletteSize = get32(s, 46);
  if (paletteSize == 0) paletteSize = 256;
  if (bits != 8 || w <= 0 || h <= 0 || w > 8192 || h > 8192 || paletteSize > 256) return false;
  if (14 + infoSize + paletteSize * 4 > s.size() || offset > s.size()) return false;
  std::vector<uint32_t> colours(paletteSize);
  for (uint32_t i = 0; i < paletteSize; ++i) colours[i] = get32(s, 14 + infoSize + i * 4) & 0xFFFFFF;
  std::vector<uint8_t> idx;
  if (compression == 1) {
    if (!decodeRle8(s, offset, w, h, idx)) return false;
  } else if (compression == 0) {
    const size_t rowBytes = ((size_t)w + 3) & ~(size_t)3;
    if (offset + rowBytes * h > s.size()) return false;
    idx.resize((size_t)w * h);
    for (int y = 0; y < h; ++y) memcpy(&idx[(size_t)y * w], &s[offset + rowBytes * y], (size_t)w);
  } else {
    return false;
  }
  out.width = w;
  out.height = h;
  out.pixels.assign((size_t)w * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t i = idx[(size_t)y * w + x];
      if (i >= paletteSize) return false;
      out.pixels[(size_t)(h - 1 - y) * w + x] = colours[i];
    }
  }
  return true;
}

GoldenResult compareWithGolden(const std::string& name, const GoldenImage& frame) {
  GoldenResult result;
  const std::string refPath = std::string(QSODECK_TEST_DATA_DIR) + "/golden/" + name + ".bmp";
  const char* update = getenv("QSODECK_UPDATE_GOLDEN");
  if (update != nullptr && strcmp(update, "1") == 0) {
    result.ok = writeRle8Bmp(refPath, frame);
    result.message = (result.ok ? "reference written: " : "could not write reference: ") + refPath;
    return result;
  }
  GoldenImage ref;
  if (!readPaletteBmp(refPath, ref)) {
    result.referenceMissing = true;
    result.message =
        "reference missing or unreadable: " + refPath + " (run with QSODECK_UPDATE_GOLDEN=1 to create it)";
    return result;
  }
  if (ref.width != frame.width || ref.height != frame.height) {
    result.message = "reference size differs: " + refPath;
    return result;
  }
  GoldenImage diff = frame;
  for (size_t i = 0; i < frame.pixels.size(); ++i) {
    const uint32_t px = frame.pixels[i];
    if (px != ref.pixels[i]) {
      ++result.mismatchedPixels;
      diff.pixels[i] = 0xFF0000;
    } else {
      diff.pixels[i] = ((px >> 2) & 0x3F3F3F);
    }
  }
  result.ok = result.mismatchedPixels == 0;
  if (!result.ok) {
    char cwd[4096];
    const std::string dir = getcwd(cwd, sizeof(cwd)) != nullptr ? std::string(cwd) : ".";
    write24Bmp(name + "_actual.bmp", frame);
    write24Bmp(name + "_diff.bmp", diff);
    result.message = std::to_string(result.mismatchedPixels) + " pixels differ from " + refPath +
                     "; actual: " + dir + "/" + name + "_actual.bmp, diff: " + dir + "/" + name + "_diff.bmp";
  }
  return result;
}

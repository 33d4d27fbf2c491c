// Entry point shared by the PNG libFuzzer target and its corpus replay test:
// the input becomes a file on a scratch storage folder and is drawn through
// drawPngFromSD onto the offscreen surface over a marker colour; whatever
// the bytes, nothing may be drawn outside the image, and nothing at all when
// the call reports failure.
#pragma once

#include <SDL.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "host/desktop_main.h"
#include "host/display.h"
#include "host/storage.h"
#include "ui/images.h"

const int FUZZ_PNG_AREA_PX = 128;  // the checked square at the top-left corner
const int FUZZ_PNG_BOX_X = 16;
const int FUZZ_PNG_BOX_Y = 16;
const uint16_t FUZZ_PNG_MARKER_565 = 0xF81F;
// Generous bound of the decoder's memory for an image that fits the box.
const size_t FUZZ_PNG_MAX_DECODER_BYTES = 4u * 1024u * 1024u;

// The scratch card folder ("" when it could not be made).
inline const std::string& fuzzPngCardRoot() {
  static std::string root;
  return root;
}

inline void fuzzPngRemoveCard() {
  const std::string& root = fuzzPngCardRoot();
  if (root.empty()) return;
  unlink((root + "/fuzz.png").c_str());
  rmdir(root.c_str());
}

// Offscreen surface and scratch card folder, made once per process.
inline bool fuzzPngSetUp() {
  static int ready = -1;
  if (ready >= 0) return ready == 1;
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  unsetenv("QSODECK_DESKTOP_ACCEL");
  tft.init();
  char dir[] = "/tmp/qsodeck_png_fuzz_XXXXXX";
  ready = tft.ready() && mkdtemp(dir) != nullptr ? 1 : 0;
  if (ready == 1) {
    const_cast<std::string&>(fuzzPngCardRoot()) = dir;
    SD.setRoot(dir);
    atexit(fuzzPngRemoveCard);
  }
  return ready == 1;
}

inline void fuzzPngInput(const uint8_t* data, size_t size) {
  if (!fuzzPngSetUp()) abort();
  FILE* f = fopen((fuzzPngCardRoot() + "/fuzz.png").c_str(), "wb");
  if (f == nullptr) abort();
  if (size > 0 && fwrite(data, 1, size, f) != size) abort();
  fclose(f);
  // Odd lengths use a small box, so the refusal of larger images runs too.
  const int box = (size & 1) ? 12 : 96;
  tft.fillRect(0, 0, FUZZ_PNG_AREA_PX, FUZZ_PNG_AREA_PX, FUZZ_PNG_MARKER_565);
  const bool drew = drawPngFromSD("/fuzz.png", FUZZ_PNG_BOX_X, FUZZ_PNG_BOX_Y, box, box, 0x1234);
  const int w = pngDecoder.getWidth();
  const int h = pngDecoder.getHeight();
  if (drew && (w <= 0 || h <= 0 || w > box || h > box)) abort();
  if (drew && pngDecoder.peakAllocatedBytes() > FUZZ_PNG_MAX_DECODER_BYTES) abort();

  std::vector<uint32_t> px((size_t)FUZZ_PNG_AREA_PX * FUZZ_PNG_AREA_PX);
  SDL_Rect area = {0, 0, FUZZ_PNG_AREA_PX, FUZZ_PNG_AREA_PX};
  if (SDL_RenderReadPixels(gRenderer, &area, SDL_PIXELFORMAT_ARGB8888, px.data(), FUZZ_PNG_AREA_PX * 4) !=
      0) {
    abort();
  }
  const uint32_t marker = px[0];  // (0, 0) lies outside every box
  for (int y = 0; y < FUZZ_PNG_AREA_PX; ++y) {
    for (int x = 0; x < FUZZ_PNG_AREA_PX; ++x) {
      const bool inImage = drew && x >= FUZZ_PNG_BOX_X && x < FUZZ_PNG_BOX_X + w && y >= FUZZ_PNG_BOX_Y &&
                           y < FUZZ_PNG_BOX_Y + h;
      if (!inImage && px[(size_t)y * FUZZ_PNG_AREA_PX + x] != marker) abort();
    }
  }
}

#include "support/display_probe.h"

#include <SDL.h>
#include <stdlib.h>

#include "host/desktop_main.h"
#include "host/display.h"

bool initOffscreenDisplay() {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  unsetenv("QSODECK_DESKTOP_ACCEL");
  tft = DisplayCompat();
  tft.init();
  return tft.ready();
}

uint32_t framePixel(int x, int y) {
  if (gRenderer == nullptr) return 0xFF000000u;
  SDL_Rect r = {x, y, 1, 1};
  uint32_t px = 0;
  if (SDL_RenderReadPixels(gRenderer, &r, SDL_PIXELFORMAT_ARGB8888, &px, 4) != 0) return 0xFF000000u;
  return px & 0x00FFFFFFu;
}

std::vector<uint32_t> readFrame() {
  std::vector<uint32_t> frame((size_t)SCREEN_W * SCREEN_H, 0xFF000000u);
  if (gRenderer == nullptr) return frame;
  SDL_Rect r = {0, 0, SCREEN_W, SCREEN_H};
  if (SDL_RenderReadPixels(gRenderer, &r, SDL_PIXELFORMAT_ARGB8888, frame.data(), SCREEN_W * 4) != 0) {
    return frame;
  }
  for (uint32_t& px : frame) px &= 0x00FFFFFFu;
  return frame;
}

uint32_t rgbOf565(uint16_t c) {
  uint32_t r = ((c >> 11) & 0x1F) * 255u / 31u;
  uint32_t g = ((c >> 5) & 0x3F) * 255u / 63u;
  uint32_t b = (c & 0x1F) * 255u / 31u;
  return (r << 16) | (g << 8) | b;
}

int countPixels(const std::vector<uint32_t>& frame, int x, int y, int w, int h, uint32_t rgb) {
  int count = 0;
  for (int py = y; py < y + h; ++py) {
    if (py < 0 || py >= SCREEN_H) continue;
    for (int px = x; px < x + w; ++px) {
      if (px < 0 || px >= SCREEN_W) continue;
      if (frame[(size_t)py * SCREEN_W + px] == rgb) ++count;
    }
  }
  return count;
}

GoldenImage currentFrameImage() {
  GoldenImage image;
  image.width = SCREEN_W;
  image.height = SCREEN_H;
  image.pixels = readFrame();
  return image;
}

bool frameShowsText(const String& text, int x, int y, int font, int datum, uint16_t fg, uint16_t bg) {
  const std::vector<uint32_t> before = readFrame();
  tft.setTextFont(font);
  tft.setTextDatum(datum);
  tft.setTextColor(fg, bg);
  tft.drawString(text, x, y);
  tft.setTextDatum(TL_DATUM);
  return before == readFrame();
}

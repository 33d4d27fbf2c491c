#include "host/display.h"

#include <SDL.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "host/desktop_main.h"
#include "host/dirty_rects.h"
#include "host/font5x7.h"
#include "host/input.h"
#include "host/panel_output.h"
#include "host/trace_log.h"

DisplayCompat tft;

namespace {

const char* WINDOW_TITLE = "Qsodeck - Desktop";
const int CIRCLE_POINT_COUNT = 90;
const int CIRCLE_STEP_DEG = 4;
// Absorbs the rounding of the angle in radians, so that offsets meant to be
// whole (r at 90 degrees) do not truncate to one less.
const double CIRCLE_OFFSET_SLACK = 1e-9;
// Line end points are kept within the signed 16-bit range of the panel API,
// which also bounds the work of one line.
const int LINE_COORD_MIN = -32768;
const int LINE_COORD_MAX = 32767;

// The kept frame: all drawing goes into it, presents copy it to the window.
SDL_Texture* gFrameTexture = nullptr;

// What was drawn into the kept frame since the window last showed it.
DirtyRects gDrawn = [] {
  DirtyRects d;
  dirtyRectsReset(d, SCREEN_W, SCREEN_H);
  d.full = true;
  return d;
}();

uint8_t expand5(uint16_t v) { return (uint8_t)(v * 255 / 31); }
uint8_t expand6(uint16_t v) { return (uint8_t)(v * 255 / 63); }

uint32_t argbFrom565(uint16_t c) {
  uint32_t r = expand5((uint16_t)((c >> 11) & 0x1F));
  uint32_t g = expand6((uint16_t)((c >> 5) & 0x3F));
  uint32_t b = expand5((uint16_t)(c & 0x1F));
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Cuts a rectangle to the surface; false when nothing of it is visible.
bool clipToSurface(long long x, long long y, long long w, long long h, SDL_Rect& out) {
  if (w <= 0 || h <= 0) return false;
  long long x0 = x < 0 ? 0 : x;
  long long y0 = y < 0 ? 0 : y;
  long long x1 = x + w > SCREEN_W ? SCREEN_W : x + w;
  long long y1 = y + h > SCREEN_H ? SCREEN_H : y + h;
  if (x0 >= x1 || y0 >= y1) return false;
  out.x = (int)x0;
  out.y = (int)y0;
  out.w = (int)(x1 - x0);
  out.h = (int)(y1 - y0);
  return true;
}

void fillClipped(long long x, long long y, long long w, long long h) {
  SDL_Rect r;
  if (!clipToSurface(x, y, w, h, r)) return;
  SDL_RenderFillRect(gRenderer, &r);
  dirtyRectsAdd(gDrawn, r.x, r.y, r.w, r.h);
}

// Notes the box from (x0, y0) to (x1, y1), both corners included.
void noteDrawnBox(long long x0, long long y0, long long x1, long long y1) {
  SDL_Rect r;
  if (clipToSurface(x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1, (x0 < x1 ? x1 - x0 : x0 - x1) + 1,
                    (y0 < y1 ? y1 - y0 : y0 - y1) + 1, r)) {
    dirtyRectsAdd(gDrawn, r.x, r.y, r.w, r.h);
  }
}

// Shows the drawn parts of the kept frame: on the software renderer (the
// window's own surface) only those rectangles are copied and handed to the
// window; an accelerated renderer, the first frame and a full redraw copy
// and present the whole frame.
void presentDrawn() {
  if (dirtyRectsEmpty(gDrawn)) return;
  SDL_RendererInfo info;
  const bool software = SDL_GetRendererInfo(gRenderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
  // A repaint from inside the event pump finds the window as target and
  // leaves it so.
  SDL_Texture* bound = SDL_GetRenderTarget(gRenderer);
  SDL_SetRenderTarget(gRenderer, nullptr);
  // Parts are copied only where the window shows the frame as it is; a
  // scaled, letterboxed or turned picture is copied whole.
  if (gDrawn.full || !software || !panelOutputShowsFrameAsIs()) {
    panelCopyFrame(gRenderer, gFrameTexture);
    SDL_RenderPresent(gRenderer);
  } else {
    SDL_Rect rects[DIRTY_RECTS_CAP];
    for (int i = 0; i < gDrawn.count; ++i) {
      rects[i] = {gDrawn.rects[i].x, gDrawn.rects[i].y, gDrawn.rects[i].w, gDrawn.rects[i].h};
      SDL_RenderCopy(gRenderer, gFrameTexture, &rects[i], &rects[i]);
    }
    SDL_RenderFlush(gRenderer);
    SDL_UpdateWindowSurfaceRects(gWindow, rects, gDrawn.count);
  }
  SDL_SetRenderTarget(gRenderer, bound);
  dirtyRectsClear(gDrawn);
}

// Truncates a circle offset toward zero.
long long truncateOffset(double v) {
  return (long long)(v >= 0 ? v + CIRCLE_OFFSET_SLACK : v - CIRCLE_OFFSET_SLACK);
}

int clampLineCoord(int v) {
  if (v < LINE_COORD_MIN) return LINE_COORD_MIN;
  if (v > LINE_COORD_MAX) return LINE_COORD_MAX;
  return v;
}

// Creates the kept frame texture and makes it the render target.
void createFrameTexture() {
  gFrameTexture =
      SDL_CreateTexture(gRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, SCREEN_W, SCREEN_H);
  if (gFrameTexture != nullptr && SDL_SetRenderTarget(gRenderer, gFrameTexture) == 0) {
    SDL_SetTextureBlendMode(gFrameTexture, SDL_BLENDMODE_NONE);
    return;
  }
  desktopTrace("[DESKTOP][WARN] frame texture unavailable (%s); drawing straight to the window.\n",
               SDL_GetError());
  if (gFrameTexture != nullptr) SDL_DestroyTexture(gFrameTexture);
  gFrameTexture = nullptr;
}

// Appends one rectangle per horizontal run of set bits of a glyph.
void appendGlyphRects(const uint8_t* rows, int left, int top, int scale, std::vector<SDL_Rect>& rects) {
  for (int row = 0; row < FONT5X7_ROWS; ++row) {
    uint8_t bits = rows[row];
    int col = 0;
    while (col < FONT5X7_COLUMNS) {
      if (!(bits & (0x10 >> col))) {
        ++col;
        continue;
      }
      int start = col;
      while (col < FONT5X7_COLUMNS && (bits & (0x10 >> col))) ++col;
      SDL_Rect r = {left + start * scale, top + row * scale, (col - start) * scale, scale};
      rects.push_back(r);
    }
  }
}

// Draws one pixel per image value (used when a blit texture is unavailable).
void pushImagePoints(int x, int y, int w, int h, const uint16_t* data) {
  for (int row = 0; row < h; ++row) {
    long long py = (long long)y + row;
    if (py < 0 || py >= SCREEN_H) continue;
    for (int col = 0; col < w; ++col) {
      long long px = (long long)x + col;
      if (px < 0 || px >= SCREEN_W) continue;
      sdlSetColor565(data[(size_t)row * (size_t)w + (size_t)col]);
      SDL_RenderDrawPoint(gRenderer, (int)px, (int)py);
    }
  }
}

}  // namespace

uint16_t color565(uint8_t r, uint8_t g, uint8_t b) {
  return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

void sdlSetColor565(uint16_t c) {
  if (gRenderer == nullptr) return;
  SDL_SetRenderDrawColor(gRenderer, expand5((uint16_t)((c >> 11) & 0x1F)),
                         expand6((uint16_t)((c >> 5) & 0x3F)), expand5((uint16_t)(c & 0x1F)), 255);
}

void DisplayCompat::init() {
  if (initTried_) {
    fillScreen(0);
    presentFrame();
    return;
  }
  initTried_ = true;
  desktopInitLog();
  SDL_SetMainReady();
  if (!panelOpenOutput(WINDOW_TITLE)) {
    initFailed_ = true;
    gDesktopRunning = false;
    return;
  }
  SDL_SetRenderDrawBlendMode(gRenderer, SDL_BLENDMODE_NONE);
  createFrameTexture();
  fillScreen(0);
  presentFrame();
}

bool DisplayCompat::ready() const { return gRenderer != nullptr; }

void DisplayCompat::flush() {
  if (!ready()) return;
  desktopPollEventsOnly();
  if (gFrameTexture == nullptr) {
    if (!dirtyRectsEmpty(gDrawn)) SDL_RenderPresent(gRenderer);
    dirtyRectsClear(gDrawn);
    return;
  }
  presentDrawn();
}

void DisplayCompat::presentFrame() {
  if (!ready()) return;
  dirtyRectsAddFull(gDrawn);
  if (gFrameTexture == nullptr) {
    SDL_RenderPresent(gRenderer);
    dirtyRectsClear(gDrawn);
    return;
  }
  presentDrawn();
}

bool DisplayCompat::readFrameRgb(std::vector<uint8_t>& rgb) const {
  if (!ready()) return false;
  rgb.assign((size_t)SCREEN_W * SCREEN_H * 3, 0);
  SDL_Rect all{0, 0, SCREEN_W, SCREEN_H};
  return SDL_RenderReadPixels(gRenderer, &all, SDL_PIXELFORMAT_RGB24, rgb.data(), SCREEN_W * 3) == 0;
}

void displayReleaseFrameTarget() {
  if (gRenderer != nullptr && gFrameTexture != nullptr) SDL_SetRenderTarget(gRenderer, nullptr);
}

void displayRestoreFrameTarget() {
  if (gRenderer != nullptr && gFrameTexture != nullptr) SDL_SetRenderTarget(gRenderer, gFrameTexture);
}

void DisplayCompat::releaseFrame() {
  if (gFrameTexture != nullptr) SDL_DestroyTexture(gFrameTexture);
  gFrameTexture = nullptr;
}

void DisplayCompat::setTextFont(uint8_t f) { font_ = f == 0 ? 1 : f; }

void DisplayCompat::setTextColor(uint16_t fg, uint16_t bg) {
  fg_ = fg;
  bg_ = bg;
}

int DisplayCompat::fontScale() const {
  int base = font_ <= 1 ? 1 : (font_ <= 3 ? 2 : 3);
  int scale = base * textSize_;
  return scale < 1 ? 1 : scale;
}

int DisplayCompat::textWidth(const String& s) const {
  long long w = (long long)s.length() * glyphW();
  return w > INT_MAX ? INT_MAX : (int)w;
}

int DisplayCompat::textWidth(const char* s) const {
  if (s == nullptr) return 0;
  long long w = (long long)strlen(s) * glyphW();
  return w > INT_MAX ? INT_MAX : (int)w;
}

void DisplayCompat::fillScreen(uint16_t c) {
  if (!ready()) return;
  sdlSetColor565(c);
  SDL_RenderFillRect(gRenderer, nullptr);
  dirtyRectsAddFull(gDrawn);
}

void DisplayCompat::fillRect(int x, int y, int w, int h, uint16_t c) {
  if (!ready()) return;
  sdlSetColor565(c);
  fillClipped(x, y, w, h);
}

void DisplayCompat::drawRect(int x, int y, int w, int h, uint16_t c) {
  if (!ready() || w <= 0 || h <= 0) return;
  sdlSetColor565(c);
  fillClipped(x, y, w, 1);
  fillClipped(x, (long long)y + h - 1, w, 1);
  fillClipped(x, y, 1, h);
  fillClipped((long long)x + w - 1, y, 1, h);
}

void DisplayCompat::fillRoundRect(int x, int y, int w, int h, int r, uint16_t c) { fillRect(x, y, w, h, c); }

void DisplayCompat::drawRoundRect(int x, int y, int w, int h, int r, uint16_t c) { drawRect(x, y, w, h, c); }

void DisplayCompat::drawFastHLine(int x, int y, int w, uint16_t c) { fillRect(x, y, w, 1, c); }

void DisplayCompat::drawFastVLine(int x, int y, int h, uint16_t c) { fillRect(x, y, 1, h, c); }

void DisplayCompat::drawLine(int x0, int y0, int x1, int y1, uint16_t c) {
  if (!ready()) return;
  x0 = clampLineCoord(x0);
  y0 = clampLineCoord(y0);
  x1 = clampLineCoord(x1);
  y1 = clampLineCoord(y1);
  sdlSetColor565(c);
  if (y0 == y1) {
    fillClipped(x0 < x1 ? x0 : x1, y0, abs(x1 - x0) + 1, 1);
    return;
  }
  if (x0 == x1) {
    fillClipped(x0, y0 < y1 ? y0 : y1, 1, abs(y1 - y0) + 1);
    return;
  }
  // Bresenham over all octants, both end points included.
  std::vector<SDL_Point> points;
  int dx = abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  int dy = -abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0, y = y0;
  for (;;) {
    if (x >= 0 && x < SCREEN_W && y >= 0 && y < SCREEN_H) points.push_back({x, y});
    if (x == x1 && y == y1) break;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  if (!points.empty()) SDL_RenderDrawPoints(gRenderer, points.data(), (int)points.size());
  noteDrawnBox(x0, y0, x1, y1);
}

void DisplayCompat::drawPixel(int x, int y, uint16_t c) {
  if (!ready() || x < 0 || y < 0 || x >= SCREEN_W || y >= SCREEN_H) return;
  sdlSetColor565(c);
  SDL_RenderDrawPoint(gRenderer, x, y);
  dirtyRectsAdd(gDrawn, x, y, 1, 1);
}

void DisplayCompat::drawCircle(int x0, int y0, int r, uint16_t c) {
  if (!ready()) return;
  SDL_Point points[CIRCLE_POINT_COUNT];
  int count = 0;
  for (int i = 0; i < CIRCLE_POINT_COUNT; ++i) {
    double theta = (double)(i * CIRCLE_STEP_DEG) * M_PI / 180.0;
    long long px = (long long)x0 + truncateOffset((double)r * cos(theta));
    long long py = (long long)y0 + truncateOffset((double)r * sin(theta));
    if (px < 0 || py < 0 || px >= SCREEN_W || py >= SCREEN_H) continue;
    points[count++] = {(int)px, (int)py};
  }
  sdlSetColor565(c);
  if (count > 0) SDL_RenderDrawPoints(gRenderer, points, count);
  noteDrawnBox((long long)x0 - r, (long long)y0 - r, (long long)x0 + r, (long long)y0 + r);
}

void DisplayCompat::fillCircle(int x0, int y0, int r, uint16_t c) {
  if (!ready() || r < 0) return;
  sdlSetColor565(c);
  long long rr = (long long)r * r;
  long long first = -(long long)r, last = r;
  if ((long long)y0 + first < 0) first = -(long long)y0;
  if ((long long)y0 + last > SCREEN_H - 1) last = (long long)SCREEN_H - 1 - y0;
  for (long long dy = first; dy <= last; ++dy) {
    long long span = (long long)sqrt((double)(rr - dy * dy));
    while (span * span + dy * dy > rr) --span;
    while ((span + 1) * (span + 1) + dy * dy <= rr) ++span;
    fillClipped((long long)x0 - span, (long long)y0 + dy, 2 * span + 1, 1);
  }
}

void DisplayCompat::pushImage(int x, int y, int w, int h, const uint16_t* data) {
  if (!ready() || data == nullptr || w <= 0 || h <= 0) return;
  noteDrawnBox(x, y, (long long)x + w - 1, (long long)y + h - 1);
  SDL_Texture* tex = SDL_CreateTexture(gRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
  if (tex == nullptr) {
    pushImagePoints(x, y, w, h, data);
    return;
  }
  std::vector<uint32_t> pixels((size_t)w * (size_t)h);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = argbFrom565(data[i]);
  SDL_UpdateTexture(tex, nullptr, pixels.data(), w * (int)sizeof(uint32_t));
  SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_NONE);
  SDL_Rect dst = {x, y, w, h};
  SDL_RenderCopy(gRenderer, tex, nullptr, &dst);
  SDL_DestroyTexture(tex);
}

int DisplayCompat::drawString(const String& text, int x, int y) {
  return drawBytes(text.c_str(), text.length(), x, y);
}

int DisplayCompat::drawString(const char* text, int x, int y) {
  if (text == nullptr) text = "";
  return drawBytes(text, strlen(text), x, y);
}

int DisplayCompat::drawBytes(const char* text, size_t len, int x, int y) {
  if (!ready()) return 0;
  const int gw = glyphW(), gh = glyphH(), scale = fontScale();
  long long wide = (long long)len * gw;
  const int w = wide > INT_MAX ? INT_MAX : (int)wide;
  long long left = x, top = y;
  if (datum_ == 1 || datum_ == 4) left -= w / 2;
  if (datum_ == 2 || datum_ == 5) left -= w;
  if (datum_ >= 3 && datum_ <= 5) top -= gh / 2;
  sdlSetColor565(bg_);
  fillClipped(left, top, wide, gh);
  if (top >= SCREEN_H || top + gh <= 0 || left >= SCREEN_W) return w;
  // Only the glyphs that touch the surface are drawn.
  long long firstIdx = left < 0 ? (-left) / gw : 0;
  long long lastIdx = (SCREEN_W - left) / gw;
  if (lastIdx >= (long long)len) lastIdx = (long long)len - 1;
  static std::vector<SDL_Rect> rects;
  rects.clear();
  for (long long i = firstIdx; i <= lastIdx; ++i) {
    appendGlyphRects(glyphRows((unsigned char)text[i]), (int)(left + i * gw), (int)top, scale, rects);
  }
  sdlSetColor565(fg_);
  if (!rects.empty()) SDL_RenderFillRects(gRenderer, rects.data(), (int)rects.size());
  return w;
}

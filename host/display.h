#pragma once

// The 800 x 480 drawing surface of the firmware (global `tft`): RGB565
// colours, rectangle/line/circle/pixel primitives, image blits and the
// built-in 5 x 7 font in three scales.
//
// Everything is drawn into one 800 x 480 target texture that keeps its
// pixels between presents (partial redraws rely on that); `flush` copies
// the parts drawn since the last present to the window. Nothing is visible
// before a flush.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "host/wstring.h"

static const int SCREEN_W = 800;
static const int SCREEN_H = 480;

// Text anchors for setTextDatum.
static const uint8_t TL_DATUM = 0;  // top left
static const uint8_t TC_DATUM = 1;  // top centre
static const uint8_t TR_DATUM = 2;  // top right
static const uint8_t ML_DATUM = 3;  // middle left
static const uint8_t MC_DATUM = 4;  // middle centre
static const uint8_t MR_DATUM = 5;  // middle right

static const uint16_t TFT_BLACK = 0x0000;
static const uint16_t TFT_WHITE = 0xFFFF;

// Packs 8-bit red, green and blue into RGB565.
uint16_t color565(uint8_t r, uint8_t g, uint8_t b);

// Sets the renderer's draw colour from an RGB565 value (each component
// expanded with integer arithmetic: r5 * 255 / 31, g6 * 255 / 63, b5 * 255 / 31).
void sdlSetColor565(uint16_t c);

class DisplayCompat {
 public:
  // Creates the window and the renderer once, then clears to black and
  // presents. A later call only clears and presents. On failure the surface
  // stays not ready and gDesktopRunning is cleared.
  void init();
  // True when a renderer exists; every drawing call does nothing otherwise.
  bool ready() const;
  // True when init was tried and SDL, the window or the renderer failed.
  bool initFailed() const { return initFailed_; }

  int width() const { return SCREEN_W; }
  int height() const { return SCREEN_H; }
  // The firmware's rotation is not used: the host turns the picture itself
  // (display_rotation and flip_screen, see host/panel_output.h).
  void setRotation(uint8_t r) {}

  // Polls input once and presents what was drawn since the last present
  // (only those rectangles on the software renderer; nothing when nothing
  // was drawn).
  void flush();
  // Copies the whole kept frame to the window without polling input (also
  // used to repaint an exposed window).
  void presentFrame();
  // Forgets the frame texture; called before the renderer is destroyed.
  void releaseFrame();
  // Copies the kept frame as SCREEN_W x SCREEN_H 8-bit RGB triples, row by
  // row; false when the surface is not ready or cannot be read.
  bool readFrameRgb(std::vector<uint8_t>& rgb) const;

  // Font 0 is taken as 1.
  void setTextFont(uint8_t f);
  void setTextColor(uint16_t fg, uint16_t bg);
  void setTextDatum(uint8_t d) { datum_ = d; }
  uint8_t textFont() const { return font_; }
  uint8_t textDatum() const { return datum_; }
  uint16_t textColor() const { return fg_; }
  uint16_t textBgColor() const { return bg_; }

  // 1 for fonts 0 and 1, 2 for fonts 2 and 3, 3 for fonts 4 and above.
  int fontScale() const;
  // Pixel width of one character cell (5 columns and one of spacing).
  int glyphW() const { return 6 * fontScale(); }
  // Pixel height of one character cell.
  int glyphH() const { return 7 * fontScale(); }
  int fontHeight() const { return glyphH(); }
  // Byte length times glyphW(); saturates at INT_MAX instead of wrapping.
  int textWidth(const String& s) const;
  int textWidth(const char* s) const;

  void fillScreen(uint16_t c);
  void fillRect(int x, int y, int w, int h, uint16_t c);
  void drawRect(int x, int y, int w, int h, uint16_t c);
  // The desktop surface draws round rectangles with square corners.
  void fillRoundRect(int x, int y, int w, int h, int r, uint16_t c);
  void drawRoundRect(int x, int y, int w, int h, int r, uint16_t c);
  void drawFastHLine(int x, int y, int w, uint16_t c);
  void drawFastVLine(int x, int y, int h, uint16_t c);
  // Line between both end points, both included.
  void drawLine(int x0, int y0, int x1, int y1, uint16_t c);
  void drawPixel(int x, int y, uint16_t c);
  // 90 points at 4-degree steps, offsets truncated toward zero.
  void drawCircle(int x0, int y0, int r, uint16_t c);
  // Every pixel with dx*dx + dy*dy <= r*r.
  void fillCircle(int x0, int y0, int r, uint16_t c);
  // w x h RGB565 values, row by row; nothing for null data; no transparency.
  void pushImage(int x, int y, int w, int h, const uint16_t* data);

  // Draws the text opaque at the current font, colours and datum; returns
  // its width (0 when the surface is not ready).
  int drawString(const String& text, int x, int y);
  int drawString(const char* text, int x, int y);

 private:
  int drawBytes(const char* text, size_t len, int x, int y);

  uint8_t datum_ = 0;
  uint8_t font_ = 2;
  uint8_t textSize_ = 1;
  uint16_t fg_ = 0xFFFF;
  uint16_t bg_ = 0;
  bool initTried_ = false;
  bool initFailed_ = false;
};

extern DisplayCompat tft;

// Makes the window the render target while SDL's event pump runs, and the
// frame again afterwards. SDL's renderer rescales finger positions from the
// current target's size to the window's viewport; with the 800 x 480 frame
// bound that stretches them whenever the window has another size.
void displayReleaseFrameTarget();
void displayRestoreFrameTarget();

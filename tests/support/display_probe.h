// Brings the display surface up on SDL's offscreen video driver with the
// software renderer and reads pixels of the kept frame back, so drawing
// tests can check exact pixels without a screen.
#pragma once

#include <stdint.h>

#include <vector>

#include "host/wstring.h"
#include "support/golden_image.h"

// Selects the offscreen driver and the software renderer, then runs
// tft.init() on a fresh surface; true when the surface is ready.
bool initOffscreenDisplay();

// One pixel of the kept frame as 0xRRGGBB (0xFF000000 set when unreadable).
uint32_t framePixel(int x, int y);

// The whole 800 x 480 frame, row by row, as 0xRRGGBB values.
std::vector<uint32_t> readFrame();

// An RGB565 colour as the frame shows it (0xRRGGBB), expanded the way the
// surface expands it.
uint32_t rgbOf565(uint16_t c);

// Number of pixels equal to rgb inside the rectangle (clipped to the frame).
int countPixels(const std::vector<uint32_t>& frame, int x, int y, int w, int h, uint32_t rgb);

// The current 800 x 480 frame as an image for compareWithGolden.
GoldenImage currentFrameImage();

// True when drawing text over the frame changes no pixel: the frame already
// shows exactly this text there, in these colours. The datum goes back to
// top-left afterwards.
bool frameShowsText(const String& text, int x, int y, int font, int datum, uint16_t fg, uint16_t bg);

// Touch dispatch: turns pointer samples into taps, scroll gestures and
// swipes and routes each tap to the topmost overlay, the header or the page.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/heard.h"
#include "ui/live_page.h"

// Reads the touch point once and handles taps and gestures.
void handleTouch();
// True while a finger is down (the main cycle keeps its fast pace then).
bool touchPressActive();

static const uint32_t TOUCH_DEBOUNCE_MS = 220;
static const uint32_t TOUCH_HOLD_RELEASE_MS = 1500;
static const int TOUCH_SWIPE_THRESHOLD_PX = 160;
static const int TOUCH_SCROLL_THRESHOLD_PX = 48;
static const int TOUCH_HEADER_LIMIT_Y = 65;
static const int TOUCH_SWIPE_MIN_START_Y = 69;

// True when x <= px < x + w and y <= py < y + h.
bool pointInRect(int px, int py, int x, int y, int w, int h);
// The firmware's touch read: false when not touched (x and y untouched);
// else the point clamped to 0..799 x 0..479, mirrored on both axes when
// cfg.flipScreen is set.
bool getTouchPoint(int16_t& x, int16_t& y);
bool getTouchPoint(int& x, int& y);
// Forgets the current press and the debounce time.
void resetTouchGestureState();

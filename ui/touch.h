// Touch dispatch: turns pointer samples into taps, scroll gestures and
// swipes and routes each tap to the topmost overlay, the header or the page.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/heard.h"

static const uint32_t TOUCH_DEBOUNCE_MS = 220;
static const uint32_t TOUCH_HOLD_RELEASE_MS = 1500;
static const int TOUCH_SWIPE_THRESHOLD_PX = 160;
static const int TOUCH_SCROLL_THRESHOLD_PX = 48;
static const int TOUCH_HEADER_LIMIT_Y = 65;
static const int TOUCH_SWIPE_MIN_START_Y = 69;

// Reads the touch point once and handles taps and gestures. A press taps
// where it began when it is released, or once held past the hold time (then
// again every hold time); a press that switched the watch source by a swipe
// or woke the screensaver never taps.
void handleTouch();
// True when x <= px < x + w and y <= py < y + h.
bool pointInRect(int px, int py, int x, int y, int w, int h);
// True (with the label) when the point lies on a switchable LIVE mode button.
bool liveModeButtonTouchHit(int x, int y, String& label);
// The mode status behind a switchable mode label; null for any other label.
ModeStatus* modeStatusFromTouchLabel(const String& label);
// Asks for confirmation before toggling a mode.
void openModeConfirmPopup(const String& label);
// Forgets the current press and the debounce time.
void resetTouchGestureState();

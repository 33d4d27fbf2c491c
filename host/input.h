#pragma once

// Pointer input: the mouse stands in for the touch panel. The left button
// held down is a touch and the pointer position is the touch point. A
// touchscreen's fingers drive the same state: the first finger down owns the
// touch until it lifts, further fingers are ignored, and the mouse events SDL
// makes from touches (which == SDL_TOUCH_MOUSEID) are dropped so that a tap
// counts once. Every point is mapped from the window to the 800 x 480 frame
// through the picture's scale, letterbox and rotation; a press on the border
// beside the picture is ignored. Input is read by polling SDL's event queue,
// in one of two modes:
//   native (default): left button only, positions clamped to the surface,
//     the mouse captured while the button is held, the cursor sampled with
//     the global mouse state, keys ignored;
//   SDL (QSODECK_DESKTOP_SDL_EVENTS=1): any button, no clamping, Escape or q
//     quits.
// Both detect the window being closed (also SIGINT/SIGTERM, which SDL turns
// into a quit event).

#include <stdint.h>

#include "host/runtime.h"

// Pointer state shared by both readers.
extern int gMouseX;
extern int gMouseY;
extern bool gMouseDown;

// Reads the cursor in window coordinates and the left button's state; false
// when the position cannot be read.
typedef bool (*DesktopCursorSampler)(int* x, int* y, bool* leftDown);

// True when QSODECK_DESKTOP_SDL_EVENTS is exactly "1".
bool desktopSdlEventPollingEnabled();

// Runs the selected reader once; nothing when there is no window.
void desktopPollEventsOnly();

// Drains the event queue with the native rules and samples the cursor.
// Returns false when a close was seen (gDesktopRunning is then cleared).
bool desktopNativePumpMessagesNoSDL();

// Drains the event queue with the plain SDL rules.
void desktopSdlPumpEvents();

// Obtains the native handle of the SDL window once (retried on every pump
// while it fails).
void desktopNativeCaptureWindowHandle();

// Replaces the cursor sampler of the native pump (null restores the global
// mouse state reader). Lets tests drive the sampling step.
void desktopSetCursorSampler(DesktopCursorSampler sampler);

// The touch controller of the board; all state lives in the pointer globals.
class TouchCompat {
 public:
  template <typename... Args>
  bool begin(Args...) {
    return true;
  }
  void setRotation(uint8_t r) {}
  // Polls input once; true while the left button is held.
  bool touched();
  // Polls input once; the pointer position, z = 1 while down else 0.
  TS_Point getPoint();
};

extern TouchCompat ts;

// The touched point: false when not touched (x and y untouched); else the
// point clamped to 0..799 x 0..479 (the firmware's getTouchPoint mirrors it
// for a flipped screen).
bool desktopTouchPoint(int& x, int& y);

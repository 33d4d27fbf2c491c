#include "host/input.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include "host/desktop_main.h"
#include "host/display.h"
#include "host/panel_output.h"
#include "host/trace_log.h"

int gMouseX = 0;
int gMouseY = 0;
bool gMouseDown = false;

TouchCompat ts;

namespace {

// The native pump asked SDL to capture the mouse for the held button.
bool gMouseCaptureHeld = false;
DesktopCursorSampler gCursorSampler = nullptr;
// The previous cursor sample. On X11 the global mouse state is a cache that
// the window system stops refreshing while a button holds the pointer grab,
// so a sample only carries news when it differs from the one before; an
// unchanged one must not undo the newer positions of the event queue.
struct CursorSample {
  bool valid = false;
  int x = 0, y = 0;
  bool leftDown = false;
} gLastCursorSample;
// Window-manager errors already reported, so each distinct text is traced
// once; bounded so that a driver inventing new texts cannot grow it forever.
std::set<std::string> gReportedWmInfoErrors;
const size_t WM_INFO_ERRORS_KEPT = 16;

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

int clampSurfaceX(int x) { return clampInt(x, 0, SCREEN_W - 1); }
int clampSurfaceY(int y) { return clampInt(y, 0, SCREEN_H - 1); }

// The finger that owns the touch (fingers other than the first are ignored
// until it lifts).
struct FingerOwner {
  bool active = false;
  SDL_TouchID touch = 0;
  SDL_FingerID finger = 0;
} gFingerOwner;

// Maps a window point (the centre of window pixel x, y) to the frame and
// stores it clamped as the pointer position; true when it lies on the picture.
bool storeWindowPoint(double x, double y) {
  int fx = 0, fy = 0;
  bool inside = panelWindowPointToFrame(x, y, fx, fy);
  gMouseX = clampSurfaceX(fx);
  gMouseY = clampSurfaceY(fy);
  return inside;
}

// Inside the window but beside the picture (a point outside the window,
// as a captured pointer reports it, is clamped instead).
bool onBorder(double x, double y) {
  int w = SCREEN_W, h = SCREEN_H, fx = 0, fy = 0;
  if (gWindow != nullptr) SDL_GetWindowSize(gWindow, &w, &h);
  const bool inWindow = x >= 0 && y >= 0 && x < w && y < h;
  return inWindow && !panelWindowPointToFrame(x, y, fx, fy);
}

bool storePixel(int x, int y) { return storeWindowPoint(x + 0.5, y + 0.5); }

// Mouse events that SDL made from a touch: the finger events count instead.
bool fromTouch(Uint32 which) { return which == SDL_TOUCH_MOUSEID; }

// The window point of a finger (normalised 0..1 over the window, or over
// the whole panel where the touch carries no window).
void fingerWindowPoint(const SDL_TouchFingerEvent& f, double& x, double& y) {
  int w = SCREEN_W, h = SCREEN_H;
  if (gWindow != nullptr) SDL_GetWindowSize(gWindow, &w, &h);
  x = (double)f.x * w;
  y = (double)f.y * h;
}

bool ownsTouch(const SDL_TouchFingerEvent& f) {
  return gFingerOwner.active && gFingerOwner.touch == f.touchId && gFingerOwner.finger == f.fingerId;
}

// Finger down, motion and up drive the pointer state as the left button
// does; a finger landing on the border is ignored.
void handleFinger(const SDL_Event& e) {
  const SDL_TouchFingerEvent& f = e.tfinger;
  double x = 0, y = 0;
  fingerWindowPoint(f, x, y);
  if (e.type == SDL_FINGERDOWN) {
    if (gFingerOwner.active) return;
    if (onBorder(x, y)) return;
    gFingerOwner = {true, f.touchId, f.fingerId};
    storeWindowPoint(x, y);
    gMouseDown = true;
    return;
  }
  if (!ownsTouch(f)) return;
  storeWindowPoint(x, y);
  if (e.type == SDL_FINGERUP) {
    gMouseDown = false;
    gFingerOwner = FingerOwner();
  }
}

bool isFingerEvent(Uint32 type) {
  return type == SDL_FINGERDOWN || type == SDL_FINGERMOTION || type == SDL_FINGERUP;
}

// Reads the cursor through the global mouse state, relative to the window's
// client area.
bool sampleGlobalCursor(int* x, int* y, bool* leftDown) {
  if (gWindow == nullptr) return false;
  int gx = 0, gy = 0, wx = 0, wy = 0;
  Uint32 buttons = SDL_GetGlobalMouseState(&gx, &gy);
  SDL_GetWindowPosition(gWindow, &wx, &wy);
  *x = gx - wx;
  *y = gy - wy;
  *leftDown = (buttons & SDL_BUTTON_LMASK) != 0;
  return true;
}

// Pointer events count when no window is known yet or they belong to it.
bool belongsToWindow(Uint32 windowId) {
  if (gDesktopHwnd == 0) return true;
  return gWindow != nullptr && windowId == SDL_GetWindowID(gWindow);
}

// An exposed or resized window is repainted from the kept frame.
void repaintOnExpose(const SDL_Event& e) {
  if (e.type != SDL_WINDOWEVENT) return;
  if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
    tft.presentFrame();
  }
}

void nativeLeftPress(const SDL_MouseButtonEvent& b) {
  if (!belongsToWindow(b.windowID) || gFingerOwner.active) return;
  if (onBorder(b.x + 0.5, b.y + 0.5)) return;
  gMouseDown = true;
  storePixel(b.x, b.y);
  if (gDesktopHwnd != 0 && !gMouseCaptureHeld && SDL_CaptureMouse(SDL_TRUE) == 0) {
    gMouseCaptureHeld = true;
  }
}

void nativeLeftRelease(const SDL_MouseButtonEvent& b) {
  if (!belongsToWindow(b.windowID) && !gMouseCaptureHeld) return;
  if (gFingerOwner.active) return;
  gMouseDown = false;
  storePixel(b.x, b.y);
  if (gMouseCaptureHeld) {
    SDL_CaptureMouse(SDL_FALSE);
    gMouseCaptureHeld = false;
  }
}

// Handles one queued event with the native rules; false on a close.
bool nativeHandleEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT: return false;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) return false;
      repaintOnExpose(e);
      return true;
    case SDL_MOUSEMOTION:
      if (belongsToWindow(e.motion.windowID) && !fromTouch(e.motion.which) && !gFingerOwner.active) {
        storePixel(e.motion.x, e.motion.y);
      }
      return true;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT && !fromTouch(e.button.which)) nativeLeftPress(e.button);
      return true;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT && !fromTouch(e.button.which)) nativeLeftRelease(e.button);
      return true;
    default:
      if (isFingerEvent(e.type)) handleFinger(e);
      return true;
  }
}

// Catches what the queue missed (a release outside the window without the
// capture, a press before the window had focus). Only a sample that differs
// from the previous one is applied (see gLastCursorSample).
void nativeSampleCursor() {
  if (gDesktopHwnd == 0 || gFingerOwner.active) return;
  DesktopCursorSampler sampler = gCursorSampler != nullptr ? gCursorSampler : sampleGlobalCursor;
  int x = 0, y = 0;
  bool leftDown = false;
  if (!sampler(&x, &y, &leftDown)) return;
  bool unchanged = gLastCursorSample.valid && gLastCursorSample.x == x && gLastCursorSample.y == y &&
                   gLastCursorSample.leftDown == leftDown;
  gLastCursorSample = {true, x, y, leftDown};
  if (unchanged) return;
  int fx = 0, fy = 0;
  bool inside = panelWindowPointToFrame(x + 0.5, y + 0.5, fx, fy);
  if (inside) {
    gMouseX = fx;
    gMouseY = fy;
    gMouseDown = leftDown;
  } else if (!leftDown) {
    gMouseDown = false;
  }
}

uintptr_t nativeHandleFrom(const SDL_SysWMinfo& info) {
  uintptr_t handle = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) handle = (uintptr_t)info.info.x11.window;
#endif
#if defined(SDL_VIDEO_DRIVER_WAYLAND)
  if (info.subsystem == SDL_SYSWM_WAYLAND) handle = (uintptr_t)info.info.wl.surface;
#endif
  // Other window systems: the window is still known, by its SDL id.
  if (handle == 0) handle = (uintptr_t)SDL_GetWindowID(gWindow);
  return handle;
}

// The plain SDL rules keep positions unclamped (mapped to the frame).
void sdlModeStore(int x, int y) {
  int fx = 0, fy = 0;
  panelWindowPointToFrame(x + 0.5, y + 0.5, fx, fy);
  gMouseX = fx;
  gMouseY = fy;
}

int16_t clampInt16(int v) { return (int16_t)clampInt(v, INT16_MIN, INT16_MAX); }

}  // namespace

bool desktopSdlEventPollingEnabled() {
  const char* v = getenv("QSODECK_DESKTOP_SDL_EVENTS");
  return v != nullptr && strcmp(v, "1") == 0;
}

void desktopPollEventsOnly() {
  if (gWindow == nullptr) return;
  displayReleaseFrameTarget();
  if (desktopSdlEventPollingEnabled()) {
    desktopSdlPumpEvents();
  } else {
    desktopNativePumpMessagesNoSDL();
  }
  displayRestoreFrameTarget();
}

bool desktopNativePumpMessagesNoSDL() {
  desktopNativeCaptureWindowHandle();
  bool keepRunning = true;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (!nativeHandleEvent(e)) keepRunning = false;
  }
  nativeSampleCursor();
  if (!keepRunning) gDesktopRunning = false;
  return keepRunning;
}

void desktopSdlPumpEvents() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT: gDesktopRunning = false; break;
      case SDL_MOUSEMOTION:
        if (!fromTouch(e.motion.which)) sdlModeStore(e.motion.x, e.motion.y);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (fromTouch(e.button.which)) break;
        gMouseDown = e.type == SDL_MOUSEBUTTONDOWN;
        sdlModeStore(e.button.x, e.button.y);
        break;
      case SDL_FINGERDOWN:
      case SDL_FINGERMOTION:
      case SDL_FINGERUP: handleFinger(e); break;
      case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_ESCAPE || e.key.keysym.sym == SDLK_q) gDesktopRunning = false;
        break;
      default: repaintOnExpose(e); break;
    }
  }
}

void desktopNativeCaptureWindowHandle() {
  if (gDesktopHwnd != 0 || gWindow == nullptr) return;
  SDL_SysWMinfo info;
  memset(&info, 0, sizeof(info));
  SDL_VERSION(&info.version);
  SDL_ClearError();
  if (SDL_GetWindowWMInfo(gWindow, &info)) {
    gDesktopHwnd = nativeHandleFrom(info);
    gLastCursorSample = CursorSample();
    desktopTrace("[DESKTOP] native window handle captured for non-SDL message pump.\n");
    return;
  }
  const char* err = SDL_GetError();
  std::string text = err != nullptr ? err : "";
  if (gReportedWmInfoErrors.count(text) != 0) return;
  if (gReportedWmInfoErrors.size() >= WM_INFO_ERRORS_KEPT) return;
  gReportedWmInfoErrors.insert(text);
  desktopTrace("[DESKTOP][WARN] SDL_GetWindowWMInfo failed: %s\n", text.c_str());
}

void desktopSetCursorSampler(DesktopCursorSampler sampler) {
  gCursorSampler = sampler;
  gLastCursorSample = CursorSample();
}

bool TouchCompat::touched() {
  desktopPollEventsOnly();
  return gMouseDown;
}

TS_Point TouchCompat::getPoint() {
  desktopPollEventsOnly();
  return TS_Point(clampInt16(gMouseX), clampInt16(gMouseY), (int16_t)(gMouseDown ? 1 : 0));
}

bool desktopTouchPoint(int& x, int& y) {
  if (!ts.touched()) return false;
  TS_Point p = ts.getPoint();
  x = clampSurfaceX(p.x);
  y = clampSurfaceY(p.y);
  return true;
}

// The pointer-input state machine, driven by synthetic SDL events on the
// offscreen driver, in the native (default) and the plain SDL mode.
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>
#include <stdlib.h>

#include <string>

#include "core/config.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "host/input.h"
#include "support/display_probe.h"
#include "support/x_window.h"
#include "ui/touch.h"

namespace {

void pushMotion(int x, int y, Uint32 windowId = 0) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = windowId;
  e.motion.x = x;
  e.motion.y = y;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void pushButton(bool down, Uint8 button, int x, int y, Uint32 windowId = 0) {
  SDL_Event e;
  SDL_zero(e);
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = windowId;
  e.button.button = button;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.x = x;
  e.button.y = y;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void pushKey(SDL_Keycode key) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void pushSimple(Uint32 type) {
  SDL_Event e;
  SDL_zero(e);
  e.type = type;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

void pushWindowEvent(Uint8 event) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_WINDOWEVENT;
  e.window.event = event;
  e.window.windowID = SDL_GetWindowID(gWindow);
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

// Cursor sampler whose answer the test sets.
struct FakeCursor {
  bool readable = true;
  int x = 0, y = 0;
  bool leftDown = false;
  int calls = 0;
} gFake;

bool fakeSampler(int* x, int* y, bool* leftDown) {
  ++gFake.calls;
  *x = gFake.x;
  *y = gFake.y;
  *leftDown = gFake.leftDown;
  return gFake.readable;
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("QSODECK_DESKTOP_SDL_EVENTS");
    ASSERT_TRUE(initOffscreenDisplay());
    gMouseX = 0;
    gMouseY = 0;
    gMouseDown = false;
    gDesktopRunning = true;
    gDesktopHwnd = 0;
    cfg.flipScreen = false;
    gFake = FakeCursor();
    desktopSetCursorSampler(nullptr);
    desktopPollEventsOnly();  // drain the window's own start-up events
  }
  void TearDown() override {
    desktopSetCursorSampler(nullptr);
    desktopShutdown();
  }
  void sdlMode() { setenv("QSODECK_DESKTOP_SDL_EVENTS", "1", 1); }
  // Pretends the native window handle is known (the offscreen driver has
  // no window-manager information) with a sampler the test controls.
  void capturedWindow() {
    gDesktopHwnd = 1;
    desktopSetCursorSampler(fakeSampler);
  }
  Uint32 windowId() const { return SDL_GetWindowID(gWindow); }
};

}  // namespace

// Native mode: press, drag, release

TEST_F(InputTest, PressDragRelease) {
  pushButton(true, SDL_BUTTON_LEFT, 120, 80);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 120);
  EXPECT_EQ(gMouseY, 80);
  pushMotion(300, 200);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 300);
  EXPECT_EQ(gMouseY, 200);
  pushButton(false, SDL_BUTTON_LEFT, 310, 205);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 310);
  EXPECT_EQ(gMouseY, 205);
}

TEST_F(InputTest, NativeIgnoresOtherButtons) {
  pushButton(true, SDL_BUTTON_RIGHT, 50, 60);
  pushButton(true, SDL_BUTTON_MIDDLE, 50, 60);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 0);
  pushButton(true, SDL_BUTTON_LEFT, 10, 10);
  pushButton(false, SDL_BUTTON_RIGHT, 20, 20);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 10);
}

TEST_F(InputTest, NativeClampsToTheSurface) {
  pushMotion(-50, 900);
  desktopPollEventsOnly();
  EXPECT_EQ(gMouseX, 0);
  EXPECT_EQ(gMouseY, 479);
  pushButton(true, SDL_BUTTON_LEFT, 2000, -3);
  desktopPollEventsOnly();
  EXPECT_EQ(gMouseX, 799);
  EXPECT_EQ(gMouseY, 0);
  pushMotion(INT32_MAX, INT32_MIN);
  desktopPollEventsOnly();
  EXPECT_EQ(gMouseX, 799);
  EXPECT_EQ(gMouseY, 0);
}

TEST_F(InputTest, DragOutKeepsTheTouchUntilRelease) {
  pushButton(true, SDL_BUTTON_LEFT, 700, 240);
  pushMotion(950, 250);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 799);
  EXPECT_EQ(gMouseY, 250);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  pushButton(false, SDL_BUTTON_LEFT, 960, 260);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 799);
  EXPECT_EQ(gMouseY, 260);
}

TEST_F(InputTest, NativeIgnoresKeys) {
  pushKey(SDLK_q);
  pushKey(SDLK_ESCAPE);
  EXPECT_TRUE(desktopNativePumpMessagesNoSDL());
  EXPECT_TRUE(gDesktopRunning);
}

TEST_F(InputTest, NativeReportsQuitAndWindowClose) {
  pushSimple(SDL_QUIT);
  EXPECT_FALSE(desktopNativePumpMessagesNoSDL());
  EXPECT_FALSE(gDesktopRunning);
  gDesktopRunning = true;
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  EXPECT_FALSE(desktopNativePumpMessagesNoSDL());
  EXPECT_FALSE(gDesktopRunning);
  // The close stays visible through gDesktopRunning, not through the pump.
  gDesktopRunning = true;
  EXPECT_TRUE(desktopNativePumpMessagesNoSDL());
}

TEST_F(InputTest, SigtermBecomesANormalClose) {
  raise(SIGTERM);
  EXPECT_FALSE(desktopNativePumpMessagesNoSDL());
  EXPECT_FALSE(gDesktopRunning);
}

TEST_F(InputTest, SigintBecomesANormalCloseInSdlMode) {
  sdlMode();
  raise(SIGINT);
  desktopPollEventsOnly();
  EXPECT_FALSE(gDesktopRunning);
}

// Native mode with a known window

TEST_F(InputTest, CapturedWindowIgnoresPointerEventsOfOtherWindows) {
  capturedWindow();
  gFake.readable = false;
  pushButton(true, SDL_BUTTON_LEFT, 10, 20, windowId() + 7);
  pushMotion(30, 40, windowId() + 7);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 0);
  pushButton(true, SDL_BUTTON_LEFT, 11, 21, windowId());
  pushMotion(31, 41, windowId());
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 31);
  EXPECT_EQ(gMouseY, 41);
}

TEST_F(InputTest, CursorSampleInsideSetsPositionAndButton) {
  capturedWindow();
  gFake.x = 640;
  gFake.y = 400;
  gFake.leftDown = true;
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 640);
  EXPECT_EQ(gMouseY, 400);
  gFake.leftDown = false;
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_GT(gFake.calls, 1);
}

TEST_F(InputTest, CursorSampleOutsideOnlyEndsAReleasedTouch) {
  capturedWindow();
  gFake.x = 100;
  gFake.y = 100;
  gFake.leftDown = true;
  desktopPollEventsOnly();
  ASSERT_TRUE(gMouseDown);
  // Dragged out with the button held: the touch stays at the last inside point.
  gFake.x = 850;
  gFake.y = -20;
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 100);
  EXPECT_EQ(gMouseY, 100);
  // Released outside (the release event was missed): the touch ends.
  gFake.leftDown = false;
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 100);
}

TEST_F(InputTest, UnchangedCursorSampleDoesNotUndoNewerMoves) {
  // X11 stops refreshing the global cursor while the button holds the
  // pointer grab: the same sample comes back for the whole drag.
  capturedWindow();
  gFake.x = 100;
  gFake.y = 100;
  gFake.leftDown = true;
  desktopPollEventsOnly();
  ASSERT_TRUE(gMouseDown);
  pushMotion(300, 200, windowId());
  desktopPollEventsOnly();
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 300);
  EXPECT_EQ(gMouseY, 200);
  pushButton(false, SDL_BUTTON_LEFT, 310, 210, windowId());
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 310);
  // A sample that changes is applied again.
  gFake.x = 400;
  gFake.leftDown = false;
  desktopPollEventsOnly();
  EXPECT_EQ(gMouseX, 400);
  EXPECT_EQ(gMouseY, 100);
}

TEST_F(InputTest, CursorSampleEdgesCountAsInside) {
  capturedWindow();
  gFake.x = 799;
  gFake.y = 479;
  gFake.leftDown = true;
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, 799);
  EXPECT_EQ(gMouseY, 479);
  gFake.x = 800;
  gFake.leftDown = false;
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 799);
}

TEST_F(InputTest, NoSamplingWithoutAWindowHandle) {
  desktopSetCursorSampler(fakeSampler);
  gFake.x = 5;
  gFake.y = 5;
  gFake.leftDown = true;
  desktopPollEventsOnly();
  EXPECT_EQ(gFake.calls, 0);
  EXPECT_FALSE(gMouseDown);
}

TEST(InputWindowManager, WarningOncePerText) {
  ASSERT_TRUE(initOffscreenDisplay());
  gDesktopHwnd = 0;
  testing::internal::CaptureStdout();
  desktopNativePumpMessagesNoSDL();
  desktopNativePumpMessagesNoSDL();
  desktopPollEventsOnly();
  std::string out = testing::internal::GetCapturedStdout();
  uintptr_t handle = gDesktopHwnd;
  desktopShutdown();
  const std::string warn = "[DESKTOP][WARN] SDL_GetWindowWMInfo failed: ";
  size_t first = out.find(warn);
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_EQ(out.find(warn, first + 1), std::string::npos) << out;
  EXPECT_EQ(handle, 0u);
}

// SDL mode

TEST_F(InputTest, SdlModeTakesAnyButtonUnclamped) {
  sdlMode();
  pushButton(true, SDL_BUTTON_RIGHT, -20, 600);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, -20);
  EXPECT_EQ(gMouseY, 600);
  pushMotion(900, -5);
  desktopPollEventsOnly();
  EXPECT_EQ(gMouseX, 900);
  EXPECT_EQ(gMouseY, -5);
  pushButton(false, SDL_BUTTON_MIDDLE, 1, 2);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, 1);
}

TEST_F(InputTest, SdlModeQuitsOnEscapeAndQ) {
  sdlMode();
  pushKey(SDLK_a);
  desktopPollEventsOnly();
  EXPECT_TRUE(gDesktopRunning);
  pushKey(SDLK_ESCAPE);
  desktopPollEventsOnly();
  EXPECT_FALSE(gDesktopRunning);
  gDesktopRunning = true;
  pushKey(SDLK_q);
  desktopPollEventsOnly();
  EXPECT_FALSE(gDesktopRunning);
  gDesktopRunning = true;
  pushSimple(SDL_QUIT);
  desktopPollEventsOnly();
  EXPECT_FALSE(gDesktopRunning);
}

TEST_F(InputTest, OnlyExactlyOneSelectsSdlMode) {
  const char* values[] = {"0", "true", "yes", "11", ""};
  for (const char* v : values) {
    setenv("QSODECK_DESKTOP_SDL_EVENTS", v, 1);
    EXPECT_FALSE(desktopSdlEventPollingEnabled()) << v;
  }
  setenv("QSODECK_DESKTOP_SDL_EVENTS", "1", 1);
  EXPECT_TRUE(desktopSdlEventPollingEnabled());
}

// Touch reads

TEST_F(InputTest, TouchControllerReportsPointerState) {
  EXPECT_FALSE(ts.touched());
  pushButton(true, SDL_BUTTON_LEFT, 12, 34);
  EXPECT_TRUE(ts.touched());
  TS_Point p = ts.getPoint();
  EXPECT_EQ(p.x, 12);
  EXPECT_EQ(p.y, 34);
  EXPECT_EQ(p.z, 1);
  pushButton(false, SDL_BUTTON_LEFT, 12, 34);
  p = ts.getPoint();  // polls again: the point is newer than the touched() test
  EXPECT_EQ(p.z, 0);
}

TEST_F(InputTest, GetTouchPointLeavesArgumentsWhenUntouched) {
  int16_t x = -7, y = -9;
  EXPECT_FALSE(getTouchPoint(x, y));
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, -9);
}

TEST_F(InputTest, GetTouchPointMirrorsForFlipScreen) {
  cfg.flipScreen = true;
  pushButton(true, SDL_BUTTON_LEFT, 0, 0);
  int16_t x = 0, y = 0;
  ASSERT_TRUE(getTouchPoint(x, y));
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 479);
  pushMotion(100, 40);
  int ix = 0, iy = 0;
  ASSERT_TRUE(getTouchPoint(ix, iy));
  EXPECT_EQ(ix, 699);
  EXPECT_EQ(iy, 439);
}

TEST_F(InputTest, GetTouchPointClampsSdlModeCoordinates) {
  sdlMode();
  pushButton(true, SDL_BUTTON_LEFT, -20, 600);
  int x = 0, y = 0;
  ASSERT_TRUE(getTouchPoint(x, y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 479);
  cfg.flipScreen = true;
  ASSERT_TRUE(getTouchPoint(x, y));
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 0);
}

// Window repaint

TEST_F(InputTest, ExposedWindowIsRepaintedFromTheKeptFrame) {
  SDL_Surface* surface = SDL_GetWindowSurface(gWindow);
  ASSERT_NE(surface, nullptr);
  if (surface->format->BytesPerPixel != 4) GTEST_SKIP() << "unexpected window format";
  auto windowPixel = [&](int x, int y) {
    Uint32 raw = ((Uint32*)((Uint8*)surface->pixels + y * surface->pitch))[x];
    Uint8 r, g, b;
    SDL_GetRGB(raw, surface->format, &r, &g, &b);
    return ((uint32_t)r << 16) | ((uint32_t)g << 8) | b;
  };
  tft.fillRect(0, 0, 50, 50, 0xF800);  // drawn but not flushed
  EXPECT_EQ(windowPixel(10, 10), 0u);
  pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  desktopPollEventsOnly();
  EXPECT_EQ(windowPixel(10, 10), 0xFF0000u);
}

// Edge cases

TEST(InputWithoutWindow, PollDoesNothing) {
  ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0);
  gMouseDown = false;
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 5;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  EXPECT_FALSE(ts.touched());
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONDOWN), 1);
  SDL_Quit();
}

// A real window on a private X server, driven with xdotool: the capture of
// the window handle, the mouse capture and the global cursor sampling.

namespace {

// Polls input until pred holds or about three seconds passed.
template <typename Pred>
bool pollUntil(Pred pred) {
  for (int i = 0; i < 300; ++i) {
    desktopPollEventsOnly();
    if (pred()) return true;
    SDL_Delay(10);
  }
  return false;
}

bool xdotool(const std::string& args) { return system(("xdotool " + args + " 2>/dev/null").c_str()) == 0; }

}  // namespace

// Brings the display up on the private X server; the window's position.
bool openX11Display(int& wx, int& wy) {
  unsetenv("QSODECK_DESKTOP_SDL_EVENTS");
  unsetenv("QSODECK_DESKTOP_ACCEL");
  setenv("SDL_VIDEODRIVER", "x11", 1);
  tft = DisplayCompat();
  gDesktopRunning = true;
  gMouseDown = false;
  tft.init();
  if (!tft.ready() || !pollUntil([] { return gDesktopHwnd != 0; })) return false;
  SDL_GetWindowPosition(gWindow, &wx, &wy);
  return wx + SCREEN_W + 20 < 1024;  // room right of the window
}

std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

TEST(InputOnX11, DragInsideTheWindowMovesTheTouch) {
  PrivateXServer x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb not available";
  int wx = 0, wy = 0;
  ASSERT_TRUE(openX11Display(wx, wy));
  ASSERT_TRUE(xdotool("mousemove " + at(wx + 100, wy + 50)));
  ASSERT_TRUE(xdotool("mousedown 1"));
  EXPECT_TRUE(pollUntil([] { return gMouseDown; }));
  // A swipe: the held pointer moves; every later pump must keep the newer
  // position (the window system's cached cursor is stale during the drag).
  ASSERT_TRUE(xdotool("mousemove " + at(wx + 300, wy + 200)));
  EXPECT_TRUE(pollUntil([] { return gMouseX == 300 && gMouseY == 200; }));
  for (int i = 0; i < 10; ++i) desktopPollEventsOnly();
  EXPECT_EQ(gMouseX, 300);
  EXPECT_EQ(gMouseY, 200);
  EXPECT_TRUE(gMouseDown);
  ASSERT_TRUE(xdotool("mouseup 1"));
  EXPECT_TRUE(pollUntil([] { return !gMouseDown; }));
  EXPECT_EQ(gMouseX, 300);
  desktopShutdown();
}

TEST(InputOnX11, FocusedWindowFollowsADragOutToTheEdge) {
  PrivateXServer x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb not available";
  int wx = 0, wy = 0;
  ASSERT_TRUE(openX11Display(wx, wy));
  // Without a window manager nobody gives the window the focus; the mouse
  // capture needs it.
  SDL_SetWindowInputFocus(gWindow);
  ASSERT_TRUE(pollUntil([] { return SDL_GetKeyboardFocus() == gWindow; }));

  ASSERT_TRUE(xdotool("mousemove " + at(wx + 100, wy + 50)));
  ASSERT_TRUE(xdotool("mousedown 1"));
  EXPECT_TRUE(pollUntil([] { return gMouseDown; }));
  EXPECT_EQ(gMouseX, 100);
  EXPECT_EQ(gMouseY, 50);

  // Dragged out to the right with the button held: the captured mouse still
  // reports moves, clamped to the nearest edge; the touch stays down.
  ASSERT_TRUE(xdotool("mousemove " + at(wx + SCREEN_W + 15, wy + 60)));
  EXPECT_TRUE(pollUntil([] { return gMouseY == 60; }));
  EXPECT_EQ(gMouseX, SCREEN_W - 1);
  EXPECT_TRUE(gMouseDown);

  // Released outside: the touch ends, at the clamped release point.
  ASSERT_TRUE(xdotool("mouseup 1"));
  EXPECT_TRUE(pollUntil([] { return !gMouseDown; }));
  EXPECT_EQ(gMouseX, SCREEN_W - 1);
  EXPECT_TRUE(gDesktopRunning);
  // A pointer outside with the button up never starts a touch.
  for (int i = 0; i < 5; ++i) desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  desktopShutdown();
}

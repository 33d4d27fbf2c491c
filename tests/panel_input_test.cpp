// The program on panels of other sizes and turned: fingers (window id 0,
// normalised positions, as a touchscreen under kmsdrm sends them) and the
// mouse reach what is drawn under them, and the presented picture is
// scaled, letterboxed and turned. Offscreen driver, windows resized to the
// panel's size.
#include <gtest/gtest.h>

#include <SDL.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "host/input.h"
#include "host/panel_output.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/test_pointer.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "ui/popups.h"
#include "ui/screensaver.h"
#include "ui/touch.h"

namespace {

// Frame points of what the table taps.
const int HEARD_TAB_X = 220, TAB_Y = 36;
const int LIVE_TAB_X = 20;
const int DMR_BUTTON_X = 100, DMR_BUTTON_Y = 90;
const int SLIDER_MIDDLE_X = 456, SLIDER_Y = 390;
const SDL_FingerID FIRST_FINGER = 7, SECOND_FINGER = 8;

struct PanelCase {
  int w, h, rotation;
  bool flip;
};

// Two panel sizes at each rotation, and flipped panels.
const PanelCase PANELS[] = {
    {1024, 600, 0, false},  {1024, 600, 90, false}, {1024, 600, 180, false}, {1024, 600, 270, false},
    {720, 1280, 0, false},  {720, 1280, 90, false}, {720, 1280, 180, false}, {720, 1280, 270, false},
    {800, 480, 0, true},    {1024, 600, 0, true},
};

class PanelInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    root_ = makeTempDir("/tmp/qsodeck_panel_");
    ASSERT_FALSE(root_.empty());
    SD.setRoot(root_.c_str());  // the slider saves the configuration here
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    gDesktopHwnd = 0;
    now_ = 100000;
    desktopSetTestClock(now_);
    resetTouchGestureState();
    cfg.touchModeSshEnabled = true;
    setupRequired = apModeActive = false;
    screensaverActive = false;
  }
  void TearDown() override {
    desktopClearTestClock();
    desktopShutdown();
    removeTempDir(root_);
  }

  // Applies rotation and flip, then gives the window the panel's size.
  void usePanel(const PanelCase& p) {
    cfg.displayRotation = (uint16_t)p.rotation;
    cfg.flipScreen = p.flip;
    applyDisplaySettings();
    SDL_SetWindowSize(gWindow, p.w, p.h);
    desktopPollEventsOnly();
    int w = 0, h = 0;
    SDL_GetWindowSize(gWindow, &w, &h);
    ASSERT_EQ(w, p.w);
    ASSERT_EQ(h, p.h);
  }

  void advance(uint32_t ms) {
    now_ += ms;
    desktopSetTestClock(now_);
  }

  // Where frame point (fx, fy) is drawn, as a fraction of the window.
  void drawnAt(int fx, int fy, float& nx, float& ny) {
    int w = 0, h = 0;
    SDL_GetWindowSize(gWindow, &w, &h);
    const PanelLayout l = panelLayout(w, h, panelPictureTurn(panelSettings()));
    double x = 0, y = 0;
    panelFrameToOutput(l, fx, fy, x, y);
    nx = (float)(x / w);
    ny = (float)(y / h);
  }

  static void pushFinger(Uint32 type, SDL_FingerID id, float nx, float ny) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = id;
    e.tfinger.x = nx;
    e.tfinger.y = ny;
    e.tfinger.pressure = 1.0f;
    e.tfinger.windowID = 0;  // kmsdrm: the touch carries no window
    // Delivered as SDL's own pump delivers them, with the window as target.
    displayReleaseFrameTarget();
    int pushed = SDL_PushEvent(&e);
    displayRestoreFrameTarget();
    ASSERT_EQ(pushed, 1);
  }

  // The finger on what is drawn at frame point (fx, fy).
  void fingerAt(Uint32 type, int fx, int fy, SDL_FingerID id = FIRST_FINGER) {
    float nx = 0, ny = 0;
    drawnAt(fx, fy, nx, ny);
    pushFinger(type, id, nx, ny);
  }

  void fingerTap(int fx, int fy) {
    advance(300);
    fingerAt(SDL_FINGERDOWN, fx, fy);
    handleTouch();
    advance(20);
    fingerAt(SDL_FINGERUP, fx, fy);
    handleTouch();
  }

  void fingerSwipe(int fromX, int fromY, int toX, int toY) {
    advance(300);
    fingerAt(SDL_FINGERDOWN, fromX, fromY);
    handleTouch();
    advance(50);
    fingerAt(SDL_FINGERMOTION, toX, toY);
    handleTouch();
    fingerAt(SDL_FINGERUP, toX, toY);
    handleTouch();
  }

  uint32_t now_ = 0;
  std::string root_;
};

// A presented picture as the window shows it.
GoldenImage windowImage() {
  GoldenImage image;
  SDL_Surface* s = SDL_GetWindowSurface(gWindow);
  if (s == nullptr || s->format->BytesPerPixel != 4) return image;
  image.width = s->w;
  image.height = s->h;
  image.pixels.resize((size_t)s->w * s->h);
  for (int y = 0; y < s->h; ++y) {
    const Uint32* row = (const Uint32*)((const Uint8*)s->pixels + (size_t)y * s->pitch);
    for (int x = 0; x < s->w; ++x) {
      Uint8 r, g, b;
      SDL_GetRGB(row[x], s->format, &r, &g, &b);
      image.pixels[(size_t)y * s->w + x] = ((uint32_t)r << 16) | ((uint32_t)g << 8) | b;
    }
  }
  return image;
}

}  // namespace

// Seen on real panels: taps, buttons, slider and swipes with one finger

TEST_F(PanelInputTest, FingersReachTabsButtonsSliderAndSwipeOnEveryPanel) {
  for (const PanelCase& p : PANELS) {
    SCOPED_TRACE(testing::Message() << p.w << "x" << p.h << " rotation " << p.rotation << " flip " << p.flip);
    usePanel(p);
    currentPage = PAGE_LIVE;
    fingerTap(HEARD_TAB_X, TAB_Y);
    EXPECT_EQ(currentPage, PAGE_LAST);
    advance(300);  // a long press acts while the finger is still down
    fingerAt(SDL_FINGERDOWN, LIVE_TAB_X, TAB_Y);
    handleTouch();
    advance(1600);
    handleTouch();
    EXPECT_EQ(currentPage, PAGE_LIVE);
    fingerAt(SDL_FINGERUP, LIVE_TAB_X, TAB_Y);
    handleTouch();

    modeDMR.known = modeDMR.enabled = true;
    fingerTap(DMR_BUTTON_X, DMR_BUTTON_Y);
    EXPECT_TRUE(modeConfirmPopupOpen);
    modeConfirmPopupOpen = false;

    currentPage = PAGE_STATUS;
    cfg.brightness = 0;
    fingerTap(SLIDER_MIDDLE_X, SLIDER_Y);
    EXPECT_EQ(cfg.brightness, 127);

    currentPage = PAGE_LIVE;
    currentWatchSource = WATCH_MMDVM;
    cfg.weatherEnabled = true;
    fingerSwipe(500, 300, 290, 310);
    EXPECT_EQ(currentWatchSource, WATCH_WEATHER);
    cfg.weatherEnabled = false;
    currentWatchSource = WATCH_MMDVM;
    EXPECT_FALSE(gMouseDown);
  }
}

TEST_F(PanelInputTest, WithARotationFlipOnlyMirrorsTouches) {
  usePanel({480, 800, 90, true});
  currentPage = PAGE_LIVE;
  fingerTap(SCREEN_W - 1 - HEARD_TAB_X, SCREEN_H - 1 - TAB_Y);
  EXPECT_EQ(currentPage, PAGE_LAST);
}

// Touchscreens under X11 and Wayland: each tap also arrives as mouse events

TEST_F(PanelInputTest, MouseEventsMadeFromATouchCountOnce) {
  usePanel({1024, 600, 0, false});
  // Alone they do nothing.
  pushPointerEvent(SDL_MOUSEBUTTONDOWN, 500, 300, SDL_TOUCH_MOUSEID);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  // With the finger: one press, one release, at the finger's place.
  currentPage = PAGE_LIVE;
  advance(300);
  fingerAt(SDL_FINGERDOWN, HEARD_TAB_X, TAB_Y);
  pushPointerEvent(SDL_MOUSEBUTTONDOWN, 900, 500, SDL_TOUCH_MOUSEID);
  handleTouch();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, HEARD_TAB_X);
  advance(20);
  fingerAt(SDL_FINGERUP, HEARD_TAB_X, TAB_Y);
  pushPointerEvent(SDL_MOUSEBUTTONUP, 900, 500, SDL_TOUCH_MOUSEID);
  handleTouch();
  EXPECT_EQ(currentPage, PAGE_LAST);
  EXPECT_FALSE(gMouseDown);
  EXPECT_EQ(gMouseX, HEARD_TAB_X);
  EXPECT_EQ(gMouseY, TAB_Y);
}

TEST_F(PanelInputTest, TheFirstFingerOwnsTheTouchUntilItLifts) {
  usePanel({720, 1280, 90, false});
  currentPage = PAGE_LIVE;
  advance(300);
  fingerAt(SDL_FINGERDOWN, HEARD_TAB_X, TAB_Y);
  handleTouch();
  fingerAt(SDL_FINGERDOWN, 500, TAB_Y, SECOND_FINGER);
  fingerAt(SDL_FINGERMOTION, 510, TAB_Y, SECOND_FINGER);
  fingerAt(SDL_FINGERUP, 510, TAB_Y, SECOND_FINGER);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, HEARD_TAB_X);
  advance(20);
  fingerAt(SDL_FINGERUP, HEARD_TAB_X, TAB_Y);
  handleTouch();
  EXPECT_EQ(currentPage, PAGE_LAST);
  fingerAt(SDL_FINGERDOWN, LIVE_TAB_X, TAB_Y, SECOND_FINGER);  // now it may own it
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
}

// Edge cases: the borders beside the picture

TEST_F(PanelInputTest, TapsOnTheBordersAreIgnored) {
  usePanel({1024, 600, 0, false});  // 12-pixel borders left and right
  pushFinger(SDL_FINGERDOWN, FIRST_FINGER, 5.0f / 1024, 0.5f);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  pushPointerEvent(SDL_MOUSEBUTTONDOWN, 1020, 300);
  desktopPollEventsOnly();
  EXPECT_FALSE(gMouseDown);
  // A press on the picture, dragged onto the border, stays at the edge.
  pushPointerEvent(SDL_MOUSEBUTTONDOWN, 1000, 300);
  pushPointerEvent(SDL_MOUSEMOTION, 1023, 300);
  desktopPollEventsOnly();
  EXPECT_TRUE(gMouseDown);
  EXPECT_EQ(gMouseX, SCREEN_W - 1);
}

// Golden frames of the presented picture

TEST_F(PanelInputTest, PortraitPictureIsTurnedUpright) {
  setUiTimeOverride(1765204200);
  setFooterText("Desktop: http://127.0.0.1/", false);
  usePanel({480, 800, 90, false});
  currentPage = PAGE_LAST;
  redrawCurrentPage(true);
  tft.presentFrame();
  GoldenImage picture = windowImage();
  ASSERT_EQ(picture.width, 480);
  ASSERT_EQ(picture.height, 800);
  GoldenResult result = compareWithGolden("panel_rotation_90", picture);
  EXPECT_TRUE(result.ok) << result.message;
  setUiTimeOverride(0);
}

// A smoothly scaled page has more shades than a palette image holds: the
// frame here is an outline with a text, enough to show the scale, the
// filter and the borders in the theme background.
TEST_F(PanelInputTest, LetterboxedPictureIsCentredBetweenBorders) {
  usePanel({1024, 600, 0, false});
  tft.fillScreen(theme.panel);
  tft.drawRect(0, 0, SCREEN_W, SCREEN_H, theme.accent);
  tft.setTextFont(4);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(TFT_WHITE, theme.panel);
  tft.drawString("1024 x 600", SCREEN_W / 2, SCREEN_H / 2);
  tft.presentFrame();
  GoldenImage picture = windowImage();
  ASSERT_EQ(picture.width, 1024);
  ASSERT_EQ(picture.height, 600);
  const uint32_t border = rgbOf565(theme.bg);
  EXPECT_EQ(picture.pixels[300 * 1024 + 11], border);
  EXPECT_EQ(picture.pixels[300 * 1024 + 1012], border);
  EXPECT_NE(picture.pixels[300 * 1024 + 12], border);
  GoldenResult result = compareWithGolden("panel_letterbox_1024x600", picture);
  EXPECT_TRUE(result.ok) << result.message;
  // A later partial redraw reaches the window scaled like the whole frame.
  tft.fillRect(100, 100, 20, 20, 0xF800);
  tft.flush();
  picture = windowImage();
  EXPECT_EQ(picture.pixels[(size_t)(110 * 5 / 4) * 1024 + 12 + 110 * 5 / 4], 0xFF0000u);
  EXPECT_EQ(picture.pixels[(size_t)(110 * 5 / 4) * 1024 + 110], rgbOf565(theme.panel));
}

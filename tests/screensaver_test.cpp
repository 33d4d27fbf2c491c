// Screensaver state and picture, boot splash and brightness.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "core/app.h"
#include "core/config.h"
#include "core/night_mode.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/input.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "hotspot/on_air.h"
#include "support/display_probe.h"
#include "ui/page_frame.h"
#include "ui/popups.h"
#include "ui/screensaver.h"
#include "ui/touch.h"

namespace {

class ScreensaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultTheme();
    screensaverActive = false;
    desktopSetTestClock(1000);
    shownHeardList().live = HeardRecord();
    closeDetailPopup();
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(0);
  }
  void TearDown() override { desktopClearTestClock(); }
};

// State
TEST_F(ScreensaverTest, ActivatingClosesDetailPopupAndResetsTick) {
  detailPopupOpen = true;
  selectedHeardIndex = 2;
  lastScreensaverFrameMillis = 1234;
  uiDirty = footerDirty = false;
  setScreensaverActive(true);
  EXPECT_TRUE(screensaverActive);
  EXPECT_FALSE(detailPopupOpen);
  EXPECT_EQ(-1, selectedHeardIndex);
  EXPECT_EQ(0u, lastScreensaverFrameMillis);
  EXPECT_TRUE(uiDirty);
  EXPECT_TRUE(footerDirty);
  uiDirty = false;
  setScreensaverActive(true);  // unchanged: nothing happens
  EXPECT_FALSE(uiDirty);
}

TEST_F(ScreensaverTest, ActivityWakesTheScreen) {
  setScreensaverActive(true);
  desktopSetTestClock(7777);
  uiDirty = false;
  noteScreenActivity(false);
  EXPECT_FALSE(screensaverActive);
  EXPECT_EQ(7777u, lastInteractionMillis);
  EXPECT_TRUE(uiDirty);
}

TEST_F(ScreensaverTest, FooterActivityCountsOnlyWhenAsked) {
  lastInteractionMillis = 0;
  desktopSetTestClock(5000);
  setFooterText("quiet", false);
  EXPECT_EQ(0u, lastInteractionMillis);
  setFooterText("loud", true);
  EXPECT_EQ(5000u, lastInteractionMillis);
  desktopSetTestClock(6000);
  footerDirty = false;
  setFooterText("loud", true);  // unchanged: no repaint, no activity
  EXPECT_FALSE(footerDirty);
  EXPECT_EQ(5000u, lastInteractionMillis);
}

// Main cycle: timeout, minute tick and waking by touch (UI-only passes)
bool gCursorDown = false;
int gCursorX = 0, gCursorY = 0;
bool cursorSampler(int* x, int* y, bool* leftDown) {
  *x = gCursorX;
  *y = gCursorY;
  *leftDown = gCursorDown;
  return true;
}

class ScreensaverCycleTest : public ScreensaverTest {
 protected:
  void SetUp() override {
    ScreensaverTest::SetUp();
    if (IsSkipped()) return;
    setenv("QSODECK_DESKTOP_NETWORK", "0", 1);
    setenv("TZ", "UTC", 1);
    tzset();
    setUiTimeOverride(1765204200);
    desktopSetCursorSampler(cursorSampler);
    resetTouchGestureState();
    cfg.flipScreen = false;
    cfg.screensaverEnabled = true;
    cfg.screensaverTimeoutMs = 5000;
    cfg.wxscreensaverEnabled = false;
    currentPage = PAGE_LIVE;
    setupRequired = apModeActive = false;
    lastInteractionMillis = 100000;
    lastScreensaverFrameMillis = 0;
  }
  void TearDown() override {
    desktopSetCursorSampler(nullptr);
    setUiTimeOverride(0);
    ScreensaverTest::TearDown();
  }
  void passAt(uint32_t t) {
    desktopSetTestClock(t);
    loop();
  }
  void pointer(bool down, int x, int y) {
    SDL_Event e;
    SDL_zero(e);
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
    gCursorDown = down;
    gCursorX = x;
    gCursorY = y;
  }
};

TEST_F(ScreensaverCycleTest, StartsAtTheTimeoutAndRedrawsOnTheMinuteTick) {
  passAt(104999);
  EXPECT_FALSE(screensaverActive);
  passAt(105000);
  ASSERT_TRUE(screensaverActive);
  EXPECT_EQ(105000u, lastScreensaverFrameMillis);
  EXPECT_EQ(0u, framePixel(45, 100));  // the picture is on screen
  tft.drawPixel(5, 5, 0xF800);
  for (uint32_t t = 106000; t < 165000; t += 1000) passAt(t);
  EXPECT_EQ(rgbOf565(0xF800), framePixel(5, 5)) << "redrawn before the minute was up";
  passAt(165000);
  EXPECT_EQ(165000u, lastScreensaverFrameMillis);
  EXPECT_EQ(0u, framePixel(5, 5)) << "no redraw on the minute tick";
}

TEST_F(ScreensaverCycleTest, DisabledScreensaverNeverStarts) {
  cfg.screensaverEnabled = false;
  for (uint32_t t = 100000; t < 400000; t += 10000) passAt(t);
  EXPECT_FALSE(screensaverActive);
}

TEST_F(ScreensaverCycleTest, TouchOnlyWakesAndTheIdleTimeStartsAgain) {
  passAt(105000);
  ASSERT_TRUE(screensaverActive);
  pointer(true, 15 + 145 + 60, 36);  // on the HEARD tab
  passAt(106000);
  EXPECT_FALSE(screensaverActive);
  passAt(106050);
  pointer(false, 15 + 145 + 60, 36);
  passAt(106100);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  EXPECT_EQ(rgbOf565(theme.tabActive), framePixel(15 + 10, 12 + 10));  // LIVE tab lit
  passAt(110999);                                                      // idle since the waking touch
  EXPECT_FALSE(screensaverActive);
  passAt(111000);
  EXPECT_TRUE(screensaverActive);
}

// Picture
TEST_F(ScreensaverTest, UnchangedPictureIsNotRedrawn) {
  drawScreensaver(true);
  tft.drawPixel(5, 5, 0xF800);
  drawScreensaver(false);
  EXPECT_EQ(rgbOf565(0xF800), framePixel(5, 5));
  desktopSetTestClock(1000 + 12000);  // the drift moves every 12 s
  drawScreensaver(false);
  EXPECT_EQ(0u, framePixel(5, 5));
}

TEST_F(ScreensaverTest, LongTargetIsCutTo24Characters) {
  shownHeardList().live.callsign = "DL1ABC";
  shownHeardList().live.mode = "DSTAR";
  shownHeardList().live.target = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";  // 30 characters
  shownHeardList().live.valid = true;
  const uint32_t t = 30000;
  desktopSetTestClock(t);
  drawScreensaver(true);
  const int driftX = 2 * (5 * (int)((t / 12000) % 5) - 10);
  const int driftY = 6 * (int)((t / 24000) % 5) - 12;
  const int badgeX = 90 + driftX;
  const int textX = badgeX + 25 + 57;
  const int top = 356 + driftY + 59 - 7;
  std::vector<uint32_t> f = readFrame();
  const uint32_t text = rgbOf565(theme.text);
  EXPECT_GT(countPixels(f, textX + 23 * 12, top, 12, 14, text), 0);  // "~"
  EXPECT_EQ(0, countPixels(f, textX + 24 * 12, top - 8, 200, 30, text));
}

// Boot splash
TEST_F(ScreensaverTest, BootProgressIsClamped) {
  drawBootSplash("BOOT", 150, 3);
  EXPECT_EQ(100, bootLastProgress);
  EXPECT_TRUE(bootSplashReady);
  // The whole bar is filled (the scan line excepted).
  EXPECT_EQ(rgbOf565(theme.accent), framePixel(709, 418));
  drawBootSplash("BOOT", -5, 4);
  EXPECT_EQ(0, bootLastProgress);
  EXPECT_EQ(rgbOf565(theme.bg), framePixel(500, 418));
}

TEST_F(ScreensaverTest, AnimatedStepDrawsTargetProgress) {
  animateBootProgress("CONFIG LOADED", 38, 20, 18);  // raised to 38
  EXPECT_EQ(38, bootLastProgress);
  EXPECT_EQ(String("CONFIG LOADED"), bootLastStatus);
}

// Brightness
TEST_F(ScreensaverTest, BrightnessFromTouch) {
  setBrightnessFromTouchX(100);
  EXPECT_EQ(0, cfg.brightness);
  setBrightnessFromTouchX(280);
  EXPECT_EQ(0, cfg.brightness);
  setBrightnessFromTouchX(632);
  EXPECT_EQ(255, cfg.brightness);
  setBrightnessFromTouchX(799);
  EXPECT_EQ(255, cfg.brightness);
}

TEST_F(ScreensaverTest, SliderKnobFollowsBrightness) {
  cfg.brightness = 128;
  drawBrightnessSlider();
  EXPECT_EQ(rgbOf565(theme.warn), framePixel(456, 394));
  EXPECT_EQ(rgbOf565(theme.warn), framePixel(466, 394));
  EXPECT_NE(rgbOf565(theme.warn), framePixel(467, 394));
  EXPECT_EQ(rgbOf565(theme.accent), framePixel(300, 390));
}

}  // namespace

// Night: the screensaver comes after 15 s even when switched off for the
// day, dims to the night level and shows the night face; a touch brings the
// pages back at the day brightness.
namespace {
time_t nightClockAt23() { return 1765234800; }  // 08 Dec 2025 23:00 UTC
}  // namespace

TEST_F(ScreensaverCycleTest, NightScreensaverDimsAndATouchBrightensUntilTheNightTimeout) {
  cfg.screensaverEnabled = false;
  cfg.nightMode = "schedule";
  cfg.timezoneTz = "UTC0";
  cfg.brightness = 200;
  cfg.nightBrightness = 10;
  setNightClock(nightClockAt23);
  nightConfigApplied();
  passAt(100000);
  ASSERT_TRUE(nightActive);
  passAt(114999);
  EXPECT_FALSE(screensaverActive);
  EXPECT_EQ(backlightLevelNow(), 200);
  passAt(115000);
  ASSERT_TRUE(screensaverActive);
  EXPECT_EQ(backlightLevelNow(), 10);
  // The night face: dark, nothing brighter than a third of full scale.
  std::vector<uint32_t> f = readFrame();
  uint32_t brightest = 0;
  for (uint32_t p : f) {
    for (int shift = 0; shift <= 16; shift += 8) brightest = std::max(brightest, (p >> shift) & 0xFFu);
  }
  EXPECT_GT(brightest, 0u) << "nothing drawn";
  EXPECT_LT(brightest, 96u);
  pointer(true, 400, 240);
  passAt(116000);
  EXPECT_FALSE(screensaverActive);
  EXPECT_EQ(backlightLevelNow(), 200);
  pointer(false, 400, 240);
  passAt(116100);
  passAt(130999);
  EXPECT_FALSE(screensaverActive);
  passAt(131000);
  EXPECT_TRUE(screensaverActive);
  EXPECT_EQ(backlightLevelNow(), 10);
  // A new call wakes the screen the same way.
  noteNewTransmission(WATCH_MMDVM);
  EXPECT_FALSE(screensaverActive);
  EXPECT_EQ(backlightLevelNow(), 200);
  setNightClock(nullptr);
}

// Touch dispatch driven by synthetic pointer samples through the program's
// own input reader, with a controllable clock.
#include <gtest/gtest.h>

#include <SDL.h>
#include <stdlib.h>
#include <filesystem>

#include "actions/remote_actions.h"
#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/board_stubs.h"
#include "host/input.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "support/display_probe.h"
#include "support/temp_files.h"
#include "support/test_pointer.h"
#include "ui/heard_page.h"
#include "ui/page_frame.h"
#include "ui/popups.h"
#include "ui/screensaver.h"
#include "ui/touch.h"

namespace {

class TouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultTheme();
    root_ = makeTempDir("/tmp/qsodeck_card_");
    ASSERT_FALSE(root_.empty());
    SD.setRoot(root_.c_str());  // the brightness tap saves the configuration here
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    installTestPointer();
    now_ = 100000;
    desktopSetTestClock(now_);
    resetTouchGestureState();
    cfg.flipScreen = false;
    cfg.touchModeSshEnabled = true;
    cfg.svxlinkEnabled = cfg.aprsEnabled = cfg.weatherEnabled = false;
    cfg.hamqslEnabled = cfg.adsbEnabled = false;
    for (auto& slot : cfg.quickActions) slot = QuickActionSlotConfig();
    currentPage = PAGE_LIVE;
    currentWatchSource = WATCH_MMDVM;
    setupRequired = apModeActive = false;
    screensaverActive = false;
    closeDetailPopup();
    modeConfirmPopupOpen = quickActionPopupOpen = watchSourcePopupOpen = false;
    modeDMR = ModeStatus();
    setFooterText("", false);
    release();
    uiDirty = false;
  }
  void TearDown() override {
    removeTestPointer();
    desktopClearTestClock();
    removeTempDir(root_);
  }

  void advance(uint32_t ms) {
    now_ += ms;
    desktopSetTestClock(now_);
  }
  void sample(int x, int y) {
    testPointerDown(x, y);
    handleTouch();
  }
  void release() {
    testPointerUp();
    handleTouch();
  }
  // A press and release with time around it, past the debounce.
  void tap(int x, int y) {
    advance(300);
    sample(x, y);
    advance(20);
    release();
  }
  void fillHeard(int n) {
    for (int i = 0; i < MAX_HEARD; ++i) shownHeardList().records[i] = HeardRecord();
    for (int i = 0; i < n; ++i) {
      shownHeardList().records[i].callsign = String("DL") + String(i) + "AB";
      shownHeardList().records[i].mode = "DMR";
      shownHeardList().records[i].valid = true;
    }
    shownHeardList().count = n;
  }

  uint32_t now_ = 0;
  std::string root_;
};

// Seen in real use
TEST_F(TouchTest, TabsSwitchPages) {
  tap(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LAST, currentPage);
  EXPECT_TRUE(uiDirty);
  tap(15 + 290 + 60, 36);
  EXPECT_EQ(PAGE_STATUS, currentPage);
  tap(15 + 435 + 60, 36);
  EXPECT_EQ(PAGE_INFO, currentPage);
  tap(20, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  EXPECT_EQ(now_, lastInteractionMillis);
}

TEST_F(TouchTest, TabGapDoesNothingAndTabEdgeHits) {
  currentPage = PAGE_STATUS;
  tap(155, 36);
  EXPECT_EQ(PAGE_STATUS, currentPage);
  tap(15 + 134, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);
}

TEST_F(TouchTest, ClockBoxOpensAbout) {
  tap(700, 36);
  EXPECT_EQ(PAGE_ABOUT, currentPage);
}

TEST_F(TouchTest, PressActsOnReleaseOnceAndDebounce) {
  advance(300);
  sample(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);  // still down: it may become a swipe
  advance(100);
  sample(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  release();
  EXPECT_EQ(PAGE_LAST, currentPage);
  EXPECT_EQ(now_, lastInteractionMillis);
  currentPage = PAGE_LIVE;
  handleTouch();  // no touch: nothing more
  EXPECT_EQ(PAGE_LIVE, currentPage);
  advance(50);
  sample(15 + 145 + 60, 36);  // a new press ending within 220 ms of the last tap
  advance(50);
  release();
  EXPECT_EQ(PAGE_LIVE, currentPage);
  advance(300);
  sample(15 + 145 + 60, 36);
  advance(50);
  release();
  EXPECT_EQ(PAGE_LAST, currentPage);
}

TEST_F(TouchTest, PressActsWhereItBegan) {
  advance(300);
  sample(15 + 145 + 60, 36);  // HEARD tab
  advance(40);
  sample(15 + 290 + 60, 40);  // slid onto the STATUS tab, far from a swipe
  advance(40);
  release();
  EXPECT_EQ(PAGE_LAST, currentPage);
}

TEST_F(TouchTest, PressStartHoldsThePollBack) {
  lastInteractionMillis = 0;
  advance(300);
  sample(500, 300);
  EXPECT_EQ(now_, lastInteractionMillis);
}

TEST_F(TouchTest, HeldPressActsAfterHoldTimeAndRepeats) {
  advance(300);
  sample(15 + 145 + 60, 36);
  advance(1400);
  sample(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  advance(200);
  sample(15 + 145 + 60, 36);  // held beyond 1.5 s: acts without a release
  EXPECT_EQ(PAGE_LAST, currentPage);
  currentPage = PAGE_LIVE;
  advance(1400);
  sample(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  advance(200);
  sample(15 + 145 + 60, 36);  // and again about every 1.5 s
  EXPECT_EQ(PAGE_LAST, currentPage);
  currentPage = PAGE_LIVE;
  advance(100);
  release();  // the release of a press that has acted adds nothing
  EXPECT_EQ(PAGE_LIVE, currentPage);
}

// Mode buttons and popups
TEST_F(TouchTest, UnknownModeCannotBeToggled) {
  tap(100, 90);
  EXPECT_EQ(String("Cannot toggle DMR because its current state is unknown."), footerText);
  EXPECT_FALSE(modeConfirmPopupOpen);
}

TEST_F(TouchTest, KnownModeOpensConfirmationAndNoCloses) {
  modeDMR.known = modeDMR.enabled = true;
  tap(100, 90);
  ASSERT_TRUE(modeConfirmPopupOpen);
  EXPECT_EQ(String("DMR"), modeConfirmTargetLabel);
  EXPECT_FALSE(modeConfirmEnableRequested);
  tap(20, 36);  // the header is unreachable while the popup is open
  EXPECT_FALSE(modeConfirmPopupOpen);
  EXPECT_EQ(PAGE_LIVE, currentPage);
}

TEST_F(TouchTest, PocsagHasNoTarget) {
  tap(300, 190);
  EXPECT_EQ(String(""), footerText);
  EXPECT_FALSE(modeConfirmPopupOpen);
}

TEST_F(TouchTest, TouchModeControlMustBeEnabled) {
  cfg.touchModeSshEnabled = false;
  modeDMR.known = true;
  tap(100, 90);
  EXPECT_EQ(String("Enable touch SSH mode control in the config page first."), footerText);
}

TEST_F(TouchTest, LauncherWithoutPresetsSaysSo) {
  tap(290, 400);  // inside the wider hit area, left of the drawn box
  EXPECT_EQ(String("No quick actions are configured yet."), footerText);
  EXPECT_FALSE(quickActionPopupOpen);
}

TEST_F(TouchTest, EmptyPresetSlotKeepsLauncherOpen) {
  cfg.quickActions[0].enabled = true;
  cfg.quickActions[0].label = "Reboot";
  cfg.quickActions[0].command = "sudo reboot";
  tap(400, 400);
  ASSERT_TRUE(quickActionPopupOpen);
  tap(412 + 100, 180 + 20);  // slot 1, empty
  EXPECT_TRUE(quickActionPopupOpen);
  EXPECT_EQ(String("Preset slot is empty."), footerText);
  tap(20, 20);  // outside every slot
  EXPECT_FALSE(quickActionPopupOpen);
}

// Stand-in transport for the taps that start a remote task: every command
// succeeds at once.
DesktopSshResult commandSucceeds(const DesktopSshRequest&) {
  DesktopSshResult r;
  r.outcome = DesktopSshOutcome::OK;
  r.exitStatus = 0;
  return r;
}

// Waits for the background task to post its result (at most 5 s).
bool waitForTaskResult(const std::atomic<bool>& done) {
  for (int i = 0; i < 5000 && !done.load(); ++i) SDL_Delay(1);
  return done.load();
}

TEST_F(TouchTest, ConfirmedModeToggleStartsTheTask) {
  setRemoteCommandRunner(commandSucceeds);
  modeDMR.known = true;
  modeDMR.enabled = false;
  tap(100, 90);
  ASSERT_TRUE(modeConfirmPopupOpen);
  EXPECT_TRUE(modeConfirmEnableRequested);
  tap(155 + 100, 260 + 28);  // NO
  EXPECT_FALSE(modeConfirmPopupOpen);
  EXPECT_EQ(String(""), footerText);
  tap(100, 90);
  ASSERT_TRUE(modeConfirmPopupOpen);
  uiDirty = false;
  tap(435 + 100, 260 + 28);  // YES: the toggle runs in the background
  EXPECT_FALSE(modeConfirmPopupOpen);
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(String("DMR: enabling..."), footerText);
  ASSERT_TRUE(waitForTaskResult(modeToggleTaskDone));
  EXPECT_FALSE(modeDMR.enabled);  // only the main cycle applies the result
  processModeToggleTaskResult();
  EXPECT_EQ(String("DMR enabled via SSH."), footerText);
  EXPECT_TRUE(modeDMR.enabled);
  EXPECT_TRUE(desktopWaitForTasks(5000));
  setRemoteCommandRunner(nullptr);
}

TEST_F(TouchTest, PresetWaitsForARunningSshAction) {
  cfg.quickActions[0].enabled = true;
  cfg.quickActions[0].label = "Reboot";
  cfg.quickActions[0].command = "sudo reboot";
  tap(400, 400);
  ASSERT_TRUE(quickActionPopupOpen);
  modeToggleTaskRunning = true;  // as while a toggle runs on the board
  tap(122 + 100, 180 + 20);
  modeToggleTaskRunning = false;
  EXPECT_FALSE(quickActionPopupOpen);
  EXPECT_EQ(String("Wait for the current SSH action to finish."), footerText);
  EXPECT_FALSE(quickActionTaskRunning);
}

TEST_F(TouchTest, ConfiguredPresetStartsTheTask) {
  setRemoteCommandRunner(commandSucceeds);
  cfg.pistarHost = "127.0.0.1";
  cfg.quickActions[2].enabled = true;
  cfg.quickActions[2].label = "Reboot";
  cfg.quickActions[2].command = "sudo reboot";
  tap(400, 400);
  ASSERT_TRUE(quickActionPopupOpen);
  tap(122 + 100, 180 + 68 + 20);  // slot 2, bottom left
  EXPECT_FALSE(quickActionPopupOpen);
  EXPECT_EQ(String("Reboot: running..."), footerText);
  ASSERT_TRUE(waitForTaskResult(quickActionTaskDone));
  processQuickActionTaskResult();
  EXPECT_EQ(String("Reboot completed."), footerText);
  EXPECT_TRUE(desktopWaitForTasks(5000));
  setRemoteCommandRunner(nullptr);
}

TEST_F(TouchTest, LauncherCloseAreaCloses) {
  cfg.quickActions[0].enabled = true;
  cfg.quickActions[0].label = "Reboot";
  cfg.quickActions[0].command = "sudo reboot";
  tap(400, 400);
  ASSERT_TRUE(quickActionPopupOpen);
  tap(282 + 10, 308 + 10);
  EXPECT_FALSE(quickActionPopupOpen);
  EXPECT_EQ(String(""), footerText);
}

// HEARD page
TEST_F(TouchTest, HeardRowOpensDetailAndAnyTapCloses) {
  fillHeard(6);
  currentPage = PAGE_LAST;
  tap(400, 208 + 56 + 10);
  ASSERT_TRUE(detailPopupOpen);
  EXPECT_EQ(1, selectedHeardIndex);
  tap(400, 300);
  EXPECT_FALSE(detailPopupOpen);
  EXPECT_EQ(-1, selectedHeardIndex);
}

TEST_F(TouchTest, HeardPagingFilterAndSort) {
  fillHeard(6);
  currentPage = PAGE_LAST;
  lastHeardPageIndex = 0;
  tap(60, 170);  // previous on the first page
  EXPECT_EQ(0, lastHeardPageIndex);
  tap(730, 170);
  EXPECT_EQ(1, lastHeardPageIndex);
  tap(730, 170);  // no third page
  EXPECT_EQ(1, lastHeardPageIndex);
  tap(400, 208 + 56 + 10);  // row 1 of page 2 holds index 5
  EXPECT_TRUE(detailPopupOpen);
  EXPECT_EQ(5, selectedHeardIndex);
  tap(1, 300);
  tap(200, 170);
  EXPECT_EQ(LAST_HEARD_FILTER_DMR, lastHeardFilter);
  EXPECT_EQ(0, lastHeardPageIndex);
  tap(400, 170);
  EXPECT_EQ(LAST_HEARD_SORT_CALLSIGN, lastHeardSort);
  tap(400, 208 + 56 * 3 + 49);  // just below row 3
  EXPECT_FALSE(detailPopupOpen);
}

TEST_F(TouchTest, FilterAndSortButtonsCycleAndWrap) {
  fillHeard(2);
  currentPage = PAGE_LAST;
  const LastHeardFilter filters[] = {LAST_HEARD_FILTER_DMR, LAST_HEARD_FILTER_DSTAR, LAST_HEARD_FILTER_YSF,
                                     LAST_HEARD_FILTER_P25, LAST_HEARD_FILTER_NXDN,  LAST_HEARD_FILTER_POCSAG,
                                     LAST_HEARD_FILTER_ALL};
  lastHeardFilter = LAST_HEARD_FILTER_ALL;
  for (LastHeardFilter expected : filters) {
    tap(110 + 169, 152 + 39);  // the filter button's last pixel
    EXPECT_EQ(expected, lastHeardFilter);
  }
  lastHeardSort = LAST_HEARD_SORT_NEWEST;
  const LastHeardSort sorts[] = {LAST_HEARD_SORT_CALLSIGN, LAST_HEARD_SORT_MODE, LAST_HEARD_SORT_NEWEST};
  for (LastHeardSort expected : sorts) {
    tap(295, 152);  // the sort button's first pixel
    EXPECT_EQ(expected, lastHeardSort);
  }
  tap(290, 170);  // the gap between filter and sort
  EXPECT_EQ(LAST_HEARD_FILTER_ALL, lastHeardFilter);
  EXPECT_EQ(LAST_HEARD_SORT_NEWEST, lastHeardSort);
}

// Gestures
TEST_F(TouchTest, SwipeSwitchesSourceAndStartsBelowHeader) {
  cfg.weatherEnabled = true;
  advance(300);
  sample(600, 30);  // starts in the header (between tabs): never a swipe
  advance(50);
  sample(390, 30);
  release();
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  advance(300);
  sample(500, 300);
  advance(50);
  sample(290, 310);
  release();
  EXPECT_EQ(WATCH_WEATHER, currentWatchSource);
  EXPECT_EQ(String("WATCH: Weather"), footerText);
}

TEST_F(TouchTest, SwipeStartingOnAModeButtonSwitchesWithoutOpeningItsPopup) {
  cfg.weatherEnabled = true;
  modeDMR.known = modeDMR.enabled = true;
  advance(300);
  sample(100, 90);  // on the DMR button
  advance(30);
  sample(200, 92);
  advance(30);
  sample(300, 95);
  advance(30);
  release();
  EXPECT_EQ(WATCH_WEATHER, currentWatchSource);
  EXPECT_FALSE(modeConfirmPopupOpen);
  EXPECT_EQ(String("WATCH: Weather"), footerText);
}

TEST_F(TouchTest, SwipeOverAHeardRowOpensNoDetailPopup) {
  cfg.weatherEnabled = true;
  fillHeard(4);
  currentPage = PAGE_LAST;
  advance(300);
  sample(600, 230);  // row 0
  advance(30);
  sample(500, 232);
  advance(30);
  sample(400, 235);
  advance(30);
  release();
  EXPECT_EQ(WATCH_WEATHER, currentWatchSource);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  EXPECT_FALSE(detailPopupOpen);
}

TEST_F(TouchTest, SwipeWithOnlyMmdvmDoesNothing) {
  advance(300);
  sample(500, 300);
  advance(50);
  sample(290, 300);
  release();
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
}

TEST_F(TouchTest, TouchOnlyWakesTheScreensaver) {
  screensaverActive = true;
  advance(300);
  sample(15 + 145 + 60, 36);
  EXPECT_FALSE(screensaverActive);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  EXPECT_TRUE(uiDirty);
  advance(100);
  sample(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  release();
  EXPECT_EQ(PAGE_LIVE, currentPage);  // nor does its release
  tap(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_LAST, currentPage);
}

TEST_F(TouchTest, WakingPressHeldLongStillDoesNotAct) {
  screensaverActive = true;
  advance(300);
  sample(15 + 145 + 60, 36);
  ASSERT_FALSE(screensaverActive);
  for (int i = 0; i < 40; ++i) {  // the finger stays down for 4 s
    advance(100);
    sample(15 + 145 + 60, 36);
  }
  release();
  EXPECT_EQ(PAGE_LIVE, currentPage);
  tap(15 + 145 + 60, 36);  // a new press acts
  EXPECT_EQ(PAGE_LAST, currentPage);
}

TEST_F(TouchTest, WatchTabOpensChooserAndButtonSwitches) {
  cfg.weatherEnabled = true;
  tap(20, 36);
  ASSERT_TRUE(watchSourcePopupOpen);
  WatchSourcePopupLayout l = watchSourcePopupLayout();
  ASSERT_EQ(2, l.count);
  EXPECT_EQ(620, l.popupW);
  EXPECT_EQ(230, l.btnW);
  int x, y;
  watchSourcePopupButtonRect(l, 1, x, y);
  tap(x + 10, y + 10);
  EXPECT_FALSE(watchSourcePopupOpen);
  EXPECT_EQ(WATCH_WEATHER, currentWatchSource);
}

TEST_F(TouchTest, BrightnessSliderSetsLevel) {
  currentPage = PAGE_STATUS;
  tap(280, 390);
  EXPECT_EQ(0, cfg.brightness);
  tap(645, 390);
  EXPECT_EQ(255, cfg.brightness);
  tap(456, 390);
  EXPECT_EQ(127, cfg.brightness);
}

TEST_F(TouchTest, BrightnessTapSavesTheConfiguration) {
  currentPage = PAGE_STATUS;
  cfg.brightness = 220;
  tap(265, 390);  // left of the slider's hit area
  EXPECT_EQ(220, cfg.brightness);
  EXPECT_FALSE(std::filesystem::exists(root_ + "/config.json"));
  uiDirty = false;
  tap(456, 390);
  EXPECT_EQ(127, cfg.brightness);
  EXPECT_TRUE(uiDirty);
  FILE* f = fopen((root_ + "/config.json").c_str(), "rb");
  ASSERT_NE(nullptr, f) << "the configuration was not saved";
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
  fclose(f);
  const size_t key = text.find("\"brightness\"");
  ASSERT_NE(std::string::npos, key);
  EXPECT_EQ(text.find("127", key), text.find_first_of("0123456789", key));
  // The save went through a temporary file that replaced the old one.
  for (const auto& entry : std::filesystem::directory_iterator(root_)) {
    EXPECT_EQ(std::string("config.json"), entry.path().filename().string());
  }
}

TEST_F(TouchTest, ChooserIgnoresTapsBesideButtonsAndClosesOutside) {
  cfg.weatherEnabled = true;
  tap(20, 36);
  ASSERT_TRUE(watchSourcePopupOpen);
  WatchSourcePopupLayout l = watchSourcePopupLayout();
  tap(l.popupX + 10, l.popupY + 10);  // inside the popup, on no button
  EXPECT_TRUE(watchSourcePopupOpen);
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
  tap(l.popupX + l.popupW + 5, l.popupY + 10);  // outside
  EXPECT_FALSE(watchSourcePopupOpen);
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
  EXPECT_EQ(PAGE_LIVE, currentPage);
}

TEST_F(TouchTest, HamqslSourceHasThreeTabs) {
  cfg.hamqslEnabled = true;
  currentWatchSource = WATCH_HAMQSL;
  tap(15 + 145 + 60, 36);
  EXPECT_EQ(PAGE_STATUS, currentPage);
  tap(15 + 290 + 60, 36);
  EXPECT_EQ(PAGE_INFO, currentPage);
  tap(15 + 435 + 60, 36);  // the fourth slot is empty
  EXPECT_EQ(PAGE_INFO, currentPage);
}

TEST(TouchGeometry, PointInRectIsHalfOpen) {
  EXPECT_TRUE(pointInRect(10, 10, 10, 10, 5, 5));
  EXPECT_TRUE(pointInRect(14, 14, 10, 10, 5, 5));
  EXPECT_FALSE(pointInRect(15, 14, 10, 10, 5, 5));
  EXPECT_FALSE(pointInRect(9, 12, 10, 10, 5, 5));
  String label;
  EXPECT_TRUE(liveModeButtonTouchHit(199, 115, label));
  EXPECT_EQ(String("DMR"), label);
  EXPECT_FALSE(liveModeButtonTouchHit(300, 190, label));
  EXPECT_EQ(nullptr, modeStatusFromTouchLabel("POCSAG"));
  EXPECT_EQ(&modeNXDN, modeStatusFromTouchLabel("NXDN"));
}

}  // namespace

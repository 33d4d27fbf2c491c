// Screenshots of the real program's window under X after its first polls of
// the sample dashboard: the LIVE page shows the caller (flag, callsign and
// name) where they belong; the mouse, moved and clicked with xdotool, works
// as touch (HEARD tab, detail popup, screensaver wake-up); the frequency
// boxes of a WPSD hotspot read the same from both radio-info layouts. Skips
// without an X display (run under xvfb-run).
// The screenshots are kept in the test's working folder (inside the build
// folder) for a human to look at.

#include <gtest/gtest.h>

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "core/theme.h"
#include "support/desktop_program.h"
#include "support/display_probe.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"
#include "ui/live_page.h"

namespace {

const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const OK_PREFIX = "[INFO][API] Hotspot API OK (HTTP 200, ";
const int SCREEN_WIDTH = 800;
const int SCREEN_HEIGHT = 480;

// LIVE page regions (window pixels).
struct Box {
  int x, y, w, h;
};
const Box LIVE_INFO_PANEL = {25, 224, 750, 136};
const Box FLAG_BOX = {60, 217, 80, 64};
// Where the callsign and name line goes (right of the flag, above the
// status and target boxes).
const Box CALLER_LINE = {170, 238, 585, 52};
const Box STATUS_BOX = {45, 304, 347, 48};
const Box TARGET_BOX = {407, 304, 348, 48};
const Box TX_BOX = {25, 380, 260, 48};
// Page body between the header and the footer, and the tab row without the
// clock box.
const Box BODY = {15, 72, 770, 368};
const Box TAB_ROW = {0, 0, 600, 66};
// Points inside the LIVE and HEARD tabs (fill colour, away from labels),
// and tap points: the HEARD tab, the first HEARD row, the footer.
const int LIVE_TAB_FILL_X = 22, HEARD_TAB_FILL_X = 167, TAB_FILL_Y = 16;
const int HEARD_TAB_X = 227, HEARD_TAB_Y = 36;
const Box HEARD_ROW0 = {35, 208, 730, 48};
const int FOOTER_TAP_X = 780, FOOTER_TAP_Y = 470;
// Detail popup panel and its flag box.
const Box DETAIL_POPUP = {30, 64, 740, 364};
const Box DETAIL_FLAG = {615, 84, 130, 84};
// Taps closer than 220 ms to the previous one are dropped: wait longer.
const int TAP_GAP_MS = 400;
const Box RX_BOX = {515, 380, 260, 48};

// With traffic frozen (one transmission per hour) and seed 9 the newest
// transmission is VK2RTE (Rhys, Australia) on DMR slot 2, TG 505, heard on
// RF with an RSSI. The list's older slot-1 record makes both timeslots live
// at the first poll (the two-slot panel shows) until the hold time runs
// out; the newest record is confirmed at every poll, so afterwards the live
// info panel with the flag shows and stays. A short hold keeps this quick.
const char* const FROZEN_PERIOD_S = "3600";
const char* const SEED = "9";
const char* const CALLER = "VK2RTE";
const char* const SHORT_HOLD = "\"callsign_hold_ms\": 3000";
const char* const SAVER_ON = "\"screensaver_enabled\": true";
const char* const SAVER_AFTER_5_S = "\"screensaver_timeout_ms\": 5000";

int textPixels(const RgbImage& img, const Box& b) {
  return pixelsOtherThan(img, b.x, b.y, b.w, b.h, dominantColour(img, b.x, b.y, b.w, b.h));
}

int colours(const RgbImage& img, const Box& b) { return distinctColours(img, b.x, b.y, b.w, b.h); }

class ScreenEndToEnd : public PrivateXProgramTest {
 protected:
  // Starts the program against the dashboard and waits for its window and
  // for the caller's name to be looked up.
  void startAndWaitForCaller(const SampleDashboardProcess& dash, std::vector<std::string> keys = {}) {
    ASSERT_TRUE(dash.running());
    ASSERT_TRUE(program_.linkShippedFlags());
    keys.push_back(SHORT_HOLD);
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 500, keys)));
    ASSERT_TRUE(program_.start());
    ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();
    ASSERT_TRUE(program_.waitForLog(std::string("[INFO][LOOKUP] Callsign lookup found ") + CALLER + " as ", 1,
                                    WAIT_MS))
        << program_.log();
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty()) << "no window named " << WINDOW_TITLE;
  }

  // Screenshots until the flag and the caller line are drawn (the info
  // panel replaced the two-slot panel); the last one is returned.
  RgbImage liveScreenshot() {
    RgbImage shot;
    std::string ppm = program_.dir() + "/live.ppm";
    for (int waited = 0; waited < 15000; waited += 200) {
      if (!captureXWindow(window_, ppm, shot)) break;
      if (colours(shot, FLAG_BOX) >= 8 && textPixels(shot, CALLER_LINE) >= 600) break;
      sleepMilliseconds(200);
    }
    return shot;
  }

  // Screenshots until done(shot) holds (at most timeoutMs); the last one.
  template <class Done>
  RgbImage screenshotWhen(const std::string& name, Done done, int timeoutMs = 10000) {
    RgbImage shot;
    std::string ppm = program_.dir() + "/" + name + ".ppm";
    for (int waited = 0; waited <= timeoutMs; waited += 150) {
      if (!captureXWindow(window_, ppm, shot)) return RgbImage();
      if (done(shot)) break;
      sleepMilliseconds(150);
    }
    convertToPng(ppm, name + ".png");
    return shot;
  }

  std::string window_;
};

int bodyChange(const RgbImage& a, const RgbImage& b) {
  return differingPixels(a, b, BODY.x, BODY.y, BODY.w, BODY.h);
}

// The TX and RX boxes as the program's own drawing code paints them for these
// frequencies, rendered offscreen in this process.
bool renderFrequencyBoxes(const char* tx, const char* rx, RgbImage& out) {
  if (!initOffscreenDisplay()) return false;
  setDefaultTheme();
  drawFrequencyBox(TX_BOX.x, TX_BOX.y, TX_BOX.w, "TX", tx);
  drawFrequencyBox(RX_BOX.x, RX_BOX.y, RX_BOX.w, "RX", rx);
  out.width = SCREEN_WIDTH;
  out.height = SCREEN_HEIGHT;
  out.pixels = readFrame();
  return true;
}

// Pixels drawn differently from expected in the TX and RX boxes together.
int frequencyBoxesDiffer(const RgbImage& shot, const RgbImage& expected) {
  return differingShapes(shot, expected, TX_BOX.x, TX_BOX.y, TX_BOX.w, TX_BOX.h) +
         differingShapes(shot, expected, RX_BOX.x, RX_BOX.y, RX_BOX.w, RX_BOX.h);
}

}  // namespace

TEST_F(ScreenEndToEnd, LivePageShowsFlagCallsignAndNameOfTheCaller) {
  SampleDashboardProcess dash({"--period", FROZEN_PERIOD_S, "--seed", SEED});
  startAndWaitForCaller(dash);
  RgbImage shot = liveScreenshot();
  ASSERT_EQ(shot.width, SCREEN_WIDTH);
  ASSERT_EQ(shot.height, SCREEN_HEIGHT);
  EXPECT_TRUE(convertToPng(program_.dir() + "/live.ppm", "live_page_after_first_polls.png"));

  // A flag is a picture: many colours in its box, and the box is mostly
  // covered (not just the panel with an outline).
  EXPECT_GE(colours(shot, FLAG_BOX), 8) << "flag box looks blank";
  EXPECT_GE(textPixels(shot, FLAG_BOX), FLAG_BOX.w * FLAG_BOX.h / 4);
  // Callsign and name in the large font: far more than the "-" of an idle
  // page (about 80 pixels).
  EXPECT_GE(textPixels(shot, CALLER_LINE), 600) << "caller line looks blank";
  EXPECT_GE(colours(shot, LIVE_INFO_PANEL), 12);
  // Status and target boxes hold text besides their outline.
  EXPECT_GE(textPixels(shot, STATUS_BOX), 150);
  EXPECT_GE(textPixels(shot, TARGET_BOX), 150);
  // Frequencies from the status page.
  EXPECT_GE(textPixels(shot, TX_BOX), 150);
  EXPECT_GE(textPixels(shot, RX_BOX), 150);

  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

TEST_F(ScreenEndToEnd, CallerLineChangesWhenTheNextStationTransmits) {
  // A new transmission every 6 s: within 20 s the caller line (not the
  // scrolling status and target strips) shows someone else.
  SampleDashboardProcess dash({"--period", "6", "--seed", SEED});
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(program_.linkShippedFlags());
  ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 500)));
  ASSERT_TRUE(program_.start());
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();
  window_ = findXWindow(WINDOW_TITLE);
  ASSERT_FALSE(window_.empty());
  ASSERT_TRUE(program_.waitForLog("/api/last_heard.php -> HTTP 200", 1, WAIT_MS));

  RgbImage first;
  ASSERT_TRUE(captureXWindow(window_, program_.dir() + "/first.ppm", first));
  bool changed = false;
  for (int waited = 0; waited < 20000 && !changed; waited += 250) {
    sleepMilliseconds(250);
    RgbImage now;
    ASSERT_TRUE(captureXWindow(window_, program_.dir() + "/now.ppm", now));
    changed = differingPixels(first, now, CALLER_LINE.x, CALLER_LINE.y, CALLER_LINE.w, CALLER_LINE.h) > 300;
  }
  EXPECT_TRUE(changed) << "the caller line never changed with new traffic";
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

// Mouse as touch

TEST_F(ScreenEndToEnd, HeardTabRowPopupAndATapClosingIt) {
  SampleDashboardProcess dash({"--period", FROZEN_PERIOD_S, "--seed", SEED});
  startAndWaitForCaller(dash);
  RgbImage live = liveScreenshot();
  ASSERT_EQ(live.width, SCREEN_WIDTH);
  const uint32_t activeTab = live.at(LIVE_TAB_FILL_X, TAB_FILL_Y);
  const uint32_t idleTab = live.at(HEARD_TAB_FILL_X, TAB_FILL_Y);
  ASSERT_NE(activeTab, idleTab);

  // The HEARD tab: another body, the HEARD tab lit instead of LIVE.
  ASSERT_TRUE(clickXWindow(window_, HEARD_TAB_X, HEARD_TAB_Y));
  RgbImage heard = screenshotWhen("heard_page", [&](const RgbImage& s) {
    return s.at(HEARD_TAB_FILL_X, TAB_FILL_Y) == activeTab && bodyChange(live, s) > 20000;
  });
  ASSERT_EQ(heard.width, SCREEN_WIDTH);
  EXPECT_EQ(heard.at(HEARD_TAB_FILL_X, TAB_FILL_Y), activeTab);
  EXPECT_EQ(heard.at(LIVE_TAB_FILL_X, TAB_FILL_Y), idleTab);
  EXPECT_GT(bodyChange(live, heard), 20000);
  // The newest station's row holds text.
  EXPECT_GE(textPixels(heard, HEARD_ROW0), 300);
  EXPECT_LT(colours(heard, DETAIL_FLAG), 8) << "a flag before any popup opened";

  // A tap on the first row opens its detail popup with the caller's flag.
  sleepMilliseconds(TAP_GAP_MS);
  ASSERT_TRUE(clickXWindow(window_, HEARD_ROW0.x + 300, HEARD_ROW0.y + 24));
  RgbImage popup =
      screenshotWhen("detail_popup", [&](const RgbImage& s) { return colours(s, DETAIL_FLAG) >= 8; });
  ASSERT_EQ(popup.width, SCREEN_WIDTH);
  EXPECT_GE(colours(popup, DETAIL_FLAG), 8) << "no flag in the detail popup";
  EXPECT_GT(differingPixels(heard, popup, DETAIL_POPUP.x, DETAIL_POPUP.y, DETAIL_POPUP.w, DETAIL_POPUP.h),
            20000);
  // Modal: the tabs stay, the rows are covered.
  EXPECT_EQ(differingPixels(heard, popup, TAB_ROW.x, TAB_ROW.y, TAB_ROW.w, 60), 0);

  // A tap outside the popup's rows closes it: the HEARD page as before.
  sleepMilliseconds(TAP_GAP_MS);
  ASSERT_TRUE(clickXWindow(window_, FOOTER_TAP_X, FOOTER_TAP_Y));
  RgbImage closed =
      screenshotWhen("detail_popup_closed", [&](const RgbImage& s) { return bodyChange(heard, s) == 0; });
  ASSERT_EQ(closed.width, SCREEN_WIDTH);
  EXPECT_EQ(bodyChange(heard, closed), 0) << "the HEARD page did not come back unchanged";
  EXPECT_EQ(closed.at(HEARD_TAB_FILL_X, TAB_FILL_Y), activeTab);

  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

TEST_F(ScreenEndToEnd, IdleBeyondTimeoutShowsScreensaverAndATapOnlyWakesIt) {
  SampleDashboardProcess dash({"--period", FROZEN_PERIOD_S, "--seed", SEED});
  startAndWaitForCaller(dash, {SAVER_ON, SAVER_AFTER_5_S});
  RgbImage live = liveScreenshot();
  ASSERT_EQ(live.width, SCREEN_WIDTH);
  const uint32_t activeTab = live.at(LIVE_TAB_FILL_X, TAB_FILL_Y);

  // Nobody touches anything and the data stay the same: after 5 s the
  // screensaver replaces the whole page, tabs and footer included.
  RgbImage saver = screenshotWhen(
      "screensaver", [&](const RgbImage& s) { return s.at(LIVE_TAB_FILL_X, TAB_FILL_Y) != activeTab; },
      20000);
  ASSERT_EQ(saver.width, SCREEN_WIDTH);
  EXPECT_NE(saver.at(LIVE_TAB_FILL_X, TAB_FILL_Y), activeTab) << "no screensaver after 20 s idle";
  EXPECT_GT(differingPixels(live, saver, TAB_ROW.x, TAB_ROW.y, TAB_ROW.w, TAB_ROW.h), 3000);
  EXPECT_GT(bodyChange(live, saver), 20000);
  // The screensaver still shows something (clock, callsign, flag).
  EXPECT_GE(distinctColours(saver, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), 8);

  // A tap on the HEARD tab only wakes the screen: the LIVE page returns.
  ASSERT_TRUE(clickXWindow(window_, HEARD_TAB_X, HEARD_TAB_Y));
  RgbImage woken = screenshotWhen(
      "screensaver_woken", [&](const RgbImage& s) { return s.at(LIVE_TAB_FILL_X, TAB_FILL_Y) == activeTab; });
  ASSERT_EQ(woken.width, SCREEN_WIDTH);
  EXPECT_EQ(woken.at(LIVE_TAB_FILL_X, TAB_FILL_Y), activeTab) << "the screen did not wake";
  EXPECT_NE(woken.at(HEARD_TAB_FILL_X, TAB_FILL_Y), activeTab) << "the waking tap also switched the page";
  EXPECT_EQ(differingPixels(live, woken, TAB_ROW.x, TAB_ROW.y, TAB_ROW.w, TAB_ROW.h), 0);

  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

// WPSD radio-info page in both layouts

TEST_F(ScreenEndToEnd, WpsdCardAndTableRadioInfoDrawTheSameFrequencyBoxes) {
  // The duplex radio, so that a swap of TX and RX would show.
  RgbImage expected;
  ASSERT_TRUE(renderFrequencyBoxes("439.450", "430.850", expected));
  RgbImage shots[2];
  const char* const layouts[] = {"cards", "divtable"};
  for (int i = 0; i < 2; i++) {
    SCOPED_TRACE(layouts[i]);
    SampleDashboardProcess dash({"--flavour", "wpsd", "--wpsd-radioinfo", layouts[i], "--wpsd-radio",
                                 "duplex", "--period", FROZEN_PERIOD_S, "--seed", SEED});
    ASSERT_TRUE(dash.running());
    DesktopProgram second;
    DesktopProgram& program = i == 0 ? program_ : second;
    ASSERT_TRUE(program.ok());
    ASSERT_TRUE(program.writeConfig(sampleDashboardConfigJson(dash, "WPSD", 500, {SHORT_HOLD})));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitForLog("/mmdvmhost/radioinfo.php -> HTTP 200", 1, WAIT_MS)) << program.log();
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty());
    const std::string name = std::string("wpsd_") + layouts[i];
    // Until the radio-info page is read the boxes say "Auto".
    shots[i] = screenshotWhen(
        name, [&](const RgbImage& s) { return frequencyBoxesDiffer(s, expected) == 0; }, 15000);
    ASSERT_EQ(shots[i].width, SCREEN_WIDTH);
    EXPECT_EQ(frequencyBoxesDiffer(shots[i], expected), 0) << "see " << name << ".png";
    EXPECT_EQ(program.stop(SIGTERM), 0);
  }
  EXPECT_EQ(differingPixels(shots[0], shots[1], TX_BOX.x, TX_BOX.y, TX_BOX.w, TX_BOX.h), 0);
  EXPECT_EQ(differingPixels(shots[0], shots[1], RX_BOX.x, RX_BOX.y, RX_BOX.w, RX_BOX.h), 0);
}

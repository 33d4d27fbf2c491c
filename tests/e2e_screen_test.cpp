// Screenshots of the real program's window under X after its first polls of
// the sample dashboard: the LIVE page shows the caller (flag, callsign and
// name) where they belong. Skips without an X display (run under xvfb-run).
// The screenshots are kept in the test's working folder (inside the build
// folder) for a human to look at.

#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "support/desktop_program.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"

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

int textPixels(const RgbImage& img, const Box& b) {
  return pixelsOtherThan(img, b.x, b.y, b.w, b.h, dominantColour(img, b.x, b.y, b.w, b.h));
}

int colours(const RgbImage& img, const Box& b) { return distinctColours(img, b.x, b.y, b.w, b.h); }

class ScreenEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    ASSERT_TRUE(program_.ok());
  }

  // Starts the program against the dashboard and waits for its window and
  // for the caller's name to be looked up.
  void startAndWaitForCaller(const SampleDashboardProcess& dash) {
    ASSERT_TRUE(dash.running());
    ASSERT_TRUE(program_.linkShippedFlags());
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 500, {SHORT_HOLD})));
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

  DesktopProgram program_;
  std::string window_;
};

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

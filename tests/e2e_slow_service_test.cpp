// The real program's window while its dashboard trickles one byte every
// half second (each request then runs into its whole-request limit): a tap
// on the HEARD tab still shows the HEARD page within a second, and SIGTERM
// still ends the program within a second. Skips without an X display.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>

#include "support/desktop_program.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"

namespace {

const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const OK_PREFIX = "[INFO][API] Hotspot API OK (HTTP 200, ";
// Points inside the LIVE and HEARD tabs (fill colour, away from the labels)
// and the tap point of the HEARD tab.
const int LIVE_TAB_FILL_X = 22, HEARD_TAB_FILL_X = 167, TAB_FILL_Y = 16;
const int HEARD_TAB_X = 227, HEARD_TAB_Y = 36;

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start) {
  return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SlowServiceEndToEnd : public PrivateXProgramTest {};

TEST_F(SlowServiceEndToEnd, TrickleNeverFreezesTheWindowOrTheShutdown) {
  SampleDashboardProcess dash({"--period", "3600", "--seed", "9"});
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 500)));
  ASSERT_TRUE(program_.start());
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();
  const std::string window = findXWindow(WINDOW_TITLE);
  ASSERT_FALSE(window.empty());

  // From now on every dashboard answer trickles; let a poll get stuck in one.
  ASSERT_TRUE(dash.control("mode=trickle&delay=0.5&scope=all"));
  sleepMilliseconds(1500);

  RgbImage live;
  ASSERT_TRUE(captureXWindow(window, program_.dir() + "/live.ppm", live));
  const uint32_t activeTab = live.at(LIVE_TAB_FILL_X, TAB_FILL_Y);
  ASSERT_NE(activeTab, live.at(HEARD_TAB_FILL_X, TAB_FILL_Y));

  const Clock::time_point clicked = Clock::now();
  ASSERT_TRUE(clickXWindow(window, HEARD_TAB_X, HEARD_TAB_Y));
  bool shown = false;
  long shownAfterMs = -1;
  RgbImage shot;
  while (!shown && msSince(clicked) < 5000) {
    ASSERT_TRUE(captureXWindow(window, program_.dir() + "/heard.ppm", shot));
    shown = shot.at(HEARD_TAB_FILL_X, TAB_FILL_Y) == activeTab;
    if (shown) shownAfterMs = msSince(clicked);
  }
  ASSERT_TRUE(shown) << "the HEARD page never showed while the dashboard trickled";
  EXPECT_LT(shownAfterMs, 1000) << "the HEARD page took " << shownAfterMs << " ms";

  // A trickling request is still out; the program ends anyway, at once.
  const Clock::time_point stopped = Clock::now();
  EXPECT_EQ(program_.stop(SIGTERM, 5000), 0);
  EXPECT_LT(msSince(stopped), 1000) << "SIGTERM took " << msSince(stopped) << " ms";
  EXPECT_NE(program_.log().find("[DESKTOP] window closed; exiting normally.\n"), std::string::npos);
}

}  // namespace

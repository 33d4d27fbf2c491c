// The real program on panels other than the 800 x 480 window: fullscreen on
// a 1280 x 720 screen (scaled and letterboxed, a click lands on what is
// drawn), turned 90 degrees (a 480 x 800 picture, tabs down the side), and
// no display at all (one line saying what to do, exit status 1). Window
// tests run on private Xvfb servers and skip without X.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/desktop_program.h"
#include "support/x_window.h"

namespace {

const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const LOOP_READY = "[DESKTOP] main: entering while loop.\n";
const int WAIT_MS = 30000;
const char* const NO_DISPLAY_ADVICE =
    "set DISPLAY, or run it on a console with access to /dev/dri and /dev/input (groups video, render and "
    "input).";

// Frame points: the tab fills (away from labels) and the HEARD tab's tap point.
const int TAB_FILL_Y = 16;
const int LIVE_FILL_X = 22, HEARD_FILL_X = 167, STATUS_FILL_X = 312, INFO_FILL_X = 457;
const int HEARD_TAP_X = 227, HEARD_TAP_Y = 36;

std::string configJson(const std::string& extraKey) {
  return "{\n  \"backend\": \"Pi-Star\",\n  \"wifi_ssid\": \"DESKTOP\",\n  \"wifi_pass\": \"\",\n"
         "  \"pistar_host\": \"127.0.0.1:9\",\n  " +
         extraKey + "\n}\n";
}

class PanelEndToEnd : public ::testing::Test {
 protected:
  // Starts the program on a private X server of the given screen and waits
  // for its window to reach the expected size.
  void startOn(const char* screen, const std::string& extraKey, int w, int h) {
    if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    xserver_.reset(new PrivateXServer(screen));
    ASSERT_TRUE(xserver_->ok()) << "Xvfb did not start";
    ASSERT_TRUE(program_.ok());
    ASSERT_TRUE(program_.writeConfig(configJson(extraKey)));
    ASSERT_TRUE(program_.start({{"QSODECK_DESKTOP_NETWORK", "0"}}));
    ASSERT_TRUE(program_.waitForLog(LOOP_READY, 1, WAIT_MS)) << program_.log();
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty()) << "no window named " << WINDOW_TITLE;
    shot_ = screenshotWhen("start", [&](const RgbImage& s) { return s.width == w && s.height == h; });
    ASSERT_EQ(shot_.width, w);
    ASSERT_EQ(shot_.height, h);
  }

  RgbImage screenshotWhen(const std::string& name, const std::function<bool(const RgbImage&)>& done) {
    return captureXWindowWhen(window_, program_.dir() + "/" + name + ".ppm", name + ".png", done);
  }

  std::unique_ptr<PrivateXServer> xserver_;  // outlives the program
  DesktopProgram program_;
  std::string window_;
  RgbImage shot_;
};

}  // namespace

// 1280 x 720 at 1.5x: the picture is 1200 x 720 with 40-pixel borders.
TEST_F(PanelEndToEnd, FullscreenOn1280x720ScalesAndAClickOpensHeard) {
  startOn("1280x720x24", "\"display_fullscreen\": true", 1280, 720);
  if (HasFatalFailure() || IsSkipped()) return;
  auto at = [](const RgbImage& s, int fx, int fy) { return s.at(40 + (fx * 3) / 2, (fy * 3) / 2); };
  RgbImage live = screenshotWhen("fullscreen_live", [&](const RgbImage& s) {
    return at(s, LIVE_FILL_X, TAB_FILL_Y) != at(s, HEARD_FILL_X, TAB_FILL_Y);
  });
  const uint32_t active = at(live, LIVE_FILL_X, TAB_FILL_Y);
  const uint32_t idle = at(live, HEARD_FILL_X, TAB_FILL_Y);
  ASSERT_NE(active, idle);
  // The borders hold nothing but the background.
  EXPECT_EQ(distinctColours(live, 0, 0, 40, 720), 1);
  EXPECT_EQ(distinctColours(live, 1240, 0, 40, 720), 1);

  ASSERT_TRUE(clickXWindow(window_, 40 + (HEARD_TAP_X * 3) / 2, (HEARD_TAP_Y * 3) / 2));
  RgbImage heard = screenshotWhen(
      "fullscreen_heard", [&](const RgbImage& s) { return at(s, HEARD_FILL_X, TAB_FILL_Y) == active; });
  EXPECT_EQ(at(heard, HEARD_FILL_X, TAB_FILL_Y), active) << "the click did not open HEARD";
  EXPECT_EQ(at(heard, LIVE_FILL_X, TAB_FILL_Y), idle);
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

// Turned 90 degrees clockwise, frame point (x, y) shows at (479 - y, x).
TEST_F(PanelEndToEnd, Rotation90ShowsTabsDownTheSideAndTapsMatch) {
  startOn("1024x1024x24", "\"display_rotation\": 90", 480, 800);
  if (HasFatalFailure() || IsSkipped()) return;
  auto at = [](const RgbImage& s, int fx, int fy) { return s.at(479 - fy, fx); };
  RgbImage live = screenshotWhen("rotated_live", [&](const RgbImage& s) {
    return at(s, LIVE_FILL_X, TAB_FILL_Y) != at(s, HEARD_FILL_X, TAB_FILL_Y);
  });
  const uint32_t active = at(live, LIVE_FILL_X, TAB_FILL_Y);
  const uint32_t idle = at(live, HEARD_FILL_X, TAB_FILL_Y);
  ASSERT_NE(active, idle);
  // LIVE on top, then HEARD, STATUS, INFO down the right-hand side.
  EXPECT_EQ(live.at(463, 22), active);
  for (int y : {HEARD_FILL_X, STATUS_FILL_X, INFO_FILL_X}) EXPECT_EQ(live.at(463, y), idle) << y;
  ASSERT_TRUE(clickXWindow(window_, 479 - HEARD_TAP_Y, HEARD_TAP_X));
  RgbImage heard = screenshotWhen("rotated_heard", [&](const RgbImage& s) { return s.at(463, 167) == active; });
  EXPECT_EQ(heard.at(463, HEARD_FILL_X), active) << "the click did not open HEARD";
  EXPECT_EQ(heard.at(463, 22), idle);
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

// Failures

// Runs the program with env until it ends; its exit status and output.
int runToTheEnd(const std::vector<std::pair<std::string, std::string>>& env, std::string& out) {
  DesktopProgram program;
  if (!program.ok() || !program.writeConfig(configJson("\"display_rotation\": 0"))) return -2;
  std::vector<std::pair<std::string, std::string>> all = env;
  all.push_back({"QSODECK_DESKTOP_NETWORK", "0"});
  if (!program.start(all)) return -2;
  for (int waited = 0; waited < WAIT_MS && program.running(); waited += 50) sleepMilliseconds(50);
  out = program.output();
  return program.exitCode();
}

TEST(PanelNoDisplay, ForcedDriverThatCannotOpenSaysWhatToDo) {
  std::string out;
  EXPECT_EQ(runToTheEnd({{"QSODECK_DESKTOP_VIDEO", "x11"}, {"DISPLAY", ""}}, out), 1) << out;
  EXPECT_EQ(countOccurrences(out, "Qsodeck: no display could be opened (tried x11: "), 1) << out;
  EXPECT_NE(out.find(NO_DISPLAY_ADVICE), std::string::npos) << out;
}

TEST(PanelNoDisplay, NoDisplayAnywhereIsAnErrorNotAnOffscreenRun) {
  struct stat st;
  if (stat("/dev/dri", &st) == 0) GTEST_SKIP() << "this machine has /dev/dri";
  std::string out;
  EXPECT_EQ(runToTheEnd({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, out), 1) << out;
  EXPECT_NE(out.find("no display could be opened (tried x11, wayland, KMSDRM: "), std::string::npos) << out;
  EXPECT_EQ(out.find("video driver offscreen"), std::string::npos) << out;
}

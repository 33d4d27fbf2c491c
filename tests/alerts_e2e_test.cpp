// End to end: the real program with the demo configuration against the
// sample dashboard, under X. The heat advisory of the sample NOAA service
// pops up over the LIVE page with one WARN/ALERT line, a click on CLOSE
// removes it, the next checks of the same warning do not bring it back, and
// a new warning does. Skips without an X display (run under xvfb-run).
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>

#include <string>

#include "core/config.h"
#include "core/config_file.h"
#include "core/theme.h"
#include "host/display.h"
#include "support/desktop_program.h"
#include "support/display_probe.h"
#include "support/local_http_server.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/temp_files.h"
#include "support/x_window.h"
#include "watch/alerts/alerts.h"
#include "watch/alerts/alerts_page.h"

namespace {

const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const HEAT_LINE =
    "[WARN][ALERT] NOAA: Heat Advisory issued August 14 at 7:20AM EDT until August 14 at 6:00PM EDT by NWS "
    "Charleston SC";
const char* const STORM_LINE = "[WARN][ALERT] NOAA: Severe Thunderstorm Warning issued June 12";
const ScreenRect POPUP = ALERT_POPUP_RECT;
// The alert sources are checked every 1.5 s in this run instead of hourly.
const char* const CHECK_EVERY_MS = "1500";

std::string printDemoConfig(int port) {
  std::string cmd = std::string("python3 '") + QSODECK_SOURCE_DIR +
                    "/tools/sample_dashboard.py' --print-config " + std::to_string(port) +
                    " --config-extra '\"screensaver_enabled\": false'";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// The popup as this program's own drawing code paints the warning of the
// given NOAA answer, in the theme of the configuration, rendered offscreen.
bool renderPopup(const std::string& config, const std::string& noaaAnswer, RgbImage& out) {
  if (!initOffscreenDisplay()) return false;
  applyDesktopConfigDefaults();
  setDefaultTheme();
  desktopApplyConfigText(config);
  alertToastState = AlertToastState();
  if (!parseNoaaAlertResponse(noaaAnswer.c_str())) return false;
  tft.fillScreen(theme.bg);
  drawAlertToastOverlay();
  const GoldenImage frame = currentFrameImage();
  out.width = frame.width;
  out.height = frame.height;
  out.pixels = frame.pixels;
  return true;
}

int popupShapeDifference(const RgbImage& shot, const RgbImage& expected) {
  return differingShapes(shot, expected, POPUP.x, POPUP.y, POPUP.w, POPUP.h);
}

int requestsTo(const SampleDashboardProcess& dash, const std::string& path) {
  return countOccurrences(simpleHttpGet(dash.port(), "/_control/requests"), "\"path\": \"" + path);
}

class AlertEndToEnd : public PrivateXProgramTest {
 protected:
  template <class Done>
  RgbImage screenshotWhen(const std::string& name, Done done, int timeoutMs = 15000) {
    RgbImage shot;
    const std::string ppm = program_.dir() + "/" + name + ".ppm";
    for (int waited = 0; waited <= timeoutMs; waited += 150) {
      if (!captureXWindow(window_, ppm, shot)) return RgbImage();
      if (done(shot)) break;
      sleepMilliseconds(150);
    }
    convertToPng(ppm, name + ".png");
    return shot;
  }

  bool waitForRequests(const SampleDashboardProcess& dash, const std::string& path, int count) {
    for (int waited = 0; waited < WAIT_MS; waited += 100) {
      if (requestsTo(dash, path) >= count) return true;
      sleepMilliseconds(100);
    }
    return false;
  }

  std::string window_;
};

}  // namespace

TEST_F(AlertEndToEnd, WarningPopsUpOnceOverLiveAndCloseRemovesIt) {
  SampleDashboardProcess dash({"--period", "3600", "--seed", "9"});
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(program_.linkShippedFlags());
  const std::string config = printDemoConfig(dash.port());
  ASSERT_NE(config.find("\"noaa_enabled\": true"), std::string::npos) << config;
  ASSERT_TRUE(program_.writeConfig(config));
  ASSERT_TRUE(program_.start({{ALERT_CHECK_OVERRIDE_ENV, CHECK_EVERY_MS}}));
  ASSERT_TRUE(program_.waitForLog(HEAT_LINE, 1, WAIT_MS)) << program_.log();
  window_ = findXWindow(WINDOW_TITLE);
  ASSERT_FALSE(window_.empty());

  RgbImage heat;
  ASSERT_TRUE(
      renderPopup(config, readTestData("alerts/noaa_alerts_active_point_heat_advisory_2019.json"), heat));
  const uint32_t warnColour = rgbOf565(theme.warn);
  const uint32_t tabColour = rgbOf565(theme.tabActive);

  // Over the LIVE page: its tab row shows above the popup.
  RgbImage shown =
      screenshotWhen("alert_shown", [&](const RgbImage& s) { return popupShapeDifference(s, heat) == 0; });
  ASSERT_FALSE(shown.pixels.empty());
  EXPECT_EQ(popupShapeDifference(shown, heat), 0);
  EXPECT_EQ(shown.at(POPUP.x, POPUP.y + 150), warnColour);
  EXPECT_EQ(shown.at(22, 16), tabColour);

  // CLOSE.
  const ScreenRect close = alertPopupCloseButtonRect();
  ASSERT_TRUE(clickXWindow(window_, close.x + close.w / 2, close.y + close.h / 2));
  RgbImage closed = screenshotWhen(
      "alert_closed", [&](const RgbImage& s) { return s.at(POPUP.x, POPUP.y + 150) != warnColour; });
  ASSERT_FALSE(closed.pixels.empty());
  EXPECT_NE(closed.at(POPUP.x, POPUP.y + 150), warnColour);
  EXPECT_GT(popupShapeDifference(closed, heat), 1000);

  // Two more checks find the same warning: it stays closed, logged once.
  const int asked = requestsTo(dash, "/alerts/active?zone=GAZ117");
  ASSERT_TRUE(waitForRequests(dash, "/alerts/active?zone=GAZ117", asked + 2));
  sleepMilliseconds(500);
  RgbImage still;
  ASSERT_TRUE(captureXWindow(window_, program_.dir() + "/alert_still_closed.ppm", still));
  EXPECT_NE(still.at(POPUP.x, POPUP.y + 150), warnColour);
  EXPECT_GT(popupShapeDifference(still, heat), 1000);
  EXPECT_EQ(countOccurrences(program_.log(), "[WARN][ALERT] "), 1) << program_.log();

  // A new warning pops up again, in the severe colour.
  ASSERT_TRUE(dash.control("alert=storm"));
  ASSERT_TRUE(program_.waitForLog(STORM_LINE, 1, WAIT_MS)) << program_.log();
  const uint32_t badColour = rgbOf565(theme.bad);
  RgbImage severe = screenshotWhen(
      "alert_severe", [&](const RgbImage& s) { return s.at(POPUP.x, POPUP.y + 150) == badColour; });
  EXPECT_EQ(severe.at(POPUP.x, POPUP.y + 150), badColour);
  EXPECT_EQ(countOccurrences(program_.log(), "[WARN][ALERT] "), 2);

  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

// The real program against the sample services on 127.0.0.1, started on the
// weather page: it asks for the current weather with metric units and the
// key, logs the good refresh, shows the icon in its tile; the forecast tab
// fetches the forecast and draws its days; the chooser opens HamQSL, whose
// solar XML is fetched and whose band box is drawn. A wrong key gives the
// service's 401 and the failure line. Needs X (skips without).
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/config.h"
#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"
#include "ui/page_frame.h"

namespace {

const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const KEY = "0123456789abcdef0123456789abcdef";

struct Box {
  int x, y, w, h;
};
const Box ICON_TILE = {62, 178, 161, 120};
const Box FORECAST_ROWS = {40, 156, 720, 248};
const Box BAND_BOX = {42, 258, 716, 136};
const int CAST_TAB_X = 227, TAB_Y = 36;

int colours(const RgbImage& img, const Box& b) { return distinctColours(img, b.x, b.y, b.w, b.h); }

class WeatherEndToEnd : public PrivateXProgramTest {
 protected:
  void start(const SampleDashboardProcess& dash, const std::string& key) {
    ASSERT_TRUE(dash.running());
    ASSERT_EQ(symlink((std::string(QSODECK_SOURCE_DIR) + "/sdcard/weather").c_str(),
                      (program_.dir() + "/sdcard/weather").c_str()),
              0);
    const std::vector<std::string> keys = {"\"weather_enabled\": true",
                                           "\"weather_api_base_url\": \"" + dash.url("") + "\"",
                                           "\"weather_lat\": \"52.5200\"",
                                           "\"weather_lon\": \"13.4050\"",
                                           "\"weather_api_key\": \"" + key + "\"",
                                           "\"hamqsl_enabled\": true",
                                           "\"hamqsl_url\": \"" + dash.url("/solarxml.php") + "\"",
                                           "\"start_page_after_boot\": \"weather\""};
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 1000, keys)));
    ASSERT_TRUE(program_.start());
  }
  void openWindow() {
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty()) << "no window named " << WINDOW_TITLE;
  }
  template <class Done>
  RgbImage screenshotWhen(const std::string& name, Done done, int timeoutMs = 10000) {
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
  std::string window_;
};

bool requested(const SampleDashboardProcess& dash, const std::string& path) {
  for (int waited = 0; waited < WAIT_MS; waited += 100) {
    if (simpleHttpGet(dash.port(), "/_control/requests").find(path) != std::string::npos) return true;
    sleepMilliseconds(100);
  }
  return false;
}

// The chooser button of HamQSL with weather and HamQSL switched on.
void hamqslChooserButton(int& x, int& y) {
  cfg.weatherEnabled = true;
  cfg.hamqslEnabled = true;
  const WatchSourcePopupLayout l = watchSourcePopupLayout();
  for (int i = 0; i < l.count; ++i) {
    if (l.options[i] != WATCH_HAMQSL) continue;
    watchSourcePopupButtonRect(l, i, x, y);
    x += l.btnW / 2;
    y += l.btnH / 2;
  }
}

}  // namespace

TEST_F(WeatherEndToEnd, WeatherPageForecastAndHamqslAgainstTheSampleServices) {
  SampleDashboardProcess dash({"--period", "3600"});
  start(dash, KEY);
  ASSERT_TRUE(program_.waitForLog("[INFO][WEATHER] Weather refresh OK (HTTP 200).", 1, WAIT_MS))
      << program_.log();
  EXPECT_TRUE(
      requested(dash, std::string("/data/2.5/weather?lat=52.5200&lon=13.4050&units=metric&appid=") + KEY));
  openWindow();
  RgbImage live =
      screenshotWhen("weather_live", [](const RgbImage& s) { return colours(s, ICON_TILE) >= 6; });
  ASSERT_EQ(live.width, 800);
  EXPECT_GE(colours(live, ICON_TILE), 6) << "the icon tile looks uniform";

  // The forecast tab fetches the forecast and shows its days.
  ASSERT_TRUE(clickXWindow(window_, CAST_TAB_X, TAB_Y));
  EXPECT_TRUE(requested(dash, "/data/2.5/forecast?lat=52.5200&lon=13.4050&units=metric&cnt=32&appid="));
  RgbImage cast =
      screenshotWhen("weather_forecast", [](const RgbImage& s) { return colours(s, FORECAST_ROWS) >= 12; });
  EXPECT_GE(colours(cast, FORECAST_ROWS), 12) << "no forecast days drawn";

  // HamQSL from the chooser: fetched (in the background already) and drawn.
  ASSERT_TRUE(program_.waitForLog("[INFO][HAMQSL] HAMQSL solar XML fetch OK (HTTP 200).", 1, WAIT_MS))
      << program_.log();
  EXPECT_TRUE(requested(dash, "/solarxml.php"));
  int bx = 0, by = 0;
  hamqslChooserButton(bx, by);
  sleepMilliseconds(400);
  ASSERT_TRUE(clickXWindow(window_, 60, TAB_Y));
  sleepMilliseconds(400);
  ASSERT_TRUE(clickXWindow(window_, bx, by));
  RgbImage solar = screenshotWhen("hamqsl_live", [](const RgbImage& s) { return colours(s, BAND_BOX) >= 4; });
  EXPECT_GE(colours(solar, BAND_BOX), 4) << "no band conditions drawn";

  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

TEST_F(WeatherEndToEnd, WrongKeyGivesTheServiceErrorAndKeepsPolling) {
  SampleDashboardProcess dash({"--period", "3600"});
  start(dash, "not-my-key");
  ASSERT_TRUE(program_.waitForLog("[WARN][WEATHER] Weather refresh failed (HTTP 401).", 1, WAIT_MS))
      << program_.log();
  EXPECT_NE(program_.log().find("[DESKTOP][WEATHER] HTTP fetch failed, code 401."), std::string::npos);
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

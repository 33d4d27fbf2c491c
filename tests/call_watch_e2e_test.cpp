// The real program against the sample services on 127.0.0.1, started on the
// weather page with the demo's watched call on its watch list: the hotspot
// is polled in the background on its own (every 3 s), the on-air banner
// comes over the weather page within two poll periods, the watched call
// gives one "[INFO][WATCH]" line however often it keys up, and the tone is
// written by SDL's disk audio driver. Under the screensaver a new
// transmission wakes the screen. Needs X (skips without).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"
#include "ui/on_air_banner.h"

namespace {

const int WAIT_MS = 30000;
const int POLL_PERIOD_MS = 3000;  // refresh_ms 1000 is raised to the background minimum
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const BACKGROUND_OK = "[INFO][HOTSPOT] Background last-heard poll OK (HTTP 200, ";
const char* const WATCH_LINE = "[INFO][WATCH] DL1ABC matched \"DL1ABC\" on MMDVM";

int red(uint32_t c) { return (c >> 16) & 0xFF; }
int green(uint32_t c) { return (c >> 8) & 0xFF; }
int blue(uint32_t c) { return c & 0xFF; }

// The banner's "ON AIR" badge: the theme's green receive colour.
bool bannerShown(const RgbImage& shot) {
  const ScreenRect& r = ON_AIR_BANNER_RECT;
  const uint32_t c = dominantColour(shot, r.x + 12, r.y + 12, 20, r.h - 24);
  return green(c) > 150 && red(c) < 100;
}

// The tab row (its selected tab is the theme's light blue): the pages are up.
bool tabRowShown(const RgbImage& shot) {
  const uint32_t c = dominantColour(shot, 25, 16, 110, 8);
  return blue(c) > 200 && red(c) < 100;
}

long fileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

class CallWatchEndToEnd : public PrivateXProgramTest {
 protected:
  void start(const SampleDashboardProcess& dash, const std::vector<std::string>& more) {
    ASSERT_TRUE(dash.running());
    std::vector<std::string> keys = {"\"weather_enabled\": true",
                                     "\"weather_api_base_url\": \"" + dash.url("") + "\"",
                                     "\"weather_lat\": \"52.5200\"",
                                     "\"weather_lon\": \"13.4050\"",
                                     "\"weather_api_key\": \"0123456789abcdef0123456789abcdef\"",
                                     "\"start_page_after_boot\": \"weather\"",
                                     "\"watch_list\": [\"DL1ABC\"]"};
    keys.insert(keys.end(), more.begin(), more.end());
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 1000, keys)));
    tone_ = program_.dir() + "/tone.raw";
    ASSERT_TRUE(program_.start({{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", tone_}}));
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty()) << "no window named " << WINDOW_TITLE;
  }
  // Screenshots until done(shot) or timeoutMs; the time it took (-1: never).
  template <class Done>
  int waitForScreen(const std::string& name, Done done, int timeoutMs) {
    RgbImage shot;
    const std::string ppm = program_.dir() + "/" + name + ".ppm";
    for (int waited = 0; waited <= timeoutMs; waited += 200) {
      if (captureXWindow(window_, ppm, shot) && done(shot)) {
        convertToPng(ppm, name + ".png");
        return waited;
      }
      sleepMilliseconds(200);
    }
    convertToPng(ppm, name + ".png");
    return -1;
  }
  std::string window_;
  std::string tone_;
};

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST_F(CallWatchEndToEnd, BannerOverTheWeatherPageOneWatchLineAndTheTone) {
  // A new transmission every 2 s, the watched call every second one.
  SampleDashboardProcess dash({"--period", "2", "--watched-every", "2"});
  start(dash, {"\"watch_sound\": true", "\"screensaver_enabled\": false"});
  ASSERT_TRUE(program_.waitForLog(BACKGROUND_OK, 1, WAIT_MS)) << program_.log();
  // The weather page stays up; the banner comes within two poll periods.
  const int took = waitForScreen("banner_over_weather", bannerShown, 2 * POLL_PERIOD_MS);
  EXPECT_GE(took, 0) << "no on-air banner over the weather page";
  ASSERT_TRUE(program_.waitForLog(WATCH_LINE, 1, WAIT_MS)) << program_.log();
  // DL1ABC keys up again and again: still one line in the repeat window.
  sleepMilliseconds(3 * POLL_PERIOD_MS);
  EXPECT_EQ(count(program_.log(), WATCH_LINE), 1) << program_.log();
  // The background poll asks for the last-heard list only; the status page
  // is the hotspot page's own poll.
  const std::string requests = simpleHttpGet(dash.port(), "/_control/requests");
  EXPECT_GE(count(requests, "/api/last_heard.php"), 3) << requests;
  EXPECT_EQ(count(requests, "/mmdvmhost/repeaterinfo.php"), 0) << requests;
  // The tone went to the disk driver's file.
  EXPECT_GT(fileSize(tone_), 1000) << "no tone written to " << tone_;
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

TEST_F(CallWatchEndToEnd, NewTransmissionWakesTheScreensaver) {
  // One transmission every 14 s; the screensaver starts 5 s after the last.
  SampleDashboardProcess dash({"--period", "14", "--watched-every", "0"});
  start(dash, {"\"screensaver_enabled\": true", "\"screensaver_timeout_ms\": 5000"});
  ASSERT_TRUE(program_.waitForLog("Boot complete", 1, WAIT_MS)) << program_.log();
  ASSERT_GE(waitForScreen("saver_on", [](const RgbImage& s) { return !tabRowShown(s); }, 25000), 0)
      << "the screensaver never started";
  ASSERT_GE(waitForScreen("saver_woken", tabRowShown, 14000 + 2 * POLL_PERIOD_MS), 0)
      << "no wake for the next transmission";
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

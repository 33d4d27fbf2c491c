// The real program against the sample services on 127.0.0.1, started on
// the APRS page: it asks the position API once for the batch of callsigns
// (the caller first, with what=loc, the key and format=json), logs the
// station of the LIVE caller and does not ask again within the request
// gap; the radar tab plots the stations. Started on the ADS-B page it polls
// the receiver at its interval and draws the aircraft on the tracker and
// the radar. Needs X (skips without).
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"

namespace {

const int WAIT_MS = 40000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const APRS_KEY = "123456.demoAprsKey0123";
const char* const DEVICE_CALL = "N0CALL";
const int RADAR_TAB_X = 227, TAB_Y = 36;

struct Box {
  int x, y, w, h;
};
const Box RADAR_SQUARE = {37, 166, 260, 260};
const Box NEAREST_AIRCRAFT = {42, 274, 716, 152};

std::string requestLog(const SampleDashboardProcess& dash) {
  return simpleHttpGet(dash.port(), "/_control/requests");
}

// The targets of the logged requests that start with path.
std::vector<std::string> requestsTo(const SampleDashboardProcess& dash, const std::string& path) {
  const std::string log = requestLog(dash);
  std::vector<std::string> out;
  for (size_t at = log.find(path); at != std::string::npos; at = log.find(path, at + 1)) {
    out.push_back(log.substr(at, log.find('"', at) - at));
  }
  return out;
}

class AprsAdsbEndToEnd : public PrivateXProgramTest {
 protected:
  void start(const SampleDashboardProcess& dash, const std::vector<std::string>& keys) {
    ASSERT_TRUE(dash.running());
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", 1000, keys)));
    ASSERT_TRUE(program_.start());
  }
  void openWindow() {
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty()) << "no window named " << WINDOW_TITLE;
  }
  RgbImage screenshotWhen(const std::string& name, const Box& box, int colours, int timeoutMs = 15000) {
    RgbImage shot;
    const std::string ppm = program_.dir() + "/" + name + ".ppm";
    for (int waited = 0; waited <= timeoutMs; waited += 200) {
      if (!captureXWindow(window_, ppm, shot)) return RgbImage();
      if (distinctColours(shot, box.x, box.y, box.w, box.h) >= colours) break;
      sleepMilliseconds(200);
    }
    convertToPng(ppm, name + ".png");
    return shot;
  }
  std::string window_;
};

}  // namespace

TEST_F(AprsAdsbEndToEnd, AprsPageAsksOnceForTheBatchAndShowsTheCaller) {
  SampleDashboardProcess dash({"--period", "3600"});
  start(dash,
        {"\"device_callsign\": \"" + std::string(DEVICE_CALL) + "\"", "\"aprs_enabled\": true",
         "\"aprs_api_key\": \"" + std::string(APRS_KEY) + "\"",
         "\"aprs_api_base_url\": \"" + dash.url("") + "\"", "\"aprs_center_lat\": \"52.5200\"",
         "\"aprs_center_lon\": \"13.4050\"", "\"aprs_range_km\": 80", "\"start_page_after_boot\": \"aprs\""});
  ASSERT_TRUE(program_.waitForLog("[DESKTOP][APRS] parsed APRS for ", 1, WAIT_MS)) << program_.log();
  std::vector<std::string> asked = requestsTo(dash, "/api/get?");
  ASSERT_EQ(asked.size(), 1u) << requestLog(dash);
  // The batch starts with the caller the hotspot named, ends with the device.
  const std::string& target = asked[0];
  EXPECT_NE(target.find("&what=loc&apikey=" + std::string(APRS_KEY) + "&format=json"), std::string::npos)
      << target;
  const size_t nameAt = target.find("name=") + 5;
  const std::string first = target.substr(nameAt, target.find_first_of("%&", nameAt) - nameAt);
  EXPECT_NE(first, DEVICE_CALL) << target;
  EXPECT_NE(target.find("%2C" + std::string(DEVICE_CALL) + "&"), std::string::npos) << target;
  EXPECT_NE(program_.log().find("[DESKTOP][APRS] parsed APRS for " + first + " at "), std::string::npos)
      << program_.log();
  EXPECT_EQ(program_.log().find(APRS_KEY), std::string::npos) << "the API key was traced";

  // The radar tab plots the stations; no second request within the gap.
  openWindow();
  ASSERT_TRUE(clickXWindow(window_, RADAR_TAB_X, TAB_Y));
  RgbImage radar = screenshotWhen("aprs_radar", RADAR_SQUARE, 7);
  ASSERT_EQ(radar.width, 800);
  EXPECT_GE(distinctColours(radar, RADAR_SQUARE.x, RADAR_SQUARE.y, RADAR_SQUARE.w, RADAR_SQUARE.h), 7)
      << "no stations plotted";
  sleepMilliseconds(5000);
  EXPECT_EQ(requestsTo(dash, "/api/get?").size(), 1u) << requestLog(dash);
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

TEST_F(AprsAdsbEndToEnd, AdsbPageFollowsTheReceiverAtItsInterval) {
  SampleDashboardProcess dash({"--period", "3600", "--adsb-count", "30"});
  start(dash, {"\"adsb_enabled\": true", "\"adsb_host\": \"" + dash.hostPort() + "\"",
               "\"adsb_refresh_seconds\": 5", "\"adsb_range_km\": 200", "\"adsb_center_lat\": \"52.5200\"",
               "\"adsb_center_lon\": \"13.4050\"", "\"start_page_after_boot\": \"adsb\"",
               // The hotspot's on-air banner would cover the lower aircraft rows.
               "\"on_air_banner\": false"});
  openWindow();
  RgbImage tracker = screenshotWhen("adsb_tracker", NEAREST_AIRCRAFT, 5);
  ASSERT_EQ(tracker.width, 800);
  EXPECT_GE(distinctColours(tracker, NEAREST_AIRCRAFT.x, NEAREST_AIRCRAFT.y, NEAREST_AIRCRAFT.w,
                            NEAREST_AIRCRAFT.h),
            5)
      << "no nearest aircraft drawn";
  ASSERT_TRUE(clickXWindow(window_, RADAR_TAB_X, TAB_Y));
  RgbImage radar = screenshotWhen("adsb_radar", RADAR_SQUARE, 7);
  EXPECT_GE(distinctColours(radar, RADAR_SQUARE.x, RADAR_SQUARE.y, RADAR_SQUARE.w, RADAR_SQUARE.h), 7)
      << "no aircraft plotted";

  // Polls about every five seconds: not more often, and never stopping.
  const size_t before = requestsTo(dash, "/dump1090-fa/data/aircraft.json").size();
  ASSERT_GE(before, 1u);
  sleepMilliseconds(12500);
  const size_t after = requestsTo(dash, "/dump1090-fa/data/aircraft.json").size();
  EXPECT_GE(after - before, 2u) << requestLog(dash);
  EXPECT_LE(after - before, 4u) << requestLog(dash);
  EXPECT_NE(program_.log().find("[DESKTOP][HTTP] GET http://" + dash.hostPort() +
                                "/dump1090-fa/data/aircraft.json"),
            std::string::npos)
      << program_.log();
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

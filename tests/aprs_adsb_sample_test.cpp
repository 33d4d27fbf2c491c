// The sample dashboard's APRS position API and dump1090 receiver, read with
// the program's own URLs and scanners: the demo configuration points at
// them, the stations asked for come back around the centre, the API's
// wrong-key and rate-limit failures, aircraft that move between polls, on
// the ground, without position, and the old key set.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "core/config.h"
#include "core/config_file.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "hotspot/http_fetch.h"
#include "support/local_http_server.h"
#include "support/sample_dashboard_process.h"
#include "watch/adsb/adsb.h"
#include "watch/aprs/aprs.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

std::string s(const String& v) { return std::string(v.c_str()); }

String get(const std::string& url) {
  String payload;
  int code = 0;
  CaptureStdout();
  const bool ok = httpGetString(url.c_str(), payload, code, "application/json");
  GetCapturedStdout();
  EXPECT_TRUE(ok) << url << " -> " << code;
  return payload;
}

std::string printedConfig(int port, const std::string& extra = "") {
  const std::string cmd = std::string("python3 '") + QSODECK_SOURCE_DIR +
                          "/tools/sample_dashboard.py' --print-config " + std::to_string(port) + extra +
                          " 2>/dev/null";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

class AprsAdsbSampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
  }
  // The demo configuration of the dashboard at port.
  static void useDemoConfig(const SampleDashboardProcess& dash) {
    desktopApplyConfigText(printedConfig(dash.port()));
    ASSERT_TRUE(aprsFeatureEnabled());
    ASSERT_TRUE(adsbFeatureEnabled());
    cfg.apiUtcToLocalTime = false;
  }
};

TEST_F(AprsAdsbSampleTest, PositionApiAnswersTheBatchAroundTheCentre) {
  SampleDashboardProcess dash({"--period", "3600"});
  ASSERT_TRUE(dash.running());
  useDemoConfig(dash);
  EXPECT_EQ(s(aprsApiBase()), dash.url(""));
  const String batch("DL1ABC,SA7BNT,G4XYZ,N0CALL");
  resetAprsState();
  ASSERT_TRUE(parseAprsLocationResponse(get(aprsApiUrl(batch).str()), "SA7BNT"));
  EXPECT_EQ(s(aprsState.callsign), "SA7BNT");
  EXPECT_FALSE(aprsState.lastSeenText.isEmpty());
  EXPECT_EQ(s(aprsAreaCenterLabel()), "configured");
  ASSERT_TRUE(aprsState.nearbyValid);
  EXPECT_GE(aprsState.nearbyCount, 1);
  EXPECT_LE(aprsState.nearbyCount, 4);
  for (int i = 0; i < aprsState.nearbyCount; ++i) EXPECT_LE(aprsState.nearby[i].distanceKm, 50.0f);
  // Answers stay the same for a call (its place is its own), the moving ones drive on.
  float lat = aprsState.lat;
  ASSERT_TRUE(parseAprsLocationResponse(get(aprsApiUrl("SA7BNT").str()), "SA7BNT"));
  EXPECT_NEAR(aprsState.lat, lat, 0.2f);

  // The service's failures, as the program reads them.
  cfg.aprsApiKey = "not-my-key";
  EXPECT_FALSE(parseAprsLocationResponse(get(aprsApiUrl(batch).str()), "SA7BNT"));
  EXPECT_EQ(s(aprsState.error), "wrong API key");
  EXPECT_EQ(s(aprsState.failCode), "apikey-wrong");
  useDemoConfig(dash);
  EXPECT_NE(s(get(dash.url("/aprs/_mode?set=ratelimit"))).find("ratelimit"), std::string::npos);
  EXPECT_FALSE(parseAprsLocationResponse(get(aprsApiUrl(batch).str()), "SA7BNT"));
  EXPECT_EQ(s(aprsState.error), "APRS rate limited");
  get(dash.url("/aprs/_mode?set=ok"));
  EXPECT_TRUE(parseAprsLocationResponse(get(aprsApiUrl(batch).str()), "SA7BNT"));
}

TEST_F(AprsAdsbSampleTest, ReceiverAircraftMoveAlongTheirTracks) {
  SampleDashboardProcess dash({"--period", "3600", "--adsb-count", "40"});
  ASSERT_TRUE(dash.running());
  useDemoConfig(dash);
  EXPECT_EQ(s(adsbAircraftUrl()), dash.url("/dump1090-fa/data/aircraft.json"));
  clearAdsbData();
  ASSERT_TRUE(parseAdsbAircraftResponse(get(adsbAircraftUrl().str())));
  EXPECT_EQ(adsbState.totalAircraft, 40);
  EXPECT_LT(adsbState.positionAircraft, 40);  // some have no position
  EXPECT_GE(adsbState.aircraftCount, 8);
  EXPECT_GT(adsbState.messages, 0u);
  bool ground = false;
  AdsbState first = adsbState;
  for (int i = 0; i < first.aircraftCount; ++i)
    ground = ground || s(adsbAltitudeText(first.aircraft[i])) == "GROUND";
  EXPECT_TRUE(ground) << "no aircraft on the ground near the centre";
  usleep(1500 * 1000);
  ASSERT_TRUE(parseAdsbAircraftResponse(get(adsbAircraftUrl().str())));
  int moved = 0;
  for (int i = 0; i < adsbState.aircraftCount; ++i) {
    for (int j = 0; j < first.aircraftCount; ++j) {
      if (adsbState.aircraft[i].hex == first.aircraft[j].hex &&
          (adsbState.aircraft[i].lat != first.aircraft[j].lat ||
           adsbState.aircraft[i].lon != first.aircraft[j].lon))
        moved++;
    }
  }
  EXPECT_GE(moved, 4);
}

TEST_F(AprsAdsbSampleTest, OldReceiverKeys) {
  SampleDashboardProcess dash({"--period", "3600", "--adsb-old-keys"});
  ASSERT_TRUE(dash.running());
  useDemoConfig(dash);
  const String payload = get(adsbAircraftUrl().str());
  EXPECT_EQ(s(payload).find("\"alt_baro\""), std::string::npos);
  ASSERT_TRUE(parseAdsbAircraftResponse(payload));
  ASSERT_GT(adsbState.aircraftCount, 0);
  int withAltitude = 0, withSpeed = 0;
  for (int i = 0; i < adsbState.aircraftCount; ++i) {
    withAltitude += adsbState.aircraft[i].altitudeValid;
    withSpeed += adsbState.aircraft[i].speedValid;
  }
  EXPECT_EQ(withAltitude, adsbState.aircraftCount);
  EXPECT_EQ(withSpeed, adsbState.aircraftCount);
}

}  // namespace

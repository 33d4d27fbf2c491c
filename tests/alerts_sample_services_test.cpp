// The alert services of the sample dashboard (tools/sample_services/alerts.py):
// every warning in every service's shape reads back through the program's
// own parsers, the run-time switch raises, changes and clears it, and the
// demo configuration points the program at it.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "hotspot/http_fetch.h"
#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/sample_dashboard_process.h"
#include "support/temp_files.h"
#include "watch/alerts/alerts.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

struct Fetched {
  bool ok = false;
  int code = 0;
  String body;
};

Fetched fetch(const SampleDashboardProcess& dash, const std::string& path) {
  Fetched f;
  CaptureStdout();
  f.ok = httpGetString(dash.url(path).c_str(), f.body, f.code, "");
  GetCapturedStdout();
  return f;
}

std::string printDemoConfig(int port) {
  std::string cmd = std::string("python3 '") + QSODECK_SOURCE_DIR +
                    "/tools/sample_dashboard.py' --print-config " + std::to_string(port);
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

const char* const NINA = "/api31/dashboard/091620000000.json";
const char* const ATOM = "/feeds/meteoalarm-legacy-atom-germany";
const char* const EDR = "/edr/v1/collections/warnings/locations/DE?language=de&token=sample-edr-token";
const char* const NOAA = "/alerts/active?zone=GAZ117";

// The warning of each of the four services, as the program reads it.
struct Readings {
  AlertFields nina, atom, edr, noaa;
  bool found[4] = {false, false, false, false};
};

Readings readAll(const SampleDashboardProcess& dash) {
  Readings r;
  const Fetched nina = fetch(dash, NINA), atom = fetch(dash, ATOM), edr = fetch(dash, EDR),
                noaa = fetch(dash, NOAA);
  EXPECT_TRUE(nina.ok && atom.ok && noaa.ok);
  r.found[0] = desktopParseNinaAlertRaw(nina.body, r.nina);
  r.found[1] = desktopParseMeteoAlarmAtomRaw(atom.body, r.atom);
  r.found[2] = edr.ok && desktopParseMeteoAlarmEdrRaw(edr.body, r.edr);
  r.found[3] = desktopParseNoaaAlertRaw(noaa.body, r.noaa);
  return r;
}

class AlertServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
    applyDesktopConfigDefaults();
    cfg.meteoalarmFilterByCoordinates = true;
    cfg.weatherLat = "48.14";  // inside the sample's box
    cfg.weatherLon = "11.58";
  }
};

}  // namespace

TEST_F(AlertServicesTest, EveryWarningInEveryShape) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  // The heat advisory at start: NOAA sends the real answer.
  const std::string real = readTestData("alerts/noaa_alerts_active_point_heat_advisory_2019.json");
  EXPECT_EQ(fetch(dash, NOAA).body.str(), real);
  Readings heat = readAll(dash);
  for (bool f : heat.found) EXPECT_TRUE(f);
  EXPECT_EQ(
      heat.noaa.title,
      "Heat Advisory issued August 14 at 7:20AM EDT until August 14 at 6:00PM EDT by NWS Charleston SC");
  EXPECT_EQ(heat.nina.title, heat.noaa.title);
  EXPECT_EQ(heat.atom.severity, "Moderate");
  EXPECT_NE(heat.edr.detail.indexOf("Description: * HEAT INDEX VALUES"), -1) << heat.edr.detail.c_str();

  // The update keeps every id (no second popup), with new text.
  ASSERT_TRUE(dash.control("alert=heat-update"));
  Readings update = readAll(dash);
  EXPECT_EQ(update.nina.id, heat.nina.id);
  EXPECT_EQ(update.atom.id, heat.atom.id);
  EXPECT_EQ(update.edr.id, heat.edr.id);
  EXPECT_EQ(update.noaa.id, heat.noaa.id);
  EXPECT_NE(update.noaa.detail, heat.noaa.detail);

  // A new warning: new ids; severe.
  ASSERT_TRUE(dash.control("alert=storm"));
  Readings storm = readAll(dash);
  for (bool f : storm.found) EXPECT_TRUE(f);
  EXPECT_NE(storm.noaa.id, heat.noaa.id);
  EXPECT_NE(storm.atom.id, heat.atom.id);
  for (const AlertFields* f : {&storm.nina, &storm.atom, &storm.edr, &storm.noaa})
    EXPECT_EQ(f->severity, "Severe");
  EXPECT_NE(storm.atom.detail.indexOf("Description: A severe thunderstorm capable"), -1);

  // Frost: the "< 0 °C" of its text survives the Atom feed's escaping.
  ASSERT_TRUE(dash.control("alert=frost"));
  Readings frost = readAll(dash);
  EXPECT_NE(frost.atom.detail.indexOf("< 0 \xC2\xB0"
                                      "C"),
            -1)
      << frost.atom.detail.c_str();
  EXPECT_NE(frost.noaa.detail.indexOf("< 0 \xC2\xB0"
                                      "C"),
            -1);

  // Cleared: no warning anywhere, EDR answers 204.
  ASSERT_TRUE(dash.control("alert=none"));
  Readings none = readAll(dash);
  for (bool f : none.found) EXPECT_FALSE(f);
  EXPECT_EQ(fetch(dash, EDR).code, 204);
  EXPECT_EQ(fetch(dash, NINA).body.str(), readTestData("alerts/nina_dashboard_empty.json"));
}

TEST_F(AlertServicesTest, SwitchesAndRefusals) {
  SampleDashboardProcess dash({"--alert", "none"});
  ASSERT_TRUE(dash.running());
  EXPECT_FALSE(readAll(dash).found[3]);
  int status = 0;
  EXPECT_NE(simpleHttpGet(dash.port(), "/_control/state", &status).find("\"alert\": \"none\""),
            std::string::npos);
  simpleHttpGet(dash.port(), "/_control?alert=tornado", &status);
  EXPECT_EQ(status, 400);
  EXPECT_EQ(fetch(dash, "/edr/v1/collections/warnings/locations/DE?token=wrong").code, 401);
  EXPECT_EQ(fetch(dash, "/api31/dashboard/091620000000.xml").code, 404);
  // The alert switch leaves the misbehaviour switch alone, and the other way round.
  ASSERT_TRUE(dash.control("mode=http-error&code=503&scope=noaa"));
  ASSERT_TRUE(dash.control("alert=storm"));
  EXPECT_EQ(fetch(dash, NOAA).code, 503);
  EXPECT_TRUE(fetch(dash, NINA).ok);
  ASSERT_TRUE(dash.reset());
  AlertFields f;
  EXPECT_TRUE(desktopParseNoaaAlertRaw(fetch(dash, NOAA).body, f));
  EXPECT_EQ(f.severity, "Severe");
}

TEST_F(AlertServicesTest, TheDemoAsksNoaaOnTheDashboard) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  desktopApplyConfigText(printDemoConfig(dash.port()));
  desktopFinalizeLoadedConfig();
  EXPECT_TRUE(alertFeatureEnabled());
  EXPECT_TRUE(cfg.noaaEnabled);
  EXPECT_FALSE(cfg.katwarnEnabled);
  EXPECT_FALSE(cfg.meteoalarmEnabled);
  const std::string origin = dash.url("");
  for (const String* url : {&cfg.noaaAlertsBaseUrl, &cfg.ninaDashboardBaseUrl, &cfg.meteoalarmAtomBaseUrl,
                            &cfg.meteoalarmEdrBaseUrl})
    EXPECT_EQ(url->str().rfind(origin, 0), 0u) << url->c_str();
  AlertFields f;
  Fetched noaa = fetch(dash, noaaAlertsUrl().substring(origin.size()).str());
  ASSERT_TRUE(noaa.ok);
  EXPECT_TRUE(desktopParseNoaaAlertRaw(noaa.body, f));
  // Switched on, the others answer there too.
  cfg.meteoalarmFilterByCoordinates = false;
  EXPECT_TRUE(
      desktopParseNinaAlertRaw(fetch(dash, ninaDashboardAlertUrl().substring(origin.size()).str()).body, f));
  EXPECT_TRUE(desktopParseMeteoAlarmAtomRaw(
      fetch(dash, meteoalarmAtomFeedUrl().substring(origin.size()).str()).body, f));
  EXPECT_TRUE(desktopParseMeteoAlarmEdrRaw(
      fetch(dash, meteoalarmEdrLocationUrl().substring(origin.size()).str()).body, f));
}

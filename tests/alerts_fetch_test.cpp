// Weather alerts, the checks: the sources asked in their fixed order against
// local services, the EDR fallback and its status 204, the cadence, forced
// checks, the end of an alert, the statistics and the trace of the token.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/view.h"
#include "host/board_stubs.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/alerts/alerts.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

const char* const NINA_PATH = "/api31/dashboard/";
const char* const ATOM_PATH = "/feeds/meteoalarm-legacy-atom-";
const char* const EDR_PATH = "/edr/v1/collections/warnings/locations/";
const char* const NOAA_PATH = "/alerts/active";

struct Answer {
  int status;
  std::string body;
};

class AlertFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", ALERT_CHECK_OVERRIDE_ENV})
      unsetenv(v);
    applyDesktopConfigDefaults();
    alertToastState = AlertToastState();
    lastAlertPollCheck = 0;
    diagnosticsState = DiagnosticsState();
    webLogApiStateKnown = false;
    clearWebLog();
    wifiOk = true;
    setupRequired = apModeActive = false;
    WiFi.begin();
    desktopSetTestClock(10000000);
    // Every source answers "nothing" until a test says otherwise.
    answers_[NINA_PATH] = {200, readTestData("alerts/nina_dashboard_empty.json")};
    answers_[ATOM_PATH] = {200, readTestData("alerts/meteoalarm_atom_no_entries_reconstructed.xml")};
    answers_[EDR_PATH] = {204, ""};
    answers_[NOAA_PATH] = {200, readTestData("alerts/noaa_alerts_active_zone_empty_reconstructed.json")};
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
      Answer a{404, "not found"};
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : answers_) {
          if (req.target.rfind(entry.first, 0) == 0) a = entry.second;
        }
      }
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(a.status, "X", a.body));
    }));
    cfg.ninaDashboardBaseUrl = server_->url(NINA_PATH).c_str();
    cfg.meteoalarmAtomBaseUrl = server_->url(ATOM_PATH).c_str();
    cfg.meteoalarmEdrBaseUrl = server_->url(EDR_PATH).c_str();
    cfg.noaaAlertsBaseUrl = server_->url(std::string(NOAA_PATH) + "?zone=").c_str();
    cfg.katwarnLocationId = "091620000000";
    cfg.noaaZone = "GAZ117";
    cfg.meteoalarmFeed = "germany";
    cfg.meteoalarmApiToken = "t0ken";
    cfg.meteoalarmFilterByCoordinates = false;
  }
  void TearDown() override {
    EXPECT_TRUE(waitForFetchesIdle());
    // The workers end before the process does (as at the program's shutdown).
    stopFetchWorkers();
    allowFetches();
    server_.reset();
    desktopClearTestClock();
    unsetenv(ALERT_CHECK_OVERRIDE_ENV);
  }

  void answer(const char* path, int status, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[path] = {status, body};
  }
  void answerFile(const char* path, const char* file) { answer(path, 200, readTestData(file)); }

  // The paths asked so far (the part before the source's own key), in order.
  std::vector<std::string> asked() {
    std::vector<std::string> out;
    for (const LocalHttpRequest& r : server_->requests()) {
      for (const char* p : {NINA_PATH, ATOM_PATH, EDR_PATH, NOAA_PATH}) {
        if (r.target.rfind(p, 0) == 0) out.push_back(p);
      }
    }
    return out;
  }

  // One forced check, run to its end.
  bool check(bool force = true) {
    const bool started = fetchAlertData(force);
    EXPECT_TRUE(waitForFetchesIdle());
    EXPECT_FALSE(alertToastState.fetchInProgress);
    return started;
  }

  int ringLinesWith(const std::string& part) {
    int n = 0;
    for (uint8_t i = 0; i < webLogCount; ++i) {
      const WebLogEntry* e = webLogEntryAt(i);
      if (("[" + e->level.str() + "][" + e->tag.str() + "] " + e->message.str()).find(part) !=
          std::string::npos)
        ++n;
    }
    return n;
  }

  std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::unique_ptr<LocalHttpServer> server_;
};

}  // namespace

TEST_F(AlertFetchTest, SourcesAreAskedInOrderUntilOneHasAnAlert) {
  cfg.katwarnEnabled = cfg.meteoalarmEnabled = cfg.noaaEnabled = true;
  cfg.meteoalarmMode = "atom";
  answerFile(NOAA_PATH, "alerts/noaa_alerts_active_point_heat_advisory_2019.json");
  ASSERT_TRUE(check());
  EXPECT_EQ(asked(), (std::vector<std::string>{NINA_PATH, ATOM_PATH, NOAA_PATH}));
  EXPECT_TRUE(alertToastVisible());
  EXPECT_EQ(alertToastState.source, "NOAA");
  EXPECT_EQ(alertToastState.lastHttpCode, 200);
  EXPECT_EQ(alertToastState.error, "");
  EXPECT_EQ(alertToastState.lastAttemptMillis, 10000000u);
  EXPECT_EQ(alertToastState.lastSuccessMillis, 10000000u);

  // NINA has a warning: nobody else is asked.
  answerFile(NINA_PATH, "alerts/nina_dashboard_storm_reconstructed.json");
  ASSERT_TRUE(check());
  EXPECT_EQ(asked().size(), 4u);
  EXPECT_EQ(asked().back(), NINA_PATH);
  EXPECT_EQ(alertToastState.source, "KATWARN/NINA");

  // The requests carry the accept header of their kind and the user agent.
  for (const LocalHttpRequest& r : server_->requests()) {
    const bool atom = r.target.rfind(ATOM_PATH, 0) == 0;
    EXPECT_EQ(r.header("Accept"),
              atom ? "application/atom+xml, application/xml;q=0.9, text/xml;q=0.8, */*;q=0.5"
                   : "application/geo+json, application/json;q=0.9")
        << r.target;
    EXPECT_EQ(r.header("User-Agent").rfind("Qsodeck/", 0), 0u);
    EXPECT_FALSE(r.hasHeader("X-Display-Token"));
  }
  EXPECT_EQ(server_->requests()[0].target, "/api31/dashboard/091620000000.json");
  EXPECT_EQ(server_->requests()[1].target, "/feeds/meteoalarm-legacy-atom-germany");
  EXPECT_EQ(server_->requests()[2].target, "/alerts/active?zone=GAZ117");
}

TEST_F(AlertFetchTest, EdrFailureFallsBackToTheAtomFeed) {
  cfg.meteoalarmEnabled = cfg.noaaEnabled = true;
  answer(EDR_PATH, 500, "<html>500</html>");
  answerFile(ATOM_PATH, "alerts/meteoalarm_atom_germany_wind_reconstructed.xml");
  ASSERT_TRUE(check());
  EXPECT_EQ(asked(), (std::vector<std::string>{EDR_PATH, ATOM_PATH}));
  EXPECT_EQ(server_->requests()[0].target,
            "/edr/v1/collections/warnings/locations/DE?language=de&token=t0ken");
  EXPECT_EQ(alertToastState.source, "MeteoAlarm");
  EXPECT_EQ(alertToastState.error, "METEOALARM_EDR HTTP 500");
  EXPECT_TRUE(alertToastState.valid);

  // Without a feed there is nothing to fall back to: NOAA is next.
  cfg.meteoalarmFeed = " ";
  ASSERT_TRUE(check());
  EXPECT_EQ(asked().size(), 4u);
  EXPECT_EQ(asked()[2], EDR_PATH);
  EXPECT_EQ(asked()[3], NOAA_PATH);
}

TEST_F(AlertFetchTest, Edr204MeansNoWarningAndNoFallback) {
  cfg.meteoalarmEnabled = cfg.noaaEnabled = true;
  showAlertToast("NOAA", "old", "Old warning", "", "");
  ASSERT_TRUE(check());
  EXPECT_EQ(asked(), (std::vector<std::string>{EDR_PATH, NOAA_PATH}));
  EXPECT_EQ(alertToastState.error, "");
  EXPECT_EQ(alertToastState.lastHttpCode, 200);
  EXPECT_FALSE(alertToastState.valid);  // every source answered: the alert ended
  EXPECT_EQ(diagnosticsState.fetchOk, 2u);
  EXPECT_EQ(diagnosticsState.fetchFail, 0u);
  EXPECT_EQ(ringLinesWith("[WARN][API]"), 0);
}

TEST_F(AlertFetchTest, EdrModeWithoutTokenOrInAtomModeAsksTheFeed) {
  cfg.meteoalarmEnabled = true;
  cfg.meteoalarmApiToken = "";
  ASSERT_TRUE(check());
  cfg.meteoalarmApiToken = "t0ken";
  cfg.meteoalarmMode = "atom";
  ASSERT_TRUE(check());
  EXPECT_EQ(asked(), (std::vector<std::string>{ATOM_PATH, ATOM_PATH}));
}

TEST_F(AlertFetchTest, PointOutsideEveryBoxAsksNoaaNext) {
  cfg.meteoalarmEnabled = cfg.noaaEnabled = true;
  cfg.meteoalarmFilterByCoordinates = true;
  cfg.weatherLat = "-33.92";
  cfg.weatherLon = "18.42";
  answerFile(EDR_PATH, "alerts/meteoalarm_edr_locations_de_reconstructed.json");
  answerFile(NOAA_PATH, "alerts/noaa_alerts_active_point_heat_advisory_2019.json");
  ASSERT_TRUE(check());
  EXPECT_EQ(asked(), (std::vector<std::string>{EDR_PATH, NOAA_PATH}));
  EXPECT_EQ(alertToastState.source, "NOAA");
  EXPECT_EQ(alertToastState.error, "");
  // Inside a box: the EDR warning.
  cfg.weatherLat = "53.55";
  cfg.weatherLon = "9.99";
  alertToastState.lastShownId = "";
  ASSERT_TRUE(check());
  EXPECT_EQ(asked().size(), 3u);
  EXPECT_EQ(alertToastState.source, "MeteoAlarm EDR");
}

TEST_F(AlertFetchTest, AnAlertEndsOnlyWhenEverySourceAnswered) {
  cfg.katwarnEnabled = cfg.noaaEnabled = true;
  answerFile(NOAA_PATH, "alerts/noaa_alerts_active_point_heat_advisory_2019.json");
  ASSERT_TRUE(check());
  ASSERT_TRUE(alertToastState.valid);
  // NOAA down: the alert is kept and the error says why.
  answer(NOAA_PATH, 503, "busy");
  ASSERT_TRUE(check());
  EXPECT_TRUE(alertToastState.valid);
  EXPECT_EQ(alertToastState.error, "NOAA HTTP 503");
  EXPECT_EQ(alertToastState.lastHttpCode, 503);
  // NINA down, NOAA without warnings: still kept (NINA may have one).
  answer(NINA_PATH, 500, "");
  answerFile(NOAA_PATH, "alerts/noaa_alerts_active_zone_empty_reconstructed.json");
  ASSERT_TRUE(check());
  EXPECT_TRUE(alertToastState.valid);
  EXPECT_EQ(alertToastState.error, "KATWARN/NINA HTTP 500");
  // Both answer without warnings: the alert has ended.
  answerFile(NINA_PATH, "alerts/nina_dashboard_empty.json");
  ASSERT_TRUE(check());
  EXPECT_FALSE(alertToastState.valid);
  EXPECT_EQ(alertToastState.error, "");
  EXPECT_TRUE(alertToastState.visible);  // an open popup stays until it is closed
}

TEST_F(AlertFetchTest, NinaFailureIsNotWipedByAnEdr204) {
  cfg.katwarnEnabled = cfg.meteoalarmEnabled = true;
  showAlertToast("KATWARN/NINA", "held", "Held", "", "");
  answer(NINA_PATH, 502, "");
  ASSERT_TRUE(check());
  EXPECT_EQ(asked(), (std::vector<std::string>{NINA_PATH, EDR_PATH}));  // 204: no feed fallback
  EXPECT_TRUE(alertToastState.valid);
  EXPECT_EQ(alertToastState.error, "KATWARN/NINA HTTP 502");
}

TEST_F(AlertFetchTest, TheSameAlertTwicePopsUpOnce) {
  cfg.noaaEnabled = true;
  answerFile(NOAA_PATH, "alerts/noaa_alerts_active_point_heat_advisory_2019.json");
  ASSERT_TRUE(check());
  ASSERT_TRUE(alertToastVisible());
  clearAlertToast();  // CLOSE
  ASSERT_TRUE(check());
  EXPECT_TRUE(alertToastState.valid);
  EXPECT_FALSE(alertToastVisible());
  EXPECT_EQ(ringLinesWith("[WARN][ALERT] NOAA: Heat Advisory issued August 14"), 1);
}

TEST_F(AlertFetchTest, CadenceOncePerSecondAndAtMostHourly) {
  cfg.noaaEnabled = true;
  cfg.alertRefreshMinutes = 90;
  pollAlertDataIfDue();
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(asked().size(), 1u);
  EXPECT_EQ(lastAlertPollCheck, 10000000u);
  // Not due: nothing is asked, the held state is the answer.
  for (uint32_t t = 10000000; t < 10000000 + 5400000; t += 60000) {
    desktopSetTestClock(t);
    pollAlertDataIfDue();
  }
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(asked().size(), 1u);
  EXPECT_FALSE(fetchAlertData(false));
  desktopSetTestClock(10000000 + 5400000);
  lastAlertPollCheck = 10000000 + 5400000 - 999;  // the once-a-second test holds it back
  pollAlertDataIfDue();
  EXPECT_FALSE(alertToastState.fetchInProgress);
  lastAlertPollCheck = 10000000 + 5400000 - 1000;
  pollAlertDataIfDue();
  EXPECT_TRUE(alertToastState.fetchInProgress);
  EXPECT_FALSE(fetchAlertData(true));  // one check at a time
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(asked().size(), 2u);
  // A forced check does not wait for the interval.
  EXPECT_TRUE(check(true));
  EXPECT_EQ(asked().size(), 3u);
  // Below an hour the setting does not count.
  cfg.alertRefreshMinutes = 10;
  EXPECT_EQ(alertCheckIntervalMs(), 3600000u);
  cfg.alertRefreshMinutes = 1440;
  EXPECT_EQ(alertCheckIntervalMs(), 86400000u);
}

TEST_F(AlertFetchTest, NoCheckWithoutNetworkOrUsableSource) {
  cfg.noaaEnabled = true;
  for (int state = 0; state < 3; ++state) {
    wifiOk = state != 0;
    setupRequired = state == 1;
    apModeActive = state == 2;
    lastAlertPollCheck = 0;
    pollAlertDataIfDue();
  }
  wifiOk = true;
  setupRequired = apModeActive = false;
  WiFi.disconnect();
  EXPECT_FALSE(fetchAlertData(true));
  WiFi.begin();
  cfg.noaaZone = " ";
  EXPECT_FALSE(fetchAlertData(true));
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_TRUE(asked().empty());
  EXPECT_EQ(alertToastState.lastAttemptMillis, 0u);
}

TEST_F(AlertFetchTest, AnswersInTheSourcesShapeCountAsGoodFetches) {
  cfg.noaaEnabled = true;
  ASSERT_TRUE(check());  // an empty zone
  EXPECT_EQ(diagnosticsState.fetchOk, 1u);
  EXPECT_EQ(ringLinesWith("[INFO][API] Hotspot API OK (HTTP 200"), 1);
  answer(NOAA_PATH, 200, "<html><body>Hotel Wi-Fi: please log in</body></html>");
  ASSERT_TRUE(check());
  EXPECT_EQ(diagnosticsState.fetchFail, 1u);
  EXPECT_EQ(ringLinesWith("[WARN][API] Hotspot API failed (HTTP 200, "), 1);
  EXPECT_FALSE(alertToastState.valid);
}

TEST_F(AlertFetchTest, TransportFailures) {
  cfg.katwarnEnabled = cfg.noaaEnabled = true;
  cfg.ninaDashboardBaseUrl = ("http://127.0.0.1:" + std::to_string(unusedLocalPort()) + "/").c_str();
  ASSERT_TRUE(check());
  EXPECT_EQ(alertToastState.error, "KATWARN/NINA HTTP -2");
  EXPECT_EQ(asked(), (std::vector<std::string>{NOAA_PATH}));
  EXPECT_EQ(diagnosticsState.fetchFail, 1u);
  // Requests refused (the program stops): the check still ends.
  stopFetchWorkers();
  EXPECT_FALSE(fetchAlertData(true));
  EXPECT_FALSE(alertToastState.fetchInProgress);
  EXPECT_EQ(alertToastState.error, "NOAA HTTP -1");
  allowFetches();
}

TEST_F(AlertFetchTest, TheTokenNeverReachesATraceLine) {
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  cfg.meteoalarmEnabled = true;
  cfg.meteoalarmApiToken = "s3cr3t-Token";
  cfg.meteoalarmEdrQuery = "language=en&token=other-s3cr3t";
  answerFile(EDR_PATH, "alerts/meteoalarm_edr_locations_de_reconstructed.json");
  CaptureStdout();
  check();
  answer(EDR_PATH, 500, "");
  check();
  cfg.meteoalarmEdrBaseUrl = ("http://127.0.0.1:" + std::to_string(unusedLocalPort()) + EDR_PATH).c_str();
  check();
  const std::string out = GetCapturedStdout();
  unsetenv("QSODECK_DESKTOP_HTTP_TRACE");
  EXPECT_NE(out.find("GET http://127.0.0.1:"), std::string::npos) << out;
  EXPECT_NE(out.find("GET failed: http://127.0.0.1:"), std::string::npos) << out;
  EXPECT_NE(out.find("token=***"), std::string::npos) << out;
  EXPECT_EQ(out.find("s3cr3t"), std::string::npos) << out;
  EXPECT_EQ(alertToastState.error.indexOf("s3cr3t"), -1);
  // The service itself got the token.
  EXPECT_NE(server_->requests()[0].target.find("token=s3cr3t-Token"), std::string::npos);
}

TEST_F(AlertFetchTest, AConfigurationLoadEndsARunningCheck) {
  cfg.noaaEnabled = true;
  ASSERT_TRUE(fetchAlertData(true));
  EXPECT_TRUE(alertToastState.fetchInProgress);
  alertsConfigFinalized();
  dropFetchAnswers();
  EXPECT_FALSE(alertToastState.fetchInProgress);
  ASSERT_TRUE(waitForFetchesIdle());
  answerFile(NOAA_PATH, "alerts/noaa_alerts_active_point_heat_advisory_2019.json");
  ASSERT_TRUE(check());
  EXPECT_TRUE(alertToastVisible());
}

TEST_F(AlertFetchTest, DesktopSwitchShortensTheInterval) {
  cfg.noaaEnabled = true;
  setenv(ALERT_CHECK_OVERRIDE_ENV, "2500", 1);
  EXPECT_EQ(alertCheckIntervalMs(), 2500u);
  ASSERT_TRUE(check(false));
  desktopSetTestClock(10000000 + 2499);
  EXPECT_FALSE(fetchAlertData(false));
  desktopSetTestClock(10000000 + 2500);
  EXPECT_TRUE(check(false));
  EXPECT_EQ(asked().size(), 2u);
  for (const char* bad : {"", "abc", "12x", "99999999999"}) {
    setenv(ALERT_CHECK_OVERRIDE_ENV, bad, 1);
    EXPECT_EQ(alertCheckIntervalMs(), 3600000u) << bad;
  }
  setenv(ALERT_CHECK_OVERRIDE_ENV, "5", 1);
  EXPECT_EQ(alertCheckIntervalMs(), 1000u);
}

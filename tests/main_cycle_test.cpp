// Start-up and the main cycle, driven by the test clock against a local
// dashboard server: poll alternation, cadences per watch source, the touch
// grace, pages that do not poll, the UI-only switch and the clock wrap.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/config_apply.h"
#include "core/app.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "host/board_stubs.h"
#include "host/desktop_main.h"
#include "host/firmware.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/hotspot_poll.h"
#include "hotspot/http_fetch.h"
#include "hotspot/live_session.h"
#include "network/wifi.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "ui/page_frame.h"
#include "ui/screensaver.h"
#include "watch/adsb/adsb.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/svxlink/svxlink.h"
#include "watch/weather/weather.h"

namespace {

const char* const STATUS_PATH = "/mmdvmhost/repeaterinfo.php";
const char* const HEARD_PATH = "/api/last_heard.php";
const uint32_t BOOT_MS = 100000;

std::string readDataFile(const std::string& name) { return readTestData("pistar/" + name); }

bool ringContains(const std::string& needle) {
  for (uint8_t i = 0; i < webLogCount; i++) {
    if (std::string(webLogEntryAt(i)->message.c_str()).find(needle) != std::string::npos) return true;
  }
  return false;
}

// Dashboard answers by path prefix (longest prefix wins; 404 otherwise).
class DashboardRoutes {
 public:
  void set(const std::string& prefix, int status, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    table_[prefix] = {status, body};
  }
  std::pair<int, std::string> answerFor(const std::string& target) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::pair<int, std::string> best = {404, ""};
    size_t bestLen = 0;
    for (const auto& entry : table_) {
      if (target.compare(0, entry.first.size(), entry.first) == 0 && entry.first.size() >= bestLen) {
        best = entry.second;
        bestLen = entry.first.size();
      }
    }
    return best;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::pair<int, std::string>> table_;
};

class MainCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    unsetenv("QSODECK_DESKTOP_NETWORK");
    dir_ = makeTempDir("/tmp/qsodeck-main-cycle-");
    ASSERT_FALSE(dir_.empty());
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    routes_.set(STATUS_PATH, 200, readDataFile("repeaterinfo_idle_simplex.html"));
    routes_.set(HEARD_PATH, 200, readDataFile("last_heard_dmr_rf_rssi.json"));
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
      if (req.target.compare(0, strlen(HEARD_PATH), HEARD_PATH) == 0 && heardDelayMs_ > 0)
        usleep(1000 * heardDelayMs_);
      std::pair<int, std::string> answer = routes_.answerFor(req.target);
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(answer.first, "Answer", answer.second));
    }));
    ASSERT_GT(server_->port(), 0);
  }

  void TearDown() override {
    desktopClearTestClock();
    server_.reset();
    if (chdir("/tmp") == 0) removeTempDir(dir_);  // a leftover folder does not fail the test
  }

  // Writes the configuration (pointing at the local dashboard) and runs
  // setup() at the given clock time.
  void boot(uint32_t atMs = BOOT_MS, const std::string& extraKeys = "") {
    mkdir("sdcard", 0755);
    std::ofstream out("sdcard/config.json", std::ios::binary | std::ios::trunc);
    out << "{\n  \"backend\": \"Pi-Star\",\n  \"pistar_host\": \""
        << "127.0.0.1:" << server_->port() << "\",\n"
        << "  \"refresh_ms\": 2000,\n"
        << "  \"screensaver_enabled\": false,\n  \"radioid_lookup_enabled\": false,\n"
        << "  \"target_list_lookup_enabled\": false" << extraKeys << "\n}\n";
    out.close();
    desktopSetTestClock(atMs);
    setup();
  }

  // Lets the requests started by the last pass finish and their answers be
  // applied, as the next pass would, so that each pass's effects are known.
  void settleFetches() { ASSERT_TRUE(waitForFetchesIdle()); }

  // Runs one loop() pass at each step from fromMs up to and including toMs.
  void runPasses(uint32_t fromMs, uint32_t toMs, uint32_t stepMs) {
    for (uint32_t t = fromMs;; t += stepMs) {
      desktopSetTestClock(t);
      loop();
      settleFetches();
      if ((uint32_t)(toMs - t) < stepMs) break;
    }
  }

  // Loop passes from fromMs for durationMs, noting the clock each time the
  // watched value changes.
  template <class Getter>
  std::vector<uint32_t> changeTimes(uint32_t fromMs, uint32_t durationMs, uint32_t stepMs, Getter get) {
    std::vector<uint32_t> times;
    auto last = get();
    for (uint32_t elapsed = 0; elapsed <= durationMs; elapsed += stepMs) {
      uint32_t t = fromMs + elapsed;
      desktopSetTestClock(t);
      loop();
      settleFetches();
      auto now = get();
      if (now != last) times.push_back(t);
      last = now;
    }
    return times;
  }

  // Request targets seen by the dashboard, oldest first.
  std::vector<std::string> hotspotTargets() {
    std::vector<std::string> out;
    for (const LocalHttpRequest& req : server_->requests()) out.push_back(req.target);
    return out;
  }

  // Requests to path while the source is shown under the screensaver for
  // the given simulated hours (one loop pass a second).
  size_t screensaverRequests(WatchSource source, const char* path, uint32_t hours) {
    setCurrentWatchSource(source);
    currentPage = PAGE_LIVE;
    setScreensaverActive(true);
    const size_t before = server_->requests().size();
    runPasses(BOOT_MS + 1000, BOOT_MS + hours * 3600000u, 1000);
    EXPECT_TRUE(screensaverActive);
    const std::vector<LocalHttpRequest> seen = server_->requests();
    size_t count = 0;
    for (size_t i = before; i < seen.size(); i++) count += seen[i].target.compare(0, strlen(path), path) == 0;
    return count;
  }

  std::string dir_;
  DashboardRoutes routes_;
  std::atomic<int> heardDelayMs_{0};  // the last-heard answer comes this late
  std::unique_ptr<LocalHttpServer> server_;
};

std::vector<uint32_t> gaps(const std::vector<uint32_t>& times) {
  std::vector<uint32_t> out;
  for (size_t i = 1; i < times.size(); i++) out.push_back(times[i] - times[i - 1]);
  return out;
}

}  // namespace

// Start-up

TEST_F(MainCycleTest, BootWithConfigurationConnectsAndShowsTheStationAddress) {
  boot();
  EXPECT_TRUE(configOkState);
  EXPECT_TRUE(wifiOk);
  EXPECT_FALSE(setupRequired);
  EXPECT_FALSE(apModeActive);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  EXPECT_STREQ(footerText.c_str(), "Desktop: http://127.0.0.1/");
  EXPECT_TRUE(ringContains("Desktop network simulated. IP 127.0.0.1."));
  // The settings page is off by default, and the boot line says so.
  EXPECT_TRUE(ringContains("Boot complete. Web UI is off (web_ui_enabled)."));
  EXPECT_FALSE(uiDirty);
  EXPECT_FALSE(footerDirty);
  EXPECT_FALSE(headerClockDirty);
  EXPECT_FALSE(scrollingTextDirty);
  EXPECT_EQ(lastInteractionMillis, BOOT_MS);
  EXPECT_TRUE(hotspotTargets().empty());
}

TEST_F(MainCycleTest, SetupWritesItsSerialLinesInOrderWithTraceOff) {
  testing::internal::CaptureStdout();
  boot();
  std::string out = testing::internal::GetCapturedStdout();
  const char* lines[] = {
      "\nBoot start\n",
      "Reset reason CPU0: 0\n",
      "[INFO][BOOT] Boot start.\n",
      "[INFO][BOOT] Reset reason CPU0: 0.\n",
      "Desktop controller: SDL2, runtime size: 800 x 480\n",
      "[INFO][BOOT] SD storage mounted.\n",
      "[INFO][BOOT] Configuration loaded.\n",
      "[INFO][WIFI] Desktop network simulated. IP 127.0.0.1.\n",
      "[INFO][BOOT] Boot complete. Web UI is off (web_ui_enabled).\n",
      "[DESKTOP] post-boot: footer\n",
      "[DESKTOP] post-boot: display settings\n",
      "[DESKTOP] post-boot: normal first page\n",
      "[DESKTOP] post-boot: complete\n",
  };
  size_t at = 0;
  for (const char* line : lines) {
    size_t found = out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line;
    at = found + 1;
  }
  // QSODECK_DESKTOP_TRACE=0 silences the trace lines, not the serial ones.
  EXPECT_EQ(out.find("[DESKTOP] setup: entered."), std::string::npos);
}

TEST_F(MainCycleTest, BootWithUnusableConfigurationStartsTheSetupAccessPoint) {
  mkdir("sdcard", 0755);
  std::ofstream out("sdcard/config.json", std::ios::binary | std::ios::trunc);
  out << "{\"wifi_ssid\": \"your_wifi\"}\n";  // a placeholder network: unusable
  out.close();
  desktopSetTestClock(BOOT_MS);
  setup();
  EXPECT_FALSE(configOkState);
  EXPECT_TRUE(setupRequired);
  EXPECT_TRUE(apModeActive);
  EXPECT_EQ(currentPage, PAGE_AP);
  EXPECT_EQ(previousPage, PAGE_AP);
  EXPECT_EQ(lastRenderedPage, (int)PAGE_AP);
  EXPECT_STREQ(apSsid.c_str(), "Qsodeck-DESKTOP");
  EXPECT_STREQ(footerText.c_str(), "Desktop setup: http://127.0.0.1/");
  EXPECT_TRUE(ringContains("Boot complete with setup AP at http://127.0.0.1/"));
  // The setup guard never polls.
  runPasses(BOOT_MS + 100, BOOT_MS + 20000, 100);
  EXPECT_TRUE(hotspotTargets().empty());
}

TEST_F(MainCycleTest, SetupGuardLogsEveryFiveSecondsInVerboseMode) {
  mkdir("sdcard", 0755);
  std::ofstream out("sdcard/config.json", std::ios::binary | std::ios::trunc);
  out << "{\"wifi_ssid\": \"your_wifi\"}\n";
  out.close();
  desktopSetTestClock(BOOT_MS);
  setup();
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  testing::internal::CaptureStdout();
  runPasses(BOOT_MS + 100, BOOT_MS + 12000, 100);
  std::string captured = testing::internal::GetCapturedStdout();
  unsetenv("QSODECK_DESKTOP_VERBOSE");
  size_t count = 0;
  for (size_t at = captured.find("[DESKTOP] safe setup/AP loop active\n"); at != std::string::npos;
       at = captured.find("[DESKTOP] safe setup/AP loop active\n", at + 1)) {
    count++;
  }
  EXPECT_EQ(count, 3u);  // at +100, +5100 and +10100
  EXPECT_FALSE(uiDirty);
}

// Hotspot poll alternation

TEST_F(MainCycleTest, FirstPollIsStatusThenHeardAndStatusAlternate) {
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 9000, 100);
  std::vector<std::string> expected = {STATUS_PATH, HEARD_PATH, STATUS_PATH, HEARD_PATH, STATUS_PATH};
  EXPECT_EQ(hotspotTargets(), expected);
  EXPECT_TRUE(ringContains("Hotspot API OK (HTTP 200, 0 ms)."));
  EXPECT_EQ(diagnosticsState.fetchOk, 5u);
}

TEST_F(MainCycleTest, PollsWaitForTheTouchGraceAfterBoot) {
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 600, 100);
  EXPECT_TRUE(hotspotTargets().empty());
  runPasses(BOOT_MS + 700, BOOT_MS + 700, 100);
  EXPECT_EQ(hotspotTargets().size(), 1u);
}

TEST_F(MainCycleTest, AlternationContinuesWhenPollsFail) {
  routes_.set(STATUS_PATH, 500, "oops");
  routes_.set(HEARD_PATH, 503, "busy");
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 9000, 100);
  std::vector<std::string> expected = {STATUS_PATH, HEARD_PATH, STATUS_PATH, HEARD_PATH, STATUS_PATH};
  EXPECT_EQ(hotspotTargets(), expected);
  EXPECT_EQ(diagnosticsState.fetchFail, 5u);
  EXPECT_EQ(diagnosticsState.consecutiveFetchFailures, 5u);
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP 500, 0 ms, streak 1)."));
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP 503, 0 ms, streak 2)."));
  EXPECT_STREQ(footerText.c_str(), "Dashboard HTTP: 500");
}

TEST_F(MainCycleTest, FailedHeardPollShowsTheHttpCodeInTheFooter) {
  routes_.set(HEARD_PATH, 503, "busy");
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 3000, 100);
  ASSERT_EQ(hotspotTargets().size(), 2u);
  EXPECT_STREQ(footerText.c_str(), "HTTP error: 503");
}

TEST_F(MainCycleTest, UnreachableDashboardIsATransportFailure) {
  boot();
  cfg.pistarHost = String("127.0.0.1:") + String(unusedLocalPort());
  runPasses(BOOT_MS + 100, BOOT_MS + 3000, 100);
  EXPECT_EQ(diagnosticsState.fetchFail, 2u);
  EXPECT_LT(diagnosticsState.lastApiStatusCode, 0);
  EXPECT_TRUE(hotspotTargets().empty());
}

TEST_F(MainCycleTest, WpsdStatusPollReadsBothDashboardPages) {
  boot();
  cfg.backend = "WPSD";
  runPasses(BOOT_MS + 100, BOOT_MS + 3000, 100);
  std::vector<std::string> expected = {STATUS_PATH, "/mmdvmhost/radioinfo.php",
                                       "/api/?limit=12&names=true&country=true"};
  EXPECT_EQ(hotspotTargets(), expected);
}

TEST_F(MainCycleTest, StatusPageWithoutDashboardDataIsAParseFailure) {
  routes_.set(STATUS_PATH, 200, "<html><body>Login required</body></html>");
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 1000, 100);
  ASSERT_EQ(hotspotTargets().size(), 1u);
  EXPECT_STREQ(footerText.c_str(), "Dashboard parse failed");
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP 200, 0 ms, streak 1)."));
}

TEST_F(MainCycleTest, HeardPollWithoutStationLinkFailsAtOnce) {
  boot();
  WiFi.disconnect();
  EXPECT_FALSE(fetchLastHeard());
  EXPECT_FALSE(wifiOk);
  EXPECT_STREQ(footerText.c_str(), "Wi-Fi disconnected");
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP -1, 0 ms, streak 1)."));
  EXPECT_FALSE(fetchModeStatus());
  EXPECT_TRUE(hotspotTargets().empty());
}

namespace {
BaseType_t lockHeldElsewhere(SemaphoreHandle_t, TickType_t) { return pdFALSE; }
}  // namespace

TEST_F(MainCycleTest, BusyNetworkLockShowsNetworkBusy) {
  boot();
  networkLockTake = lockHeldElsewhere;
  nextFetchHeard = true;
  // The lock is taken on the request's worker: the request starts, and its
  // answer is the busy lock.
  EXPECT_TRUE(fetchLastHeard());
  settleFetches();
  EXPECT_STREQ(footerText.c_str(), "Network busy");
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP -98, 0 ms, streak 1)."));
  EXPECT_TRUE(hotspotTargets().empty());
}

TEST_F(MainCycleTest, ScreensaverWakePollsOnlyReadLastHeard) {
  routes_.set(HEARD_PATH, 200, "[]");  // no new traffic
  boot();
  // The poll's footer text is already shown, so it does not wake the screen.
  setFooterText("API OK, no entries", false);
  setScreensaverActive(true);
  runPasses(BOOT_MS + 100, BOOT_MS + 7000, 100);
  std::vector<std::string> expected = {HEARD_PATH, HEARD_PATH, HEARD_PATH, HEARD_PATH};
  EXPECT_EQ(hotspotTargets(), expected);
  EXPECT_TRUE(screensaverActive);
}

// Touch grace

TEST_F(MainCycleTest, NoPollWithin700MsOfATouch) {
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 800, 100);
  ASSERT_EQ(hotspotTargets().size(), 1u);  // polled at +700
  // A tap 100 ms before the next poll is due holds it back for 700 ms.
  uint32_t touchAt = BOOT_MS + 700 + 1900;
  runPasses(BOOT_MS + 900, touchAt - 100, 100);
  desktopSetTestClock(touchAt);
  noteUserInteraction(true);
  runPasses(touchAt, touchAt + 699, 1);
  EXPECT_EQ(hotspotTargets().size(), 1u);
  runPasses(touchAt + 700, touchAt + 700, 1);
  EXPECT_EQ(hotspotTargets().size(), 2u);
  EXPECT_EQ(lastPoll, touchAt + 700);
}

// Pages that do not poll

TEST_F(MainCycleTest, StatusInfoAboutPagesDoNotPoll) {
  boot();
  for (Page page : {PAGE_STATUS, PAGE_INFO, PAGE_ABOUT}) {
    currentPage = page;
    uint32_t start = BOOT_MS + 100 + 20000 * (uint32_t)page;
    runPasses(start, start + 15000, 250);
    EXPECT_TRUE(hotspotTargets().empty()) << "page " << (int)page;
  }
  currentPage = PAGE_LAST;
  runPasses(BOOT_MS + 200000, BOOT_MS + 200000, 100);
  EXPECT_EQ(hotspotTargets().size(), 1u);
}

TEST_F(MainCycleTest, BackgroundWeatherRefreshRunsOnTheStatusPage) {
  boot(BOOT_MS,
       ",\n  \"weather_enabled\": true, \"weather_lat\": \"52.5\", \"weather_lon\": \"13.4\","
       " \"weather_api_key\": \"k\", \"weather_api_base_url\": \"http://127.0.0.1:1\"");
  currentPage = PAGE_STATUS;
  cfg.weatherRefreshMinutes = 0;  // 0 minutes still means once per minute
  std::vector<uint32_t> times =
      changeTimes(BOOT_MS + 1000, 300000, 1000, [] { return weatherState.lastAttemptMillis; });
  ASSERT_GE(times.size(), 5u);
  for (uint32_t gap : gaps(times)) EXPECT_EQ(gap, 60000u);
  EXPECT_TRUE(hotspotTargets().empty());
}

// Cadence per watch source

TEST_F(MainCycleTest, SvxlinkPollsEvery3sOnThePageAnd10sUnderTheScreensaver) {
  boot(BOOT_MS, ",\n  \"svxlink_enabled\": true, \"svxlink_host\": \"127.0.0.1:1\"");
  cfg.refreshMs = 1000;
  setCurrentWatchSource(WATCH_SVXLINK);
  currentPage = PAGE_LIVE;
  std::vector<uint32_t> times = changeTimes(BOOT_MS + 1000, 20000, 100, [] { return svxlinkPollCount; });
  ASSERT_GE(times.size(), 5u);
  for (uint32_t gap : gaps(times)) EXPECT_EQ(gap, 3000u);

  setScreensaverActive(true);
  times = changeTimes(BOOT_MS + 21100, 50000, 100, [] { return svxlinkPollCount; });
  ASSERT_GE(times.size(), 4u);
  for (uint32_t gap : gaps(times)) EXPECT_EQ(gap, 10000u);
  // Meanwhile the hotspot's last-heard list is polled in the background
  // (never its status page); switched off, nothing reaches the hotspot.
  ASSERT_FALSE(hotspotTargets().empty());
  for (const std::string& target : hotspotTargets()) EXPECT_EQ(target, HEARD_PATH);
  const size_t before = hotspotTargets().size();
  cfg.hotspotBackgroundPoll = false;
  changeTimes(BOOT_MS + 71100, 20000, 100, [] { return svxlinkPollCount; });
  EXPECT_EQ(hotspotTargets().size(), before);
}

TEST_F(MainCycleTest, AdsbPollsEvery5sOnThePageAnd10sUnderTheScreensaver) {
  boot(BOOT_MS, ",\n  \"adsb_enabled\": true, \"adsb_host\": \"127.0.0.1:1\"");
  cfg.adsbRefreshSeconds = 2;
  setCurrentWatchSource(WATCH_ADSB);
  currentPage = PAGE_LIVE;
  std::vector<uint32_t> times =
      changeTimes(BOOT_MS + 1000, 30000, 100, [] { return adsbState.lastAttemptMillis; });
  ASSERT_GE(times.size(), 5u);
  for (uint32_t gap : gaps(times)) EXPECT_EQ(gap, 5000u);

  setScreensaverActive(true);
  times = changeTimes(BOOT_MS + 31100, 50000, 100, [] { return adsbState.lastAttemptMillis; });
  ASSERT_GE(times.size(), 4u);
  for (uint32_t gap : gaps(times)) EXPECT_EQ(gap, 10000u);
}

TEST_F(MainCycleTest, HamqslTenMinuteSettingStillRefreshesOncePerHour) {
  boot(BOOT_MS, ",\n  \"hamqsl_enabled\": true, \"hamqsl_url\": \"http://127.0.0.1:1/solarxml.php\"");
  cfg.hamqslRefreshMinutes = 10;
  currentPage = PAGE_INFO;
  std::vector<uint32_t> times =
      changeTimes(BOOT_MS + 1000, 3 * 3600000u, 1000, [] { return hamqslState.lastAttemptMillis; });
  ASSERT_EQ(times.size(), 4u);
  for (uint32_t gap : gaps(times)) EXPECT_EQ(gap, 3600000u);
}

// A source with its own refresh rule keeps it under the screensaver: the
// wake poll runs every refresh_ms, but weather and solar data are fetched
// only when due (at most once per weather_refresh_minutes, once per hour).
TEST_F(MainCycleTest, ScreensaverKeepsTheWeatherCadence) {
  routes_.set("/data/2.5/weather", 200, readTestData("owm/current_kelvin_dresden_2017.json"));
  boot(BOOT_MS, ",\n  \"weather_enabled\": true, \"weather_lat\": \"52.5\", \"weather_lon\": \"13.4\","
                " \"weather_api_key\": \"k\", \"weather_refresh_minutes\": 10, \"weather_api_base_url\": \"" +
                    server_->url("") + "\"");
  EXPECT_EQ(screensaverRequests(WATCH_WEATHER, "/data/2.5/weather", 3), 18u);  // one per 10 minutes
}

TEST_F(MainCycleTest, ScreensaverKeepsTheSolarDataCadence) {
  routes_.set("/solarxml.php", 200, readTestData("hamqsl/solarxml_2019_no_report_fields.xml"));
  boot(BOOT_MS, ",\n  \"hamqsl_enabled\": true, \"hamqsl_refresh_minutes\": 10, \"hamqsl_url\": \"" +
                    server_->url("/solarxml.php") + "\"");
  EXPECT_EQ(screensaverRequests(WATCH_HAMQSL, "/solarxml.php", 3), 3u);  // one per hour
}

// A configuration applied at run time drops the weather and solar data; the
// background refresh fetches them anew on its next check, and only when the
// network may be used (never in UI-only mode).
TEST_F(MainCycleTest, AppliedConfigurationRefetchesThroughTheBackgroundRefresh) {
  routes_.set("/data/2.5/weather", 200, readTestData("owm/current_kelvin_dresden_2017.json"));
  routes_.set("/solarxml.php", 200, readTestData("hamqsl/solarxml_2019_no_report_fields.xml"));
  boot(BOOT_MS, ",\n  \"weather_enabled\": true, \"weather_lat\": \"52.5\", \"weather_lon\": \"13.4\","
                " \"weather_api_key\": \"k\", \"weather_api_base_url\": \"" + server_->url("") + "\","
                " \"hamqsl_enabled\": true, \"hamqsl_url\": \"" + server_->url("/solarxml.php") + "\"");
  currentPage = PAGE_STATUS;
  auto fetched = [this] {
    size_t n = 0;
    for (const std::string& t : hotspotTargets()) n += t.rfind("/data/2.5/weather", 0) == 0 || t == "/solarxml.php";
    return n;
  };
  runPasses(BOOT_MS + 1000, BOOT_MS + 3000, 1000);
  ASSERT_EQ(fetched(), 2u);

  setenv("QSODECK_DESKTOP_NETWORK", "0", 1);
  applyConfigAfterLoad();
  EXPECT_FALSE(weatherState.valid);
  runPasses(BOOT_MS + 4000, BOOT_MS + 20000, 1000);
  EXPECT_EQ(fetched(), 2u) << "UI-only mode fetched after the apply";

  unsetenv("QSODECK_DESKTOP_NETWORK");
  runPasses(BOOT_MS + 21000, BOOT_MS + 22000, 1000);
  EXPECT_EQ(fetched(), 4u);
  EXPECT_TRUE(weatherState.valid);
  EXPECT_TRUE(hamqslState.valid);
}

// UI-only mode

TEST_F(MainCycleTest, NetworkSwitchOffSkipsNetworkStepsButKeepsRedraws) {
  boot(BOOT_MS,
       ",\n  \"weather_enabled\": true, \"weather_lat\": \"52.5\", \"weather_lon\": \"13.4\","
       " \"weather_api_key\": \"k\", \"weather_api_base_url\": \"http://127.0.0.1:1\"");
  setenv("QSODECK_DESKTOP_NETWORK", "0", 1);
  WiFi.disconnect();  // supervision would notice this at once
  pendingConfigApply = true;
  pendingConfigApplyAt = BOOT_MS;
  requestRedraw();
  testing::internal::CaptureStdout();
  runPasses(BOOT_MS + 100, BOOT_MS + 30000, 100);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("[DESKTOP] interactive UI loop active; network/WebServer/SSH polling is skipped"),
            std::string::npos);
  EXPECT_TRUE(hotspotTargets().empty());
  EXPECT_EQ(weatherState.lastAttemptMillis, 0u);
  EXPECT_TRUE(wifiOk);                         // no supervision
  EXPECT_TRUE(pendingConfigApply);             // no pending-configuration check
  EXPECT_FALSE(uiDirty);                       // redraws still run
  EXPECT_GE(lastClockCheck, BOOT_MS + 25000);  // the clock check still runs
}

TEST_F(MainCycleTest, NetworkPollingLinePrintedOnceWhenOn) {
  boot();
  testing::internal::CaptureStdout();
  runPasses(BOOT_MS + 100, BOOT_MS + 1000, 100);
  std::string out = testing::internal::GetCapturedStdout();
  std::string line =
      "[DESKTOP] firmware network polling enabled; set QSODECK_DESKTOP_NETWORK=0 for UI-only mode";
  size_t first = out.find(line);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(out.find(line, first + 1), std::string::npos);
}

// Network supervision

TEST_F(MainCycleTest, LostStationLinkIsRejoinedAndPollingResumes) {
  boot();
  runPasses(BOOT_MS + 100, BOOT_MS + 1000, 100);
  ASSERT_EQ(hotspotTargets().size(), 1u);
  WiFi.disconnect();
  runPasses(BOOT_MS + 1100, BOOT_MS + 1300, 100);
  EXPECT_TRUE(ringContains("Starting reconnect to SSID \"DESKTOP\""));
  runPasses(BOOT_MS + 1400, BOOT_MS + 6000, 100);
  EXPECT_TRUE(wifiOk);
  EXPECT_TRUE(ringContains("Connected to \"DESKTOP\" on attempt 1/"));
  EXPECT_GE(hotspotTargets().size(), 2u);
}

TEST_F(MainCycleTest, WebSavedInvalidConfigurationSwitchesToTheSetupPage) {
  boot();
  cfg.pistarHost = "";
  pendingConfigApply = true;
  pendingConfigApplyAt = BOOT_MS + 100;
  runPasses(BOOT_MS + 100, BOOT_MS + 100, 100);
  EXPECT_FALSE(pendingConfigApply);
  EXPECT_TRUE(setupRequired);
  EXPECT_TRUE(apModeActive);
  EXPECT_FALSE(wifiOk);
  EXPECT_EQ(currentPage, PAGE_AP);
  EXPECT_STREQ(footerText.c_str(), "Setup required: Qsodeck-DESKTOP / http://127.0.0.1/");
  runPasses(BOOT_MS + 600, BOOT_MS + 10000, 100);
  EXPECT_TRUE(hotspotTargets().empty());
}

// Clock wrap

TEST_F(MainCycleTest, PollsKeepTheirCadenceAcrossTheClockWrap) {
  uint32_t bootAt = 0xFFFFFFFFu - 9999;  // 10 s before the wrap
  boot(bootAt);
  runPasses(bootAt + 100, bootAt + 30000, 100);  // ends 20 s after the wrap
  // First poll at +700, then every 2000 ms: 15 polls in 30 s.
  EXPECT_EQ(hotspotTargets().size(), 15u);
  EXPECT_EQ(lastPoll, bootAt + 700 + 14 * 2000);
}

TEST_F(MainCycleTest, RestartDeadlineBeyondTheWrapIsNotTakenEarly) {
  uint32_t bootAt = 0xFFFFFFFFu - 9999;
  boot(bootAt);
  otaUpdateSuccessful = true;
  otaRestartAt = 0x00000500;  // 1280 ms after the wrap
  runPasses(bootAt + 100, 0x000004FFu, 1);
  EXPECT_TRUE(gDesktopRunning);
  EXPECT_FALSE(ringContains("Rebooting into updated firmware."));
  runPasses(0x00000500u, 0x00000500u, 1);
  EXPECT_FALSE(gDesktopRunning);
  EXPECT_TRUE(ringContains("Rebooting into updated firmware."));
}

TEST_F(MainCycleTest, PendingConfigurationBeyondTheWrapWaitsForItsTime) {
  uint32_t bootAt = 0xFFFFFFFFu - 999;
  boot(bootAt);
  pendingConfigApply = true;
  pendingConfigApplyAt = 200;  // 1201 ms after boot, past the wrap
  runPasses(bootAt + 100, 199, 1);
  EXPECT_TRUE(pendingConfigApply);
  runPasses(200, 200, 1);
  EXPECT_FALSE(pendingConfigApply);
}

// Requests off the main thread

int apiOkLines() {
  int n = 0;
  for (uint8_t i = 0; i < webLogCount; i++) {
    if (std::string(webLogEntryAt(i)->message.c_str()).find("Hotspot API OK") != std::string::npos) ++n;
  }
  return n;
}

TEST_F(MainCycleTest, SlowDashboardAnswerIsAppliedOnceWhileTheLoopKeepsRunning) {
  heardDelayMs_ = 600;
  boot();
  nextFetchHeard = true;
  uint32_t t = BOOT_MS + 700;
  desktopSetTestClock(t);
  loop();  // starts the last-heard poll
  ASSERT_TRUE(fetchChannelBusy(FETCH_CHANNEL_HOTSPOT));
  int passes = 0;
  while (fetchChannelBusy(FETCH_CHANNEL_HOTSPOT) && passes < 4000) {
    desktopSetTestClock(t += 10);
    loop();
    ++passes;
    usleep(5000);
  }
  // The loop went on while the answer was out (600 ms of 5 ms pauses; how
  // long each pass takes is measured in bench/, not here).
  EXPECT_GT(passes, 20);
  EXPECT_LT(passes, 4000);
  EXPECT_EQ(shownHeardList().count, 2);  // both records of the answer
  EXPECT_EQ(apiOkLines(), 1);
  // The poll due meanwhile was skipped, not queued behind the slow one.
  const std::vector<std::string> heard = {HEARD_PATH};
  EXPECT_EQ(hotspotTargets(), heard);
  settleFetches();
  EXPECT_EQ(apiOkLines(), 1);
}

TEST_F(MainCycleTest, AnswerArrivingAfterAConfigurationLoadIsDropped) {
  heardDelayMs_ = 300;
  boot();
  ASSERT_TRUE(fetchLastHeard());
  loadConfig();
  settleFetches();
  EXPECT_EQ(shownHeardList().count, 0);
  EXPECT_EQ(apiOkLines(), 0);
  EXPECT_STRNE(footerText.c_str(), "Updated from 127.0.0.1");
}

TEST_F(MainCycleTest, HotspotAnswerAfterASwitchToSvxlinkLandsInTheHotspotList) {
  heardDelayMs_ = 300;
  boot(BOOT_MS, ",\n  \"svxlink_enabled\": true, \"svxlink_host\": \"127.0.0.1:1\"");
  ASSERT_TRUE(fetchLastHeard());
  setCurrentWatchSource(WATCH_SVXLINK);
  settleFetches();
  EXPECT_EQ(shownHeardList().count, 0);  // the SvxLink list shown stays as it was
  EXPECT_EQ(hotspotHeard().count, 2);
  EXPECT_EQ(svxlinkHeard().count, 0);  // nor did the answer reach the SvxLink cache
  setCurrentWatchSource(WATCH_MMDVM);
  EXPECT_EQ(shownHeardList().count, 2);
  EXPECT_STREQ(shownHeardList().records[0].callsign.c_str(), hotspotHeard().records[0].callsign.c_str());
}

// An idle hotspot answers the same bytes at every poll: once applied they
// change nothing on screen, whichever of the two pages came last, while the
// fetch is still counted. The heard list names a mode the status page does
// not list, so the two answers must agree on the mode statuses.
TEST_F(MainCycleTest, UnchangedDashboardAnswersRequestNoRedraw) {
  std::string heard = readDataFile("last_heard_dstar.json");
  for (size_t at = heard.find("D-Star"); at != std::string::npos; at = heard.find("D-Star"))
    heard.replace(at, 6, "NXDN");
  routes_.set(HEARD_PATH, 200, heard);
  boot();
  ASSERT_TRUE(fetchModeStatus());
  settleFetches();
  ASSERT_TRUE(fetchLastHeard());
  settleFetches();
  EXPECT_TRUE(uiDirty);  // the first answers are drawn
  EXPECT_TRUE(modeNXDN.known && modeNXDN.enabled);
  const uint32_t okBefore = diagnosticsState.fetchOk;
  for (int round = 0; round < 3; ++round) {
    clearRedrawFlags();
    ASSERT_TRUE(fetchModeStatus());
    settleFetches();
    EXPECT_FALSE(anyRedrawFlagSet()) << "status page, round " << round;
    EXPECT_TRUE(modeNXDN.known && modeNXDN.enabled);
    ASSERT_TRUE(fetchLastHeard());
    settleFetches();
    EXPECT_FALSE(anyRedrawFlagSet()) << "last heard, round " << round;
  }
  EXPECT_EQ(diagnosticsState.fetchOk, okBefore + 6);
  // New traffic is drawn again.
  routes_.set(HEARD_PATH, 200, readDataFile("last_heard_dmr_rf_rssi.json"));
  ASSERT_TRUE(fetchLastHeard());
  settleFetches();
  EXPECT_TRUE(uiDirty);
}

TEST_F(MainCycleTest, IdleWaitEndsAtTheNextDueTimeAndNeverSpins) {
  boot();
  runPasses(BOOT_MS + 700, BOOT_MS + 700, 1);  // first poll: lastPoll = BOOT_MS + 700
  settleFetches();
  clearRedrawFlags();  // as the end of a pass leaves them
  scrollingTextActiveFrame = false;
  // The clock at t with the once-a-second and faster checks just done.
  auto checkedAt = [](uint32_t t) {
    desktopSetTestClock(t);
    lastWifiStateCheck = lastClockCheck = lastWeatherPollCheck = lastHamqslPollCheck = t;
  };
  checkedAt(BOOT_MS + 900);
  // Nothing due for a while: the next once-a-second check (a joined station
  // is not watched in between).
  EXPECT_EQ(firmwareIdleWaitMs(), 1000u);
  // The LIVE page changes when a hold ends: the caller's, or a DMR slot's.
  cfg.callsignHoldMs = 3000;
  shownHeardList().live.valid = true;
  shownHeardList().liveMillis = BOOT_MS + 900 - 2700;
  EXPECT_EQ(firmwareIdleWaitMs(), 301u);
  shownHeardList().live.valid = false;
  HeardRecord slotRecord;
  slotRecord.valid = true;
  desktopSetTestClock(BOOT_MS + 900 - 2800);
  noteDmrTimeslotLiveRecord(1, slotRecord);
  checkedAt(BOOT_MS + 900);
  EXPECT_EQ(firmwareIdleWaitMs(), 201u);
  clearDmrTimeslotLiveRecords();
  checkedAt(BOOT_MS + 2650);              // the next poll is due at BOOT_MS + 2700
  EXPECT_EQ(firmwareIdleWaitMs(), 50u);
  // A touch 200 ms ago holds the due poll back: the wait runs to the end of
  // the grace, not 0 (which would spin the loop for the whole grace).
  checkedAt(BOOT_MS + 2800);
  lastInteractionMillis = BOOT_MS + 2600;
  EXPECT_EQ(firmwareIdleWaitMs(), 500u);
  lastInteractionMillis = BOOT_MS + 2800 - 650;
  EXPECT_EQ(firmwareIdleWaitMs(), 50u);
  lastInteractionMillis = BOOT_MS;
  EXPECT_EQ(firmwareIdleWaitMs(), 0u);  // due and no grace: at once
  scrollingTextActiveFrame = true;      // a marquee runs: the animation pace
  EXPECT_EQ(firmwareIdleWaitMs(), 10u);
}

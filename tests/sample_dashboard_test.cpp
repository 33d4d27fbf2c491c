// The sample dashboard shipped in tools/: what it serves and how it misbehaves
// on request, fetched through the program's own text fetch.

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/config.h"
#include "core/config_file.h"
#include "hotspot/http_fetch.h"
#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/sample_dashboard_process.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

struct Fetched {
  bool ok = false;
  int code = 0;
  std::string body;
};

Fetched fetch(const SampleDashboardProcess& dash, const std::string& path, const char* accept = "") {
  Fetched f;
  String payload;
  CaptureStdout();
  f.ok = httpGetString(dash.url(path).c_str(), payload, f.code, accept);
  GetCapturedStdout();
  f.body = payload.str();
  return f;
}

// Runs the dashboard script with --print-config and these arguments; its
// standard output, and its exit code in exitCode.
std::string printConfig(const std::string& args, int& exitCode) {
  std::string cmd = std::string("python3 '") + QSODECK_SOURCE_DIR +
                    "/tools/sample_dashboard.py' --print-config " + args + " 2>/dev/null";
  std::string out;
  exitCode = -1;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

class SampleDashboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
    cfg.deviceCallsign = "N0CALL";
  }
};

// Seen in real answers

TEST_F(SampleDashboardTest, PiStarLastHeardHasTwelveRecordsWithoutNames) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  Fetched f = fetch(dash, "/api/last_heard.php", "application/json");
  ASSERT_TRUE(f.ok) << f.code;
  EXPECT_EQ(f.body.compare(0, 2, "[{"), 0);
  EXPECT_EQ(countOccurrences(f.body, "\"callsign\":"), 12);
  EXPECT_EQ(countOccurrences(f.body, "\"bit_error_rate\":"), 12);
  EXPECT_EQ(countOccurrences(f.body, "\"name\":"), 0);
  EXPECT_NE(f.body.find("\"time_utc\":\"20"), std::string::npos);
}

TEST_F(SampleDashboardTest, WpsdLastHeardCarriesNamesAndCountries) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  Fetched f = fetch(dash, "/api/?limit=12&names=true&country=true", "application/json");
  ASSERT_TRUE(f.ok) << f.code;
  EXPECT_EQ(countOccurrences(f.body, "\"callsign\":"), 12);
  EXPECT_EQ(countOccurrences(f.body, "\"name\":"), 12);
  EXPECT_EQ(countOccurrences(f.body, "\"country\":"), 12);
  EXPECT_EQ(countOccurrences(fetch(dash, "/api/?limit=5&names=true&country=true").body, "\"callsign\":"), 5);
}

TEST_F(SampleDashboardTest, TrafficMoves) {
  SampleDashboardProcess dash({"--period", "0.5"});
  ASSERT_TRUE(dash.running());
  std::string first = fetch(dash, "/api/last_heard.php").body;
  usleep(1200 * 1000);
  std::string second = fetch(dash, "/api/last_heard.php").body;
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first.substr(0, 40), second.substr(0, 40));
}

TEST_F(SampleDashboardTest, PiStarStatusPages) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  Fetched status = fetch(dash, "/mmdvmhost/repeaterinfo.php");
  ASSERT_TRUE(status.ok);
  EXPECT_NE(status.body.find(">DMR</td>"), std::string::npos);
  EXPECT_NE(status.body.find("<th>Trx</th>"), std::string::npos);
  EXPECT_NE(status.body.find("438.800000 MHz"), std::string::npos);
}

TEST_F(SampleDashboardTest, WpsdStatusAndRadioInfoPages) {
  SampleDashboardProcess dash({"--flavour", "wpsd", "--wpsd-radioinfo", "divtable"});
  ASSERT_TRUE(dash.running());
  Fetched status = fetch(dash, "/mmdvmhost/repeaterinfo.php");
  ASSERT_TRUE(status.ok);
  EXPECT_NE(status.body.find("<div class='status-pill active' title=\"\"><span>DMR</span>"),
            std::string::npos);
  Fetched radio = fetch(dash, "/mmdvmhost/radioinfo.php");
  ASSERT_TRUE(radio.ok);
  EXPECT_NE(radio.body.find("TX/RX Freq."), std::string::npos);
  EXPECT_NE(radio.body.find("438.800 MHz"), std::string::npos);
}

TEST_F(SampleDashboardTest, WpsdRadioInfoLayoutsAndRadios) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {{}, {"<span class=\"stat-label\">Frequency</span>", "438.800 MHz"}},  // cards by default
      {{"--wpsd-radio", "duplex"}, {">TX Freq</span>", ">439.450 MHz<", ">RX Freq</span>", ">430.850 MHz<"}},
      {{"--wpsd-radioinfo", "cards", "--wpsd-radio", "simplex-12k5"}, {"stat-card", ">438.812.500 MHz<"}},
      {{"--wpsd-radioinfo", "divtable", "--wpsd-radio", "duplex"}, {">TX Freq.</div>", ">430.850 MHz<"}},
      {{"--wpsd-radioinfo", "divtable", "--wpsd-radio", "simplex-12k5"},
       {"divTableCell", ">438.812.500 MHz<"}},
  };
  for (const Case& c : cases) {
    // Frozen traffic (seed 9): the newest station transmits on RF on DMR
    // slot 2 for a long while, and the radio status says so.
    std::vector<std::string> args = {"--flavour", "wpsd", "--period", "3600", "--seed", "9"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SampleDashboardProcess dash(args);
    ASSERT_TRUE(dash.running());
    Fetched radio = fetch(dash, "/mmdvmhost/radioinfo.php");
    ASSERT_TRUE(radio.ok);
    for (const std::string& part : c.parts) EXPECT_NE(radio.body.find(part), std::string::npos) << part;
    EXPECT_EQ(countOccurrences(radio.body, "TX DMR Slot 2"), 1) << radio.body;
    EXPECT_EQ(radio.body.find("IDLE"), std::string::npos) << radio.body;
  }
}

TEST_F(SampleDashboardTest, RadioIdAnswers) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  Fetched found = fetch(dash, "/api/users?callsign=dl1abc");
  ASSERT_TRUE(found.ok);
  EXPECT_NE(found.body.find("\"fname\":\"Klaus\""), std::string::npos);
  EXPECT_NE(found.body.find("\"count\":1"), std::string::npos);
  EXPECT_NE(fetch(dash, "/api/users?callsign=IU5HJU").body.find("Maccaoni"), std::string::npos);
  EXPECT_EQ(fetch(dash, "/api/users?callsign=KD2QRS").body, "{\"count\":0,\"results\":[]}\n");
  EXPECT_EQ(fetch(dash, "/api/users?callsign=").body, "{\"count\":0,\"results\":[]}\n");
}

TEST_F(SampleDashboardTest, TargetListPages) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  Fetched dmr = fetch(dash, "/digital-radio-lists/brandmeister-talkgroups/", "text/html,text/plain,*/*");
  ASSERT_TRUE(dmr.ok);
  EXPECT_NE(
      dmr.body.find("<td data-label=\"Talkgroup\">91</td><td data-label=\"Talkgroup Name\">World-wide</td>"),
      std::string::npos);
  for (const char* list : {"ysf-reflectors", "p25-reflectors", "nxdn-reflectors", "xlx-reflectors"}) {
    Fetched f = fetch(dash, std::string("/digital-radio-lists/") + list + "/");
    EXPECT_TRUE(f.ok) << list;
    EXPECT_GT(countOccurrences(f.body, "<tr><td"), 20) << list;
  }
  EXPECT_NE(fetch(dash, "/digital-radio-lists/p25-reflectors/")
                .body.find(">10</td><td data-label=\"Name\">P25-PARROT<"),
            std::string::npos);
  EXPECT_EQ(fetch(dash, "/digital-radio-lists/unknown/").code, 404);
}

TEST_F(SampleDashboardTest, RequestsAreRecorded) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  fetch(dash, "/mmdvmhost/repeaterinfo.php");
  fetch(dash, "/api/last_heard.php", "application/json");
  int status = 0;
  std::string log = simpleHttpGet(dash.port(), "/_control/requests", &status);
  EXPECT_EQ(status, 200);
  size_t first = log.find("/mmdvmhost/repeaterinfo.php");
  size_t second = log.find("/api/last_heard.php");
  EXPECT_NE(first, std::string::npos);
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_NE(log.find("Qsodeck/0.0.1.8 (operator=N0CALL)"), std::string::npos);
}

// The demo configuration

TEST_F(SampleDashboardTest, PrintedConfigPointsTheProgramAtEveryService) {
  SampleDashboardProcess dash({"--flavour", "wpsd"});
  ASSERT_TRUE(dash.running());
  int code = 0;
  const std::string json = printConfig(std::to_string(dash.port()) + " --flavour wpsd", code);
  ASSERT_EQ(code, 0) << json;
  desktopApplyConfigText(json);
  EXPECT_EQ(cfg.backend, "WPSD");
  EXPECT_EQ(cfg.pistarHost, dash.hostPort().c_str());
  EXPECT_TRUE(configLooksValid());
  EXPECT_EQ(cfg.refreshMs, 1500u);
  ASSERT_TRUE(cfg.radioIdLookupEnabled);
  ASSERT_TRUE(cfg.targetListLookupEnabled);
  // The URLs the keys name are answered by the dashboard that runs there.
  const std::string origin = dash.url("");
  ASSERT_EQ(cfg.radioIdUsersApiBase.str().rfind(origin, 0), 0u) << cfg.radioIdUsersApiBase.c_str();
  ASSERT_EQ(cfg.targetListBaseUrl.str().rfind(origin, 0), 0u) << cfg.targetListBaseUrl.c_str();
  Fetched user = fetch(dash, cfg.radioIdUsersApiBase.str().substr(origin.size()) + "DL1ABC");
  EXPECT_NE(user.body.find("\"fname\":\"Klaus\""), std::string::npos) << cfg.radioIdUsersApiBase.c_str();
  Fetched list = fetch(dash, cfg.targetListBaseUrl.str().substr(origin.size()) + "p25-reflectors/");
  EXPECT_TRUE(list.ok) << cfg.targetListBaseUrl.c_str();
  EXPECT_TRUE(fetch(dash, "/mmdvmhost/radioinfo.php").ok);
}

TEST_F(SampleDashboardTest, PrintedConfigTakesExtraKeysAndOmissions) {
  int code = 0;
  std::string json = printConfig(
      "8123 --config-extra '\"refresh_ms\": 500, \"screensaver_enabled\": false,' "
      "--config-extra '  \"callsign_hold_ms\": 3000,' --config-extra '' --config-omit target_list_base_url",
      code);
  ASSERT_EQ(code, 0) << json;
  EXPECT_EQ(countOccurrences(json, "\"refresh_ms\""), 1) << json;  // the later value replaced the first
  EXPECT_NE(json.find("\"refresh_ms\": 500"), std::string::npos) << json;
  EXPECT_NE(json.find("\"callsign_hold_ms\": 3000"), std::string::npos) << json;
  EXPECT_NE(json.find("\"screensaver_enabled\": false"), std::string::npos) << json;
  EXPECT_NE(json.find("\"backend\": \"Pi-Star\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"pistar_host\": \"127.0.0.1:8123\""), std::string::npos) << json;
  EXPECT_EQ(json.find("target_list_base_url"), std::string::npos) << json;
  // Members that are no JSON, and ports outside 1..65535, print nothing.
  for (const char* bad :
       {"8123 --config-extra '\"a\": '", "8123 --config-extra 'refresh_ms=5'", "0", "70000"}) {
    EXPECT_EQ(printConfig(bad, code), "") << bad;
    EXPECT_EQ(code, 2) << bad;
  }
}

// Misbehaviour switched at run time

TEST_F(SampleDashboardTest, HttpErrorThenRecovery) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(dash.control("mode=http-error&code=503"));
  Fetched bad = fetch(dash, "/api/last_heard.php");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.code, 503);
  EXPECT_EQ(fetch(dash, "/mmdvmhost/repeaterinfo.php").code, 503);
  ASSERT_TRUE(dash.reset());
  EXPECT_TRUE(fetch(dash, "/api/last_heard.php").ok);
}

TEST_F(SampleDashboardTest, TruncatedAndDroppedAnswersAreTransportFailures) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(dash.control("mode=truncate"));
  Fetched cut = fetch(dash, "/api/last_heard.php");
  EXPECT_EQ(cut.code, -2);
  EXPECT_EQ(cut.body, "");
  ASSERT_TRUE(dash.control("mode=drop"));
  EXPECT_EQ(fetch(dash, "/api/last_heard.php").code, -2);
}

TEST_F(SampleDashboardTest, WrongContentStillArrivesAsOk) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(dash.control("mode=html"));
  Fetched html = fetch(dash, "/api/last_heard.php");
  EXPECT_TRUE(html.ok);
  EXPECT_EQ(html.body.compare(0, 15, "<!DOCTYPE html>"), 0);
  ASSERT_TRUE(dash.control("mode=garbage"));
  Fetched noise = fetch(dash, "/api/last_heard.php");
  EXPECT_TRUE(noise.ok);
  EXPECT_EQ(noise.body.size(), 512u);
  ASSERT_TRUE(dash.control("mode=empty"));
  Fetched empty = fetch(dash, "/api/last_heard.php");
  EXPECT_TRUE(empty.ok);
  EXPECT_EQ(empty.body, "");
}

TEST_F(SampleDashboardTest, ScopeAndCountLimitTheMisbehaviour) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(dash.control("mode=http-error&code=500&scope=radioid&count=1"));
  EXPECT_TRUE(fetch(dash, "/api/last_heard.php").ok);
  EXPECT_EQ(fetch(dash, "/api/users?callsign=DL1ABC").code, 500);
  EXPECT_EQ(fetch(dash, "/api/users?callsign=DL1ABC").code, 200);
}

TEST_F(SampleDashboardTest, SlowAnswerArrives) {
  SampleDashboardProcess dash({"--mode", "slow", "--delay", "0.3"});
  ASSERT_TRUE(dash.running());
  EXPECT_TRUE(fetch(dash, "/api/last_heard.php").ok);
}

TEST_F(SampleDashboardTest, TrickleIsCutByTheIdleTimeout) {
  SampleDashboardProcess dash({"--mode", "trickle", "--delay", "5"});
  ASSERT_TRUE(dash.running());
  Fetched f = fetch(dash, "/mmdvmhost/repeaterinfo.php");
  EXPECT_FALSE(f.ok);
  EXPECT_EQ(f.code, -2);
}

TEST_F(SampleDashboardTest, ErrorModeFromCommandLine) {
  SampleDashboardProcess dash({"--mode", "http-error", "--code", "502"});
  ASSERT_TRUE(dash.running());
  EXPECT_EQ(fetch(dash, "/api/last_heard.php").code, 502);
  EXPECT_EQ(fetch(dash, "/api/users?callsign=DL1ABC").code, 200);  // default scope: dashboard pages
}

// Hostile control input

TEST_F(SampleDashboardTest, UnknownControlValuesAreRejected) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  EXPECT_FALSE(dash.control("mode=explode"));
  EXPECT_FALSE(dash.control("scope=everything"));
  EXPECT_FALSE(dash.control("mode=slow&delay=abc"));
  EXPECT_FALSE(dash.control("mode=slow&delay=-1"));
  EXPECT_FALSE(dash.control("mode=trickle&delay=nan"));
  EXPECT_FALSE(dash.control("mode=slow&delay=1e9"));
  EXPECT_FALSE(dash.control("mode=http-error&code=99"));
  EXPECT_FALSE(dash.control("mode=http-error&code=600"));
  EXPECT_TRUE(fetch(dash, "/api/last_heard.php").ok);
  int status = 0;
  simpleHttpGet(dash.port(), "/no/such/page", &status);
  EXPECT_EQ(status, 404);
}

}  // namespace

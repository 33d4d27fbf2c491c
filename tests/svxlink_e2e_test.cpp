// The SvxLink node of the sample dashboard, read by the program's own fetch
// and scrape (every page it serves, traffic that moves, the demo keys), and
// the real program started on the SvxLink page against it under X: the node
// page shows the talker, the talker is looked up once at RadioID, the fetch
// outcomes are logged, and a failing node is reported. Skips without X.

#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "core/config.h"
#include "core/config_file.h"
#include "core/view.h"
#include "hotspot/heard.h"
#include "hotspot/http_fetch.h"
#include "hotspot/last_heard_parser.h"
#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"
#include "watch/svxlink/svxlink.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const OK_PREFIX = "[INFO][API] Hotspot API OK (HTTP 200, ";
// With one transmission an hour and seed 9 the node transmits DL1ABC (Klaus,
// Germany) on TG 240 for the whole test.
const char* const FROZEN_PERIOD_S = "3600";
const char* const SEED = "9";
const char* const TALKER = "DL1ABC";

std::string fetchBody(const SampleDashboardProcess& dash, const std::string& path) {
  String payload;
  int code = 0;
  CaptureStdout();
  const bool ok = httpGetString(dash.url(path).c_str(), payload, code, "");
  GetCapturedStdout();
  return ok ? payload.str() : std::string();
}

bool scrapeAsPoll(const std::string& page, bool bridge) {
  return bridge ? parseSvxlinkBridgeAnswer(String(page)) : parseSvxlinkDashboardHtml(String(page));
}

std::string printConfig(int port) {
  std::string cmd = std::string("python3 '") + QSODECK_SOURCE_DIR +
                    "/tools/sample_dashboard.py' --print-config " + std::to_string(port) + " 2>/dev/null";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

}  // namespace

TEST(SampleSvxlinkNode, EveryPageScrapesAndTheTrafficMoves) {
  for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
  SampleDashboardProcess dash({"--svx-period", "1", "--seed", SEED});
  ASSERT_TRUE(dash.running());
  // The demo keys point the program at the node's dashboard page.
  desktopApplyConfigText(printConfig(dash.port()));
  EXPECT_TRUE(cfg.svxlinkEnabled);
  setCurrentWatchSource(WATCH_SVXLINK);
  ASSERT_EQ(currentWatchSource, WATCH_SVXLINK);
  EXPECT_EQ(std::string(svxlinkApiUrl().c_str()), dash.url("/index.php"));

  ASSERT_TRUE(scrapeAsPoll(fetchBody(dash, "/index.php"), false));
  EXPECT_EQ(svxlinkHeard().count, MAX_HEARD);
  EXPECT_EQ(std::string(svxlinkReflectorStatus.c_str()), "Connected");
  EXPECT_TRUE(svxlinkRadioStatus == "TX" || svxlinkRadioStatus == "RX" || svxlinkRadioStatus == "Listening")
      << svxlinkRadioStatus.c_str();
  EXPECT_EQ(std::string(svxlinkDefaultTg.c_str()), "260");
  EXPECT_EQ(svxlinkActiveTg, svxlinkHeard().records[0].target.substring(3));
  const std::string first = svxlinkHeard().records[0].callsign.c_str() + std::string(" ") + svxlinkHeard().records[0].timeUtc.c_str();

  ASSERT_TRUE(scrapeAsPoll(fetchBody(dash, "/include/status.php"), false));
  EXPECT_EQ(svxlinkLogicCount, 2);
  ASSERT_TRUE(scrapeAsPoll(fetchBody(dash, "/include/lh.php"), false));
  EXPECT_EQ(svxlinkHeard().count, MAX_HEARD);
  for (int i = 0; i < svxlinkHeard().count; ++i) EXPECT_TRUE(svxlinkHeard().records[i].target.startsWith("TG ")) << i;

  cfg.svxlinkSource = "api";
  EXPECT_EQ(std::string(svxlinkApiUrl().c_str()), dash.url("/api/display-json.php"));
  ASSERT_TRUE(scrapeAsPoll(fetchBody(dash, "/api/display-json.php"), true));
  EXPECT_EQ(svxlinkHeard().count, MAX_HEARD);
  EXPECT_FALSE(svxlinkHeard().records[0].targetName.isEmpty() && svxlinkHeard().records[1].targetName.isEmpty() &&
               svxlinkHeard().records[2].targetName.isEmpty());

  // A new transmission every second.
  sleepMilliseconds(2100);
  ASSERT_TRUE(scrapeAsPoll(fetchBody(dash, "/index.php"), false));
  EXPECT_NE(svxlinkHeard().records[0].callsign.c_str() + std::string(" ") + svxlinkHeard().records[0].timeUtc.c_str(), first);
}

class SvxlinkEndToEnd : public PrivateXProgramTest {};

TEST_F(SvxlinkEndToEnd, StartsOnTheNodePageShowsTheTalkerAndLooksItUpOnce) {
  SampleDashboardProcess dash({"--svx-period", FROZEN_PERIOD_S, "--seed", SEED});
  ASSERT_TRUE(dash.running());
  ASSERT_TRUE(program_.linkShippedFlags());
  ASSERT_TRUE(program_.writeConfig(
      sampleDashboardConfigJson(dash, "Pi-Star", 500,
                                {"\"svxlink_enabled\": true", "\"svxlink_host\": \"" + dash.hostPort() + "\"",
                                 "\"svxlink_source\": \"url\"", "\"start_page_after_boot\": \"svxlink\""})));
  ASSERT_TRUE(program_.start());
  ASSERT_TRUE(program_.waitForLog("Start page after boot: SVXLink LIVE.", 1, WAIT_MS)) << program_.log();
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();
  ASSERT_TRUE(
      program_.waitForLog(std::string("[INFO][LOOKUP] Callsign lookup found ") + TALKER + " as ", 1, WAIT_MS))
      << program_.log();

  const std::string window = findXWindow(WINDOW_TITLE);
  ASSERT_FALSE(window.empty());
  // The node page: the talker's line in the card in the large font (far more
  // than "No last heard yet" would leave on the left), the flag beside it,
  // the radio state and talkgroups filled in.
  RgbImage shot;
  const std::string ppm = program_.dir() + "/node.ppm";
  int talkerPixels = 0;
  for (int waited = 0; waited < 15000; waited += 200) {
    ASSERT_TRUE(captureXWindow(window, ppm, shot));
    // "DL1ABC - Klaus Becker" reaches past x 420 in font 4, "No last heard yet" not.
    talkerPixels = pixelsOtherThan(shot, 420, 256, 340, 40, dominantColour(shot, 420, 256, 340, 40));
    if (talkerPixels > 400) break;
    sleepMilliseconds(200);
  }
  convertToPng(ppm, "svxlink_node_page_after_first_polls.png");
  EXPECT_GT(talkerPixels, 400) << "no caller line in the last-heard card";
  EXPECT_GE(distinctColours(shot, 50, 255, 32, 32), 3) << "no flag";
  const int radioText = pixelsOtherThan(shot, 30, 166, 345, 28, dominantColour(shot, 30, 166, 345, 28));
  EXPECT_GT(radioText, 30);
  const int tgText = pixelsOtherThan(shot, 40, 381, 700, 34, dominantColour(shot, 40, 381, 700, 34));
  EXPECT_GT(tgText, 150);

  // More polls come, and the talker is not looked up again.
  const std::string lookup = std::string("/api/users?callsign=") + TALKER;
  std::string requests;
  for (int waited = 0; waited < WAIT_MS; waited += 200) {
    requests = simpleHttpGet(dash.port(), "/_control/requests");
    if (countOccurrences(requests, "\"path\": \"/index.php\"") >= 4) break;
    sleepMilliseconds(200);
  }
  EXPECT_GE(countOccurrences(requests, "\"path\": \"/index.php\""), 4) << requests;
  EXPECT_EQ(countOccurrences(requests, lookup), 1) << requests;
  // Only the hotspot's last-heard list is polled, in the background.
  EXPECT_EQ(countOccurrences(requests, "/mmdvmhost/repeaterinfo.php"), 0) << "the hotspot's status page is polled";

  // The node fails and comes back: both outcomes are logged.
  ASSERT_TRUE(dash.control("mode=http-error&code=503&scope=svxlink"));
  ASSERT_TRUE(program_.waitForLog("[WARN][API] Hotspot API failed (HTTP 503, ", 1, WAIT_MS))
      << program_.log();
  ASSERT_TRUE(dash.reset());
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 2, WAIT_MS)) << program_.log();
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

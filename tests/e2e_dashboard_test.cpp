// The real program under X against the sample dashboard on 127.0.0.1, seen
// from outside: the requests the dashboard received, the trace and serial
// lines of "desktop.log", the footer of the real window, and the exit.
// Skips without an X display (run under xvfb-run).

#include <gtest/gtest.h>

#include <ctype.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "core/theme.h"
#include "host/display.h"
#include "support/desktop_program.h"
#include "support/display_probe.h"
#include "support/local_http_server.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/x_window.h"
#include "ui/page_frame.h"

namespace {

const unsigned REFRESH_MS = 250;  // the loader takes any period; short keeps the run short
const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const OK_PREFIX = "[INFO][API] Hotspot API OK (HTTP 200, ";
const char* const CLOSED_LINE = "[DESKTOP] window closed; exiting normally.\n";
const char* const STATUS_PATH = "/mmdvmhost/repeaterinfo.php";
const char* const HEARD_PATH = "/api/last_heard.php";
// Footer box of the window (below the separator line at y 442).
const int FOOTER_Y = 444;
const int FOOTER_H = 36;

// Paths of the dashboard's request log, in the order they arrived.
std::vector<std::string> requestPaths(const SampleDashboardProcess& dash) {
  std::string json = simpleHttpGet(dash.port(), "/_control/requests");
  std::vector<std::string> paths;
  const std::string key = "\"path\": \"";
  for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    size_t start = at + key.size();
    size_t end = json.find('"', start);
    if (end == std::string::npos) break;
    paths.push_back(json.substr(start, end - start));
  }
  return paths;
}

// Only the hotspot polls (no RadioID or list requests).
std::vector<std::string> hotspotPolls(const std::vector<std::string>& paths) {
  std::vector<std::string> polls;
  for (const std::string& p : paths) {
    if (p == STATUS_PATH || p == HEARD_PATH) polls.push_back(p);
  }
  return polls;
}

// Paths of the "[DESKTOP][HTTP] GET <url> -> ..." trace lines (successful and
// failed) that went to the dashboard, in log order.
std::vector<std::string> tracedGetPaths(const std::string& log, const std::string& origin) {
  std::vector<std::string> paths;
  size_t pos = 0;
  while ((pos = log.find("[DESKTOP][HTTP] GET ", pos)) != std::string::npos) {
    size_t lineEnd = log.find('\n', pos);
    std::string line = log.substr(pos, lineEnd == std::string::npos ? std::string::npos : lineEnd - pos);
    size_t at = line.find(origin);
    if (at != std::string::npos) {
      size_t start = at + origin.size();
      paths.push_back(line.substr(start, line.find(' ', start) - start));
    }
    pos += 1;
  }
  return paths;
}

// Every "Hotspot API OK (HTTP 200, N ms)." line has a plain decimal N.
bool okLinesWellFormed(const std::string& log, int& count) {
  count = 0;
  for (size_t at = log.find(OK_PREFIX); at != std::string::npos; at = log.find(OK_PREFIX, at + 1)) {
    size_t p = at + strlen(OK_PREFIX);
    size_t digits = 0;
    while (p < log.size() && isdigit((unsigned char)log[p])) ++p, ++digits;
    if (digits == 0 || log.compare(p, 6, " ms).\n") != 0) return false;
    ++count;
  }
  return count > 0;
}

// The streak numbers of all "Hotspot API failed (...)" lines, in order.
std::vector<int> streakNumbers(const std::string& log) {
  std::vector<int> streaks;
  const std::string failed = "[WARN][API] Hotspot API failed (HTTP ";
  const std::string streak = " ms, streak ";
  for (size_t at = log.find(failed); at != std::string::npos; at = log.find(failed, at + 1)) {
    size_t s = log.find(streak, at);
    if (s == std::string::npos) break;
    streaks.push_back(atoi(log.c_str() + s + streak.size()));
  }
  return streaks;
}

// The footer band as the program's own drawing code paints it for text,
// rendered offscreen in this process (theme colours may differ from the
// program's: footers are compared by the shapes drawn, not by colour).
bool renderFooter(const std::string& text, RgbImage& out) {
  static bool ready = false;
  if (!ready) {
    if (!initOffscreenDisplay()) return false;
    setDefaultTheme();
    ready = true;
  }
  footerText = String(text.c_str());
  drawFooter();
  std::vector<uint32_t> frame = readFrame();
  out.width = SCREEN_W;
  out.height = SCREEN_H;
  out.pixels = frame;
  return true;
}

class DashboardEndToEnd : public PrivateXProgramTest {
 protected:
  void startAgainst(const SampleDashboardProcess& dash) {
    ASSERT_TRUE(dash.running());
    origin_ = "http://" + dash.hostPort();
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash, "Pi-Star", REFRESH_MS)));
    ASSERT_TRUE(program_.start());
  }

  // Number of dashboard GETs (either hotspot path) the trace log holds.
  int tracedPolls() {
    int n = 0;
    for (const std::string& p : tracedGetPaths(program_.log(), origin_))
      n += (p == STATUS_PATH || p == HEARD_PATH);
    return n;
  }

  bool waitForTracedPolls(int count) {
    for (int waited = 0; waited < WAIT_MS; waited += 50) {
      if (tracedPolls() >= count) return true;
      if (!program_.running()) return false;
      sleepMilliseconds(50);
    }
    return false;
  }

  // Screenshots of the window until every wanted footer text was seen on
  // it; the texts not seen are left in wanted, and for each of them the
  // smallest number of differing footer pixels goes into closest.
  void watchFooterFor(std::vector<std::string>& wanted, std::string* closest = nullptr) {
    std::vector<RgbImage> expected;
    for (const std::string& text : wanted) {
      RgbImage img;
      ASSERT_TRUE(renderFooter(text, img));
      expected.push_back(img);
    }
    std::string window = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window.empty());
    std::string shot = program_.dir() + "/footer.ppm";
    std::vector<int> best(wanted.size(), SCREEN_W * FOOTER_H);
    for (int round = 0; round < 100 && !wanted.empty(); ++round) {
      RgbImage actual;
      ASSERT_TRUE(captureXWindow(window, shot, actual));
      ASSERT_EQ(actual.width, SCREEN_W);
      ASSERT_EQ(actual.height, SCREEN_H);
      for (size_t i = 0; i < wanted.size(); ++i) {
        int diff = differingShapes(actual, expected[i], 0, FOOTER_Y, SCREEN_W, FOOTER_H);
        if (diff == 0) {
          wanted.erase(wanted.begin() + (long)i);
          expected.erase(expected.begin() + (long)i);
          best.erase(best.begin() + (long)i);
          break;
        }
        if (diff < best[i]) best[i] = diff;
      }
      sleepMilliseconds(60);
    }
    if (closest != nullptr) {
      // For a human: the last screenshot and the footers looked for.
      convertToPng(shot, "footer_actual.png");
      for (size_t i = 0; i < wanted.size(); ++i) {
        std::string expectedPpm = program_.dir() + "/expected.ppm";
        if (writePpmFile(expectedPpm, expected[i]))
          convertToPng(expectedPpm, "footer_expected_" + std::to_string(i) + ".png");
        *closest += "\"" + wanted[i] + "\": at best " + std::to_string(best[i]) + " footer pixels differ; ";
      }
    }
  }

  std::string origin_;
};

}  // namespace

// Seen from the dashboard and in the log

TEST_F(DashboardEndToEnd, FirstPollIsStatusThenLastHeardAndPollsAlternate) {
  SampleDashboardProcess dash;
  startAgainst(dash);
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();
  ASSERT_TRUE(waitForTracedPolls(6)) << program_.log();

  std::vector<std::string> polls = hotspotPolls(requestPaths(dash));
  ASSERT_GE(polls.size(), 6u);
  for (size_t i = 0; i < polls.size(); ++i) {
    EXPECT_EQ(polls[i], i % 2 == 0 ? STATUS_PATH : HEARD_PATH) << "request " << i;
  }

  // The trace log shows the same order, and the first OK line follows the
  // first (status) poll.
  std::string log = program_.log();
  std::vector<std::string> traced = tracedGetPaths(log, origin_);
  std::vector<std::string> tracedPollsOnly = hotspotPolls(traced);
  ASSERT_GE(tracedPollsOnly.size(), 2u);
  EXPECT_EQ(tracedPollsOnly[0], STATUS_PATH);
  EXPECT_EQ(tracedPollsOnly[1], HEARD_PATH);
  size_t firstStatus = log.find("[DESKTOP][HTTP] GET " + origin_ + STATUS_PATH + " -> HTTP 200, ");
  size_t firstOk = log.find(OK_PREFIX);
  size_t firstHeard = log.find("[DESKTOP][HTTP] GET " + origin_ + HEARD_PATH + " -> HTTP 200, ");
  ASSERT_NE(firstStatus, std::string::npos);
  EXPECT_LT(firstStatus, firstOk);
  EXPECT_LT(firstOk, firstHeard);
  EXPECT_LT(log.find("[DESKTOP] main: first loop() returned.\n"), firstStatus);

  int okLines = 0;
  EXPECT_TRUE(okLinesWellFormed(log, okLines)) << log;
  // Repeated identical successes log only the first.
  EXPECT_EQ(okLines, 1) << log;
  EXPECT_EQ(log.find("[WARN][API]"), std::string::npos) << log;
  // The device log is mirrored to the console as well.
  EXPECT_NE(program_.output().find(OK_PREFIX), std::string::npos);

  EXPECT_EQ(program_.stop(SIGTERM), 0);
  EXPECT_EQ(countOccurrences(program_.log(), CLOSED_LINE), 1);
}

TEST_F(DashboardEndToEnd, EveryRequestCarriesTheOperatorUserAgent) {
  SampleDashboardProcess dash;
  startAgainst(dash);
  ASSERT_TRUE(waitForTracedPolls(2)) << program_.log();
  std::string json = simpleHttpGet(dash.port(), "/_control/requests");
  int requests = countOccurrences(json, "\"path\": ");
  ASSERT_GE(requests, 2);
  EXPECT_EQ(countOccurrences(json, "[\"User-Agent\", \"Qsodeck/0.0.1.8 (operator=N0CALL)\"]"), requests)
      << json;
  EXPECT_EQ(countOccurrences(json, "[\"Connection\", \"close\"]"), 0) << json;  // connections are kept
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

// A dashboard that goes away and comes back

TEST_F(DashboardEndToEnd, StoppedDashboardGivesStreakLinesAndFooterThenRecovers) {
  int port = 0;
  {
    SampleDashboardProcess dash;
    startAgainst(dash);
    port = dash.port();
    ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();
    ASSERT_TRUE(waitForTracedPolls(2)) << program_.log();
  }  // the dashboard stops here: connections are refused from now on

  const std::string failedPrefix = "[WARN][API] Hotspot API failed (HTTP -2, ";
  ASSERT_TRUE(program_.waitForLog(failedPrefix, 3, WAIT_MS)) << program_.log();
  // Five failed fetches later still only the first three streak lines.
  int failedGets = countOccurrences(program_.log(), "[DESKTOP][HTTP] GET failed: " + origin_);
  ASSERT_TRUE(program_.waitForLog("[DESKTOP][HTTP] GET failed: " + origin_, failedGets + 3, WAIT_MS));
  std::string log = program_.log();
  EXPECT_NE(log.find(" ms, streak 1).\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" ms, streak 2).\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" ms, streak 3).\n"), std::string::npos) << log;
  EXPECT_EQ(log.find(" ms, streak 4)."), std::string::npos) << log;
  EXPECT_EQ(log.find(" ms, streak 5)."), std::string::npos) << log;
  EXPECT_EQ(countOccurrences(log, failedPrefix), 3) << log;

  // The footer of the real window takes turns showing both fetches' failure.
  std::vector<std::string> wanted = {"HTTP error: -2", "Dashboard HTTP: -2"};
  std::string closest;
  watchFooterFor(wanted, &closest);
  EXPECT_TRUE(wanted.empty()) << "never shown in the footer: " << closest;

  // The dashboard comes back on the same port: the next success logs OK.
  SampleDashboardProcess again({"--port", std::to_string(port)});
  ASSERT_TRUE(again.running()) << "port " << port << " was taken meanwhile";
  ASSERT_EQ(again.port(), port);
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 2, WAIT_MS)) << program_.log();
  // However long the breakdown lasted, only streaks 1 to 3 and multiples of
  // 10 were logged.
  for (int streak : streakNumbers(program_.log())) {
    EXPECT_TRUE(streak <= 3 || streak % 10 == 0) << "streak " << streak << " logged";
  }

  EXPECT_EQ(program_.stop(SIGTERM), 0);
  EXPECT_EQ(countOccurrences(program_.log(), CLOSED_LINE), 1);
  EXPECT_NE(program_.output().find(CLOSED_LINE), std::string::npos);
}

TEST_F(DashboardEndToEnd, HttpErrorsShowTheCodeInFooterAndLogUntilRecovery) {
  SampleDashboardProcess dash;
  startAgainst(dash);
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 1, WAIT_MS)) << program_.log();

  // Only the last-heard answer fails: the footer keeps the heard message
  // (status successes set none) and every change of outcome is logged.
  ASSERT_TRUE(dash.control("mode=http-error&code=503&scope=heard"));
  ASSERT_TRUE(program_.waitForLog("[WARN][API] Hotspot API failed (HTTP 503, ", 2, WAIT_MS))
      << program_.log();
  ASSERT_TRUE(program_.waitForLog(OK_PREFIX, 3, WAIT_MS)) << program_.log();
  EXPECT_EQ(program_.log().find(" ms, streak 2)."), std::string::npos)
      << "a success in between ends the streak";
  std::vector<std::string> heardOnly = {"HTTP error: 503"};
  std::string heardOnlyClosest;
  watchFooterFor(heardOnly, &heardOnlyClosest);
  EXPECT_TRUE(heardOnly.empty()) << heardOnlyClosest << "footer never showed \"HTTP error: 503\"";

  // Now only the status page fails.
  ASSERT_TRUE(dash.control("mode=http-error&code=500&scope=status"));
  ASSERT_TRUE(program_.waitForLog("[WARN][API] Hotspot API failed (HTTP 500, ", 1, WAIT_MS))
      << program_.log();
  std::vector<std::string> statusOnly = {"Dashboard HTTP: 500"};
  std::string statusOnlyClosest;
  watchFooterFor(statusOnly, &statusOnlyClosest);
  EXPECT_TRUE(statusOnly.empty()) << statusOnlyClosest << "footer never showed \"Dashboard HTTP: 500\"";

  // A login page answered with 200 is no status page.
  ASSERT_TRUE(dash.control("mode=html&scope=status"));
  std::vector<std::string> parseFailed = {"Dashboard parse failed"};
  std::string parseFailedClosest;
  watchFooterFor(parseFailed, &parseFailedClosest);
  EXPECT_TRUE(parseFailed.empty()) << parseFailedClosest << "footer never showed \"Dashboard parse failed\"";

  // Back to normal: after a few polls the last API line is an OK line
  // (written now, or already by the last heard success, since repeated
  // successes log only once) and no failure follows it.
  ASSERT_TRUE(dash.reset());
  ASSERT_TRUE(waitForTracedPolls(tracedPolls() + 4)) << program_.log();
  std::string log = program_.log();
  size_t lastOk = log.rfind(OK_PREFIX);
  ASSERT_NE(lastOk, std::string::npos);
  EXPECT_EQ(log.find("[WARN][API]", lastOk), std::string::npos) << log.substr(lastOk);

  EXPECT_EQ(program_.stop(SIGTERM), 0);
  EXPECT_EQ(countOccurrences(program_.log(), CLOSED_LINE), 1);
}

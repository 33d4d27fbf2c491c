// The real program polling the sample dashboard on 127.0.0.1: the first poll
// is a status poll, then last-heard; a failing dashboard gives the failure
// streak lines and a recovered one the OK line again. Needs X (skips without).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "support/desktop_program.h"
#include "support/local_http_server.h"
#include "support/sample_dashboard_process.h"
#include "support/temp_files.h"

namespace {

const int WAIT_LIMIT_MS = 60000;
const int EXIT_LIMIT_MS = 30000;
const char* const OK_LINE = "[INFO][API] Hotspot API OK (HTTP 200, ";

class SampleDashboardRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    dir_ = makeTempDir("/tmp/qsodeck-dash-e2e-");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    removeTempDir(dir_);  // a leftover temp folder does not fail the test
  }

  void writeConfig(const SampleDashboardProcess& dash, const char* backend) {
    ASSERT_EQ(system(("mkdir -p '" + dir_ + "/sdcard'").c_str()), 0);
    std::ofstream cfg(dir_ + "/sdcard/config.json");
    cfg << "{\n  \"backend\": \"" << backend << "\",\n  \"wifi_ssid\": \"DESKTOP\",\n  \"wifi_pass\": \"\",\n"
        << "  \"pistar_host\": \"" << dash.hostPort() << "\",\n  \"device_callsign\": \"N0CALL\",\n"
        << "  \"refresh_ms\": 500,\n  \"radioid_lookup_enabled\": true,\n"
        << "  \"radioid_users_api_base\": \"" << dash.url("/api/users?callsign=") << "\"\n}\n";
  }

  void start() {
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(120);
      int fd = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) _exit(121);
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      for (const char* v : {"SDL_VIDEODRIVER", "QSODECK_DESKTOP_HOLD_LOOP", "QSODECK_DESKTOP_SDL_EVENTS",
                            "QSODECK_DESKTOP_TRACE", "QSODECK_DESKTOP_NETWORK", "http_proxy", "HTTP_PROXY",
                            "all_proxy", "ALL_PROXY"}) {
        unsetenv(v);
      }
      execl(QSODECK_BINARY_PATH, QSODECK_BINARY_PATH, (char*)nullptr);
      _exit(122);
    }
  }

  std::string log() const { return readWholeFile(dir_ + "/desktop.log"); }

  // Waits until the log holds `count` copies of text; false when the program
  // ended or the time ran out first.
  bool waitForLog(const std::string& text, int count = 1) {
    for (int waited = 0; waited < WAIT_LIMIT_MS; waited += 50) {
      if (countOccurrences(log(), text) >= count) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return countOccurrences(log(), text) >= count;
      }
      sleepMilliseconds(50);
    }
    return false;
  }

  // Waits until the dashboard's request log holds text.
  static bool waitForRequest(const SampleDashboardProcess& dash, const std::string& text) {
    for (int waited = 0; waited < WAIT_LIMIT_MS; waited += 100) {
      if (simpleHttpGet(dash.port(), "/_control/requests").find(text) != std::string::npos) return true;
      sleepMilliseconds(100);
    }
    return false;
  }

  int stopWithSigterm() {
    if (kill(pid_, SIGTERM) != 0) return -3;
    for (int waited = 0; waited < EXIT_LIMIT_MS; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
      }
      sleepMilliseconds(20);
    }
    return -1;
  }

  std::string dir_;
  pid_t pid_ = -1;
};

TEST_F(SampleDashboardRun, StatusPollFirstThenLastHeardThenFailureAndRecovery) {
  SampleDashboardProcess dash({"--period", "2"});
  ASSERT_TRUE(dash.running());
  writeConfig(dash, "Pi-Star");
  start();
  ASSERT_TRUE(waitForLog(OK_LINE)) << log();
  ASSERT_TRUE(waitForRequest(dash, "/api/last_heard.php"));

  std::string requests = simpleHttpGet(dash.port(), "/_control/requests");
  size_t status = requests.find("\"path\": \"/mmdvmhost/repeaterinfo.php\"");
  size_t heard = requests.find("\"path\": \"/api/last_heard.php\"");
  ASSERT_NE(status, std::string::npos) << requests;
  EXPECT_LT(status, heard);
  EXPECT_NE(requests.find("Qsodeck/0.0.1.8 (operator=N0CALL)"), std::string::npos);

  // The dashboard breaks down: three streak lines, then it recovers.
  ASSERT_TRUE(dash.control("mode=http-error&code=500"));
  ASSERT_TRUE(waitForLog("[WARN][API] Hotspot API failed (HTTP 500, ")) << log();
  ASSERT_TRUE(waitForLog(" ms, streak 3).")) << log();
  EXPECT_EQ(countOccurrences(log(), " ms, streak 4)."), 0);
  ASSERT_TRUE(dash.control("mode=drop"));
  ASSERT_TRUE(waitForLog("[WARN][API] Hotspot API failed (HTTP -2, ")) << log();
  ASSERT_TRUE(dash.reset());
  ASSERT_TRUE(waitForLog(OK_LINE, 2)) << log();

  EXPECT_EQ(stopWithSigterm(), 0);
  EXPECT_NE(log().find("[DESKTOP] window closed; exiting normally.\n"), std::string::npos);
}

TEST_F(SampleDashboardRun, WpsdDashboardIsPolledOnItsOwnPaths) {
  SampleDashboardProcess dash({"--flavour", "wpsd"});
  ASSERT_TRUE(dash.running());
  writeConfig(dash, "WPSD");
  start();
  ASSERT_TRUE(waitForLog(OK_LINE)) << log();
  EXPECT_TRUE(waitForRequest(dash, "/mmdvmhost/radioinfo.php"));
  EXPECT_TRUE(waitForRequest(dash, "/api/?limit=12&names=true&country=true"));
  EXPECT_EQ(stopWithSigterm(), 0);
}

TEST_F(SampleDashboardRun, NamesAreLookedUpAtTheUsersApi) {
  SampleDashboardProcess dash({"--period", "1"});
  ASSERT_TRUE(dash.running());
  writeConfig(dash, "Pi-Star");
  start();
  ASSERT_TRUE(waitForLog(OK_LINE)) << log();
  EXPECT_TRUE(waitForRequest(dash, "/api/users?callsign="));
  EXPECT_EQ(stopWithSigterm(), 0);
}

}  // namespace

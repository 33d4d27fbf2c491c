// Remote actions end to end: the real program in its window under X, the
// sample dashboard for the hotspot, and a private OpenSSH server with a
// throw-away account standing in for the hotspot's shell. Taps go through the
// mouse (xdotool), results are read from the footer in screenshots and from
// the device log. Skips when not root or without sshd.

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"
#include "support/desktop_program.h"
#include "support/display_probe.h"
#include "support/local_sshd.h"
#include "support/private_x_program_test.h"
#include "support/sample_dashboard_process.h"
#include "support/temp_files.h"
#include "support/x_window.h"
#include "ui/page_frame.h"

namespace {

const int WAIT_MS = 30000;
const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const STATUS_GET = "/mmdvmhost/repeaterinfo.php -> HTTP 200";
const int FOOTER_Y = 444;
const int FOOTER_H = 36;
const int TAP_GAP_MS = 400;  // taps closer than 220 ms are dropped
// Taps: the DMR mode button, YES of the confirmation, the preset launcher,
// preset slots 0..2, the LIVE and HEARD tabs.
const int DMR_X = 100, DMR_Y = 90;
const int YES_X = 540, YES_Y = 288;
const int LAUNCHER_X = 400, LAUNCHER_Y = 400;
const int SLOT_X[] = {222, 512, 222};
const int SLOT_Y[] = {200, 200, 268};
const int LIVE_TAB_X = 70, HEARD_TAB_X = 227, TAB_Y = 36;
const int BODY_X = 15, BODY_Y = 72, BODY_W = 770, BODY_H = 368;

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The footer as the program's own drawing code paints this text (compared
// by shapes: theme colours may differ).
bool renderFooter(const std::string& text, RgbImage& out) {
  static bool ready = false;
  if (!ready) {
    if (!initOffscreenDisplay()) return false;
    setDefaultTheme();
    ready = true;
  }
  footerText = String(text.c_str());
  drawFooter();
  out.width = SCREEN_W;
  out.height = SCREEN_H;
  out.pixels = readFrame();
  return true;
}

std::string presetJson(const char* label, const char* command) {
  return std::string("{\"enabled\": true, \"use_sudo\": false, \"label\": \"") + label +
         "\", \"command\": \"" + command + "\"}";
}

class SshEndToEnd : public PrivateXProgramTest {
 protected:
  void SetUp() override {
    const std::string why = LocalSshServer::unavailableReason();
    if (!why.empty()) GTEST_SKIP() << why;
    PrivateXProgramTest::SetUp();
    if (IsSkipped()) return;
    sshd_.reset(new LocalSshServer());
    ASSERT_TRUE(sshd_->ok()) << sshd_->error();
    ASSERT_TRUE(dash_.running());
  }

  // Starts the program with the presets (slot order) and waits for the
  // first status poll, so the modes are known.
  void startProgram(const std::vector<std::string>& presets) {
    std::string list = "[";
    for (size_t i = 0; i < presets.size(); ++i) list += (i ? ", " : "") + presets[i];
    list += "]";
    const std::vector<std::string> keys = {
        "\"touch_mode_ssh_enabled\": true",
        "\"pistar_ssh_user\": \"" + sshd_->user() + "\"",
        "\"pistar_ssh_pass\": \"" + sshd_->password() + "\"",
        "\"pistar_ssh_port\": " + std::to_string(sshd_->port()),
        "\"quick_actions\": " + list,
    };
    // A long poll period: any status poll after the first is one the
    // program asked for at once.
    ASSERT_TRUE(program_.writeConfig(sampleDashboardConfigJson(dash_, "Pi-Star", 600000, keys)));
    ASSERT_TRUE(program_.start({{"QSODECK_DESKTOP_VERBOSE", "1"}}));
    ASSERT_TRUE(program_.waitForLog(STATUS_GET, 1, WAIT_MS)) << program_.log();
    window_ = findXWindow(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty());
  }

  void tap(int x, int y) {
    ASSERT_TRUE(clickXWindow(window_, x, y));
    sleepMilliseconds(TAP_GAP_MS);
  }

  void runPreset(int slot) {
    tap(LAUNCHER_X, LAUNCHER_Y);
    tap(SLOT_X[slot], SLOT_Y[slot]);
  }

  // True once a screenshot shows exactly this footer.
  bool footerShows(const std::string& text, int timeoutMs = 10000) {
    RgbImage expected;
    if (!renderFooter(text, expected)) return false;
    const std::string ppm = program_.dir() + "/footer.ppm";
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
      RgbImage shot;
      if (!captureXWindow(window_, ppm, shot)) return false;
      if (differingShapes(shot, expected, 0, FOOTER_Y, SCREEN_W, FOOTER_H) == 0) return true;
      sleepMilliseconds(100);
    }
    convertToPng(ppm, "footer_seen.png");
    return false;
  }

  RgbImage screenshot(const std::string& name) {
    RgbImage shot;
    captureXWindow(window_, program_.dir() + "/" + name + ".ppm", shot);
    return shot;
  }

  std::string log() { return program_.log(); }

  SampleDashboardProcess dash_{{"--period", "3600"}};
  std::unique_ptr<LocalSshServer> sshd_;
  std::string window_;
};

// A confirmed DMR disable sends exactly the mode command with sudo and the
// password on standard input; a failing preset shows its error line; a
// successful one polls at once; a changed host key is refused unrun; the
// password never reaches the log.
TEST_F(SshEndToEnd, ModeToggleAndPresetsOverSsh) {
  startProgram({presetJson("Fail3", "echo bad thing >&2; exit 3"), presetJson("Slow", "sleep 1"),
                presetJson("Ping", "true")});
  sshd_->setRecordOnly(true);  // the hotspot's mode tool is not here: record only
  tap(DMR_X, DMR_Y);
  tap(YES_X, YES_Y);
  ASSERT_TRUE(program_.waitForLog("[INFO][SSH] DMR disabled via SSH. (DMR disable on 127.0.0.1:", 1, WAIT_MS))
      << log();
  EXPECT_EQ("sudo -S -p '' /usr/local/sbin/pistar-mmdvmhost-module 'DMR' 'Disable'", sshd_->lastCommand());
  EXPECT_EQ(sshd_->password() + "\n", sshd_->lastStdin());
  EXPECT_TRUE(footerShows("DMR disabled via SSH."));
  // The key was pinned on this first connection, in OpenSSH's format.
  const std::string knownHosts = readWholeFile(program_.dir() + "/sdcard/ssh_known_hosts");
  EXPECT_EQ(0u, knownHosts.find("[127.0.0.1]:" + std::to_string(sshd_->port()) + " ssh-ed25519 "))
      << knownHosts;

  sshd_->setRecordOnly(false);
  runPreset(0);
  EXPECT_TRUE(program_.waitForLog("[WARN][SSH] Fail3 failed: bad thing (Preset Fail3 on", 1, WAIT_MS))
      << log();
  EXPECT_TRUE(footerShows("Fail3 failed: bad thing"));

  const int statusPolls = countOccurrences(log(), STATUS_GET);
  runPreset(2);
  ASSERT_TRUE(program_.waitForLog("[INFO][SSH] Ping completed. (", 1, WAIT_MS)) << log();
  EXPECT_TRUE(program_.waitForLog(STATUS_GET, statusPolls + 1, 5000)) << "no poll after the preset";

  const int commands = sshd_->commandCount();
  ASSERT_TRUE(sshd_->replaceHostKey()) << sshd_->error();
  runPreset(2);
  EXPECT_TRUE(program_.waitForLog("[WARN][SSH] SSH host key changed for 127.0.0.1; refusing. (", 1, WAIT_MS))
      << log();
  EXPECT_TRUE(footerShows("SSH host key changed for 127.0.0.1; refusing."));
  EXPECT_EQ(commands, sshd_->commandCount());
  EXPECT_EQ(knownHosts, readWholeFile(program_.dir() + "/sdcard/ssh_known_hosts"));

  const std::string all = log() + program_.output();
  EXPECT_EQ(std::string::npos, all.find(sshd_->password())) << "the password reached the log";
  EXPECT_EQ(std::string::npos, all.find("[DESKTOP][FATAL]"));
}

// While a preset sleeps for 5 s the window goes on: the main loop keeps its
// heartbeat, a tap changes the page at once; closing the window while a
// command runs ends the program promptly.
TEST_F(SshEndToEnd, WindowStaysResponsiveAndClosesDuringACommand) {
  startProgram({presetJson("Nap", "sleep 5"), presetJson("Long", "sleep 30")});
  runPreset(0);
  ASSERT_TRUE(footerShows("Nap: running...", 5000));
  const int64_t started = nowMs();
  const int beats = countOccurrences(log(), "[DESKTOP] heartbeat: running.\n");
  const RgbImage live = screenshot("live");
  tap(HEARD_TAB_X, TAB_Y);
  RgbImage heard;
  for (int i = 0; i < 20; ++i) {
    heard = screenshot("heard");
    if (differingPixels(live, heard, BODY_X, BODY_Y, BODY_W, BODY_H) > 1000) break;
    sleepMilliseconds(50);
  }
  const int64_t pageChangedAfter = nowMs() - started;
  EXPECT_GT(differingPixels(live, heard, BODY_X, BODY_Y, BODY_W, BODY_H), 1000)
      << "the HEARD page did not come";
  EXPECT_LT(pageChangedAfter, 3000);
  ASSERT_TRUE(program_.waitForLog("[INFO][SSH] Nap completed. (", 1, 15000)) << log();
  const int64_t took = nowMs() - started;
  EXPECT_GE(took, 4000);
  // One heartbeat a second from the main loop while the command ran.
  EXPECT_GE(countOccurrences(log(), "[DESKTOP] heartbeat: running.\n") - beats, (int)(took / 1000) - 1);

  tap(LIVE_TAB_X, TAB_Y);
  runPreset(1);
  ASSERT_TRUE(footerShows("Long: running...", 5000));
  for (int i = 0; i < 100 && sshd_->commandCount() < 2; ++i) sleepMilliseconds(50);
  const int64_t closing = nowMs();
  ASSERT_EQ(0, system(("python3 '" + std::string(QSODECK_SOURCE_DIR) + "/tests/support/x_close_window.py' " +
                       window_ + " >/dev/null 2>&1")
                          .c_str()));
  for (int i = 0; i < 200 && program_.running(); ++i) sleepMilliseconds(50);
  EXPECT_FALSE(program_.running()) << "the program did not end within 10 s";
  EXPECT_LT(nowMs() - closing, 5000);
  EXPECT_EQ(0, program_.exitCode()) << program_.output();
  EXPECT_NE(std::string::npos, log().find("[DESKTOP] waiting for 1 background task(s) to end.")) << log();
  EXPECT_NE(std::string::npos, log().find("[DESKTOP] background tasks ended after ")) << log();
}

}  // namespace

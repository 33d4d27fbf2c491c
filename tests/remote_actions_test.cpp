// Remote actions: the command lines of presets and mode switches, the
// preconditions and footer texts, and the two background tasks with their
// hand-off to the main cycle, run on real threads against a stand-in
// transport (the real transport has its own tests against sshd). Also run
// under ThreadSanitizer (make test-tsan).

#include <gtest/gtest.h>

#include <pthread.h>
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "actions/remote_actions.h"
#include "core/app.h"
#include "core/config.h"
#include "core/view.h"
#include "host/board_stubs.h"
#include "hotspot/heard.h"
#include "support/temp_files.h"

namespace {

// ---------------------------------------------------------------- stand-in transport

// Records each request and answers with `answer`; while `hold` is set the
// call waits (as a slow command would).
struct FakeTransport {
  std::mutex m;
  std::condition_variable cv;
  bool hold = false;
  int calls = 0;
  DesktopSshRequest last;
  std::string threadName;
  DesktopSshResult answer;
};
FakeTransport gFake;

DesktopSshResult fakeRun(const DesktopSshRequest& request) {
  char name[16] = "";
  pthread_getname_np(pthread_self(), name, sizeof(name));
  std::unique_lock<std::mutex> lock(gFake.m);
  ++gFake.calls;
  gFake.last = request;
  gFake.threadName = name;
  gFake.cv.notify_all();
  gFake.cv.wait(lock, [] { return !gFake.hold; });
  return gFake.answer;
}

void setAnswer(DesktopSshOutcome outcome, const char* error = "") {
  std::lock_guard<std::mutex> lock(gFake.m);
  gFake.answer = DesktopSshResult();
  gFake.answer.outcome = outcome;
  gFake.answer.exitStatus = outcome == DesktopSshOutcome::OK ? 0 : 1;
  gFake.answer.error = error;
}

void setHold(bool hold) {
  std::lock_guard<std::mutex> lock(gFake.m);
  gFake.hold = hold;
  gFake.cv.notify_all();
}

int fakeCalls() {
  std::lock_guard<std::mutex> lock(gFake.m);
  return gFake.calls;
}

DesktopSshRequest lastRequest() {
  std::lock_guard<std::mutex> lock(gFake.m);
  return gFake.last;
}

bool waitFor(const std::atomic<bool>& flag, bool value, int timeoutMs = 5000) {
  for (int waited = 0; waited < timeoutMs; ++waited) {
    if (flag.load() == value) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return flag.load() == value;
}

class RemoteActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setRemoteCommandRunner(fakeRun);
    setAnswer(DesktopSshOutcome::OK);
    setHold(false);
    {
      std::lock_guard<std::mutex> lock(gFake.m);
      gFake.calls = 0;
      gFake.threadName.clear();
    }
    cfg = AppConfig();
    cfg.backend = "Pi-Star";
    cfg.pistarHost = "127.0.0.1:8080";
    cfg.pistarSshUser = "pi-star";
    cfg.pistarSshPass = "raspberry";
    cfg.pistarSshPort = 2222;
    cfg.touchModeSshEnabled = true;
    cfg.svxlinkEnabled = true;
    cfg.svxlinkSshEnabled = true;
    cfg.svxlinkHost = "http://svx.local:8081/index.php";
    cfg.svxlinkSshUser = "svxlink";
    cfg.svxlinkSshPass = "svxpass";
    cfg.svxlinkSshPort = 22;
    for (auto& s : cfg.quickActions) s = QuickActionSlotConfig();
    for (auto& s : cfg.svxlinkActions) s = QuickActionSlotConfig();
    setSlot(cfg.quickActions[0], "Restart gateway", "systemctl restart dmrgateway", true);
    setSlot(cfg.svxlinkActions[1], "Link 91", "echo '*91#' > /tmp/dtmf", false);
    setSlot(cfg.svxlinkActions[2], "  ", "echo '#' > /tmp/dtmf", false);  // no label: not usable
    modeDMR = ModeStatus();
    footerText = "";
    lastPoll = 12345;
    nextFetchHeard = true;
  }

  void TearDown() override {
    setHold(false);
    EXPECT_TRUE(desktopWaitForTasks(5000));
    processModeToggleTaskResult();
    processQuickActionTaskResult();
    setRemoteCommandRunner(nullptr);
  }

  static void setSlot(QuickActionSlotConfig& s, const char* label, const char* command, bool sudo) {
    s.enabled = true;
    s.useSudo = sudo;
    s.label = label;
    s.command = command;
  }

  // Starts a preset and waits for its result to be posted and consumed.
  void runQuickActionTask(int slot, bool svxlink) {
    startQuickActionTask(slot, svxlink);
    ASSERT_TRUE(waitFor(quickActionTaskDone, true));
    processQuickActionTaskResult();
    ASSERT_TRUE(waitFor(quickActionTaskRunning, false));
  }

  void runModeToggleTask(const char* label, bool enable) {
    startModeToggleTask(label, enable);
    ASSERT_TRUE(waitFor(modeToggleTaskDone, true));
    processModeToggleTaskResult();
    ASSERT_TRUE(waitFor(modeToggleTaskRunning, false));
  }
};

// ---------------------------------------------------------------- command lines

TEST(RemoteCommands, QuotingAndSudoWrapping) {
  EXPECT_EQ(String("'echo it'\\''s'"), shellSingleQuote("echo it's"));
  EXPECT_EQ(String("''"), shellSingleQuote(""));
  struct Case {
    const char* command;
    bool useSudo;
    const char* user;
    const char* expected;
    bool sendsPassword;
  };
  const Case cases[] = {
      {"echo it's", false, "pi-star", "/bin/sh -c 'echo it'\\''s'", false},
      {"reboot", true, "pi-star", "sudo -S -p '' /bin/sh -c 'reboot'", true},
      {"reboot", true, "root", "/bin/sh -c 'reboot'", false},
      {"reboot", true, " root ", "/bin/sh -c 'reboot'", false},
      {"reboot", true, "", "sudo -S -p '' /bin/sh -c 'reboot'", true},      // empty is not root
      {"reboot", true, "Root", "sudo -S -p '' /bin/sh -c 'reboot'", true},  // only "root" is root
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    bool send = !c.sendsPassword;
    EXPECT_EQ(String(c.expected), buildWrappedRemoteShellCommand(c.command, c.useSudo, c.user, send));
    EXPECT_EQ(c.sendsPassword, send);
  }
}

// A POSIX shell reads every quoted text back unchanged.
TEST(RemoteCommands, QuotedTextSurvivesARealShell) {
  const char* texts[] = {"it's", "'''", "a\\'b", "$(id) `id` $HOME", "semi; colon && or || \"dq\"", " lead"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const std::string command = std::string("printf %s ") + shellSingleQuote(text).c_str();
    int status = -1;
    EXPECT_EQ(std::string(text), shellCommandOutput(command, &status));
    EXPECT_EQ(status, 0);
  }
}

TEST_F(RemoteActionsTest, PresetCommandsAndTheirRefusals) {
  bool send = false;
  String err;
  EXPECT_EQ(String("sudo -S -p '' /bin/sh -c 'systemctl restart dmrgateway'"),
            buildQuickActionRemoteCommand(0, false, send, err));
  EXPECT_TRUE(send);
  EXPECT_EQ(String(""), err);
  // SvxLink presets use the SvxLink user; no sudo asked for.
  EXPECT_EQ(String("/bin/sh -c 'echo '\\''*91#'\\'' > /tmp/dtmf'"),
            buildQuickActionRemoteCommand(1, true, send, err));
  EXPECT_FALSE(send);
  cfg.svxlinkActions[1].useSudo = true;
  cfg.svxlinkSshUser = "root";
  buildQuickActionRemoteCommand(1, true, send, err);
  EXPECT_FALSE(send);

  struct Refusal {
    int slot;
    const char* error;
  };
  cfg.quickActions[1].enabled = false;
  cfg.quickActions[1].command = "true";
  setSlot(cfg.quickActions[2], "Blank", " \t ", false);
  const Refusal refusals[] = {{4, "Invalid quick action slot."},
                              {-1, "Invalid quick action slot."},
                              {1, "Quick action is disabled."},
                              {2, "Quick action command is empty."}};
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.slot);
    send = true;
    EXPECT_EQ(String(""), buildQuickActionRemoteCommand(r.slot, false, send, err));
    EXPECT_EQ(String(r.error), err);
    EXPECT_FALSE(send);
  }
}

TEST_F(RemoteActionsTest, SlotQueriesAndLabels) {
  EXPECT_EQ(4, quickActionSlotLimit(false));
  EXPECT_EQ(4, quickActionSlotLimit(true));
  EXPECT_TRUE(isQuickActionSlotConfigured(0, false));
  EXPECT_TRUE(isQuickActionSlotConfigured(1, true));
  EXPECT_FALSE(isQuickActionSlotConfigured(2, true));  // blank label
  EXPECT_FALSE(isQuickActionSlotConfigured(4, false));
  EXPECT_TRUE(hasConfiguredQuickActions(false));
  EXPECT_TRUE(hasConfiguredQuickActions(true));
  cfg.svxlinkActions[1].enabled = false;
  EXPECT_FALSE(hasConfiguredQuickActions(true));
  EXPECT_EQ(String("DTMF 3"), quickActionSlotLabel(2, true));
  EXPECT_EQ(String("Action 4"), quickActionSlotLabel(3, false));
  EXPECT_EQ(String(""), quickActionSlotLabel(4, true));
}

TEST_F(RemoteActionsTest, ModeSwitchCommands) {
  struct Case {
    const char* backend;
    const char* user;
    const char* label;
    bool enable;
    const char* expected;
  };
  const Case cases[] = {
      {"Pi-Star", "pi-star", "DMR", false,
       "sudo -S -p '' /usr/local/sbin/pistar-mmdvmhost-module 'DMR' 'Disable'"},
      {"Pi-Star", "root", "DSTAR", true, "/usr/local/sbin/pistar-mmdvmhost-module 'D-Star' 'Enable'"},
      // For mode switching an empty user counts as root.
      {"Pi-Star", " ", "YSF", true, "/usr/local/sbin/pistar-mmdvmhost-module 'YSF' 'Enable'"},
      {"WPSD", "pi-star", "DMR", false,
       R"(sudo -S -p '' /bin/sh -c 'systemctl stop dmrgateway.timer dmrgateway.service pistar-watchdog.timer )"
       R"(pistar-watchdog.service >/dev/null 2>&1 || true; if [ -x /usr/local/sbin/pistar-mmdvmhost-module ]; )"
       R"(then /usr/local/sbin/pistar-mmdvmhost-module '\''DMR'\'' '\''Disable'\''; elif [ -x )"
       R"(/usr/local/sbin/wpsd-mode-manager ]; then /usr/local/sbin/wpsd-mode-manager '\''DMR'\'' )"
       R"('\''Disable'\''; else echo '\''No WPSD/Pi-Star mode manager tool found'\''; exit 127; fi')"},
      {"WPSD", "root", "DSTAR", true,
       R"(/bin/sh -c 'if [ -x /usr/local/sbin/pistar-mmdvmhost-module ]; then )"
       R"(/usr/local/sbin/pistar-mmdvmhost-module '\''D-Star'\'' '\''Enable'\''; elif [ -x )"
       R"(/usr/local/sbin/wpsd-mode-manager ]; then /usr/local/sbin/wpsd-mode-manager '\''D-Star'\'' )"
       R"('\''Enable'\''; else echo '\''No WPSD/Pi-Star mode manager tool found'\''; exit 127; fi; systemctl )"
       R"(start ircddbgateway.timer ircddbgateway.service >/dev/null 2>&1 || true; if ! ls /etc/*_paused )"
       R"(>/dev/null 2>&1; then systemctl start pistar-watchdog.timer pistar-watchdog.service >/dev/null 2>&1 )"
       R"(|| true; fi')"},
      // A mode without a gateway service: the tool alone.
      {"WPSD", "root", "M17", false,
       R"(/bin/sh -c 'if [ -x /usr/local/sbin/pistar-mmdvmhost-module ]; then )"
       R"(/usr/local/sbin/pistar-mmdvmhost-module '\''M17'\'' '\''Disable'\''; elif [ -x )"
       R"(/usr/local/sbin/wpsd-mode-manager ]; then /usr/local/sbin/wpsd-mode-manager '\''M17'\'' )"
       R"('\''Disable'\''; else echo '\''No WPSD/Pi-Star mode manager tool found'\''; exit 127; fi')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.backend) + " " + c.label);
    cfg.backend = c.backend;
    cfg.pistarSshUser = c.user;
    EXPECT_EQ(String(c.expected), buildHostModeManagerCommand(c.label, c.enable));
  }
}

TEST(RemoteCommands, ModeNamesAndGatewayServices) {
  EXPECT_EQ(&modeDMR, modeStatusFromTouchLabel("DMR"));
  EXPECT_EQ(&modeDSTAR, modeStatusFromTouchLabel("DSTAR"));
  EXPECT_EQ(&modeNXDN, modeStatusFromTouchLabel("NXDN"));
  EXPECT_EQ(nullptr, modeStatusFromTouchLabel("POCSAG"));
  EXPECT_EQ(nullptr, modeStatusFromTouchLabel("dmr"));
  EXPECT_EQ(String("D-Star"), hostModeManagerModuleNameFromTouchLabel("DSTAR"));
  EXPECT_EQ(String("P25"), hostModeManagerModuleNameFromTouchLabel("P25"));
  const char* gateways[][2] = {{"D-Star", "ircddb"}, {"DMR", "dmr"},       {"YSF", "ysf"}, {"P25", "p25"},
                               {"NXDN", "nxdn"},     {"POCSAG", "dapnet"}, {"M17", ""},    {"", ""}};
  for (auto& g : gateways) EXPECT_EQ(String(g[1]), wpsdGatewayServiceNameFromModuleName(g[0])) << g[0];
  EXPECT_EQ(String("/usr/local/sbin/pistar-mmdvmhost-module"), hostModeManagerPath());
  EXPECT_EQ(String("Enable"), hostModeManagerAction(true));
  EXPECT_EQ(String("Disable"), hostModeManagerAction(false));
}

TEST(RemoteCommands, HostFromConfiguredHost) {
  const char* cases[][2] = {
      {"192.168.1.20", "192.168.1.20"},
      {" pi-star.local:8080 ", "pi-star.local"},
      {"http://pi.local/admin/", "pi.local"},
      {"https://user@pi.local:443/x?y#z", "pi.local"},
      {"[fe80::1]:80", "fe80::1"},
      {"http://[2001:db8::5]/", "2001:db8::5"},
      {"2001:db8::7", "2001:db8::7"},
      {"", ""},
  };
  for (auto& c : cases) EXPECT_EQ(String(c[1]), sshHostFromConfigHost(c[0])) << c[0];
}

TEST(RemoteCommands, CutsNeverSplitACharacter) {
  const String euro = "ab\xE2\x82\xAC";                    // "ab€": 2 + 3 bytes
  const String flag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";  // two 4-byte characters
  EXPECT_EQ(String("ab"), cutAtUtf8Boundary(euro, 3));
  EXPECT_EQ(String("ab"), cutAtUtf8Boundary(euro, 4));
  EXPECT_EQ(euro, cutAtUtf8Boundary(euro, 5));
  EXPECT_EQ(String("\xF0\x9F\x87\xA9"), cutAtUtf8Boundary(flag, 7));
  EXPECT_EQ(String(""), cutAtUtf8Boundary(flag, 3));
  EXPECT_EQ(String("abc"), cutAtUtf8Boundary("abcdef", 3));
  EXPECT_EQ(String(""), cutAtUtf8Boundary("abc", 0));
  // Stray continuation bytes (not UTF-8 at all) give up to nothing, never a split.
  EXPECT_EQ(String(""), cutAtUtf8Boundary("\x80\x80\x80\x80", 2));
}

// ---------------------------------------------------------------- presets run at once

TEST_F(RemoteActionsTest, PresetPreconditionsInOrder) {
  struct Case {
    void (*change)();
    bool svxlink;
    const char* message;
  };
  const Case cases[] = {
      {[] { cfg.svxlinkEnabled = false; }, true, "Enable SVXLink and set its host first."},
      {[] { cfg.svxlinkHost = "   "; }, true, "Enable SVXLink and set its host first."},
      {[] { cfg.svxlinkSshEnabled = false; }, true, "Enable SVXLink SSH in the SVXLink page first."},
      {[] { cfg.touchModeSshEnabled = false; }, false, "Enable SSH remote control in the config page first."},
      {[] { cfg.pistarHost = ""; }, false, "Missing hotspot host."},
      {[] { cfg.quickActions[0].command = " "; }, false, "Quick action command is empty."},
      {[] { cfg.quickActions[0].enabled = false; }, false, "Quick action is disabled."},
  };
  for (const Case& c : cases) {
    SetUp();
    SCOPED_TRACE(c.message);
    cfg.svxlinkActions[0] = cfg.quickActions[0];
    c.change();
    if (c.svxlink) cfg.svxlinkActions[0] = cfg.quickActions[0];
    const int callsBefore = fakeCalls();
    String msg;
    EXPECT_FALSE(runQuickActionSlotNow(0, msg, c.svxlink));
    EXPECT_EQ(String(c.message), msg);
    EXPECT_EQ(callsBefore, fakeCalls());  // nothing was sent
    EXPECT_EQ(12345u, lastPoll);
  }
}

TEST_F(RemoteActionsTest, PresetOutcomesInTheFooterWords) {
  struct Case {
    DesktopSshOutcome outcome;
    const char* error;
    bool ok;
    const char* message;
  };
  const Case cases[] = {
      {DesktopSshOutcome::OK, "", true, "Restart gateway completed."},
      {DesktopSshOutcome::COMMAND_FAILED, "  Unit dmrgateway.service not found. ", false,
       "Restart gateway failed: Unit dmrgateway.service not found."},
      {DesktopSshOutcome::COMMAND_FAILED, "", false, "Restart gateway failed: SSH command failed."},
      {DesktopSshOutcome::AUTH_FAILED, "Access denied", false, "Restart gateway failed: Access denied"},
      {DesktopSshOutcome::NOT_COMPILED, "x", false, "SSH remote control is not compiled into this build."},
      {DesktopSshOutcome::HOST_KEY_CHANGED, "SSH host key changed for 127.0.0.1; refusing.", false,
       "SSH host key changed for 127.0.0.1; refusing."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    setAnswer(c.outcome, c.error);
    lastPoll = 777;
    nextFetchHeard = true;
    String msg;
    EXPECT_EQ(c.ok, runQuickActionSlotNow(0, msg, false));
    EXPECT_EQ(String(c.message), msg);
    EXPECT_EQ(c.ok ? 0u : 777u, lastPoll);
    EXPECT_EQ(!c.ok, nextFetchHeard);
  }
  const DesktopSshRequest r = lastRequest();
  EXPECT_EQ(String("127.0.0.1"), r.host);
  EXPECT_EQ(2222, r.port);
  EXPECT_EQ(String("pi-star"), r.user);
  EXPECT_EQ(String("raspberry"), r.password);
  EXPECT_TRUE(r.sendSudoPassword);
  EXPECT_EQ(desktopSshKnownHostsFile(), r.knownHostsFile);
}

// ---------------------------------------------------------------- background tasks

TEST_F(RemoteActionsTest, PresetTaskRunsOnItsOwnThreadAndPollsAfterSuccess) {
  setHold(true);
  startQuickActionTask(1, true);
  EXPECT_EQ(String("Link 91: running..."), footerText);
  EXPECT_TRUE(quickActionTaskRunning.load());
  for (int i = 0; i < 5000 && fakeCalls() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  {
    std::lock_guard<std::mutex> lock(gFake.m);
    EXPECT_EQ("quickActionSSH", gFake.threadName);
  }
  // While it runs: no second preset of either kind; a mode toggle may start.
  startQuickActionTask(0, false);
  EXPECT_EQ(String("Wait for the current SSH action to finish."), footerText);
  processQuickActionTaskResult();  // nothing posted yet
  EXPECT_EQ(12345u, lastPoll);
  setHold(false);
  ASSERT_TRUE(waitFor(quickActionTaskDone, true));
  EXPECT_EQ(12345u, lastPoll);  // the task itself never touches the poll state
  processQuickActionTaskResult();
  EXPECT_EQ(String("Link 91 completed."), footerText);
  EXPECT_EQ(0u, lastPoll);
  EXPECT_FALSE(nextFetchHeard);
  const DesktopSshRequest r = lastRequest();
  EXPECT_EQ(String("svx.local"), r.host);
  EXPECT_EQ(22, r.port);
  EXPECT_EQ(String("svxlink"), r.user);
  EXPECT_EQ(String("svxpass"), r.password);
  EXPECT_EQ(String("/bin/sh -c 'echo '\\''*91#'\\'' > /tmp/dtmf'"), r.command);
}

TEST_F(RemoteActionsTest, ModeToggleTaskMarksTheModeKnownOnSuccess) {
  modeDMR.known = true;
  modeDMR.enabled = true;
  setHold(true);
  startModeToggleTask("DMR", false);
  EXPECT_EQ(String("DMR: disabling..."), footerText);
  startModeToggleTask("DMR", false);
  EXPECT_EQ(String("Wait for the current SSH action to finish."), footerText);
  startQuickActionTask(0, false);
  EXPECT_EQ(String("Wait for the current SSH action to finish."), footerText);
  setHold(false);
  ASSERT_TRUE(waitFor(modeToggleTaskDone, true));
  EXPECT_TRUE(modeDMR.enabled);  // applied on the main thread only
  processModeToggleTaskResult();
  EXPECT_EQ(String("DMR disabled via SSH."), footerText);
  EXPECT_TRUE(modeDMR.known);
  EXPECT_FALSE(modeDMR.enabled);
  EXPECT_FALSE(nextFetchHeard);
  const DesktopSshRequest r = lastRequest();
  EXPECT_EQ(String("sudo -S -p '' /usr/local/sbin/pistar-mmdvmhost-module 'DMR' 'Disable'"), r.command);
  EXPECT_TRUE(r.sendSudoPassword);
  EXPECT_EQ(String("127.0.0.1"), r.host);
  std::lock_guard<std::mutex> lock(gFake.m);
  EXPECT_EQ("modeToggleSSH", gFake.threadName);
}

TEST_F(RemoteActionsTest, LongResultMessagesAreCutForTheFooter) {
  const std::string sixty(60, 'e');
  setAnswer(DesktopSshOutcome::COMMAND_FAILED, sixty.c_str());
  runModeToggleTask("YSF", true);
  EXPECT_EQ(String(("YSF enable failed: " + sixty.substr(0, 39) + "~").c_str()), footerText);
  EXPECT_FALSE(modeYSF.known);

  // "X failed: " + 50 characters is a 60-character message.
  setSlot(cfg.quickActions[3], "X", "false", false);
  setAnswer(DesktopSshOutcome::COMMAND_FAILED, std::string(50, 'e').c_str());
  runQuickActionTask(3, false);
  EXPECT_EQ(String(("X failed: " + std::string(33, 'e') + "~").c_str()), footerText);

  // A message longer than the hand-off keeps 191 bytes.
  setAnswer(DesktopSshOutcome::COMMAND_FAILED, std::string(300, 'm').c_str());
  runQuickActionTask(3, false);
  EXPECT_EQ(191u, quickActionTaskMessage.length());
}

TEST_F(RemoteActionsTest, ChangedHostKeyMessageIsShownWhole) {
  const char* refusal = "SSH host key changed for 127.0.0.1; refusing.";
  setAnswer(DesktopSshOutcome::HOST_KEY_CHANGED, refusal);
  runModeToggleTask("NXDN", true);
  EXPECT_EQ(String(refusal), footerText);
  footerText = "";
  runQuickActionTask(0, false);
  EXPECT_EQ(String(refusal), footerText);  // 45 characters, not cut to 44
  EXPECT_EQ(12345u, lastPoll);
}

TEST_F(RemoteActionsTest, LabelsAreCutAtCharacterBoundaries) {
  // 30 ASCII bytes then "€" (3 bytes): a 31-byte cut would split it.
  setSlot(cfg.quickActions[1], "Restart the gateway right now \xE2\x82\xAC", "true", false);
  setHold(true);
  startQuickActionTask(1, false);
  EXPECT_EQ(String("Restart the gateway right now "), quickActionTaskLabel);
  setHold(false);
  ASSERT_TRUE(waitFor(quickActionTaskDone, true));
  processQuickActionTaskResult();
  EXPECT_EQ(String("Restart the gateway right now "), quickActionTaskLabel);
  EXPECT_EQ(String("Restart the gateway right now \xE2\x82\xAC completed."), quickActionTaskMessage);
}

TEST_F(RemoteActionsTest, NotCompiledTransportMessages) {
  setAnswer(DesktopSshOutcome::NOT_COMPILED, "SSH is not compiled into this build");
  runModeToggleTask("P25", true);
  EXPECT_EQ(String("P25 enable failed: SSH mode control is not compiled into t~"), footerText);
  runQuickActionTask(0, false);
  EXPECT_EQ(String("SSH remote control is not compiled into thi~"), footerText);
}

// "Could not start SSH task." only when no thread can be had: every task
// place is taken here by tasks that wait.
TEST_F(RemoteActionsTest, NoThreadMeansCouldNotStart) {
  static std::mutex gate;
  gate.lock();
  for (int i = 0; i < DESKTOP_TASK_LIMIT; ++i) {
    TaskHandle_t h = nullptr;
    ASSERT_EQ(pdPASS, xTaskCreatePinnedToCore([](void*) { std::lock_guard<std::mutex> wait(gate); }, "filler",
                                              4096, nullptr, 1, &h, 1));
    EXPECT_NE(nullptr, h);
  }
  startModeToggleTask("DMR", true);
  EXPECT_EQ(String("Could not start SSH task."), footerText);
  EXPECT_FALSE(modeToggleTaskRunning.load());
  footerText = "";
  startQuickActionTask(0, false);
  EXPECT_EQ(String("Could not start SSH task."), footerText);
  EXPECT_FALSE(quickActionTaskRunning.load());
  EXPECT_FALSE(quickActionTaskDone.load());
  EXPECT_EQ(0, fakeCalls());
  gate.unlock();
  EXPECT_TRUE(desktopWaitForTasks(5000));
  runQuickActionTask(0, false);  // places are free again
  EXPECT_EQ(String("Restart gateway completed."), footerText);
}

// A result not yet shown when the next preset starts is shown first.
TEST_F(RemoteActionsTest, PendingResultIsShownBeforeTheNextStart) {
  startQuickActionTask(0, false);
  ASSERT_TRUE(waitFor(quickActionTaskRunning, false));
  EXPECT_TRUE(quickActionTaskDone.load());
  startQuickActionTask(0, false);
  EXPECT_EQ(0u, lastPoll);  // the first run's success was applied
  EXPECT_EQ(String("Restart gateway: running..."), footerText);
}

// Many hand-offs in a row while the main thread keeps asking for results
// (run under ThreadSanitizer by make test-tsan): every run's own result
// reaches the footer.
TEST_F(RemoteActionsTest, HandOffUnderLoad) {
  const int ROUNDS = 150;
  for (int round = 0; round < ROUNDS; ++round) {
    const bool ok = round % 3 != 0;
    setAnswer(ok ? DesktopSshOutcome::OK : DesktopSshOutcome::COMMAND_FAILED, "no");
    footerText = "";
    if (round % 2 == 0) {
      startQuickActionTask(0, false);
      while (quickActionTaskRunning.load() || quickActionTaskDone.load()) {
        processQuickActionTaskResult();
      }
      EXPECT_EQ(String(ok ? "Restart gateway completed." : "Restart gateway failed: no"), footerText);
    } else {
      startModeToggleTask("DMR", ok);
      while (modeToggleTaskRunning.load() || modeToggleTaskDone.load()) {
        processModeToggleTaskResult();
      }
      EXPECT_EQ(String(ok ? "DMR enabled via SSH." : "DMR disable failed: no"), footerText);
    }
  }
  EXPECT_EQ(ROUNDS, fakeCalls());
}

}  // namespace

namespace {

// The build's own transport behind the remote actions: libssh, or in a build
// configured without it (-DQSODECK_NO_SSH=ON) the "not compiled" messages.
TEST_F(RemoteActionsTest, DefaultTransportOfThisBuild) {
  setRemoteCommandRunner(nullptr);
  cfg.pistarHost = "127.0.0.1";
  cfg.pistarSshPort = 1;  // nothing listens there
  String msg;
  EXPECT_FALSE(runQuickActionSlotNow(0, msg, false));
  EXPECT_FALSE(toggleHotspotModeOverSsh("DMR", true));
  if (desktopSshCompiledIn()) {
    EXPECT_EQ(0, msg.indexOf("Restart gateway failed: ")) << msg.c_str();
    EXPECT_GT(msg.length(), strlen("Restart gateway failed: "));
    EXPECT_EQ(0, footerText.indexOf("DMR enable failed: ")) << footerText.c_str();
  } else {
    EXPECT_EQ(String("SSH remote control is not compiled into this build."), msg);
    EXPECT_EQ(String("DMR enable failed: SSH mode control is not compiled into t~"), footerText);
  }
  EXPECT_FALSE(modeDMR.known);
  EXPECT_EQ(0, fakeCalls());
}

}  // namespace

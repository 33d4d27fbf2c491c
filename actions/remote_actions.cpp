// The two SSH tasks (mode toggle, quick action), their hand-off to the main
// cycle and the footer messages of every outcome. Everything a task needs
// (host, login, command) is taken from the configuration on the main thread
// when it starts; the task itself only runs the transport.

#include "actions/remote_actions.h"

#include <memory>
#include <new>

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/text_fit.h"
#include "core/view.h"
#include "host/board_stubs.h"

std::atomic<bool> modeToggleTaskRunning{false};
std::atomic<bool> modeToggleTaskDone{false};
bool modeToggleTaskOk = false;
bool modeToggleTaskEnable = false;
String modeToggleTaskLabel;
String modeToggleTaskMessage;
RemoteTaskReport modeToggleTaskReport;
TaskHandle_t modeToggleTaskHandle = nullptr;

std::atomic<bool> quickActionTaskRunning{false};
std::atomic<bool> quickActionTaskDone{false};
bool quickActionTaskOk = false;
String quickActionTaskLabel;
String quickActionTaskMessage;
RemoteTaskReport quickActionTaskReport;
TaskHandle_t quickActionTaskHandle = nullptr;

namespace {

const uint32_t SSH_TASK_STACK_BYTES = 16384;
const UBaseType_t SSH_TASK_PRIORITY = 1;
const BaseType_t SSH_TASK_CORE = 1;
const int MODE_FAILURE_MESSAGE_CHARS = 40;
const int QUICK_ACTION_FOOTER_CHARS = 44;

std::atomic<RemoteCommandRunner> gRunner{desktopSshRun};

// Arguments handed to the mode-toggle task, which owns and frees them.
struct ModeToggleTaskArgs {
  String label;
  bool enable;
  DesktopSshRequest request;
};

// A preset prepared on the main thread: either a request to run or the
// message of the precondition that stopped it.
struct PreparedQuickAction {
  String label;
  bool runnable = false;
  String refusal;
  DesktopSshRequest request;
};

// Arguments handed to the quick-action task, which owns and frees them.
struct QuickActionTaskArgs {
  uint8_t slot;
  bool svxlinkAction;
  PreparedQuickAction prepared;
};

// The outcome of one run, in the words of the footer.
struct RemoteOutcome {
  bool ok = false;
  bool hostKeyRefused = false;
  String message;
  String logLine;
};

DesktopSshResult runRemoteCommand(const DesktopSshRequest& request) { return gRunner.load()(request); }

DesktopSshRequest sshRequestFor(const String& host, uint16_t port, const String& user, const String& pass) {
  DesktopSshRequest r;
  r.host = sshHostFromConfigHost(host);
  r.port = port == 0 ? 22 : port;
  r.user = user;
  r.user.trim();
  r.password = pass;
  r.knownHostsFile = desktopSshKnownHostsFile();
  return r;
}

DesktopSshRequest hotspotRequest() {
  return sshRequestFor(cfg.pistarHost, cfg.pistarSshPort, cfg.pistarSshUser, cfg.pistarSshPass);
}

// "<what> on host:port: <outcome> (exit n, t ms): <detail>" for the device log.
String remoteLogLine(const String& what, const DesktopSshRequest& req, const DesktopSshResult& res) {
  String line = what + " on " + req.host + ":" + String((unsigned)req.port) + ": " +
                desktopSshOutcomeName(res.outcome) + " (exit " + String(res.exitStatus) + ", " +
                String((unsigned long)res.elapsedMs) + " ms)";
  if (res.hostKeyStored) line += ", host key pinned";
  if (!res.error.isEmpty()) line += ": " + res.error;
  return line;
}

RemoteOutcome modeToggleOutcome(const ModeToggleTaskArgs& args, const DesktopSshResult& res) {
  RemoteOutcome o;
  o.ok = res.ok();
  o.logLine = remoteLogLine(args.label + (args.enable ? " enable" : " disable"), args.request, res);
  if (o.ok) {
    o.message = args.label + (args.enable ? " enabled via SSH." : " disabled via SSH.");
  } else if (res.outcome == DesktopSshOutcome::NOT_COMPILED) {
    o.message = "SSH mode control is not compiled into this build.";
  } else {
    o.hostKeyRefused = res.outcome == DesktopSshOutcome::HOST_KEY_CHANGED;
    o.message = trimSafe(res.error);
    if (o.message.isEmpty()) o.message = "SSH command failed.";
  }
  return o;
}

// Preconditions in order, then the command; the request when all pass.
PreparedQuickAction prepareQuickAction(int slot, bool svxlinkAction) {
  PreparedQuickAction p;
  p.label = quickActionSlotLabel(slot, svxlinkAction);
  if (svxlinkAction) {
    if (!svxlinkFeatureEnabled())
      p.refusal = "Enable SVXLink and set its host first.";
    else if (!cfg.svxlinkSshEnabled)
      p.refusal = "Enable SVXLink SSH in the SVXLink page first.";
    else if (trimSafe(cfg.svxlinkHost).isEmpty())
      p.refusal = "Missing SVXLink host.";
  } else {
    if (!cfg.touchModeSshEnabled)
      p.refusal = "Enable SSH remote control in the config page first.";
    else if (trimSafe(cfg.pistarHost).isEmpty())
      p.refusal = "Missing hotspot host.";
  }
  if (!p.refusal.isEmpty()) return p;
  bool sendSudo = false;
  String err;
  const String command = buildQuickActionRemoteCommand(slot, svxlinkAction, sendSudo, err);
  if (command.isEmpty()) {
    p.refusal = err.isEmpty() ? String("Quick action is not configured.") : err;
    return p;
  }
  p.request = svxlinkAction
                  ? sshRequestFor(cfg.svxlinkHost, cfg.svxlinkSshPort, cfg.svxlinkSshUser, cfg.svxlinkSshPass)
                  : hotspotRequest();
  p.request.command = command;
  p.request.sendSudoPassword = sendSudo;
  p.runnable = true;
  return p;
}

// Runs a prepared preset (any thread; touches no program state).
RemoteOutcome runPreparedQuickAction(const PreparedQuickAction& p) {
  RemoteOutcome o;
  if (!p.runnable) {
    o.message = p.refusal;
    o.logLine = p.label + ": not run: " + p.refusal;
    return o;
  }
  const DesktopSshResult res = runRemoteCommand(p.request);
  o.ok = res.ok();
  o.logLine = remoteLogLine(String("Preset ") + p.label, p.request, res);
  if (o.ok) {
    o.message = p.label + " completed.";
  } else if (res.outcome == DesktopSshOutcome::NOT_COMPILED) {
    o.message = "SSH remote control is not compiled into this build.";
  } else if (res.outcome == DesktopSshOutcome::HOST_KEY_CHANGED) {
    o.hostKeyRefused = true;
    o.message = res.error;
  } else {
    const String error = trimSafe(res.error);
    o.message = p.label + " failed: " + (error.isEmpty() ? String("SSH command failed.") : error);
  }
  return o;
}

void modeToggleTaskBody(void* param) {
  std::unique_ptr<ModeToggleTaskArgs> args((ModeToggleTaskArgs*)param);
  const RemoteOutcome o = modeToggleOutcome(*args, runRemoteCommand(args->request));
  modeToggleTaskLabel = cutAtUtf8Boundary(args->label, MODE_TOGGLE_LABEL_MAX_BYTES);
  modeToggleTaskMessage = cutAtUtf8Boundary(o.message, SSH_TASK_MESSAGE_MAX_BYTES);
  modeToggleTaskEnable = args->enable;
  modeToggleTaskOk = o.ok;
  modeToggleTaskReport.hostKeyRefused = o.hostKeyRefused;
  modeToggleTaskReport.logLine = o.logLine;
  args.reset();
  modeToggleTaskHandle = nullptr;
  modeToggleTaskDone.store(true, std::memory_order_release);
  modeToggleTaskRunning.store(false, std::memory_order_release);
  vTaskDelete(nullptr);
}

void quickActionTaskBody(void* param) {
  std::unique_ptr<QuickActionTaskArgs> args((QuickActionTaskArgs*)param);
  const RemoteOutcome o = runPreparedQuickAction(args->prepared);
  quickActionTaskLabel = cutAtUtf8Boundary(args->prepared.label, QUICK_ACTION_LABEL_MAX_BYTES);
  quickActionTaskMessage = cutAtUtf8Boundary(o.message, SSH_TASK_MESSAGE_MAX_BYTES);
  quickActionTaskOk = o.ok;
  quickActionTaskReport.hostKeyRefused = o.hostKeyRefused;
  quickActionTaskReport.logLine = o.logLine;
  args.reset();
  quickActionTaskHandle = nullptr;
  quickActionTaskDone.store(true, std::memory_order_release);
  quickActionTaskRunning.store(false, std::memory_order_release);
  vTaskDelete(nullptr);
}

// One device-log line per outcome: what the footer said, then how the
// command went.
void logRemoteOutcome(bool ok, const String& footer, const String& detail) {
  addWebLog(ok ? "INFO" : "WARN", "SSH", footer + " (" + detail + ")", true);
}

// Applies a finished mode toggle: on success the mode is known in the
// requested state and the next hotspot poll reads the status again.
void showModeToggleOutcome(const String& label, bool enable, const RemoteOutcome& o) {
  String footer = o.message;
  if (o.ok) {
    ModeStatus* status = modeStatusFromTouchLabel(label);
    if (status != nullptr) {
      status->known = true;
      status->enabled = enable;
    }
    nextFetchHeard = false;
  } else if (!o.hostKeyRefused) {
    footer = label + " " + (enable ? "enable" : "disable") +
             " failed: " + clipWithTilde(o.message, MODE_FAILURE_MESSAGE_CHARS);
  }
  setFooterText(footer, true);
  logRemoteOutcome(o.ok, footer, o.logLine);
  requestRedraw();
}

// A successful preset makes the next eligible pass poll at once.
void pollSoon() {
  lastPoll = 0;
  nextFetchHeard = false;
}

}  // namespace

void setRemoteCommandRunner(RemoteCommandRunner runner) {
  gRunner.store(runner != nullptr ? runner : desktopSshRun);
}

void startModeToggleTask(const String& label, bool enable) {
  if (modeToggleTaskRunning.load(std::memory_order_acquire)) {
    setFooterText("Wait for the current SSH action to finish.", true);
    return;
  }
  // A result posted but not yet shown is shown before its fields are reused.
  processModeToggleTaskResult();
  std::unique_ptr<ModeToggleTaskArgs> args(new (std::nothrow) ModeToggleTaskArgs{label, enable, {}});
  if (!args) {
    setFooterText("Could not allocate SSH task memory.", true);
    return;
  }
  args->request = hotspotRequest();
  args->request.command = buildHostModeManagerCommand(label, enable);
  args->request.sendSudoPassword = hostModeManagerNeedsSudo();
  modeToggleTaskDone.store(false);
  modeToggleTaskOk = false;
  modeToggleTaskEnable = enable;
  modeToggleTaskLabel = cutAtUtf8Boundary(label, MODE_TOGGLE_LABEL_MAX_BYTES);
  modeToggleTaskMessage = String();
  modeToggleTaskRunning.store(true);
  if (xTaskCreatePinnedToCore(modeToggleTaskBody, "modeToggleSSH", SSH_TASK_STACK_BYTES, args.get(),
                              SSH_TASK_PRIORITY, &modeToggleTaskHandle, SSH_TASK_CORE) == pdPASS) {
    args.release();  // the task owns the block now
    setFooterText(label + (enable ? ": enabling..." : ": disabling..."), true);
    return;
  }
  modeToggleTaskRunning.store(false);
  setFooterText("Could not start SSH task.", true);
}

void startQuickActionTask(int slot, bool svxlinkAction) {
  if (modeToggleTaskRunning.load(std::memory_order_acquire) ||
      quickActionTaskRunning.load(std::memory_order_acquire)) {
    setFooterText("Wait for the current SSH action to finish.", true);
    return;
  }
  if (!isQuickActionSlotConfigured(slot, svxlinkAction)) {
    setFooterText("Preset slot is empty.", true);
    return;
  }
  processQuickActionTaskResult();
  std::unique_ptr<QuickActionTaskArgs> args(new (std::nothrow)
                                                QuickActionTaskArgs{(uint8_t)slot, svxlinkAction, {}});
  if (!args) {
    setFooterText("Could not allocate SSH task memory.", true);
    return;
  }
  args->prepared = prepareQuickAction(slot, svxlinkAction);
  const String label = args->prepared.label;
  quickActionTaskDone.store(false);
  quickActionTaskOk = false;
  quickActionTaskLabel = cutAtUtf8Boundary(label, QUICK_ACTION_LABEL_MAX_BYTES);
  quickActionTaskMessage = String();
  quickActionTaskRunning.store(true);
  if (xTaskCreatePinnedToCore(quickActionTaskBody, "quickActionSSH", SSH_TASK_STACK_BYTES, args.get(),
                              SSH_TASK_PRIORITY, &quickActionTaskHandle, SSH_TASK_CORE) == pdPASS) {
    args.release();  // the task owns the block now
    setFooterText(label + ": running...", true);
    return;
  }
  quickActionTaskRunning.store(false);
  setFooterText("Could not start SSH task.", true);
}

void processModeToggleTaskResult() {
  if (!modeToggleTaskDone.load(std::memory_order_acquire)) return;
  modeToggleTaskDone.store(false);
  RemoteOutcome o;
  o.ok = modeToggleTaskOk;
  o.hostKeyRefused = modeToggleTaskReport.hostKeyRefused;
  o.message = modeToggleTaskMessage;
  o.logLine = modeToggleTaskReport.logLine;
  showModeToggleOutcome(modeToggleTaskLabel, modeToggleTaskEnable, o);
}

void processQuickActionTaskResult() {
  if (!quickActionTaskDone.load(std::memory_order_acquire)) return;
  quickActionTaskDone.store(false);
  String message = quickActionTaskMessage;
  if (message.isEmpty()) message = quickActionTaskLabel + (quickActionTaskOk ? " completed." : " failed.");
  if (quickActionTaskOk) pollSoon();
  const String footer =
      quickActionTaskReport.hostKeyRefused ? message : clipWithTilde(message, QUICK_ACTION_FOOTER_CHARS);
  setFooterText(footer, true);
  logRemoteOutcome(quickActionTaskOk, footer, quickActionTaskReport.logLine);
  requestRedraw();
}

bool runQuickActionSlotNow(int slot, String& userMsg, bool svxlinkAction) {
  const RemoteOutcome o = runPreparedQuickAction(prepareQuickAction(slot, svxlinkAction));
  userMsg = o.message;
  logRemoteOutcome(o.ok, o.message, o.logLine);
  if (o.ok) pollSoon();
  return o.ok;
}

bool toggleHotspotModeOverSsh(const String& label, bool enable) {
  ModeToggleTaskArgs args{label, enable, hotspotRequest()};
  args.request.command = buildHostModeManagerCommand(label, enable);
  args.request.sendSudoPassword = hostModeManagerNeedsSudo();
  const RemoteOutcome o = modeToggleOutcome(args, runRemoteCommand(args.request));
  showModeToggleOutcome(label, enable, o);
  return o.ok;
}

// Remote actions: mode toggles and quick-action presets turned into remote
// shell commands for the hotspot or the SvxLink host, run over SSH on a
// background task whose outcome the main cycle shows in the footer.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "host/ssh_client.h"
#include "host/wstring.h"
#include "hotspot/heard.h"

// Main cycle: consume a finished mode-toggle task (mode status and footer)
// and a finished quick-action task (footer).
void processModeToggleTaskResult();
void processQuickActionTaskResult();

// ---------------------------------------------------------------- slots

// Preset slots per kind (hotspot presets and SvxLink presets).
int quickActionSlotLimit(bool svxlinkAction);
// True when the slot is enabled with a non-empty label and command.
bool isQuickActionSlotConfigured(int slot, bool svxlinkAction);
// True when any slot of the kind is configured.
bool hasConfiguredQuickActions(bool svxlinkAction);
// Trimmed slot label, or "DTMF n" / "Action n" when empty; empty for a bad slot.
String quickActionSlotLabel(int slot, bool svxlinkAction);

// ---------------------------------------------------------------- commands

// Longest texts the tasks hand back, in bytes.
const size_t MODE_TOGGLE_LABEL_MAX_BYTES = 15;
const size_t QUICK_ACTION_LABEL_MAX_BYTES = 31;
const size_t SSH_TASK_MESSAGE_MAX_BYTES = 191;

// At most maxBytes of text; a cut never splits a UTF-8 sequence (it steps
// back to the start of the character it would split).
String cutAtUtf8Boundary(const String& text, size_t maxBytes);

// s in single quotes, each quote inside written as '\'' so that a POSIX
// shell reads s back unchanged.
String shellSingleQuote(const String& s);
// "/bin/sh -c '<rawCommand>'", behind "sudo -S -p '' " (and with
// sendSudoPassword set) when useSudo and the trimmed user is not "root";
// an empty user counts as not root.
String buildWrappedRemoteShellCommand(const String& rawCommand, bool useSudo, const String& sshUser,
                                      bool& sendSudoPassword);
// The wrapped command of a preset slot with the user of its host; an empty
// command with errMsg set for a bad, disabled or empty slot.
String buildQuickActionRemoteCommand(int slot, bool svxlinkAction, bool& sendSudoPassword, String& errMsg);

// The status record of a switchable mode ("DMR", "DSTAR", "YSF", "P25",
// "NXDN"); null for any other label (POCSAG included).
ModeStatus* modeStatusFromTouchLabel(const String& label);
// The mode manager's module name: "D-Star" for "DSTAR", else the label.
String hostModeManagerModuleNameFromTouchLabel(const String& label);
// "/usr/local/sbin/pistar-mmdvmhost-module".
String hostModeManagerPath();
// "Enable" or "Disable".
String hostModeManagerAction(bool enable);
// WPSD gateway service of a mode ("ircddb", "dmr", "ysf", "p25", "nxdn",
// "dapnet"); empty for other modes.
String wpsdGatewayServiceNameFromModuleName(const String& moduleName);
// True when mode switching runs through sudo: the trimmed hotspot user is
// neither empty nor "root".
bool hostModeManagerNeedsSudo();
// The command that switches a mode on or off on the hotspot (a guarded
// script that also stops or starts the gateway on WPSD), behind the sudo
// prefix when hostModeManagerNeedsSudo.
String buildHostModeManagerCommand(const String& label, bool enable);

// The host part of a configured host ("http://pi.local:8080/x" gives
// "pi.local", "[fe80::1]:80" gives "fe80::1").
String sshHostFromConfigHost(const String& configured);

// ---------------------------------------------------------------- tasks

// Hand-off between a task and the main cycle. The starter writes the fields
// before the task is created; the task writes them once at its end and then
// stores ...Done (release) before clearing ...Running; the main cycle reads
// them only after loading ...Done (acquire), and a new task starts only
// after ...Running was seen clear, so no field is ever shared.
extern std::atomic<bool> modeToggleTaskRunning;
extern std::atomic<bool> modeToggleTaskDone;
extern bool modeToggleTaskOk;
extern bool modeToggleTaskEnable;
extern String modeToggleTaskLabel;    // cut to MODE_TOGGLE_LABEL_MAX_BYTES
extern String modeToggleTaskMessage;  // cut to SSH_TASK_MESSAGE_MAX_BYTES
extern std::atomic<bool> quickActionTaskRunning;
extern std::atomic<bool> quickActionTaskDone;
extern bool quickActionTaskOk;
extern String quickActionTaskLabel;    // cut to QUICK_ACTION_LABEL_MAX_BYTES
extern String quickActionTaskMessage;  // cut to SSH_TASK_MESSAGE_MAX_BYTES

// What else a finished task reports: a refused host key (its message is
// shown as it stands) and the line for the device log.
struct RemoteTaskReport {
  bool hostKeyRefused = false;
  String logLine;
};
extern RemoteTaskReport modeToggleTaskReport;
extern RemoteTaskReport quickActionTaskReport;

// Starts the background mode toggle for a confirmed request; the footer
// says it runs, or why it cannot.
void startModeToggleTask(const String& label, bool enable);
// Starts the background run of one preset slot; the footer says it runs, or
// why it cannot.
void startQuickActionTask(int slot, bool svxlinkAction);

// Checks the preset's preconditions and runs it at once on this thread;
// userMsg tells the outcome. On success the next main-cycle pass polls.
bool runQuickActionSlotNow(int slot, String& userMsg, bool svxlinkAction);
// Switches a mode at once on this thread, marks it known and shows the
// outcome in the footer. True on success.
bool toggleHotspotModeOverSsh(const String& label, bool enable);

// The transport the remote actions use: desktopSshRun unless another is
// set (tests); null sets desktopSshRun again.
typedef DesktopSshResult (*RemoteCommandRunner)(const DesktopSshRequest& request);
void setRemoteCommandRunner(RemoteCommandRunner runner);

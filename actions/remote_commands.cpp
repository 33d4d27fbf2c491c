// The remote command lines of the presets and the mode switches, and the
// slot queries of the two preset kinds.

#include "actions/remote_actions.h"

#include "core/backend.h"
#include "core/config.h"

namespace {

const char* const SUDO_PREFIX = "sudo -S -p '' ";
const char* const WPSD_MODE_MANAGER_PATH = "/usr/local/sbin/wpsd-mode-manager";

const QuickActionSlotConfig* quickActionSlot(int slot, bool svxlinkAction) {
  if (slot < 0 || slot >= quickActionSlotLimit(svxlinkAction)) return nullptr;
  return svxlinkAction ? &cfg.svxlinkActions[slot] : &cfg.quickActions[slot];
}

bool isRootUser(const String& user) {
  String u = user;
  u.trim();
  return u == "root";
}

// The WPSD script: the first mode tool found, with the gateway stopped
// before a disable and started again after an enable.
String wpsdModeScript(const String& moduleName, bool enable) {
  const String p = hostModeManagerPath();
  const String w = WPSD_MODE_MANAGER_PATH;
  const String m = shellSingleQuote(moduleName);
  const String a = shellSingleQuote(hostModeManagerAction(enable));
  const String g = wpsdGatewayServiceNameFromModuleName(moduleName);
  String script;
  if (!enable && !g.isEmpty()) {
    script += "systemctl stop " + g + "gateway.timer " + g +
              "gateway.service pistar-watchdog.timer pistar-watchdog.service >/dev/null 2>&1 || true; ";
  }
  script += "if [ -x " + p + " ]; then " + p + " " + m + " " + a + "; ";
  script += "elif [ -x " + w + " ]; then " + w + " " + m + " " + a + "; ";
  script += "else echo 'No WPSD/Pi-Star mode manager tool found'; exit 127; fi";
  if (enable && !g.isEmpty()) {
    script += "; systemctl start " + g + "gateway.timer " + g + "gateway.service >/dev/null 2>&1 || true";
    script +=
        "; if ! ls /etc/*_paused >/dev/null 2>&1; then systemctl start pistar-watchdog.timer "
        "pistar-watchdog.service >/dev/null 2>&1 || true; fi";
  }
  return script;
}

// Host text without a scheme, login or path ("" stays "").
String hostWithoutSchemeAndPath(const String& configured) {
  String h = configured;
  h.trim();
  const int scheme = h.indexOf("://");
  if (scheme >= 0) h = h.substring(scheme + 3);
  int end = (int)h.length();
  for (const char stop : {'/', '?', '#'}) {
    const int at = h.indexOf(stop);
    if (at >= 0 && at < end) end = at;
  }
  h = h.substring(0, end);
  const int login = h.lastIndexOf('@');
  if (login >= 0) h = h.substring(login + 1);
  return h;
}

}  // namespace

// ---------------------------------------------------------------- slots

int quickActionSlotLimit(bool svxlinkAction) {
  return svxlinkAction ? SVXLINK_ACTION_SLOT_COUNT : QUICK_ACTION_SLOT_COUNT;
}

bool isQuickActionSlotConfigured(int slot, bool svxlinkAction) {
  const QuickActionSlotConfig* s = quickActionSlot(slot, svxlinkAction);
  if (s == nullptr || !s->enabled) return false;
  String label = s->label;
  String command = s->command;
  label.trim();
  command.trim();
  return !label.isEmpty() && !command.isEmpty();
}

bool hasConfiguredQuickActions(bool svxlinkAction) {
  for (int i = 0; i < quickActionSlotLimit(svxlinkAction); ++i) {
    if (isQuickActionSlotConfigured(i, svxlinkAction)) return true;
  }
  return false;
}

String quickActionSlotLabel(int slot, bool svxlinkAction) {
  const QuickActionSlotConfig* s = quickActionSlot(slot, svxlinkAction);
  if (s == nullptr) return String();
  String label = s->label;
  label.trim();
  if (!label.isEmpty()) return label;
  String fallback(svxlinkAction ? "DTMF " : "Action ");
  fallback += String(slot + 1);
  return fallback;
}

// ---------------------------------------------------------------- commands

String cutAtUtf8Boundary(const String& text, size_t maxBytes) {
  if (text.length() <= maxBytes) return text;
  size_t end = maxBytes;
  // Continuation bytes are 10xxxxxx: step back to the byte that starts the
  // character which would be split.
  while (end > 0 && ((uint8_t)text[(unsigned)end] & 0xC0) == 0x80) --end;
  return text.substring(0, (unsigned)end);
}

String shellSingleQuote(const String& s) {
  String body = s;
  body.replace("'", "'\\''");
  return String("'") + body + "'";
}

String buildWrappedRemoteShellCommand(const String& rawCommand, bool useSudo, const String& sshUser,
                                      bool& sendSudoPassword) {
  const String base = String("/bin/sh -c ") + shellSingleQuote(rawCommand);
  sendSudoPassword = useSudo && !isRootUser(sshUser);
  return sendSudoPassword ? String(SUDO_PREFIX) + base : base;
}

String buildQuickActionRemoteCommand(int slot, bool svxlinkAction, bool& sendSudoPassword, String& errMsg) {
  sendSudoPassword = false;
  errMsg = String();
  const QuickActionSlotConfig* s = quickActionSlot(slot, svxlinkAction);
  if (s == nullptr) {
    errMsg = "Invalid quick action slot.";
    return String();
  }
  if (!s->enabled) {
    errMsg = "Quick action is disabled.";
    return String();
  }
  String command = s->command;
  command.trim();
  if (command.isEmpty()) {
    errMsg = "Quick action command is empty.";
    return String();
  }
  const String& user = svxlinkAction ? cfg.svxlinkSshUser : cfg.pistarSshUser;
  return buildWrappedRemoteShellCommand(command, s->useSudo, user, sendSudoPassword);
}

ModeStatus* modeStatusFromTouchLabel(const String& label) {
  if (label == "DMR") return &modeDMR;
  if (label == "DSTAR") return &modeDSTAR;
  if (label == "YSF") return &modeYSF;
  if (label == "P25") return &modeP25;
  if (label == "NXDN") return &modeNXDN;
  return nullptr;
}

String hostModeManagerModuleNameFromTouchLabel(const String& label) {
  return label == "DSTAR" ? String("D-Star") : label;
}

String hostModeManagerPath() { return String("/usr/local/sbin/pistar-mmdvmhost-module"); }

String hostModeManagerAction(bool enable) { return String(enable ? "Enable" : "Disable"); }

String wpsdGatewayServiceNameFromModuleName(const String& moduleName) {
  String name = moduleName;
  const String mode = normalizeModeName(name);
  if (mode == "DSTAR") return String("ircddb");
  if (mode == "DMR") return String("dmr");
  if (mode == "YSF") return String("ysf");
  if (mode == "P25") return String("p25");
  if (mode == "NXDN") return String("nxdn");
  if (mode == "POCSAG") return String("dapnet");
  return String();
}

bool hostModeManagerNeedsSudo() {
  String user = cfg.pistarSshUser;
  user.trim();
  return !user.isEmpty() && user != "root";
}

String buildHostModeManagerCommand(const String& label, bool enable) {
  const String module = hostModeManagerModuleNameFromTouchLabel(label);
  String command;
  if (normalizedBackend() == "wpsd") {
    command = String("/bin/sh -c ") + shellSingleQuote(wpsdModeScript(module, enable));
  } else {
    command = hostModeManagerPath() + " " + shellSingleQuote(module) + " " +
              shellSingleQuote(hostModeManagerAction(enable));
  }
  return hostModeManagerNeedsSudo() ? String(SUDO_PREFIX) + command : command;
}

String sshHostFromConfigHost(const String& configured) {
  String h = hostWithoutSchemeAndPath(configured);
  if (h.startsWith("[")) {
    const int close = h.indexOf(']');
    return close > 0 ? h.substring(1, close) : h.substring(1);
  }
  const int colon = h.indexOf(':');
  // One colon separates a port; more than one is a bare IPv6 address.
  if (colon >= 0 && h.indexOf(':', colon + 1) < 0) h = h.substring(0, colon);
  return h;
}

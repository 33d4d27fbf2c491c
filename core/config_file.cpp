// Configuration file: load with the raw scanner, run-time re-apply, save and
// import.
#include "core/config_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/backend.h"
#include "core/config_keys.h"
#include "core/device_log.h"
#include "core/theme.h"
#include "core/view.h"
#include "host/password_hash.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/trace_log.h"

String lastLoadedConfigPath = "unknown";

namespace {

ConfigApplyHooks installedConfigApplyHooks = {};

const char *const FALLBACK_CONFIG_PATH = "config.json";
const size_t CONFIG_READ_CHUNK_BYTES = 4096;
const size_t CONFIG_FILE_MAX_BYTES = 16u * 1024u * 1024u;  // far above any real configuration

const char *boolText(bool v) { return v ? "true" : "false"; }

bool textIsSet(const String &s) {
  String t = s;
  t.trim();
  return t.length() > 0;
}

// Reads a whole file in pieces; false when it cannot be opened. Anything
// but a regular file (folder, pipe, device) opens but reads as empty, so a
// pipe cannot block the start-up and a device cannot fill the memory; a
// regular file is read up to CONFIG_FILE_MAX_BYTES.
bool readWholeHostFile(const char *path, std::string &text) {
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  text.clear();
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char buf[CONFIG_READ_CHUNK_BYTES];
    while (text.size() < CONFIG_FILE_MAX_BYTES) {
      size_t want = CONFIG_FILE_MAX_BYTES - text.size();
      ssize_t n = read(fd, buf, want < sizeof(buf) ? want : sizeof(buf));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buf, (size_t)n);
    }
  }
  close(fd);
  return true;
}

// Reads the first configuration file that opens; false when none did. The
// working directory's file is only tried when no storage folder was chosen.
bool readConfigText(std::string &text, String &path) {
  String primary = SD.mapPath(CONFIG_FILE);
  if (readWholeHostFile(primary.c_str(), text)) {
    path = primary;
    return true;
  }
  if (!storageFolderChosen && readWholeHostFile(FALLBACK_CONFIG_PATH, text)) {
    path = FALLBACK_CONFIG_PATH;
    return true;
  }
  return false;
}

void applyKeyRow(const std::string &text, const ConfigKeyRow &row) {
  switch (row.type) {
    case CONFIG_KEY_STRING: desktopApplyJsonString(text, row.key, cfg.*(row.text)); break;
    case CONFIG_KEY_BOOL: desktopApplyJsonBool(text, row.key, cfg.*(row.flag)); break;
    case CONFIG_KEY_U8: desktopApplyJsonU8(text, row.key, cfg.*(row.u8)); break;
    case CONFIG_KEY_U16: desktopApplyJsonU16(text, row.key, cfg.*(row.u16)); break;
    case CONFIG_KEY_U32: desktopApplyJsonU32(text, row.key, cfg.*(row.u32)); break;
  }
}

// Adds the profiles of "wifi_profiles" behind the legacy pair, so that a
// saved list of several networks survives the next load and save.
void applyWifiProfileArray(const std::string &text) {
  std::string array;
  if (!desktopJsonGetArray(text, "wifi_profiles", array)) return;
  size_t from = 0;
  std::string object;
  while (desktopJsonNextObject(array, from, object)) {
    String ssid;
    String pass;
    if (!desktopJsonGetString(object, "ssid", ssid)) continue;
    if (!desktopJsonGetString(object, "password", pass) || pass.length() == 0) {
      desktopJsonGetString(object, "pass", pass);
    }
    addWifiProfile(ssid, pass);
  }
}

}  // namespace

void desktopApplyConfigKeys(const std::string &text) {
  desktopApplyJsonString(text, "backend", cfg.backend);
  String rawBackend = cfg.backend;
  rawBackend.trim();
  rawBackend.toLowerCase();
  bool backendNamesSvxlink = rawBackend.indexOf("svxlink") >= 0;
  cfg.backend = canonicalBackendValue(cfg.backend);
  if (cfg.backend.length() == 0) cfg.backend = "Pi-Star";

  desktopApplyJsonString(text, "wifi_ssid", cfg.wifiSsid);
  desktopApplyJsonString(text, "wifi_pass", cfg.wifiPass);
  clearWifiProfiles();
  addWifiProfile(cfg.wifiSsid, cfg.wifiPass);
  applyWifiProfileArray(text);
  desktopApplyJsonU8(text, "wifi_retries_per_profile", cfg.wifiRetriesPerProfile);

  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) {
    applyKeyRow(text, CONFIG_KEY_ROWS[i]);
    if (CONFIG_KEY_ROWS[i].flag == &AppConfig::svxlinkEnabled && backendNamesSvxlink) {
      cfg.svxlinkEnabled = true;
    }
  }
  desktopParseActionArray(text, "quick_actions", cfg.quickActions, QUICK_ACTION_SLOT_COUNT);
  desktopParseActionArray(text, "svxlink_actions", cfg.svxlinkActions, SVXLINK_ACTION_SLOT_COUNT);
  cfg.watchListCount = desktopParseStringArray(text, "watch_list", cfg.watchList, WATCH_LIST_MAX_ENTRIES);
}

namespace {

// A password typed into the file by hand is replaced by its hash, and the
// file is saved at once so that the plain text does not stay on disk.
void hashPlainWebPassword() {
  const std::string stored = cfg.webUiPassword.str();
  if (stored.empty() || looksLikePasswordHash(stored)) return;
  const std::string hash = hashPassword(stored);
  if (hash.empty()) {
    cfg.webUiPassword = "";
    desktopTrace("[DESKTOP][WARN] web_ui_password could not be hashed; the settings page has no password.\n");
    return;
  }
  cfg.webUiPassword = String(hash);
  if (saveConfigToFile()) {
    desktopTrace("[DESKTOP] web_ui_password was plain text; config.json now keeps only its hash.\n");
  } else {
    desktopTrace("[DESKTOP][WARN] web_ui_password was plain text and config.json could not be rewritten.\n");
  }
}

void traceLoadedConfig(const String &path) {
  desktopTrace("[DESKTOP] Loaded config from %s without ArduinoJson.\n", path.c_str());
  desktopTrace("[DESKTOP] Config: backend=%s, pistar_host=%s, callsign=%s, quick1=%s, touch_ssh=%s.\n",
               cfg.backend.c_str(), cfg.pistarHost.c_str(), cfg.deviceCallsign.c_str(),
               cfg.quickActions[0].label.c_str(), boolText(cfg.touchModeSshEnabled));
  desktopTrace(
      "[DESKTOP] Config: weather=%s lat=%s lon=%s key=%s; aprs=%s key=%s refresh=%u min; hamqsl=%s "
      "refresh=%u min.\n",
      boolText(cfg.weatherEnabled), cfg.weatherLat.c_str(), cfg.weatherLon.c_str(),
      textIsSet(cfg.weatherApiKey) ? "set" : "missing", boolText(cfg.aprsEnabled),
      textIsSet(cfg.aprsApiKey) ? "set" : "missing", (unsigned)cfg.aprsRefreshMinutes,
      boolText(cfg.hamqslEnabled), (unsigned)cfg.hamqslRefreshMinutes);
}

}  // namespace

void installConfigApplyHooks(const ConfigApplyHooks &hooks) { installedConfigApplyHooks = hooks; }

const ConfigApplyHooks &configApplyHooks() { return installedConfigApplyHooks; }

void desktopApplyConfigText(const std::string &text) {
  desktopApplyConfigKeys(text);
  applyBaseThemeColor(cfg.themeColor);
  desktopLoadThemeOverrides(text);
}

bool loadConfig() {
  setDefaultTheme();
  return loadDesktopDefaultConfig();
}

bool loadDesktopDefaultConfig() {
  applyDesktopConfigDefaults();
  std::string text;
  String path = "unknown";
  bool opened = readConfigText(text, path);
  lastLoadedConfigPath = opened ? path : String("unknown");
  if (!opened || text.empty()) {
    applyBaseThemeColor(cfg.themeColor);
    desktopTrace("[DESKTOP][WARN] config.json not found; using built-in desktop defaults.\n");
  } else {
    desktopApplyConfigText(text);
    traceLoadedConfig(lastLoadedConfigPath);
  }
  desktopFinalizeLoadedConfig();
  if (opened && !text.empty()) hashPlainWebPassword();
  if (configApplyHooks().loaded) configApplyHooks().loaded();
  currentWatchSource = WATCH_MMDVM;
  currentPage = PAGE_LIVE;
  previousPage = PAGE_LIVE;
  return configLooksValid();
}

bool configLooksValid() {
  return hasConfiguredWifiProfiles() && cfg.pistarHost.length() > 0 && isValidBackendValue(cfg.backend);
}

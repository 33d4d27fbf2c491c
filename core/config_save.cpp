// Configuration save and import: the document of every key, written so that
// a failure never leaves a damaged or missing configuration file.
#include <errno.h>
#include <fcntl.h>
#include <libgen.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/backend.h"
#include "core/config_file.h"
#include "core/config_edit.h"
#include "core/config_keys.h"
#include "core/theme.h"
#include "host/storage.h"
#include "host/trace_log.h"

ConfigFileWriteFn configFileWriteHook = nullptr;

namespace {

const mode_t NEW_CONFIG_FILE_MODE = 0644;

void putKeyRow(JsonDocument &doc, const ConfigKeyRow &row) {
  JsonVariant v = doc[row.key];
  switch (row.type) {
    case CONFIG_KEY_STRING: v = cfg.*(row.text); break;
    case CONFIG_KEY_BOOL: v = cfg.*(row.flag); break;
    case CONFIG_KEY_U8: v = (unsigned)(cfg.*(row.u8)); break;
    case CONFIG_KEY_U16: v = (unsigned)(cfg.*(row.u16)); break;
    case CONFIG_KEY_U32: v = cfg.*(row.u32); break;
  }
}

void putActionSlots(JsonDocument &doc, const char *key, const QuickActionSlotConfig *slots, int count) {
  JsonArray array = doc.createNestedArray(key);
  for (int i = 0; i < count; ++i) {
    JsonObject o = array.createNestedObject();
    o["enabled"] = slots[i].enabled;
    o["use_sudo"] = slots[i].useSudo;
    o["label"] = slots[i].label;
    o["command"] = slots[i].command;
  }
}

}  // namespace

void buildConfigDocument(JsonDocument &doc) {
  doc["backend"] = cfg.backend;
  doc["wifi_ssid"] = cfg.wifiSsid;
  doc["wifi_pass"] = cfg.wifiPass;
  doc["wifi_retries_per_profile"] = (unsigned)effectiveWifiRetriesPerProfile();
  writeWifiProfilesToJson(doc);
  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) putKeyRow(doc, CONFIG_KEY_ROWS[i]);
  doc["start_page_after_boot"] = normalizedStartPageAfterBoot(false);  // keeps its place
  putActionSlots(doc, "quick_actions", cfg.quickActions, QUICK_ACTION_SLOT_COUNT);
  putActionSlots(doc, "svxlink_actions", cfg.svxlinkActions, SVXLINK_ACTION_SLOT_COUNT);
  JsonArray watchList = doc.createNestedArray("watch_list");
  for (int i = 0; i < cfg.watchListCount; ++i) watchList.add(cfg.watchList[i]);
  JsonObject colours = doc.createNestedObject("theme");
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    colours[THEME_COLOR_KEYS[i]] = color565ToHex(themeColorField(theme, i));
  }
}

namespace {

// Writes the whole text in one call. A write that takes fewer bytes than
// asked (full disk, quota, error) fails the save at once; only an
// interrupted call, which wrote nothing, is repeated.
bool writeAllBytes(int fd, const std::string &text) {
  if (text.empty()) return false;
  for (;;) {
    ssize_t n = configFileWriteHook ? configFileWriteHook(fd, text.data(), text.size())
                                    : ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    return n >= 0 && (size_t)n == text.size();
  }
}

// Makes a rename in the folder of `path` durable; failures are harmless.
void syncParentFolder(const std::string &path) {
  std::string copy = path;
  int dirFd = open(dirname(&copy[0]), O_RDONLY | O_DIRECTORY);
  if (dirFd < 0) return;
  fsync(dirFd);
  close(dirFd);
}

// Temporary file beside `target`, with the mode of the file it replaces.
int openTempBeside(const std::string &target, std::string &tempPath) {
  tempPath = target + ".tmp-XXXXXX";
  int fd = mkstemp(&tempPath[0]);
  if (fd < 0) return -1;
  struct stat old;
  mode_t mode = (stat(target.c_str(), &old) == 0) ? (old.st_mode & 07777) : NEW_CONFIG_FILE_MODE;
  fchmod(fd, mode);
  return fd;
}

bool replaceFileWithText(const std::string &target, const std::string &text) {
  if (text.empty()) {  // an empty upload is still a file to read
    int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, NEW_CONFIG_FILE_MODE);
    return fd >= 0 && close(fd) == 0;
  }
  std::string tempPath;
  int fd = openTempBeside(target, tempPath);
  if (fd < 0) return false;
  bool ok = writeAllBytes(fd, text) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && rename(tempPath.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(tempPath.c_str());
    return false;
  }
  syncParentFolder(target);
  return true;
}

// Reads a whole storage file (at most twice the request limit of the
// settings page: anything larger is no configuration); false when it does
// not open.
bool readStorageFileText(const char *path, std::string &text) {
  const size_t IMPORT_FILE_MAX_BYTES = 512u * 1024u;
  FILE *f = fopen(SD.mapPath(path).c_str(), "rb");
  if (f == nullptr) return false;
  text.clear();
  char buf[4096];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0 && text.size() < IMPORT_FILE_MAX_BYTES) text.append(buf, n);
  fclose(f);
  return true;
}

}  // namespace

void writeWifiProfilesToJson(JsonDocument &doc) {
  JsonArray profiles = doc.createNestedArray("wifi_profiles");
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    if (!wifiSsidLooksUsable(cfg.wifiProfiles[i].ssid)) continue;
    JsonObject o = profiles.createNestedObject();
    o["ssid"] = cfg.wifiProfiles[i].ssid;
    o["password"] = cfg.wifiProfiles[i].pass;
  }
}

bool persistConfigDocument(JsonDocument &doc, const char *path) {
  if (path == nullptr || storagePathHasParentRef(path)) return false;
  std::string text;
  serializeJsonPretty(doc, text);
  if (text.empty()) return false;
  std::string target = SD.mapPath(path).str();
  if (!desktopCreateParentDirs(String(target))) return false;
  if (!replaceFileWithText(target, text)) {
    desktopTrace("[DESKTOP][WARN] could not write %s; the previous file is kept.\n", target.c_str());
    return false;
  }
  return true;
}

bool saveConfigToFile() {
  syncLegacyWifiFieldsFromProfiles();
  DynamicJsonDocument doc(16384);
  buildConfigDocument(doc);
  return persistConfigDocument(doc, CONFIG_FILE);
}

void loadWifiProfilesFromJsonArray(JsonArray array) {
  for (const JsonVariant &item : array) {
    if (!item.is<JsonObject>()) continue;
    String ssid = item["ssid"] | String();
    String pass = item["password"] | String();
    if (pass.length() == 0) pass = item["pass"] | String();
    addWifiProfile(ssid, pass);
  }
}

bool jsonArrayHasUsableWifiProfile(JsonArray array) {
  for (const JsonVariant &item : array) {
    if (item.is<JsonObject>() && wifiSsidLooksUsable(item["ssid"] | String())) return true;
  }
  return false;
}

bool configDocumentHasUsableWifiProfile(JsonDocument &doc) {
  if (wifiSsidLooksUsable(doc["wifi_ssid"] | String())) return true;
  return jsonArrayHasUsableWifiProfile(doc["wifi_profiles"].as<JsonArray>()) ||
         jsonArrayHasUsableWifiProfile(doc["wifi"].as<JsonArray>());
}

bool applyConfigFromFile(const char *path, String *errMsg) {
  std::string text;
  if (path == nullptr || storagePathHasParentRef(path) || !readStorageFileText(path, text)) {
    if (errMsg != nullptr) *errMsg = "Uploaded config could not be opened.";
    return false;
  }
  ConfigEditOutcome outcome;
  applyConfigImportText(text, outcome);
  if (!outcome.saved && errMsg != nullptr) {
    std::string why = outcome.error;
    for (const ConfigFieldNote &n : outcome.notes) {
      if (n.refused) {
        why += " " + n.path + " " + n.message + ".";
        break;
      }
    }
    *errMsg = String(why);
  }
  return outcome.saved;
}

void applyConfigFromFileText(const std::string &upload, ConfigEditOutcome &out) {
  out = ConfigEditOutcome();
  std::string target = SD.mapPath(IMPORT_CONFIG_TEMP_FILE).str();
  bool written = desktopCreateParentDirs(String(target)) && replaceFileWithText(target, upload);
  std::string text;
  if (!written || !readStorageFileText(IMPORT_CONFIG_TEMP_FILE, text)) {
    out.error = "Uploaded config could not be opened.";
    unlink(target.c_str());
    return;
  }
  applyConfigImportText(text, out);
  unlink(target.c_str());
}

// Whole-configuration edits: form saves, imports and exports. A candidate
// document is built, each value checked, the candidate loaded and normalised
// into a scratch copy of `cfg` (the real one is restored at once), and only a
// clean candidate is written and applied.
#include "core/config_edit.h"

#include <arpa/inet.h>
#include <errno.h>
#include <stdlib.h>
#include <strings.h>

#include "core/backend.h"
#include "core/config_docs.h"
#include "core/config_file.h"
#include "core/config_keys.h"
#include "core/theme.h"
#include "host/json_reader.h"
#include "host/storage.h"

namespace {

using desktop_json::Node;

enum PathType { PATH_TEXT, PATH_BOOL, PATH_NUMBER };

const char* const WIFI_FIELDS[] = {"ssid", "password"};
const char* const ACTION_FIELDS[] = {"enabled", "use_sudo", "label", "command"};
const char* const ACTION_ARRAYS[] = {"quick_actions", "svxlink_actions"};
const int IGNORED_KEYS_NAMED_MAX = 10;
const char* const NESTED_NAMES[] = {"ssid", "password", "pass", "enabled", "use_sudo", "label", "command"};

// ---------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------

const ConfigKeyRow* keyRow(const std::string& key) {
  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) {
    if (key == CONFIG_KEY_ROWS[i].key) return &CONFIG_KEY_ROWS[i];
  }
  return nullptr;
}

int themeIndex(const std::string& name) {
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    if (name == THEME_COLOR_KEYS[i]) return i;
  }
  return -1;
}

// "quick_actions.2.label" -> array "quick_actions", slot 2, field "label".
bool splitSlotPath(const std::string& path, std::string& array, int& slot, std::string& field) {
  size_t a = path.find('.');
  size_t b = a == std::string::npos ? a : path.find('.', a + 1);
  if (b == std::string::npos || b != a + 2 || path[a + 1] < '0' || path[a + 1] > '9') return false;
  array = path.substr(0, a);
  slot = path[a + 1] - '0';
  field = path.substr(b + 1);
  return true;
}

bool isActionArray(const std::string& name) { return name == ACTION_ARRAYS[0] || name == ACTION_ARRAYS[1]; }

const QuickActionSlotConfig* actionSlots(const AppConfig& c, const std::string& array) {
  return array == "quick_actions" ? c.quickActions : c.svxlinkActions;
}

// "watch_list.<0-15>" -> its slot, or -1.
int watchListSlot(const std::string& path) {
  if (path.compare(0, 11, "watch_list.") != 0 || path.size() < 12 || path.size() > 13) return -1;
  int slot = 0;
  for (size_t i = 11; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9') return -1;
    slot = slot * 10 + (path[i] - '0');
  }
  return slot < WATCH_LIST_MAX_ENTRIES ? slot : -1;
}

bool describePath(const std::string& path, PathType& type) {
  if (watchListSlot(path) >= 0) {
    type = PATH_TEXT;
    return true;
  }
  if (path == "backend" || path == "wifi_ssid" || path == "wifi_pass") {
    type = PATH_TEXT;
    return true;
  }
  if (path == "wifi_retries_per_profile") {
    type = PATH_NUMBER;
    return true;
  }
  if (const ConfigKeyRow* row = keyRow(path)) {
    type = row->type == CONFIG_KEY_STRING ? PATH_TEXT : row->type == CONFIG_KEY_BOOL ? PATH_BOOL : PATH_NUMBER;
    return true;
  }
  if (path.compare(0, 6, "theme.") == 0) {
    type = PATH_TEXT;
    return themeIndex(path.substr(6)) >= 0;
  }
  std::string array, field;
  int slot = 0;
  if (!splitSlotPath(path, array, slot, field)) return false;
  if (array == "wifi_profiles") {
    type = PATH_TEXT;
    return slot < WIFI_PROFILE_COUNT && (field == "ssid" || field == "password");
  }
  if (!isActionArray(array) || slot >= QUICK_ACTION_SLOT_COUNT) return false;
  type = (field == "enabled" || field == "use_sudo") ? PATH_BOOL : PATH_TEXT;
  return field == "enabled" || field == "use_sudo" || field == "label" || field == "command";
}

bool pathIsSecret(const std::string& path) {
  if (configKeyIsSecret(path)) return true;
  return path.compare(0, 14, "wifi_profiles.") == 0 && path.size() > 9 &&
         path.compare(path.size() - 9, 9, ".password") == 0;
}

std::string boolText(bool v) { return v ? "true" : "false"; }

bool valueTextOf(const AppConfig& c, const std::string& path, std::string& out) {
  if (path == "backend") return out = c.backend.str(), true;
  if (path == "wifi_ssid") return out = c.wifiSsid.str(), true;
  if (path == "wifi_pass") return out = c.wifiPass.str(), true;
  if (path == "wifi_retries_per_profile") return out = std::to_string(c.wifiRetriesPerProfile), true;
  if (watchListSlot(path) >= 0) {
    int slot = watchListSlot(path);
    out = slot < c.watchListCount ? c.watchList[slot].str() : std::string();
    return true;
  }
  if (const ConfigKeyRow* row = keyRow(path)) {
    switch (row->type) {
      case CONFIG_KEY_STRING: out = (c.*(row->text)).str(); break;
      case CONFIG_KEY_BOOL: out = boolText(c.*(row->flag)); break;
      case CONFIG_KEY_U8: out = std::to_string(c.*(row->u8)); break;
      case CONFIG_KEY_U16: out = std::to_string(c.*(row->u16)); break;
      case CONFIG_KEY_U32: out = std::to_string(c.*(row->u32)); break;
    }
    return true;
  }
  if (path.compare(0, 6, "theme.") == 0) {
    int i = themeIndex(path.substr(6));
    if (i < 0) return false;
    out = color565ToHex(themeColorField(theme, i)).str();
    return true;
  }
  std::string array, field;
  int slot = 0;
  PathType type;
  if (!describePath(path, type) || !splitSlotPath(path, array, slot, field)) return false;
  if (array == "wifi_profiles") {
    const WifiProfileConfig& p = c.wifiProfiles[slot];
    out = (field == "ssid" ? p.ssid : p.pass).str();
    return true;
  }
  const QuickActionSlotConfig& s = actionSlots(c, array)[slot];
  if (field == "enabled") out = boolText(s.enabled);
  if (field == "use_sudo") out = boolText(s.useSudo);
  if (field == "label") out = s.label.str();
  if (field == "command") out = s.command.str();
  return true;
}

// ---------------------------------------------------------------------------
// Checks of single values
// ---------------------------------------------------------------------------

bool parseBoolText(const std::string& text, bool& out) {
  if (text == "true" || text == "on" || text == "1") return out = true, true;
  if (text == "false" || text == "off" || text == "0") return out = false, true;
  return false;
}

bool parseWholeNumber(const std::string& text, long long& out) {
  size_t b = text.find_first_not_of(" \t");
  size_t e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  std::string t = text.substr(b, e - b + 1);
  size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i >= t.size() || t.size() - i > 12) return false;
  for (size_t k = i; k < t.size(); ++k) {
    if (t[k] < '0' || t[k] > '9') return false;
  }
  out = strtoll(t.c_str(), nullptr, 10);
  return true;
}

bool validUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = (unsigned char)s[i];
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) return false;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || ((unsigned char)s[i + k] >> 6) != 2) return false;
    }
    i += (size_t)extra + 1;
  }
  return true;
}

bool isUrlKey(const std::string& path) {
  auto endsWith = [&](const char* tail) {
    size_t n = std::char_traits<char>::length(tail);
    return path.size() >= n && path.compare(path.size() - n, n, tail) == 0;
  };
  return endsWith("_url") || endsWith("_base");
}

// The configuration file is read by a key search: a text holding a quoted
// key name would be taken for that key when the file is read back.
std::string quotedKeyInside(const std::string& text) {
  if (text.find('"') == std::string::npos) return std::string();
  auto holds = [&](const char* key) { return text.find(std::string("\"") + key + "\"") != std::string::npos; };
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    if (holds(CONFIG_DOC_ROWS[i].key)) return CONFIG_DOC_ROWS[i].key;
  }
  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) {
    if (holds(CONFIG_KEY_ROWS[i].key)) return CONFIG_KEY_ROWS[i].key;
  }
  for (const char* name : NESTED_NAMES) {
    if (holds(name)) return name;
  }
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    if (holds(THEME_COLOR_KEYS[i])) return THEME_COLOR_KEYS[i];
  }
  return std::string();
}

// Why a text cannot be stored, or empty.
std::string textRefusal(const std::string& path, const std::string& value) {
  if (value.size() > CONFIG_TEXT_MAX_BYTES) return "is too long (at most 1024 bytes)";
  if (!validUtf8(value)) return "is not valid UTF-8 text";
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7F) return "must be one line without control characters";
  }
  std::string key = quotedKeyInside(value);
  if (!key.empty()) return "must not contain \"" + key + "\" in quotes";
  String trimmed = trimmedCopy(String(value));
  if (isUrlKey(path) && trimmed.length() > 0 && strncasecmp(trimmed.c_str(), "http://", 7) != 0 &&
      strncasecmp(trimmed.c_str(), "https://", 8) != 0) {
    return "must start with http:// or https://";
  }
  uint16_t colour = 0;
  if ((path == "theme_color" || path.compare(0, 6, "theme.") == 0) && !parseHexColor(String(value), colour)) {
    return "must be a colour such as #35C2FF";
  }
  if (path == "web_ui_bind" && trimmed.length() > 0) {
    unsigned char buf[16];
    if (inet_pton(AF_INET, trimmed.c_str(), buf) != 1 && inet_pton(AF_INET6, trimmed.c_str(), buf) != 1) {
      return "must be an IP address such as 127.0.0.1 or 0.0.0.0";
    }
  }
  return std::string();
}

// ---------------------------------------------------------------------------
// The candidate
// ---------------------------------------------------------------------------

struct Candidate {
  DynamicJsonDocument doc;
  WifiProfileConfig profiles[WIFI_PROFILE_COUNT];
  bool profilesTouched = false;
  std::string watchList[WATCH_LIST_MAX_ENTRIES];
  bool watchListTouched = false;
  bool wifiSsidSet = false;
  std::vector<std::pair<std::string, std::string>> submitted;  // path, value as checked
  ConfigEditOutcome* out = nullptr;
  bool checkOnly = false;  // stop after the checks and the normalisation
  int ignoredKeys = 0;     // unknown keys of an import

  void refuse(const std::string& path, const std::string& why) {
    out->notes.push_back(ConfigFieldNote{path, why, true});
  }
  bool anyRefused() const {
    for (const ConfigFieldNote& n : out->notes) {
      if (n.refused) return true;
    }
    return false;
  }
};

JsonVariant variantAt(JsonDocument& doc, const std::string& path) {
  std::string array, field;
  int slot = 0;
  if (path.compare(0, 6, "theme.") == 0) return doc["theme"][path.substr(6).c_str()];
  if (splitSlotPath(path, array, slot, field)) return doc[array.c_str()][slot][field.c_str()];
  return doc[path.c_str()];
}

// Checks one value and puts it into the candidate; false when refused.
bool setPath(Candidate& c, const std::string& path, const std::string& value) {
  PathType type;
  if (!describePath(path, type)) return false;
  if (type == PATH_BOOL) {
    bool b = false;
    if (!parseBoolText(value, b)) return c.refuse(path, "must be true or false"), false;
    variantAt(c.doc, path) = b;
    c.submitted.emplace_back(path, boolText(b));
    return true;
  }
  if (type == PATH_NUMBER) {
    long long n = 0;
    if (!parseWholeNumber(value, n)) return c.refuse(path, "must be a whole number"), false;
    if (n < -2147483648LL || n > 2147483647LL) return c.refuse(path, "is out of range"), false;
    variantAt(c.doc, path) = n;
    c.submitted.emplace_back(path, std::to_string(n));
    return true;
  }
  std::string why = textRefusal(path, value);
  if (!why.empty()) return c.refuse(path, why), false;
  std::string array, field;
  int slot = 0;
  if (watchListSlot(path) >= 0) {
    c.watchList[watchListSlot(path)] = value;
    c.watchListTouched = true;
  } else if (path.compare(0, 14, "wifi_profiles.") == 0 && splitSlotPath(path, array, slot, field)) {
    (field == "ssid" ? c.profiles[slot].ssid : c.profiles[slot].pass) = String(value);
    c.profilesTouched = true;
  } else {
    variantAt(c.doc, path) = value;
    if (path == "wifi_ssid") c.wifiSsidSet = true;
  }
  c.submitted.emplace_back(path, value);
  return true;
}

void writeWatchList(Candidate& c) {
  if (!c.watchListTouched) return;
  JsonArray array = c.doc["watch_list"].to<JsonArray>();
  for (const std::string& entry : c.watchList) {
    if (!trimmedCopy(String(entry)).isEmpty()) array.add(entry);
  }
}

void writeProfiles(Candidate& c) {
  JsonArray array = c.doc["wifi_profiles"].to<JsonArray>();
  bool first = true;
  for (const WifiProfileConfig& p : c.profiles) {
    if (!wifiSsidLooksUsable(p.ssid)) continue;
    JsonObject o = array.createNestedObject();
    o["ssid"] = p.ssid;
    o["password"] = p.pass;
    if (first && c.profilesTouched && !c.wifiSsidSet) {
      c.doc["wifi_ssid"] = p.ssid;
      c.doc["wifi_pass"] = p.pass;
    }
    first = false;
  }
  if (first && c.profilesTouched && !c.wifiSsidSet) c.doc["wifi_ssid"] = "";
}

void dropMember(Node& object, const std::string& key) {
  for (auto it = object.members.begin(); it != object.members.end(); ++it) {
    if (it->first == key) {
      object.members.erase(it);
      return;
    }
  }
}

// Loads the candidate into a scratch `cfg` exactly as the loader would and
// returns the normalised record; the running configuration is put back.
AppConfig normalisedCandidate(const std::string& text) {
  AppConfig running = cfg;
  applyDesktopConfigDefaults();
  desktopApplyConfigKeys(text);
  normalizeConfigFields();
  AppConfig result = cfg;
  cfg = running;
  return result;
}

std::string rangeText(const std::string& path) {
  const ConfigDocRow* row = configDocRow(path);
  if (row == nullptr || row->min > row->max) return std::string();
  return " (allowed " + std::to_string(row->min) + " to " + std::to_string(row->max) + ")";
}

void noteAdjustments(Candidate& c, const AppConfig& result) {
  for (const auto& s : c.submitted) {
    if (s.first.compare(0, 6, "theme.") == 0) continue;
    std::string became;
    if (!valueTextOf(result, s.first, became) || became == s.second) continue;
    if (pathIsSecret(s.first)) {
      if (s.first != "web_ui_password") c.out->notes.push_back({s.first, "was trimmed", false});
      continue;
    }
    c.out->notes.push_back({s.first, "became \"" + became + "\"" + rangeText(s.first), false});
  }
}

void listChanges(const AppConfig& before, const AppConfig& after, ConfigEditOutcome& out) {
  for (const std::string& path : configEditablePaths()) {
    if (path.compare(0, 6, "theme.") == 0) continue;
    std::string a, b;
    valueTextOf(before, path, a);
    valueTextOf(after, path, b);
    if (a == b) continue;
    out.changes.push_back(pathIsSecret(path) ? path + ": changed" : path + ": " + a + " -> " + b);
  }
}

// Checks, normalises, writes and applies the candidate.
void commit(Candidate& c, const char* saveFailure) {
  ConfigEditOutcome& out = *c.out;
  if (c.anyRefused()) {
    out.error = "Nothing was saved: correct the values marked below.";
    return;
  }
  writeProfiles(c);
  writeWatchList(c);
  AppConfig before = cfg;
  Theme themeBefore = theme;
  AppConfig result = normalisedCandidate(c.doc.toJsonText(false));
  noteAdjustments(c, result);
  if (c.checkOnly) return;
  if (!persistConfigDocument(c.doc, CONFIG_FILE)) {
    out.error = saveFailure;
    return;
  }
  if (configApplyHooks().applyAtRunTime) configApplyHooks().applyAtRunTime();
  listChanges(before, cfg, out);
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    if (themeColorField(themeBefore, i) != themeColorField(theme, i)) {
      out.changes.push_back("theme: colours changed");
      break;
    }
  }
  out.saved = true;
}

// ---------------------------------------------------------------------------
// Import
// ---------------------------------------------------------------------------

const Node* member(const Node& object, const char* key) {
  for (const auto& m : object.members) {
    if (m.first == key) return m.second.get();
  }
  return nullptr;
}

std::string memberText(const Node& object, const char* key) {
  const Node* n = member(object, key);
  return n != nullptr && n->kind == Node::TEXT ? n->text : std::string();
}

bool arrayHasUsableSsid(const Node* array) {
  if (array == nullptr || array->kind != Node::ARRAY) return false;
  for (const auto& item : array->items) {
    if (item->kind == Node::OBJECT && wifiSsidLooksUsable(String(memberText(*item, "ssid")))) return true;
  }
  return false;
}

// Import steps of the required fields; false with the message in out.
bool checkImportRequired(Node& root, ConfigEditOutcome& out) {
  String raw(memberText(root, "backend"));
  String backend = canonicalBackendValue(raw);
  raw.trim();
  raw.toLowerCase();
  if (backend.length() == 0 && raw.indexOf("svxlink") >= 0) {
    backend = "Pi-Star";
    Node& enabled = *root.member("svxlink_enabled", true);
    enabled.reset(Node::BOOL);
    enabled.b = true;
    Node& source = *root.member("svxlink_source", true);
    source.reset(Node::TEXT);
    source.text = raw.indexOf("api") >= 0 ? "api" : "url";
  }
  bool wifi = wifiSsidLooksUsable(String(memberText(root, "wifi_ssid"))) ||
              arrayHasUsableSsid(member(root, "wifi_profiles")) || arrayHasUsableSsid(member(root, "wifi"));
  if (backend.length() == 0 || !wifi || trimmedCopy(String(memberText(root, "pistar_host"))).length() == 0) {
    out.error = "Config is missing required fields (backend, wifi_ssid or wifi_profiles, and pistar_host).";
    return false;
  }
  Node& b = *root.member("backend", true);
  b.reset(Node::TEXT);
  b.text = backend.str();
  return true;
}

// A scalar of the upload as the text a form would send; false for a value
// of the wrong kind.
bool scalarText(const Node& n, PathType type, std::string& out) {
  switch (n.kind) {
    case Node::BOOL: out = boolText(n.b); return type == PATH_BOOL;
    case Node::INT: out = std::to_string(n.i); return type == PATH_NUMBER;
    case Node::UINT: out = std::to_string(n.u); return type == PATH_NUMBER;
    case Node::TEXT: out = n.text; return type == PATH_TEXT;
    default: return false;
  }
}

void importScalar(Candidate& c, const std::string& path, const Node& n) {
  PathType type;
  if (!describePath(path, type)) return;
  std::string text;
  if (!scalarText(n, type, text)) {
    const char* want = type == PATH_BOOL ? "must be true or false" : type == PATH_NUMBER ? "must be a whole number"
                                                                                        : "must be a text";
    c.refuse(path, want);
    return;
  }
  setPath(c, path, text);
}

void importProfiles(Candidate& c, const Node& array, const AppConfig& running) {
  c.profilesTouched = true;
  int slot = 0;
  for (const auto& item : array.items) {
    if (item->kind != Node::OBJECT || slot >= WIFI_PROFILE_COUNT) continue;
    std::string ssid = memberText(*item, "ssid");
    if (!wifiSsidLooksUsable(String(ssid))) continue;
    const Node* pass = member(*item, "password");
    if (pass == nullptr || (pass->kind == Node::TEXT && pass->text.empty())) pass = member(*item, "pass");
    std::string prefix = "wifi_profiles." + std::to_string(slot) + ".";
    setPath(c, prefix + "ssid", ssid);
    if (pass != nullptr) {
      importScalar(c, prefix + "password", *pass);
    } else {
      for (const WifiProfileConfig& p : running.wifiProfiles) {  // a left-out secret keeps its value
        if (p.ssid.str() == ssid) c.profiles[slot].pass = p.pass;
      }
    }
    ++slot;
  }
}

void importMember(Candidate& c, const std::string& key, const Node& value, const AppConfig& running) {
  if (key == "wifi_profiles" || key == "wifi") {
    if (value.kind != Node::ARRAY) return c.refuse(key, "must be a list of {\"ssid\", \"password\"} objects");
    return importProfiles(c, value, running);
  }
  if (isActionArray(key)) {
    if (value.kind != Node::ARRAY) return c.refuse(key, "must be a list of action objects");
    for (size_t slot = 0; slot < value.items.size() && slot < (size_t)QUICK_ACTION_SLOT_COUNT; ++slot) {
      const Node& item = *value.items[slot];
      if (item.kind != Node::OBJECT) return c.refuse(key, "must be a list of action objects");
      for (const char* field : ACTION_FIELDS) {
        const Node* n = member(item, field);
        if (n != nullptr) importScalar(c, key + "." + std::to_string(slot) + "." + field, *n);
      }
    }
    return;
  }
  if (key == "watch_list") {
    if (value.kind != Node::ARRAY) return c.refuse(key, "must be a list of texts");
    c.watchListTouched = true;
    for (size_t slot = 0; slot < value.items.size() && slot < (size_t)WATCH_LIST_MAX_ENTRIES; ++slot) {
      importScalar(c, "watch_list." + std::to_string(slot), *value.items[slot]);
    }
    return;
  }
  if (key == "theme") {
    if (value.kind != Node::OBJECT) return c.refuse(key, "must be an object of colours");
    for (const auto& m : value.members) {
      if (themeIndex(m.first) >= 0) importScalar(c, "theme." + m.first, *m.second);
    }
    return;
  }
  PathType type;
  if (!describePath(key, type) || key.find('.') != std::string::npos) {
    // A hostile file may hold thousands: the first few are named.
    if (++c.ignoredKeys <= IGNORED_KEYS_NAMED_MAX) {
      std::string shown = key.size() > 64 ? key.substr(0, 64) + "..." : key;
      c.out->notes.push_back({"\"" + shown + "\"", "was ignored (not a key of this program)", false});
    }
    return;
  }
  importScalar(c, key, value);
}

// The start of an import: the defaults without a theme, with the stored
// secrets kept and no Wi-Fi profile.
void buildImportBase(Candidate& c) {
  AppConfig running = cfg;
  applyDesktopConfigDefaults();
  clearWifiProfiles();
  cfg.wifiSsid = "";
  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) {
    const ConfigKeyRow& row = CONFIG_KEY_ROWS[i];
    if (row.type == CONFIG_KEY_STRING && configKeyIsSecret(row.key)) cfg.*(row.text) = running.*(row.text);
  }
  cfg.wifiPass = running.wifiPass;
  buildConfigDocument(c.doc);
  cfg = running;
  dropMember(c.doc.root(), "theme");
  c.doc["wifi_ssid"] = "";
}

void addPath(std::vector<std::string>& paths, const std::string& p) { paths.push_back(p); }

}  // namespace

// ---------------------------------------------------------------------------
// Public
// ---------------------------------------------------------------------------

std::vector<std::string> configEditablePaths() {
  std::vector<std::string> paths = {"backend", "wifi_ssid", "wifi_pass", "wifi_retries_per_profile"};
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    for (const char* f : WIFI_FIELDS) addPath(paths, "wifi_profiles." + std::to_string(i) + "." + f);
  }
  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) addPath(paths, CONFIG_KEY_ROWS[i].key);
  for (int i = 0; i < WATCH_LIST_MAX_ENTRIES; ++i) addPath(paths, "watch_list." + std::to_string(i));
  for (const char* array : ACTION_ARRAYS) {
    for (int i = 0; i < QUICK_ACTION_SLOT_COUNT; ++i) {
      for (const char* f : ACTION_FIELDS) addPath(paths, std::string(array) + "." + std::to_string(i) + "." + f);
    }
  }
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) addPath(paths, std::string("theme.") + THEME_COLOR_KEYS[i]);
  return paths;
}

bool configValueText(const std::string& path, std::string& out) { return valueTextOf(cfg, path, out); }

void applyConfigForm(const ConfigFormFields& fields, const std::vector<std::string>& clearSecrets,
                     ConfigEditOutcome& out) {
  out = ConfigEditOutcome();
  Candidate c;
  c.out = &out;
  buildConfigDocument(c.doc);
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) c.profiles[i] = cfg.wifiProfiles[i];
  for (int i = 0; i < cfg.watchListCount && i < WATCH_LIST_MAX_ENTRIES; ++i) c.watchList[i] = cfg.watchList[i].str();
  // The last value of a field counts.
  std::vector<std::pair<std::string, std::string>> last;
  for (const auto& f : fields) {
    PathType type;
    if (!describePath(f.first, type)) continue;
    bool replaced = false;
    for (auto& l : last) {
      if (l.first == f.first) {
        l.second = f.second;
        replaced = true;
      }
    }
    if (!replaced) last.push_back(f);
  }
  bool themeSent = false;
  std::string oldThemeColor = cfg.themeColor.str();
  std::string newThemeColor = oldThemeColor;
  for (const auto& f : last) {
    if (pathIsSecret(f.first) && f.second.empty()) continue;  // an empty secret keeps the stored one
    if (f.first.compare(0, 6, "theme.") == 0) {
      std::string current;
      valueTextOf(cfg, f.first, current);
      if (strcasecmp(current.c_str(), trimmedCopy(String(f.second)).c_str()) == 0) continue;
      themeSent = true;
    }
    if (f.first == "theme_color") newThemeColor = trimmedCopy(String(f.second)).str();
    setPath(c, f.first, f.second);
  }
  for (const std::string& path : clearSecrets) {
    if (pathIsSecret(path)) setPath(c, path, "");
  }
  // A new base colour recolours the screen unless colours were set one by one.
  if (strcasecmp(newThemeColor.c_str(), oldThemeColor.c_str()) != 0 && !themeSent) {
    dropMember(c.doc.root(), "theme");
  }
  commit(c, "Settings could not be saved (the storage folder is not writable).");
}

namespace {

void importText(const std::string& text, ConfigEditOutcome& out, bool checkOnly) {
  out = ConfigEditOutcome();
  Node root;
  std::string parseError;
  if (!parseJsonText(text, root, parseError)) {
    out.error = "JSON parse failed: " + parseError;
    return;
  }
  if (root.kind != Node::OBJECT) {
    out.error = "Config file must contain a JSON object.";
    return;
  }
  if (!checkImportRequired(root, out)) return;
  Candidate c;
  c.out = &out;
  c.checkOnly = checkOnly;
  buildImportBase(c);
  const AppConfig running = cfg;
  const bool hasProfiles = member(root, "wifi_profiles") != nullptr;
  for (const auto& m : root.members) {
    if (m.first == "wifi" && hasProfiles) continue;  // the older name counts only alone
    importMember(c, m.first, *m.second, running);
  }
  if (c.ignoredKeys > IGNORED_KEYS_NAMED_MAX) {
    out.notes.push_back({"(more keys)", std::to_string(c.ignoredKeys - IGNORED_KEYS_NAMED_MAX) +
                                            " more unknown keys were ignored", false});
  }
  commit(c, "Imported config could not be saved.");
}

}  // namespace

void applyConfigImportText(const std::string& text, ConfigEditOutcome& out) { importText(text, out, false); }

void checkConfigImportText(const std::string& text, ConfigEditOutcome& out) { importText(text, out, true); }

std::string configExportText(bool withSecrets) {
  syncLegacyWifiFieldsFromProfiles();
  DynamicJsonDocument doc;
  buildConfigDocument(doc);
  if (!withSecrets) {
    Node& root = doc.root();
    for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
      if (CONFIG_DOC_ROWS[i].flags & CONFIG_DOC_SECRET) dropMember(root, CONFIG_DOC_ROWS[i].key);
    }
    std::shared_ptr<Node> profiles = root.member("wifi_profiles", false);
    if (profiles) {
      for (auto& item : profiles->items) dropMember(*item, "password");
    }
  }
  return doc.toJsonText(true) + "\n";
}

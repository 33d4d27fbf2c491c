// Configuration file: the raw scanner that reads "/config.json" without a
// document parser, the load that applies its keys to `cfg`, the run-time
// re-apply, the save and the import of an uploaded file.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <sys/types.h>

#include <string>

#include "core/config.h"
#include "host/desktop_json.h"
#include "host/wstring.h"

// ---------------------------------------------------------------------------
// Raw scanner (positions are byte indexes, -1 means "not found")
// ---------------------------------------------------------------------------

// First position at or after i that is not space, tab, CR or LF.
long desktopJsonSkipWs(const std::string &text, long i);
// Reads the JSON string that starts with the quote at i; false (out unchanged)
// when there is no quote at i or no closing quote. endOut is the position
// after the closing quote.
bool desktopJsonReadStringAt(const std::string &text, long i, String &out, long &endOut);
// Position of the value of the first "key" found anywhere from `from`, or -1.
long desktopJsonFindValue(const std::string &text, const char *key, long from);
// String value of the first occurrence of key.
bool desktopJsonGetString(const std::string &text, const char *key, String &out);
// Bare true/false value of key.
bool desktopJsonGetBool(const std::string &text, const char *key, bool &out);
// Signed decimal value of key, saturated to the 32-bit range.
bool desktopJsonGetLong(const std::string &text, const char *key, int32_t &out);
// Object text of key, from "{" to the matching "}" inclusive.
bool desktopJsonGetObject(const std::string &text, const char *key, std::string &out);
// Array text of key, from "[" to the matching "]" inclusive.
bool desktopJsonGetArray(const std::string &text, const char *key, std::string &out);

// Appliers: an absent or malformed value leaves the field unchanged.
void desktopApplyJsonString(const std::string &text, const char *key, String &field);
void desktopApplyJsonBool(const std::string &text, const char *key, bool &field);
void desktopApplyJsonU8(const std::string &text, const char *key, uint8_t &field);
void desktopApplyJsonU16(const std::string &text, const char *key, uint16_t &field);
void desktopApplyJsonU32(const std::string &text, const char *key, uint32_t &field);
// Next "{...}" object of a text at or after `from` (brace-matched, strings
// skipped); `from` moves past it. False when there is none or it is unclosed.
bool desktopJsonNextObject(const std::string &text, size_t &from, std::string &out);
// Fills up to `count` slots from the objects of the array under key.
void desktopParseActionArray(const std::string &text, const char *key, QuickActionSlotConfig *slots,
                             int count);
// Fills up to `count` texts from the string elements of the array under
// key (other elements are skipped); returns how many were filled, 0 when the
// key is absent or not an array.
int desktopParseStringArray(const std::string &text, const char *key, String *out, int count);

// ---------------------------------------------------------------------------
// Load and run-time apply
// ---------------------------------------------------------------------------

// Resets the theme and loads the configuration; true when it is usable.
bool loadConfig();
// Desktop defaults, then the keys of "sdcard/config.json" (or "config.json"),
// then the normalisation pass; true when the configuration is usable.
bool loadDesktopDefaultConfig();
// Applies the keys of a configuration text to `cfg` (with the backend, Wi-Fi
// and SvxLink steps), then the base colour and the theme overrides; the
// normalisation pass is left to the caller.
void desktopApplyConfigText(const std::string &text);
// Only the keys of desktopApplyConfigText (backend, Wi-Fi, the key table and
// the action arrays): no theme, no normalisation.
void desktopApplyConfigKeys(const std::string &text);
// At least one usable Wi-Fi profile, a hotspot host and a known backend.
bool configLooksValid();
// What the program does around a configuration load, installed at start-up
// by the program's top (app/). A null field does nothing.
struct ConfigApplyHooks {
  // End of every normalisation pass: data of disabled sources is dropped.
  void (*finalized)();
  // End of every load: answers in flight and lookup caches are dropped.
  void (*loaded)();
  // An imported file was saved: reload it and apply it at run time.
  void (*applyAtRunTime)();
};
void installConfigApplyHooks(const ConfigApplyHooks &hooks);
// The installed hooks (all null before an install).
const ConfigApplyHooks &configApplyHooks();
// Host path the last load read ("sdcard/config.json", "config.json" or
// "unknown" when none opened).
extern String lastLoadedConfigPath;

// ---------------------------------------------------------------------------
// Save and import
// ---------------------------------------------------------------------------

// Writes `cfg` and the theme to CONFIG_FILE. The new text goes to a temporary
// file beside it that replaces the old file only when every byte reached the
// disk; on any failure the old file stays as it was and the result is false.
bool saveConfigToFile();
// The document that saveConfigToFile writes: every key of `cfg` and the theme.
void buildConfigDocument(JsonDocument &doc);
// Writes a document pretty-printed to a storage path with the same
// replace-when-complete rule; false on any failure.
bool persistConfigDocument(JsonDocument &doc, const char *path);
// Import of an uploaded file; errMsg (optional) receives the failure text.
bool applyConfigFromFile(const char *path, String *errMsg = nullptr);

// One object {"ssid", "password"} per usable profile under "wifi_profiles".
void writeWifiProfilesToJson(JsonDocument &doc);
// Adds the profiles of an array ("pass" stands in for an empty "password").
void loadWifiProfilesFromJsonArray(JsonArray array);
// True when an object of the array has a usable "ssid".
bool jsonArrayHasUsableWifiProfile(JsonArray array);
// True when "wifi_ssid", "wifi_profiles" or "wifi" name a usable network.
bool configDocumentHasUsableWifiProfile(JsonDocument &doc);

// The write call of persistConfigDocument; tests replace it to simulate a
// full disk or a short write. Null means the system's write().
typedef ssize_t (*ConfigFileWriteFn)(int fd, const void *buf, size_t n);
extern ConfigFileWriteFn configFileWriteHook;

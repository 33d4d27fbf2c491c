#include "enrichment/radioid.h"

#include <ctype.h>
#include <stdio.h>

#include "core/config.h"
#include "core/data_json.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "core/text_fit.h"
#include "core/view.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/http_fetch.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/target_display.h"
#include "network/wifi.h"

const char* const RADIOID_LOOKUP_ACCEPT = "application/json, text/plain;q=0.9, text/html;q=0.8";

RadioIdLookupCacheEntry radioIdLookupCache[RADIOID_LOOKUP_CACHE_SIZE];
int radioIdLookupCacheWriteIndex = 0;
uint32_t lastRadioIdLookupMillis = 0;
String pendingRadioIdLookupCallsign;
String lastRadioIdLookupSignature;

namespace {

const char* const NAME_KEYS[] = {"name", "display_name", "full_name", "fullname", "label", "username"};
const char* const FIRST_NAME_KEYS[] = {"fname", "first_name", "firstname", "forename"};
const char* const LAST_NAME_KEYS[] = {"lname", "last_name", "lastname", "surname"};
const char* const COUNTRY_KEYS[] = {"country", "country_name"};
const char* const CITY_KEYS[] = {"city"};
const char* const STATE_KEYS[] = {"state", "region"};

// Plain-text answers that mean "nothing known about this callsign".
const char* const NOT_FOUND_EXACT[] = {"null", "false", "none", "unknown", "not found"};
const char* const NOT_FOUND_CONTAINED[] = {"not found", "no result", "no match"};

template <size_t N>
String firstValue(const String& json, const char* const (&keys)[N]) {
  return desktopDataJsonFirstValue(json, keys, N);
}

bool digitsOnly(const String& s) {
  if (s.length() == 0) return false;
  for (unsigned int i = 0; i < s.length(); ++i) {
    if (!isdigit((unsigned char)s[i])) return false;
  }
  return true;
}

String upperTrimmed(const String& s) {
  String t = s;
  t.trim();
  t.toUpperCase();
  return t;
}

bool radioIdFeatureEnabled() { return cfg.radioIdLookupEnabled; }

// Visible text of an HTML-ish line: tags dropped in one pass (an unclosed "<"
// hides the rest), then the common entities decoded once.
String visibleTextOf(const String& line) {
  return decodeMarkupEntities(stripHtmlTags(line), MARKUP_LOOKUP_ENTITIES);
}

bool isCallsignSeparator(char c) {
  return c == ' ' || c == '\t' || c == ':' || c == ';' || c == ',' || c == '-' || c == '=';
}

// True for a text that begins like an HTML document (error or login pages).
bool looksLikeHtmlDocument(const String& payload) {
  int pos = desktopDataJsonSkipWs(payload, 0);
  String head = payload.substring(pos, pos + 9);
  head.toLowerCase();
  return head.startsWith("<!doctype") || head.startsWith("<html");
}

void clearEntryResult(RadioIdLookupCacheEntry& entry) {
  entry.found = false;
  entry.name = "";
  entry.country = "";
  entry.city = "";
  entry.state = "";
}

void setPlainTextName(const String& text, RadioIdLookupCacheEntry& entry) {
  entry.name = lookupPlainTextNameFromPayload(text, entry.callsign);
  entry.found = entry.name.length() > 0;
}

// An array without an object: the plain-text name of its first value. A cut
// or nested first value gives no name (never the brackets themselves).
void setFirstArrayValueName(const String& array, int openPos, RadioIdLookupCacheEntry& entry) {
  String first;
  desktopDataJsonReadValueAt(array, desktopDataJsonSkipWs(array, openPos + 1), first);
  setPlainTextName(first, entry);
}

// Fresh: fetched and younger than the TTL (found) or the retry time (miss).
bool radioIdCacheEntryFresh(const RadioIdLookupCacheEntry& e, uint32_t now) {
  if (!e.valid || e.lastFetchMillis == 0) return false;
  return !intervalElapsed(now, e.lastFetchMillis, e.found ? RADIOID_LOOKUP_TTL_MS : RADIOID_LOOKUP_RETRY_MS);
}

void applyCacheAndRefresh() {
  if (applyRadioIdCacheToActiveData()) requestRedraw();
}

}  // namespace

// Canonical callsign used for every comparison, cache key and display.

// Percent-encoding of every byte outside A-Z a-z 0-9 - . _ ~.
String urlEncodeComponent(const String& value) {
  static const char HEX[] = "0123456789ABCDEF";
  String out;
  for (unsigned int i = 0; i < value.length(); ++i) {
    unsigned char c = (unsigned char)value[i];
    if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += (char)c;
    } else {
      out += '%';
      out += HEX[c >> 4];
      out += HEX[c & 0x0F];
    }
  }
  return out;
}

// Users-API address for a callsign; the base may carry "%CALLSIGN%".
String buildRadioIdUsersUrl(const String& callsign) {
  String c = normalizeHamCallsign(callsign);
  if (c.length() == 0) return String("");
  String enc = urlEncodeComponent(c);
  String base = cfg.radioIdUsersApiBase;
  base.trim();
  if (base.length() == 0) base = RADIOID_USERS_API_BASE_DEFAULT;
  if (base.indexOf("%CALLSIGN%") >= 0) {
    base.replace("%CALLSIGN%", enc);
    return base;
  }
  if (base.endsWith("=") || base.endsWith("/") || base.endsWith(":") || base.indexOf('?') < 0)
    return base + enc;
  if (base.endsWith("?") || base.endsWith("&")) return base + "callsign=" + enc;
  return base + "&callsign=" + enc;
}

// Empties every slot; the next new callsign goes into slot 0.
void clearRadioIdLookupCache() {
  for (RadioIdLookupCacheEntry& e : radioIdLookupCache) e = RadioIdLookupCacheEntry();
  radioIdLookupCacheWriteIndex = 0;
}

// Slot of a valid entry for the key, -1 when none (or the key is empty).
int radioIdLookupCacheIndexForCallsign(const String& normalized) {
  if (normalized.length() == 0) return -1;
  for (int i = 0; i < RADIOID_LOOKUP_CACHE_SIZE; ++i) {
    if (radioIdLookupCache[i].valid && radioIdLookupCache[i].callsign == normalized) return i;
  }
  return -1;
}

// The entry for the key; a new one overwrites the oldest slot (round robin).
RadioIdLookupCacheEntry* radioIdLookupCacheSlotForCallsign(const String& normalized, bool createIfMissing) {
  int index = radioIdLookupCacheIndexForCallsign(normalized);
  if (index >= 0) return &radioIdLookupCache[index];
  if (!createIfMissing || normalized.length() == 0) return nullptr;
  int slot = radioIdLookupCacheWriteIndex % RADIOID_LOOKUP_CACHE_SIZE;
  if (slot < 0) slot = 0;
  RadioIdLookupCacheEntry& e = radioIdLookupCache[slot];
  e = RadioIdLookupCacheEntry();
  e.callsign = normalized;
  e.valid = true;
  radioIdLookupCacheWriteIndex = (slot + 1) % RADIOID_LOOKUP_CACHE_SIZE;
  return &e;
}

// A record needs a name when it has none, or only its callsign or a DMR ID.
bool radioIdLookupNeeded(const String& callsign, const String& name) {
  String cs = callsign;
  cs.trim();
  if (cs.length() == 0) return false;
  String n = name;
  n.trim();
  if (n.length() == 0) return true;
  if (normalizeHamCallsign(n) == normalizeHamCallsign(cs)) return true;
  return digitsOnly(n);
}

// Identity of one transmission for the lookup queue.
String radioIdLookupSignatureForRecord(const HeardRecord& r) {
  String cs = normalizeHamCallsign(r.callsign);
  if (cs.length() == 0) return String("");
  return upperTrimmed(r.mode) + "|" + cs + "|" + upperTrimmed(r.target);
}

// Makes the record's callsign the pending lookup, once per transmission.
void queueRadioIdLookupForRecord(const HeardRecord& r) {
  if (!radioIdFeatureEnabled()) return;
  String cs = normalizeHamCallsign(r.callsign);
  if (cs.length() == 0) return;
  String country = r.country;
  country.trim();
  if (!radioIdLookupNeeded(r.callsign, r.name) && country.length() > 0) return;
  String signature = radioIdLookupSignatureForRecord(r);
  if (signature.length() == 0 || signature == lastRadioIdLookupSignature) return;
  lastRadioIdLookupSignature = signature;
  pendingRadioIdLookupCallsign = cs;
}

// The operator name in a plain-text answer, or empty for "not found" texts.
String lookupPlainTextNameFromPayload(const String& payload, const String& normalizedCallsign) {
  String text = payload;
  text.replace('\r', '\n');
  int start = 0;
  while (start <= (int)text.length()) {
    int end = text.indexOf('\n', start);
    if (end < 0) end = text.length();
    String line = text.substring(start, end);
    line.trim();
    if (line.length() > 0) {
      text = line;
      break;
    }
    start = end + 1;
  }
  String name = normalizeSingleLineText(visibleTextOf(text));
  if (name.length() == 0) return name;
  String lower = name;
  lower.toLowerCase();
  for (const char* word : NOT_FOUND_EXACT) {
    if (lower == word) return String("");
  }
  for (const char* phrase : NOT_FOUND_CONTAINED) {
    if (lower.indexOf(phrase) >= 0) return String("");
  }
  String cs = upperTrimmed(normalizedCallsign);
  if (cs.length() > 0) {
    String upper = name;
    upper.toUpperCase();
    if (upper == cs) return String("");
    unsigned int n = cs.length();
    if (upper.startsWith(cs) && n < upper.length() && isCallsignSeparator(upper[n])) {
      while (n < name.length() && isCallsignSeparator(name[n])) ++n;
      name = name.substring(n);
      name.trim();
    }
  }
  if (name.length() > RADIOID_PLAIN_NAME_MAX_CHARS)
    name = clipWithTilde(name, (int)RADIOID_PLAIN_NAME_MAX_CHARS);
  return name;
}

// Fills the entry from one user object of the API.
void desktopPopulateRadioIdEntryFromRawObject(const String& object, RadioIdLookupCacheEntry& entry) {
  String name = firstValue(object, NAME_KEYS);
  if (name.length() == 0)
    name = buildOperatorName(firstValue(object, FIRST_NAME_KEYS), firstValue(object, LAST_NAME_KEYS));
  name.trim();
  entry.name = name;
  entry.country = firstValue(object, COUNTRY_KEYS);
  entry.city = firstValue(object, CITY_KEYS);
  entry.state = firstValue(object, STATE_KEYS);
  entry.found = entry.name.length() > 0 || entry.country.length() > 0 || entry.city.length() > 0 ||
                entry.state.length() > 0;
}

// Reads an answer in any of the known shapes into the entry; returns found.
bool desktopParseRadioIdUserResponseRaw(const String& payload, RadioIdLookupCacheEntry& entry) {
  clearEntryResult(entry);
  if (looksLikeHtmlDocument(payload)) return false;
  String container;
  if (desktopDataJsonGetArray(payload, "results", container) ||
      desktopDataJsonGetArray(payload, "data", container)) {
    int pos = 0;
    String object;
    if (desktopDataJsonNextObject(container, pos, object)) {
      desktopPopulateRadioIdEntryFromRawObject(object, entry);
    } else {
      setFirstArrayValueName(container, 0, entry);
    }
    return entry.found;
  }
  if (desktopDataJsonGetObject(payload, "user", container) ||
      desktopDataJsonGetObject(payload, "data", container)) {
    desktopPopulateRadioIdEntryFromRawObject(container, entry);
    return entry.found;
  }
  int start = desktopDataJsonSkipWs(payload, 0);
  char first = start < (int)payload.length() ? payload[start] : '\0';
  if (first == '[') {
    int pos = start;
    String object;
    if (desktopDataJsonNextObject(payload, pos, object)) {
      desktopPopulateRadioIdEntryFromRawObject(object, entry);
    } else {
      setFirstArrayValueName(payload, start, entry);
    }
  } else if (first == '{') {
    desktopPopulateRadioIdEntryFromRawObject(payload, entry);
  } else {
    setPlainTextName(payload, entry);
  }
  return entry.found;
}

// Clears the entry's result and parses the answer; returns found.
bool parseRadioIdUserResponse(const String& payload, RadioIdLookupCacheEntry& entry) {
  return desktopParseRadioIdUserResponseRaw(payload, entry);
}

// One HTTP lookup of a normalised callsign.
bool radioIdEntryFromAnswer(const String& normalizedCallsign, const FetchAnswer& answer,
                            RadioIdLookupCacheEntry& outEntry) {
  if (!answer.ok) {
    addWebLog("WARN", "LOOKUP",
              String("Callsign lookup failed for ") + normalizedCallsign + " (HTTP " + answer.code + ").",
              true);
    return false;
  }
  uint32_t now = millis();
  outEntry = RadioIdLookupCacheEntry();
  outEntry.callsign = normalizedCallsign;
  outEntry.valid = true;
  outEntry.lastFetchMillis = now != 0 ? now : 1;  // 0 would mean "never fetched"
  parseRadioIdUserResponse(answer.payload, outEntry);
  if (outEntry.found) {
    addWebLog("INFO", "LOOKUP",
              String("Callsign lookup found ") + normalizedCallsign + " as " + outEntry.name + ".", true);
  }
  return true;
}

namespace {

// The answer of a lookup goes into the cache and onto the records shown.
void applyRadioIdAnswer(const String& callsign, const FetchAnswer& answer) {
  RadioIdLookupCacheEntry fetched;
  if (!radioIdEntryFromAnswer(callsign, answer, fetched)) return;
  RadioIdLookupCacheEntry* slot = radioIdLookupCacheSlotForCallsign(callsign, true);
  if (slot == nullptr) return;
  *slot = fetched;
  applyCacheAndRefresh();
}

}  // namespace

// Fills a record's name and country from a fetched cache entry; true when
// either text changed.
bool applyRadioIdCacheToRecord(HeardRecord& r, bool allowFetch) {
  if (!radioIdFeatureEnabled()) return false;
  String key = normalizeHamCallsign(r.callsign);
  int index = radioIdLookupCacheIndexForCallsign(key);
  if (index < 0) return false;
  const RadioIdLookupCacheEntry& e = radioIdLookupCache[index];
  if (e.lastFetchMillis == 0) return false;
  bool changed = false;
  String entryName = trimSafe(e.name);
  if (entryName.length() > 0 && radioIdLookupNeeded(r.callsign, r.name) && r.name != entryName) {
    r.name = entryName;
    changed = true;
  }
  String entryCountry = trimSafe(e.country);
  if (trimSafe(r.country).length() == 0 && entryCountry.length() > 0 && r.country != entryCountry) {
    r.country = entryCountry;
    changed = true;
  }
  return changed;
}

// Applies cached results to every record of a list.
bool applyRadioIdCacheToList(HeardRecord* list, int count) {
  if (list == nullptr) return false;
  bool changed = false;
  for (int i = 0; i < count && i < MAX_HEARD; ++i) {
    if (applyRadioIdCacheToRecord(list[i], false)) changed = true;
  }
  return changed;
}

// Applies cached results to the active list and the live record.
bool applyRadioIdCacheToActiveData() {
  HeardList& shown = shownHeardList();
  bool changed = applyRadioIdCacheToList(shown.records, shown.count);
  if (shown.live.valid && applyRadioIdCacheToRecord(shown.live, false)) changed = true;
  return changed;
}

// The name to show: the record's own unless it needs a lookup and one is cached.
String radioIdDisplayNameForRecord(const HeardRecord& r) {
  String n = trimSafe(r.name);
  String mode = r.mode;
  if (normalizeModeName(mode) == "SVXLINK") n = cleanSvxlinkTargetValue(n);
  if (!radioIdLookupNeeded(r.callsign, n)) return n;
  int index = radioIdLookupCacheIndexForCallsign(normalizeHamCallsign(r.callsign));
  if (index >= 0) {
    String cached = trimSafe(radioIdLookupCache[index].name);
    if (cached.length() > 0) return cached;
  }
  return n;
}

// The country to show: the record's own, else a cached one, else empty.
String radioIdDisplayCountryForRecord(const HeardRecord& r) {
  String c = trimSafe(r.country);
  if (c.length() > 0) return c;
  int index = radioIdLookupCacheIndexForCallsign(normalizeHamCallsign(r.callsign));
  if (index >= 0) return trimSafe(radioIdLookupCache[index].country);
  return String("");
}

// One worker step: serves the pending callsign from the cache or performs at
// most one HTTP lookup per RADIOID_LOOKUP_MIN_INTERVAL_MS.
void processRadioIdLookups() {
  if (!radioIdFeatureEnabled() || !wifiStationConnected()) return;
  if (fetchChannelBusy(FETCH_CHANNEL_RADIOID)) return;  // one lookup at a time
  if (pendingRadioIdLookupCallsign.length() == 0) return;
  uint32_t now = millis();
  if (!intervalElapsed(now, lastRadioIdLookupMillis, RADIOID_LOOKUP_MIN_INTERVAL_MS)) return;
  String callsign = pendingRadioIdLookupCallsign;
  pendingRadioIdLookupCallsign = "";
  int index = radioIdLookupCacheIndexForCallsign(callsign);
  if (index >= 0 && radioIdCacheEntryFresh(radioIdLookupCache[index], now)) {
    applyCacheAndRefresh();
    return;
  }
  lastRadioIdLookupMillis = now;
  String url = buildRadioIdUsersUrl(callsign);
  if (url.length() == 0) return;
  startFetch(FETCH_CHANNEL_RADIOID, url, RADIOID_LOOKUP_ACCEPT, "",
             [callsign](const FetchAnswer& answer) { applyRadioIdAnswer(callsign, answer); });
}

// The folder that holds the target-name lists.
bool ensureLookupDirectory() { return storageMkdir("/lookup"); }

void applyRadioIdCacheAfterConfigApply() {
  HeardList& shown = shownHeardList();
  if (!cfg.radioIdLookupEnabled || shown.count <= 0) return;
  applyRadioIdCacheToActiveData();
  shown.live = shown.records[0];
  requestRedraw();
}

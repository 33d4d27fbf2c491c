// The watch list: entry parsing and matching, the repeat window and the
// alert (log line, toast, wake, tone).
#include "hotspot/watch_list.h"

#include <ctype.h>
#include <string.h>

#include "core/config.h"
#include "core/device_log.h"
#include "core/view.h"
#include "host/runtime.h"
#include "host/tone.h"

WatchToast watchToast;

namespace {

// Remembered alerts; the oldest is replaced when all are taken.
const int REPEAT_MEMORY_SLOTS = 48;
const uint32_t MS_PER_MINUTE = 60000;

// Target words that name a reflector or room followed by its number.
const char* const REFLECTOR_WORDS[] = {"REF", "XRF", "DCS", "XLX", "YSF", "FCS"};

struct RepeatSlot {
  bool used = false;
  String entry;
  String station;
  uint32_t at = 0;
};
RepeatSlot repeatMemory[REPEAT_MEMORY_SLOTS];

bool allDigits(const String& text, int from) {
  if ((int)text.length() <= from) return false;
  for (int i = from; i < (int)text.length(); ++i) {
    if (!isdigit((unsigned char)text[i])) return false;
  }
  return true;
}

// Upper case without any blank: "tg 91" -> "TG91".
String compactUpper(const String& text) {
  String out;
  for (unsigned i = 0; i < text.length(); ++i) {
    const char c = text[i];
    if (!isspace((unsigned char)c)) out += (char)toupper((unsigned char)c);
  }
  return out;
}

bool looksLikeTarget(const String& compact) {
  if (compact.startsWith("TG")) return allDigits(compact, 2);
  for (const char* word : REFLECTOR_WORDS) {
    const int n = (int)strlen(word);
    if (compact.startsWith(word) && (int)compact.length() > n && isdigit((unsigned char)compact[n])) return true;
  }
  return false;
}

// A record's target as entries compare it: compact, and a bare number
// (a talkgroup without its letters) with "TG" in front.
String compactTarget(const String& target) {
  const String compact = compactUpper(target);
  return allDigits(compact, 0) ? "TG" + compact : compact;
}

// The key stands at the start of the target or after "VIA" ("CQCQCQ via
// XRF012 Q") and is not followed by a further digit ("TG91" is not "TG9112").
bool targetMatches(const String& key, const String& target) {
  const String compact = compactTarget(target);
  for (int at = compact.indexOf(key); at >= 0; at = compact.indexOf(key, at + 1)) {
    const bool starts = at == 0 || (at >= 3 && compact.substring(at - 3, at) == "VIA");
    const int after = at + (int)key.length();
    const bool ends = after >= (int)compact.length() || !isdigit((unsigned char)compact[after]);
    if (starts && ends) return true;
  }
  return false;
}

bool callsignMatches(const WatchEntry& entry, const WatchSight& sight) {
  const String raw = compactUpper(sight.callsign);
  if (sight.source == WATCH_SIGHT_ADSB) {
    const String hex = compactUpper(sight.hex);
    if (entry.kind == WATCH_ENTRY_PREFIX) return !raw.isEmpty() && raw.startsWith(entry.key);
    return (!raw.isEmpty() && raw == entry.key) || (!hex.isEmpty() && hex == entry.key);
  }
  if (entry.kind == WATCH_ENTRY_EXACT) return raw == entry.key;
  const String call = normalizeHamCallsign(sight.callsign);
  if (call.isEmpty()) return false;
  if (entry.kind == WATCH_ENTRY_PREFIX) return call.startsWith(entry.key);
  return call == entry.key;
}

String joinedDetail(const char* label, const WatchSight& sight) {
  String detail = label;
  const String target = trimmedCopy(sight.target);
  const String mode = trimmedCopy(sight.mode);
  if (!target.isEmpty()) detail += "  " + target;
  if (!mode.isEmpty()) detail += "  " + mode;
  if (sight.source == WATCH_SIGHT_ADSB && !trimmedCopy(sight.hex).isEmpty())
    detail += "  " + compactUpper(sight.hex);
  return detail;
}

void raiseWatchAlert(const String& entryText, const WatchSight& sight, const String& station) {
  const char* label = watchSightSourceLabel(sight.source);
  String shown = trimmedCopy(sight.callsign);
  if (shown.isEmpty()) shown = station;
  String where = String(label);
  const String target = trimmedCopy(sight.target);
  if (!target.isEmpty()) where += " (" + target + ")";
  addWebLog("INFO", "WATCH", shown + " matched \"" + entryText + "\" on " + where + ".", true);
  watchToast.visible = true;
  watchToast.title = "WATCH  " + shown;
  watchToast.detail = joinedDetail(label, sight);
  watchToast.shownAt = millis();
  requestRedraw();
  noteScreenActivity(false);
  if (cfg.watchSound) playWatchTone();
}

}  // namespace

WatchEntry parseWatchEntry(const String& text) {
  WatchEntry entry;
  String compact = compactUpper(text);
  if (compact.endsWith("*")) {
    while (compact.endsWith("*")) compact = compact.substring(0, compact.length() - 1);
    if (compact.isEmpty() || compact.indexOf('*') >= 0) return entry;
    entry.kind = WATCH_ENTRY_PREFIX;
    entry.key = compact;
    return entry;
  }
  if (compact.isEmpty() || compact.indexOf('*') >= 0) return entry;
  if (looksLikeTarget(compact)) {
    entry.kind = WATCH_ENTRY_TARGET;
    entry.key = compact;
  } else if (compact.indexOf('-') > 0) {
    entry.kind = WATCH_ENTRY_EXACT;
    entry.key = compact;
  } else {
    entry.key = normalizeHamCallsign(compact);
    if (!entry.key.isEmpty()) entry.kind = WATCH_ENTRY_CALLSIGN;
  }
  return entry;
}

String watchSightStation(const WatchSight& sight) {
  if (sight.source == WATCH_SIGHT_ADSB) {
    const String hex = compactUpper(sight.hex);
    return hex.isEmpty() ? compactUpper(sight.callsign) : hex;
  }
  if (sight.source == WATCH_SIGHT_APRS) return compactUpper(sight.callsign);
  const String call = normalizeHamCallsign(sight.callsign);
  return call.isEmpty() ? compactUpper(sight.callsign) : call;
}

bool watchEntryMatches(const WatchEntry& entry, const WatchSight& sight) {
  switch (entry.kind) {
    case WATCH_ENTRY_NONE: return false;
    case WATCH_ENTRY_TARGET: return !trimmedCopy(sight.target).isEmpty() && targetMatches(entry.key, sight.target);
    default: return callsignMatches(entry, sight);
  }
}

bool watchRepeatAllows(const String& entry, const String& station, uint32_t now, uint32_t windowMs) {
  int freeSlot = -1;
  int oldest = 0;
  for (int i = 0; i < REPEAT_MEMORY_SLOTS; ++i) {
    RepeatSlot& slot = repeatMemory[i];
    if (!slot.used) {
      if (freeSlot < 0) freeSlot = i;
      continue;
    }
    if (slot.entry == entry && slot.station == station) {
      if (!intervalElapsed(now, slot.at, windowMs)) return false;
      slot.at = now;
      return true;
    }
    if (elapsedSince(now, slot.at) > elapsedSince(now, repeatMemory[oldest].at)) oldest = i;
  }
  RepeatSlot& slot = repeatMemory[freeSlot >= 0 ? freeSlot : oldest];
  slot.used = true;
  slot.entry = entry;
  slot.station = station;
  slot.at = now;
  return true;
}

void clearWatchRepeatMemory() {
  for (RepeatSlot& slot : repeatMemory) slot = RepeatSlot();
}

bool noteWatchSight(const WatchSight& sight) {
  if (cfg.watchListCount <= 0) return false;
  const String station = watchSightStation(sight);
  if (station.isEmpty()) return false;
  const uint32_t windowMs = (uint32_t)cfg.watchListRepeatMinutes * MS_PER_MINUTE;
  for (int i = 0; i < cfg.watchListCount && i < WATCH_LIST_MAX_ENTRIES; ++i) {
    if (!watchEntryMatches(parseWatchEntry(cfg.watchList[i]), sight)) continue;
    if (!watchRepeatAllows(cfg.watchList[i], station, millis(), windowMs)) continue;
    raiseWatchAlert(cfg.watchList[i], sight, station);
    return true;
  }
  return false;
}

void noteWatchHeardList(WatchSightSource source, const HeardRecord* list, int count, const HeardRecord* previous,
                        int previousCount) {
  if (cfg.watchListCount <= 0 || list == nullptr) return;
  for (int i = 0; i < count && i < MAX_HEARD; ++i) {
    if (!list[i].valid) continue;
    bool seen = false;
    for (int j = 0; j < previousCount && j < MAX_HEARD && previous != nullptr && !seen; ++j)
      seen = sameRecord(list[i], previous[j]);
    if (seen) continue;
    WatchSight sight;
    sight.source = source;
    sight.callsign = list[i].callsign;
    sight.target = list[i].target;
    sight.mode = list[i].mode;
    noteWatchSight(sight);
  }
}

void closeWatchToast() {
  if (!watchToast.visible) return;
  watchToast.visible = false;
  requestRedraw();
}

bool serviceWatchToast(uint32_t now) {
  if (watchToast.visible && intervalElapsed(now, watchToast.shownAt, WATCH_TOAST_SHOW_MS)) closeWatchToast();
  return watchToast.visible;
}

const char* watchSightSourceLabel(WatchSightSource source) {
  switch (source) {
    case WATCH_SIGHT_SVXLINK: return "SvxLink";
    case WATCH_SIGHT_APRS: return "APRS";
    case WATCH_SIGHT_ADSB: return "ADS-B";
    default: return "MMDVM";
  }
}

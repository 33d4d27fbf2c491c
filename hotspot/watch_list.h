// The watch list: configured callsigns, prefixes, talkgroups, APRS calls and
// aircraft that raise an alert when a source sees them. Each source hands
// what it saw to noteWatchSight; a match logs a "[INFO][WATCH]" line, shows
// the watch toast, wakes the screen and (when configured) plays the tone,
// at most once per entry and station within the repeat window.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/heard.h"

// Where a station was seen.
enum WatchSightSource {
  WATCH_SIGHT_HOTSPOT = 0,
  WATCH_SIGHT_SVXLINK,
  WATCH_SIGHT_APRS,
  WATCH_SIGHT_ADSB,
};

// One station as a source saw it. Texts a source does not have stay empty.
struct WatchSight {
  WatchSightSource source = WATCH_SIGHT_HOTSPOT;
  String callsign;  // as received: with SSID (APRS) or portable suffix; the flight number for aircraft
  String target;    // talkgroup, reflector or room of a transmission
  String mode;      // mode of a transmission ("DMR", "D-Star", ...)
  String hex;       // ICAO address of an aircraft
};

// How an entry matches.
enum WatchEntryKind {
  WATCH_ENTRY_NONE = 0,  // blank: matches nothing
  WATCH_ENTRY_CALLSIGN,  // "W1AW": the callsign without portable parts and SSID, a flight or a hex address
  WATCH_ENTRY_EXACT,     // "DB0ABC-10": an APRS call with its SSID, exactly
  WATCH_ENTRY_PREFIX,    // "DL*": callsigns (and flights) that begin with the text
  WATCH_ENTRY_TARGET,    // "TG 91", "REF001C": the transmission's target
};

struct WatchEntry {
  WatchEntryKind kind = WATCH_ENTRY_NONE;
  String key;  // compared text: normalised callsign, prefix or compact target ("TG91")
};

// The entry for a configured text (case and blanks do not matter).
WatchEntry parseWatchEntry(const String& text);

// The identity of the station seen, for the repeat window: the ICAO address
// of an aircraft, else the callsign as the entry kind compares it.
String watchSightStation(const WatchSight& sight);

// True when the entry matches what was seen.
bool watchEntryMatches(const WatchEntry& entry, const WatchSight& sight);

// Repeat window: true (and remembered at now) when the entry has not
// alerted for the station within windowMs; false inside the window.
bool watchRepeatAllows(const String& entry, const String& station, uint32_t now, uint32_t windowMs);
// Forgets every remembered alert (tests).
void clearWatchRepeatMemory();

// Checks what was seen against cfg.watchList and alerts for the first entry
// that matches and is outside its repeat window; true when it alerted.
bool noteWatchSight(const WatchSight& sight);

// Hands the records of a heard list that are not in the previous list to
// noteWatchSight (all of them when the previous list is empty).
void noteWatchHeardList(WatchSightSource source, const HeardRecord* list, int count, const HeardRecord* previous,
                        int previousCount);

// The watch toast: shown after a match over any page for WATCH_TOAST_SHOW_MS
// or until it is tapped.
static const uint32_t WATCH_TOAST_SHOW_MS = 10000;  // 10 s
struct WatchToast {
  bool visible = false;
  String title;   // "WATCH W1AW"
  String detail;  // where and what: "MMDVM  TG 91  DMR"
  uint32_t shownAt = 0;
};
extern WatchToast watchToast;

// Hides the toast (a tap) and asks for a redraw.
void closeWatchToast();
// Every pass: hides an expired toast; true while it is visible.
bool serviceWatchToast(uint32_t now);

// Label of a source in the toast and the log ("MMDVM", "SvxLink", "APRS", "ADS-B").
const char* watchSightSourceLabel(WatchSightSource source);

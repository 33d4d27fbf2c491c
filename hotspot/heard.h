// Heard records and the fixed-size heard lists: the active list shown by the
// pages, the live records, the per-source caches of the MMDVM and SvxLink
// watch sources, the six mode statuses and the small text helpers that build
// record texts.
#pragma once

#include <stdint.h>

#include "core/config.h"
#include "host/wstring.h"

// One heard transmission. Every text is empty and valid is false until filled.
struct HeardRecord {
  String timeUtc;     // time as the list shows it
  String mode;        // "DMR", "DSTAR", ... or the cleaned source text
  String callsign;    // transmitting station
  String name;        // operator name
  String country;     // country text
  String grid;        // locator or location text
  String target;      // talkgroup, reflector or room
  String targetName;  // resolved name of the target
  String timeslot;    // DMR timeslot ("1", "2" or empty)
  String src;         // network or RF
  String duration;    // duration text
  String loss;        // packet-loss text
  String ber;         // bit-error-rate text
  String rssi;        // signal-strength text
  String rxFreq;      // receive frequency text
  String txFreq;      // transmit frequency text
  bool valid = false;
};

// Records a list holds at most.
constexpr int MAX_HEARD = 12;

// One source's heard list: records newest first (records at count and
// above are empty) and its newest record with the millis() it was last
// confirmed. The hotspot and the SvxLink node each own one; the watch-source
// row hands out its source's list (heardList).
struct HeardList {
  HeardRecord records[MAX_HEARD];
  int count = 0;
  HeardRecord live;
  uint32_t liveMillis = 0;
};

// The hotspot's own list: its last-heard answers land here whatever source
// is shown.
HeardList& hotspotHeard();
// The list the LIVE and HEARD pages, the detail popup and the screensaver
// show: the active row's list, the hotspot's for a source without one.
HeardList& shownHeardList();
// True when the list is the active row's own list.
bool heardListShown(const HeardList& list);

// Newest record per DMR timeslot (0 = never noted); the hotspot's alone.
extern HeardRecord dmrTs1LiveRecord;
extern uint32_t dmrTs1LiveRecordMillis;
extern HeardRecord dmrTs2LiveRecord;
extern uint32_t dmrTs2LiveRecordMillis;

// What the dashboard says about one digital mode.
struct ModeStatus {
  bool known = false;    // the dashboard reported the mode
  bool enabled = false;  // the mode is switched on
};

extern ModeStatus modeDMR;
extern ModeStatus modeDSTAR;
extern ModeStatus modeYSF;
extern ModeStatus modeP25;
extern ModeStatus modeNXDN;
extern ModeStatus modePOCSAG;

// True when callsign, time, mode, target, timeslot, source and both
// frequencies are equal (name, signal and other texts are ignored).
bool sameRecord(const HeardRecord& a, const HeardRecord& b);

// True when both counts are equal and every record below the count is the same.
bool heardListsEqual(const HeardRecord* a, int aCount, const HeardRecord* b, int bCount);

// Empties a list's records (all twelve; the live record stays) and, when
// the list is shown, rewinds the HEARD page.
void clearHeardList(HeardList& list);
// The same for the shown list.
void clearHeard();

// Colour of a mode button: warn when active, else good/bad/border by status.
uint16_t modeColor(const ModeStatus& status, bool active);

// Canonical mode name ("DMR", "DSTAR", "YSF", "P25", "NXDN", "POCSAG",
// "SVXLINK") or the cleaned, upper-cased text; cleans the argument in place.
String normalizeModeName(String& text);

// The trimmed first of the six texts that is not blank; the trimmed sixth
// when all are blank.
String firstNonEmpty(const String& a, const String& b, const String& c, const String& d, const String& e,
                     const String& f);

// "First Last" from two parts, either of which may be blank.
String buildOperatorName(const String& firstName, const String& lastName);

// A trimmed copy of the text.
String trimSafe(const String& text);

// Canonical callsign: trimmed, upper case, portable/country parts around the
// first "/" and an SSID after "-" dropped, spaces removed.
String normalizeHamCallsign(const String& input);

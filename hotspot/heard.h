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

// Active list, newest first; records at heardCount and above are empty.
extern HeardRecord heardList[MAX_HEARD];
extern int heardCount;

// Newest record of the active source and the millis() it was last confirmed.
extern HeardRecord liveRecord;
extern uint32_t liveRecordMillis;

// Newest record per DMR timeslot (0 = never noted); not part of the caches.
extern HeardRecord dmrTs1LiveRecord;
extern uint32_t dmrTs1LiveRecordMillis;
extern HeardRecord dmrTs2LiveRecord;
extern uint32_t dmrTs2LiveRecordMillis;

// Saved state of the MMDVM watch source.
extern HeardRecord mmdvmHeardList[MAX_HEARD];
extern int mmdvmHeardCount;
extern HeardRecord mmdvmLiveRecord;
extern uint32_t mmdvmLiveRecordMillis;

// Saved state of the SvxLink watch source.
extern HeardRecord svxlinkHeardList[MAX_HEARD];
extern int svxlinkHeardCount;
extern HeardRecord svxlinkLiveRecord;
extern uint32_t svxlinkLiveRecordMillis;

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

// Empties the active list (all twelve records) and rewinds the HEARD page.
void clearHeard();

// Copies the active list, count and live record out.
void copyCurrentHeardStateTo(HeardRecord* dstList, int& dstCount, HeardRecord& dstLive,
                             uint32_t& dstLiveMillis);

// Makes a saved state the active one; the count is clamped to 0..12.
void restoreHeardStateFrom(const HeardRecord* srcList, int srcCount, const HeardRecord& srcLive,
                           uint32_t srcLiveMillis);

// The heard caches of the hotspot and the SvxLink node: save copies the
// active state into the cache, load makes the cache the active state.
void saveMmdvmHeardCache();
void loadMmdvmHeardCache();
void saveSvxlinkHeardCache();
void loadSvxlinkHeardCache();

// Saves the active state into the cache of the current watch source
// (MMDVM or SvxLink; the other sources have none).
void saveActiveHeardCache();

// Restores the active state from the cache of the current watch source;
// other sources leave it unchanged.
void loadActiveHeardCache();

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

// Last-heard parsing: the conversion of dashboard times and the parse and
// apply steps of the hotspot last-heard list (read with the data scanner of
// core/data_json.h).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "core/data_json.h"
#include "core/view.h"
#include "host/wstring.h"
#include "hotspot/heard.h"
#include "hotspot/watch_list.h"

// The heard list of a last-heard answer: the body itself when it is an array,
// else the first array under "last_heard", "traffic", "data", "results",
// "heard" or "lastHeard". False when there is none.
bool desktopDataJsonArrayForHeardPayload(const String& payload, String& out);

// ---------------------------------------------------------------------------
// Dashboard times.
// ---------------------------------------------------------------------------

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day);

// Seconds since 1970 of a broken-down UTC time.
int64_t utcTmToEpoch(const struct tm& tm);

// Reads "YYYY-MM-DD HH:MM:SS" (or with a "T", trailing zone or fraction
// ignored) into tmOut; false when the text is too short or a field is out of
// range (years 1970..9999).
bool parseApiDateTime(const String& text, struct tm& tmOut);

// "YYYY-MM-DD HH:MM:SS" of a broken-down time.
String formatApiDateTime(const struct tm& tm);

// Time text as the lists show it: converted from UTC to local time when the
// configuration asks for that and the text is a full date and time, else the
// trimmed text.
String normalizeHeardTimeDisplay(const String& text);

// ---------------------------------------------------------------------------
// Last-heard list.
// ---------------------------------------------------------------------------

// Frequencies of the newest heard record (kept when a record has none).
extern String currentRxFreq;
extern String currentTxFreq;

// Text of the last parse failure.
extern String lastError;

// Parses a last-heard answer and applies it; false only when the answer holds
// no heard list (then nothing changes).
bool parseHeardArray(const String& payload);
bool desktopParseHeardArrayRaw(const String& payload);

// Reads up to maxRecords records (objects with a callsign) from the payload's
// heard list into out without touching any state; returns the number read, or
// -1 when the answer holds no heard list.
int desktopParseHeardRecords(const String& payload, HeardRecord* out, int maxRecords);

// Builds one record from one JSON object; false when it has no callsign.
bool desktopHeardRecordFromObject(const String& object, HeardRecord& rec);

// What a list update does besides replacing the list: the hotspot notes the
// newest record per DMR timeslot, takes its frequencies, renews the live
// time when the same newest record comes again and counts its footer as
// screen activity; the SvxLink node does less. An empty footer text leaves
// the footer as it is.
struct HeardApplyRules {
  bool dmrTimeslots;
  bool takesFrequencies;
  bool repeatRenewsLive;
  bool footerIsActivity;
  String emptyFooter;  // the answer held no records
  String okFooter;     // the list was updated
  // Whose list it is: a new newest record is a new transmission of source,
  // and new records go to the watch list as seen on sight.
  WatchSource source = WATCH_MMDVM;
  WatchSightSource sight = WATCH_SIGHT_HOTSPOT;
};

// Applies a parsed list to a source's list (count clamped to 0..12): the
// records, the live record, mode statuses, session statistics, lookups and
// what the rules add.
void applyHeardList(HeardList& target, HeardRecord* list, int count, const HeardApplyRules& rules);

// Reads a last-heard answer, lets complete (when set) fill in each record and
// applies the records to the list; false only when the answer holds no heard
// list (then nothing changes and lastError says why).
bool applyHeardAnswer(const String& payload, HeardList& target, const HeardApplyRules& rules,
                      void (*complete)(HeardRecord&) = nullptr);

// The hotspot's rules ("Updated from <host>" and "API OK, no entries").
HeardApplyRules hotspotHeardRules();

// Applies a parsed list to the hotspot's list with the hotspot's rules.
void desktopApplyParsedHeardList(HeardRecord* list, int count);

// Marks every mode seen in the list as known and enabled (never clears).
void inferModeStatusesFromHeard(const HeardRecord* list, int count);

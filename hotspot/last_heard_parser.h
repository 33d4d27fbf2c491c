// Last-heard parsing: the conversion of dashboard times and the parse and
// apply steps of the hotspot last-heard list (read with the data scanner of
// core/data_json.h).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "core/data_json.h"
#include "host/wstring.h"
#include "hotspot/heard.h"

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

// Set by the SvxLink bridge around its call of parseHeardArray.
extern bool parsingSvxlinkData;

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

// Applies a parsed list: heard list, live record, DMR timeslots, frequencies,
// mode statuses, session statistics, lookups and the footer text.
void desktopApplyParsedHeardList(HeardRecord* list, int count);

// Marks every mode seen in the list as known and enabled (never clears).
void inferModeStatusesFromHeard(const HeardRecord* list, int count);

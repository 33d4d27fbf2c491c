// Last-heard parsing: a tolerant data scanner for the JSON answers of the
// dashboards and services (shared with the lookup and watch-source parsers),
// the conversion of dashboard times, and the parse and apply steps of the
// hotspot last-heard list.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "host/wstring.h"
#include "hotspot/heard.h"

// ---------------------------------------------------------------------------
// Data scanner. Positions are byte indexes into the text; -1 means "not found".
// Key searches are not structure-aware: the first occurrence of the quoted key
// followed by ":" anywhere in the text wins, also inside nested objects.
// ---------------------------------------------------------------------------

// First position at or after pos that is not a space, tab, CR or LF (the
// length of the text when there is none).
int desktopDataJsonSkipWs(const String& json, int pos);

// Reads the JSON string whose opening quote is at pos into out (escapes
// decoded, \u as "?"); endOut receives the position after the closing quote.
// False, with out unchanged, when pos is no quote or the string is unterminated.
bool desktopDataJsonReadStringAt(const String& json, int pos, String& out, int* endOut = nullptr);

// Reads the scalar value at pos: a string, or the bare text up to the next
// ",", "}", "]", CR or LF with trailing blanks dropped. Objects, arrays and
// empty values give false.
bool desktopDataJsonReadValueAt(const String& json, int pos, String& out);

// Position of the value behind the first occurrence (at or after from) of the
// quoted key that is followed by ":"; -1 when there is none.
int desktopDataJsonFindValue(const String& json, const char* key, int from = 0);

// Trimmed scalar value of the first occurrence of the key; empty when absent.
String desktopDataJsonGetValue(const String& json, const char* key);

// Trimmed value of the first of the keys whose value is present, not empty and
// not "null"; empty when none is.
String desktopDataJsonFirstValue(const String& json, const char* const* keys, size_t count);

// Copies the container that opens at pos (json[pos] == open) up to its matching
// close bracket into out. Brackets inside strings do not count. False when pos
// holds no open bracket or the container is not closed.
bool desktopDataJsonExtractContainerAt(const String& json, int pos, char open, char close, String& out);

// Value position of the first occurrence of the key (at or after from) whose
// value begins with the open bracket; -1 when none does.
int desktopDataJsonFindContainerValue(const String& json, const char* key, char open, int from = 0);

// The first array / object value of the key, brackets included.
bool desktopDataJsonGetArray(const String& json, const char* key, String& out);
bool desktopDataJsonGetObject(const String& json, const char* key, String& out);

// Finds the next "{" at or after pos, copies that object into out and moves
// pos just behind it. False when no further complete object exists.
bool desktopDataJsonNextObject(const String& json, int& pos, String& out);

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

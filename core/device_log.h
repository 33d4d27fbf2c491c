#pragma once

// Device log: an eight-entry ring of notable events, mirrored to the serial
// console, plus the fetch statistics that the fetchers feed.

#include <stdint.h>

#include "host/wstring.h"

// Ring size and the longest message kept (longer ones end in "...").
static const uint8_t WEB_LOG_CAPACITY = 8;
static const unsigned int WEB_LOG_MESSAGE_MAX_CHARS = 220;
// Number used by diagnostics output when a value is absent.
static const int32_t DIAG_NULL_INT = -32768;

// One ring slot.
struct WebLogEntry {
  uint32_t ms = 0;  // millis() when the entry was added
  String level;     // "INFO", "WARN", ...
  String tag;       // short source tag, may be empty
  String message;   // one line, at most 220 characters
};

// Fetch statistics; every field starts at 0.
struct DiagnosticsState {
  uint32_t fetchOk = 0;
  uint32_t fetchFail = 0;
  uint32_t consecutiveFetchFailures = 0;
  uint32_t lastApiLatencyMs = 0;
  int32_t lastApiStatusCode = 0;
  uint32_t lastFetchMillis = 0;
  uint32_t lastFetchSuccessMillis = 0;
  uint32_t weatherOk = 0;
  uint32_t weatherFail = 0;
  int32_t lastWeatherHttpCode = 0;
  uint32_t lastWeatherAttemptMillis = 0;
  uint32_t lastWeatherSuccessMillis = 0;
};

extern WebLogEntry webLogBuffer[WEB_LOG_CAPACITY];
extern uint8_t webLogHead;   // index of the next slot to write
extern uint8_t webLogCount;  // valid entries, 0..8
extern DiagnosticsState diagnosticsState;

// Log-suppression memory per kind of fetch ("unknown" until the first result).
extern bool webLogApiStateKnown;
extern bool webLogLastApiOk;
extern int webLogLastApiCode;
extern bool webLogWeatherStateKnown;
extern bool webLogLastWeatherOk;
extern int webLogLastWeatherCode;
extern bool webLogHamqslStateKnown;
extern bool webLogLastHamqslOk;
extern int webLogLastHamqslCode;

// Adds one entry to the ring (line breaks become blanks, long messages are
// cut to 217 characters plus "..."); with mirrorSerial also prints it as
// "[LEVEL][TAG] message" on the serial console.
void addWebLog(const String& level, const String& tag, const String& message, bool mirrorSerial);

// Returns the i-th entry counted from the oldest (0) to the newest
// (webLogCount - 1), or nullptr when i is out of range.
const WebLogEntry* webLogEntryAt(uint8_t i);

// Empties the ring (the statistics stay).
void clearWebLog();

// Counts one hotspot/API fetch and logs changes of outcome and the failure
// streaks 1, 2, 3 and every tenth. Returns statusCode.
int noteApiFetchResult(bool ok, int statusCode, uint32_t latencyMs);

// Counts one current-weather fetch; logs changes of outcome and the first
// three failures in all.
void noteWeatherFetchResult(bool ok, int statusCode);

// Logs a change of outcome of the solar-data fetch. Returns statusCode.
int noteHamqslFetchResult(bool ok, int statusCode);

// Age of a log entry: "1h 2m ago", "2m 5s ago", "7s ago" ("0s ago" for 0
// or a time in the future).
String formatLogAgeBrief(uint32_t sinceMs);

// Age of a last-updated time: "Never", "Just now", "12s ago", "5m ago",
// "3h ago", "2d ago".
String formatMillisAgoBrief(uint32_t sinceMs);

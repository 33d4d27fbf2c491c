#include "core/device_log.h"

#include "host/runtime.h"
#include "host/trace_log.h"

WebLogEntry webLogBuffer[WEB_LOG_CAPACITY];
uint8_t webLogHead = 0;
uint8_t webLogCount = 0;
DiagnosticsState diagnosticsState;

bool webLogApiStateKnown = false;
bool webLogLastApiOk = false;
int webLogLastApiCode = 0;
bool webLogWeatherStateKnown = false;
bool webLogLastWeatherOk = false;
int webLogLastWeatherCode = 0;
bool webLogHamqslStateKnown = false;
bool webLogLastHamqslOk = false;
int webLogLastHamqslCode = 0;

namespace {

// Failure streaks that still get a log line with an unchanged code.
bool streakWorthLogging(uint32_t streak) { return streak <= 3 || (streak % 10) == 0; }

// Message text for the ring: one line, at most 220 characters.
String cleanWebLogMessage(const String& message) {
  String text = message;
  text.replace("\r", " ");
  text.replace("\n", " ");
  if (text.length() > WEB_LOG_MESSAGE_MAX_CHARS) {
    text = text.substring(0, WEB_LOG_MESSAGE_MAX_CHARS - 3);
    text += "...";
  }
  return text;
}

}  // namespace

void addWebLog(const String& level, const String& tag, const String& message, bool mirrorSerial) {
  String cleanLevel = level;
  cleanLevel.trim();
  String cleanTag = tag;
  cleanTag.trim();
  if (cleanLevel.isEmpty()) cleanLevel = "INFO";

  WebLogEntry& slot = webLogBuffer[webLogHead];
  slot.ms = millis();
  slot.level = cleanLevel;
  slot.tag = cleanTag;
  slot.message = cleanWebLogMessage(message);

  webLogHead = (uint8_t)((webLogHead + 1) % WEB_LOG_CAPACITY);
  if (webLogCount < WEB_LOG_CAPACITY) webLogCount++;

  if (!mirrorSerial) return;
  String line = "[" + slot.level + "]";
  if (!slot.tag.isEmpty()) line += "[" + slot.tag + "]";
  line += " ";
  line += slot.message;
  Serial.println(line);
}

const WebLogEntry* webLogEntryAt(uint8_t i) {
  if (i >= webLogCount) return nullptr;
  uint8_t oldest = (uint8_t)((webLogHead + WEB_LOG_CAPACITY - webLogCount) % WEB_LOG_CAPACITY);
  return &webLogBuffer[(oldest + i) % WEB_LOG_CAPACITY];
}

void clearWebLog() {
  for (uint8_t i = 0; i < WEB_LOG_CAPACITY; i++) webLogBuffer[i] = WebLogEntry();
  webLogHead = 0;
  webLogCount = 0;
}

// Remembers the outcome of a fetch; true when it differs from the one
// remembered before (or nothing was remembered yet).
static bool rememberFetchOutcome(bool& known, bool& lastOk, int& lastCode, bool ok, int statusCode) {
  const bool changed = !known || ok != lastOk || statusCode != lastCode;
  known = true;
  lastOk = ok;
  lastCode = statusCode;
  return changed;
}

int noteApiFetchResult(bool ok, int statusCode, uint32_t latencyMs) {
  DiagnosticsState& d = diagnosticsState;
  d.lastApiLatencyMs = latencyMs;
  d.lastApiStatusCode = statusCode;
  d.lastFetchMillis = millis();
  if (ok) {
    d.fetchOk++;
    d.consecutiveFetchFailures = 0;
    d.lastFetchSuccessMillis = d.lastFetchMillis;
  } else {
    d.fetchFail++;
    d.consecutiveFetchFailures++;
  }

  const bool changed =
      rememberFetchOutcome(webLogApiStateKnown, webLogLastApiOk, webLogLastApiCode, ok, statusCode);
  if (changed || (!ok && streakWorthLogging(d.consecutiveFetchFailures))) {
    if (ok) {
      addWebLog(
          "INFO", "API",
          "Hotspot API OK (HTTP " + String(statusCode) + ", " + String((unsigned long)latencyMs) + " ms).",
          true);
    } else {
      addWebLog("WARN", "API",
                "Hotspot API failed (HTTP " + String(statusCode) + ", " + String((unsigned long)latencyMs) +
                    " ms, streak " + String((unsigned long)d.consecutiveFetchFailures) + ").",
                true);
    }
  }
  return statusCode;
}

void noteWeatherFetchResult(bool ok, int statusCode) {
  DiagnosticsState& d = diagnosticsState;
  d.lastWeatherAttemptMillis = millis();
  d.lastWeatherHttpCode = statusCode;
  if (ok) {
    d.weatherOk++;
    d.lastWeatherSuccessMillis = d.lastWeatherAttemptMillis;
  } else {
    d.weatherFail++;
  }

  const bool changed = rememberFetchOutcome(webLogWeatherStateKnown, webLogLastWeatherOk,
                                            webLogLastWeatherCode, ok, statusCode);
  if (changed || (!ok && d.weatherFail <= 3)) {
    if (ok) {
      addWebLog("INFO", "WEATHER", "Weather refresh OK (HTTP " + String(statusCode) + ").", true);
    } else {
      addWebLog("WARN", "WEATHER", "Weather refresh failed (HTTP " + String(statusCode) + ").", true);
    }
  }
}

int noteHamqslFetchResult(bool ok, int statusCode) {
  if (rememberFetchOutcome(webLogHamqslStateKnown, webLogLastHamqslOk, webLogLastHamqslCode, ok,
                           statusCode)) {
    if (ok) {
      addWebLog("INFO", "HAMQSL", "HAMQSL solar XML fetch OK (HTTP " + String(statusCode) + ").", true);
    } else {
      addWebLog("WARN", "HAMQSL", "HAMQSL solar XML fetch failed (HTTP " + String(statusCode) + ").", true);
    }
  }
  return statusCode;
}

String formatLogAgeBrief(uint32_t sinceMs) {
  uint32_t now = millis();
  uint32_t delta = 0;
  // A time "in the future" is one that lies ahead of now by the signed
  // difference, so the age stays right across the wrap of millis().
  if (sinceMs != 0 && (int32_t)(now - sinceMs) >= 0) delta = now - sinceMs;
  uint32_t s = delta / 1000;
  if (s >= 3600) {
    return String((unsigned long)(s / 3600)) + "h " + String((unsigned long)((s % 3600) / 60)) + "m ago";
  }
  if (s >= 60) {
    return String((unsigned long)(s / 60)) + "m " + String((unsigned long)(s % 60)) + "s ago";
  }
  return String((unsigned long)s) + "s ago";
}

String formatMillisAgoBrief(uint32_t sinceMs) {
  if (sinceMs == 0) return "Never";
  uint32_t d = millis() - sinceMs;
  if (d < 1000) return "Just now";
  if (d <= 59999) return String((unsigned long)(d / 1000)) + "s ago";
  if (d <= 3599999) return String((unsigned long)(d / 60000)) + "m ago";
  if (d > 86399999) return String((unsigned long)(d / 86400000)) + "d ago";
  return String((unsigned long)(d / 3600000)) + "h ago";
}

// Day and night: the rules (window, sun, zone) and the state the main cycle
// keeps with them.
#include "core/night_mode.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "core/config.h"
#include "core/device_log.h"
#include "core/solar.h"
#include "core/view.h"
#include "host/runtime.h"

bool nightActive = false;

namespace {

const char *const LOG_TAG = "DISPLAY";

time_t (*nightClock)() = nullptr;
uint32_t lastNightCheckMs = 0;
bool nightCheckPending = true;
bool settingsRead = false;
NightSettings currentSettings;

time_t nightClockNow() { return nightClock != nullptr ? nightClock() : time(nullptr); }

bool parseNumber(const String &text, double &out) {
  const String t = trimmedCopy(text);
  if (t.isEmpty()) return false;
  char *end = nullptr;
  const double v = strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0' || !isfinite(v)) return false;
  out = v;
  return true;
}

// "22:00-07:00" or "sun at 52.52, 13.40 (weather)" for the log lines.
String basisText(const NightSettings &s) {
  char buf[96];
  if (s.basis == NIGHT_BASIS_SUN) {
    snprintf(buf, sizeof(buf), "civil twilight at %.2f, %.2f from the %s position", s.position.latDeg,
             s.position.lonDeg, s.position.source);
  } else {
    snprintf(buf, sizeof(buf), "schedule %02d:%02d-%02d:%02d", s.startMinute / 60, s.startMinute % 60,
             s.endMinute / 60, s.endMinute % 60);
  }
  return String(buf);
}

// Notes about the settings, once per configuration.
void noteSettingsProblems(const NightSettings &s) {
  if (s.basis == NIGHT_BASIS_NONE) return;
  if (s.sunWithoutPosition) {
    addWebLog("WARN", LOG_TAG,
              "Night mode \"sun\" needs a position (weather, APRS or ADS-B centre); none is set, so night "
              "follows the schedule " +
                  cfg.nightStart + "-" + cfg.nightEnd + ".",
              true);
  }
  if (!s.haveZoneRule) {
    addWebLog("WARN", LOG_TAG,
              "Time zone rule \"" + cfg.timezoneTz +
                  "\" is not a POSIX TZ rule; night is judged in the computer's own time zone.",
              true);
  }
}

const NightSettings &settings() {
  if (!settingsRead) {
    currentSettings = nightSettingsFromConfig();
    settingsRead = true;
    noteSettingsProblems(currentSettings);
  }
  return currentSettings;
}

void logChange(bool night, const NightSettings &s) {
  String text;
  if (night) {
    const uint32_t seconds = screensaverTimeoutNowMs() / 1000;
    text = "Night began (" + basisText(s) + "): screensaver after " + String((unsigned long)seconds) +
           " s at brightness " + String((unsigned int)cfg.nightBrightness) + ".";
  } else {
    text = s.basis == NIGHT_BASIS_NONE
               ? String("Night mode off: day brightness ") + String((unsigned int)cfg.brightness) + "."
               : "Day began (" + basisText(s) + "): brightness " + String((unsigned int)cfg.brightness) + ".";
  }
  addWebLog("INFO", LOG_TAG, text, true);
}

}  // namespace

// ---------------------------------------------------------------- pure rules

String canonicalNightMode(const String &text) {
  String t = trimmedCopy(text);
  t.toLowerCase();
  if (t == NIGHT_MODE_SCHEDULE || t == NIGHT_MODE_SUN) return t;
  return String(NIGHT_MODE_OFF);
}

bool parseClockMinutes(const String &text, int &minutes) {
  const String t = trimmedCopy(text);
  const char *p = t.c_str();
  int hours = 0, digits = 0;
  while (isdigit((unsigned char)*p) && digits < 2) {
    hours = hours * 10 + (*p++ - '0');
    ++digits;
  }
  if (digits == 0 || *p != ':') return false;
  ++p;
  if (!isdigit((unsigned char)p[0]) || !isdigit((unsigned char)p[1]) || p[2] != '\0') return false;
  const int mins = (p[0] - '0') * 10 + (p[1] - '0');
  if (hours > 23 || mins > 59) return false;
  minutes = hours * 60 + mins;
  return true;
}

String canonicalClockText(const String &text, const char *fallback) {
  int minutes = 0;
  if (!parseClockMinutes(text, minutes) && !parseClockMinutes(String(fallback), minutes))
    return String(fallback);
  char buf[16];
  snprintf(buf, sizeof(buf), "%02d:%02d", minutes / 60, minutes % 60);
  return String(buf);
}

bool minuteInNightWindow(int minuteOfDay, int startMinute, int endMinute) {
  if (startMinute == endMinute) return false;
  if (startMinute < endMinute) return minuteOfDay >= startMinute && minuteOfDay < endMinute;
  return minuteOfDay >= startMinute || minuteOfDay < endMinute;
}

bool stationPositionFromText(const String &lat, const String &lon, StationPosition &out) {
  double a = 0, b = 0;
  if (!parseNumber(lat, a) || !parseNumber(lon, b)) return false;
  if (a < -90.0 || a > 90.0 || b < -180.0 || b > 180.0) return false;
  if (fabs(a) < 1e-6 && fabs(b) < 1e-6) return false;
  out.valid = true;
  out.latDeg = a;
  out.lonDeg = b;
  return true;
}

StationPosition stationPositionFromConfig() {
  StationPosition p;
  if (stationPositionFromText(cfg.weatherLat, cfg.weatherLon, p)) {
    p.source = "weather";
  } else if (stationPositionFromText(cfg.aprsCenterLat, cfg.aprsCenterLon, p)) {
    p.source = "APRS centre";
  } else if (stationPositionFromText(cfg.adsbCenterLat, cfg.adsbCenterLon, p)) {
    p.source = "ADS-B centre";
  }
  return p;
}

NightSettings nightSettingsFromConfig() {
  NightSettings s;
  const String mode = canonicalNightMode(cfg.nightMode);
  if (!parseClockMinutes(cfg.nightStart, s.startMinute))
    parseClockMinutes(NIGHT_START_DEFAULT, s.startMinute);
  if (!parseClockMinutes(cfg.nightEnd, s.endMinute)) parseClockMinutes(NIGHT_END_DEFAULT, s.endMinute);
  s.haveZoneRule = parseTzRule(cfg.timezoneTz, s.zoneRule);
  s.position = stationPositionFromConfig();
  if (mode == NIGHT_MODE_SCHEDULE) {
    s.basis = NIGHT_BASIS_SCHEDULE;
  } else if (mode == NIGHT_MODE_SUN) {
    s.basis = s.position.valid ? NIGHT_BASIS_SUN : NIGHT_BASIS_SCHEDULE;
    s.sunWithoutPosition = !s.position.valid;
  }
  return s;
}

int localMinuteOfDay(const NightSettings &s, time_t utc) {
  if (s.haveZoneRule) {
    const int64_t local = (int64_t)utc + tzOffsetSecondsAt(s.zoneRule, utc);
    const int64_t secondsOfDay = ((local % 86400) + 86400) % 86400;
    return (int)(secondsOfDay / 60);
  }
  struct tm parts;
  if (desktop_localtime_r(&utc, &parts) == nullptr) return 12 * 60;  // unknown: midday
  return parts.tm_hour * 60 + parts.tm_min;
}

bool isNightAt(const NightSettings &s, time_t utc) {
  if (utc < NIGHT_CLOCK_VALID_FROM_S) return false;
  switch (s.basis) {
    case NIGHT_BASIS_NONE: return false;
    case NIGHT_BASIS_SUN:
      return solarElevationDeg(utc, s.position.latDeg, s.position.lonDeg) < SUN_ALTITUDE_CIVIL_TWILIGHT_DEG;
    case NIGHT_BASIS_SCHEDULE: break;
  }
  return minuteInNightWindow(localMinuteOfDay(s, utc), s.startMinute, s.endMinute);
}

// ---------------------------------------------------------------- state

void setNightClock(time_t (*clock)()) { nightClock = clock; }

void updateNightState(time_t utc) {
  const NightSettings &s = settings();
  const bool night = isNightAt(s, utc);
  if (night == nightActive) return;
  nightActive = night;
  logChange(night, s);
  if (!night && screensaverActive && !cfg.screensaverEnabled) {
    // The screensaver was there only for the night: the pages come back.
    setScreensaverActive(false);
    screenWipePending = true;
  }
  applyBrightness();
  if (screensaverActive) requestRedraw();
}

// Night mode off and already day: only a new configuration needs a check.
bool nightChecksIdle() { return !nightActive && settings().basis == NIGHT_BASIS_NONE; }

void runNightModeStep(uint32_t nowMs) {
  if (!nightCheckPending &&
      (nightChecksIdle() || !intervalElapsed(nowMs, lastNightCheckMs, NIGHT_CHECK_INTERVAL_MS)))
    return;
  nightCheckPending = false;
  lastNightCheckMs = nowMs;
  updateNightState(nightClockNow());
}

uint32_t nightCheckWaitMs(uint32_t nowMs) {
  if (nightCheckPending) return 0;
  if (nightChecksIdle()) return UINT32_MAX;
  const uint32_t elapsed = elapsedSince(nowMs, lastNightCheckMs);
  return elapsed >= NIGHT_CHECK_INTERVAL_MS ? 0 : NIGHT_CHECK_INTERVAL_MS - elapsed;
}

void nightConfigApplied() {
  settingsRead = false;
  nightCheckPending = true;
}

bool screensaverAllowedNow() { return cfg.screensaverEnabled || nightActive; }

uint32_t screensaverTimeoutNowMs() {
  if (nightActive && cfg.nightScreensaverOnly) return NIGHT_SCREENSAVER_TIMEOUT_MS;
  return cfg.screensaverTimeoutMs;
}

uint8_t backlightLevelNow() {
  if (!screensaverActive) return cfg.brightness;
  return nightActive ? cfg.nightBrightness : cfg.screensaverDimBrightness;
}

// Day and night: whether it is night now (by a local-time window or by the
// sun at the station), and what night changes: the screensaver comes sooner,
// even when it is switched off for the day, and it dims the backlight to the
// night level. Every decision is taken again from the wall clock at each
// check, so a change of daylight saving time or of the clock is followed at
// the next check.
#pragma once

#include <stdint.h>
#include <time.h>

#include "core/tz_rule.h"
#include "host/wstring.h"

// Values of night_mode and the defaults of the night keys.
static constexpr const char *NIGHT_MODE_OFF = "off";
static constexpr const char *NIGHT_MODE_SCHEDULE = "schedule";
static constexpr const char *NIGHT_MODE_SUN = "sun";
static constexpr const char *NIGHT_START_DEFAULT = "22:00";
static constexpr const char *NIGHT_END_DEFAULT = "07:00";
static constexpr uint8_t NIGHT_BRIGHTNESS_DEFAULT = 10;
// Screensaver delay at night with night_screensaver_only.
static constexpr uint32_t NIGHT_SCREENSAVER_TIMEOUT_MS = 15000;  // 15 s
// How often the main cycle asks whether it is night.
static constexpr uint32_t NIGHT_CHECK_INTERVAL_MS = 1000;
static constexpr int MINUTES_PER_DAY = 24 * 60;

// ---------------------------------------------------------------- pure rules

// "off", "schedule" or "sun" for a configured text (trimmed, any case);
// anything else is "off".
String canonicalNightMode(const String &text);
// Minutes after midnight of "H:MM" or "HH:MM" (00:00..23:59); false for
// anything else.
bool parseClockMinutes(const String &text, int &minutes);
// "HH:MM" of a configured time, or the fallback when it does not parse.
String canonicalClockText(const String &text, const char *fallback);
// True when the minute of the day lies in the window from start (included)
// to end (excluded); a window whose end is earlier than its start runs
// across midnight; equal start and end make no night at all.
bool minuteInNightWindow(int minuteOfDay, int startMinute, int endMinute);

// A place on the ground and the setting it came from.
struct StationPosition {
  bool valid = false;
  double latDeg = 0;
  double lonDeg = 0;
  const char *source = "";  // "weather", "APRS centre", "ADS-B centre"
};
// Position from a latitude and longitude text pair: both numbers in range,
// and not both zero (an unset pair).
bool stationPositionFromText(const String &lat, const String &lon, StationPosition &out);
// The station's position: the weather position, else the APRS centre, else
// the ADS-B centre; invalid when none is set.
StationPosition stationPositionFromConfig();

// How night is decided.
enum NightBasis {
  NIGHT_BASIS_NONE = 0,      // night mode off: never night
  NIGHT_BASIS_SCHEDULE = 1,  // the local-time window
  NIGHT_BASIS_SUN = 2,       // civil dusk to civil dawn at the position
};

// Everything the decision needs, taken from the configuration once.
struct NightSettings {
  NightBasis basis = NIGHT_BASIS_NONE;
  // "sun" was asked for but no position is set (the schedule is used).
  bool sunWithoutPosition = false;
  int startMinute = 22 * 60;
  int endMinute = 7 * 60;
  // False when timezone_tz does not parse: the host's own zone is used.
  bool haveZoneRule = false;
  TzRule zoneRule;
  StationPosition position;
};

// Settings from the configuration record.
NightSettings nightSettingsFromConfig();
// Minute of the local day at the instant (the rule, or the host's zone).
int localMinuteOfDay(const NightSettings &s, time_t utc);
// Wall clocks before this instant (2020-01-01) are taken as not set yet
// (a board before its first time sync): no night then.
static constexpr time_t NIGHT_CLOCK_VALID_FROM_S = 1577836800;
// True when it is night at the instant.
bool isNightAt(const NightSettings &s, time_t utc);

// ---------------------------------------------------------------- state

// It is night now (as of the last check).
extern bool nightActive;

// Wall clock used by the checks (seconds since 1970); null restores the
// real clock. For tests.
void setNightClock(time_t (*clock)());

// Takes the day-or-night decision for the instant: a change is logged once
// ("[INFO][DISPLAY]"), applies the brightness and redraws; the first
// decision of a run or of a new configuration is logged as well.
void updateNightState(time_t utc);
// Main-cycle step: updates the state once a second (with night mode off
// only after a configuration was applied).
void runNightModeStep(uint32_t nowMs);
// Milliseconds until the next check is due (for the idle wait; UINT32_MAX
// when none is).
uint32_t nightCheckWaitMs(uint32_t nowMs);
// A configuration was applied: settings are read again and the next check
// runs at once.
void nightConfigApplied();

// The screensaver may start now (switched on, or night).
bool screensaverAllowedNow();
// Idle time after which the screensaver starts now.
uint32_t screensaverTimeoutNowMs();
// Backlight level for the current state: the night level while the
// screensaver shows at night, the screensaver's dim level while it shows by
// day, else the configured brightness.
uint8_t backlightLevelNow();

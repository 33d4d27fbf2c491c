// POSIX time-zone rules ("CET-1CEST,M3.5.0/2,M10.5.0/3") evaluated without
// the C runtime's global zone, so that the configured rule decides the local
// time of the day-and-night schedule whatever zone the host runs in, and so
// that tests can ask for any instant.
#pragma once

#include <stdint.h>
#include <time.h>

#include "host/wstring.h"

// One transition date of a rule: the day form and the local time of day.
enum TzDateKind {
  TZ_DATE_MONTH_WEEK_DAY = 0,  // Mm.w.d: day d (0 = Sunday) of week w (5 = last) of month m
  TZ_DATE_JULIAN_NO_LEAP = 1,  // Jn: day n (1..365), February 29 never counted
  TZ_DATE_ZERO_BASED = 2,      // n: day n (0..365), February 29 counted
};

struct TzTransition {
  TzDateKind kind = TZ_DATE_MONTH_WEEK_DAY;
  int month = 0;
  int week = 0;
  int weekday = 0;
  int day = 0;
  int32_t secondsOfDay = 2 * 3600;  // local wall time of the change
};

// A parsed rule. Offsets are seconds east of UTC (CET is +3600).
struct TzRule {
  int32_t standardOffsetSeconds = 0;
  bool hasDaylightSaving = false;
  int32_t daylightOffsetSeconds = 0;
  TzTransition daylightStart;
  TzTransition daylightEnd;
};

// Parses a POSIX TZ rule: names of three or more letters or in <angle
// brackets>, offsets [+-]hh[:mm[:ss]] (positive west, as POSIX writes them),
// an optional daylight name with offset (one hour ahead when omitted) and
// transition dates Mm.w.d, Jn or n with optional /time. A daylight name
// without dates uses the US dates (M3.2.0, M11.1.0). False (out unchanged)
// for anything else, such as an Olson name "Europe/Berlin".
bool parseTzRule(const String& text, TzRule& out);

// Offset east of UTC in seconds that the rule gives at the instant.
int32_t tzOffsetSecondsAt(const TzRule& rule, time_t utc);

// True while daylight saving time is in force at the instant.
bool tzDaylightSavingAt(const TzRule& rule, time_t utc);

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t tzDaysFromCivil(int64_t year, int month, int day);

// Civil date of a day count since 1970-01-01.
void tzCivilFromDays(int64_t days, int& year, int& month, int& day);

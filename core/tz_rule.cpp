// POSIX time-zone rules: parser and offset at an instant.
#include "core/tz_rule.h"

#include <ctype.h>

namespace {

const int32_t SECONDS_PER_DAY = 86400;
const int32_t SECONDS_PER_HOUR = 3600;
// Offsets of a zone name: at most 24 hours either way; transition times may
// reach a week either way (a common extension of the POSIX form).
const int TZ_OFFSET_HOURS_MAX = 24;
const int TZ_TRANSITION_HOURS_MAX = 167;
const int TZ_NAME_CHARS_MIN = 3;

// A cursor over the rule text.
struct Cursor {
  const char* p;
};

bool readNumber(Cursor& c, int maxValue, int& out) {
  if (!isdigit((unsigned char)*c.p)) return false;
  long v = 0;
  while (isdigit((unsigned char)*c.p)) {
    v = v * 10 + (*c.p - '0');
    if (v > maxValue) return false;
    ++c.p;
  }
  out = (int)v;
  return true;
}

bool readName(Cursor& c) {
  if (*c.p == '<') {
    const char* start = ++c.p;
    while (*c.p != '\0' && *c.p != '>') ++c.p;
    if (*c.p != '>' || c.p - start < TZ_NAME_CHARS_MIN) return false;
    ++c.p;
    return true;
  }
  const char* start = c.p;
  while (isalpha((unsigned char)*c.p)) ++c.p;
  return c.p - start >= TZ_NAME_CHARS_MIN;
}

// [+-]hh[:mm[:ss]] in seconds, as written (no sign change).
bool readClock(Cursor& c, int maxHours, int32_t& out) {
  int sign = 1;
  if (*c.p == '+' || *c.p == '-') {
    if (*c.p == '-') sign = -1;
    ++c.p;
  }
  int h = 0, m = 0, s = 0;
  if (!readNumber(c, maxHours, h)) return false;
  if (*c.p == ':') {
    ++c.p;
    if (!readNumber(c, 59, m)) return false;
    if (*c.p == ':') {
      ++c.p;
      if (!readNumber(c, 59, s)) return false;
    }
  }
  out = sign * (h * SECONDS_PER_HOUR + m * 60 + s);
  return true;
}

bool readDate(Cursor& c, TzTransition& t) {
  if (*c.p == 'M') {
    ++c.p;
    t.kind = TZ_DATE_MONTH_WEEK_DAY;
    if (!readNumber(c, 12, t.month) || t.month < 1 || *c.p != '.') return false;
    ++c.p;
    if (!readNumber(c, 5, t.week) || t.week < 1 || *c.p != '.') return false;
    ++c.p;
    if (!readNumber(c, 6, t.weekday)) return false;
  } else if (*c.p == 'J') {
    ++c.p;
    t.kind = TZ_DATE_JULIAN_NO_LEAP;
    if (!readNumber(c, 365, t.day) || t.day < 1) return false;
  } else {
    t.kind = TZ_DATE_ZERO_BASED;
    if (!readNumber(c, 365, t.day)) return false;
  }
  t.secondsOfDay = 2 * SECONDS_PER_HOUR;
  if (*c.p == '/') {
    ++c.p;
    if (!readClock(c, TZ_TRANSITION_HOURS_MAX, t.secondsOfDay)) return false;
  }
  return true;
}

bool isLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int64_t y, int m) {
  static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : DAYS[m - 1];
}

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// Day number (since 1970-01-01) of a transition date in the given year.
int64_t transitionDay(const TzTransition& t, int64_t year) {
  const int64_t jan1 = tzDaysFromCivil(year, 1, 1);
  switch (t.kind) {
    case TZ_DATE_JULIAN_NO_LEAP: return jan1 + t.day - 1 + (isLeapYear(year) && t.day >= 60 ? 1 : 0);
    case TZ_DATE_ZERO_BASED: return jan1 + t.day;
    case TZ_DATE_MONTH_WEEK_DAY: break;
  }
  const int64_t first = tzDaysFromCivil(year, t.month, 1);
  const int firstWeekday = (int)(((first + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
  int day = 1 + (t.weekday - firstWeekday + 7) % 7 + (t.week - 1) * 7;
  while (day > daysInMonth(year, t.month)) day -= 7;
  return first + day - 1;
}

}  // namespace

int64_t tzDaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = floorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void tzCivilFromDays(int64_t days, int& year, int& month, int& day) {
  const int64_t z = days + 719468;
  const int64_t era = floorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = (int)(doy - (153 * mp + 2) / 5 + 1);
  month = (int)(mp < 10 ? mp + 3 : mp - 9);
  year = (int)(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool parseTzRule(const String& text, TzRule& out) {
  const String trimmed = trimmedCopy(text);
  Cursor c{trimmed.c_str()};
  TzRule rule;
  int32_t posixOffset = 0;
  if (!readName(c) || !readClock(c, TZ_OFFSET_HOURS_MAX, posixOffset)) return false;
  rule.standardOffsetSeconds = -posixOffset;
  if (*c.p != '\0') {
    if (!readName(c)) return false;
    rule.hasDaylightSaving = true;
    rule.daylightOffsetSeconds = rule.standardOffsetSeconds + SECONDS_PER_HOUR;
    if (*c.p != ',' && *c.p != '\0') {
      if (!readClock(c, TZ_OFFSET_HOURS_MAX, posixOffset)) return false;
      rule.daylightOffsetSeconds = -posixOffset;
    }
    if (*c.p == '\0') {
      rule.daylightStart = {TZ_DATE_MONTH_WEEK_DAY, 3, 2, 0, 0, 2 * SECONDS_PER_HOUR};
      rule.daylightEnd = {TZ_DATE_MONTH_WEEK_DAY, 11, 1, 0, 0, 2 * SECONDS_PER_HOUR};
    } else {
      if (*c.p != ',') return false;
      ++c.p;
      if (!readDate(c, rule.daylightStart) || *c.p != ',') return false;
      ++c.p;
      if (!readDate(c, rule.daylightEnd)) return false;
    }
  }
  if (*c.p != '\0') return false;
  out = rule;
  return true;
}

bool tzDaylightSavingAt(const TzRule& rule, time_t utc) {
  if (!rule.hasDaylightSaving) return false;
  const int64_t t = (int64_t)utc;
  int year = 0, month = 0, day = 0;
  tzCivilFromDays(floorDiv(t + rule.standardOffsetSeconds, SECONDS_PER_DAY), year, month, day);
  // The start is given in standard time, the end in daylight time.
  const int64_t start = transitionDay(rule.daylightStart, year) * SECONDS_PER_DAY +
                        rule.daylightStart.secondsOfDay - rule.standardOffsetSeconds;
  const int64_t end = transitionDay(rule.daylightEnd, year) * SECONDS_PER_DAY +
                      rule.daylightEnd.secondsOfDay - rule.daylightOffsetSeconds;
  if (start < end) return t >= start && t < end;
  return !(t >= end && t < start);  // southern hemisphere: summer spans the new year
}

int32_t tzOffsetSecondsAt(const TzRule& rule, time_t utc) {
  return tzDaylightSavingAt(rule, utc) ? rule.daylightOffsetSeconds : rule.standardOffsetSeconds;
}

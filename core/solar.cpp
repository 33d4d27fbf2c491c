// NOAA solar position: declination and equation of time from the Julian
// century, hour angle from the true solar time.
#include "core/solar.h"

#include <math.h>

#include "core/tz_rule.h"

namespace {

const double PI_VALUE = 3.14159265358979323846;
const double UNIX_EPOCH_JULIAN_DAY = 2440587.5;
const double J2000_JULIAN_DAY = 2451545.0;
const double DAYS_PER_JULIAN_CENTURY = 36525.0;
const double SECONDS_PER_DAY = 86400.0;
const double MINUTES_PER_DAY = 1440.0;
// Each crossing is refined this often with the sun's place at the last guess.
const int CROSSING_REFINEMENTS = 4;

double rad(double deg) { return deg * PI_VALUE / 180.0; }
double deg(double r) { return r * 180.0 / PI_VALUE; }

// Declination (degrees) and equation of time (minutes) at an instant.
struct SunPlace {
  double declinationDeg;
  double equationOfTimeMin;
};

SunPlace sunPlaceAt(double unixSeconds) {
  const double jd = unixSeconds / SECONDS_PER_DAY + UNIX_EPOCH_JULIAN_DAY;
  const double t = (jd - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_CENTURY;
  const double meanLong = fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
  const double meanAnom = 357.52911 + t * (35999.05029 - 0.0001537 * t);
  const double eccent = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
  const double centre = sin(rad(meanAnom)) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                        sin(rad(2 * meanAnom)) * (0.019993 - 0.000101 * t) +
                        sin(rad(3 * meanAnom)) * 0.000289;
  const double omega = 125.04 - 1934.136 * t;
  const double appLong = meanLong + centre - 0.00569 - 0.00478 * sin(rad(omega));
  const double seconds = 21.448 - t * (46.815 + t * (0.00059 - t * 0.001813));
  const double obliq = 23.0 + (26.0 + seconds / 60.0) / 60.0 + 0.00256 * cos(rad(omega));
  SunPlace p;
  p.declinationDeg = deg(asin(sin(rad(obliq)) * sin(rad(appLong))));
  const double y = tan(rad(obliq / 2)) * tan(rad(obliq / 2));
  const double l0 = rad(meanLong), m = rad(meanAnom);
  const double eot = y * sin(2 * l0) - 2 * eccent * sin(m) + 4 * eccent * y * sin(m) * cos(2 * l0) -
                     0.5 * y * y * sin(4 * l0) - 1.25 * eccent * eccent * sin(2 * m);
  p.equationOfTimeMin = 4.0 * deg(eot);
  return p;
}

// Hour angle (degrees, 0..180) at which the sun's centre is at altitudeDeg;
// false when it never gets there (cosine outside -1..1), with above telling
// whether it stays above.
bool hourAngleForAltitude(double latDeg, double declDeg, double altitudeDeg, double& haDeg, bool& above) {
  const double lat = rad(latDeg), decl = rad(declDeg);
  const double c = (sin(rad(altitudeDeg)) - sin(lat) * sin(decl)) / (cos(lat) * cos(decl));
  if (c > 1.0) {
    above = false;
    return false;
  }
  if (c < -1.0) {
    above = true;
    return false;
  }
  haDeg = deg(acos(c));
  return true;
}

// Solar noon (unix seconds) near the guess, for the longitude.
double solarNoonNear(double guess, double lonDeg) {
  double noon = guess;
  for (int i = 0; i < 2; ++i) {
    const double day0 = floor((noon + lonDeg * 240.0) / SECONDS_PER_DAY) * SECONDS_PER_DAY;
    const double minutes = MINUTES_PER_DAY / 2 - 4.0 * lonDeg - sunPlaceAt(noon).equationOfTimeMin;
    noon = day0 + minutes * 60.0;
  }
  return noon;
}

// One crossing (sign -1 rising, +1 setting) refined from the noon; false
// when the sun does not reach the altitude at the refined time.
bool refineCrossing(double noon, double latDeg, double lonDeg, double altitudeDeg, int sign, double& out,
                    bool& above) {
  double when = noon;
  for (int i = 0; i < CROSSING_REFINEMENTS; ++i) {
    const SunPlace p = sunPlaceAt(when);
    double ha = 0;
    if (!hourAngleForAltitude(latDeg, p.declinationDeg, altitudeDeg, ha, above)) return false;
    // Noon of the true solar time at `when`, then the hour angle away from it.
    const double localNoonMin = MINUTES_PER_DAY / 2 - 4.0 * lonDeg - p.equationOfTimeMin;
    const double dayStart = floor((noon + lonDeg * 240.0) / SECONDS_PER_DAY) * SECONDS_PER_DAY;
    when = dayStart + (localNoonMin + sign * 4.0 * ha) * 60.0;
  }
  out = when;
  return true;
}

}  // namespace

double solarElevationDeg(time_t utc, double latDeg, double lonDeg) {
  const double t = (double)utc;
  const SunPlace p = sunPlaceAt(t);
  const double utcMinutes = fmod(fmod(t, SECONDS_PER_DAY) + SECONDS_PER_DAY, SECONDS_PER_DAY) / 60.0;
  double trueSolar = fmod(utcMinutes + p.equationOfTimeMin + 4.0 * lonDeg, MINUTES_PER_DAY);
  if (trueSolar < 0) trueSolar += MINUTES_PER_DAY;
  const double ha = rad(trueSolar / 4.0 - 180.0);
  const double lat = rad(latDeg), decl = rad(p.declinationDeg);
  double s = sin(lat) * sin(decl) + cos(lat) * cos(decl) * cos(ha);
  if (s > 1.0) s = 1.0;
  if (s < -1.0) s = -1.0;
  return deg(asin(s));
}

SunCrossings sunCrossingsOnDay(int year, int month, int day, double latDeg, double lonDeg,
                               double altitudeDeg) {
  SunCrossings out;
  const double midnightUtc = (double)tzDaysFromCivil(year, month, day) * SECONDS_PER_DAY;
  const double noon = solarNoonNear(midnightUtc + (MINUTES_PER_DAY / 2 - 4.0 * lonDeg) * 60.0, lonDeg);
  double rising = 0, setting = 0;
  bool above = false;
  if (!refineCrossing(noon, latDeg, lonDeg, altitudeDeg, -1, rising, above) ||
      !refineCrossing(noon, latDeg, lonDeg, altitudeDeg, +1, setting, above)) {
    out.staysAbove = above;
    return out;
  }
  out.crosses = true;
  out.rising = (time_t)llround(rising);
  out.setting = (time_t)llround(setting);
  return out;
}

// Position of the sun, sunrise, sunset and twilight at a place on the
// ground, computed locally with the NOAA solar-position formulas (Meeus'
// low-accuracy sun, about a minute of time on rise and set between the
// polar circles).
#pragma once

#include <stdint.h>
#include <time.h>

// Altitudes of the sun's centre that mark the events, in degrees: sunrise
// and sunset (upper limb on the horizon, with average refraction) and the
// ends of civil twilight.
static const double SUN_ALTITUDE_RISE_SET_DEG = -0.833;
static const double SUN_ALTITUDE_CIVIL_TWILIGHT_DEG = -6.0;

// Geometric elevation of the sun's centre above the horizon in degrees at
// the instant, for latitude (north positive) and longitude (east positive).
double solarElevationDeg(time_t utc, double latDeg, double lonDeg);

// When the sun crosses one altitude around one local day.
struct SunCrossings {
  // Both crossings exist; rising and setting are the instants (UTC), the
  // rising one before the local solar noon, the setting one after it.
  bool crosses = false;
  time_t rising = 0;
  time_t setting = 0;
  // Without crossings: the sun stays above the altitude all day (true) or
  // below it all day (false).
  bool staysAbove = false;
};

// Crossings of altitudeDeg on the local day (year, month 1..12, day) around
// the solar noon of the longitude.
SunCrossings sunCrossingsOnDay(int year, int month, int day, double latDeg, double lonDeg,
                               double altitudeDeg);

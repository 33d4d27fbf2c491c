// Entry points of the APRS and ADS-B fuzz targets and their corpus replay
// test: position API answers and receiver aircraft lists, each checked
// against the invariants that must hold whatever came in.
#pragma once

#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/config.h"
#include "host/wstring.h"
#include "hotspot/heard.h"
#include "watch/adsb/adsb.h"
#include "watch/aprs/aprs.h"

inline bool fuzzSaneNumber(float v) { return isfinite(v) && fabsf(v) <= 1.0e7f; }

inline void fuzzCheckAprsStation(const AprsNearbyRecord& r) {
  if (!r.valid || r.callsign.isEmpty() || !aprsLatLonValid(r.lat, r.lng)) abort();
  if (!fuzzSaneNumber(r.speedKmh) || !fuzzSaneNumber(r.altitudeM) || abs(r.courseDeg) > 10000000) abort();
  if (!isfinite(r.distanceKm) || r.distanceKm < 0 || r.distanceKm > (float)cfg.aprsRangeKm) abort();
}

// One answer through the APRS scanner, for the caller DL1ABC, with and
// without an area centre of its own.
inline void fuzzAprsInput(const uint8_t* data, size_t size) {
  const String payload((const char*)data, size);
  cfg.aprsRangeKm = 500;
  cfg.aprsCenterLat = (size % 2) ? "52.52" : "";
  cfg.aprsCenterLon = (size % 2) ? "13.405" : "";
  cfg.weatherLat = cfg.weatherLon = "";
  resetAprsState();
  const bool ok = parseAprsLocationResponse(payload, "DL1ABC");
  const AprsState& a = aprsState;
  if (ok != a.valid) abort();
  if (!ok && (a.error.isEmpty() || a.nearbyCount != 0)) abort();
  if (ok) {
    if (!a.error.isEmpty() || a.callsign.isEmpty() || !isfinite(a.lat) || !isfinite(a.lng)) abort();
    if (!fuzzSaneNumber(a.speedKmh) || !fuzzSaneNumber(a.altitudeM)) abort();
  }
  if (a.nearbyCount < 0 || a.nearbyCount > APRS_NEARBY_MAX) abort();
  if (a.nearbyCount > 0 && !a.nearbyValid) abort();
  for (int i = 0; i < a.nearbyCount; ++i) {
    fuzzCheckAprsStation(a.nearby[i]);
    if (i > 0 && a.nearby[i - 1].distanceKm > a.nearby[i].distanceKm) abort();
  }
  (void)aprsFormatEpoch(payload);
  (void)aprsCompassPoint((float)size * 13.7f - 4000.0f);
  String csv = "DL1ABC";
  aprsAppendBatchCallsign(csv, payload);
  if (normalizeHamCallsign(payload).indexOf(',') < 0 && !aprsCsvContainsCallsign(csv, payload)) abort();
  float coordinate = 0;
  (void)aprsParseCoordinate(payload, coordinate);
}

// One aircraft list through the ADS-B scanner and the airline functions.
inline void fuzzAdsbInput(const uint8_t* data, size_t size) {
  const String payload((const char*)data, size);
  cfg.adsbRangeKm = 999;
  cfg.adsbCenterLat = "51.47";
  cfg.adsbCenterLon = "-0.4543";
  clearAdsbData();
  const bool ok = parseAdsbAircraftResponse(payload);
  const AdsbState& s = adsbState;
  if (ok != s.valid) abort();
  if (s.aircraftCount < 0 || s.aircraftCount > ADSB_AIRCRAFT_MAX) abort();
  if (s.positionAircraft > s.totalAircraft || s.aircraftCount > s.positionAircraft) abort();
  for (int i = 0; i < s.aircraftCount; ++i) {
    const AdsbAircraftRecord& r = s.aircraft[i];
    if (!r.valid || !aprsLatLonValid(r.lat, r.lon) || !isfinite(r.distanceKm) || r.distanceKm > 999.0f)
      abort();
    if (i > 0 && s.aircraft[i - 1].distanceKm > r.distanceKm) abort();
    if (!fuzzSaneNumber(r.speedKt) || !isfinite(r.seenSec) || abs(r.altitudeFt) > 10000000) abort();
    (void)adsbAltitudeText(r);
    (void)adsbSpeedText(r);
    (void)adsbRecordName(r);
  }
  const String token = adsbCleanFlightToken(payload);
  for (unsigned int i = 0; i < token.length(); ++i) {
    const char c = token[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) abort();
  }
  String field;
  for (int i = 0; i < 6; ++i) (void)adsbCsvFieldAt(payload, i, field);
  (void)adsbIataFromIcaoPrefix(token.substring(0, 3));
}

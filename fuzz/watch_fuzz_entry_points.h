// Entry points of the weather and HamQSL fuzz targets and their corpus replay
// test: OpenWeatherMap current and forecast answers, the HamQSL solar XML,
// each checked against the invariants that must hold whatever came in.
#pragma once

#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/config.h"
#include "host/wstring.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/weather/weather.h"

inline bool fuzzFiniteAndSmall(float v) { return isfinite(v) && fabsf(v) <= 1.0e7f; }

// Icon codes that may become part of a storage path: 1 to 4 letters or digits.
inline bool fuzzIconCodeSafe(const String& code) {
  if (code.length() > 4) return false;
  for (unsigned int i = 0; i < code.length(); ++i) {
    const char c = code[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return true;
}

// One answer through both weather scanners and every text of the pages.
inline void fuzzWeatherInput(const uint8_t* data, size_t size) {
  const String payload((const char*)data, size);
  cfg.weatherEnabled = true;
  cfg.weatherLat = "52.5";
  cfg.weatherLon = "13.4";
  cfg.weatherApiKey = "k";
  clearWeatherData();
  const bool current = desktopParseWeatherResponseRaw(payload);
  const WeatherState& w = weatherState;
  if (current != w.valid) abort();
  if (!fuzzFiniteAndSmall(w.tempC) || !fuzzFiniteAndSmall(w.feelsLikeC) || !fuzzFiniteAndSmall(w.tempMinC) ||
      !fuzzFiniteAndSmall(w.tempMaxC) || !fuzzFiniteAndSmall(w.windSpeedMs))
    abort();
  if (!fuzzIconCodeSafe(w.icon)) abort();
  (void)weatherDisplayText();
  (void)weatherWindText();
  (void)weatherVisibilityText();
  (void)weatherDetailSummary();
  (void)weatherIconPath32();
  const bool forecast = parseWeatherForecastPayloadRaw(payload);
  if (forecast != (w.forecastCount > 0) || w.forecastCount > WEATHER_FORECAST_DAY_COUNT) abort();
  if (forecast != w.forecastError.isEmpty()) abort();
  for (int i = 0; i < w.forecastCount; ++i) {
    const WeatherForecastDay& d = w.forecast[i];
    if (!d.valid || d.date.length() != 10 || d.popPercent < 0 || d.popPercent > 100) abort();
    if (!fuzzFiniteAndSmall(d.tempMinC) || !fuzzFiniteAndSmall(d.tempMaxC) || !fuzzIconCodeSafe(d.icon))
      abort();
    if (d.dayLabel.length() != 3) abort();
    for (int j = 0; j < i; ++j) {
      if (w.forecast[j].date == d.date) abort();
    }
    (void)weatherForecastIconPath(i);
  }
  (void)weatherForecastDayLabelFromDate(payload);
  (void)weatherCompassDirectionText((int)size * 7919 - 1000000);
}

// One document through the solar XML readers.
inline void fuzzHamqslInput(const uint8_t* data, size_t size) {
  const String payload((const char*)data, size);
  clearHamqslData();
  hamqslState.lastAttemptMillis = 77;
  const bool ok = parseHamqslXml(payload);
  const HamqslState& h = hamqslState;
  if (h.lastAttemptMillis != 77) abort();  // the fetch bookkeeping is never replaced
  if (h.hfBandCount > HAMQSL_HF_BAND_COUNT || h.vhfConditionCount > HAMQSL_VHF_CONDITION_MAX) abort();
  if (ok != (!h.solarFlux.isEmpty() || !h.sunspots.isEmpty() || !h.aIndex.isEmpty() || !h.kIndex.isEmpty() ||
             h.hfBandCount > 0))
    abort();
  if (!ok && (h.hfBandCount != 0 || h.vhfConditionCount != 0)) abort();
  for (int i = 0; i < h.hfBandCount; ++i) {
    if (h.hfBands[i].day.isEmpty() && h.hfBands[i].night.isEmpty()) abort();
  }
  String value;
  (void)hamqslBandConditionValue(payload, "80m-40m", "day", value);
  (void)hamqslXmlAttrValue(payload, "name");
  (void)hamqslFriendlyVhfName(payload);
}

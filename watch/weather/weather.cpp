// Weather watch source.
#include "watch/weather/weather.h"

#include "core/config.h"
#include "host/runtime.h"

WeatherState weatherState;

namespace {

bool weatherTextSet(const String &s) {
  String t = s;
  t.trim();
  return t.length() > 0;
}

}  // namespace

bool weatherConfigured() {
  return cfg.weatherEnabled && weatherTextSet(cfg.weatherLat) && weatherTextSet(cfg.weatherLon) &&
         weatherTextSet(cfg.weatherApiKey);
}

void clearWeatherData() { weatherState = WeatherState(); }

// PENDING: request the OpenWeatherMap current-weather JSON, parse it into
// weatherState and report it with noteWeatherFetchResult. For now it only
// records the attempt time (so the refresh cadence holds) and yields no data.
bool fetchWeatherData() {
  weatherState.lastAttemptMillis = millis();
  return false;
}

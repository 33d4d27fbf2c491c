// Weather watch source.
#include "watch/weather/weather.h"

#include "core/config.h"

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

void clearWeatherData() {
  // PENDING: resets weatherState (numbers, texts, forecast days, fetch times)
  // once the weather record exists.
}

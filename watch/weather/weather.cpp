// Weather watch source.
#include "watch/weather/weather.h"

#include "core/config.h"
#include "host/runtime.h"

WeatherState weatherState;

namespace {

const uint32_t WEATHER_REFRESH_INTERVAL_MIN_MS = 60000;  // 1 min

}  // namespace

void clearWeatherData() { weatherState = WeatherState(); }

// PENDING: request the OpenWeatherMap current-weather JSON, parse it into
// weatherState and report it with noteWeatherFetchResult. For now it only
// records the attempt time (so the refresh cadence holds) and yields no data.
bool fetchWeatherData() {
  weatherState.lastAttemptMillis = millis();
  return false;
}

uint32_t weatherRefreshIntervalMs() {
  return max(WEATHER_REFRESH_INTERVAL_MIN_MS, (uint32_t)cfg.weatherRefreshMinutes * 60000u);
}

bool pollWeatherWatch() {
  if (!refreshDue(millis(), weatherState.lastAttemptMillis, weatherRefreshIntervalMs())) return false;
  return fetchWeatherData();
}

bool weatherBackgroundRefreshDue(uint32_t now) {
  return weatherConfigured() && refreshDue(now, weatherState.lastAttemptMillis, weatherRefreshIntervalMs());
}

// PENDING: the forecast is fetched here for the HEARD page once the forecast
// fetcher exists.
void weatherSourceSelected(Page page) {
  if (page != PAGE_LAST && weatherConfigured()) fetchWeatherData();
}

void weatherConfigFinalized() {
  if (!weatherConfigured()) clearWeatherData();
}

void weatherConfigApplied() {
  if (weatherConfigured()) {
    fetchWeatherData();
  } else {
    clearWeatherData();
  }
}

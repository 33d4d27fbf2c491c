// Weather watch source: current conditions and forecast from OpenWeatherMap.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

// Current-weather record (the fields every watch source carries).
struct WeatherState {
  bool valid = false;
  bool fetchInProgress = false;
  uint32_t lastSuccessMillis = 0;
  uint32_t lastAttemptMillis = 0;  // 0 = never (due now)
  int lastHttpCode = 0;
};

extern WeatherState weatherState;

// True when weather is switched on and latitude, longitude and API key are set.
bool weatherConfigured();
// Drops all weather data (the configuration was applied).
void clearWeatherData();
// Fetches the current weather; true when it produced data.
bool fetchWeatherData();

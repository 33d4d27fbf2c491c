// Weather watch source: current conditions and forecast from OpenWeatherMap.
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "core/view.h"
#include "host/wstring.h"

// Weather record: its fetch status and data.
struct WeatherState : WatchFetchStatus {};

extern WeatherState weatherState;

// Drops all weather data (the configuration was applied).
void clearWeatherData();
// Fetches the current weather; true when it produced data.
bool fetchWeatherData();

// Refresh interval: the configured minutes, at least one minute.
uint32_t weatherRefreshIntervalMs();
// Poll while weather is the current source: a fetch when the refresh is due.
bool pollWeatherWatch();
// Background refresh due now (configured, never tried or interval passed).
bool weatherBackgroundRefreshDue(uint32_t now);
// Weather was chosen for a page: the current weather is fetched at once for
// the LIVE page when weather is configured.
void weatherSourceSelected(Page page);
// Configuration finalised: data of an unusable weather setup is dropped.
void weatherConfigFinalized();
// Configuration applied at run time: fetch now, or drop the data.
void weatherConfigApplied();

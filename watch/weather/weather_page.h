// Weather watch pages: "WEATHER WATCH" (LIVE) and "WEATHER FORECAST" (HEARD).
#pragma once

#include "core/watch_source.h"

extern const WatchSourceRow WEATHER_WATCH_ROW;

void drawWeatherLivePage();
void drawWeatherForecastPage();

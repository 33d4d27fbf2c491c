// Weather watch source: current conditions and forecast from OpenWeatherMap.
#pragma once

// True when weather is switched on and latitude, longitude and API key are set.
bool weatherConfigured();
// Drops all weather data (the configuration was applied).
void clearWeatherData();

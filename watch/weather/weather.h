// Weather watch source: current conditions and a three-day outlook for one
// location from the OpenWeatherMap current-weather and 5-day/3-hour
// forecast APIs.
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "core/view.h"
#include "host/wstring.h"

// Outlook days kept and forecast entries asked for (4 days of 3-hour steps).
static const int WEATHER_FORECAST_DAY_COUNT = 3;
static const int WEATHER_FORECAST_ENTRY_COUNT = 32;
// sampleScore of a day that has no chosen sample yet.
static const int WEATHER_FORECAST_NO_SAMPLE_SCORE = 999;
// Longest icon code taken from an answer (the codes are "01d" .. "50n").
static const int WEATHER_ICON_CODE_MAX_CHARS = 4;

// One outlook day.
struct WeatherForecastDay {
  bool valid = false;
  String date;      // "YYYY-MM-DD", the first 10 characters of dt_txt
  String dayLabel;  // "SUN".."SAT", or "DAY"
  String icon;      // icon code of the sample closest to 12:00
  String summary;   // description (or main group) of that sample
  float tempMinC = 0;
  float tempMaxC = 0;
  int popPercent = 0;                                  // highest precipitation probability, 0..100
  int sampleScore = WEATHER_FORECAST_NO_SAMPLE_SCORE;  // hours of the chosen sample from 12:00
};

// The weather record: fetch status of the current conditions, the
// conditions themselves and the outlook.
struct WeatherState : WatchFetchStatus {
  float tempC = 0, feelsLikeC = 0, tempMinC = 0, tempMaxC = 0;
  float windSpeedMs = 0;
  int windDeg = 0;  // 0 also stands for "not given"
  int humidity = 0;
  int pressureHpa = 0;  // 0 = not given
  int visibilityM = 0;  // 0 = not given
  String icon, summary, description, location;

  WeatherForecastDay forecast[WEATHER_FORECAST_DAY_COUNT];
  uint8_t forecastCount = 0;
  int forecastLastHttpCode = 0;
  String forecastError;  // empty after a good forecast
  uint32_t forecastLastSuccessMillis = 0;
  bool forecastFetchInProgress = false;  // a forecast request is out
};

extern WeatherState weatherState;

// Drops all weather data and the outlook (the configuration was applied).
void clearWeatherData();

// Request URLs: cfg.weatherApiBaseUrl + "/data/2.5/weather" (or
// "/data/2.5/forecast" with cnt=32) + lat, lon, metric units and the key,
// each value URL-encoded; empty when weather is not configured.
String weatherRequestUrl();
String weatherForecastRequestUrl();

// True for an icon code of 1 to 4 characters of [0-9A-Za-z]: only such a
// code becomes part of a storage path.
bool weatherIconCodeUsable(const String& code);

// Texts of the pages.
// Rounded temperature + " C"; empty without data.
String weatherDisplayText();
// Icon file of the current conditions (large / 32 px): the full code, then
// its first two characters; empty without data or file.
String weatherIconPath();
String weatherIconPath32();
// The same lookup for any code; prefer32 tries the two "_32.png" names first.
String weatherIconPathForCode(const String& iconCode, bool prefer32);
// 32 px icon of outlook day index; empty out of range or without file.
String weatherForecastIconPath(int index);
// "SUN".."SAT" for a "YYYY-MM-DD" date, "DAY" for anything else.
String weatherForecastDayLabelFromDate(const String& dateText);
// Trimmed text with its first letter upper-cased, "Forecast" when empty.
String weatherForecastSummaryShort(const String& text);
// Description (or group) with its first letter upper-cased, "Weather
// updated" when both are empty; empty without data.
String weatherDetailSummary();
// 8-point compass name; empty for 0 degrees and below.
String weatherCompassDirectionText(int deg);
// "7.2 km/h SW", "36 km/h"; "-" without data.
String weatherWindText();
// "999 m", "10.0 km"; "-" without data or visibility.
String weatherVisibilityText();
// "Fetching...", the age of the last success, "HTTP n" / "Failed", "Waiting".
String weatherLastUpdatedText();

// Scanners of the two answers. The current-weather parse changes
// weatherState only when it succeeds; the forecast parse fills the outlook
// days and forecastError.
bool desktopParseWeatherResponseRaw(const String& payload);
bool parseWeatherForecastPayloadRaw(const String& payload);

// Starts the current-weather request; true when a request was started (its
// answer is applied later, on the main thread).
bool fetchWeatherData();
// Starts the forecast request (the outlook is cleared first); true when a
// request was started or one is already out; false with forecastError set.
bool fetchWeatherForecastData();

// Refresh interval: the configured minutes, at least one minute.
uint32_t weatherRefreshIntervalMs();
// Poll while weather is the current source: a fetch when the refresh is due.
bool pollWeatherWatch();
// Background refresh due now (configured, never tried or interval passed).
bool weatherBackgroundRefreshDue(uint32_t now);
// Weather was chosen for a page: the forecast is fetched at once for the
// HEARD page, the current weather for any other, when weather is configured.
void weatherSourceSelected(Page page);
// The forecast tab was tapped while weather is the source.
void weatherHeardTabTapped();
// Configuration finalised: data of an unusable weather setup is dropped;
// requests still out are forgotten (their answers are dropped).
void weatherConfigFinalized();
// Configuration applied at run time: the data is dropped; the background
// refresh fetches it anew within a second, when the network may be used.
void weatherConfigApplied();

// Weather watch source: record, request URLs, the texts of the pages, the
// two scanners, the fetchers and their cadence.
#include "watch/weather/weather.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>

#include "core/config.h"
#include "core/data_json.h"
#include "core/device_log.h"
#include "core/watch_source.h"
#include "enrichment/radioid.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "hotspot/fetch_worker.h"
#include "network/wifi.h"
#include "watch/weather/weather_json.h"

WeatherState weatherState;

namespace {

const uint32_t WEATHER_REFRESH_INTERVAL_MIN_MS = 60000;  // 1 min
const char* const WEATHER_CURRENT_PATH = "/data/2.5/weather";
const char* const WEATHER_FORECAST_PATH = "/data/2.5/forecast";
const char* const WEATHER_ACCEPT = "application/json";
const char* const WEEKDAY_LABELS[7] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
const char* const COMPASS_POINTS[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

String withFirstLetterUpper(const String& s) {
  String t = trimmedCopy(s);
  if (!t.isEmpty()) t.setCharAt(0, (char)toupper((unsigned char)t[0]));
  return t;
}

// The API origin without trailing slashes.
String weatherApiBase() {
  String base = trimmedCopy(cfg.weatherApiBaseUrl);
  if (base.isEmpty()) base = WEATHER_API_BASE_URL_DEFAULT;
  while (base.endsWith("/")) base = base.substring(0, (int)base.length() - 1);
  return base;
}

String weatherUrl(const char* path, const char* unitsAndCount) {
  if (!weatherConfigured()) return String("");
  return weatherApiBase() + path + "?lat=" + urlEncodeComponent(trimmedCopy(cfg.weatherLat)) +
         "&lon=" + urlEncodeComponent(trimmedCopy(cfg.weatherLon)) + unitsAndCount +
         urlEncodeComponent(trimmedCopy(cfg.weatherApiKey));
}

// Days since 1970-01-01 of a civil date (years starting in March, eras of
// 400 years = 146097 days).
long daysFromCivil(long y, long m, long d) {
  y -= m <= 2 ? 1 : 0;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

void clearWeatherData() { weatherState = WeatherState(); }

String weatherRequestUrl() { return weatherUrl(WEATHER_CURRENT_PATH, "&units=metric&appid="); }

String weatherForecastRequestUrl() {
  return weatherUrl(WEATHER_FORECAST_PATH, "&units=metric&cnt=32&appid=");
}

bool weatherIconCodeUsable(const String& code) {
  const unsigned int n = code.length();
  if (n < 1 || n > (unsigned int)WEATHER_ICON_CODE_MAX_CHARS) return false;
  for (unsigned int i = 0; i < n; ++i) {
    if (!isalnum((unsigned char)code[i])) return false;
  }
  return true;
}

// ---------------------------------------------------------------- icons

String weatherIconPathForCode(const String& iconCode, bool prefer32) {
  const String code = trimmedCopy(iconCode);
  if (code.length() <= 1 || !weatherIconCodeUsable(code)) return String("");
  const String shortCode = code.substring(0, 2);
  const char* endings[2] = {prefer32 ? "_32.png" : ".png", prefer32 ? ".png" : "_32.png"};
  const int tries = prefer32 ? 2 : 1;
  for (int e = 0; e < tries; ++e) {
    const String full = String("/weather/") + code + endings[e];
    if (storageExists(full)) return full;
    const String fallback = String("/weather/") + shortCode + endings[e];
    if (storageExists(fallback)) return fallback;
  }
  return String("");
}

static String currentIconPath(const char* ending) {
  if (!weatherState.valid) return String("");
  const String code = trimmedCopy(weatherState.icon);
  if (code.length() <= 1 || !weatherIconCodeUsable(code)) return String("");
  const String full = String("/weather/") + code + ending;
  if (storageExists(full)) return full;
  const String fallback = String("/weather/") + code.substring(0, 2) + ending;
  if (storageExists(fallback)) return fallback;
  return String("");
}

String weatherIconPath() { return currentIconPath(".png"); }

String weatherIconPath32() { return currentIconPath("_32.png"); }

String weatherForecastIconPath(int index) {
  if (index < 0 || index >= weatherState.forecastCount || index >= WEATHER_FORECAST_DAY_COUNT)
    return String("");
  return weatherIconPathForCode(weatherState.forecast[index].icon, true);
}

// ---------------------------------------------------------------- texts

String weatherDisplayText() {
  if (!weatherState.valid) return String("");
  return String(lroundf(weatherState.tempC)) + " C";
}

String weatherForecastDayLabelFromDate(const String& dateText) {
  int year = 0, month = 0, day = 0;
  if (sscanf(dateText.c_str(), "%d-%d-%d", &year, &month, &day) != 3) return String("DAY");
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31) return String("DAY");
  long weekday = (daysFromCivil(year, month, day) + 4) % 7;
  if (weekday < 0) weekday += 7;
  return String(WEEKDAY_LABELS[weekday]);
}

String weatherForecastSummaryShort(const String& text) {
  const String t = withFirstLetterUpper(text);
  return t.isEmpty() ? String("Forecast") : t;
}

String weatherDetailSummary() {
  if (!weatherState.valid) return String("");
  String t = trimmedCopy(weatherState.description);
  if (t.isEmpty()) t = trimmedCopy(weatherState.summary);
  t = withFirstLetterUpper(t);
  return t.isEmpty() ? String("Weather updated") : t;
}

String weatherCompassDirectionText(int deg) {
  if (deg <= 0) return String("");
  // Reduced first, so a degree value near INT_MAX cannot overflow.
  const int index = ((deg % 360) + 22) % 360 / 45;
  return String(COMPASS_POINTS[index]);
}

String weatherWindText() {
  if (!weatherState.valid) return String("-");
  const float kmh = weatherState.windSpeedMs * 3.6f;
  String text = kmh < 10.0f ? String(kmh, 1) : String(lroundf(kmh));
  text += " km/h";
  const String compass = weatherCompassDirectionText(weatherState.windDeg);
  if (!compass.isEmpty()) text += String(" ") + compass;
  return text;
}

String weatherVisibilityText() {
  if (!weatherState.valid || weatherState.visibilityM <= 0) return String("-");
  if (weatherState.visibilityM < 1000) return String(weatherState.visibilityM) + " m";
  return String(weatherState.visibilityM / 1000.0f, 1) + " km";
}

String weatherLastUpdatedText() { return watchFetchLastUpdatedText(weatherState); }

// ---------------------------------------------------------------- cadence

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

void weatherSourceSelected(Page page) {
  if (!weatherConfigured()) return;
  if (page == PAGE_LAST) {
    fetchWeatherForecastData();
  } else {
    fetchWeatherData();
  }
}

void weatherHeardTabTapped() {
  if (weatherConfigured()) fetchWeatherForecastData();
}

void weatherConfigFinalized() {
  if (!weatherConfigured()) {
    clearWeatherData();
    return;
  }
  weatherState.fetchInProgress = false;
  weatherState.forecastFetchInProgress = false;
}

void weatherConfigApplied() { clearWeatherData(); }

// ---------------------------------------------------------------- current weather

namespace {

// A number the data scanner found under key in json: trimmed, not empty,
// finite and not huge; out is untouched otherwise.
bool desktopJsonGetFloatRaw(const String& json, const char* key, float& out) {
  double v = 0;
  if (!weatherJsonParseNumber(desktopDataJsonGetValue(json, key), v)) return false;
  out = (float)v;
  return true;
}

// The same as a whole number (the fraction dropped); values beyond the int
// range count as absent.
bool desktopJsonGetIntRaw(const String& json, const char* key, int& out) {
  double v = 0;
  if (!weatherJsonParseNumber(desktopDataJsonGetValue(json, key), v)) return false;
  out = (int)v;
  return true;
}

float floatOr(const String& json, const char* key, float fallback) {
  float v = fallback;
  desktopJsonGetFloatRaw(json, key, v);
  return v;
}

int intOr(const String& json, const char* key, int fallback) {
  int v = fallback;
  desktopJsonGetIntRaw(json, key, v);
  return v;
}

String usableIcon(const String& raw) {
  const String code = trimmedCopy(raw);
  return weatherIconCodeUsable(code) ? code : String("");
}

void applyCurrentWeather(const String& payload, const String& main, const String& weather0,
                         const String& wind, float temp) {
  WeatherState& w = weatherState;
  w.tempC = temp;
  w.feelsLikeC = floatOr(main, "feels_like", temp);
  w.tempMinC = floatOr(main, "temp_min", temp);
  w.tempMaxC = floatOr(main, "temp_max", temp);
  w.pressureHpa = intOr(main, "pressure", 0);
  w.humidity = intOr(main, "humidity", 0);
  w.windSpeedMs = floatOr(wind, "speed", 0);
  w.windDeg = intOr(wind, "deg", 0);
  w.visibilityM = intOr(payload, "visibility", 0);
  w.icon = usableIcon(desktopDataJsonGetValue(weather0, "icon"));
  w.summary = trimmedCopy(desktopDataJsonGetValue(weather0, "main"));
  w.description = trimmedCopy(desktopDataJsonGetValue(weather0, "description"));
  if (w.description.isEmpty()) w.description = w.summary;
  w.location = trimmedCopy(desktopDataJsonGetValue(payload, "name"));
}

}  // namespace

bool desktopParseWeatherResponseRaw(const String& payload) {
  String main;
  if (!desktopDataJsonGetObject(payload, "main", main)) {
    setFooterText("Weather JSON: main missing", true);
    desktopTrace("[DESKTOP][WEATHER] JSON parse failed: main object missing. Snippet: %.220s\n",
                 payload.c_str());
    return false;
  }
  String weatherArray, weather0, wind;
  if (desktopDataJsonGetArray(payload, "weather", weatherArray)) {
    int pos = 0;
    desktopDataJsonNextObject(weatherArray, pos, weather0);
  }
  desktopDataJsonGetObject(payload, "wind", wind);
  float temp = 0;
  if (!desktopJsonGetFloatRaw(main, "temp", temp)) {
    setFooterText("Weather JSON: temp missing", true);
    desktopTrace("[DESKTOP][WEATHER] JSON parse failed: main.temp missing. Main snippet: %.180s\n",
                 main.c_str());
    return false;
  }
  applyCurrentWeather(payload, main, weather0, wind, temp);
  weatherState.valid = true;
  weatherState.lastSuccessMillis = millis();
  if (desktopVerboseTraceEnabled()) {
    const WeatherState& w = weatherState;
    desktopTrace("[DESKTOP][WEATHER] parsed weather: %.1f C, %s, %s.\n", (double)w.tempC,
                 w.description.isEmpty() ? "no description" : w.description.c_str(),
                 w.location.isEmpty() ? "no location" : w.location.c_str());
  }
  return true;
}

// ---------------------------------------------------------------- forecast

namespace {

// The slot of date among the used ones, else a fresh one; null when all
// three are taken by other dates.
WeatherForecastDay* forecastSlotFor(const String& date) {
  WeatherState& w = weatherState;
  for (int i = 0; i < w.forecastCount; ++i) {
    if (w.forecast[i].date == date) return &w.forecast[i];
  }
  if (w.forecastCount >= WEATHER_FORECAST_DAY_COUNT) return nullptr;
  WeatherForecastDay& day = w.forecast[w.forecastCount++];
  day = WeatherForecastDay();
  day.valid = true;
  day.date = date;
  day.dayLabel = weatherForecastDayLabelFromDate(date);
  return &day;
}

void addForecastTemperatures(WeatherForecastDay& day, const String& entry) {
  const float start = weatherState.valid ? weatherState.tempC : 0.0f;
  float temp = start, tmin = start, tmax = start;
  String main;
  if (weatherJsonGetObject(entry, "main", main)) {
    if (weatherJsonGetFloat(main, "temp", temp)) tmin = tmax = temp;
    weatherJsonGetFloat(main, "temp_min", tmin);
    weatherJsonGetFloat(main, "temp_max", tmax);
  }
  if (day.sampleScore == WEATHER_FORECAST_NO_SAMPLE_SCORE) {
    day.tempMinC = tmin;
    day.tempMaxC = tmax;
  } else {
    day.tempMinC = min(day.tempMinC, tmin);
    day.tempMaxC = max(day.tempMaxC, tmax);
  }
}

void addForecastPop(WeatherForecastDay& day, const String& entry) {
  float pop = 0;
  if (!weatherJsonGetFloat(entry, "pop", pop)) return;
  const long percent = constrain(lroundf(pop * 100.0f), 0L, 100L);
  day.popPercent = max(day.popPercent, (int)percent);
}

// The sample nearest to 12:00 gives the day its icon and summary; the
// earlier of two equally near samples wins.
void addForecastSample(WeatherForecastDay& day, const String& entry, const String& dtText) {
  const int hour = dtText.substring(11, 13).toInt();
  const int score = abs(hour - 12);
  if (score >= day.sampleScore) return;
  String weatherArray, weather0, value;
  if (weatherJsonGetArray(entry, "weather", weatherArray)) {
    int pos = 0;
    if (weatherJsonNextObject(weatherArray, pos, weather0)) {
      if (weatherJsonGetValue(weather0, "icon", value)) day.icon = usableIcon(value);
      if (weatherJsonGetValue(weather0, "description", value) || weatherJsonGetValue(weather0, "main", value))
        day.summary = trimmedCopy(value);
    }
  }
  day.sampleScore = score;
}

}  // namespace

bool parseWeatherForecastPayloadRaw(const String& payload) {
  WeatherState& w = weatherState;
  String list;
  if (!weatherJsonGetArray(payload, "list", list)) {
    w.forecastError = "Forecast list missing";
    return false;
  }
  String firstDate, entry, dtText;
  int pos = 1;  // inside the list's "["
  while (weatherJsonNextObject(list, pos, entry)) {
    if (!weatherJsonGetValue(entry, "dt_txt", dtText)) continue;
    dtText.trim();
    if (dtText.length() <= 12) continue;
    const String date = dtText.substring(0, 10);
    if (firstDate.isEmpty()) firstDate = date;
    if (date == firstDate) continue;
    WeatherForecastDay* day = forecastSlotFor(date);
    if (day == nullptr) continue;
    addForecastTemperatures(*day, entry);
    addForecastPop(*day, entry);
    addForecastSample(*day, entry, dtText);
  }
  if (w.forecastCount == 0) {
    w.forecastError = "No next-day forecast found";
    return false;
  }
  w.forecastError = "";
  w.forecastLastSuccessMillis = millis();
  return true;
}

// ---------------------------------------------------------------- fetchers

namespace {

// The weather page shows whether a request is out; other pages are left
// alone by the start and the failure of a background refresh.
void redrawWeatherPageIfShown() {
  if (isCurrentWatch(WATCH_WEATHER) && (currentPage == PAGE_LIVE || currentPage == PAGE_LAST)) requestRedraw();
}

// The current-weather answer last applied: the same bytes again change
// nothing drawn but the weather page's fetch state.
AppliedAnswer lastWeatherAnswer;

void applyWeatherAnswer(const FetchAnswer& answer, uint32_t startedAt) {
  WeatherState& w = weatherState;
  w.lastHttpCode = answer.code;
  const bool unchanged = answerUnchanged(lastWeatherAnswer, answer) && w.valid;
  bool ok = unchanged;
  if (unchanged) {
    w.lastSuccessMillis = millis();
  } else if (answer.ok) {
    ok = desktopParseWeatherResponseRaw(answer.payload);
    if (!ok) forgetAppliedAnswer(lastWeatherAnswer);
  }
  w.fetchInProgress = false;
  noteWeatherFetchResult(ok, answer.code);
  diagnosticsState.lastApiLatencyMs = millis() - startedAt;
  if (!answer.ok) desktopTrace("[DESKTOP][WEATHER] HTTP fetch failed, code %d.\n", answer.code);
  if (ok && !unchanged) {
    requestRedraw();
  } else {
    redrawWeatherPageIfShown();
  }
}

void applyForecastAnswer(const FetchAnswer& answer) {
  WeatherState& w = weatherState;
  w.forecastFetchInProgress = false;
  w.forecastLastHttpCode = answer.code;
  w.lastHttpCode = answer.code;
  if (!answer.ok) {
    w.forecastError =
        answer.code == 0 ? String("Forecast HTTP failed") : String("Forecast HTTP: ") + String(answer.code);
  } else if (!parseWeatherForecastPayloadRaw(answer.payload) && w.forecastError.isEmpty()) {
    w.forecastError = "Forecast parse failed";
  }
  redrawWeatherPageIfShown();
}

void resetForecast() {
  WeatherState& w = weatherState;
  w.forecastCount = 0;
  w.forecastError = "";
  w.forecastLastHttpCode = 0;
  for (WeatherForecastDay& day : w.forecast) day = WeatherForecastDay();
}

}  // namespace

bool fetchWeatherData() {
  static bool unavailableTraced = false;
  const bool configured = weatherConfigured();
  if (!configured || !wifiStationConnected()) {
    if (!unavailableTraced) {
      unavailableTraced = true;
      desktopTrace(configured
                       ? "[DESKTOP][WEATHER] WiFi/network status is not connected in desktop simulation.\n"
                       : "[DESKTOP][WEATHER] disabled or missing config. Set weather_enabled=true, "
                         "weather_lat, weather_lon, and weather_api_key in config.json.\n");
    }
    return false;
  }
  WeatherState& w = weatherState;
  if (w.fetchInProgress) return false;
  const String url = weatherRequestUrl();
  if (url.isEmpty()) return false;
  const uint32_t startedAt = millis();
  w.fetchInProgress = true;
  w.lastAttemptMillis = startedAt;
  if (!startFetch(FETCH_CHANNEL_WEATHER, url, WEATHER_ACCEPT, "",
                  [startedAt](const FetchAnswer& answer) { applyWeatherAnswer(answer, startedAt); })) {
    w.fetchInProgress = false;
    return false;
  }
  redrawWeatherPageIfShown();
  return true;
}

bool fetchWeatherForecastData() {
  WeatherState& w = weatherState;
  if (w.forecastFetchInProgress) return true;  // the answer on its way serves this request too
  resetForecast();
  if (!weatherConfigured()) {
    w.forecastError = "Weather setup incomplete";
    return false;
  }
  if (!wifiStationConnected()) {
    w.forecastError = "Wi-Fi not connected";
    return false;
  }
  const String url = weatherForecastRequestUrl();
  if (url.isEmpty()) {
    w.forecastError = "Forecast URL missing";
    return false;
  }
  w.forecastFetchInProgress = true;
  if (!startFetch(FETCH_CHANNEL_FORECAST, url, WEATHER_ACCEPT, "",
                  [](const FetchAnswer& answer) { applyForecastAnswer(answer); })) {
    w.forecastFetchInProgress = false;
    w.forecastError = "Forecast HTTP failed";
    return false;
  }
  redrawWeatherPageIfShown();
  return true;
}

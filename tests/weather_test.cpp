// Weather source: the current-weather and forecast scanners over real
// answers of the service (and broken, cut and hostile ones), the texts of
// the pages, the request URLs, and the fetchers against a local server.
#include "watch/weather/weather.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "core/config.h"
#include "core/device_log.h"
#include "core/view.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/fetch_worker.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/weather/weather_json.h"
#include "watch/weather/weather_page.h"

namespace {

std::string s(const String& v) { return v.c_str(); }
std::string owm(const char* name) { return readTestData(std::string("owm/") + name); }

class WeatherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(500000);
    cfg = AppConfig();
    cfg.weatherEnabled = true;
    cfg.weatherLat = "52.52";
    cfg.weatherLon = "13.405";
    cfg.weatherApiKey = "0123456789abcdef0123456789abcdef";
    clearWeatherData();
    root_ = makeTempDir("/tmp/qsodeck_weather_");
    ASSERT_FALSE(root_.empty());
    mkdir((root_ + "/weather").c_str(), 0755);
    SD.setRoot(root_.c_str());
  }
  void TearDown() override {
    ASSERT_TRUE(waitForFetchesIdle());
    desktopClearTestClock();
    removeTempDir(root_);
  }
  void iconFile(const std::string& name) { ASSERT_TRUE(writeWholeFile(root_ + "/weather/" + name, "png")); }
  bool parseCurrent(const std::string& payload) { return desktopParseWeatherResponseRaw(String(payload)); }
  bool parseForecast(const std::string& payload) { return parseWeatherForecastPayloadRaw(String(payload)); }

  std::string root_;
};

// ---------------------------------------------------------------------------
// Current weather, seen in real answers

struct CurrentCase {
  const char* name;
  std::string payload;
  float temp, feels, tmin, tmax, wind;
  int deg, humidity, pressure, visibility;
  const char* icon;
  const char* summary;
  const char* description;
  const char* location;
};

std::string metricBerlin() {
  // A metric answer in the service's shape (feels_like, no "rain" block).
  return "{\"coord\":{\"lon\":13.41,\"lat\":52.52},\"weather\":[{\"id\":803,\"main\":\"Clouds\",\"description\":"
         "\"broken clouds\",\"icon\":\"04n\"}],\"base\":\"stations\",\"main\":{\"temp\":-3.46,\"feels_like\":-8.2,"
         "\"temp_min\":-4.44,\"temp_max\":-2.22,\"pressure\":1031,\"humidity\":79},\"visibility\":650,"
         "\"wind\":{\"speed\":2.77,\"deg\":338},\"clouds\":{\"all\":75},\"dt\":1765204200,\"sys\":{\"type\":2,"
         "\"country\":\"DE\"},\"timezone\":3600,\"id\":2950159,\"name\":\"Berlin\",\"cod\":200}";
}

TEST_F(WeatherTest, CurrentAnswersFillTheRecord) {
  std::string noName = owm("current_kelvin_dresden_2017.json");
  noName.replace(noName.find("\"name\": \"Dresden\","), 18, "");
  const CurrentCase cases[] = {
      // Asked without units: the service answers in Kelvin and the values are taken as sent.
      {"kelvin", owm("current_kelvin_dresden_2017.json"), 292.15f, 292.15f, 292.15f, 292.15f, 2.6f, 220, 88,
       1018, 10000, "01d", "Clear", "clear sky", "Dresden"},
      {"rain block", owm("current_kelvin_rain_dresden_2017.json"), 290.15f, 290.15f, 290.15f, 290.15f, 3.1f,
       220, 93, 1017, 8000, "10d", "Rain", "heavy intensity rain", "Dresden"},
      {"metric", metricBerlin(), -3.46f, -8.2f, -4.44f, -2.22f, 2.77f, 338, 79, 1031, 650, "04n", "Clouds",
       "broken clouds", "Berlin"},
      {"no name", noName, 292.15f, 292.15f, 292.15f, 292.15f, 2.6f, 220, 88, 1018, 10000, "01d", "Clear",
       "clear sky", ""},
  };
  for (const CurrentCase& c : cases) {
    clearWeatherData();
    ASSERT_TRUE(parseCurrent(c.payload)) << c.name;
    const WeatherState& w = weatherState;
    EXPECT_TRUE(w.valid) << c.name;
    EXPECT_EQ(w.lastSuccessMillis, 500000u) << c.name;
    EXPECT_NEAR(w.tempC, c.temp, 0.001) << c.name;
    EXPECT_NEAR(w.feelsLikeC, c.feels, 0.001) << c.name;
    EXPECT_NEAR(w.tempMinC, c.tmin, 0.001) << c.name;
    EXPECT_NEAR(w.tempMaxC, c.tmax, 0.001) << c.name;
    EXPECT_NEAR(w.windSpeedMs, c.wind, 0.001) << c.name;
    EXPECT_EQ(w.windDeg, c.deg) << c.name;
    EXPECT_EQ(w.humidity, c.humidity) << c.name;
    EXPECT_EQ(w.pressureHpa, c.pressure) << c.name;
    EXPECT_EQ(w.visibilityM, c.visibility) << c.name;
    EXPECT_EQ(s(w.icon), c.icon) << c.name;
    EXPECT_EQ(s(w.summary), c.summary) << c.name;
    EXPECT_EQ(s(w.description), c.description) << c.name;
    EXPECT_EQ(s(w.location), c.location) << c.name;
  }
  // The metric answer as the pages show it.
  ASSERT_TRUE(parseCurrent(metricBerlin()));
  EXPECT_EQ(s(weatherDisplayText()), "-3 C");
  EXPECT_EQ(s(weatherDetailSummary()), "Broken clouds");
  EXPECT_EQ(s(weatherWindText()), "10.0 km/h N");  // 9.972 km/h, 338 degrees
  EXPECT_EQ(s(weatherVisibilityText()), "650 m");
}

TEST_F(WeatherTest, CurrentAnswerWithoutDescriptionFallsBackToTheGroup) {
  ASSERT_TRUE(parseCurrent("{\"weather\":[{\"main\":\"Mist\",\"icon\":\"50d\"}],\"main\":{\"temp\":4}}"));
  EXPECT_EQ(s(weatherState.description), "Mist");
  EXPECT_NEAR(weatherState.feelsLikeC, 4.0, 0.001);  // missing values fall back to temp
  EXPECT_EQ(weatherState.pressureHpa, 0);
  EXPECT_EQ(s(weatherVisibilityText()), "-");
  EXPECT_EQ(s(weatherWindText()), "0.0 km/h");
}

// ---------------------------------------------------------------------------
// Current weather: broken, cut and hostile answers

TEST_F(WeatherTest, BrokenCurrentAnswersChangeNothing) {
  ASSERT_TRUE(parseCurrent(metricBerlin()));
  const std::string full = owm("current_kelvin_dresden_2017.json");
  struct Bad {
    const char* name;
    std::string payload;
    const char* footer;
  };
  const Bad cases[] = {
      {"empty", "", "Weather JSON: main missing"},
      {"error answer", owm("error_401_invalid_key.json"), "Weather JSON: main missing"},
      {"html", "<html><body>502 Bad Gateway</body></html>", "Weather JSON: main missing"},
      {"main is a string", "{\"main\":\"Clear\",\"temp\":3}", "Weather JSON: main missing"},
      {"cut in main", full.substr(0, full.find("\"pressure\"")), "Weather JSON: main missing"},
      {"no temp", "{\"main\":{\"pressure\":1000}}", "Weather JSON: temp missing"},
      {"temp null", "{\"main\":{\"temp\":null}}", "Weather JSON: temp missing"},
      {"temp nan", "{\"main\":{\"temp\":nan}}", "Weather JSON: temp missing"},
      {"temp inf", "{\"main\":{\"temp\":\"inf\"}}", "Weather JSON: temp missing"},
      {"temp huge", "{\"main\":{\"temp\":1e40}}", "Weather JSON: temp missing"},
      {"temp text", "{\"main\":{\"temp\":\"warm\"}}", "Weather JSON: temp missing"},
      {"unterminated", "{\"main\":{\"temp\":\"12", "Weather JSON: main missing"},
      {"temp empty", "{\"main\":{\"temp\":\"\"}}", "Weather JSON: temp missing"},
  };
  for (const Bad& c : cases) {
    setFooterText("", false);
    EXPECT_FALSE(parseCurrent(c.payload)) << c.name;
    EXPECT_EQ(s(footerText), c.footer) << c.name;
    EXPECT_EQ(s(weatherState.location), "Berlin") << c.name;  // the earlier data stay
    EXPECT_NEAR(weatherState.tempC, -3.46, 0.001) << c.name;
  }
}

TEST_F(WeatherTest, HostileNumbersAndIconCodesCountAsAbsent) {
  iconFile("01d_32.png");
  const std::string payload =
      "{\"weather\":[{\"main\":\"Clear\",\"icon\":\"../../config.json\"}],\"main\":{\"temp\":1.5,"
      "\"feels_like\":nan,\"temp_min\":-inf,\"temp_max\":1e40,\"pressure\":1e300,\"humidity\":99999999999},"
      "\"visibility\":\"-nan\",\"wind\":{\"speed\":inf,\"deg\":2147483647}}";
  ASSERT_TRUE(parseCurrent(payload));
  const WeatherState& w = weatherState;
  EXPECT_NEAR(w.feelsLikeC, 1.5, 0.001);
  EXPECT_NEAR(w.tempMinC, 1.5, 0.001);
  EXPECT_NEAR(w.tempMaxC, 1.5, 0.001);
  EXPECT_EQ(w.pressureHpa, 0);
  EXPECT_EQ(w.humidity, 0);
  EXPECT_EQ(w.visibilityM, 0);
  EXPECT_EQ(w.windSpeedMs, 0.0f);
  EXPECT_EQ(w.windDeg, 0);  // beyond the number limit as well
  EXPECT_EQ(s(w.icon), "");
  EXPECT_EQ(s(weatherIconPath32()), "");
  for (const char* code : {"01d/..", "01d\\x", "1 d", "01d01", "", "%2e%2e"}) {
    EXPECT_FALSE(weatherIconCodeUsable(code)) << code;
  }
  for (const char* code : {"01d", "1", "50n", "abcd"}) EXPECT_TRUE(weatherIconCodeUsable(code)) << code;
}

// ---------------------------------------------------------------------------
// Forecast, seen in real answers

struct ForecastDayCase {
  const char* date;
  const char* label;
  float tmin, tmax;
  int pop;
  const char* icon;
  const char* summary;
};

TEST_F(WeatherTest, ForecastAnswersAggregateThreeNextDays) {
  struct Case {
    const char* file;
    ForecastDayCase days[3];
  };
  const Case cases[] = {
      {"forecast_metric_london_2020.json",
       {{"2020-10-22", "THU", 12.09f, 16.3f, 8, "03d", "scattered clouds"},
        {"2020-10-23", "FRI", 10.4f, 15.39f, 85, "10d", "light rain"},
        {"2020-10-24", "SAT", 9.16f, 15.53f, 31, "04d", "overcast clouds"}}},
      {"forecast_kelvin_2018_no_pop.json",
       {{"2018-07-31", "TUE", 292.955f, 306.288f, 0, "01d", "clear sky"},
        {"2018-08-01", "WED", 293.549f, 304.965f, 0, "10d", "light rain"},
        {"2018-08-02", "THU", 291.548f, 303.401f, 0, "02d", "few clouds"}}},
      {"forecast_kelvin_snow_2018.json",
       {{"2018-11-25", "SUN", 269.576f, 278.28f, 0, "10d", "light rain"},
        {"2018-11-26", "MON", 270.73f, 273.58f, 0, "13d", "light snow"},
        {"2018-11-27", "TUE", 266.319f, 271.886f, 0, "01d", "clear sky"}}},
  };
  for (const Case& c : cases) {
    clearWeatherData();
    weatherState.forecastError = "stale";
    ASSERT_TRUE(parseForecast(owm(c.file))) << c.file;
    EXPECT_EQ(weatherState.forecastCount, 3) << c.file;
    EXPECT_EQ(s(weatherState.forecastError), "") << c.file;
    EXPECT_EQ(weatherState.forecastLastSuccessMillis, 500000u);
    for (int i = 0; i < 3; ++i) {
      const WeatherForecastDay& d = weatherState.forecast[i];
      const ForecastDayCase& e = c.days[i];
      EXPECT_TRUE(d.valid);
      EXPECT_EQ(s(d.date), e.date) << c.file << " day " << i;
      EXPECT_EQ(s(d.dayLabel), e.label) << c.file << " day " << i;
      EXPECT_NEAR(d.tempMinC, e.tmin, 0.01) << c.file << " day " << i;
      EXPECT_NEAR(d.tempMaxC, e.tmax, 0.01) << c.file << " day " << i;
      EXPECT_EQ(d.popPercent, e.pop) << c.file << " day " << i;
      EXPECT_EQ(s(d.icon), e.icon) << c.file << " day " << i;
      EXPECT_EQ(s(d.summary), e.summary) << c.file << " day " << i;
      EXPECT_EQ(d.sampleScore, 0) << c.file << " day " << i;  // a 12:00 sample exists
    }
  }
}

std::string entry(const char* dt, float tmin, float tmax, const char* icon, const char* desc,
                  const char* pop = nullptr) {
  std::string e = "{\"main\":{\"temp\":" + std::to_string((tmin + tmax) / 2) +
                  ",\"temp_min\":" + std::to_string(tmin) + ",\"temp_max\":" + std::to_string(tmax) +
                  "},\"weather\":[{\"main\":\"X\"," + "\"description\":\"" + desc + "\",\"icon\":\"" + icon +
                  "\"}]";
  if (pop != nullptr) e += std::string(",\"pop\":") + pop;
  return e + ",\"dt_txt\":\"" + dt + "\"}";
}

std::string list(std::initializer_list<std::string> entries) {
  std::string out = "{\"cod\":\"200\",\"list\":[";
  bool first = true;
  for (const std::string& e : entries) {
    out += (first ? "" : ",") + e;
    first = false;
  }
  return out + "],\"city\":{\"name\":\"Town\"}}";
}

TEST_F(WeatherTest, ForecastAggregationRules) {
  // 09:00 and 15:00 tie on score 3: the earlier sample gives icon and
  // summary; a 4th date is ignored; pop 0.999 is 100 and a missing pop
  // keeps the day's value; the first date is today and is skipped.
  const std::string payload = list({
      entry("2025-12-07 21:00:00", -9, 30, "01n", "today"),
      entry("2025-12-08 09:00:00", 1, 4, "10d", "morning rain", "0.2"),
      entry("2025-12-08 15:00:00", 0, 6, "01d", "afternoon sun", "0.999"),
      entry("2025-12-08 18:00:00", -2, 3, "01n", "evening"),
      entry("2025-12-09 00:00:00", -5, -1, "13n", "snow at night"),
      entry("2025-12-10 12:00:00", 2, 3, "04d", "grey"),
      entry("2025-12-11 12:00:00", -40, 40, "11d", "fourth day"),
      entry("2025-12-09 06:00:00", -7, 8, "50d", "fog", "0.45"),
  });
  ASSERT_TRUE(parseForecast(payload));
  ASSERT_EQ(weatherState.forecastCount, 3);
  const WeatherForecastDay* d = weatherState.forecast;
  EXPECT_EQ(s(d[0].dayLabel), "MON");
  EXPECT_EQ(s(d[0].icon), "10d");
  EXPECT_EQ(s(d[0].summary), "morning rain");
  EXPECT_EQ(d[0].popPercent, 100);
  EXPECT_EQ(d[0].tempMinC, -2.0f);
  EXPECT_EQ(d[0].tempMaxC, 6.0f);
  EXPECT_EQ(s(d[1].date), "2025-12-09");
  EXPECT_EQ(s(d[1].icon), "50d");  // 06:00 is nearer to noon than 00:00
  EXPECT_EQ(d[1].tempMinC, -7.0f);
  EXPECT_EQ(d[1].tempMaxC, 8.0f);
  EXPECT_EQ(d[1].popPercent, 45);
  EXPECT_EQ(s(d[2].date), "2025-12-10");
  EXPECT_EQ(d[2].popPercent, 0);
  EXPECT_EQ(s(weatherForecastSummaryShort(d[1].summary)), "Fog");
}

TEST_F(WeatherTest, ForecastWithoutNextDaysOrListFails) {
  EXPECT_FALSE(parseForecast(list(
      {entry("2025-12-08 09:00:00", 1, 2, "01d", "a"), entry("2025-12-08 12:00:00", 1, 2, "01d", "b")})));
  EXPECT_EQ(s(weatherState.forecastError), "No next-day forecast found");
  EXPECT_FALSE(parseForecast(owm("error_400_wrong_latitude.json")));
  EXPECT_EQ(s(weatherState.forecastError), "Forecast list missing");
  // Entries without a usable dt_txt are skipped.
  EXPECT_FALSE(parseForecast("{\"list\":[{\"dt_txt\":\"2025-12-08\"},{\"dt\":1},{\"dt_txt\":5}]}"));
  EXPECT_EQ(s(weatherState.forecastError), "No next-day forecast found");
}

TEST_F(WeatherTest, ForecastWithoutMainStartsFromTheCurrentTemperature) {
  ASSERT_TRUE(parseCurrent(metricBerlin()));
  ASSERT_TRUE(parseForecast(
      "{\"list\":[{\"dt_txt\":\"2025-12-08 12:00:00\"},{\"dt_txt\":\"2025-12-09 12:00:00\"}]}"));
  EXPECT_NEAR(weatherState.forecast[0].tempMinC, -3.46, 0.001);
  EXPECT_EQ(s(weatherState.forecast[0].icon), "");
  EXPECT_EQ(weatherState.forecast[0].sampleScore, 0);
}

TEST_F(WeatherTest, CutAndHostileForecastsNeverReachBeyondTheText) {
  const std::string full = owm("forecast_metric_london_2020.json");
  for (size_t cut = 0; cut < full.size(); cut += 97) {
    clearWeatherData();
    const bool ok = parseForecast(full.substr(0, cut));
    EXPECT_LE(weatherState.forecastCount, 3);
    if (!ok) {
      EXPECT_FALSE(weatherState.forecastError.isEmpty()) << cut;
      EXPECT_EQ(weatherState.forecastCount, 0) << cut;  // the list never closed
    }
  }
  const char* hostile[] = {
      "{\"list\":[",
      "{\"list\":\"[\"}",
      "{\"list\":[{\"dt_txt\":\"\\\"\\\\\\\"\",\"main\":{\"temp\":\"}\"}}]}",
      "{\"list\":[{\"dt_txt\":\"2025-12-09 1",
      "{\"list\":[[[[[[[[[[[[[[[[[[[[[[{]]]]]]]]]]]]]]]]]]]]]]}",
      "{\"list\":[{\"dt_txt\":\"2025-12-08 12:00\"},{\"dt_txt\":\"9999-99-99 99:99\",\"pop\":1e999}]}",
  };
  for (const char* h : hostile) {
    clearWeatherData();
    parseForecast(h);
    EXPECT_LE(weatherState.forecastCount, 1) << h;
    if (weatherState.forecastCount == 1) {
      EXPECT_EQ(s(weatherState.forecast[0].dayLabel), "DAY") << h;
      EXPECT_EQ(weatherState.forecast[0].popPercent, 0) << h;
    }
  }
}

// ---------------------------------------------------------------------------
// Scanner pieces

TEST_F(WeatherTest, ScannerTakesTheFirstHitAndDecodesEscapes) {
  String out;
  int end = 0;
  EXPECT_TRUE(weatherJsonReadStringAt("\"a\\tb\\\"c\\u00e9\\/\"", 0, out, end));
  EXPECT_EQ(s(out), "a\tb\"cu00e9/");
  EXPECT_FALSE(weatherJsonReadStringAt("\"open", 0, out, end));
  EXPECT_EQ(weatherJsonFindKeyValue("{\"k\" \"k\": 5}", "k"), 10);
  EXPECT_EQ(weatherJsonFindKeyValue("{\"k\"", "k"), -1);
  // The first "main" hit is a string: no object for the forecast scanner.
  EXPECT_FALSE(
      weatherJsonGetObject("{\"weather\":[{\"main\":\"Rain\"}],\"main\":{\"temp\":1}}", "main", out));
  EXPECT_TRUE(weatherJsonGetObject("{\"main\": {\"a\":\"}\",\"b\":{}} }", "main", out));
  EXPECT_EQ(s(out), "{\"a\":\"}\",\"b\":{}}");
  float f = 7;
  EXPECT_FALSE(weatherJsonGetFloat("{\"pop\":  }", "pop", f));
  EXPECT_TRUE(weatherJsonGetFloat("{\"pop\": 0.25 }", "pop", f));
  EXPECT_EQ(f, 0.25f);
}

// ---------------------------------------------------------------------------
// Texts

TEST_F(WeatherTest, TextFunctions) {
  weatherState.valid = true;
  const struct {
    float speed;
    int deg;
    const char* text;
  } winds[] = {{2, 0, "7.2 km/h"},        {9.99f, 338, "36 km/h N"}, {1, 22, "3.6 km/h N"},
               {1, 23, "3.6 km/h NE"},    {1, 225, "3.6 km/h SW"},   {0, -90, "0.0 km/h"},
               {5, INT_MAX, "18 km/h SE"}};
  for (const auto& c : winds) {
    weatherState.windSpeedMs = c.speed;
    weatherState.windDeg = c.deg;
    EXPECT_EQ(s(weatherWindText()), c.text) << c.deg;
  }
  const struct {
    int m;
    const char* text;
  } vis[] = {{10000, "10.0 km"}, {999, "999 m"}, {0, "-"}, {-5, "-"}, {1500, "1.5 km"}};
  for (const auto& c : vis) {
    weatherState.visibilityM = c.m;
    EXPECT_EQ(s(weatherVisibilityText()), c.text) << c.m;
  }
  const struct {
    const char* date;
    const char* label;
  } dates[] = {{"2025-12-08", "MON"}, {"1970-01-01", "THU"}, {"2000-02-29", "TUE"},
               {"2025-13-01", "DAY"}, {"1969-12-31", "DAY"}, {"2025-12", "DAY"},
               {"", "DAY"},           {"2025-12-32", "DAY"}, {"2400-03-01", "WED"}};
  for (const auto& c : dates) EXPECT_EQ(s(weatherForecastDayLabelFromDate(c.date)), c.label) << c.date;
  EXPECT_EQ(s(weatherForecastSummaryShort("  light rain ")), "Light rain");
  EXPECT_EQ(s(weatherForecastSummaryShort("   ")), "Forecast");
  weatherState.description = "";
  weatherState.summary = "";
  EXPECT_EQ(s(weatherDetailSummary()), "Weather updated");
  weatherState.tempC = -0.5f;
  EXPECT_EQ(s(weatherDisplayText()), "-1 C");
  weatherState.valid = false;
  EXPECT_EQ(s(weatherDisplayText()), "");
  EXPECT_EQ(s(weatherWindText()), "-");
  EXPECT_EQ(s(weatherDetailSummary()), "");
}

TEST_F(WeatherTest, LastUpdatedText) {
  EXPECT_EQ(s(weatherLastUpdatedText()), "Waiting");
  weatherState.lastAttemptMillis = 400000;
  weatherState.lastHttpCode = 401;
  EXPECT_EQ(s(weatherLastUpdatedText()), "HTTP 401");
  weatherState.lastSuccessMillis = 380000;
  EXPECT_EQ(s(weatherLastUpdatedText()), "2m ago");
  weatherState.fetchInProgress = true;
  EXPECT_EQ(s(weatherLastUpdatedText()), "Fetching...");
}

TEST_F(WeatherTest, IconPathsTryTheFullCodeThenTheShortOne) {
  iconFile("10.png");
  iconFile("10_32.png");
  iconFile("01d_32.png");
  iconFile("01d.png");
  weatherState.valid = true;
  weatherState.icon = "10n";
  EXPECT_EQ(s(weatherIconPath()), "/weather/10.png");
  EXPECT_EQ(s(weatherIconPath32()), "/weather/10_32.png");
  weatherState.icon = " 01d ";
  EXPECT_EQ(s(weatherIconPath32()), "/weather/01d_32.png");
  weatherState.icon = "1";
  EXPECT_EQ(s(weatherIconPath()), "");
  weatherState.icon = "09d";
  EXPECT_EQ(s(weatherIconPath()), "");
  weatherState.valid = false;
  weatherState.icon = "01d";
  EXPECT_EQ(s(weatherIconPath()), "");
  // Forecast icons prefer the 32 px names, then the large ones.
  iconFile("13.png");
  EXPECT_EQ(s(weatherIconPathForCode("13d", true)), "/weather/13.png");
  EXPECT_EQ(s(weatherIconPathForCode("10d", true)), "/weather/10_32.png");
  EXPECT_EQ(s(weatherIconPathForCode("10d", false)), "/weather/10.png");
  EXPECT_EQ(s(weatherIconPathForCode("../01d", true)), "");
  weatherState.forecastCount = 1;
  weatherState.forecast[0].icon = "01d";
  EXPECT_EQ(s(weatherForecastIconPath(0)), "/weather/01d_32.png");
  EXPECT_EQ(s(weatherForecastIconPath(1)), "");
  EXPECT_EQ(s(weatherForecastIconPath(-1)), "");
}

// ---------------------------------------------------------------------------
// Request URLs

TEST_F(WeatherTest, RequestUrlsUseTheConfiguredOriginAndEncodeValues) {
  cfg.weatherApiBaseUrl = "https://api.openweathermap.org";
  EXPECT_EQ(s(weatherRequestUrl()),
            "https://api.openweathermap.org/data/2.5/weather?lat=52.52&lon=13.405&units=metric&appid="
            "0123456789abcdef0123456789abcdef");
  cfg.weatherApiBaseUrl = " http://127.0.0.1:8080/owm/ ";
  cfg.weatherLat = " -33.8688 ";
  cfg.weatherApiKey = "a&b=c d";
  EXPECT_EQ(
      s(weatherForecastRequestUrl()),
      "http://127.0.0.1:8080/owm/data/2.5/forecast?lat=-33.8688&lon=13.405&units=metric&cnt=32&appid=a%26b%3Dc%20d");
  cfg.weatherApiBaseUrl = "";
  EXPECT_EQ(s(weatherRequestUrl()).rfind("https://api.openweathermap.org/data/2.5/weather?", 0), 0u);
  cfg.weatherApiKey = "  ";
  EXPECT_EQ(s(weatherRequestUrl()), "");
  EXPECT_EQ(s(weatherForecastRequestUrl()), "");
}

// ---------------------------------------------------------------------------
// Fetchers against a local server

class WeatherFetchTest : public WeatherTest {
 protected:
  void SetUp() override {
    WeatherTest::SetUp();
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
      const bool forecast = req.target.find("/forecast") != std::string::npos;
      const int code = forecast ? forecastCode_ : currentCode_;
      const std::string body = forecast ? forecastBody_ : currentBody_;
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(code, "Answer", body));
    }));
    cfg.weatherApiBaseUrl = server_->url("").c_str();
    currentBody_ = metricBerlin();
    forecastBody_ = owm("forecast_metric_london_2020.json");
  }
  void TearDown() override {
    WeatherTest::TearDown();
    server_.reset();
  }
  std::unique_ptr<LocalHttpServer> server_;
  int currentCode_ = 200, forecastCode_ = 200;
  std::string currentBody_, forecastBody_;
};

bool ringHas(const char* message) {
  for (uint8_t i = 0; i < webLogCount; ++i) {
    if (webLogEntryAt(i)->message == message) return true;
  }
  return false;
}

// Weather refreshes in the background: the same answer again redraws
// nothing while another page is shown.
TEST_F(WeatherFetchTest, AnUnchangedAnswerRedrawsNothingBehindOtherPages) {
  ASSERT_NE(currentWatchSource, WATCH_WEATHER);
  ASSERT_TRUE(fetchWeatherData());
  ASSERT_TRUE(waitForFetchesIdle());
  ASSERT_TRUE(weatherState.valid);
  EXPECT_TRUE(uiDirty);
  clearRedrawFlags();
  desktopSetTestClock(millis() + 60000);
  ASSERT_TRUE(fetchWeatherData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_FALSE(anyRedrawFlagSet());
  EXPECT_EQ(weatherState.lastSuccessMillis, millis());
  EXPECT_FALSE(weatherState.fetchInProgress);
  currentBody_ = owm("current_kelvin_dresden_2017.json");
  ASSERT_TRUE(fetchWeatherData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_TRUE(uiDirty);
}

TEST_F(WeatherFetchTest, CurrentWeatherRequestAnswerAndFailureKeepingTheData) {
  ASSERT_TRUE(fetchWeatherData());
  EXPECT_TRUE(weatherState.fetchInProgress);
  EXPECT_EQ(weatherState.lastAttemptMillis, 500000u);
  EXPECT_FALSE(fetchWeatherData());  // one request at a time
  EXPECT_EQ(s(weatherLastUpdatedText()), "Fetching...");
  ASSERT_TRUE(waitForFetchesIdle());
  ASSERT_EQ(server_->requests().size(), 1u);
  const LocalHttpRequest req = server_->requests()[0];
  EXPECT_EQ(req.target,
            "/data/2.5/weather?lat=52.52&lon=13.405&units=metric&appid=0123456789abcdef0123456789abcdef");
  EXPECT_EQ(req.header("Accept"), "application/json");
  EXPECT_FALSE(weatherState.fetchInProgress);
  EXPECT_TRUE(weatherState.valid);
  EXPECT_EQ(weatherState.lastHttpCode, 200);
  EXPECT_TRUE(ringHas("Weather refresh OK (HTTP 200)."));
  EXPECT_EQ(diagnosticsState.weatherOk, 1u);

  // The service's error answer: counted and logged, the data stay.
  currentCode_ = 401;
  currentBody_ = owm("error_401_invalid_key.json");
  desktopSetTestClock(700000);
  ASSERT_TRUE(fetchWeatherData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_TRUE(weatherState.valid);
  EXPECT_EQ(s(weatherState.location), "Berlin");
  EXPECT_EQ(weatherState.lastHttpCode, 401);
  EXPECT_EQ(weatherState.lastSuccessMillis, 500000u);
  EXPECT_TRUE(ringHas("Weather refresh failed (HTTP 401)."));
  EXPECT_EQ(diagnosticsState.weatherFail, 1u);

  // A 200 answer that is not weather: failed, data kept.
  currentCode_ = 200;
  currentBody_ = "<html>captive portal</html>";
  ASSERT_TRUE(fetchWeatherData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(s(weatherState.location), "Berlin");
  EXPECT_EQ(s(footerText), "Weather JSON: main missing");
  EXPECT_EQ(diagnosticsState.weatherFail, 2u);
}

TEST_F(WeatherFetchTest, UnconfiguredOrUnreachableFetchesStartNothing) {
  cfg.weatherLat = "";
  EXPECT_FALSE(fetchWeatherData());
  EXPECT_FALSE(fetchWeatherForecastData());
  EXPECT_EQ(s(weatherState.forecastError), "Weather setup incomplete");
  EXPECT_EQ(weatherState.lastAttemptMillis, 0u);
  cfg.weatherLat = "52.52";
  cfg.weatherApiBaseUrl = String("http://127.0.0.1:") + String(unusedLocalPort());
  ASSERT_TRUE(fetchWeatherData());
  ASSERT_TRUE(fetchWeatherForecastData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_FALSE(weatherState.valid);
  EXPECT_EQ(weatherState.lastHttpCode, -2);
  EXPECT_EQ(s(weatherState.forecastError), "Forecast HTTP: -2");
  EXPECT_TRUE(server_->requests().empty());
}

TEST_F(WeatherFetchTest, ForecastFetchClearsFirstThenFillsOrExplains) {
  ASSERT_TRUE(fetchWeatherForecastData());
  EXPECT_TRUE(weatherState.forecastFetchInProgress);
  EXPECT_TRUE(fetchWeatherForecastData());  // the answer on its way serves this one
  ASSERT_TRUE(waitForFetchesIdle());
  ASSERT_EQ(server_->requests().size(), 1u);
  EXPECT_EQ(
      server_->requests()[0].target,
      "/data/2.5/forecast?lat=52.52&lon=13.405&units=metric&cnt=32&appid=0123456789abcdef0123456789abcdef");
  EXPECT_EQ(weatherState.forecastCount, 3);
  EXPECT_EQ(weatherState.forecastLastHttpCode, 200);
  EXPECT_EQ(weatherState.lastAttemptMillis, 0u);  // the forecast leaves the current-weather cadence alone
  EXPECT_FALSE(weatherState.fetchInProgress);

  forecastCode_ = 429;
  forecastBody_ = owm("error_429_blocked.json");
  ASSERT_TRUE(fetchWeatherForecastData());
  EXPECT_EQ(weatherState.forecastCount, 0);  // cleared at the start of the request
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(s(weatherState.forecastError), "Forecast HTTP: 429");
  EXPECT_EQ(weatherState.lastHttpCode, 429);

  forecastCode_ = 200;
  forecastBody_ = "{\"cod\":\"200\",\"list\":{}}";
  ASSERT_TRUE(fetchWeatherForecastData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(s(weatherState.forecastError), "Forecast list missing");
}

TEST_F(WeatherFetchTest, SelectionAndForecastTabFetchTheRightAnswer) {
  weatherSourceSelected(PAGE_LAST);
  ASSERT_TRUE(waitForFetchesIdle());
  weatherSourceSelected(PAGE_LIVE);
  ASSERT_TRUE(waitForFetchesIdle());
  weatherHeardTabTapped();
  ASSERT_TRUE(waitForFetchesIdle());
  const std::vector<LocalHttpRequest> reqs = server_->requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_EQ(reqs[0].target.rfind("/data/2.5/forecast?", 0), 0u);
  EXPECT_EQ(reqs[1].target.rfind("/data/2.5/weather?", 0), 0u);
  EXPECT_EQ(reqs[2].target.rfind("/data/2.5/forecast?", 0), 0u);
}

TEST_F(WeatherFetchTest, ConfigurationLoadForgetsRequestsWhoseAnswersAreDropped) {
  weatherState.fetchInProgress = true;
  weatherState.forecastFetchInProgress = true;
  weatherState.valid = true;
  weatherConfigFinalized();
  EXPECT_FALSE(weatherState.fetchInProgress);
  EXPECT_FALSE(weatherState.forecastFetchInProgress);
  EXPECT_TRUE(weatherState.valid);
  EXPECT_TRUE(fetchWeatherData());  // not stuck
  cfg.weatherEnabled = false;
  weatherConfigFinalized();
  EXPECT_FALSE(weatherState.valid);
  EXPECT_EQ(weatherState.lastAttemptMillis, 0u);
}

}  // namespace

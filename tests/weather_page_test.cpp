// The weather, forecast and HamQSL pages and the weather parts of the
// screensaver: one golden frame per page state that draws differently,
// pixel checks of the icon tile, the REFRESH taps and their footers.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/night_mode.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/fetch_worker.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/ui_test_env.h"
#include "ui/night_face.h"
#include "ui/page_frame.h"
#include "ui/screensaver.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/hamqsl/hamqsl_page.h"
#include "watch/weather/weather.h"
#include "watch/weather/weather_page.h"

namespace {

const uint32_t NOW_MS = 1000000;
const time_t FIXED_EPOCH = 1765204200;  // 08 Dec 2025 14:30 UTC

const char* const CURRENT_ANSWER =
    "{\"weather\":[{\"id\":500,\"main\":\"Rain\",\"description\":\"light rain\",\"icon\":\"10d\"}],"
    "\"main\":{\"temp\":7.6,\"feels_like\":4.2,\"temp_min\":6.1,\"temp_max\":9.4,\"pressure\":1004,"
    "\"humidity\":87},\"visibility\":9000,\"wind\":{\"speed\":4.1,\"deg\":250},\"name\":\"Berlin\"}";

class WeatherPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    useHotspotOnlyUiSetup();
    cfg.weatherEnabled = true;
    cfg.weatherLat = "52.5200";
    cfg.weatherLon = "13.4050";
    cfg.weatherApiKey = "0123456789abcdef0123456789abcdef";
    cfg.weatherApiBaseUrl = "http://127.0.0.1:1";
    cfg.hamqslEnabled = true;
    cfg.hamqslUrl = "http://127.0.0.1:1/solarxml.php";
    cfg.wxscreensaverEnabled = false;
    cfg.deviceCallsign = "N0CALL";
    SD.setRoot((std::string(QSODECK_SOURCE_DIR) + "/sdcard").c_str());
    setDrawingTestClocks(NOW_MS, FIXED_EPOCH);
    clearWeatherData();
    clearHamqslData();
    currentWatchSource = WATCH_WEATHER;
    currentPage = PAGE_LIVE;
    if (!openDrawingTestScreen("WATCH: Weather", theme.bg)) GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override {
    EXPECT_TRUE(waitForFetchesIdle());
    clearDrawingTestClocks();
  }

  static void currentData() {
    ASSERT_TRUE(desktopParseWeatherResponseRaw(CURRENT_ANSWER));
    weatherState.lastAttemptMillis = weatherState.lastSuccessMillis = NOW_MS - 125000;
    weatherState.lastHttpCode = 200;
  }
  static void forecastData() {
    ASSERT_TRUE(parseWeatherForecastPayloadRaw(String(readTestData("owm/forecast_metric_london_2020.json"))));
  }
  static void solarData() {
    ASSERT_TRUE(parseHamqslXml(String(readTestData("hamqsl/solarxml_2019_no_report_fields.xml"))));
    hamqslState.valid = true;
    hamqslState.lastAttemptMillis = hamqslState.lastSuccessMillis = NOW_MS - 7200000;
  }
  void expectGolden(const char* name) {
    GoldenResult result = compareWithGolden(name, currentFrameImage());
    EXPECT_TRUE(result.ok) << result.message;
  }
};

// ---------------------------------------------------------------------------
// WEATHER WATCH

TEST_F(WeatherPageTest, LivePageDisabled) {
  cfg.weatherEnabled = false;
  drawWeatherLivePage();
  expectGolden("weather_live_disabled");
}

TEST_F(WeatherPageTest, LivePageSetupIncompleteShowsWhatIsMissing) {
  cfg.weatherApiKey = "";
  drawWeatherLivePage();
  expectGolden("weather_live_setup");
  EXPECT_TRUE(frameShowsText("Configure OpenWeather in Web UI", 45, 128, 2, TL_DATUM, theme.subtext,
                             weatherPageFill()));
}

TEST_F(WeatherPageTest, LivePageWithoutDataFetchingAndFailed) {
  weatherState.lastAttemptMillis = NOW_MS - 1000;
  weatherState.lastHttpCode = 401;
  drawWeatherLivePage();
  expectGolden("weather_live_no_data");
  EXPECT_TRUE(frameShowsText("No weather data yet", 400, 216, 2, MC_DATUM, theme.warn, theme.panel2));
  EXPECT_TRUE(frameShowsText("Last HTTP: 401", 400, 264, 2, MC_DATUM, theme.subtext, theme.panel2));
  weatherState.fetchInProgress = true;
  drawWeatherLivePage();
  EXPECT_TRUE(frameShowsText("Fetching weather...", 400, 216, 2, MC_DATUM, theme.good, theme.panel2));
  EXPECT_TRUE(frameShowsText("Updated Fetching...", 45, 128, 2, TL_DATUM, theme.subtext, weatherPageFill()));
}

TEST_F(WeatherPageTest, LivePageWithDataAndMetricCards) {
  currentData();
  drawWeatherLivePage();
  expectGolden("weather_live_metric_cards");
  // The 32 px icon is a picture in the tile: many colours where it sits.
  std::vector<uint32_t> frame = readFrame();
  const uint32_t tile = rgbOf565(mix565(theme.panel, theme.accent, 0.1f));
  EXPECT_GT(countPixels(frame, 126, 222, 32, 32, tile), 0);
  EXPECT_LT(countPixels(frame, 126, 222, 32, 32, tile), 32 * 32 - 150);
  EXPECT_TRUE(
      frameShowsText("8 C", 255, 202, 4, TL_DATUM, theme.good, mix565(theme.panel2, theme.accent, 0.08f)));
  EXPECT_TRUE(frameShowsText("Updated 2m ago", 45, 128, 2, TL_DATUM, theme.subtext, weatherPageFill()));
}

TEST_F(WeatherPageTest, LivePageWithoutIconFileShowsWx) {
  currentData();
  weatherState.icon = "77x";
  drawWeatherLivePage();
  EXPECT_TRUE(
      frameShowsText("WX", 142, 238, 4, MC_DATUM, theme.accent, mix565(theme.panel, theme.accent, 0.1f)));
}

TEST_F(WeatherPageTest, LivePageWithForecastShowsTheForecastCards) {
  currentData();
  forecastData();
  ASSERT_TRUE(displayUsesLargeWatchUiFonts());
  drawWeatherLivePage();
  expectGolden("weather_live_forecast_cards");
}

// ---------------------------------------------------------------------------
// WEATHER FORECAST

TEST_F(WeatherPageTest, ForecastPageWithDays) {
  currentPage = PAGE_LAST;
  currentData();
  forecastData();
  drawWeatherForecastPage();
  expectGolden("weather_forecast_days");
  EXPECT_TRUE(
      frameShowsText("Current 8 C  Light rain", 45, 408, 2, TL_DATUM, theme.subtext, weatherPageFill()));
}

TEST_F(WeatherPageTest, ForecastPageWithoutDaysShowsTheError) {
  currentPage = PAGE_LAST;
  weatherState.forecastError = "Forecast HTTP: 429";
  drawWeatherForecastPage();
  expectGolden("weather_forecast_no_data");
  weatherState.forecastError = "";
  weatherState.forecastFetchInProgress = true;
  drawWeatherForecastPage();
  EXPECT_TRUE(frameShowsText("Fetching forecast...", 400, 220, 2, MC_DATUM, theme.good, theme.panel2));
}

TEST_F(WeatherPageTest, ForecastPageSetupIncomplete) {
  currentPage = PAGE_LAST;
  cfg.weatherLon = "";
  drawWeatherForecastPage();
  expectGolden("weather_forecast_setup");
}

TEST_F(WeatherPageTest, ForecastDayWithoutLabelOrPopOrIcon) {
  currentPage = PAGE_LAST;
  forecastData();
  WeatherForecastDay& d = weatherState.forecast[0];
  d.dayLabel = "";
  d.popPercent = 0;
  d.icon = "";
  d.summary = "fog";
  drawWeatherForecastPage();
  const uint16_t fill = mix565(theme.panel2, theme.accent, 0.06f);
  EXPECT_TRUE(frameShowsText("DAY", 60, 180, 2, TL_DATUM, theme.accent, fill));
  EXPECT_TRUE(frameShowsText("WX", 225, 156 + 38, 2, MC_DATUM, theme.accent, fill));
  EXPECT_TRUE(frameShowsText("Fog", 290, 210, 2, TL_DATUM, theme.subtext, fill));
  EXPECT_TRUE(frameShowsText("Light rain 85%", 290, 296, 2, TL_DATUM, theme.subtext, fill));
}

// ---------------------------------------------------------------------------
// HAMQSL WATCH

TEST_F(WeatherPageTest, HamqslPageStates) {
  currentWatchSource = WATCH_HAMQSL;
  cfg.hamqslEnabled = false;
  drawHamqslLivePage();
  expectGolden("hamqsl_disabled");
  cfg.hamqslEnabled = true;
  cfg.hamqslUrl = "";
  drawHamqslLivePage();
  expectGolden("hamqsl_setup");
  cfg.hamqslUrl = "http://127.0.0.1:1/solarxml.php";
  hamqslState.lastAttemptMillis = NOW_MS - 1000;
  hamqslState.lastHttpCode = -2;
  hamqslState.error = "HTTP -2";
  drawHamqslLivePage();
  expectGolden("hamqsl_no_data");
  solarData();
  drawHamqslLivePage();
  expectGolden("hamqsl_valid");
  const uint16_t box = mix565(theme.panel2, theme.accent, 0.06f);
  EXPECT_TRUE(frameShowsText("Fair", 395, 300, 2, TL_DATUM, theme.warn, box));
  EXPECT_TRUE(frameShowsText("Good", 555, 300, 2, TL_DATUM, theme.good, box));
  EXPECT_TRUE(frameShowsText("Poor", 395, 322, 2, TL_DATUM, theme.bad, box));
  EXPECT_TRUE(frameShowsText("X A1.0  foF2 4.8  VHF Aurora: Band Closed", 45, 408, 2, TL_DATUM, theme.subtext,
                             weatherPageFill()));
}

// ---------------------------------------------------------------------------
// Screensaver

TEST_F(WeatherPageTest, ScreensaverWeatherCardAndWeatherPageAsScreensaver) {
  currentData();
  desktopSetTestClock(24000);  // drift 0 in x, -6 in y
  setUiTimeOverride(FIXED_EPOCH);
  weatherState.lastSuccessMillis = 1;
  drawScreensaver(true);
  expectGolden("screensaver_weather_card");
  // The card holds the 24 px icon left of the text.
  std::vector<uint32_t> frame = readFrame();
  EXPECT_LT(countPixels(frame, 290, 54, 24, 24, rgbOf565(theme.panel)), 24 * 24 - 100);
  EXPECT_TRUE(frameShowsText("8 C", 370, 74, 2, ML_DATUM, theme.text, theme.panel));

  // Without weather data there is no card.
  clearWeatherData();
  drawScreensaver(true);
  EXPECT_EQ(countPixels(readFrame(), 265, 44, 270, 60, rgbOf565(theme.panel)), 0);

  // With wx_screensaver_enabled the screensaver is the weather page.
  currentData();
  cfg.wxscreensaverEnabled = true;
  tft.fillScreen(0);
  drawScreensaver(true);
  const std::vector<uint32_t> saver = readFrame();
  tft.fillScreen(0);
  drawWeatherLivePage();
  EXPECT_EQ(saver, readFrame());
}

TEST_F(WeatherPageTest, NightFaceIsADimClockWithTheTemperature) {
  currentData();
  cfg.wxscreensaverEnabled = true;  // at night the night face all the same
  nightActive = true;
  desktopSetTestClock(24000);  // drift 0 in x, -6 in y
  drawScreensaver(true);
  expectGolden("screensaver_night_face");
  const uint16_t dimText = mix565(TFT_BLACK, theme.subtext, NIGHT_TEXT_COLOUR_SHARE);
  EXPECT_TRUE(frameShowsText("08 Dec 2025", 400, 276, 2, MC_DATUM, dimText, TFT_BLACK));
  EXPECT_TRUE(frameShowsText("8 C", 400, 320, 4, MC_DATUM, dimText, TFT_BLACK));
  // The large clock "14:30": 12 px dots in the dimmed accent around (400, 184).
  const uint32_t dimClock = rgbOf565(mix565(TFT_BLACK, theme.accent, NIGHT_CLOCK_COLOUR_SHARE));
  std::vector<uint32_t> frame = readFrame();
  EXPECT_GT(countPixels(frame, 220, 142, 360, 84, dimClock), 5000);
  EXPECT_EQ(countPixels(frame, 0, 0, 800, 120, dimClock), 0);
  // Unchanged clock, texts and drift: nothing is drawn again.
  tft.drawPixel(5, 5, 0xF800);
  drawScreensaver(false);
  EXPECT_EQ(rgbOf565(0xF800), readFrame()[5 * 800 + 5]);

  // Without weather data the temperature line stays dark.
  clearWeatherData();
  drawScreensaver(true);
  EXPECT_EQ(countPixels(readFrame(), 300, 300, 200, 40, rgbOf565(TFT_BLACK)), 200 * 40);
  nightActive = false;
}

// ---------------------------------------------------------------------------
// REFRESH taps

TEST_F(WeatherPageTest, RefreshTapsStartTheirFetchOrSayWhy) {
  const ScreenRect r = {555, 88, 195, 44};
  currentPage = PAGE_LAST;
  WEATHER_WATCH_ROW.tapHeard(r.x + 10, r.y + 10);
  EXPECT_EQ(std::string(footerText.c_str()), "Weather forecast refresh requested");
  EXPECT_EQ(weatherState.lastAttemptMillis, 0u);
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(std::string(weatherState.forecastError.c_str()), "Forecast HTTP: -2");
  cfg.weatherApiKey = "";
  WEATHER_WATCH_ROW.tapHeard(r.x + 10, r.y + 10);
  EXPECT_EQ(std::string(footerText.c_str()), "Weather setup incomplete");
  WEATHER_WATCH_ROW.tapHeard(r.x - 1, r.y + 10);  // beside the button: nothing
  cfg.weatherApiKey = "k";
  currentPage = PAGE_LIVE;
  WEATHER_WATCH_ROW.tapLive(r.x + r.w - 1, r.y + r.h - 1);
  EXPECT_EQ(std::string(footerText.c_str()), "Weather refresh requested");
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(weatherState.lastHttpCode, -2);
  currentWatchSource = WATCH_HAMQSL;
  HAMQSL_WATCH_ROW.tapLive(r.x + 1, r.y + 1);
  EXPECT_EQ(std::string(footerText.c_str()), "HAMQSL refresh requested");
  ASSERT_TRUE(waitForFetchesIdle());
  hamqslState.fetchInProgress = true;  // a request is out: the error of the last one is shown
  HAMQSL_WATCH_ROW.tapHeard(r.x + 1, r.y + 1);
  EXPECT_EQ(std::string(footerText.c_str()), "HTTP -2");
  hamqslState.fetchInProgress = false;
}

}  // namespace

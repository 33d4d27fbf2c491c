// Weather and HamQSL: parse of a real current-weather answer, of a 32-entry
// forecast and of the solar XML; full redraw of the weather page, the
// forecast page and the HamQSL page on the offscreen software renderer
// (icons from the shipped sdcard/weather/).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bench/bench_display.h"
#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "ui/page_frame.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/weather/weather.h"

namespace {

std::string readSample(const char* relative) {
  std::ifstream in(std::string(QSODECK_SOURCE_DIR) + "/tests/data/" + relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The London forecast cut to its first 32 entries (what the program asks for).
String forecast32() {
  const std::string full = readSample("owm/forecast_metric_london_2020.json");
  size_t at = full.find("\"list\"");
  for (int i = 0; i < 32 && at != std::string::npos; ++i) at = full.find("\"dt_txt\"", at + 1);
  at = full.find('}', at);
  return String(full.substr(0, at + 1) + "]}");
}

void configureWeather() {
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  cfg.weatherEnabled = true;
  cfg.weatherLat = "52.52";
  cfg.weatherLon = "13.4";
  cfg.weatherApiKey = "k";
  cfg.hamqslEnabled = true;
  cfg.hamqslUrl = "http://127.0.0.1:1/solarxml.php";
}

void BM_WeatherParseCurrent(benchmark::State& state) {
  configureWeather();
  const String payload(readSample("owm/current_kelvin_rain_dresden_2017.json"));
  for (auto _ : state) {
    if (!desktopParseWeatherResponseRaw(payload)) state.SkipWithError("parse failed");
  }
}
BENCHMARK(BM_WeatherParseCurrent)->Unit(benchmark::kMicrosecond);

void BM_WeatherParseForecast32(benchmark::State& state) {
  configureWeather();
  const String payload = forecast32();
  for (auto _ : state) {
    clearWeatherData();
    if (!parseWeatherForecastPayloadRaw(payload) || weatherState.forecastCount != 3)
      state.SkipWithError("parse failed");
  }
  state.SetBytesProcessed((int64_t)state.iterations() * payload.length());
}
BENCHMARK(BM_WeatherParseForecast32)->Unit(benchmark::kMicrosecond);

void BM_HamqslParse(benchmark::State& state) {
  configureWeather();
  const String payload(readSample("hamqsl/solarxml_2019_no_report_fields.xml"));
  for (auto _ : state) {
    if (!parseHamqslXml(payload)) state.SkipWithError("parse failed");
  }
}
BENCHMARK(BM_HamqslParse)->Unit(benchmark::kMicrosecond);

bool preparePages() {
  static bool tried = false, ready = false;
  if (tried) return ready;
  tried = true;
  ready = openBenchDisplay();
  configureWeather();
  SD.setRoot((std::string(QSODECK_SOURCE_DIR) + "/sdcard").c_str());
  desktopParseWeatherResponseRaw(String(readSample("owm/current_kelvin_rain_dresden_2017.json")));
  parseWeatherForecastPayloadRaw(forecast32());
  parseHamqslXml(String(readSample("hamqsl/solarxml_2019_no_report_fields.xml")));
  hamqslState.valid = true;
  setFooterText("WATCH: Weather", false);
  return ready;
}

void pageRedraw(benchmark::State& state, WatchSource source, Page page) {
  if (!preparePages()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  currentWatchSource = source;
  currentPage = page;
  for (auto _ : state) redrawCurrentPage(true);
}

void BM_WeatherLivePageFullRedraw(benchmark::State& state) { pageRedraw(state, WATCH_WEATHER, PAGE_LIVE); }
BENCHMARK(BM_WeatherLivePageFullRedraw)->Unit(benchmark::kMillisecond);

void BM_WeatherForecastPageFullRedraw(benchmark::State& state) {
  pageRedraw(state, WATCH_WEATHER, PAGE_LAST);
}
BENCHMARK(BM_WeatherForecastPageFullRedraw)->Unit(benchmark::kMillisecond);

void BM_HamqslPageFullRedraw(benchmark::State& state) { pageRedraw(state, WATCH_HAMQSL, PAGE_LIVE); }
BENCHMARK(BM_HamqslPageFullRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

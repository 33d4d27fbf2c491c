// Weather alerts: parse time of the real NOAA heat-advisory answer and of a
// MeteoAlarm Atom feed with two entries, and the full redraw of the LIVE
// page with the alert popup over it (and of the popup alone).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bench/bench_display.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "ui/page_frame.h"
#include "watch/alerts/alerts.h"
#include "watch/alerts/alerts_page.h"

namespace {

std::string sample(const char* name) {
  std::ifstream in(std::string(QSODECK_SOURCE_DIR) + "/tests/data/alerts/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void BM_ParseNoaaHeatAdvisory(benchmark::State& state) {
  const String payload = sample("noaa_alerts_active_point_heat_advisory_2019.json").c_str();
  for (auto _ : state) {
    AlertFields f;
    benchmark::DoNotOptimize(desktopParseNoaaAlertRaw(payload, f));
  }
  state.SetBytesProcessed((int64_t)state.iterations() * payload.length());
}
BENCHMARK(BM_ParseNoaaHeatAdvisory)->Unit(benchmark::kMicrosecond);

void BM_ParseAtomFeed(benchmark::State& state) {
  const String payload = sample("meteoalarm_atom_germany_wind_reconstructed.xml").c_str();
  for (auto _ : state) {
    AlertFields f;
    benchmark::DoNotOptimize(desktopParseMeteoAlarmAtomRaw(payload, f));
  }
  state.SetBytesProcessed((int64_t)state.iterations() * payload.length());
}
BENCHMARK(BM_ParseAtomFeed)->Unit(benchmark::kMicrosecond);

bool preparePopup() {
  static bool tried = false;
  static bool ready = false;
  if (tried) return ready;
  tried = true;
  ready = openBenchDisplay();
  currentPage = PAGE_LIVE;
  ready = ready && parseNoaaAlertResponse(sample("noaa_alerts_active_point_heat_advisory_2019.json").c_str());
  return ready;
}

void BM_AlertPopupFullRedraw(benchmark::State& state) {
  if (!preparePopup()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  for (auto _ : state) redrawCurrentPage(true);
}
BENCHMARK(BM_AlertPopupFullRedraw)->Unit(benchmark::kMillisecond);

// The popup's drawing alone, without the page below and the present.
void BM_AlertPopupDrawOnly(benchmark::State& state) {
  if (!preparePopup()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  for (auto _ : state) drawAlertToastOverlay();
}
BENCHMARK(BM_AlertPopupDrawOnly)->Unit(benchmark::kMillisecond);

}  // namespace

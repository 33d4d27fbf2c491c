// Screen redraw cost on the offscreen software renderer: a full LIVE page
// and the partial repaint of clock box, footer and marquee strips; a full
// HEARD page with a whole page of rows.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "bench/bench_display.h"
#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "ui/draw.h"
#include "ui/live_page.h"
#include "ui/page_frame.h"

namespace {

bool prepareLivePage() {
  static bool ready = false;
  static bool tried = false;
  if (tried) return ready;
  tried = true;
  ready = openBenchDisplay();
  cfg.callsignHoldMs = 0xFFFFFFFFu;  // the record stays live for the whole run
  HeardRecord rec;
  rec.callsign = "DL1ABC";
  rec.name = "Hans";
  rec.mode = "DMR";
  rec.target = "TG 2627 Very Long Talkgroup Name That Scrolls";
  rec.timeslot = "2";
  rec.rssi = "-75";
  rec.ber = "0.4";
  rec.loss = "1%";
  rec.valid = true;
  shownHeardList().live = rec;
  shownHeardList().liveMillis = millis();
  modeDMR.known = modeDMR.enabled = true;
  hotspotRxFreq = "439.1125";
  hotspotTxFreq = "434.5125";
  setFooterText("Desktop: http://127.0.0.1/", false);
  currentPage = PAGE_LIVE;
  return ready;
}

void BM_LivePageFullRedraw(benchmark::State& state) {
  if (!prepareLivePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  for (auto _ : state) redrawCurrentPage(true);
}
BENCHMARK(BM_LivePageFullRedraw)->Unit(benchmark::kMillisecond);

// The drawing alone, without presenting the frame.
void BM_LivePageDrawOnly(benchmark::State& state) {
  if (!prepareLivePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  for (auto _ : state) {
    scrollingTextActiveFrame = false;
    drawLivePage();
  }
}
BENCHMARK(BM_LivePageDrawOnly)->Unit(benchmark::kMillisecond);

void BM_LivePagePartialRedraw(benchmark::State& state) {
  if (!prepareLivePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  redrawCurrentPage(true);
  for (auto _ : state) {
    drawHeaderClockBox();
    drawFooter();
    scrollingTextActiveFrame = false;
    benchmark::DoNotOptimize(redrawScrollingTextAreasForCurrentPage());
    tft.flush();
  }
}
BENCHMARK(BM_LivePagePartialRedraw)->Unit(benchmark::kMillisecond);

// HEARD with twelve stations of every mode (a full first page, the paging
// buttons and the filter and sort controls), drawn and presented.
void BM_HeardPageFullRedraw(benchmark::State& state) {
  if (!prepareLivePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  static const char* const MODES[] = {"DMR", "DSTAR", "YSF", "P25", "NXDN"};
  shownHeardList().count = 0;
  for (int i = 0; i < MAX_HEARD; i++) {
    HeardRecord& r = shownHeardList().records[shownHeardList().count++];
    r = HeardRecord();
    r.callsign = String("DL") + String(i + 1) + "ABC";
    r.name = "Operator " + String(i + 1);
    r.mode = MODES[i % 5];
    r.target = "TG 2627" + String(i);
    r.timeUtc = "2026-12-09 07:4" + String(i % 10) + ":00";
    r.duration = String(i + 2);
    r.valid = true;
  }
  currentPage = PAGE_LAST;
  for (auto _ : state) redrawCurrentPage(true);
  currentPage = PAGE_LIVE;
}
BENCHMARK(BM_HeardPageFullRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

// The SvxLink node: scraping a whole real dashboard page (status, talkgroups,
// reflector, last-heard table, apply), the last-heard fragment, a page of
// growing size (time per byte stays flat while the scrape is linear), and
// the node page's full redraw and marquee repaint on the offscreen renderer.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bench/bench_display.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "ui/page_frame.h"
#include "watch/svxlink/svxlink.h"
#include "watch/svxlink/svxlink_page.h"

namespace {

String readSample(const char* relative) {
  std::ifstream in(std::string(QSODECK_SOURCE_DIR) + "/tests/data/svxlink/" + relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return String(ss.str());
}

void useSvxlinkSource() {
  cfg.radioIdLookupEnabled = false;
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "127.0.0.1";
  setCurrentWatchSource(WATCH_SVXLINK);
}

void scrapeLoop(benchmark::State& state, const String& page, int expectedRecords) {
  useSvxlinkSource();
  for (auto _ : state) {
    const bool ok = parseSvxlinkDashboardHtml(page);
    if (!ok || svxlinkHeard().count != expectedRecords) state.SkipWithError("scrape failed");
  }
  state.SetBytesProcessed((int64_t)state.iterations() * page.length());
}

void BM_SvxlinkScrape_FullDashboardPage(benchmark::State& state) {
  scrapeLoop(state, readSample("hs_dashboard_pi_index_tx_polish_tg_names.html"), 5);
}
BENCHMARK(BM_SvxlinkScrape_FullDashboardPage)->Unit(benchmark::kMicrosecond);

void BM_SvxlinkScrape_V2HeardFragment(benchmark::State& state) {
  scrapeLoop(state, readSample("dashboard_v2_lh_fragment_tx.html"), 6);
}
BENCHMARK(BM_SvxlinkScrape_V2HeardFragment)->Unit(benchmark::kMicrosecond);

// The status part of the real page followed by rows of talkers that name
// nobody (so every row is read), state.range(0) rows.
void BM_SvxlinkScrape_NamelessRows(benchmark::State& state) {
  std::string page = readSample("dashboard_v2_status_fragment_tx.html").str();
  page += "<span>SVXReflector Activity</span><table>";
  for (int64_t i = 0; i < state.range(0); ++i) {
    page += "<tr><td>21:00:00</td><td>/</td><td>240</td><td>OFF</td><td>SVXRef</td><td>Sweden</td></tr>\n";
  }
  page += "</table>";
  scrapeLoop(state, String(page), 0);
}
BENCHMARK(BM_SvxlinkScrape_NamelessRows)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

bool prepareNodePage() {
  static bool ready = false;
  static bool tried = false;
  if (tried) return ready;
  tried = true;
  ready = openBenchDisplay();
  cfg.scrollingTextEnabled = true;
  useSvxlinkSource();
  parseSvxlinkDashboardHtml(readSample("hs_dashboard_pi_index_tx_polish_tg_names.html"));
  svxlinkMonitorTgs = "240 2401 2402 2403 2404 2405 91 9990 262 2350 26021 26062";
  setFooterText("SVXLink dashboard OK", false);
  currentPage = PAGE_LIVE;
  return ready;
}

void BM_SvxlinkNodePageFullRedraw(benchmark::State& state) {
  if (!prepareNodePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  for (auto _ : state) redrawCurrentPage(true);
}
BENCHMARK(BM_SvxlinkNodePageFullRedraw)->Unit(benchmark::kMillisecond);

void BM_SvxlinkNodePageMarqueeRepaint(benchmark::State& state) {
  if (!prepareNodePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  redrawCurrentPage(true);
  for (auto _ : state) {
    if (!redrawSvxlinkLiveScrollingTextAreas()) state.SkipWithError("no strip repaint");
    tft.flush();
  }
}
BENCHMARK(BM_SvxlinkNodePageMarqueeRepaint)->Unit(benchmark::kMillisecond);

// SVXLINK HEARD with the five talkers of the real page, drawn and presented.
void BM_SvxlinkHeardPageFullRedraw(benchmark::State& state) {
  if (!prepareNodePage()) {
    state.SkipWithError("offscreen display unavailable");
    return;
  }
  currentPage = PAGE_LAST;
  for (auto _ : state) redrawCurrentPage(true);
  currentPage = PAGE_LIVE;
}
BENCHMARK(BM_SvxlinkHeardPageFullRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

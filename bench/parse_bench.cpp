// Parse speed of the hotspot answers: a 12-record last-heard list of each
// dashboard flavour (records only, and with the apply steps), the status
// pages of both flavours, and WPSD radio-info pages of broken stat cards
// growing in size (time per byte stays flat while the card reader is linear).

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/config.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"

namespace {

// Twelve records in the shape of the Pi-Star "/api/last_heard.php" answer.
std::string piStarPayload() {
  std::string s = "[";
  for (int i = 0; i < MAX_HEARD; i++) {
    if (i) s += ",";
    s +=
        "{\"time_utc\":\"2024-06-04 20:2" + std::to_string(i % 10) + ":11\",\"mode\":\"DMR Slot " +
        std::to_string(1 + i % 2) + "\",\"callsign\":\"DL" + std::to_string(i) +
        "ABC\",\"callsign_suffix\":\"\",\"target\":\"TG 262" + std::to_string(i) +
        "\",\"src\":\"RF\",\"duration\":\"3.4\",\"loss\":\"0%\",\"bit_error_rate\":\"0.1%\",\"rssi\":\"S9+20dB (-73 dBm)\"}";
  }
  return s + "]";
}

// Twelve records in the shape of the WPSD "/api/?limit=12&names=true&country=true" answer.
std::string wpsdPayload() {
  std::string s = "[";
  for (int i = 0; i < MAX_HEARD; i++) {
    if (i) s += ",";
    s +=
        "{\"time_utc\":\"2024-06-04 20:2" + std::to_string(i % 10) + ":11\",\"mode\":\"DMR Slot " +
        std::to_string(1 + i % 2) + "\",\"callsign\":\"W" + std::to_string(i) +
        "JDB\",\"name\":\"Jonathan\",\"country\":\"United States\",\"callsign_suffix\":\"\",\"target\":\"TG 91\","
        "\"src\":\"Net\",\"duration\":\"10.9\",\"loss\":\"0%\"}";
  }
  return s + "]";
}

String readSample(const char* relative) {
  std::ifstream in(std::string(QSODECK_SOURCE_DIR) + "/tests/data/" + relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return String(ss.str());
}

void recordsOnly(benchmark::State& state, const String& payload) {
  HeardRecord out[MAX_HEARD];
  for (auto _ : state) {
    int n = desktopParseHeardRecords(payload, out, MAX_HEARD);
    if (n != MAX_HEARD) state.SkipWithError("wrong record count");
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)payload.length());
}

void withApply(benchmark::State& state, const String& payload) {
  cfg.radioIdLookupEnabled = false;
  for (auto _ : state) {
    if (!parseHeardArray(payload)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(shownHeardList().count);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)payload.length());
}

void statusPage(benchmark::State& state, const char* backend, const char* file) {
  cfg.backend = backend;
  String page = readSample(file);
  for (auto _ : state) benchmark::DoNotOptimize(parseDashboardStatusHtml(page));
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)page.length());
}

void BM_LastHeardRecords_PiStar12(benchmark::State& state) { recordsOnly(state, String(piStarPayload())); }
void BM_LastHeardRecords_Wpsd12(benchmark::State& state) { recordsOnly(state, String(wpsdPayload())); }
void BM_LastHeardParseAndApply_PiStar12(benchmark::State& state) {
  withApply(state, String(piStarPayload()));
}
void BM_LastHeardParseAndApply_Wpsd12(benchmark::State& state) { withApply(state, String(wpsdPayload())); }
void BM_DashboardStatus_PiStar(benchmark::State& state) {
  statusPage(state, "Pi-Star", "pistar/repeaterinfo_listening_dmr.html");
}
void BM_DashboardStatus_WpsdPills(benchmark::State& state) {
  statusPage(state, "WPSD", "wpsd/repeaterinfo_idle.html");
}
void BM_DashboardStatus_WpsdRadioInfo(benchmark::State& state) {
  statusPage(state, "WPSD", "wpsd/radioinfo_2024_divtable_idle_simplex.html");
}

void BM_DashboardStatus_WpsdCards(benchmark::State& state) {
  statusPage(state, "WPSD", "wpsd/radioinfo_duplex.html");
}
// state.range(0) cards whose labels never end, then one good card.
void BM_DashboardStatus_WpsdHostileCards(benchmark::State& state) {
  cfg.backend = "WPSD";
  std::string page;
  for (int64_t i = 0; i < state.range(0); i++) page += "<div class=\"stat-card\"><span class=\"stat-label\">";
  page +=
      "</span><div class=\"stat-card\"><span class=\"stat-label\">TX Freq</span><div "
      "class=\"stat-value\">439.450 MHz</div></div>";
  const String payload(page);
  for (auto _ : state) benchmark::DoNotOptimize(parseDashboardStatusHtml(payload));
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)payload.length());
}

}  // namespace

BENCHMARK(BM_LastHeardRecords_PiStar12);
BENCHMARK(BM_LastHeardRecords_Wpsd12);
BENCHMARK(BM_LastHeardParseAndApply_PiStar12);
BENCHMARK(BM_LastHeardParseAndApply_Wpsd12);
BENCHMARK(BM_DashboardStatus_PiStar);
BENCHMARK(BM_DashboardStatus_WpsdPills);
BENCHMARK(BM_DashboardStatus_WpsdRadioInfo);
BENCHMARK(BM_DashboardStatus_WpsdCards);
BENCHMARK(BM_DashboardStatus_WpsdHostileCards)->Arg(1000)->Arg(10000)->Arg(100000);

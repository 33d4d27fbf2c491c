// APRS and ADS-B: parse of a 7-entry position answer and of a busy
// receiver's aircraft.json (300 aircraft, 1-2 MB, built from the real
// dumps), the airline lookup in airlines.dat, and full redraws of the
// radar pages (16 aircraft, 7 stations) and the tracker on the offscreen
// software renderer.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_display.h"
#include "core/app.h"
#include "core/config.h"
#include "core/data_json.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "ui/page_frame.h"
#include "watch/adsb/adsb.h"
#include "watch/aprs/aprs.h"

namespace {

std::string readSample(const char* relative) {
  std::ifstream in(std::string(QSODECK_SOURCE_DIR) + "/tests/data/" + relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Seven stations in the shape of the real "get loc" answer.
std::string sevenStationAnswer() {
  const std::string sample = readSample("aprs/get_loc_mobile_no_class_2010.json");
  const size_t open = sample.find("[{") + 1, close = sample.rfind("}]") + 1;
  const std::string entry = sample.substr(open, close - open);
  std::string entries;
  const char* names[7] = {"DL1ABC", "DB0TV", "DL2XYZ-9", "DO7KAT", "DL4WX", "DK5MOB-7", "DL6END"};
  for (int i = 0; i < 7; ++i) {
    std::string e = entry;
    for (const char* key : {"\"MICON-1\""}) {
      for (size_t at = e.find(key); at != std::string::npos; at = e.find(key, at + 1))
        e.replace(at, strlen(key), std::string("\"") + names[i] + "\"");
    }
    char lat[32], lng[32];
    snprintf(lat, sizeof lat, "\"%.5f\"", 52.40 + 0.03 * i);
    snprintf(lng, sizeof lng, "\"%.5f\"", 13.30 + 0.02 * i);
    e.replace(e.find("\"42.79817\""), 10, lat);
    e.replace(e.find("\"-83.36817\""), 11, lng);
    entries += (i ? "," : "") + e;
  }
  return sample.substr(0, open) + entries + sample.substr(close);
}

// The aircraft objects of both real dumps.
std::vector<std::string> sampleAircraft() {
  std::vector<std::string> out;
  for (const char* file :
       {"adsb/aircraft_readsb_dc_ground_mlat.json", "adsb/aircraft_dump1090fa_london_compact.json"}) {
    String list;
    desktopDataJsonGetArray(String(readSample(file)), "aircraft", list);
    String obj;
    int pos = 1;
    while (desktopDataJsonNextObject(list, pos, obj)) out.push_back(obj.str());
  }
  return out;
}

// The fields a busy readsb adds per aircraft (database, navigation, wind,
// the last position), one per line as it indents them.
const char* const READSB_EXTRA_FIELDS =
    ",\n      \"type\": \"adsb_icao\",\n      \"r\": \"D-AINZ\",\n      \"t\": \"A20N\",\n"
    "      \"desc\": \"AIRBUS A-320neo\",\n      \"ownOp\": \"Deutsche Lufthansa AG\",\n      \"year\": \"2019\",\n"
    "      \"dbFlags\": 0,\n      \"ias\": 289,\n      \"tas\": 452,\n      \"mach\": 0.744,\n      \"wd\": 284,\n"
    "      \"ws\": 47,\n      \"oat\": -38,\n      \"tat\": -13,\n      \"track_rate\": -0.03,\n      \"roll\": -0.7,\n"
    "      \"mag_heading\": 78.4,\n      \"true_heading\": 83.1,\n      \"baro_rate\": -64,\n      \"geom_rate\": -32,\n"
    "      \"nav_qnh\": 1013.6,\n      \"nav_altitude_mcp\": 36000,\n      \"nav_altitude_fms\": 36000,\n"
    "      \"nav_heading\": 82.3,\n      \"nav_modes\": [\n        \"autopilot\",\n        \"vnav\",\n"
    "        \"lnav\",\n        \"tcas\"\n      ],\n      \"emergency\": \"none\",\n      \"nic_baro\": 1,\n"
    "      \"nac_p\": 10,\n      \"nac_v\": 2,\n      \"sil\": 3,\n      \"sil_type\": \"perhour\",\n      \"gva\": 2,\n"
    "      \"sda\": 2,\n      \"alert\": 0,\n      \"spi\": 0,\n      \"rr_lat\": 51.4,\n      \"rr_lon\": -0.5,\n"
    "      \"lastPosition\": {\n        \"lat\": 51.468506,\n        \"lon\": -0.488312,\n        \"nic\": 8,\n"
    "        \"rc\": 186,\n        \"seen_pos\": 1.2\n      },\n      \"acas_ra\": {\n        \"utc\": \"12:00:00.0\",\n"
    "        \"unix_timestamp\": 1700000000.0,\n        \"df_type\": 16,\n        \"bytes\": \"E1990C580000E5\",\n"
    "        \"ARA\": \"0000000\",\n        \"RIA\": \"00\",\n        \"MTE\": \"0\",\n        \"advisory\": \"Clear of Conflict\",\n"
    "        \"advisory_complement\": \"\"\n      },\n      \"gpsOkBefore\": 1699999000.0,\n"
    "      \"gpsOkLat\": 51.47,\n      \"gpsOkLon\": -0.45";

// The receivers that heard an aircraft, as a readsb aggregating many
// feeders lists them (80 per aircraft here), one per line.
std::string receiverIds(int aircraft) {
  std::string out = ",\n      \"recentReceiverIds\": [";
  for (int r = 0; r < 80; ++r) {
    char id[64];
    snprintf(id, sizeof id, "%s\n        \"%08x-%04x\"", r ? "," : "",
             0x1a2b0000u + aircraft * 131 + r * 7919, r);
    out += id;
  }
  return out + "\n      ]";
}

// A busy receiver's answer: 300 aircraft made from the samples, each with
// its own hex, moved near London, with the extra fields of a busy readsb
// (1-2 MB as a feeder aggregator sends it).
const std::string& busyAircraftJson() {
  static std::string json;
  if (!json.empty()) return json;
  const std::vector<std::string> samples = sampleAircraft();
  json = "{\n  \"now\": 1700000000.0,\n  \"messages\": 987654321,\n  \"aircraft\": [\n";
  for (int i = 0; i < 300 && !samples.empty(); ++i) {
    std::string a = samples[i % samples.size()];
    char hex[16];
    snprintf(hex, sizeof hex, "%06x", 0x400000 + i);
    const size_t h = a.find("\"hex\"");
    const size_t q = a.find('"', a.find(':', h) + 1);
    a.replace(q + 1, 6, hex);
    const size_t lat = a.find("\"lat\"");
    if (lat != std::string::npos) {
      // The sample's own position is kept under other names.
      a.replace(lat, 5, "\"_lat0\"");
      a.replace(a.find("\"lon\""), 5, "\"_lon0\"");
      char pos[96];
      snprintf(pos, sizeof pos, "\n      \"lat\": %.6f,\n      \"lon\": %.6f,", 51.0 + (i % 20) * 0.05,
               -1.2 + (i / 20) * 0.1);
      a.insert(a.find('{') + 1, pos);
    }
    a.insert(a.rfind('}'), std::string(READSB_EXTRA_FIELDS) + receiverIds(i));
    json += (i ? ",\n    " : "    ") + a;
  }
  json += "\n  ]\n}\n";
  return json;
}

void configure() {
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "k";
  cfg.aprsRangeKm = 50;
  cfg.aprsCenterLat = "52.52";
  cfg.aprsCenterLon = "13.405";
  cfg.adsbEnabled = true;
  cfg.adsbHost = "127.0.0.1:1";
  cfg.adsbRangeKm = 150;
  cfg.adsbCenterLat = "51.47";
  cfg.adsbCenterLon = "-0.4543";
  cfg.apiUtcToLocalTime = false;
  SD.setRoot((std::string(QSODECK_SOURCE_DIR) + "/sdcard").c_str());
}

void BM_AprsParseSevenStations(benchmark::State& state) {
  configure();
  const String payload(sevenStationAnswer());
  for (auto _ : state) {
    if (!parseAprsLocationResponse(payload, "DL1ABC") || aprsState.nearbyCount != 7)
      state.SkipWithError("parse failed");
  }
  state.SetBytesProcessed((int64_t)state.iterations() * payload.length());
}
BENCHMARK(BM_AprsParseSevenStations)->Unit(benchmark::kMicrosecond);

void BM_AdsbParseBusyReceiver(benchmark::State& state) {
  configure();
  const String payload(busyAircraftJson());
  for (auto _ : state) {
    if (!parseAdsbAircraftResponse(payload) || adsbState.totalAircraft != 300 ||
        adsbState.aircraftCount != 16)
      state.SkipWithError("parse failed");
  }
  state.counters["bytes"] = (double)payload.length();
  state.counters["with_position"] = adsbState.positionAircraft;
  state.SetBytesProcessed((int64_t)state.iterations() * payload.length());
}
BENCHMARK(BM_AdsbParseBusyReceiver)->Unit(benchmark::kMillisecond);

void BM_AdsbAirlineLookupUncached(benchmark::State& state) {
  configure();
  for (auto _ : state) {
    clearAdsbAirlineLookupCache();
    if (adsbIataFromAirlinesDat("WZZ") != "W6")
      state.SkipWithError("lookup failed");  // near the end of the file
  }
}
BENCHMARK(BM_AdsbAirlineLookupUncached)->Unit(benchmark::kMicrosecond);

bool preparePages() {
  static bool tried = false, ready = false;
  if (tried) return ready;
  tried = true;
  ready = openBenchDisplay();
  configure();
  parseAdsbAircraftResponse(String(busyAircraftJson()));
  shownHeardList().live.valid = true;
  shownHeardList().live.callsign = "DL1ABC";
  parseAprsLocationResponse(String(sevenStationAnswer()), "DL1ABC");
  setFooterText("ADSB: 16 aircraft in range", false);
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

void BM_AdsbRadarPageFullRedraw16(benchmark::State& state) {
  pageRedraw(state, WATCH_ADSB, PAGE_LAST);
  state.counters["aircraft"] = adsbState.aircraftCount;
}
BENCHMARK(BM_AdsbRadarPageFullRedraw16)->Unit(benchmark::kMillisecond);

void BM_AdsbTrackerPageFullRedraw(benchmark::State& state) { pageRedraw(state, WATCH_ADSB, PAGE_LIVE); }
BENCHMARK(BM_AdsbTrackerPageFullRedraw)->Unit(benchmark::kMillisecond);

void BM_AprsRadarPageFullRedraw(benchmark::State& state) { pageRedraw(state, WATCH_APRS, PAGE_LAST); }
BENCHMARK(BM_AprsRadarPageFullRedraw)->Unit(benchmark::kMillisecond);

void BM_AprsLocationPageFullRedraw(benchmark::State& state) { pageRedraw(state, WATCH_APRS, PAGE_LIVE); }
BENCHMARK(BM_AprsLocationPageFullRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

// Rendering the settings site's two largest pages on the main thread
// (the time a browser request takes from the program's cycle).
#include <benchmark/benchmark.h>

#include "core/config_file.h"
#include "web/web_pages.h"

namespace {

struct SignedIn {
  WebSession* session;
  SignedIn() {
    loadConfig();
    std::string cookie;
    session = &webSessionCreate(cookie);
  }
};

SignedIn& signedIn() {
  static SignedIn s;
  return s;
}

void BM_SettingsPage(benchmark::State& state) {
  WebRequest req;
  req.method = "GET";
  req.path = "/settings";
  size_t bytes = 0;
  for (auto _ : state) {
    WebResponse res;
    webSettingsPage(req, *signedIn().session, res);
    bytes = res.body.size();
    benchmark::DoNotOptimize(res.body.data());
  }
  state.counters["html_bytes"] = (double)bytes;
}
BENCHMARK(BM_SettingsPage);

void BM_StatusPage(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    WebResponse res;
    webStatusPage(*signedIn().session, res);
    bytes = res.body.size();
    benchmark::DoNotOptimize(res.body.data());
  }
  state.counters["html_bytes"] = (double)bytes;
}
BENCHMARK(BM_StatusPage);

}  // namespace

// Remote actions against a private OpenSSH server on 127.0.0.1 (needs root:
// it creates a throw-away account; skipped otherwise): the time from the
// confirmation tap (which starts the mode toggle) to its result in the
// footer, ten times, while the real main cycle (`loop`, drawing into an
// offscreen window) runs with its 10 ms sleep as the desktop host runs it;
// and the length of the main cycle's passes meanwhile, to show that the
// command never holds the window up.

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "actions/remote_actions.h"
#include "core/view.h"
#include "host/board_stubs.h"
#include "host/firmware.h"
#include "host/storage.h"
#include "support/local_sshd.h"
#include "support/temp_files.h"

namespace {

const int RUNS = 10;
const int LOOP_SLEEP_MS = 10;
const int RESULT_WAIT_MS = 20000;

double nowMs() {
  using namespace std::chrono;
  return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch()).count();
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[(size_t)(p * (double)(v.size() - 1) + 0.5)];
}

// A working folder with the configuration: the hotspot's web dashboard is
// nowhere (the one poll at start fails at once), its shell is the server.
bool prepareProgram(const LocalSshServer& sshd, std::string& dir) {
  dir = makeTempDir("/tmp/qsodeck-ssh-bench-");
  if (dir.empty() || chdir(dir.c_str()) != 0) return false;
  const std::string config =
      "{\n  \"backend\": \"Pi-Star\",\n  \"wifi_ssid\": \"DESKTOP\",\n"
      "  \"pistar_host\": \"127.0.0.1:1\",\n  \"refresh_ms\": 600000,\n"
      "  \"touch_mode_ssh_enabled\": true,\n  \"pistar_ssh_user\": \"" +
      sshd.user() + "\",\n  \"pistar_ssh_pass\": \"" + sshd.password() +
      "\",\n  \"pistar_ssh_port\": " + std::to_string(sshd.port()) + "\n}\n";
  return system("mkdir -p sdcard") == 0 && writeWholeFile(dir + "/sdcard/config.json", config);
}

LocalSshServer* gSshd = nullptr;
std::string gDir;

// One host pass as the desktop's main loop makes it; its length in ms.
double hostPass() {
  const double start = nowMs();
  loop();
  usleep(LOOP_SLEEP_MS * 1000);
  return nowMs() - start;
}

void BM_ConfirmToFooterOverSsh(benchmark::State& state) {
  const std::string why = LocalSshServer::unavailableReason();
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  // One server and one program start for every repetition of the run.
  if (gSshd == nullptr) {
    gSshd = new LocalSshServer();
    if (!gSshd->ok() || !prepareProgram(*gSshd, gDir)) {
      state.SkipWithError(("no server: " + gSshd->error()).c_str());
      return;
    }
    gSshd->setRecordOnly(true);  // the hotspot's mode tool is not here
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    setup();
    for (int i = 0; i < 50; ++i) hostPass();  // settle after the boot
  }
  std::vector<double> latencies, passes, idlePasses;
  for (int i = 0; i < 100; ++i) idlePasses.push_back(hostPass());
  for (auto _ : state) {
    for (int run = 0; run < RUNS; ++run) {
      const bool enable = run % 2 == 0;
      const String wanted = String("DMR") + (enable ? " enabled via SSH." : " disabled via SSH.");
      const double tap = nowMs();
      startModeToggleTask("DMR", enable);  // what the YES button does
      while (footerText != wanted && nowMs() - tap < RESULT_WAIT_MS) passes.push_back(hostPass());
      latencies.push_back(nowMs() - tap);
      if (footerText != wanted) {
        state.SkipWithError(("no result: " + std::string(footerText.c_str())).c_str());
        break;
      }
    }
  }
  state.counters["confirm_to_footer_median_ms"] = percentile(latencies, 0.5);
  state.counters["confirm_to_footer_min_ms"] = percentile(latencies, 0);
  state.counters["confirm_to_footer_max_ms"] = percentile(latencies, 1);
  state.counters["pass_median_ms"] = percentile(passes, 0.5);
  state.counters["pass_p99_ms"] = percentile(passes, 0.99);
  state.counters["pass_max_ms"] = percentile(passes, 1);
  state.counters["idle_pass_median_ms"] = percentile(idlePasses, 0.5);
  state.counters["idle_pass_max_ms"] = percentile(idlePasses, 1);
  state.counters["passes"] = (double)passes.size();
}

BENCHMARK(BM_ConfirmToFooterOverSsh)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Its own entry, so that the server and its account go once every
// repetition has run.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  desktopStopTasks(5000);
  delete gSshd;
  if (!gDir.empty() && chdir("/tmp") == 0) removeTempDir(gDir);
  return 0;
}

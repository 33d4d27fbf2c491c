// One full hotspot poll cycle against the sample dashboard on 127.0.0.1:
// the status poll (`fetchModeStatus`) and the last-heard poll
// (`fetchLastHeard`), as the main cycle runs them through two
// `fetchAllData` calls, including HTTP over loopback, parsing and the apply
// steps. The dashboard (tools/sample_dashboard.py, traffic frozen so every
// answer is the same) is started by the benchmark itself, one per flavour.
// Times are wall-clock: most of a poll is waiting for the answer.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "app/app.h"
#include "core/app.h"
#include "core/config.h"
#include "host/board_stubs.h"
#include "hotspot/hotspot_poll.h"
#include "hotspot/http_fetch.h"

namespace {

const int START_TIMEOUT_MS = 10000;

// A sample dashboard child process; the port is 0 when it did not start.
struct Dashboard {
  pid_t pid = -1;
  int port = 0;
};

Dashboard dashboards[2];  // 0: Pi-Star, 1: WPSD

void stopDashboards() {
  for (Dashboard& d : dashboards) {
    if (d.pid > 0) {
      kill(d.pid, SIGTERM);
      waitpid(d.pid, nullptr, 0);
      d.pid = -1;
    }
  }
}

// Reads the announced port from the first output line of the dashboard.
int announcedPort(int fd) {
  std::string line;
  char c;
  while (line.find('\n') == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, START_TIMEOUT_MS) <= 0 || read(fd, &c, 1) != 1) return 0;
    line.push_back(c);
  }
  const char* at = strstr(line.c_str(), "127.0.0.1:");
  return at == nullptr ? 0 : atoi(at + strlen("127.0.0.1:"));
}

Dashboard startDashboard(const char* flavour) {
  Dashboard d;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return d;
  std::string script = std::string(QSODECK_SOURCE_DIR) + "/tools/sample_dashboard.py";
  d.pid = fork();
  if (d.pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    execlp("python3", "python3", script.c_str(), "--port", "0", "--quiet", "--flavour", flavour, "--period",
           "3600", (char*)nullptr);
    _exit(127);
  }
  close(out[1]);
  if (d.pid > 0) d.port = announcedPort(out[0]);
  close(out[0]);
  return d;
}

// The program state a poll needs: configuration, station link, network lock.
bool prepareFor(int flavour) {
  Dashboard& d = dashboards[flavour];
  if (d.pid <= 0) {
    d = startDashboard(flavour == 0 ? "pistar" : "wpsd");
    static bool registered = false;
    if (!registered) atexit(stopDashboards);
    registered = true;
  }
  if (d.port == 0) return false;
  cfg.backend = flavour == 0 ? "Pi-Star" : "WPSD";
  cfg.pistarHost = String("127.0.0.1:") + String(d.port);
  cfg.deviceCallsign = "N0CALL";
  if (networkMutex == nullptr) networkMutex = xSemaphoreCreateRecursiveMutex();
  WiFi.begin("DESKTOP", "");
  wifiOk = true;
  nextFetchHeard = false;
  return true;
}

// Two fetchAllData calls: status poll, then last-heard poll.
void BM_PollCycleFetchAllDataTwice(benchmark::State& state) {
  if (!prepareFor((int)state.range(0))) {
    state.SkipWithError("sample dashboard did not start");
    return;
  }
  for (auto _ : state) {
    bool status = fetchAllData();
    bool heard = fetchAllData();
    if (!status || !heard) {
      state.SkipWithError("a poll failed");
      break;
    }
  }
  state.SetLabel(state.range(0) == 0 ? "Pi-Star" : "WPSD (two status pages)");
}
BENCHMARK(BM_PollCycleFetchAllDataTwice)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The two halves on their own (Pi-Star).
void BM_StatusPoll(benchmark::State& state) {
  if (!prepareFor(0)) {
    state.SkipWithError("sample dashboard did not start");
    return;
  }
  for (auto _ : state) {
    if (!fetchModeStatus()) {
      state.SkipWithError("status poll failed");
      break;
    }
  }
}
BENCHMARK(BM_StatusPoll)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LastHeardPoll(benchmark::State& state) {
  if (!prepareFor(0)) {
    state.SkipWithError("sample dashboard did not start");
    return;
  }
  for (auto _ : state) {
    if (!fetchLastHeard()) {
      state.SkipWithError("last-heard poll failed");
      break;
    }
  }
}
BENCHMARK(BM_LastHeardPoll)->UseRealTime()->Unit(benchmark::kMillisecond);

// The bare text fetch underneath a poll: GET of the last-heard JSON, no parse.
void BM_TextFetchLastHeard(benchmark::State& state) {
  if (!prepareFor(0)) {
    state.SkipWithError("sample dashboard did not start");
    return;
  }
  String url = String("http://") + cfg.pistarHost + "/api/last_heard.php";
  for (auto _ : state) {
    String payload;
    int code = 0;
    if (!httpGetString(url, payload, code, "application/json", "") || code != 200) {
      state.SkipWithError("text fetch failed");
      break;
    }
  }
}
BENCHMARK(BM_TextFetchLastHeard)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

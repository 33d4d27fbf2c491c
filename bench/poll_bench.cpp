// One hotspot poll cycle (status page, then last-heard) against the sample
// dashboard on 127.0.0.1, and the bare text fetch underneath it.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "hotspot/http_fetch.h"

namespace {

// The sample dashboard as a child process for the whole benchmark run.
struct Dashboard {
  pid_t pid = -1;
  int port = 0;

  Dashboard() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    std::string script = std::string(QSODECK_SOURCE_DIR) + "/tools/sample_dashboard.py";
    pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      execlp("python3", "python3", script.c_str(), "--port", "0", "--quiet", "--period", "2", (char*)nullptr);
      _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1) {
      line.push_back(c);
    }
    close(out[0]);
    size_t at = line.find("127.0.0.1:");
    if (at != std::string::npos) port = atoi(line.c_str() + at + strlen("127.0.0.1:"));
  }
  ~Dashboard() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port); }
};

Dashboard& dashboard() {
  static Dashboard d;
  return d;
}

bool prepare(benchmark::State& state, const char* backend) {
  if (dashboard().port == 0) {
    state.SkipWithError("sample dashboard did not start");
    return false;
  }
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  cfg.backend = backend;
  cfg.pistarHost = dashboard().host().c_str();
  cfg.deviceCallsign = "N0CALL";
  wifiOk = true;
  return true;
}

void BM_TextFetch_LastHeard(benchmark::State& state) {
  if (!prepare(state, "Pi-Star")) return;
  String url = ("http://" + dashboard().host() + "/api/last_heard.php").c_str();
  for (auto _ : state) {
    String payload;
    int code = 0;
    benchmark::DoNotOptimize(httpGetString(url, payload, code, "application/json"));
  }
}

void BM_PollCycle_PiStar(benchmark::State& state) {
  if (!prepare(state, "Pi-Star")) return;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fetchModeStatus());
    benchmark::DoNotOptimize(fetchLastHeard());
  }
}

void BM_PollCycle_Wpsd(benchmark::State& state) {
  if (!prepare(state, "WPSD")) return;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fetchModeStatus());
    benchmark::DoNotOptimize(fetchLastHeard());
  }
}

}  // namespace

BENCHMARK(BM_TextFetch_LastHeard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollCycle_PiStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollCycle_Wpsd)->Unit(benchmark::kMillisecond);

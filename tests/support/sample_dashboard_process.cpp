#include "support/sample_dashboard_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "support/local_http_server.h"

namespace {

const int START_TIMEOUT_MS = 10000;
const int STOP_GRACE_MS = 3000;
const char* const LISTEN_PREFIX = "127.0.0.1:";

long long nowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// Reads the first line of the child's output; the port it names, or 0.
int readAnnouncedPort(int fd) {
  std::string line;
  long long deadline = nowMs() + START_TIMEOUT_MS;
  char c;
  while (line.find('\n') == std::string::npos) {
    long long left = deadline - nowMs();
    if (left <= 0) return 0;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, (int)left) <= 0) return 0;
    if (read(fd, &c, 1) != 1) return 0;
    line.push_back(c);
  }
  size_t at = line.find(LISTEN_PREFIX);
  if (at == std::string::npos) return 0;
  return atoi(line.c_str() + at + strlen(LISTEN_PREFIX));
}

std::vector<std::string> dashboardArgs(const std::vector<std::string>& extraArgs) {
  std::vector<std::string> args = {"--port", "0", "--quiet"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  return args;
}

}  // namespace

PythonServerProcess::PythonServerProcess(const std::string& script,
                                         const std::vector<std::string>& scriptArgs) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  std::vector<std::string> args = {"python3", script};
  args.insert(args.end(), scriptArgs.begin(), scriptArgs.end());
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    execvp("python3", argv.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ > 0) port_ = readAnnouncedPort(out[0]);
  close(out[0]);  // the dashboard prints nothing after its first line
  if (pid_ > 0 && port_ == 0) stop();
}

PythonServerProcess::~PythonServerProcess() { stop(); }

std::string PythonServerProcess::hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string PythonServerProcess::url(const std::string& path) const { return "http://" + hostPort() + path; }

SampleDashboardProcess::SampleDashboardProcess(const std::vector<std::string>& extraArgs)
    : PythonServerProcess(std::string(QSODECK_SOURCE_DIR) + "/tools/sample_dashboard.py",
                          dashboardArgs(extraArgs)) {}

bool SampleDashboardProcess::control(const std::string& query) {
  if (!running()) return false;
  int status = 0;
  simpleHttpGet(port(), "/_control?" + query, &status);
  return status == 200;
}

bool SampleDashboardProcess::reset() {
  if (!running()) return false;
  int status = 0;
  simpleHttpGet(port(), "/_control/reset", &status);
  return status == 200;
}

void PythonServerProcess::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  long long deadline = nowMs() + STOP_GRACE_MS;
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (nowMs() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    usleep(20000);
  }
  pid_ = -1;
  port_ = 0;
}

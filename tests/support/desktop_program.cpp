#include "support/desktop_program.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>

#include "support/sample_dashboard_process.h"
#include "support/temp_files.h"

namespace {

const int POLL_STEP_MS = 25;

int statusToCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
  return -1;
}

// Settings of the environment that would change what the program does.
const char* const CLEARED_ENV[] = {
    "SDL_VIDEODRIVER",
    "SDL_RENDER_DRIVER",
    "QSODECK_DESKTOP_VIDEO",
    "QSODECK_DESKTOP_HOLD_LOOP",
    "QSODECK_DESKTOP_SDL_EVENTS",
    "QSODECK_DESKTOP_TRACE",
    "QSODECK_DESKTOP_NETWORK",
    "QSODECK_DESKTOP_VERBOSE",
    "QSODECK_DESKTOP_ACCEL",
    "QSODECK_STORAGE",
    "http_proxy",
    "HTTP_PROXY",
    "https_proxy",
    "HTTPS_PROXY",
    "all_proxy",
    "ALL_PROXY",
};

}  // namespace

int countOccurrences(const std::string& text, const std::string& part) {
  if (part.empty()) return 0;
  int n = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
  return n;
}

void sleepMilliseconds(int ms) {
  struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

bool haveXDisplay() {
  const char* display = getenv("DISPLAY");
  return display != nullptr && display[0] != '\0';
}

std::string sampleDashboardConfigJson(const SampleDashboardProcess& dash, const std::string& backend,
                                      unsigned refreshMs, const std::vector<std::string>& extraKeys) {
  std::string json = "{\n";
  json += "  \"backend\": \"" + backend + "\",\n";
  json += "  \"wifi_ssid\": \"DESKTOP\",\n  \"wifi_pass\": \"\",\n";
  json += "  \"pistar_host\": \"" + dash.hostPort() + "\",\n";
  json += "  \"device_callsign\": \"N0CALL\",\n";
  json += "  \"refresh_ms\": " + std::to_string(refreshMs) + ",\n";
  json += "  \"radioid_lookup_enabled\": true,\n";
  json += "  \"radioid_users_api_base\": \"" + dash.url("/api/users?callsign=") + "\",\n";
  json += "  \"target_list_base_url\": \"" + dash.url("/digital-radio-lists/") + "\"";
  for (const std::string& key : extraKeys) json += ",\n  " + key;
  json += "\n}\n";
  return json;
}

DesktopProgram::DesktopProgram() {
  dir_ = makeTempDir("/tmp/qsodeck-e2e-");
  if (dir_.empty()) return;
  if (mkdir((dir_ + "/sdcard").c_str(), 0755) != 0) dir_.clear();
}

DesktopProgram::~DesktopProgram() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  const char* keep = getenv("QSODECK_KEEP_E2E_DIRS");
  if (dir_.empty() || (keep != nullptr && std::string(keep) == "1")) return;
  removeTempDir(dir_);  // a leftover temp folder does not fail the test
}

bool DesktopProgram::writeConfig(const std::string& json) {
  std::ofstream out(dir_ + "/sdcard/config.json", std::ios::binary | std::ios::trunc);
  out << json;
  return (bool)out;
}

bool DesktopProgram::linkShippedFlags() {
  std::string target = std::string(QSODECK_SOURCE_DIR) + "/sdcard/flags";
  return symlink(target.c_str(), (dir_ + "/sdcard/flags").c_str()) == 0;
}

bool DesktopProgram::start(const std::vector<std::pair<std::string, std::string>>& env) {
  if (dir_.empty() || pid_ > 0) return false;
  exitCode_ = -1;
  pid_ = fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(120);
    int fd = open("stdout.txt", O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) _exit(121);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    for (const char* name : CLEARED_ENV) unsetenv(name);
    setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
    setenv("QSODECK_ASSETS", "", 1);  // only what the test puts into its sdcard/
    for (const auto& kv : env) setenv(kv.first.c_str(), kv.second.c_str(), 1);
    execl(QSODECK_BINARY_PATH, QSODECK_BINARY_PATH, (char*)nullptr);
    _exit(122);
  }
  return true;
}

bool DesktopProgram::running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    exitCode_ = statusToCode(status);
    pid_ = -1;
    return false;
  }
  return true;
}

std::string DesktopProgram::log() const { return readWholeFile(dir_ + "/desktop.log"); }

std::string DesktopProgram::output() const { return readWholeFile(dir_ + "/stdout.txt"); }

bool DesktopProgram::waitForLog(const std::string& text, int count, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += POLL_STEP_MS) {
    if (countOccurrences(log(), text) >= count) return true;
    if (!running()) return countOccurrences(log(), text) >= count;
    sleepMilliseconds(POLL_STEP_MS);
  }
  return false;
}

int DesktopProgram::stop(int sig, int timeoutMs) {
  if (pid_ <= 0) return exitCode_;
  if (kill(pid_, sig) != 0) return -1;
  for (int waited = 0; waited <= timeoutMs; waited += POLL_STEP_MS) {
    if (!running()) return exitCode_;
    sleepMilliseconds(POLL_STEP_MS);
  }
  return -1;
}

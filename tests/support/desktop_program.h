// The real program (QSODECK_BINARY_PATH) run as a child process in a fresh
// temporary working folder with its own sdcard/config.json, for end-to-end
// tests: start, wait for lines of its trace log "desktop.log", stop it with
// a signal and read its exit code.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class SampleDashboardProcess;

// Number of (possibly overlapping) places where part occurs in text.
int countOccurrences(const std::string& text, const std::string& part);

// Sleeps the calling thread.
void sleepMilliseconds(int ms);

// True when an X display is named in DISPLAY.
bool haveXDisplay();

// A sdcard/config.json for the program pointed at the sample dashboard:
// backend, station link, host, operator, poll period and RadioID/list URLs
// of the dashboard. extraKeys (already formatted "\"key\": value" lines
// without trailing comma) are appended to the object.
std::string sampleDashboardConfigJson(const SampleDashboardProcess& dash, const std::string& backend,
                                      unsigned refreshMs, const std::vector<std::string>& extraKeys = {});

class DesktopProgram {
 public:
  // Creates the temporary working folder (with an empty "sdcard").
  DesktopProgram();
  // Kills a program that still runs and removes the folder (kept when the
  // environment variable QSODECK_KEEP_E2E_DIRS is "1").
  ~DesktopProgram();
  DesktopProgram(const DesktopProgram&) = delete;
  DesktopProgram& operator=(const DesktopProgram&) = delete;

  const std::string& dir() const { return dir_; }
  bool ok() const { return !dir_.empty(); }

  // Writes sdcard/config.json.
  bool writeConfig(const std::string& json);
  // Links the repository's shipped flag pictures into sdcard/flags.
  bool linkShippedFlags();

  // Starts the program in the folder; standard output and error go to
  // "stdout.txt" there. The desktop switches that change the run are
  // cleared first, then env is applied. QSODECK_DESKTOP_HTTP_TRACE=1 is set
  // by default so that every GET leaves a trace line.
  bool start(const std::vector<std::pair<std::string, std::string>>& env = {});
  pid_t pid() const { return pid_; }
  // True while the child runs (reaps it when it ended).
  bool running();
  // Exit status of an ended child: its code, 1000 + signal, or -1 unknown.
  int exitCode() const { return exitCode_; }

  std::string log() const;
  std::string output() const;

  // Waits until desktop.log holds text at least count times; false when the
  // program ended or timeoutMs passed first.
  bool waitForLog(const std::string& text, int count = 1, int timeoutMs = 30000);
  // Sends sig and waits up to timeoutMs for the end; the exit code, 1000 +
  // signal when a signal ended it, -1 when it did not end in time.
  int stop(int sig, int timeoutMs = 20000);

 private:
  std::string dir_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
};

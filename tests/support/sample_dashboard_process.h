#pragma once

// Runs tools/sample_dashboard.py (or another Python server) for a test:
// started on a free 127.0.0.1 port, stopped when the object goes away.

#include <sys/types.h>

#include <string>
#include <vector>

// A Python server script run as a child process; its first output line must
// name "127.0.0.1:<port>".
class PythonServerProcess {
 public:
  // Starts python3 with the script and arguments; waits up to 10 s for the port.
  PythonServerProcess(const std::string& script, const std::vector<std::string>& args);
  ~PythonServerProcess();
  PythonServerProcess(const PythonServerProcess&) = delete;
  PythonServerProcess& operator=(const PythonServerProcess&) = delete;

  // True while the process runs and announced its port.
  bool running() const { return pid_ > 0 && port_ > 0; }
  int port() const { return port_; }
  // "127.0.0.1:<port>", the form of the pistar_host setting.
  std::string hostPort() const;
  // "http://127.0.0.1:<port>" + path.
  std::string url(const std::string& path) const;
  // Stops the process (SIGTERM, then SIGKILL after 3 s).
  void stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

class SampleDashboardProcess : public PythonServerProcess {
 public:
  // Starts the dashboard with extra command-line arguments (for example
  // {"--flavour", "wpsd"}).
  explicit SampleDashboardProcess(const std::vector<std::string>& extraArgs = {});

  // Sets a misbehaviour through the control URL, e.g. "mode=http-error&code=503";
  // true when the dashboard accepted it.
  bool control(const std::string& query);
  // Back to normal answers.
  bool reset();
};

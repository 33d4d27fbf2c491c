// A private OpenSSH server (Debian's sshd) on 127.0.0.1 for one test: its own
// folder, configuration, host key and a throw-away account with a known
// password. Every command is run through a ForceCommand wrapper that first
// records $SSH_ORIGINAL_COMMAND and the command's standard input, then runs
// it (or only records it, see setRecordOnly). Needs root (for the account);
// everything is removed again when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

class LocalSshServer {
 public:
  struct Options {
    // Keyboard-interactive login through PAM instead of plain passwords.
    bool keyboardInteractiveOnly = false;
  };

  // Why no server can be run here ("" when root and sshd are there); tests
  // skip with this text.
  static std::string unavailableReason();

  LocalSshServer();
  explicit LocalSshServer(const Options& options);
  ~LocalSshServer();
  LocalSshServer(const LocalSshServer&) = delete;
  LocalSshServer& operator=(const LocalSshServer&) = delete;

  // True when the server answers on port().
  bool ok() const { return pid_ > 0; }
  // What went wrong while starting (with the server's own log).
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  const std::string& dir() const { return dir_; }

  // Commands that reached the wrapper so far.
  int commandCount() const;
  // $SSH_ORIGINAL_COMMAND and the standard input of the last command.
  std::string lastCommand() const;
  std::string lastStdin() const;
  // While set, the wrapper records and exits 0 without running the command.
  void setRecordOnly(bool recordOnly);

  // Gives the server a new host key (as after a reinstall) and restarts it
  // on the same port; false when that failed.
  bool replaceHostKey();

 private:
  bool createAccount();
  bool writeFiles();
  bool generateHostKey();
  bool startDaemon();
  void stopDaemon();
  void endAccountProcesses();

  Options options_;
  std::string dir_;
  std::string user_;
  std::string password_;
  std::string error_;
  int port_ = 0;
  pid_t pid_ = -1;
  bool accountCreated_ = false;
};

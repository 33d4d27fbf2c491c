#include "support/local_sshd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "support/local_http_server.h"
#include "support/temp_files.h"

namespace {

const char* const SSHD_PATH = "/usr/sbin/sshd";
const int START_WAIT_MS = 10000;
const int ACCOUNT_TRIES = 30;  // parallel tests may hold the passwd lock

std::string randomLetters(int n) {
  static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device rd;
  std::string s;
  for (int i = 0; i < n; ++i) s += letters[rd() % (sizeof(letters) - 1)];
  return s;
}

int runShell(const std::string& command) {
  const int rc = system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Retries a passwd-file command while another test holds its lock.
bool runAccountCommand(const std::string& command) {
  for (int i = 0; i < ACCOUNT_TRIES; ++i) {
    if (runShell(command + " >/dev/null 2>&1") == 0) return true;
    usleep(100 * 1000);
  }
  return false;
}

bool portAnswers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons((uint16_t)port);
  const bool ok = connect(fd, (sockaddr*)&addr, sizeof(addr)) == 0;
  close(fd);
  return ok;
}

// The wrapper counts, records the command and its input, then runs it with
// that input (unless record_only exists).
std::string wrapperScript(const std::string& rec) {
  return "#!/bin/sh\n"
         "d='" +
         rec +
         "'\n"
         "n=$(cat \"$d/count\" 2>/dev/null || echo 0)\n"
         "echo $((n + 1)) > \"$d/count\"\n"
         "printf '%s' \"$SSH_ORIGINAL_COMMAND\" > \"$d/command.txt\"\n"
         "cat > \"$d/stdin.txt\"\n"
         "[ -e \"$d/record_only\" ] && exit 0\n"
         "exec /bin/sh -c \"$SSH_ORIGINAL_COMMAND\" < \"$d/stdin.txt\"\n";
}

}  // namespace

std::string LocalSshServer::unavailableReason() {
  if (geteuid() != 0) return "the OpenSSH end-to-end tests need root (they create a test account)";
  if (access(SSHD_PATH, X_OK) != 0) return "no OpenSSH server at /usr/sbin/sshd (install openssh-server)";
  if (access("/usr/bin/ssh-keygen", X_OK) != 0) return "no ssh-keygen (install openssh-client)";
  if (access("/usr/sbin/useradd", X_OK) != 0) return "no useradd to create the test account";
  return "";
}

LocalSshServer::LocalSshServer() : LocalSshServer(Options()) {}

LocalSshServer::LocalSshServer(const Options& options) : options_(options) {
  error_ = unavailableReason();
  if (!error_.empty()) return;
  dir_ = makeTempDir("/tmp/qsodeck-sshd-");
  if (dir_.empty()) {
    error_ = "no temporary folder";
    return;
  }
  chmod(dir_.c_str(), 0755);
  user_ = "qsdt" + randomLetters(8);
  password_ = "Pw-" + randomLetters(12) + " 'x";
  port_ = unusedLocalPort();
  if (createAccount() && writeFiles() && generateHostKey()) startDaemon();
}

LocalSshServer::~LocalSshServer() {
  stopDaemon();
  if (accountCreated_) {
    endAccountProcesses();
    runAccountCommand("userdel " + user_);
  }
  if (!dir_.empty()) removeTempDir(dir_);
}

bool LocalSshServer::createAccount() {
  const std::string home = dir_ + "/home";
  if (!runAccountCommand("useradd -M -d '" + home + "' -s /bin/sh " + user_)) {
    error_ = "useradd failed for " + user_;
    return false;
  }
  accountCreated_ = true;
  // chpasswd reads "user:password" lines; the password has a blank and a quote.
  if (!writeWholeFile(dir_ + "/pw.txt", user_ + ":" + password_ + "\n") ||
      !runAccountCommand("chpasswd < '" + dir_ + "/pw.txt'")) {
    error_ = "chpasswd failed";
    return false;
  }
  unlink((dir_ + "/pw.txt").c_str());
  mkdir(home.c_str(), 0755);
  mkdir((dir_ + "/rec").c_str(), 0755);
  return runShell("chown " + user_ + " '" + home + "' '" + dir_ + "/rec'") == 0;
}

bool LocalSshServer::writeFiles() {
  const std::string rec = dir_ + "/rec";
  const std::string wrapper = dir_ + "/record.sh";
  if (!writeWholeFile(wrapper, wrapperScript(rec)) || chmod(wrapper.c_str(), 0755) != 0) return false;
  std::string conf = "Port " + std::to_string(port_) + "\nListenAddress 127.0.0.1\nHostKey " + dir_ +
                     "/host_key\nPidFile none\nStrictModes no\nPubkeyAuthentication no\n"
                     "PermitRootLogin no\nAllowUsers " +
                     user_ + "\nForceCommand " + wrapper +
                     "\nPrintMotd no\nPrintLastLog no\nUseDNS no\nLogLevel ERROR\nMaxStartups 50\n";
  conf += options_.keyboardInteractiveOnly
              ? "UsePAM yes\nPasswordAuthentication no\nKbdInteractiveAuthentication yes\n"
              : "UsePAM no\nPasswordAuthentication yes\nKbdInteractiveAuthentication no\n";
  mkdir("/run/sshd", 0755);  // sshd's privilege-separation folder
  return writeWholeFile(dir_ + "/sshd_config", conf);
}

bool LocalSshServer::generateHostKey() {
  const std::string key = dir_ + "/host_key";
  unlink(key.c_str());
  unlink((key + ".pub").c_str());
  if (runShell("ssh-keygen -q -t ed25519 -N '' -f '" + key + "' >/dev/null 2>&1") != 0) {
    error_ = "ssh-keygen failed";
    return false;
  }
  return true;
}

bool LocalSshServer::startDaemon() {
  const std::string conf = dir_ + "/sshd_config";
  const std::string log = dir_ + "/sshd.log";
  pid_ = fork();
  if (pid_ == 0) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      dup2(fd, STDERR_FILENO);
      dup2(fd, STDOUT_FILENO);
    }
    execl(SSHD_PATH, SSHD_PATH, "-D", "-e", "-f", conf.c_str(), (char*)nullptr);
    _exit(127);
  }
  for (int waited = 0; pid_ > 0 && waited < START_WAIT_MS; waited += 50) {
    if (portAnswers(port_)) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    usleep(50 * 1000);
  }
  error_ = "sshd did not start: " + readWholeFile(log);
  stopDaemon();
  return false;
}

// Commands still running under the test account (a command the client gave
// up on) are ended by their process ids, so that the account can go.
void LocalSshServer::endAccountProcesses() {
  FILE* ps = popen(("ps -o pid= -u " + user_ + " 2>/dev/null").c_str(), "r");
  if (ps == nullptr) return;
  int pid = 0;
  while (fscanf(ps, "%d", &pid) == 1) {
    if (pid > 1) kill((pid_t)pid, SIGKILL);
  }
  pclose(ps);
}

void LocalSshServer::stopDaemon() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

int LocalSshServer::commandCount() const { return atoi(readWholeFile(dir_ + "/rec/count").c_str()); }

std::string LocalSshServer::lastCommand() const { return readWholeFile(dir_ + "/rec/command.txt"); }

std::string LocalSshServer::lastStdin() const { return readWholeFile(dir_ + "/rec/stdin.txt"); }

void LocalSshServer::setRecordOnly(bool recordOnly) {
  const std::string flag = dir_ + "/rec/record_only";
  if (recordOnly) {
    writeWholeFile(flag, "");
  } else {
    unlink(flag.c_str());
  }
}

bool LocalSshServer::replaceHostKey() {
  stopDaemon();
  return generateHostKey() && startDaemon();
}

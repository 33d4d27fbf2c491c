#include "host/ssh_client.h"

#include <chrono>

#include "host/board_stubs.h"
#include "host/storage.h"

const char* const SSH_KNOWN_HOSTS_PATH = "/ssh_known_hosts";

String desktopFirstNonEmptyLine(const String& text) {
  int start = 0;
  const int len = (int)text.length();
  while (start <= len) {
    int end = text.indexOf('\n', start);
    if (end < 0) end = len;
    String line = text.substring(start, end);
    line.trim();
    if (!line.isEmpty()) return line;
    start = end + 1;
  }
  return String();
}

const char* desktopSshOutcomeName(DesktopSshOutcome outcome) {
  switch (outcome) {
    case DesktopSshOutcome::OK: return "ok";
    case DesktopSshOutcome::COMMAND_FAILED: return "command failed";
    case DesktopSshOutcome::HOST_KEY_CHANGED: return "host key changed";
    case DesktopSshOutcome::CONNECT_FAILED: return "connect failed";
    case DesktopSshOutcome::AUTH_FAILED: return "login refused";
    case DesktopSshOutcome::CHANNEL_FAILED: return "channel failed";
    case DesktopSshOutcome::TIMED_OUT: return "timed out";
    case DesktopSshOutcome::STOPPED: return "stopped";
    case DesktopSshOutcome::NOT_COMPILED: return "not compiled";
  }
  return "unknown";
}

String desktopSshKnownHostsFile() { return SD.mapPath(SSH_KNOWN_HOSTS_PATH); }

#if QSODECK_HAVE_SSH

#include <libssh/libssh.h>

#include <mutex>

bool desktopSshCompiledIn() { return true; }

namespace {

// Milliseconds of the system's steady clock (a task never reads the
// program's millis(), which tests may hold still).
uint32_t steadyMs() {
  using namespace std::chrono;
  return (uint32_t)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const int SSH_READ_SLICE_MS = 100;
const int SSH_KBDINT_MAX_ROUNDS = 8;
const size_t SSH_READ_PIECE_BYTES = 4096;

// Checking and pinning host keys never overlap between two tasks.
std::mutex gKnownHostsMutex;

// One run: the libssh objects (freed on every path), its clock and result.
struct SshRun {
  SshRun(const DesktopSshRequest& r, DesktopSshResult& out) : req(r), res(out), startMs(steadyMs()) {}
  ~SshRun() {
    if (channel != nullptr) {
      ssh_channel_close(channel);
      ssh_channel_free(channel);
    }
    if (session != nullptr) {
      ssh_disconnect(session);
      ssh_free(session);
    }
  }
  const DesktopSshRequest& req;
  DesktopSshResult& res;
  uint32_t startMs;
  ssh_session session = nullptr;
  ssh_channel channel = nullptr;
  String out;
  String err;
};

bool fail(SshRun& run, DesktopSshOutcome outcome, const String& text) {
  run.res.outcome = outcome;
  run.res.error = desktopFirstNonEmptyLine(text);
  return false;
}

String sessionError(SshRun& run) {
  const char* text = run.session != nullptr ? ssh_get_error(run.session) : nullptr;
  return String(text != nullptr ? text : "");
}

uint32_t remainingMs(const SshRun& run) {
  const uint32_t used = steadyMs() - run.startMs;
  return used >= run.req.commandTimeoutMs ? 0 : run.req.commandTimeoutMs - used;
}

// False (with the outcome set) when the run is out of time or the host stops.
bool mayGoOn(SshRun& run) {
  if (desktopTaskStopRequested()) return fail(run, DesktopSshOutcome::STOPPED, "stopped at shut-down");
  if (remainingMs(run) == 0) {
    return fail(run, DesktopSshOutcome::TIMED_OUT,
                String("timed out after ") + String((unsigned long)(run.req.commandTimeoutMs / 1000)) + " s");
  }
  return true;
}

// Each blocking libssh step waits at most the connect time-out, and never
// past the end of the whole run.
void limitNextStep(SshRun& run) {
  uint32_t ms = run.req.connectTimeoutMs;
  const uint32_t left = remainingMs(run);
  if (left < ms) ms = left;
  if (ms == 0) ms = 1;
  long seconds = (long)(ms / 1000);
  long micros = (long)(ms % 1000) * 1000;
  ssh_options_set(run.session, SSH_OPTIONS_TIMEOUT, &seconds);
  ssh_options_set(run.session, SSH_OPTIONS_TIMEOUT_USEC, &micros);
}

bool openSession(SshRun& run) {
  run.session = ssh_new();
  if (run.session == nullptr) return fail(run, DesktopSshOutcome::CONNECT_FAILED, "out of memory");
  int port = run.req.port;
  int verbosity = SSH_LOG_NOLOG;
  bool processConfig = false;
  const char* knownHosts = run.req.knownHostsFile.c_str();
  ssh_options_set(run.session, SSH_OPTIONS_LOG_VERBOSITY, &verbosity);
  ssh_options_set(run.session, SSH_OPTIONS_PROCESS_CONFIG, &processConfig);
  if (ssh_options_set(run.session, SSH_OPTIONS_HOST, run.req.host.c_str()) != SSH_OK ||
      ssh_options_set(run.session, SSH_OPTIONS_PORT, &port) != SSH_OK ||
      ssh_options_set(run.session, SSH_OPTIONS_USER, run.req.user.c_str()) != SSH_OK) {
    return fail(run, DesktopSshOutcome::CONNECT_FAILED, sessionError(run));
  }
  // Only our own file counts: the system's known hosts play no part.
  ssh_options_set(run.session, SSH_OPTIONS_KNOWNHOSTS, knownHosts);
  ssh_options_set(run.session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, knownHosts);
  if (!mayGoOn(run)) return false;
  limitNextStep(run);
  if (ssh_connect(run.session) != SSH_OK)
    return fail(run, DesktopSshOutcome::CONNECT_FAILED, sessionError(run));
  return true;
}

// Compares the host's key with the pinned one. A host seen for the first
// time passes with pinLater set: its key is stored once the login worked.
bool verifyHostKey(SshRun& run, bool& pinLater) {
  std::lock_guard<std::mutex> lock(gKnownHostsMutex);
  switch (ssh_session_is_known_server(run.session)) {
    case SSH_KNOWN_HOSTS_OK: return true;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      return fail(run, DesktopSshOutcome::HOST_KEY_CHANGED,
                  String("SSH host key changed for ") + run.req.host + "; refusing.");
    case SSH_KNOWN_HOSTS_NOT_FOUND:
    case SSH_KNOWN_HOSTS_UNKNOWN: pinLater = true; return true;
    case SSH_KNOWN_HOSTS_ERROR: break;
  }
  return fail(run, DesktopSshOutcome::CONNECT_FAILED, sessionError(run));
}

// Trust on first use: stores the key unless another task just did.
void pinHostKey(SshRun& run) {
  std::lock_guard<std::mutex> lock(gKnownHostsMutex);
  if (ssh_session_is_known_server(run.session) == SSH_KNOWN_HOSTS_OK) return;
  run.res.hostKeyStored = ssh_session_update_known_hosts(run.session) == SSH_OK;
}

// Answers every hidden prompt with the password (visible ones stay empty).
int keyboardInteractiveLogin(SshRun& run) {
  int rc = ssh_userauth_kbdint(run.session, nullptr, nullptr);
  for (int round = 0; rc == SSH_AUTH_INFO && round < SSH_KBDINT_MAX_ROUNDS; ++round) {
    const int prompts = ssh_userauth_kbdint_getnprompts(run.session);
    for (int i = 0; i < prompts; ++i) {
      char echo = 0;
      ssh_userauth_kbdint_getprompt(run.session, (unsigned)i, &echo);
      ssh_userauth_kbdint_setanswer(run.session, (unsigned)i, echo ? "" : run.req.password.c_str());
    }
    limitNextStep(run);
    rc = ssh_userauth_kbdint(run.session, nullptr, nullptr);
  }
  return rc;
}

bool login(SshRun& run) {
  limitNextStep(run);
  int rc = ssh_userauth_none(run.session, nullptr);
  if (rc == SSH_AUTH_SUCCESS) return true;
  if (rc == SSH_AUTH_ERROR) return fail(run, DesktopSshOutcome::CONNECT_FAILED, sessionError(run));
  const int methods = ssh_userauth_list(run.session, nullptr);
  if ((methods & SSH_AUTH_METHOD_PASSWORD) != 0 && mayGoOn(run)) {
    limitNextStep(run);
    rc = ssh_userauth_password(run.session, nullptr, run.req.password.c_str());
    if (rc == SSH_AUTH_SUCCESS) return true;
  }
  if ((methods & SSH_AUTH_METHOD_INTERACTIVE) != 0 && mayGoOn(run)) {
    rc = keyboardInteractiveLogin(run);
    if (rc == SSH_AUTH_SUCCESS) return true;
  }
  if (run.res.outcome == DesktopSshOutcome::TIMED_OUT || run.res.outcome == DesktopSshOutcome::STOPPED)
    return false;
  String text = sessionError(run);
  if (text.isEmpty()) text = String("login refused for ") + run.req.user;
  return fail(run, DesktopSshOutcome::AUTH_FAILED, text);
}

bool startCommand(SshRun& run) {
  limitNextStep(run);
  run.channel = ssh_channel_new(run.session);
  if (run.channel == nullptr || ssh_channel_open_session(run.channel) != SSH_OK ||
      ssh_channel_request_exec(run.channel, run.req.command.c_str()) != SSH_OK) {
    return fail(run, DesktopSshOutcome::CHANNEL_FAILED, sessionError(run));
  }
  if (run.req.sendSudoPassword) {
    const String line = run.req.password + "\n";
    if (ssh_channel_write(run.channel, line.c_str(), (uint32_t)line.length()) != (int)line.length())
      return fail(run, DesktopSshOutcome::CHANNEL_FAILED, sessionError(run));
  }
  if (ssh_channel_send_eof(run.channel) != SSH_OK)
    return fail(run, DesktopSshOutcome::CHANNEL_FAILED, sessionError(run));
  return true;
}

// One read of one stream (waiting up to timeoutMs; 0: what is there).
bool readPiece(SshRun& run, bool fromStderr, int timeoutMs) {
  char piece[SSH_READ_PIECE_BYTES];
  const int n =
      timeoutMs > 0
          ? ssh_channel_read_timeout(run.channel, piece, sizeof(piece), fromStderr ? 1 : 0, timeoutMs)
          : ssh_channel_read_nonblocking(run.channel, piece, sizeof(piece), fromStderr ? 1 : 0);
  if (n == SSH_ERROR) return fail(run, DesktopSshOutcome::CHANNEL_FAILED, sessionError(run));
  String& keep = fromStderr ? run.err : run.out;
  for (int i = 0; i < n && keep.length() < SSH_OUTPUT_KEEP_BYTES; ++i) keep += piece[i];
  return true;
}

// Reads both streams until the command closes them.
bool collectOutput(SshRun& run) {
  while (!ssh_channel_is_eof(run.channel)) {
    if (!mayGoOn(run)) return false;
    if (!readPiece(run, false, SSH_READ_SLICE_MS) || !readPiece(run, true, 0)) return false;
  }
  return readPiece(run, false, 0) && readPiece(run, true, 0);
}

void finishCommand(SshRun& run) {
  limitNextStep(run);
  run.res.exitStatus = ssh_channel_get_exit_status(run.channel);
  run.res.outputLine = desktopFirstNonEmptyLine(run.out);
  if (run.res.exitStatus == 0) {
    run.res.outcome = DesktopSshOutcome::OK;
    return;
  }
  run.res.outcome = DesktopSshOutcome::COMMAND_FAILED;
  run.res.error = desktopFirstNonEmptyLine(run.err);
  if (run.res.error.isEmpty()) run.res.error = run.res.outputLine;
  if (run.res.error.isEmpty()) run.res.error = desktopFirstNonEmptyLine(sessionError(run));
}

void runSteps(SshRun& run) {
  bool pinLater = false;
  if (!openSession(run) || !verifyHostKey(run, pinLater) || !mayGoOn(run) || !login(run)) return;
  if (pinLater) pinHostKey(run);
  if (!mayGoOn(run) || !startCommand(run) || !collectOutput(run)) return;
  finishCommand(run);
}

}  // namespace

bool desktopSshKnownHostsPins(const String& knownHostsFile, const String& host, uint16_t port) {
  ssh_session session = ssh_new();
  if (session == nullptr) return false;
  int sshPort = port;
  int verbosity = SSH_LOG_NOLOG;
  bool processConfig = false;
  ssh_options_set(session, SSH_OPTIONS_LOG_VERBOSITY, &verbosity);
  ssh_options_set(session, SSH_OPTIONS_PROCESS_CONFIG, &processConfig);
  bool pinned = false;
  if (ssh_options_set(session, SSH_OPTIONS_HOST, host.c_str()) == SSH_OK &&
      ssh_options_set(session, SSH_OPTIONS_PORT, &sshPort) == SSH_OK &&
      ssh_options_set(session, SSH_OPTIONS_KNOWNHOSTS, knownHostsFile.c_str()) == SSH_OK &&
      ssh_options_set(session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, knownHostsFile.c_str()) == SSH_OK) {
    std::lock_guard<std::mutex> lock(gKnownHostsMutex);
    pinned = ssh_session_has_known_hosts_entry(session) == SSH_KNOWN_HOSTS_OK;
  }
  ssh_free(session);
  return pinned;
}

DesktopSshResult desktopSshRun(const DesktopSshRequest& request) {
  DesktopSshResult result;
  result.outcome = DesktopSshOutcome::CONNECT_FAILED;
  const uint32_t startMs = steadyMs();
  {
    SshRun run(request, result);
    runSteps(run);
  }
  result.elapsedMs = steadyMs() - startMs;
  return result;
}

#else  // no libssh in this build

bool desktopSshCompiledIn() { return false; }

bool desktopSshKnownHostsPins(const String&, const String&, uint16_t) { return false; }

DesktopSshResult desktopSshRun(const DesktopSshRequest& request) {
  DesktopSshResult result;
  result.outcome = DesktopSshOutcome::NOT_COMPILED;
  result.error = "SSH is not compiled into this build";
  return result;
}

#endif

// SSH transport of the desktop host (libssh): one remote command per
// connection, run on an exec channel, with password or keyboard-interactive
// authentication and host keys pinned on first use in an OpenSSH
// known-hosts file. Runs on the calling thread (a background task) and
// touches no state of the program; the password never reaches a trace line.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

// Card path of the known-hosts file (OpenSSH format, one line per host key).
extern const char* const SSH_KNOWN_HOSTS_PATH;
// Connecting, key exchange and each step of the login must finish within this.
const uint32_t SSH_CONNECT_TIMEOUT_MS = 10000;  // 10 s
// The whole run, connection included, must finish within this.
const uint32_t SSH_COMMAND_TIMEOUT_MS = 30000;  // 30 s
// Output kept per stream (the rest is read and dropped).
const size_t SSH_OUTPUT_KEEP_BYTES = 16384;

// One remote command to run.
struct DesktopSshRequest {
  String host;  // name or address, no scheme, port or path
  uint16_t port = 22;
  String user;
  String password;
  String command;
  // Writes the password and a line feed to the command's standard input
  // (for "sudo -S"); otherwise the input is closed at once.
  bool sendSudoPassword = false;
  // Local file holding the pinned host keys (see desktopSshKnownHostsFile).
  String knownHostsFile;
  uint32_t connectTimeoutMs = SSH_CONNECT_TIMEOUT_MS;
  uint32_t commandTimeoutMs = SSH_COMMAND_TIMEOUT_MS;
};

// How a run ended.
enum class DesktopSshOutcome {
  OK,                // the command exited with status 0
  COMMAND_FAILED,    // it ran and exited with another status (or by a signal)
  HOST_KEY_CHANGED,  // the host showed a key other than the pinned one; nothing was sent
  CONNECT_FAILED,    // no connection or key exchange
  AUTH_FAILED,       // the login was refused
  CHANNEL_FAILED,    // the session or the command could not be started or broke off
  TIMED_OUT,         // the whole run took longer than commandTimeoutMs
  STOPPED,           // the host is shutting down its tasks
  NOT_COMPILED,      // this build has no SSH transport
};

struct DesktopSshResult {
  DesktopSshOutcome outcome = DesktopSshOutcome::NOT_COMPILED;
  bool ok() const { return outcome == DesktopSshOutcome::OK; }
  int exitStatus = -1;  // -1 when no status came back
  // Failure text: the first non-empty line of the command's error output,
  // else of its output, else the transport's own error text. Empty on success.
  String error;
  // The first non-empty line of the command's output.
  String outputLine;
  uint32_t elapsedMs = 0;
  // True when this run pinned the host's key (first connection).
  bool hostKeyStored = false;
};

// True when this build carries the SSH transport.
bool desktopSshCompiledIn();

// The local path of the known-hosts file on the card volume.
String desktopSshKnownHostsFile();

// True when the known-hosts file (as written by the transport, or edited or
// damaged by hand) pins a key for host:port, which the host's key is then
// checked against. False for no entry, an unreadable file or no transport.
bool desktopSshKnownHostsPins(const String& knownHostsFile, const String& host, uint16_t port);

// Runs one command. Blocks for at most about commandTimeoutMs (less when the
// host asks its tasks to stop).
DesktopSshResult desktopSshRun(const DesktopSshRequest& request);

// Short name of an outcome for log lines ("ok", "host key changed", ...).
const char* desktopSshOutcomeName(DesktopSshOutcome outcome);

// The first non-empty line of text, trimmed ("" when there is none).
String desktopFirstNonEmptyLine(const String& text);

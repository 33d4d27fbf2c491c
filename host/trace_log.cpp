#include "host/trace_log.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

namespace {

const char* const LOG_FILE_NAME = "desktop.log";
const char* const RUN_BANNER = "\n--- Qsodeck desktop run ---\n";
const size_t TRACE_BUFFER_BYTES = 2048;

// True when the environment variable name is set to exactly value.
bool envEquals(const char* name, const char* value) {
  const char* v = getenv(name);
  return v && strcmp(v, value) == 0;
}

// Request workers trace too: one lock keeps every line whole on the console
// and in the log, and the log file opened once.
std::recursive_mutex& outputLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;  // never destroyed: workers may trace late
  return *lock;
}

// The last TRACE_RECENT_LINES_MAX complete lines and the line being written
// (guarded by outputLock); never destroyed, like the lock.
struct RecentLines {
  std::deque<std::string> lines;
  std::string partial;
};
RecentLines& recentLines() {
  static RecentLines* r = new RecentLines;
  return *r;
}

void keepRecent(const char* data, size_t len) {
  RecentLines& r = recentLines();
  for (size_t i = 0; i < len; ++i) {
    if (data[i] == '\r') continue;
    if (data[i] != '\n') {
      if (r.partial.size() < TRACE_BUFFER_BYTES) r.partial.push_back(data[i]);
      continue;
    }
    r.lines.push_back(std::move(r.partial));
    r.partial.clear();
    if (r.lines.size() > TRACE_RECENT_LINES_MAX) r.lines.pop_front();
  }
}

// The bytes to the console and, when the log is open, to the log.
void writeOutput(const char* data, size_t len) {
  std::lock_guard<std::recursive_mutex> guard(outputLock());
  keepRecent(data, len);
  fwrite(data, 1, len, stdout);
  fflush(stdout);
  desktopLogRaw(data, len);
}

// Where the log is opened; the working directory's "desktop.log" by default.
std::string& logPath() {
  static std::string* path = new std::string(LOG_FILE_NAME);  // never destroyed: workers may trace late
  return *path;
}

}  // namespace

SerialClass Serial;

void desktopSetLogFolder(const char* folder) {
  std::lock_guard<std::recursive_mutex> guard(outputLock());
  logPath() = (folder == nullptr || folder[0] == '\0') ? std::string(LOG_FILE_NAME)
                                                       : std::string(folder) + "/" + LOG_FILE_NAME;
}

FILE*& desktopLogFile() {
  static FILE* file = nullptr;
  return file;
}

void desktopInitLog() {
  std::lock_guard<std::recursive_mutex> guard(outputLock());
  FILE*& file = desktopLogFile();
  if (file) return;
  file = fopen(logPath().c_str(), "ab");
  if (!file) return;
  fwrite(RUN_BANNER, 1, strlen(RUN_BANNER), file);
  fflush(file);
}

void desktopLogRaw(const char* data, size_t len) {
  if (!data || len == 0) return;
  std::lock_guard<std::recursive_mutex> guard(outputLock());
  desktopInitLog();
  FILE* file = desktopLogFile();
  if (!file) return;
  fwrite(data, 1, len, file);
  fflush(file);
}

void desktopCloseLog() {
  std::lock_guard<std::recursive_mutex> guard(outputLock());
  FILE*& file = desktopLogFile();
  if (!file) return;
  fflush(file);
  fclose(file);
  file = nullptr;
}

std::vector<std::string> desktopRecentTraceLines() {
  std::lock_guard<std::recursive_mutex> guard(outputLock());
  const std::deque<std::string>& lines = recentLines().lines;
  return std::vector<std::string>(lines.rbegin(), lines.rend());
}

bool desktopTraceEnabled() { return !envEquals("QSODECK_DESKTOP_TRACE", "0"); }

bool desktopVerboseTraceEnabled() { return envEquals("QSODECK_DESKTOP_VERBOSE", "1"); }

bool desktopHttpTraceEnabled() { return envEquals("QSODECK_DESKTOP_HTTP_TRACE", "1"); }

void desktopTrace(const char* fmt, ...) {
  if (!fmt || !desktopTraceEnabled()) return;
  char buf[TRACE_BUFFER_BYTES];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof(buf), fmt, ap);
  va_end(ap);
  if (n <= 0) return;
  size_t len = (size_t)n < sizeof(buf) ? (size_t)n : sizeof(buf) - 1;
  writeOutput(buf, len);
}

void SerialClass::begin(unsigned long baud) { desktopInitLog(); }

size_t SerialClass::write(uint8_t b) {
  char c = (char)b;
  writeOutput(&c, 1);
  return 1;
}

size_t SerialClass::write(const uint8_t* buf, size_t n) {
  if (!buf || n == 0) return 0;
  writeOutput((const char*)buf, n);
  return n;
}

void SerialClass::flush() { fflush(stdout); }

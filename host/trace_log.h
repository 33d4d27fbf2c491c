#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/runtime.h"

// The log file handle ("desktop.log" in the working directory, or in the
// folder set by desktopSetLogFolder); null until opened and again after
// desktopCloseLog.
FILE*& desktopLogFile();

// Puts "desktop.log" into folder (null or "": the working directory) for the
// next desktopInitLog that opens it; a log already open stays where it is.
void desktopSetLogFolder(const char* folder);

// Opens the log for appending and writes the run banner when it is not open
// yet; a failed open leaves it closed and is tried again on the next call.
void desktopInitLog();

// Appends len bytes to the log (opening it if needed) and flushes; nothing for
// null data or len 0.
void desktopLogRaw(const char* data, size_t len);

// Flushes, closes and forgets the log file (used by shutdown).
void desktopCloseLog();

// Writes one trace line to standard output and the log (cut at 2047 bytes);
// nothing when tracing is disabled.
void desktopTrace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// How many complete output lines (trace and serial console) are kept.
static const size_t TRACE_RECENT_LINES_MAX = 200;
// The kept output lines, newest first (written while tracing was on).
std::vector<std::string> desktopRecentTraceLines();

// False only when QSODECK_DESKTOP_TRACE is exactly "0".
bool desktopTraceEnabled();

// True only when QSODECK_DESKTOP_VERBOSE is exactly "1".
bool desktopVerboseTraceEnabled();

// True only when QSODECK_DESKTOP_HTTP_TRACE is exactly "1".
bool desktopHttpTraceEnabled();

// The firmware's serial console: standard output plus the log file.
class SerialClass : public Print {
 public:
  using Print::write;
  // Opens the log; the baud rate is ignored.
  void begin(unsigned long baud = 115200);
  // Writes one byte to standard output and the log; returns 1.
  size_t write(uint8_t b) override;
  // Writes n bytes to standard output and the log; returns n.
  size_t write(const uint8_t* buf, size_t n) override;
  // Always ready on the desktop.
  explicit operator bool() const { return true; }
  void flush();
};

extern SerialClass Serial;

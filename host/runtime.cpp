#include "host/runtime.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace {

// The test clock: when active, millis() returns testClockMs.
bool testClockActive = false;
uint32_t testClockMs = 0;

uint64_t bootTimeNs() {
  struct timespec ts;
  if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) {
    clock_gettime(CLOCK_MONOTONIC, &ts);
  }
  return (uint64_t)ts.tv_sec * 1000000000ull + (uint64_t)ts.tv_nsec;
}

// Sleeps ms milliseconds, resuming after signal interruptions.
void sleepMs(uint32_t ms) {
  struct timespec req;
  req.tv_sec = (time_t)(ms / 1000u);
  req.tv_nsec = (long)(ms % 1000u) * 1000000L;
  struct timespec rem;
  while (nanosleep(&req, &rem) != 0 && errno == EINTR) {
    req = rem;
  }
}

}  // namespace

uint32_t millis() {
  if (testClockActive) return testClockMs;
  return (uint32_t)(bootTimeNs() / 1000000ull);
}

uint32_t micros() {
  if (testClockActive) return testClockMs * 1000u;
  return (uint32_t)(bootTimeNs() / 1000ull);
}

void delay(uint32_t ms) {
  if (testClockActive) {
    testClockMs += ms;
    return;
  }
  sleepMs(ms);
}

void desktopSetTestClock(uint32_t ms) {
  testClockActive = true;
  testClockMs = ms;
}

void desktopClearTestClock() { testClockActive = false; }

bool desktopTestClockActive() { return testClockActive; }

long map(long x, long in_min, long in_max, long out_min, long out_max) {
  if (in_min == in_max) return out_min;
  __int128 num = ((__int128)out_max - out_min) * ((__int128)x - in_min);
  __int128 r = (__int128)out_min + num / ((__int128)in_max - in_min);
  return (long)r;
}

bool isDigit(int c) {
  unsigned char u = (unsigned char)c;
  return u >= '0' && u <= '9';
}

bool isAlpha(int c) { return isalpha((unsigned char)c) != 0; }

bool isSpace(int c) { return isspace((unsigned char)c) != 0; }

bool isAlphaNumeric(int c) { return isalnum((unsigned char)c) != 0; }

size_t desktopStrlcpy(char* dst, const char* src, size_t size) {
  if (!src) src = "";
  size_t len = strlen(src);
  if (dst && size > 0) {
    size_t n = len < size - 1 ? len : size - 1;
    memmove(dst, src, n);
    dst[n] = '\0';
  }
  return len;
}

struct tm* desktop_localtime_r(const time_t* t, struct tm* out) {
  if (!t || !out) return nullptr;
  return localtime_r(t, out);
}

struct tm* desktop_gmtime_r(const time_t* t, struct tm* out) {
  if (!t || !out) return nullptr;
  return gmtime_r(t, out);
}

bool getLocalTime(struct tm* out, uint32_t timeoutMs) {
  if (!out) return false;
  time_t now = time(nullptr);
  return desktop_localtime_r(&now, out) != nullptr;
}

void configTzTime(const char* tz, const char* server1, const char* server2, const char* server3) {}

// ---- Print -----------------------------------------------------------------

size_t Print::write(const uint8_t* buf, size_t n) {
  if (!buf) return 0;
  size_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum += write(buf[i]);
  return sum;
}

size_t Print::write(const char* text) {
  if (!text) return 0;
  return write((const uint8_t*)text, strlen(text));
}

size_t Print::print(const char* text) { return write(text); }
size_t Print::print(const String& text) { return write((const uint8_t*)text.c_str(), text.length()); }
size_t Print::print(char c) { return write((uint8_t)c); }
size_t Print::print(unsigned char v, int base) { return print(String(v, base)); }
size_t Print::print(int v, int base) { return print(String(v, base)); }
size_t Print::print(unsigned int v, int base) { return print(String(v, base)); }
size_t Print::print(long v, int base) { return print(String(v, base)); }
size_t Print::print(unsigned long v, int base) { return print(String(v, base)); }
size_t Print::print(long long v, int base) { return print(String(v, base)); }
size_t Print::print(unsigned long long v, int base) { return print(String(v, base)); }
size_t Print::print(double v, int decimals) { return print(String(v, decimals)); }

size_t Print::println() { return write("\n"); }
size_t Print::println(const char* text) { return print(text) + println(); }
size_t Print::println(const String& text) { return print(text) + println(); }
size_t Print::println(char c) { return print(c) + println(); }
size_t Print::println(unsigned char v, int base) { return print(v, base) + println(); }
size_t Print::println(int v, int base) { return print(v, base) + println(); }
size_t Print::println(unsigned int v, int base) { return print(v, base) + println(); }
size_t Print::println(long v, int base) { return print(v, base) + println(); }
size_t Print::println(unsigned long v, int base) { return print(v, base) + println(); }
size_t Print::println(long long v, int base) { return print(v, base) + println(); }
size_t Print::println(unsigned long long v, int base) { return print(v, base) + println(); }
size_t Print::println(double v, int decimals) { return print(v, decimals) + println(); }

size_t Print::printf(const char* fmt, ...) {
  if (!fmt) return 0;
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof(buf), fmt, ap);
  va_end(ap);
  if (n <= 0) return 0;
  size_t shown = (size_t)n < sizeof(buf) ? (size_t)n : sizeof(buf) - 1;
  write((const uint8_t*)buf, shown);
  return (size_t)n;
}

// ---- Stream ----------------------------------------------------------------

size_t Stream::readBytes(uint8_t* buf, size_t n) {
  if (!buf) return 0;
  size_t count = 0;
  while (count < n && available() > 0) {
    int c = read();
    if (c < 0) break;
    buf[count++] = (uint8_t)c;
  }
  return count;
}

String Stream::readString() {
  std::string out;
  while (available() > 0) {
    int c = read();
    if (c < 0) break;
    out += (char)c;
  }
  return String(std::move(out));
}

String Stream::readStringUntil(char terminator) {
  std::string out;
  while (available() > 0) {
    int c = read();
    if (c < 0 || (char)c == terminator) break;
    out += (char)c;
  }
  return String(std::move(out));
}

// ---- IPAddress -------------------------------------------------------------

IPAddress::IPAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  char buf[20];
  snprintf(buf, sizeof(buf), "%u.%u.%u.%u", (unsigned)a, (unsigned)b, (unsigned)c, (unsigned)d);
  value_ = buf;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "host/wstring.h"

// ---- Clock and sleeps -------------------------------------------------------

// Milliseconds since the host system started (CLOCK_BOOTTIME), cut to 32 bits;
// wraps after about 49.7 days, so callers compare by unsigned difference.
uint32_t millis();

// Microseconds since the host system started, cut to 32 bits.
uint32_t micros();

// The one "is it time yet" test of the program: elapsedSince is the age of a
// timestamp, intervalElapsed is true when at least interval milliseconds
// passed since last. The unsigned difference stays right across
// the wrap of millis(); absolute times are never compared.
inline uint32_t elapsedSince(uint32_t now, uint32_t last) { return (uint32_t)(now - last); }
inline bool intervalElapsed(uint32_t now, uint32_t last, uint32_t interval) {
  return elapsedSince(now, last) >= interval;
}

// True when now is at or after the absolute deadline at (within half the
// counter range either side).
inline bool deadlineReached(uint32_t now, uint32_t at) { return (int32_t)(now - at) >= 0; }

// True when a refresh was never attempted (lastAttempt 0) or its interval passed.
inline bool refreshDue(uint32_t now, uint32_t lastAttempt, uint32_t interval) {
  return lastAttempt == 0 || intervalElapsed(now, lastAttempt, interval);
}

// Blocks the thread for ms milliseconds; with the test clock active it only
// advances the test clock by ms.
void delay(uint32_t ms);

// Makes millis() return exactly ms from now on (tests of time-driven code).
void desktopSetTestClock(uint32_t ms);

// Returns millis() to the real clock.
void desktopClearTestClock();

// True while the test clock set by desktopSetTestClock is in use.
bool desktopTestClockActive();

// ---- Ranges ----------------------------------------------------------------

namespace desktop_detail {
template <class T>
struct SameType {
  using type = T;
};
}  // namespace desktop_detail

// Smaller of two values of one type.
template <class T>
inline T min(T a, T b) {
  return b < a ? b : a;
}

// Larger of two values of one type.
template <class T>
inline T max(T a, T b) {
  return a < b ? b : a;
}

// lo when x < lo, hi when x > hi, else x; compares in the width of x's type.
template <class T>
inline T constrain(T x, typename desktop_detail::SameType<T>::type lo,
                   typename desktop_detail::SameType<T>::type hi) {
  if (x < lo) return lo;
  if (x > hi) return hi;
  return x;
}

// Re-maps x from in_min..in_max onto out_min..out_max (integer arithmetic,
// division truncating toward zero, computed without overflow); out_min when
// the input bounds are equal.
long map(long x, long in_min, long in_max, long out_min, long out_max);

// ---- Character tests (the byte is taken as unsigned char) -----------------

// True for '0' to '9'.
bool isDigit(int c);
// C-library alphabetic test on the byte.
bool isAlpha(int c);
// C-library whitespace test on the byte.
bool isSpace(int c);
// C-library alphanumeric test on the byte.
bool isAlphaNumeric(int c);

// ---- strlcpy ---------------------------------------------------------------

// Copies at most size - 1 bytes of src into dst and terminates it (when dst is
// non-null and size > 0); a null src counts as "". Returns strlen(src).
size_t desktopStrlcpy(char* dst, const char* src, size_t size);

#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 38))
#define strlcpy desktopStrlcpy
#else
inline size_t strlcpy(char* dst, const char* src, size_t size) { return desktopStrlcpy(dst, src, size); }
#endif

// ---- Time --------------------------------------------------------------------

// Seconds since 1970 to broken-down local time in out; null when t or out is
// null or the conversion fails.
struct tm* desktop_localtime_r(const time_t* t, struct tm* out);

// Seconds since 1970 to broken-down UTC in out; null on null input or failure.
struct tm* desktop_gmtime_r(const time_t* t, struct tm* out);

// Current local time into out; false when out is null or the conversion fails.
// Never waits (the time-out is ignored).
bool getLocalTime(struct tm* out, uint32_t timeoutMs = 5000);

// No effect: local time is the host's own zone.
void configTzTime(const char* tz, const char* server1 = nullptr, const char* server2 = nullptr,
                  const char* server3 = nullptr);

// ---- Output ------------------------------------------------------------------

// Base of everything that writes text.
class Print {
 public:
  virtual ~Print() = default;
  // Writes one byte; returns the number written.
  virtual size_t write(uint8_t b) = 0;
  // Writes n bytes through the one-byte form; returns the sum.
  virtual size_t write(const uint8_t* buf, size_t n);

  // Writes the bytes of a text (null writes nothing).
  size_t write(const char* text);
  size_t write(const char* buf, size_t n) { return write((const uint8_t*)buf, n); }

  size_t print(const char* text);
  size_t print(const String& text);
  size_t print(char c);
  size_t print(unsigned char value, int base = 10);
  size_t print(int value, int base = 10);
  size_t print(unsigned int value, int base = 10);
  size_t print(long value, int base = 10);
  size_t print(unsigned long value, int base = 10);
  size_t print(long long value, int base = 10);
  size_t print(unsigned long long value, int base = 10);
  size_t print(double value, int decimals = 2);

  size_t println();
  size_t println(const char* text);
  size_t println(const String& text);
  size_t println(char c);
  size_t println(unsigned char value, int base = 10);
  size_t println(int value, int base = 10);
  size_t println(unsigned int value, int base = 10);
  size_t println(long value, int base = 10);
  size_t println(unsigned long value, int base = 10);
  size_t println(long long value, int base = 10);
  size_t println(unsigned long long value, int base = 10);
  size_t println(double value, int decimals = 2);

  // Formats into a 1024-byte buffer and writes it (longer output is cut at
  // 1023 bytes); returns the full formatted count (0 on a format error).
  size_t printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
};

// A Print that can also be read byte by byte.
class Stream : public Print {
 public:
  // Bytes ready to read; 0 here.
  virtual int available() { return 0; }
  // Next byte, or -1 when none; -1 here.
  virtual int read() { return -1; }
  // Reads while fewer than n bytes were read, available() is positive and
  // read() yields a byte; returns the count.
  virtual size_t readBytes(uint8_t* buf, size_t n);
  size_t readBytes(char* buf, size_t n) { return readBytes((uint8_t*)buf, n); }
  // Reads everything available into a text.
  String readString();
  // Reads up to (not including) the terminator or the end.
  String readStringUntil(char terminator);
};

// ---- Small value types ------------------------------------------------------------

// Network address kept as its text form.
class IPAddress {
 public:
  IPAddress() : value_("0.0.0.0") {}
  IPAddress(const char* text) : value_(text) {}
  IPAddress(const String& text) : value_(text) {}
  IPAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
  // The address text.
  String toString() const { return value_; }
  bool operator==(const IPAddress& o) const { return value_ == o.value_; }
  bool operator!=(const IPAddress& o) const { return !(value_ == o.value_); }

 private:
  String value_;
};

// One touch point in panel pixels.
struct TS_Point {
  int16_t x = 0;
  int16_t y = 0;
  int16_t z = 0;
  TS_Point() = default;
  TS_Point(int16_t px, int16_t py, int16_t pz) : x(px), y(py), z(pz) {}
  bool operator==(const TS_Point& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const TS_Point& o) const { return !(*this == o); }
};

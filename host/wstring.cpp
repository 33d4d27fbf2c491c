#include "host/wstring.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Lower-case of one byte in the C locale (bytes 128..255 stay as they are).
char lowerByte(char c) {
  unsigned char u = (unsigned char)c;
  return (u >= 'A' && u <= 'Z') ? (char)(u - 'A' + 'a') : c;
}

// Upper-case of one byte in the C locale.
char upperByte(char c) {
  unsigned char u = (unsigned char)c;
  return (u >= 'a' && u <= 'z') ? (char)(u - 'a' + 'A') : c;
}

// Whitespace removed by trim: space, tab, CR and LF only.
bool isTrimByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int toPos(size_t p) { return p == std::string::npos ? -1 : (int)p; }

}  // namespace

String::String(const char* text) : s_(text ? text : "") {}

String::String(const char* text, size_t len) {
  if (text) s_.assign(text, len);
}

String::String(unsigned char value, int base) : s_(fromUnsigned(value, base).s_) {}
String::String(int value, int base) : s_(fromSigned(value, base).s_) {}
String::String(unsigned int value, int base) : s_(fromUnsigned(value, base).s_) {}
String::String(long value, int base) : s_(fromSigned(value, base).s_) {}
String::String(unsigned long value, int base) : s_(fromUnsigned(value, base).s_) {}
String::String(long long value, int base) : s_(fromSigned(value, base).s_) {}
String::String(unsigned long long value, int base) : s_(fromUnsigned(value, base).s_) {}
String::String(float value, int decimals) : s_(fromDouble(value, decimals).s_) {}
String::String(double value, int decimals) : s_(fromDouble(value, decimals).s_) {}

String String::fromSigned(long long value, int base) {
  if (base == 16) return fromUnsigned((unsigned long long)value, 16);
  char buf[32];
  snprintf(buf, sizeof(buf), "%lld", value);
  return String(buf);
}

String String::fromUnsigned(unsigned long long value, int base) {
  char buf[32];
  if (base == 16) {
    snprintf(buf, sizeof(buf), "%llX", value);
  } else {
    snprintf(buf, sizeof(buf), "%llu", value);
  }
  return String(buf);
}

String String::fromDouble(double value, int decimals) {
  if (decimals < 0) decimals = 2;
  if (decimals > 9) decimals = 9;
  char small[64];
  int n = snprintf(small, sizeof(small), "%.*f", decimals, value);
  if (n < 0) return String();
  if ((size_t)n < sizeof(small)) return String(small, (size_t)n);
  std::string big((size_t)n + 1, '\0');
  snprintf(&big[0], big.size(), "%.*f", decimals, value);
  big.resize((size_t)n);
  return String(std::move(big));
}

String& String::operator=(const char* text) {
  s_.assign(text ? text : "");
  return *this;
}

String& String::operator=(const std::string& text) {
  s_ = text;
  return *this;
}

char String::charAt(unsigned int i) const { return i < s_.size() ? s_[i] : 0; }

char String::operator[](int i) const { return i < 0 ? 0 : charAt((unsigned int)i); }

char String::operator[](unsigned long i) const { return i < s_.size() ? s_[i] : 0; }

char String::operator[](long i) const { return (i < 0 || (unsigned long)i >= s_.size()) ? 0 : s_[(size_t)i]; }

void String::setCharAt(unsigned int i, char c) {
  if (i < s_.size()) s_[i] = c;
}

String String::substring(int start) const { return substring(start, (int)s_.size()); }

String String::substring(int start, int end) const {
  if (start < 0) start = 0;
  if (end < start) end = start;
  int len = (int)s_.size();
  if (start > len) return String();
  if (end > len) end = len;
  return String(s_.substr((size_t)start, (size_t)(end - start)));
}

int String::indexOf(char c, int from) const {
  if (from < 0) from = 0;
  if ((size_t)from >= s_.size()) return -1;
  return toPos(s_.find(c, (size_t)from));
}

int String::indexOf(const char* text, int from) const {
  if (!text) return -1;
  if (from < 0) from = 0;
  if ((size_t)from > s_.size()) return -1;
  return toPos(s_.find(text, (size_t)from));
}

int String::indexOf(const String& text, int from) const {
  if (from < 0) from = 0;
  if ((size_t)from > s_.size()) return -1;
  return toPos(s_.find(text.s_, (size_t)from));
}

int String::lastIndexOf(char c) const { return toPos(s_.rfind(c)); }

int String::lastIndexOf(char c, int from) const {
  if (from < 0) return -1;
  return toPos(s_.rfind(c, (size_t)from));
}

int String::lastIndexOf(const char* text, int from) const {
  size_t start = from < 0 ? std::string::npos : (size_t)from;
  return toPos(s_.rfind(text ? text : "", start));
}

int String::lastIndexOf(const String& text, int from) const {
  size_t start = from < 0 ? std::string::npos : (size_t)from;
  return toPos(s_.rfind(text.s_, start));
}

bool String::startsWith(const char* prefix) const {
  if (!prefix) return false;
  size_t n = strlen(prefix);
  return n <= s_.size() && s_.compare(0, n, prefix) == 0;
}

bool String::startsWith(const String& prefix) const {
  size_t n = prefix.s_.size();
  return n <= s_.size() && s_.compare(0, n, prefix.s_) == 0;
}

bool String::endsWith(const char* suffix) const {
  if (!suffix) return false;
  size_t n = strlen(suffix);
  return n <= s_.size() && s_.compare(s_.size() - n, n, suffix) == 0;
}

bool String::endsWith(const String& suffix) const {
  size_t n = suffix.s_.size();
  return n <= s_.size() && s_.compare(s_.size() - n, n, suffix.s_) == 0;
}

bool String::equals(const char* other) const { return s_ == (other ? other : ""); }

bool String::equalsIgnoreCase(const String& other) const {
  if (s_.size() != other.s_.size()) return false;
  for (size_t i = 0; i < s_.size(); ++i) {
    if (lowerByte(s_[i]) != lowerByte(other.s_[i])) return false;
  }
  return true;
}

int String::compareTo(const String& other) const {
  int r = s_.compare(other.s_);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void String::replace(const char* from, const char* to) {
  if (!from || !*from) return;
  if (!to) to = "";
  size_t fromLen = strlen(from);
  size_t toLen = strlen(to);
  size_t pos = s_.find(from, 0, fromLen);
  if (pos == std::string::npos) return;
  std::string out;
  out.reserve(s_.size());
  size_t last = 0;
  while (pos != std::string::npos) {
    out.append(s_, last, pos - last);
    out.append(to, toLen);
    last = pos + fromLen;
    pos = s_.find(from, last, fromLen);
  }
  out.append(s_, last, std::string::npos);
  s_.swap(out);
}

void String::replace(const String& from, const String& to) {
  if (from.s_.empty()) return;
  size_t pos = s_.find(from.s_);
  if (pos == std::string::npos) return;
  std::string out;
  out.reserve(s_.size());
  size_t last = 0;
  while (pos != std::string::npos) {
    out.append(s_, last, pos - last);
    out.append(to.s_);
    last = pos + from.s_.size();
    pos = s_.find(from.s_, last);
  }
  out.append(s_, last, std::string::npos);
  s_.swap(out);
}

void String::replace(const char* from, const String& to) { replace(String(from), to); }

void String::replace(const String& from, const char* to) { replace(from, String(to)); }

void String::replace(char from, char to) {
  for (char& c : s_) {
    if (c == from) c = to;
  }
}

void String::remove(int index) {
  if (index < 0 || (size_t)index >= s_.size()) return;
  s_.erase((size_t)index);
}

void String::remove(int index, int count) {
  if (index < 0 || count <= 0 || (size_t)index >= s_.size()) return;
  s_.erase((size_t)index, (size_t)count);
}

void String::trim() {
  size_t b = 0;
  size_t e = s_.size();
  while (b < e && isTrimByte(s_[b])) ++b;
  while (e > b && isTrimByte(s_[e - 1])) --e;
  if (b == 0 && e == s_.size()) return;
  s_ = s_.substr(b, e - b);
}

void String::toLowerCase() {
  for (char& c : s_) c = lowerByte(c);
}

void String::toUpperCase() {
  for (char& c : s_) c = upperByte(c);
}

long String::toInt() const {
  const char* start = s_.c_str();
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(start, &end, 10);
  if (end == start || errno == ERANGE) return 0;
  if (v < INT32_MIN || v > INT32_MAX) return 0;
  return (long)v;
}

float String::toFloat() const {
  const char* start = s_.c_str();
  char* end = nullptr;
  errno = 0;
  float v = strtof(start, &end);
  if (end == start || errno == ERANGE) return 0.0f;
  return v;
}

double String::toDouble() const {
  const char* start = s_.c_str();
  char* end = nullptr;
  errno = 0;
  double v = strtod(start, &end);
  if (end == start || errno == ERANGE) return 0.0;
  return v;
}

void String::toCharArray(char* buf, unsigned int len) const {
  if (!buf || len == 0) return;
  size_t n = s_.size() < (size_t)(len - 1) ? s_.size() : (size_t)(len - 1);
  memcpy(buf, s_.data(), n);
  buf[n] = '\0';
}

bool String::concat(const String& text) {
  s_ += text.s_;
  return true;
}

bool String::concat(const char* text) {
  if (text) s_ += text;
  return true;
}

bool String::concat(char c) {
  s_ += c;
  return true;
}

String& String::operator+=(const String& text) {
  s_ += text.s_;
  return *this;
}

String& String::operator+=(const char* text) {
  if (text) s_ += text;
  return *this;
}

String& String::operator+=(char c) {
  s_ += c;
  return *this;
}

String& String::operator+=(unsigned char v) { return *this += fromUnsigned(v, 10); }
String& String::operator+=(int v) { return *this += fromSigned(v, 10); }
String& String::operator+=(unsigned int v) { return *this += fromUnsigned(v, 10); }
String& String::operator+=(long v) { return *this += fromSigned(v, 10); }
String& String::operator+=(unsigned long v) { return *this += fromUnsigned(v, 10); }
String& String::operator+=(long long v) { return *this += fromSigned(v, 10); }
String& String::operator+=(unsigned long long v) { return *this += fromUnsigned(v, 10); }
String& String::operator+=(float v) { return *this += fromDouble(v, 2); }
String& String::operator+=(double v) { return *this += fromDouble(v, 2); }

String operator+(String a, const String& b) { return std::move(a += b); }
String operator+(const char* a, const String& b) {
  String r(a);
  r += b;
  return r;
}
String operator+(String a, const char* b) { return std::move(a += b); }
String operator+(String a, char b) { return std::move(a += b); }
String operator+(String a, unsigned char b) { return std::move(a += b); }
String operator+(String a, int b) { return std::move(a += b); }
String operator+(String a, unsigned int b) { return std::move(a += b); }
String operator+(String a, long b) { return std::move(a += b); }
String operator+(String a, unsigned long b) { return std::move(a += b); }
String operator+(String a, long long b) { return std::move(a += b); }
String operator+(String a, unsigned long long b) { return std::move(a += b); }
String operator+(String a, float b) { return std::move(a += b); }
String operator+(String a, double b) { return std::move(a += b); }

bool operator==(const String& a, const String& b) { return a.equals(b); }
bool operator==(const String& a, const char* b) { return a.equals(b); }
bool operator==(const char* a, const String& b) { return b.equals(a); }
bool operator!=(const String& a, const String& b) { return !a.equals(b); }
bool operator!=(const String& a, const char* b) { return !a.equals(b); }
bool operator!=(const char* a, const String& b) { return !b.equals(a); }
bool operator<(const String& a, const String& b) { return a.compareTo(b) < 0; }
bool operator>(const String& a, const String& b) { return a.compareTo(b) > 0; }
bool operator<=(const String& a, const String& b) { return a.compareTo(b) <= 0; }
bool operator>=(const String& a, const String& b) { return a.compareTo(b) >= 0; }

String trimmedCopy(const String& s) {
  String out = s;
  out.trim();
  return out;
}

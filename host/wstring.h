#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The program's byte-based text class with the board runtime's interface.
// Lengths and positions count bytes; multi-byte UTF-8 passes through untouched.
// A search that finds nothing returns -1.
class String {
 public:
  String() = default;
  String(const char* text);
  String(const char* text, size_t len);
  String(const std::string& text) : s_(text) {}
  String(std::string&& text) : s_(std::move(text)) {}
  String(const String&) = default;
  String(String&&) noexcept = default;
  explicit String(char c) : s_(1, c) {}
  explicit String(unsigned char value, int base = 10);
  explicit String(int value, int base = 10);
  explicit String(unsigned int value, int base = 10);
  explicit String(long value, int base = 10);
  explicit String(unsigned long value, int base = 10);
  explicit String(long long value, int base = 10);
  explicit String(unsigned long long value, int base = 10);
  explicit String(float value, int decimals = 2);
  explicit String(double value, int decimals = 2);
  ~String() = default;

  // Number text of a signed value: base 16 gives upper-case hex of the value
  // taken as unsigned 64-bit, every other base plain decimal.
  static String fromSigned(long long value, int base);
  // Number text of an unsigned value (same base rule).
  static String fromUnsigned(unsigned long long value, int base);
  // "%.*f" text; a negative count means 2, counts above 9 are cut to 9.
  static String fromDouble(double value, int decimals);

  String& operator=(const String&) = default;
  String& operator=(String&&) noexcept = default;
  String& operator=(const char* text);
  String& operator=(const std::string& text);

  const char* c_str() const { return s_.c_str(); }
  operator const char*() const { return s_.c_str(); }
  operator std::string() const { return s_; }
  const std::string& str() const { return s_; }

  unsigned int length() const { return (unsigned int)s_.size(); }
  bool isEmpty() const { return s_.empty(); }
  void reserve(unsigned int n) { s_.reserve(n); }

  char charAt(unsigned int i) const;
  char operator[](unsigned int i) const { return charAt(i); }
  char operator[](int i) const;
  char operator[](unsigned long i) const;
  char operator[](long i) const;
  void setCharAt(unsigned int i, char c);

  String substring(int start) const;
  String substring(int start, int end) const;

  int indexOf(char c, int from = 0) const;
  int indexOf(const char* text, int from = 0) const;
  int indexOf(const String& text, int from = 0) const;
  int lastIndexOf(char c) const;
  int lastIndexOf(char c, int from) const;
  int lastIndexOf(const char* text, int from = -1) const;
  int lastIndexOf(const String& text, int from = -1) const;

  bool startsWith(const char* prefix) const;
  bool startsWith(const String& prefix) const;
  bool endsWith(const char* suffix) const;
  bool endsWith(const String& suffix) const;
  bool equals(const String& other) const { return s_ == other.s_; }
  bool equals(const char* other) const;
  bool equalsIgnoreCase(const String& other) const;
  int compareTo(const String& other) const;

  void replace(const char* from, const char* to);
  void replace(const String& from, const String& to);
  void replace(const char* from, const String& to);
  void replace(const String& from, const char* to);
  void replace(char from, char to);
  void remove(int index);
  void remove(int index, int count);
  void trim();
  void toLowerCase();
  void toUpperCase();

  long toInt() const;
  float toFloat() const;
  double toDouble() const;
  void toCharArray(char* buf, unsigned int len) const;

  bool concat(const String& text);
  bool concat(const char* text);
  bool concat(char c);
  // Numbers append as decimal text (floats with two decimals).
  template <class T>
  bool concat(T value) {
    *this += value;
    return true;
  }

  String& operator+=(const String& text);
  String& operator+=(const char* text);
  String& operator+=(char c);
  String& operator+=(unsigned char value);
  String& operator+=(int value);
  String& operator+=(unsigned int value);
  String& operator+=(long value);
  String& operator+=(unsigned long value);
  String& operator+=(long long value);
  String& operator+=(unsigned long long value);
  String& operator+=(float value);
  String& operator+=(double value);

 private:
  std::string s_;
};

String operator+(String a, const String& b);
String operator+(const char* a, const String& b);
String operator+(String a, const char* b);
String operator+(String a, char b);
// Numbers append as decimal text (floats with two decimals).
String operator+(String a, unsigned char b);
String operator+(String a, int b);
String operator+(String a, unsigned int b);
String operator+(String a, long b);
String operator+(String a, unsigned long b);
String operator+(String a, long long b);
String operator+(String a, unsigned long long b);
String operator+(String a, float b);
String operator+(String a, double b);

bool operator==(const String& a, const String& b);
bool operator==(const String& a, const char* b);
bool operator==(const char* a, const String& b);
bool operator!=(const String& a, const String& b);
bool operator!=(const String& a, const char* b);
bool operator!=(const char* a, const String& b);
bool operator<(const String& a, const String& b);
bool operator>(const String& a, const String& b);
bool operator<=(const String& a, const String& b);
bool operator>=(const String& a, const String& b);

// A copy of s without leading and trailing white space (trim() changes the
// string itself).
String trimmedCopy(const String& s);

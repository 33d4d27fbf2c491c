// The weather forecast's raw JSON scanner.
#include "watch/weather/weather_json.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

bool isJsonBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char decodedEscape(char c) {
  switch (c) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return c;
  }
}

}  // namespace

int weatherJsonSkipWs(const String& s, int i) {
  const int n = (int)s.length();
  if (i < 0) i = 0;
  while (i < n && isJsonBlank(s.str()[i])) ++i;
  return i;
}

int weatherJsonFindKeyValue(const String& json, const char* key, int from) {
  const std::string& src = json.str();
  const std::string quoted = std::string("\"") + key + "\"";
  size_t at = from < 0 ? 0 : (size_t)from;
  while ((at = src.find(quoted, at)) != std::string::npos) {
    const size_t colon = src.find(':', at + quoted.size());
    if (colon == std::string::npos) {
      at += quoted.size();
      continue;
    }
    return weatherJsonSkipWs(json, (int)colon + 1);
  }
  return -1;
}

bool weatherJsonReadStringAt(const String& s, int i, String& out, int& endOut) {
  const std::string& src = s.str();
  if (i < 0 || (size_t)i >= src.size() || src[i] != '"') return false;
  std::string text;
  for (size_t k = (size_t)i + 1; k < src.size(); ++k) {
    const char c = src[k];
    if (c == '"') {
      out = String(std::move(text));
      endOut = (int)k + 1;
      return true;
    }
    if (c == '\\') {
      if (++k >= src.size()) return false;
      text.push_back(decodedEscape(src[k]));
    } else {
      text.push_back(c);
    }
  }
  return false;
}

bool weatherJsonReadRawValueAt(const String& s, int i, String& out, int& endOut) {
  const std::string& src = s.str();
  i = weatherJsonSkipWs(s, i);
  if ((size_t)i >= src.size()) return false;
  if (src[i] == '"') return weatherJsonReadStringAt(s, i, out, endOut);
  size_t end = src.find_first_of(",}]\r\n", (size_t)i);
  if (end == std::string::npos) end = src.size();
  String value(src.substr((size_t)i, end - (size_t)i));
  value.trim();
  if (value.isEmpty()) return false;
  out = value;
  endOut = (int)end;
  return true;
}

bool weatherJsonGetValue(const String& json, const char* key, String& out, int from) {
  const int p = weatherJsonFindKeyValue(json, key, from);
  if (p < 0) return false;
  int end = 0;
  return weatherJsonReadRawValueAt(json, p, out, end);
}

bool weatherJsonParseNumber(const String& text, double& out) {
  String t = text;
  t.trim();
  if (t.isEmpty()) return false;
  const char* start = t.c_str();
  char* end = nullptr;
  const double v = strtod(start, &end);
  if (end == start || *end != '\0') return false;
  if (!isfinite(v) || fabs(v) > WEATHER_JSON_NUMBER_ABS_MAX) return false;
  out = v;
  return true;
}

bool weatherJsonGetFloat(const String& json, const char* key, float& out, int from) {
  String raw;
  if (!weatherJsonGetValue(json, key, raw, from)) return false;
  double v = 0;
  if (!weatherJsonParseNumber(raw, v)) return false;
  out = (float)v;
  return true;
}

bool weatherJsonExtractContainerAt(const String& json, int p, char open, char close, String& out,
                                   int& endOut) {
  const std::string& src = json.str();
  p = weatherJsonSkipWs(json, p);
  if ((size_t)p >= src.size() || src[p] != open) return false;
  int depth = 0;
  bool inString = false;
  for (size_t k = (size_t)p; k < src.size(); ++k) {
    const char c = src[k];
    if (inString) {
      if (c == '\\') {
        ++k;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == open) {
      ++depth;
    } else if (c == close && --depth == 0) {
      out = String(src.substr((size_t)p, k + 1 - (size_t)p));
      endOut = (int)k + 1;
      return true;
    }
  }
  return false;
}

bool weatherJsonGetArray(const String& json, const char* key, String& out) {
  const int p = weatherJsonFindKeyValue(json, key, 0);
  int end = 0;
  return p >= 0 && weatherJsonExtractContainerAt(json, p, '[', ']', out, end);
}

bool weatherJsonGetObject(const String& json, const char* key, String& out) {
  const int p = weatherJsonFindKeyValue(json, key, 0);
  int end = 0;
  return p >= 0 && weatherJsonExtractContainerAt(json, p, '{', '}', out, end);
}

bool weatherJsonNextObject(const String& json, int& pos, String& objOut) {
  const int open = json.indexOf('{', pos < 0 ? 0 : pos);
  if (open < 0) return false;
  int end = 0;
  if (!weatherJsonExtractContainerAt(json, open, '{', '}', objOut, end)) return false;
  pos = end;
  return true;
}

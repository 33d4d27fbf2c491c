// The data scanner: a tolerant reader for the JSON answers of the
// dashboards and services. It finds keys by their first occurrence and reads
// scalar values and whole containers without building a document.

#include "core/data_json.h"

#include <string.h>

#include <string>


static inline bool isJsonBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Byte search that does not stop at NUL bytes inside the payload.
static int findBytes(const char* s, int n, const char* needle, int needleLen, int from) {
  if (from < 0) from = 0;
  if (needleLen <= 0 || from > n - needleLen) return -1;
  const void* hit = memmem(s + from, (size_t)(n - from), needle, (size_t)needleLen);
  return hit ? (int)((const char*)hit - s) : -1;
}

// desktopDataJsonSkipWs: first non-blank position at or after pos.
int desktopDataJsonSkipWs(const String& json, int pos) {
  const char* s = json.c_str();
  const int n = (int)json.length();
  if (pos < 0) pos = 0;
  while (pos < n && isJsonBlank(s[pos])) pos++;
  return pos < n ? pos : n;
}

// desktopDataJsonReadStringAt decodes one quoted string.
bool desktopDataJsonReadStringAt(const String& json, int pos, String& out, int* endOut) {
  const char* s = json.c_str();
  const int n = (int)json.length();
  if (pos < 0 || pos >= n || s[pos] != '"') return false;
  std::string buf;
  int i = pos + 1;
  while (i < n) {
    char c = s[i];
    if (c == '"') {
      out = String(buf);
      if (endOut) *endOut = i + 1;
      return true;
    }
    if (c != '\\') {
      buf.push_back(c);
      i++;
      continue;
    }
    if (i + 1 >= n) return false;
    char e = s[i + 1];
    switch (e) {
      case 'b': buf.push_back('\b'); break;
      case 'f': buf.push_back('\f'); break;
      case 'n': buf.push_back('\n'); break;
      case 'r': buf.push_back('\r'); break;
      case 't': buf.push_back('\t'); break;
      case 'u':
        buf.push_back('?');
        if (i + 6 <= n) i += 4;  // the four hex digits
        break;
      default: buf.push_back(e); break;  // \" \\ \/ and anything else
    }
    i += 2;
  }
  return false;
}

// desktopDataJsonReadValueAt reads a scalar; containers and blanks are absent.
bool desktopDataJsonReadValueAt(const String& json, int pos, String& out) {
  const char* s = json.c_str();
  const int n = (int)json.length();
  pos = desktopDataJsonSkipWs(json, pos);
  if (pos >= n) return false;
  if (s[pos] == '"') return desktopDataJsonReadStringAt(json, pos, out, nullptr);
  if (s[pos] == '{' || s[pos] == '[') return false;
  int end = pos;
  while (end < n && s[end] != ',' && s[end] != '}' && s[end] != ']' && s[end] != '\r' && s[end] != '\n')
    end++;
  while (end > pos && (s[end - 1] == ' ' || s[end - 1] == '\t')) end--;
  if (end == pos) return false;
  out = String(std::string(s + pos, (size_t)(end - pos)));
  return true;
}

// desktopDataJsonFindValue: value position behind "key" and its colon.
int desktopDataJsonFindValue(const String& json, const char* key, int from) {
  if (!key) return -1;
  const char* s = json.c_str();
  const int n = (int)json.length();
  std::string needle;
  needle.reserve(strlen(key) + 2);
  needle.push_back('"');
  needle.append(key);
  needle.push_back('"');
  int at = from < 0 ? 0 : from;
  while (true) {
    int hit = findBytes(s, n, needle.data(), (int)needle.size(), at);
    if (hit < 0) return -1;
    int p = hit + (int)needle.size();
    while (p < n && isJsonBlank(s[p])) p++;
    if (p < n && s[p] == ':') return desktopDataJsonSkipWs(json, p + 1);
    at = hit + 1;  // a string value that happens to spell the key
  }
}

// desktopDataJsonGetValue: trimmed scalar of the first occurrence.
String desktopDataJsonGetValue(const String& json, const char* key) {
  int pos = desktopDataJsonFindValue(json, key, 0);
  if (pos < 0) return String();
  String value;
  if (!desktopDataJsonReadValueAt(json, pos, value)) return String();
  value.trim();
  return value;
}

// desktopDataJsonFirstValue: the first key with a real value wins.
String desktopDataJsonFirstValue(const String& json, const char* const* keys, size_t count) {
  for (size_t i = 0; i < count; i++) {
    String value = desktopDataJsonGetValue(json, keys[i]);
    if (value.length() > 0 && value != "null") return value;
  }
  return String();
}

// End of the container opening at pos (index of its close bracket), or -1.
static int matchContainerEnd(const char* s, int n, int pos, char open, char close) {
  int depth = 0;
  bool inString = false;
  for (int i = pos; i < n; i++) {
    char c = s[i];
    if (inString) {
      if (c == '\\') {
        i++;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == open) {
      depth++;
    } else if (c == close) {
      depth--;
      if (depth == 0) return i;
    }
  }
  return -1;
}

// desktopDataJsonExtractContainerAt copies one bracketed container.
bool desktopDataJsonExtractContainerAt(const String& json, int pos, char open, char close, String& out) {
  const char* s = json.c_str();
  const int n = (int)json.length();
  if (pos < 0 || pos >= n || s[pos] != open) return false;
  int end = matchContainerEnd(s, n, pos, open, close);
  if (end < 0) return false;
  out = String(std::string(s + pos, (size_t)(end - pos + 1)));
  return true;
}

// desktopDataJsonFindContainerValue: the first occurrence holding a container.
int desktopDataJsonFindContainerValue(const String& json, const char* key, char open, int from) {
  const char* s = json.c_str();
  int at = from;
  while (true) {
    int pos = desktopDataJsonFindValue(json, key, at);
    if (pos < 0) return -1;
    if (pos < (int)json.length() && s[pos] == open) return pos;
    at = pos;
  }
}

bool desktopDataJsonGetArray(const String& json, const char* key, String& out) {
  int pos = desktopDataJsonFindContainerValue(json, key, '[', 0);
  return pos >= 0 && desktopDataJsonExtractContainerAt(json, pos, '[', ']', out);
}

bool desktopDataJsonGetObject(const String& json, const char* key, String& out) {
  int pos = desktopDataJsonFindContainerValue(json, key, '{', 0);
  return pos >= 0 && desktopDataJsonExtractContainerAt(json, pos, '{', '}', out);
}

// desktopDataJsonNextObject walks the objects of an array text one by one.
bool desktopDataJsonNextObject(const String& json, int& pos, String& out) {
  const char* s = json.c_str();
  const int n = (int)json.length();
  if (pos < 0) pos = 0;
  if (pos >= n) return false;
  const void* hit = memchr(s + pos, '{', (size_t)(n - pos));
  if (!hit) return false;
  int start = (int)((const char*)hit - s);
  int end = matchContainerEnd(s, n, start, '{', '}');
  if (end < 0) return false;  // an unterminated object ends the list
  out = String(std::string(s + start, (size_t)(end - start + 1)));
  pos = end + 1;
  return true;
}

// Raw configuration scanner: finds keys by text search and reads their
// values without a document parser. It is deliberately not structure-aware:
// the first occurrence of a key anywhere in the text wins.
#include <stdlib.h>

#include <limits>

#include "core/config_file.h"

namespace {

bool isJsonWs(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Position after the bracket that closes the one at `open`, or -1. Brackets
// inside strings do not count; a backslash in a string escapes the next byte.
long matchingBracketEnd(const std::string &text, long open, char openCh, char closeCh) {
  int depth = 0;
  bool inString = false;
  for (size_t i = (size_t)open; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == openCh) {
      ++depth;
    } else if (c == closeCh) {
      --depth;
      if (depth == 0) return (long)i + 1;
    }
  }
  return -1;
}

bool getBracketed(const std::string &text, const char *key, char openCh, char closeCh, std::string &out) {
  long pos = desktopJsonFindValue(text, key, 0);
  if (pos < 0 || (size_t)pos >= text.size() || text[(size_t)pos] != openCh) return false;
  long end = matchingBracketEnd(text, pos, openCh, closeCh);
  if (end < 0) return false;
  out = text.substr((size_t)pos, (size_t)(end - pos));
  return true;
}

char escapedChar(char c) {
  switch (c) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return c;  // \" \\ \/ and any other byte stand for themselves
  }
}

}  // namespace

long desktopJsonSkipWs(const std::string &text, long i) {
  if (i < 0) i = 0;
  size_t p = (size_t)i;
  while (p < text.size() && isJsonWs(text[p])) ++p;
  return (long)p;
}

bool desktopJsonReadStringAt(const std::string &text, long i, String &out, long &endOut) {
  if (i < 0 || (size_t)i >= text.size() || text[(size_t)i] != '"') return false;
  std::string value;
  size_t p = (size_t)i + 1;
  while (p < text.size()) {
    char c = text[p];
    if (c == '"') {
      out = String(value);
      endOut = (long)p + 1;
      return true;
    }
    if (c != '\\') {
      value.push_back(c);
      ++p;
      continue;
    }
    if (p + 1 >= text.size()) return false;  // a lone backslash before the end
    char e = text[p + 1];
    if (e == 'u') {
      value.push_back('?');
      p += (text.size() - (p + 2) >= 4) ? 6 : 2;
    } else {
      value.push_back(escapedChar(e));
      p += 2;
    }
  }
  return false;
}

long desktopJsonFindValue(const std::string &text, const char *key, long from) {
  if (key == nullptr) return -1;
  if (from < 0) from = 0;
  std::string needle = std::string("\"") + key + "\"";
  size_t at = text.find(needle, (size_t)from);
  if (at == std::string::npos) return -1;
  size_t colon = text.find(':', at + needle.size());
  if (colon == std::string::npos) return -1;
  return desktopJsonSkipWs(text, (long)colon + 1);
}

bool desktopJsonGetString(const std::string &text, const char *key, String &out) {
  long pos = desktopJsonFindValue(text, key, 0);
  if (pos < 0) return false;
  long end = 0;
  return desktopJsonReadStringAt(text, pos, out, end);
}

bool desktopJsonGetBool(const std::string &text, const char *key, bool &out) {
  long pos = desktopJsonFindValue(text, key, 0);
  if (pos < 0) return false;
  if (text.compare((size_t)pos, 4, "true") == 0) {
    out = true;
    return true;
  }
  if (text.compare((size_t)pos, 5, "false") == 0) {
    out = false;
    return true;
  }
  return false;
}

bool desktopJsonGetLong(const std::string &text, const char *key, int32_t &out) {
  long pos = desktopJsonFindValue(text, key, 0);
  if (pos < 0 || (size_t)pos >= text.size()) return false;
  // strtoll needs a terminated text; a number never needs more than a few
  // dozen bytes, the rest of the digits only decide the saturation.
  const char *start = text.c_str() + pos;
  char *end = nullptr;
  long long value = strtoll(start, &end, 10);
  if (end == start) return false;
  const long long lo = std::numeric_limits<int32_t>::min();
  const long long hi = std::numeric_limits<int32_t>::max();
  if (value < lo) value = lo;
  if (value > hi) value = hi;
  out = (int32_t)value;
  return true;
}

bool desktopJsonGetObject(const std::string &text, const char *key, std::string &out) {
  return getBracketed(text, key, '{', '}', out);
}

bool desktopJsonGetArray(const std::string &text, const char *key, std::string &out) {
  return getBracketed(text, key, '[', ']', out);
}

void desktopApplyJsonString(const std::string &text, const char *key, String &field) {
  String value;
  if (desktopJsonGetString(text, key, value)) field = value;
}

void desktopApplyJsonBool(const std::string &text, const char *key, bool &field) {
  bool value = false;
  if (desktopJsonGetBool(text, key, value)) field = value;
}

void desktopApplyJsonU8(const std::string &text, const char *key, uint8_t &field) {
  int32_t value = 0;
  if (!desktopJsonGetLong(text, key, value)) return;
  field = (uint8_t)(value < 0 ? 0 : (value > 255 ? 255 : value));
}

void desktopApplyJsonU16(const std::string &text, const char *key, uint16_t &field) {
  int32_t value = 0;
  if (!desktopJsonGetLong(text, key, value)) return;
  field = (uint16_t)(value < 0 ? 0 : (value > 65535 ? 65535 : value));
}

void desktopApplyJsonU32(const std::string &text, const char *key, uint32_t &field) {
  int32_t value = 0;
  if (desktopJsonGetLong(text, key, value) && value >= 0) field = (uint32_t)value;
}

bool desktopJsonNextObject(const std::string &text, size_t &from, std::string &out) {
  size_t open = text.find('{', from);
  if (open == std::string::npos) return false;
  long end = matchingBracketEnd(text, (long)open, '{', '}');
  if (end < 0) return false;
  out = text.substr(open, (size_t)end - open);
  from = (size_t)end;
  return true;
}

void desktopParseActionArray(const std::string &text, const char *key, QuickActionSlotConfig *slots,
                             int count) {
  std::string array;
  if (slots == nullptr || count <= 0 || !desktopJsonGetArray(text, key, array)) return;
  size_t from = 0;
  std::string object;
  for (int slot = 0; slot < count && desktopJsonNextObject(array, from, object); ++slot) {
    desktopApplyJsonBool(object, "enabled", slots[slot].enabled);
    desktopApplyJsonBool(object, "use_sudo", slots[slot].useSudo);
    desktopApplyJsonString(object, "label", slots[slot].label);
    desktopApplyJsonString(object, "command", slots[slot].command);
  }
}

int desktopParseStringArray(const std::string &text, const char *key, String *out, int count) {
  std::string array;
  if (out == nullptr || count <= 0 || !desktopJsonGetArray(text, key, array)) return 0;
  int filled = 0;
  long p = 1;  // past the "["
  while (filled < count && (size_t)p < array.size()) {
    p = desktopJsonSkipWs(array, p);
    if ((size_t)p >= array.size()) break;
    const char c = array[(size_t)p];
    long end = p + 1;
    if (c == '"' && desktopJsonReadStringAt(array, p, out[filled], end)) {
      ++filled;
    } else if (c == '{' || c == '[') {
      end = matchingBracketEnd(array, p, c, c == '{' ? '}' : ']');
      if (end < 0) break;
    } else if (c == '"') {
      break;  // an unclosed string ends the array
    }
    p = end;
  }
  return filled;
}

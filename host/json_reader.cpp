#include "host/json_reader.h"

#include <errno.h>
#include <stdlib.h>

#include <set>

namespace {

using desktop_json::Node;

struct Reader {
  const std::string& text;
  size_t pos = 0;
  std::string error;

  bool fail(const std::string& what) {
    if (error.empty()) error = what + " at byte " + std::to_string(pos);
    return false;
  }
  bool atEnd() const { return pos >= text.size(); }
  char peek() const { return atEnd() ? '\0' : text[pos]; }
  void skipWs() {
    while (!atEnd() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r')) ++pos;
  }
  bool literal(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (text.compare(pos, n, word) != 0) return fail("unexpected character");
    pos += n;
    return true;
  }
  bool value(Node& out, int depth);
  bool object(Node& out, int depth);
  bool array(Node& out, int depth);
  bool string(std::string& out);
  bool number(Node& out);
  bool hex4(unsigned& out);
};

void appendUtf8(unsigned cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back((char)cp);
  } else if (cp < 0x800) {
    out.push_back((char)(0xC0 | (cp >> 6)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back((char)(0xE0 | (cp >> 12)));
    out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  } else {
    out.push_back((char)(0xF0 | (cp >> 18)));
    out.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  }
}

bool Reader::hex4(unsigned& out) {
  if (pos + 4 > text.size()) return fail("short \\u escape");
  out = 0;
  for (int i = 0; i < 4; ++i) {
    char c = text[pos++];
    out <<= 4;
    if (c >= '0' && c <= '9') {
      out |= (unsigned)(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      out |= (unsigned)(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      out |= (unsigned)(c - 'A' + 10);
    } else {
      return fail("bad \\u escape");
    }
  }
  return true;
}

bool Reader::string(std::string& out) {
  ++pos;  // the opening quote
  out.clear();
  while (!atEnd()) {
    unsigned char c = (unsigned char)text[pos++];
    if (c == '"') return true;
    if (c < 0x20) return fail("control character in a string");
    if (c != '\\') {
      out.push_back((char)c);
      continue;
    }
    if (atEnd()) break;
    char e = text[pos++];
    switch (e) {
      case '"': out.push_back('"'); break;
      case '\\': out.push_back('\\'); break;
      case '/': out.push_back('/'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'u': {
        unsigned cp = 0;
        if (!hex4(cp)) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          unsigned low = 0;
          if (text.compare(pos, 2, "\\u") != 0) return fail("lone surrogate");
          pos += 2;
          if (!hex4(low)) return false;
          if (low < 0xDC00 || low > 0xDFFF) return fail("lone surrogate");
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
          return fail("lone surrogate");
        }
        if (cp == 0) return fail("NUL character in a string");
        appendUtf8(cp, out);
        break;
      }
      default: return fail("bad escape");
    }
  }
  return fail("unterminated string");
}

bool Reader::number(Node& out) {
  size_t start = pos;
  if (peek() == '-') ++pos;
  if (peek() == '0') {
    ++pos;
  } else if (peek() >= '1' && peek() <= '9') {
    while (peek() >= '0' && peek() <= '9') ++pos;
  } else {
    return fail("bad number");
  }
  bool integral = true;
  if (peek() == '.') {
    integral = false;
    ++pos;
    if (!(peek() >= '0' && peek() <= '9')) return fail("bad number");
    while (peek() >= '0' && peek() <= '9') ++pos;
  }
  if (peek() == 'e' || peek() == 'E') {
    integral = false;
    ++pos;
    if (peek() == '+' || peek() == '-') ++pos;
    if (!(peek() >= '0' && peek() <= '9')) return fail("bad number");
    while (peek() >= '0' && peek() <= '9') ++pos;
  }
  std::string digits = text.substr(start, pos - start);
  errno = 0;
  if (integral && digits[0] == '-') {
    long long v = strtoll(digits.c_str(), nullptr, 10);
    if (errno == 0) {
      out.reset(Node::INT);
      out.i = v;
      return true;
    }
  } else if (integral) {
    unsigned long long v = strtoull(digits.c_str(), nullptr, 10);
    if (errno == 0) {
      out.reset(Node::UINT);
      out.u = v;
      return true;
    }
  }
  out.reset(Node::DOUBLE);
  out.d = strtod(digits.c_str(), nullptr);
  return true;
}

bool Reader::object(Node& out, int depth) {
  ++pos;
  out.reset(Node::OBJECT);
  std::set<std::string> seen;
  skipWs();
  if (peek() == '}') {
    ++pos;
    return true;
  }
  for (;;) {
    skipWs();
    if (peek() != '"') return fail(atEnd() ? "unexpected end" : "expected a key");
    size_t keyAt = pos;
    std::string key;
    if (!string(key)) return false;
    if (!seen.insert(key).second) {
      pos = keyAt;
      return fail("duplicate key \"" + key + "\"");
    }
    skipWs();
    if (peek() != ':') return fail(atEnd() ? "unexpected end" : "expected ':'");
    ++pos;
    std::shared_ptr<Node> child = std::make_shared<Node>();
    out.members.emplace_back(std::move(key), child);
    if (!value(*child, depth + 1)) return false;
    skipWs();
    if (peek() == ',') {
      ++pos;
      continue;
    }
    if (peek() == '}') {
      ++pos;
      return true;
    }
    return fail(atEnd() ? "unexpected end" : "expected ',' or '}'");
  }
}

bool Reader::array(Node& out, int depth) {
  ++pos;
  out.reset(Node::ARRAY);
  skipWs();
  if (peek() == ']') {
    ++pos;
    return true;
  }
  for (;;) {
    if (!value(*out.append(), depth + 1)) return false;
    skipWs();
    if (peek() == ',') {
      ++pos;
      continue;
    }
    if (peek() == ']') {
      ++pos;
      return true;
    }
    return fail(atEnd() ? "unexpected end" : "expected ',' or ']'");
  }
}

bool Reader::value(Node& out, int depth) {
  if (depth >= JSON_READER_MAX_DEPTH) return fail("nested too deeply");
  skipWs();
  if (atEnd()) return fail("unexpected end");
  switch (peek()) {
    case '{': return object(out, depth);
    case '[': return array(out, depth);
    case '"': {
      std::string s;
      if (!string(s)) return false;
      out.reset(Node::TEXT);
      out.text = std::move(s);
      return true;
    }
    case 't':
      out.reset(Node::BOOL);
      out.b = true;
      return literal("true");
    case 'f':
      out.reset(Node::BOOL);
      out.b = false;
      return literal("false");
    case 'n': out.reset(Node::NUL); return literal("null");
    default: return number(out);
  }
}

}  // namespace

bool parseJsonText(const std::string& text, Node& out, std::string& error) {
  Reader r{text, 0, std::string()};
  error.clear();
  if (!r.value(out, 0)) {
    error = r.error;
    return false;
  }
  r.skipWs();
  if (!r.atEnd()) {
    r.fail("unexpected text after the value");
    error = r.error;
    return false;
  }
  return true;
}

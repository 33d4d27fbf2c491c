#include "web/web_form.h"

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string urlDecode(const std::string& text, size_t from, size_t to) {
  std::string out;
  out.reserve(to - from);
  for (size_t i = from; i < to; ++i) {
    char c = text[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%' && i + 2 < to && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out.push_back((char)(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

WebFields parseUrlEncoded(const std::string& text) {
  WebFields fields;
  size_t start = 0;
  while (start <= text.size() && fields.size() < WEB_FORM_MAX_FIELDS) {
    size_t end = text.find('&', start);
    if (end == std::string::npos) end = text.size();
    size_t eq = text.find('=', start);
    if (eq == std::string::npos || eq > end) eq = end;
    if (eq > start) {
      std::string name = urlDecode(text, start, eq);
      std::string value = eq < end ? urlDecode(text, eq + 1, end) : std::string();
      fields.emplace_back(std::move(name), std::move(value));
    }
    start = end + 1;
  }
  return fields;
}

std::string fieldValue(const WebFields& fields, const std::string& name, const std::string& fallback) {
  for (auto it = fields.rbegin(); it != fields.rend(); ++it) {
    if (it->first == name) return it->second;
  }
  return fallback;
}

bool hasField(const WebFields& fields, const std::string& name) {
  for (const auto& f : fields) {
    if (f.first == name) return true;
  }
  return false;
}

std::string cookieValue(const std::string& header, const std::string& name) {
  size_t pos = 0;
  while (pos < header.size()) {
    size_t end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    size_t b = header.find_first_not_of(' ', pos);
    if (b != std::string::npos && b < end) {
      size_t eq = header.find('=', b);
      if (eq != std::string::npos && eq < end && header.compare(b, eq - b, name) == 0 && eq - b == name.size()) {
        return header.substr(eq + 1, end - eq - 1);
      }
    }
    pos = end + 1;
  }
  return std::string();
}

std::string htmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string htmlFromMarkdownCode(const std::string& text) {
  std::string out;
  bool inCode = false;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '`') continue;
    out += htmlEscape(text.substr(start, i - start));
    if (i < text.size()) out += inCode ? "</code>" : "<code>";
    if (i < text.size()) inCode = !inCode;
    start = i + 1;
  }
  if (inCode) out += "</code>";
  return out;
}

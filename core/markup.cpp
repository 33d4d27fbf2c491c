#include "core/markup.h"

#include <string.h>
#include <strings.h>

#include <string>

#define MARKUP_TABLE(t) t, sizeof(t) / sizeof(t[0])

namespace {

const MarkupEntity DASHBOARD_ENTITIES[] = {{"&nbsp;", " "}, {"&amp;", "&"}, {"&quot;", "\""},
                                           {"&#39;", "'"},  {"&lt;", "<"},  {"&gt;", ">"}};
const MarkupEntity LIST_SITE_ENTITIES[] = {{"&amp;", "&"},   {"&quot;", "\""}, {"&#39;", "'"},
                                           {"&apos;", "'"},  {"&nbsp;", " "},  {"&ndash;", "-"},
                                           {"&mdash;", "-"}, {"&lt;", "<"},    {"&gt;", ">"}};
const MarkupEntity LOOKUP_ENTITIES[] = {{"&nbsp;", " "}, {"&amp;", "&"}, {"&quot;", "\""}, {"&#39;", "'"},
                                        {"&apos;", "'"}, {"&lt;", "<"},  {"&gt;", ">"},    {"&#34;", "\""}};
const MarkupEntity POPUP_TEXT_ENTITIES[] = {{"&nbsp;", " "}};

// The table entry that starts at src[i], or null.
const MarkupEntity* entityAt(const std::string& src, size_t i, const MarkupEntityRules& rules) {
  for (size_t k = 0; k < rules.count; ++k) {
    const MarkupEntity& e = rules.entities[k];
    const size_t n = strlen(e.entity);
    if (i + n > src.size()) continue;
    const int cmp =
        rules.ignoreCase ? strncasecmp(src.data() + i, e.entity, n) : strncmp(src.data() + i, e.entity, n);
    if (cmp == 0) return &e;
  }
  return nullptr;
}

String decodeOnePass(const String& text, const MarkupEntityRules& rules) {
  const std::string& src = text.str();
  std::string out;
  out.reserve(src.size());
  for (size_t i = 0; i < src.size();) {
    const MarkupEntity* e = src[i] == '&' ? entityAt(src, i, rules) : nullptr;
    if (e != nullptr) {
      out += e->text;
      i += strlen(e->entity);
    } else {
      out.push_back(src[i]);
      ++i;
    }
  }
  return String(std::move(out));
}

String decodeByEntity(const String& text, const MarkupEntityRules& rules) {
  String out = text;
  for (size_t k = 0; k < rules.count; ++k) out.replace(rules.entities[k].entity, rules.entities[k].text);
  return out;
}

}  // namespace

const MarkupEntityRules MARKUP_DASHBOARD_ENTITIES = {MARKUP_TABLE(DASHBOARD_ENTITIES),
                                                     MARKUP_DECODE_BY_ENTITY, false};
const MarkupEntityRules MARKUP_LIST_SITE_ENTITIES = {MARKUP_TABLE(LIST_SITE_ENTITIES), MARKUP_DECODE_ONE_PASS,
                                                     false};
const MarkupEntityRules MARKUP_LOOKUP_ENTITIES = {MARKUP_TABLE(LOOKUP_ENTITIES), MARKUP_DECODE_ONE_PASS,
                                                  true};
const MarkupEntityRules MARKUP_POPUP_TEXT_ENTITIES = {MARKUP_TABLE(POPUP_TEXT_ENTITIES),
                                                      MARKUP_DECODE_BY_ENTITY, false};

String decodeMarkupEntities(const String& text, const MarkupEntityRules& rules) {
  if (rules.order == MARKUP_DECODE_BY_ENTITY) return decodeByEntity(text, rules);
  return decodeOnePass(text, rules);
}

String stripHtmlTags(const String& html) {
  const std::string& src = html.str();
  std::string text;
  text.reserve(src.size());
  bool inTag = false;
  for (char c : src) {
    if (inTag) {
      if (c == '>') inTag = false;
    } else if (c == '<') {
      inTag = true;
    } else {
      text.push_back(c);
    }
  }
  return String(std::move(text));
}

String htmlDecodeBasic(const String& text) { return decodeMarkupEntities(text, MARKUP_DASHBOARD_ENTITIES); }

// ---------------------------------------------------------------- alert feed text

namespace {

const MarkupEntity XML_BASIC_ENTITIES[] = {
    {"&amp;", "&"},         {"&lt;", "<"},          {"&gt;", ">"},          {"&quot;", "\""},
    {"&apos;", "'"},        {"&#228;", "\xC3\xA4"}, {"&#246;", "\xC3\xB6"}, {"&#252;", "\xC3\xBC"},
    {"&#196;", "\xC3\x84"}, {"&#214;", "\xC3\x96"}, {"&#220;", "\xC3\x9C"}, {"&#223;", "\xC3\x9F"}};

bool opensDecodedTag(char next) {
  const unsigned char c = (unsigned char)next;
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

}  // namespace

const MarkupEntityRules MARKUP_XML_BASIC_ENTITIES = {MARKUP_TABLE(XML_BASIC_ENTITIES),
                                                     MARKUP_DECODE_BY_ENTITY, false};

String xmlDecodeBasicEntities(const String& value) {
  return decodeMarkupEntities(value, MARKUP_XML_BASIC_ENTITIES);
}

String stripDecodedTextTags(const String& text) {
  const std::string& src = text.str();
  const size_t lastClose = src.rfind('>');
  std::string out;
  out.reserve(src.size());
  for (size_t i = 0; i < src.size(); ++i) {
    const char c = src[i];
    // A tag needs its ">" somewhere after it; past the last ">" none can close.
    if (c == '<' && i + 1 < src.size() && opensDecodedTag(src[i + 1]) && lastClose != std::string::npos &&
        lastClose > i) {
      i = src.find('>', i + 1);
      continue;
    }
    out.push_back(c);
  }
  return String(std::move(out));
}

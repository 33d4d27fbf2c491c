// Reading what a browser sends: URL-encoded forms and query strings, and
// the Cookie header. Hostile input gives empty or partial results, never
// more than the input holds.
#pragma once

#include <string>
#include <utility>
#include <vector>

typedef std::vector<std::pair<std::string, std::string>> WebFields;

// Fields of an application/x-www-form-urlencoded body or a query string in
// order ("a=1&b=x%20y" -> (a,1), (b,"x y")); "+" is a blank, a bad "%"
// escape stays as written, empty names are skipped. At most
// WEB_FORM_MAX_FIELDS fields are read.
WebFields parseUrlEncoded(const std::string& text);
static const size_t WEB_FORM_MAX_FIELDS = 2000;
// The last value of name, or fallback.
std::string fieldValue(const WebFields& fields, const std::string& name, const std::string& fallback = "");
// True when name occurs.
bool hasField(const WebFields& fields, const std::string& name);
// The value of cookie name in a Cookie header, or empty.
std::string cookieValue(const std::string& header, const std::string& name);
// Text safe inside HTML text and attribute values (& < > " ' escaped).
std::string htmlEscape(const std::string& text);
// Escaped text whose `code` spans become <code> elements (the key
// descriptions are written in that form).
std::string htmlFromMarkdownCode(const std::string& text);

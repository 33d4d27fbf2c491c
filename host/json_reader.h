// A strict JSON reader for whole documents that a user hands in (the
// configuration import). Unlike the tolerant scanners of the answers it
// refuses anything that is not exactly one well-formed JSON value.
#pragma once

#include <string>

#include "host/desktop_json.h"

// Deepest nesting of objects and arrays the reader accepts.
static const int JSON_READER_MAX_DEPTH = 32;

// Parses text (UTF-8, one JSON value, white space around it allowed) into
// out. False with a short reason in error ("unexpected end at byte 12",
// "duplicate key \"a\" at byte 30", ...) when the text is not valid JSON,
// nests deeper than JSON_READER_MAX_DEPTH, repeats a key in one object or
// holds a NUL character; out is then unspecified.
bool parseJsonText(const std::string& text, desktop_json::Node& out, std::string& error);

// The data scanner shared by the heard, lookup and watch-source parsers: a
// tolerant reader of JSON answers that needs no document.
#pragma once

#include <stddef.h>

#include "host/wstring.h"

// ---------------------------------------------------------------------------
// Data scanner. Positions are byte indexes into the text; -1 means "not found".
// Key searches are not structure-aware: the first occurrence of the quoted key
// followed by ":" anywhere in the text wins, also inside nested objects.
// ---------------------------------------------------------------------------

// First position at or after pos that is not a space, tab, CR or LF (the
// length of the text when there is none).
int desktopDataJsonSkipWs(const String& json, int pos);

// Reads the JSON string whose opening quote is at pos into out (escapes
// decoded, \u as "?"); endOut receives the position after the closing quote.
// False, with out unchanged, when pos is no quote or the string is unterminated.
bool desktopDataJsonReadStringAt(const String& json, int pos, String& out, int* endOut = nullptr);

// Reads the scalar value at pos: a string, or the bare text up to the next
// ",", "}", "]", CR or LF with trailing blanks dropped. Objects, arrays and
// empty values give false.
bool desktopDataJsonReadValueAt(const String& json, int pos, String& out);

// Position of the value behind the first occurrence (at or after from) of the
// quoted key that is followed by ":"; -1 when there is none.
int desktopDataJsonFindValue(const String& json, const char* key, int from = 0);

// Trimmed scalar value of the first occurrence of the key; empty when absent.
String desktopDataJsonGetValue(const String& json, const char* key);

// Trimmed value of the first of the keys whose value is present, not empty and
// not "null"; empty when none is.
String desktopDataJsonFirstValue(const String& json, const char* const* keys, size_t count);

// Copies the container that opens at pos (json[pos] == open) up to its matching
// close bracket into out. Brackets inside strings do not count. False when pos
// holds no open bracket or the container is not closed.
bool desktopDataJsonExtractContainerAt(const String& json, int pos, char open, char close, String& out);

// Value position of the first occurrence of the key (at or after from) whose
// value begins with the open bracket; -1 when none does.
int desktopDataJsonFindContainerValue(const String& json, const char* key, char open, int from = 0);

// The first array / object value of the key, brackets included.
bool desktopDataJsonGetArray(const String& json, const char* key, String& out);
bool desktopDataJsonGetObject(const String& json, const char* key, String& out);

// Finds the next "{" at or after pos, copies that object into out and moves
// pos just behind it. False when no further complete object exists.
bool desktopDataJsonNextObject(const String& json, int& pos, String& out);

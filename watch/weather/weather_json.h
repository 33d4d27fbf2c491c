// The raw JSON scanner of the weather forecast: reads keys, values and
// containers straight from the answer text, without a document. Positions
// are byte indexes into the text; -1 means "not found". Key searches are
// not structure-aware: the first hit of the quoted key wins, whatever type
// its value has.
#pragma once

#include "host/wstring.h"

// First index at or after i that is not a space, tab, CR or LF (the length
// of the text when there is none).
int weatherJsonSkipWs(const String& s, int i);

// Index of the first non-blank after the ":" that follows the first hit of
// the quoted key at or after from; a hit without a ":" after it is passed
// over. -1 when there is none.
int weatherJsonFindKeyValue(const String& json, const char* key, int from = 0);

// Reads the string whose opening quote is at i: \b \f \n \r \t are decoded,
// any other escaped character is copied as itself. endOut receives the index
// after the closing quote. False when i is no quote or the string is open.
bool weatherJsonReadStringAt(const String& s, int i, String& out, int& endOut);

// Reads the value at i (blanks skipped first): a string as above, or the
// bare text up to ",", "}", "]", CR or LF, trimmed, found only when it is
// not empty.
bool weatherJsonReadRawValueAt(const String& s, int i, String& out, int& endOut);

// The value of the first hit of the key; out is untouched on failure.
bool weatherJsonGetValue(const String& json, const char* key, String& out, int from = 0);

// The value of the first hit of the key as a finite number (trimmed, the
// whole text a number, magnitude at most WEATHER_JSON_NUMBER_ABS_MAX); out
// is untouched otherwise, so "nan", "inf" and 1e40 count as absent.
bool weatherJsonGetFloat(const String& json, const char* key, float& out, int from = 0);

// Largest magnitude a weather number may have; anything beyond is absent.
static const double WEATHER_JSON_NUMBER_ABS_MAX = 1.0e7;

// Parses text as a finite number within WEATHER_JSON_NUMBER_ABS_MAX; false
// (out untouched) for anything else.
bool weatherJsonParseNumber(const String& text, double& out);

// Copies the container whose opening character (open) is at p, blanks
// skipped, up to its matching close into out; brackets inside strings do
// not count. endOut receives the index after it. False when p holds no
// open bracket or the container is not closed.
bool weatherJsonExtractContainerAt(const String& json, int p, char open, char close, String& out,
                                   int& endOut);

// The array / object value of the first hit of the key, brackets included;
// false when that first value is of another kind.
bool weatherJsonGetArray(const String& json, const char* key, String& out);
bool weatherJsonGetObject(const String& json, const char* key, String& out);

// The next complete object at or after pos into objOut; pos moves past it.
bool weatherJsonNextObject(const String& json, int& pos, String& objOut);

// Configuration file: the raw scanner that reads "/config.json" without a
// document parser, the load that applies its keys to `cfg`, the run-time
// re-apply, the save and the import of an uploaded file.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "core/config.h"
#include "host/wstring.h"

// ---------------------------------------------------------------------------
// Raw scanner (positions are byte indexes, -1 means "not found")
// ---------------------------------------------------------------------------

// First position at or after i that is not space, tab, CR or LF.
long desktopJsonSkipWs(const std::string &text, long i);
// Reads the JSON string that starts with the quote at i; false (out unchanged)
// when there is no quote at i or no closing quote. endOut is the position
// after the closing quote.
bool desktopJsonReadStringAt(const std::string &text, long i, String &out, long &endOut);
// Position of the value of the first "key" found anywhere from `from`, or -1.
long desktopJsonFindValue(const std::string &text, const char *key, long from);
// String value of the first occurrence of key.
bool desktopJsonGetString(const std::string &text, const char *key, String &out);
// Bare true/false value of key.
bool desktopJsonGetBool(const std::string &text, const char *key, bool &out);
// Signed decimal value of key, saturated to the 32-bit range.
bool desktopJsonGetLong(const std::string &text, const char *key, int32_t &out);
// Object text of key, from "{" to the matching "}" inclusive.
bool desktopJsonGetObject(const std::string &text, const char *key, std::string &out);
// Array text of key, from "[" to the matching "]" inclusive.
bool desktopJsonGetArray(const std::string &text, const char *key, std::string &out);

// Appliers: an absent or malformed value leaves the field unchanged.
void desktopApplyJsonString(const std::string &text, const char *key, String &field);
void desktopApplyJsonBool(const std::string &text, const char *key, bool &field);
void desktopApplyJsonU8(const std::string &text, const char *key, uint8_t &field);
void desktopApplyJsonU16(const std::string &text, const char *key, uint16_t &field);
void desktopApplyJsonU32(const std::string &text, const char *key, uint32_t &field);
// Fills up to `count` slots from the objects of the array under key.
void desktopParseActionArray(const std::string &text, const char *key, QuickActionSlotConfig *slots,
                             int count);

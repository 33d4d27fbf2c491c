// Country code of a callsign from its ITU prefix, and the caller's flag.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

// Lower-case country code ("de", "uk", "un", "icao", "wmo", ...); "de" for an
// unknown prefix, empty for an empty callsign.
String countryCodeFromCallsign(const String& callsign);

// Storage path of the flag bitmap for a code, falling back to the German flag.
String flagBmpPathFromCode(const String& code);

// Draws the caller's 32x32 flag centred in the box; true when a bitmap was drawn.
bool drawFlagForCallsign(int x, int y, int w, int h, const String& callsign);

// A framed flag for a country code, or the code as text when no bitmap draws.
void drawFlagOrPlaceholder(int x, int y, int w, int h, const String& code);

// Every distinct code the prefix table can give (for tools and tests).
int callsignCountryCodeCount();
const char* callsignCountryCodeAt(int index);

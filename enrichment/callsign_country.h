// Country code of a callsign from its ITU prefix, and the path of its flag
// bitmap (drawn by ui/flags.h).
#pragma once

#include <stdint.h>

#include "host/wstring.h"

// Lower-case country code ("de", "uk", "un", "icao", "wmo", ...); "de" for an
// unknown prefix, empty for an empty callsign.
String countryCodeFromCallsign(const String& callsign);

// Storage path of the flag bitmap for a code, falling back to the German flag.
String flagBmpPathFromCode(const String& code);

// Every distinct code the prefix table can give (for tools and tests).
int callsignCountryCodeCount();
const char* callsignCountryCodeAt(int index);

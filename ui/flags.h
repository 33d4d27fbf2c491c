// The caller's flag on the pages: the 32 x 32 bitmap of the callsign's
// country from storage.
#pragma once

#include "enrichment/callsign_country.h"
#include "host/wstring.h"

// Size of the shipped flag bitmaps.
static const int FLAG_SIZE_PX = 32;

// Draws the caller's 32x32 flag centred in the box; true when a bitmap was drawn.
bool drawFlagForCallsign(int x, int y, int w, int h, const String& callsign);

// A framed flag for a country code, or the code as text when no bitmap draws.
void drawFlagOrPlaceholder(int x, int y, int w, int h, const String& code);

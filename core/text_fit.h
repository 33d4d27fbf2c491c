// Text cuts that need no font: the character budget of lists, popups and
// lookup names. Pixel fitting lives with the drawing code (ui/draw.h).
#pragma once

#include "host/wstring.h"

// Character cut of trim(s) ending in "~"; unchanged for maxChars 0 or short text.
String clipWithTilde(const String& s, int maxChars);
// One line: CR/LF become spaces, runs of spaces collapse, trimmed.
String normalizeSingleLineText(const String& s);

#pragma once

// The built-in 5 x 7 bitmap font of the display surface.
//
// Each glyph is 7 row bytes, top row first; in each row bit 4 is the leftmost
// of the 5 columns and bit 0 the rightmost.

#include <stdint.h>

static const int FONT5X7_COLUMNS = 5;
static const int FONT5X7_ROWS = 7;

// Returns the 7 rows of the glyph for byte c. Lower-case letters use the
// upper-case glyphs; control bytes, DEL and every byte 128..255 get the
// question mark. Never returns null.
const uint8_t* glyphRows(unsigned char c);

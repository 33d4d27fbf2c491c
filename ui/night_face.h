// The screensaver's night face: a dark, low-contrast clock with the date and,
// when the weather is known, the temperature, in dimmed theme colours on
// black, drifting like the day face to spread wear over the panel.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

// Block size of the large clock digits (pixels per font dot) and the share
// of each theme colour that is kept.
static const int NIGHT_CLOCK_BLOCK_PX = 12;
static const float NIGHT_CLOCK_COLOUR_SHARE = 0.35f;
static const float NIGHT_TEXT_COLOUR_SHARE = 0.3f;

// Fingerprint of the night face at millis() t: equal keys draw the same
// picture (clock, date, temperature and drift).
String nightFaceKey(uint32_t t);
// Draws the whole night face for millis() t.
void drawNightFace(uint32_t t);

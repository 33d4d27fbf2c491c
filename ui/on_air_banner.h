// Call-watch decorations over the page: the on-air banner (a strip at the
// bottom of the body while a transmission is live on the hotspot or the
// SvxLink node and another source is shown) and the watch toast (a strip at
// the top of the body after a watch-list match). Both are drawn after the
// page and before the overlays, so a popup is never covered, and each takes
// only the taps inside itself.
#pragma once

#include "core/view.h"
#include "hotspot/heard.h"
#include "ui/draw.h"

// Where the banner and the toast are drawn.
static const ScreenRect ON_AIR_BANNER_RECT = {10, 384, 780, 54};
static const ScreenRect WATCH_TOAST_RECT = {60, 76, 680, 62};

// Width of the banner's callsign and of its detail line in pixels.
static const int ON_AIR_BANNER_CALL_W = 190;
static const int ON_AIR_BANNER_DETAIL_W = 420;

// The banner's detail line for a record: name, mode and target (as the
// pages show it), separated by two blanks, empty parts left out, fitted to
// ON_AIR_BANNER_DETAIL_W in font 2 with "~".
String onAirBannerDetailText(const HeardRecord& record);

// Draws the banner and the toast when they are shown (full redraw, and after
// the marquee strips repainted part of the page).
void drawCallWatchDecorations();

// A tap on the toast closes it; a tap on the banner opens the LIVE page of
// the banner's source. True when the tap was used.
bool tapCallWatchDecorations(int x, int y);

#pragma once

// SvxLink watch source: node dashboard polling and its scrolling strips.

#include <stdint.h>

// Number of SvxLink polls started (for diagnostics).
extern uint32_t svxlinkPollCount;

// One poll of the SvxLink dashboard; true when it produced data.
bool fetchSvxlinkData();

// Repaints the marquee strips of the SvxLink LIVE / HEARD page; false when a
// full redraw is needed instead.
bool redrawSvxlinkLiveScrollingTextAreas();
bool redrawSvxlinkHeardScrollingTextAreas();

#pragma once

// SvxLink watch source: node dashboard polling and its scrolling strips.

#include <stdint.h>

#include "core/backend.h"

// Number of SvxLink polls started (for diagnostics).
extern uint32_t svxlinkPollCount;

// One poll of the SvxLink dashboard; true when it produced data.
bool fetchSvxlinkData();

// Poll while SvxLink is the current source: the node, then the APRS lookup
// when APRS is enabled; true when either produced data.
bool pollSvxlinkWatch();
// Poll intervals on the page (at least 3 s) and under the screensaver (at
// least 10 s) from the configured refresh.
uint32_t svxlinkPollIntervalMs();
uint32_t svxlinkScreensaverPollIntervalMs();

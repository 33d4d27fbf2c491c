// APRS watch pages: "APRS LOCATION" (LIVE), "APRS AREA RADAR" (HEARD) and the
// APRS info popup.
#pragma once

#include "core/watch_source.h"

extern const WatchSourceRow APRS_WATCH_ROW;
extern const ViewOverlay APRS_INFO_OVERLAY;

void drawAprsLivePage();
void drawAprsHeardPage();

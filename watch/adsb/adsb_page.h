// ADS-B watch pages: "ADSB TRACKER" (LIVE), "ADSB RADAR" (HEARD) and the
// aircraft details popup.
#pragma once

#include "core/watch_source.h"

extern const WatchSourceRow ADSB_WATCH_ROW;
extern const ViewOverlay ADSB_INFO_OVERLAY;

// The aircraft details popup and its state.
extern bool adsbInfoPopupOpen;
extern int selectedAdsbAircraftIndex;
extern int adsbInfoPopupScrollLines;
extern int adsbInfoPopupMaxScrollLines;
extern int adsbInfoPopupPageStepLines;

void drawAdsbLivePage();
void drawAdsbHeardPage();

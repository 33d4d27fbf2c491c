// ADS-B watch pages: "ADSB TRACKER" (LIVE), "ADSB RADAR" (HEARD) and the
// aircraft details popup.
#pragma once

#include <stdint.h>

#include "core/watch_source.h"
#include "watch/adsb/adsb.h"

extern const WatchSourceRow ADSB_WATCH_ROW;
extern const ViewOverlay ADSB_INFO_OVERLAY;

// The aircraft details popup and its state (the popup does not scroll; the
// scroll values are only reset).
extern bool adsbInfoPopupOpen;
extern int selectedAdsbAircraftIndex;
extern int adsbInfoPopupScrollLines;
extern int adsbInfoPopupMaxScrollLines;
extern int adsbInfoPopupPageStepLines;

void drawAdsbLivePage();
void drawAdsbHeardPage();
// The radar of the stored aircraft and the nearest list in a box.
void drawAdsbRadarCompass(int x, int y, int w, int h, float centerLat, float centerLon);
void drawAdsbAircraftList(int x, int y, int w, int h, float centerLat, float centerLon);
// An aircraft: a background disc, the nose-to-tail line along the heading,
// the wings across it at 0.65 x size and a dot at the nose.
void drawAdsbAircraftGlyph(int cx, int cy, int size, int headingDeg, uint16_t color, uint16_t bg);
// One counter card: label above, value below.
void drawAdsbMetricCard(int x, int y, int w, int h, const String& label, const String& value,
                        uint16_t valueColor);
// The airline logo of the flight in 32 x 32; false when none was drawn.
bool drawAdsbAirlineLogo(const AdsbAircraftRecord& rec, int x, int y, uint16_t bg565);
// A tap on a row of the radar list opens the details popup for it; false
// when no row was hit.
bool tryOpenAdsbRadarAircraftPopup(int x, int y);

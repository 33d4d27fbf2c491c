// APRS watch pages: "APRS LOCATION" (LIVE), "APRS AREA RADAR" (HEARD) and the
// APRS info popup.
#pragma once

#include "core/watch_source.h"
#include "ui/draw.h"
#include "watch/aprs/aprs.h"

extern const WatchSourceRow APRS_WATCH_ROW;
extern const ViewOverlay APRS_INFO_OVERLAY;

// Body of the popup when a station has no details at all.
static const char* const APRS_POPUP_NO_TEXT = "No detailed APRS text was provided.";

void drawAprsLivePage();
void drawAprsHeardPage();
// The compass plot of the nearby stations and the nearest list in a box,
// around the area centre.
void drawAprsRadarCompass(int x, int y, int w, int h, float centerLat, float centerLng);
void drawAprsRadarList(int x, int y, int w, int h, float centerLat, float centerLng);

// A tap on a row of the radar page's list opens the popup for that station;
// false when no row was hit.
bool tryOpenAprsRadarStationPopup(int x, int y);

// The station of the popup: the selected nearby station, else the primary
// station (its distance from the centre, -1 without one); false when there
// is none or it has no callsign.
bool aprsPopupGetRecord(AprsNearbyRecord& rec);
// The popup's text: one "Label: value" line per known detail.
String aprsInfoPopupBodyText(const AprsNearbyRecord& rec);

// Controls of the popup: PREV (0), CLOSE (1), NEXT (2) and the text box.
ScreenRect aprsInfoPopupButtonRect(int index);
ScreenRect aprsInfoPopupPrevButtonRect();
ScreenRect aprsInfoPopupCloseButtonRect();
ScreenRect aprsInfoPopupNextButtonRect();
ScreenRect aprsInfoPopupContentBoxRect();
// Scrolls the popup text by lines within 0 .. the last page.
void changeAprsInfoPopupScroll(int deltaLines);
// A tap while the popup is open (every tap is taken): CLOSE closes it,
// PREV/NEXT and the upper/lower half of the text box scroll a page.
void handleAprsCommentPopupTap(int x, int y);

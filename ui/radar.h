// The compass radar and the nearest list of the radar pages (APRS stations,
// ADS-B aircraft): the square with its rings, cross and compass letters,
// positions of targets by bearing and distance, and the list panel whose
// rows are drawn by the paged-list drawer.
#pragma once

#include <stdint.h>

#include "ui/draw.h"
#include "ui/paged_list.h"

// Where the radar square and the list sit on a radar page.
static const ScreenRect RADAR_PAGE_SQUARE = {35, 164, 264, 264};
static const ScreenRect RADAR_PAGE_LIST = {319, 164, 446, 264};
// The radius is the half box less this margin (room for the letters).
static const int RADAR_MARGIN_PX = 25;
// Below this radius nothing is drawn.
static const int RADAR_RADIUS_MIN_PX = 12;
// The list: title row, then rows from y + 50, 13 px in from the left, 25 px
// narrower than the list.
static const int RADAR_LIST_ROWS_TOP_PX = 50;
static const int RADAR_LIST_ROWS_RESERVED_PX = 56;
static const int RADAR_LIST_ROW_INSET_PX = 13;
static const int RADAR_LIST_ROW_SHRINK_PX = 25;
static const int RADAR_LIST_ROWS_MAX = 4;

// Centre and radius of the radar in a box; radius 0 when the box is too small.
struct RadarGeometry {
  int cx = 0, cy = 0;
  int radius = 0;
};

RadarGeometry radarGeometry(int x, int y, int w, int h);
// The square of a radar page: radius-10 panel on the background colour.
void drawRadarSquare(const ScreenRect& square);
// Outer circle, inner rings (radii in pixels; 0 ends the list), cross lines,
// compass letters and the centre marker. False (nothing drawn) when the box
// is too small.
bool drawRadarCompassFrame(const RadarGeometry& g, const int* innerRadii, int innerCount);
// Screen position of a target at a bearing and distance: the distance is a
// fraction of the range (clamped to 0..1) of the radius.
void radarTargetPoint(const RadarGeometry& g, float bearingDeg, float distanceKm, float rangeKm, int& px,
                      int& py);

// The list panel: "NEAREST" and a right-aligned count text.
void drawRadarListFrame(int x, int y, int w, int h, const String& countText);
// The row layout of a list in the box: rows of rowH every rowH + gap from
// y + 50, as many as fit in h - 56, at most four; no page buttons.
PagedListLayout radarListLayout(int x, int y, int w, int h, int rowH, int gap);

// Text fitted to maxWidth (no fitting when 0) in font at (x, y) with datum;
// the datum goes back to top-left afterwards.
void drawFittedWatchText(const String& text, int x, int y, int font, int datum, uint16_t fg, uint16_t bg,
                         int maxWidth);
// The REFRESH button of the watch pages (WATCH_REFRESH_BUTTON) on fill.
void drawWatchRefreshButton(uint16_t fill);

#include "ui/radar.h"

#include <math.h>

#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "ui/watch_page.h"

namespace {

const float RADAR_DEG_TO_RAD = 0.017453292f;
const int RADAR_ROW_RADIUS = 7;

uint16_t radarListRowFill(int row) {
  return (row % 2 == 1) ? mix565(theme.panel2, theme.bg, 0.18f) : mix565(theme.panel2, theme.accent, 0.06f);
}

void drawCompassLetter(const char* letter, int x, int y, uint16_t colour) {
  drawFittedWatchText(letter, x, y, 2, MC_DATUM, colour, theme.bg, 0);
}

}  // namespace

RadarGeometry radarGeometry(int x, int y, int w, int h) {
  RadarGeometry g;
  g.cx = x + w / 2;
  g.cy = y + h / 2;
  const int r = min(w, h) / 2 - RADAR_MARGIN_PX;
  g.radius = r < RADAR_RADIUS_MIN_PX ? 0 : r;
  return g;
}

void drawRadarSquare(const ScreenRect& square) {
  fillSoftPanel(square.x, square.y, square.w, square.h, theme.bg, mix565(theme.border, theme.accent, 0.32f),
                10);
}

bool drawRadarCompassFrame(const RadarGeometry& g, const int* innerRadii, int innerCount) {
  if (g.radius <= 0) return false;
  const int r = g.radius;
  const uint16_t inner = mix565(theme.border, theme.accent, 0.2f);
  tft.drawFastHLine(g.cx - r, g.cy, 2 * r + 1, inner);
  tft.drawFastVLine(g.cx, g.cy - r, 2 * r + 1, inner);
  for (int i = 0; i < innerCount; ++i) {
    if (innerRadii[i] > 0) tft.drawCircle(g.cx, g.cy, innerRadii[i], inner);
  }
  tft.drawCircle(g.cx, g.cy, r, mix565(theme.border, theme.accent, 0.35f));
  drawCompassLetter("N", g.cx, g.cy - r - 12, theme.accent);
  drawCompassLetter("S", g.cx, g.cy + r + 10, theme.subtext);
  drawCompassLetter("W", g.cx - r - 18, g.cy, theme.subtext);
  drawCompassLetter("E", g.cx + r + 18, g.cy, theme.subtext);
  tft.drawCircle(g.cx, g.cy, 10, theme.border);
  tft.fillCircle(g.cx, g.cy, 6, theme.warn);
  return true;
}

void radarTargetPoint(const RadarGeometry& g, float bearingDeg, float distanceKm, float rangeKm, int& px,
                      int& py) {
  float f = rangeKm > 0.0f ? distanceKm / rangeKm : 0.0f;
  if (!isfinite(f) || f < 0.0f) f = 0.0f;
  if (f > 1.0f) f = 1.0f;
  const float b = isfinite(bearingDeg) ? bearingDeg * RADAR_DEG_TO_RAD : 0.0f;
  px = g.cx + (int)lroundf(sinf(b) * f * (float)g.radius);
  py = g.cy - (int)lroundf(cosf(b) * f * (float)g.radius);
}

void drawRadarListFrame(int x, int y, int w, int h, const String& countText) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 9);
  drawFittedWatchText("NEAREST", x + 20, y + 14, 2, TL_DATUM, theme.accent, theme.panel2, 0);
  drawFittedWatchText(countText, x + w - 20, y + 14, 2, TR_DATUM, theme.subtext, theme.panel2, 0);
}

PagedListLayout radarListLayout(int x, int y, int w, int h, int rowH, int gap) {
  const int pitch = rowH + gap;
  int rows = pitch > 0 ? (h - RADAR_LIST_ROWS_RESERVED_PX + gap) / pitch : 0;
  rows = constrain(rows, 0, RADAR_LIST_ROWS_MAX);
  PagedListLayout layout = {
      {x + RADAR_LIST_ROW_INSET_PX, y + RADAR_LIST_ROWS_TOP_PX, w - RADAR_LIST_ROW_SHRINK_PX, rowH},
      pitch,
      rows,
      RADAR_ROW_RADIUS,
      radarListRowFill,
      false};
  return layout;
}

void drawFittedWatchText(const String& text, int x, int y, int font, int datum, uint16_t fg, uint16_t bg,
                         int maxWidth) {
  tft.setTextFont(font);
  tft.setTextDatum(datum);
  tft.setTextColor(fg, bg);
  tft.drawString(maxWidth > 0 ? fitTextInCurrentFont(text, maxWidth) : text, x, y);
  tft.setTextDatum(TL_DATUM);
}

void drawWatchRefreshButton(uint16_t fill) {
  const ScreenRect& r = WATCH_REFRESH_BUTTON;
  fillSoftPanel(r.x, r.y, r.w, r.h, fill, theme.border, 7);
  drawFittedWatchText("REFRESH", r.x + r.w / 2, r.y + r.h / 2, 2, MC_DATUM, theme.text, fill, r.w - 20);
}

// ADS-B watch pages: "ADSB TRACKER" (counters and the nearest aircraft),
// "ADSB RADAR" (aircraft along their tracks and the nearest list) and the
// aircraft details popup.
#include "watch/adsb/adsb_page.h"

#include <math.h>

#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "ui/draw.h"
#include "ui/images.h"
#include "ui/page_frame.h"
#include "ui/paged_list.h"
#include "ui/radar.h"
#include "ui/watch_page.h"
#include "watch/adsb/adsb.h"
#include "watch/aprs/aprs.h"

bool adsbInfoPopupOpen = false;
int selectedAdsbAircraftIndex = -1;
int adsbInfoPopupScrollLines = 0;
int adsbInfoPopupMaxScrollLines = 0;
int adsbInfoPopupPageStepLines = 1;

namespace {

const ScreenRect LIVE_PANEL = {20, 72, 760, 368};
const ScreenRect RADAR_PANEL = {15, 72, 770, 368};
const ScreenRect NEAREST_BOX = {40, 272, 720, 156};
const int STATUS_LINE_W = 490;
const int METRIC_Y = 164, METRIC_H = 88;
const int LOGO_PX = 32;
// The radar list: rows 48 high, 6 apart; logos from a width of 325 px.
const int LIST_ROW_H = 48;
const int LIST_ROW_GAP = 6;
const int LIST_LOGO_MIN_W = 325;
// The details popup.
const ScreenRect POPUP = {30, 64, 740, 364};
const ScreenRect POPUP_LOGO_BOX = {640, 84, 105, 105};
const int POPUP_ROW_X = 55;
const int POPUP_ROW_Y = 144;
const int POPUP_ROW_BOTTOM_MAX = 411;
// Row step: the line height of font 2, at least 28.
const int POPUP_ROW_STEP = 36;
const float DEG_TO_RAD = 0.017453292f;

float adsbRangeKm() { return (float)max((uint16_t)1, cfg.adsbRangeKm); }

// Compass point of an aircraft seen from the centre; empty without centre.
String adsbCompassFromCenter(const AdsbAircraftRecord& rec) {
  float lat = 0, lon = 0;
  if (!adsbConfiguredAreaCenter(lat, lon)) return String("");
  return aprsCompassPoint(aprsBearingDeg(lat, lon, rec.lat, rec.lon));
}

void drawPageFrame(const ScreenRect& panel, const char* title, int titleX) {
  fillSoftPanel(panel.x, panel.y, panel.w, panel.h, theme.panel, theme.border, 12);
  drawPageTitle(title, titleX, 92, theme.panel);
  drawWatchRefreshButton(theme.panel2);
}

void drawPageText(const String& text, int x, int y, uint16_t colour, int font = 2) {
  drawFittedWatchText(text, x, y, font, TL_DATUM, colour, theme.panel, 710);
}

}  // namespace

// ---------------------------------------------------------------- pieces

void drawAdsbAircraftGlyph(int cx, int cy, int size, int headingDeg, uint16_t color, uint16_t bg) {
  const float h = (float)(headingDeg % 360) * DEG_TO_RAD;
  const float dx = sinf(h), dy = -cosf(h);
  tft.fillCircle(cx, cy, max(2, size / 2), bg);
  const int noseX = cx + (int)lroundf(dx * size), noseY = cy + (int)lroundf(dy * size);
  const int tailX = cx - (int)lroundf(dx * size), tailY = cy - (int)lroundf(dy * size);
  tft.drawLine(tailX, tailY, noseX, noseY, color);
  const float wing = 0.65f * (float)size;
  tft.drawLine(cx - (int)lroundf(-dy * wing), cy - (int)lroundf(dx * wing), cx + (int)lroundf(-dy * wing),
               cy + (int)lroundf(dx * wing), color);
  tft.fillCircle(noseX, noseY, max(1, size / 4), color);
}

bool drawAdsbAirlineLogo(const AdsbAircraftRecord& rec, int x, int y, uint16_t bg565) {
  const String path = adsbAirlineLogoPath(rec);
  return !path.isEmpty() && drawPngFromSD(path, x, y, LOGO_PX, LOGO_PX, bg565);
}

void drawAdsbMetricCard(int x, int y, int w, int h, const String& label, const String& value,
                        uint16_t valueColor) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 9);
  drawFittedWatchText(label, x + w / 2, y + 24, adsbSmallTextFont(), MC_DATUM, theme.subtext, theme.panel2,
                      w - 16);
  drawFittedWatchText(value, x + w / 2, y + h - 30, 2, MC_DATUM, valueColor, theme.panel2, w - 16);
}

// ---------------------------------------------------------------- tracker page

namespace {

String adsbStatusLine() {
  const String host = trimmedCopy(cfg.adsbHost);
  return String("dump1090 / ") + (host.isEmpty() ? String("not set") : host) + " / " +
         String(cfg.adsbRangeKm) + "km";
}

String trackText(const AdsbAircraftRecord& rec) {
  return rec.trackValid ? String(rec.trackDeg) + "deg" : String("trk -");
}

void drawNearestAircraft(const AdsbAircraftRecord& rec) {
  const ScreenRect& b = NEAREST_BOX;
  const uint16_t bg = theme.panel2;
  fillSoftPanel(b.x, b.y, b.w, b.h, bg, theme.border, 10);
  if (!drawAdsbAirlineLogo(rec, 60, 316, bg)) {
    drawAdsbAircraftGlyph(100, 348, 16, rec.trackValid ? rec.trackDeg : 0, theme.good, bg);
  }
  drawFittedWatchText(adsbRecordName(rec), 150, 292, 4, TL_DATUM, theme.good, bg, 280);
  String where = adsbDistanceText(rec.distanceKm) + " km " + adsbCompassFromCenter(rec);
  drawFittedWatchText(where, 150, 348, 2, TL_DATUM, theme.text, bg, 355);
  drawFittedWatchText(adsbAltitudeText(rec), 740, 296, 2, TR_DATUM, theme.warn, bg, 235);
  drawFittedWatchText(adsbSpeedText(rec) + " " + trackText(rec), 740, 348, 2, TR_DATUM, theme.subtext, bg,
                      290);
}

void drawTrackerBody() {
  const AdsbState& s = adsbState;
  drawAdsbMetricCard(40, METRIC_Y, 170, METRIC_H, "AIR", String(s.totalAircraft), theme.text);
  drawAdsbMetricCard(225, METRIC_Y, 170, METRIC_H, "POS", String(s.positionAircraft), theme.text);
  drawAdsbMetricCard(410, METRIC_Y, 170, METRIC_H, "NEAR", String(s.aircraftCount), theme.good);
  drawAdsbMetricCard(595, METRIC_Y, 165, METRIC_H, "UPD", adsbLastUpdatedText(), theme.text);
  if (s.aircraftCount > 0) {
    drawNearestAircraft(s.aircraft[0]);
  } else if (s.fetchInProgress) {
    drawPageText("Fetching ADSB aircraft...", 45, 296, theme.good);
  } else {
    drawPageText(s.error.isEmpty() ? String("No aircraft in range yet") : s.error, 45, 292, theme.warn);
    drawPageText(String("URL: ") + adsbAircraftUrl(), 45, 336, theme.subtext, adsbSmallTextFont());
  }
}

}  // namespace

void drawAdsbLivePage() {
  drawTopTabs();
  drawPageFrame(LIVE_PANEL, "ADSB TRACKER", 45);
  drawFittedWatchText(adsbStatusLine(), 45, 130, adsbSmallTextFont(), TL_DATUM, theme.subtext, theme.panel,
                      STATUS_LINE_W);
  float lat = 0, lon = 0;
  if (!adsbFeatureEnabled()) {
    drawPageText("Enable ADSB in Web UI", 45, 192, theme.warn);
    drawPageText("Application > ADSB", 45, 232, theme.subtext, adsbSmallTextFont());
  } else if (!adsbConfiguredAreaCenter(lat, lon)) {
    drawPageText("ADSB center not set", 45, 192, theme.warn);
    drawPageText("Set ADSB center lat/lon or Weather/APRS location", 45, 236, theme.subtext,
                 adsbSmallTextFont());
  } else {
    drawTrackerBody();
  }
  drawFooter();
}

// ---------------------------------------------------------------- radar page

namespace {

struct AdsbListContext {
  int x, w;
};

uint16_t aircraftColour(int index) {
  if (index == 0) return theme.good;
  return index <= 3 ? theme.accent : theme.warn;
}

void drawAdsbListRow(int item, const ScreenRect& row, uint16_t fill, const void* context) {
  const AdsbListContext& list = *(const AdsbListContext*)context;
  const AdsbAircraftRecord& rec = adsbState.aircraft[item];
  int nameX = list.x + 28;
  if (list.w >= LIST_LOGO_MIN_W) {
    const int logoX = list.x + 25, logoY = row.y + (row.h - LOGO_PX) / 2;
    if (!drawAdsbAirlineLogo(rec, logoX, logoY, fill)) {
      drawAdsbAircraftGlyph(logoX + LOGO_PX / 2, logoY + LOGO_PX / 2, 9, rec.trackValid ? rec.trackDeg : 0,
                            item == 0 ? theme.good : theme.accent, fill);
    }
    nameX = logoX + 50;
  }
  const int nameW = max(30, list.w - 195 - (nameX - (list.x + 28)));
  drawFittedWatchText(adsbRecordName(rec), nameX, row.y + 11, 2, TL_DATUM,
                      item == 0 ? theme.good : theme.accent, fill, nameW);
  const int rightX = list.x + list.w - 28;
  const int small = adsbSmallTextFont();
  drawFittedWatchText(adsbDistanceText(rec.distanceKm) + "km " + adsbCompassFromCenter(rec), rightX,
                      row.y + 8, small, TR_DATUM, theme.warn, fill, 165);
  drawFittedWatchText(adsbAltitudeText(rec) + " " + adsbSpeedText(rec), rightX, row.y + 28, small, TR_DATUM,
                      theme.subtext, fill, 230);
}

PagedList adsbPagedList(const AdsbListContext& context, int y, int h, int& page) {
  static PagedListLayout layout;
  layout = radarListLayout(context.x, y, context.w, h, LIST_ROW_H, LIST_ROW_GAP);
  page = 0;
  return PagedList{&layout, adsbState.aircraftCount, &page, drawAdsbListRow, &context};
}

// The radar and its list are shown.
bool adsbRadarShown() {
  float lat = 0, lon = 0;
  return adsbFeatureEnabled() && adsbConfiguredAreaCenter(lat, lon) && adsbState.valid &&
         adsbState.aircraftCount > 0;
}

}  // namespace

void drawAdsbRadarCompass(int x, int y, int w, int h, float centerLat, float centerLon) {
  const RadarGeometry g = radarGeometry(x, y, w, h);
  const int inner[2] = {2 * g.radius / 3, max(4, g.radius / 3)};
  if (!drawRadarCompassFrame(g, inner, 2)) return;
  const float range = adsbRangeKm();
  const int count = min(adsbState.aircraftCount, ADSB_AIRCRAFT_MAX);
  for (int i = count - 1; i >= 0; --i) {
    const AdsbAircraftRecord& rec = adsbState.aircraft[i];
    if (!rec.valid || !(rec.distanceKm <= range)) continue;
    const float bearing = aprsBearingDeg(centerLat, centerLon, rec.lat, rec.lon);
    int px = 0, py = 0;
    radarTargetPoint(g, bearing, rec.distanceKm, range, px, py);
    const int heading = rec.trackValid ? rec.trackDeg : (int)lroundf(bearing);
    drawAdsbAircraftGlyph(px, py, i == 0 ? 12 : 10, heading, aircraftColour(i), theme.bg);
  }
}

void drawAdsbAircraftList(int x, int y, int w, int h, float centerLat, float centerLon) {
  (void)centerLat;
  (void)centerLon;
  drawRadarListFrame(x, y, w, h, String(adsbState.aircraftCount) + "/" + String(cfg.adsbRangeKm) + "km");
  const AdsbListContext context = {x, w};
  int page = 0;
  drawPagedList(adsbPagedList(context, y, h, page));
}

void drawAdsbHeardPage() {
  drawTopTabs();
  drawPageFrame(RADAR_PANEL, "ADSB RADAR", 40);
  const String line = String("Radius ") + String(cfg.adsbRangeKm) + " km / center " + adsbAreaCenterLabel();
  drawFittedWatchText(line, 40, 128, adsbSmallTextFont(), TL_DATUM, theme.subtext, theme.panel, 500);
  const AdsbState& s = adsbState;
  float lat = 0, lon = 0;
  if (!adsbFeatureEnabled()) {
    drawPageText("Enable ADSB in Web UI", 45, 204, theme.warn);
  } else if (!adsbConfiguredAreaCenter(lat, lon)) {
    drawPageText("ADSB area center not set", 45, 196, theme.warn);
    drawPageText("Set ADSB center or Weather/APRS lat/lon in Web UI", 45, 244, theme.subtext,
                 adsbSmallTextFont());
  } else if (s.fetchInProgress && s.aircraftCount == 0) {
    drawPageText("Fetching ADSB aircraft...", 45, 204, theme.good);
  } else if (adsbRadarShown()) {
    const ScreenRect& sq = RADAR_PAGE_SQUARE;
    drawRadarSquare(sq);
    drawAdsbRadarCompass(sq.x, sq.y, sq.w, sq.h, lat, lon);
    const ScreenRect& l = RADAR_PAGE_LIST;
    drawAdsbAircraftList(l.x, l.y, l.w, l.h, lat, lon);
  } else {
    drawPageText(s.error.isEmpty() ? String("No aircraft in range yet") : s.error, 45, 196, theme.warn);
    drawPageText(String("Updated ") + adsbLastUpdatedText(), 45, 244, theme.subtext, adsbSmallTextFont());
  }
  drawFooter();
}

// ---------------------------------------------------------------- popup

namespace {

void resetAdsbInfoPopupScroll() {
  adsbInfoPopupScrollLines = 0;
  adsbInfoPopupMaxScrollLines = 0;
  adsbInfoPopupPageStepLines = 1;
}

// Characters a popup value may have: 480 px of "W" in font 2 (the width
// taken as at least 6 px), 10 to 30.
int adsbPopupValueChars() {
  tft.setTextFont(2);
  const int w = max(6, (int)tft.textWidth("W"));
  return max(10, min(30, 480 / w));
}

struct PopupRows {
  int y = POPUP_ROW_Y;
  int step = POPUP_ROW_STEP;
  int chars = 30;
  void draw(const char* label, const String& value) {
    drawLabelValue(POPUP_ROW_X, y, label, clipWithTilde(value, chars), theme.warn, theme.text, theme.panel2);
    y += step;
  }
  bool fits() const { return y + step <= POPUP_ROW_BOTTOM_MAX; }
};

String dashIfEmpty(const String& s) {
  const String t = trimmedCopy(s);
  return t.isEmpty() ? String("-") : t;
}

String popupDistanceText(const AdsbAircraftRecord& rec) {
  String text = adsbDistanceText(rec.distanceKm) + " km";
  const String compass = adsbCompassFromCenter(rec);
  if (!compass.isEmpty()) text += String(" ") + compass;
  return text;
}

String popupSeenText(const AdsbAircraftRecord& rec) {
  if (!(rec.seenSec >= 0.0f)) return String("-");
  return (rec.seenSec < 10.0f ? String(rec.seenSec, 1) : String(lroundf(rec.seenSec))) + " s ago";
}

void drawAdsbPopupRows(const AdsbAircraftRecord& rec) {
  PopupRows rows;
  rows.chars = adsbPopupValueChars();
  rows.draw("Flight:", dashIfEmpty(rec.flight));
  rows.draw("Name:", adsbRecordName(rec));
  rows.draw("Hex:", dashIfEmpty(rec.hex));
  rows.draw("Dist:", popupDistanceText(rec));
  rows.draw("Alt:", adsbAltitudeText(rec));
  const int speedY = rows.y;
  rows.draw("Speed:", adsbSpeedText(rec));
  if (speedY + 2 * rows.step > POPUP_ROW_BOTTOM_MAX) return;
  rows.draw("Course:", rec.trackValid ? String(rec.trackDeg) + " deg" : String("-"));
  if (!rows.fits()) return;
  rows.draw("Squawk:", dashIfEmpty(rec.squawk));
  if (!rows.fits()) return;
  rows.draw("Seen:", popupSeenText(rec));
  if (!rows.fits()) return;
  rows.draw("Pos:", String(rec.lat, 4) + ", " + String(rec.lon, 4));
}

void drawAdsbInfoPopup() {
  const int index = selectedAdsbAircraftIndex;
  if (index < 0 || index >= adsbState.aircraftCount) return;
  const AdsbAircraftRecord& rec = adsbState.aircraft[index];
  const ScreenRect& p = POPUP;
  fillPanel(p.x, p.y, p.w, p.h, theme.panel2, theme.accent);
  drawFittedWatchText("AIRCRAFT DETAILS", 55, 84, 2, TL_DATUM, theme.good, theme.panel2, 560);
  const ScreenRect& box = POPUP_LOGO_BOX;
  fillSoftPanel(box.x, box.y, box.w, box.h, theme.panel, theme.border, 8);
  const int cx = box.x + box.w / 2, cy = box.y + box.h / 2;
  if (!drawAdsbAirlineLogo(rec, cx - LOGO_PX / 2, cy - LOGO_PX / 2, theme.panel)) {
    drawAdsbAircraftGlyph(cx, cy, 11, rec.trackValid ? rec.trackDeg : 0, theme.good, theme.panel);
  }
  drawAdsbPopupRows(rec);
}

// Any tap closes the aircraft popup.
void tapAdsbInfoPopup(int x, int y) {
  (void)x;
  (void)y;
  adsbInfoPopupOpen = false;
  selectedAdsbAircraftIndex = -1;
  resetAdsbInfoPopupScroll();
  requestRedraw();
}

bool adsbInfoPopupIsOpen() { return adsbInfoPopupOpen; }

}  // namespace

bool tryOpenAdsbRadarAircraftPopup(int x, int y) {
  if (!adsbRadarShown()) return false;
  const ScreenRect& l = RADAR_PAGE_LIST;
  const AdsbListContext context = {l.x, l.w};
  int page = 0;
  const int item = tapPagedList(adsbPagedList(context, l.y, l.h, page), x, y);
  if (item < 0 || item >= adsbState.aircraftCount) return false;
  selectedAdsbAircraftIndex = item;
  resetAdsbInfoPopupScroll();
  adsbInfoPopupOpen = true;
  noteScreenActivity();
  requestRedraw();
  return true;
}

// ---------------------------------------------------------------- taps and row

static void refreshAdsb() {
  adsbState.lastAttemptMillis = 0;
  if (fetchAdsbData(true)) {
    setFooterText("ADSB refresh requested", true);
  } else if (!adsbState.error.isEmpty()) {
    setFooterText(adsbState.error, true);
  }
  requestRedraw();
}

static void tapAdsbLivePage(int x, int y) {
  if (WATCH_REFRESH_BUTTON.contains(x, y)) refreshAdsb();
}

static void tapAdsbHeardPage(int x, int y) {
  if (tryOpenAdsbRadarAircraftPopup(x, y)) return;
  if (WATCH_REFRESH_BUTTON.contains(x, y)) refreshAdsb();
}

// The marquee strips keep moving under the aircraft popup.
const ViewOverlay ADSB_INFO_OVERLAY = {
    OVERLAY_ADSB_INFO, adsbInfoPopupIsOpen, drawAdsbInfoPopup, tapAdsbInfoPopup, nullptr, false};

static WatchSourceRow adsbWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_ADSB;
  row.buttonLabel = "ADSB";
  row.footerName = "ADSB";
  row.startLive = {"adsb_live",
                   "ADSB WATCH",
                   {"adsb", "ads-b", "adsb-live", "adsb-watch", "aircraft", "dump1090", nullptr}};
  row.startReady = adsbFeatureEnabled;
  row.startSwitchedOn = [] { return cfg.adsbEnabled; };
  row.heardTabLabel = "RADAR";
  row.available = adsbFeatureEnabled;
  row.switchShowsLivePage = true;
  row.poll = pollAdsbWatch;
  row.screensaverPoll = pollAdsbWatch;
  row.pollIntervalMs = adsbPollIntervalMs;
  row.screensaverPollIntervalMs = adsbScreensaverPollIntervalMs;
  row.selected = adsbSourceSelected;
  row.configFinalized = adsbConfigFinalized;
  row.configApplied = clearAdsbData;
  row.drawLive = drawAdsbLivePage;
  row.drawHeard = drawAdsbHeardPage;
  row.tapLive = tapAdsbLivePage;
  row.tapHeard = tapAdsbHeardPage;
  return row;
}

const WatchSourceRow ADSB_WATCH_ROW = adsbWatchRow();

// APRS watch pages: "APRS LOCATION" (the station of the LIVE callsign),
// "APRS AREA RADAR" (compass plot and nearest list) and the APRS info popup.
#include "watch/aprs/aprs_page.h"

#include <math.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "hotspot/hotspot_poll.h"
#include "ui/draw.h"
#include "ui/images.h"
#include "ui/page_frame.h"
#include "ui/paged_list.h"
#include "ui/radar.h"
#include "ui/rich_text.h"
#include "ui/watch_page.h"
#include "watch/alerts/alerts.h"
#include "watch/aprs/aprs.h"
#include "watch/svxlink/svxlink.h"

namespace {

const ScreenRect LIVE_PANEL = {20, 72, 760, 368};
const ScreenRect RADAR_PANEL = {15, 72, 770, 368};
const ScreenRect STATION_BOX = {40, 164, 720, 84};
const ScreenRect COMMENT_BOX = {40, 364, 720, 72};
const int STATUS_LINE_W = 490;
const int CALLSIGN_CHARS_MAX = 10;
const int ICON_TEXT_GAP_PX = 57;  // icon left edge to the text
const int ICON_Y = 190;
const int STATION_TEXT_Y = 206;
// The radar list: rows 44 high, 6 apart.
const int LIST_ROW_H = 44;
const int LIST_ROW_GAP = 6;

// Host (and port) of the API origin, for the page texts.
String aprsApiHostLabel() {
  String host = aprsApiBase();
  const int scheme = host.indexOf("://");
  if (scheme >= 0) host = host.substring(scheme + 3);
  const int slash = host.indexOf('/');
  if (slash >= 0) host = host.substring(0, slash);
  const int at = host.lastIndexOf('@');
  if (at >= 0) host = host.substring(at + 1);
  return host;
}

String oneDecimalBelowTen(float km) { return km < 10.0f ? String(km, 1) : String(lroundf(km)); }

float aprsRangeKm() { return (float)max((uint16_t)1, cfg.aprsRangeKm); }

// The primary station holds data for the callsign looked up now.
bool aprsHasDataForLookup() {
  const AprsState& a = aprsState;
  if (!a.valid) return false;
  const String lookup = aprsLookupCallsign();
  return !lookup.isEmpty() &&
         (normalizeHamCallsign(a.sourceCallsign) == lookup || normalizeHamCallsign(a.callsign) == lookup);
}

// Distance of the primary station from the centre; false without centre.
bool aprsPrimaryDistance(float& km) {
  float lat = 0, lng = 0;
  if (!aprsConfiguredAreaCenter(lat, lng)) return false;
  km = aprsDistanceKm(lat, lng, aprsState.lat, aprsState.lng);
  return true;
}

bool aprsPrimaryOutsideArea(float& km) { return aprsPrimaryDistance(km) && !(km <= (float)cfg.aprsRangeKm); }

bool isPrimaryStation(const AprsNearbyRecord& rec) {
  return aprsState.valid && !rec.callsign.isEmpty() &&
         rec.callsign == normalizeHamCallsign(aprsState.callsign);
}

void drawPageFrame(const ScreenRect& panel, const char* title, int titleX) {
  fillSoftPanel(panel.x, panel.y, panel.w, panel.h, theme.panel, theme.border, 12);
  drawPageTitle(title, titleX, 92, theme.panel);
}

// ---------------------------------------------------------------- location page

String aprsStatusLine() {
  String line = String("API ") + aprsApiHostLabel() + " / " + String(cfg.aprsRangeKm) + "km area";
  if (aprsState.nearbyValid) line += String(" / ") + String(aprsState.nearbyCount) + " heard";
  return line;
}

void drawStationBox(bool current) {
  const ScreenRect& b = STATION_BOX;
  const uint16_t colour = current ? theme.good : theme.warn;
  fillSoftPanel(b.x, b.y, b.w, b.h, theme.panel2, colour, 10);
  tft.setTextFont(4);
  if (!current) {
    const String lookup = aprsLookupCallsign();
    const String text = clipWithTilde(lookup.isEmpty() ? String("WAITING") : lookup, CALLSIGN_CHARS_MAX);
    drawFittedWatchText(text, 400, STATION_TEXT_Y, 4, MC_DATUM, colour, theme.panel2, b.w - 40);
    return;
  }
  const String call =
      trimmedCopy(aprsState.callsign).isEmpty() ? aprsState.sourceCallsign : aprsState.callsign;
  const String text = clipWithTilde(call, CALLSIGN_CHARS_MAX);
  const int textW = tft.textWidth(text);
  const int iconX = max(55, b.x + (b.w - (textW + ICON_TEXT_GAP_PX)) / 2);
  drawAprsIcon(aprsState.symbol, iconX, ICON_Y, theme.panel2);
  drawFittedWatchText(text, iconX + ICON_TEXT_GAP_PX, STATION_TEXT_Y, 4, ML_DATUM, colour, theme.panel2, 0);
}

String valueOrDash(bool valid, float value, const char* unit) {
  return valid ? String(lroundf(value)) + unit : String("-");
}

String aprsMoveText() {
  const AprsState& a = aprsState;
  return valueOrDash(a.speedValid, a.speedKmh, " Km/h") + " / " +
         (a.courseValid ? String(a.courseDeg) + " deg" : String("-")) +
         " / ALT: " + valueOrDash(a.altitudeValid, a.altitudeM, " m");
}

void drawStationDetails() {
  const AprsState& a = aprsState;
  const uint16_t bg = theme.panel2;
  drawInfoRow(40, 264, 720, "COORD", String(a.lat, 5) + ", " + String(a.lng, 5), bg, bg, theme.warn,
              theme.text);
  drawInfoRowSized(40, 312, 720, 125, "MOVE", aprsMoveText(), bg, bg, theme.warn, theme.text);
  const ScreenRect& c = COMMENT_BOX;
  fillSoftPanel(c.x, c.y, c.w, c.h, bg, theme.border, 8);
  drawFittedWatchText("COMMENT", 60, 376, aprsSmallTextFont(), TL_DATUM, theme.warn, bg, 130);
  const String text =
      firstNonEmpty(a.comment, a.status, a.path, String("No APRS comment"), String(""), String(""));
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.text, bg);
  drawWrappedTextInCurrentFont(text, 200, 370, 540, 2, 30);
}

void drawStationOutside(float km) {
  drawFittedWatchText("Station outside APRS area", 45, 280, 2, TL_DATUM, theme.warn, theme.panel, 710);
  const String text =
      String("Distance ") + String(lroundf(km)) + " km / limit " + String(cfg.aprsRangeKm) + " km";
  drawFittedWatchText(text, 45, 324, aprsSmallTextFont(), TL_DATUM, theme.subtext, theme.panel, 710);
}

void drawStationWaiting() {
  const AprsState& a = aprsState;
  const String notice = a.fetchInProgress ? String("Fetching APRS data from ") + aprsApiHostLabel() + "..."
                                          : String("Waiting for next APRS poll");
  drawFittedWatchText(notice, 45, 280, 2, TL_DATUM, a.fetchInProgress ? theme.good : theme.text, theme.panel,
                      710);
  if (!a.error.isEmpty()) drawFittedWatchText(a.error, 45, 328, 2, TL_DATUM, theme.bad, theme.panel, 710);
}

}  // namespace

void drawAprsLivePage() {
  drawTopTabs();
  drawPageFrame(LIVE_PANEL, "APRS LOCATION", 45);
  drawWatchRefreshButton(theme.panel2);
  drawFittedWatchText(aprsStatusLine(), 45, 130, aprsSmallTextFont(), TL_DATUM, theme.subtext, theme.panel,
                      STATUS_LINE_W);
  if (!aprsFeatureEnabled()) {
    drawFittedWatchText("Enable APRS in Web UI", 45, 192, 2, TL_DATUM, theme.warn, theme.panel, 710);
    drawFittedWatchText("Application > APRS", 45, 232, aprsSmallTextFont(), TL_DATUM, theme.subtext,
                        theme.panel, 710);
    drawFooter();
    return;
  }
  float km = 0;
  const bool forLookup = aprsHasDataForLookup();
  const bool outside = forLookup && aprsPrimaryOutsideArea(km);
  const bool current = forLookup && !outside;
  drawStationBox(current);
  if (current) {
    drawStationDetails();
  } else if (outside) {
    drawStationOutside(km);
  } else {
    drawStationWaiting();
  }
  drawFooter();
}

// ---------------------------------------------------------------- radar page

namespace {

struct AprsListContext {
  int x, w;
};

void drawAprsRadarRow(int item, const ScreenRect& row, uint16_t fill, const void* context) {
  const AprsListContext& list = *(const AprsListContext*)context;
  const AprsNearbyRecord& rec = aprsState.nearby[item];
  const int nameW = max(30, list.w - 195);
  drawFittedWatchText(rec.callsign, list.x + 28, row.y + 12, 2, TL_DATUM,
                      isPrimaryStation(rec) ? theme.good : theme.accent, fill, nameW);
  float lat = 0, lng = 0;
  String right = oneDecimalBelowTen(rec.distanceKm) + "km";
  if (aprsConfiguredAreaCenter(lat, lng))
    right += String(" ") + aprsCompassPoint(aprsBearingDeg(lat, lng, rec.lat, rec.lng));
  if (rec.speedValid && rec.speedKmh >= 1.0f) right += String(" ") + String(lroundf(rec.speedKmh)) + "k";
  drawFittedWatchText(right, list.x + list.w - 28, row.y + 10, aprsSmallTextFont(), TR_DATUM, theme.warn,
                      fill, 165);
}

PagedList aprsRadarPagedList(const AprsListContext& context, int y, int h, int& page) {
  static PagedListLayout layout;
  layout = radarListLayout(context.x, y, context.w, h, LIST_ROW_H, LIST_ROW_GAP);
  page = 0;
  return PagedList{&layout, aprsState.nearbyCount, &page, drawAprsRadarRow, &context};
}

// The list and radar are shown: a valid list with stations and a centre.
bool aprsRadarShown() {
  float lat = 0, lng = 0;
  return aprsFeatureEnabled() && !aprsState.fetchInProgress && aprsState.nearbyValid &&
         aprsState.nearbyCount > 0 && aprsConfiguredAreaCenter(lat, lng);
}

}  // namespace

void drawAprsRadarCompass(int x, int y, int w, int h, float centerLat, float centerLng) {
  const RadarGeometry g = radarGeometry(x, y, w, h);
  const int inner[1] = {max(4, g.radius / 2)};
  if (!drawRadarCompassFrame(g, inner, 1)) return;
  const float range = aprsRangeKm();
  const int count = min(aprsState.nearbyCount, APRS_NEARBY_MAX);
  for (int i = count - 1; i >= 0; --i) {
    const AprsNearbyRecord& rec = aprsState.nearby[i];
    if (!rec.valid || !(rec.distanceKm <= range)) continue;
    int px = 0, py = 0;
    radarTargetPoint(g, aprsBearingDeg(centerLat, centerLng, rec.lat, rec.lng), rec.distanceKm, range, px,
                     py);
    const int r = i == 0 ? 8 : 6;
    const bool primary = isPrimaryStation(rec);
    const uint16_t colour = primary ? theme.good : (i >= 3 ? theme.warn : theme.accent);
    tft.fillCircle(px, py, r + 1, theme.bg);
    tft.fillCircle(px, py, r, colour);
    if (primary) tft.drawCircle(px, py, r + 4, theme.good);
  }
}

void drawAprsRadarList(int x, int y, int w, int h, float centerLat, float centerLng) {
  (void)centerLat;
  (void)centerLng;
  drawRadarListFrame(x, y, w, h, String(aprsState.nearbyCount) + "/" + String(cfg.aprsRangeKm) + "km");
  const AprsListContext context = {x, w};
  int page = 0;
  drawPagedList(aprsRadarPagedList(context, y, h, page));
}

void drawAprsHeardPage() {
  drawTopTabs();
  drawPageFrame(RADAR_PANEL, "APRS AREA RADAR", 40);
  const String line = String("Radius ") + String(cfg.aprsRangeKm) + " km / center " + aprsAreaCenterLabel();
  drawFittedWatchText(line, 40, 128, aprsSmallTextFont(), TL_DATUM, theme.subtext, theme.panel, 710);
  float lat = 0, lng = 0;
  const AprsState& a = aprsState;
  if (!aprsFeatureEnabled()) {
    drawFittedWatchText("Enable APRS in Web UI", 45, 204, 2, TL_DATUM, theme.warn, theme.panel, 710);
  } else if (a.fetchInProgress) {
    drawFittedWatchText("Fetching APRS area data...", 45, 204, 2, TL_DATUM, theme.good, theme.panel, 710);
  } else if (a.nearbyValid && a.nearbyCount > 0 && !aprsConfiguredAreaCenter(lat, lng)) {
    drawFittedWatchText("APRS area center not set", 45, 196, 2, TL_DATUM, theme.warn, theme.panel, 710);
    drawFittedWatchText("Set APRS center or weather lat/lon in Web UI", 45, 244, aprsSmallTextFont(),
                        TL_DATUM, theme.subtext, theme.panel, 710);
  } else if (aprsRadarShown() && aprsConfiguredAreaCenter(lat, lng)) {
    const ScreenRect& sq = RADAR_PAGE_SQUARE;
    drawRadarSquare(sq);
    drawAprsRadarCompass(sq.x, sq.y, sq.w, sq.h, lat, lng);
    const ScreenRect& l = RADAR_PAGE_LIST;
    drawAprsRadarList(l.x, l.y, l.w, l.h, lat, lng);
  } else {
    const String text = a.nearbyError.isEmpty() ? String("No APRS stations in range yet") : a.nearbyError;
    drawFittedWatchText(text, 45, 196, 2, TL_DATUM, theme.warn, theme.panel, 710);
    drawFittedWatchText("Open APRS LIVE or tap refresh after heard calls appear", 45, 244,
                        aprsSmallTextFont(), TL_DATUM, theme.subtext, theme.panel, 710);
  }
  drawFooter();
}

// ---------------------------------------------------------------- taps

namespace {

void resetAprsInfoPopupScroll() {
  aprsInfoPopupScrollLines = 0;
  aprsInfoPopupMaxScrollLines = 0;
  aprsInfoPopupPageStepLines = 1;
}

}  // namespace

bool tryOpenAprsRadarStationPopup(int x, int y) {
  if (!aprsRadarShown()) return false;
  const ScreenRect& l = RADAR_PAGE_LIST;
  const AprsListContext context = {l.x, l.w};
  int page = 0;
  const int item = tapPagedList(aprsRadarPagedList(context, l.y, l.h, page), x, y);
  if (item < 0 || item >= aprsState.nearbyCount || !aprsState.nearby[item].valid) return false;
  selectedAprsNearbyIndex = item;
  resetAprsInfoPopupScroll();
  aprsCommentPopupOpen = true;
  noteScreenActivity();
  requestRedraw();
  return true;
}

static void tapAprsLivePage(int x, int y) {
  if (!WATCH_REFRESH_BUTTON.contains(x, y)) return;
  aprsState.lastSuccessMillis = 0;
  lastPoll = 0;
  // Only a request that really went out is reported as one; inside the
  // request gap or the back-off the poll keeps the good data and says why.
  if (fetchAprsData(true) && aprsState.fetchInProgress) {
    setFooterText("APRS refresh requested", true);
  } else if (!aprsState.error.isEmpty()) {
    setFooterText(aprsState.error, true);
  }
  requestRedraw();
}

static void tapAprsHeardPage(int x, int y) { tryOpenAprsRadarStationPopup(x, y); }

// ---------------------------------------------------------------- popup record and text

bool aprsPopupGetRecord(AprsNearbyRecord& rec) {
  const AprsState& a = aprsState;
  const int i = selectedAprsNearbyIndex;
  if (i >= 0 && i < a.nearbyCount && i < APRS_NEARBY_MAX && a.nearby[i].valid) {
    rec = a.nearby[i];
    return !trimmedCopy(rec.callsign).isEmpty();
  }
  if (!a.valid) return false;
  rec = AprsNearbyRecord();
  rec.valid = true;
  rec.callsign = trimmedCopy(a.callsign).isEmpty() ? trimmedCopy(a.sourceCallsign) : trimmedCopy(a.callsign);
  rec.symbol = a.symbol;
  rec.lat = a.lat;
  rec.lng = a.lng;
  rec.speedValid = a.speedValid;
  rec.speedKmh = a.speedKmh;
  rec.courseValid = a.courseValid;
  rec.courseDeg = a.courseDeg;
  rec.altitudeValid = a.altitudeValid;
  rec.altitudeM = a.altitudeM;
  rec.comment = a.comment;
  rec.status = a.status;
  rec.path = a.path;
  rec.lastSeenText = a.lastSeenText;
  float km = 0;
  rec.distanceKm = aprsPrimaryDistance(km) ? km : -1.0f;
  return !rec.callsign.isEmpty();
}

namespace {

String aprsPopupDistanceText(const AprsNearbyRecord& rec) {
  float lat = 0, lng = 0;
  if (!aprsConfiguredAreaCenter(lat, lng)) return String("");
  float km = rec.distanceKm;
  if (!(km >= 0.0f)) km = aprsDistanceKm(lat, lng, rec.lat, rec.lng);
  return oneDecimalBelowTen(km) + " km " + aprsCompassPoint(aprsBearingDeg(lat, lng, rec.lat, rec.lng));
}

}  // namespace

String aprsInfoPopupBodyText(const AprsNearbyRecord& rec) {
  String text;
  text = joinAlertField(text, "Callsign", rec.callsign);
  text = joinAlertField(text, "Last heard", rec.lastSeenText);
  // A record without a usable position has neither distance nor position.
  if (aprsLatLonValid(rec.lat, rec.lng)) {
    text = joinAlertField(text, "Distance", aprsPopupDistanceText(rec));
    text = joinAlertField(text, "Position", String(rec.lat, 5) + ", " + String(rec.lng, 5));
  }
  if (rec.speedValid) text = joinAlertField(text, "Speed", String(lroundf(rec.speedKmh)) + " km/h");
  if (rec.courseValid) text = joinAlertField(text, "Course", String(rec.courseDeg) + " deg");
  if (rec.altitudeValid) text = joinAlertField(text, "Altitude", String(lroundf(rec.altitudeM)) + " m");
  const String message =
      trimmedCopy(rec.comment).isEmpty() ? trimmedCopy(rec.status) : trimmedCopy(rec.comment);
  text = joinAlertField(text, "Message", message);
  const String status = trimmedCopy(rec.status);
  if (status != message) text = joinAlertField(text, "Status", status);
  text = joinAlertField(text, "Path", rec.path);
  return text.isEmpty() ? String(APRS_POPUP_NO_TEXT) : text;
}

// ---------------------------------------------------------------- info popup

namespace {

const ScreenRect POPUP = {25, 50, 750, 380};
const ScreenRect POPUP_CONTENT = {50, 166, 700, 182};
const int POPUP_BUTTON_Y = 368, POPUP_BUTTON_W = 223, POPUP_BUTTON_H = 46;
const int POPUP_BUTTON_X[3] = {50, 288, 526};
const char* const POPUP_BUTTON_LABELS[3] = {"PREV", "CLOSE", "NEXT"};
// Lines a vertical drag scrolls.
const int POPUP_DRAG_LINES = 3;

int aprsInfoPopupStep() { return max(1, aprsInfoPopupPageStepLines); }

RichTextScroll aprsInfoPopupScroll() {
  return RichTextScroll{&aprsInfoPopupScrollLines, &aprsInfoPopupMaxScrollLines, &aprsInfoPopupPageStepLines};
}

void drawAprsInfoPopupButton(int index, bool usable) {
  const ScreenRect b = aprsInfoPopupButtonRect(index);
  uint16_t fill = theme.panel;
  uint16_t text = theme.text;
  if (index != 1) {
    fill = usable ? mix565(theme.panel2, theme.accent, 0.16f) : mix565(theme.panel, theme.subtext, 0.08f);
    text = usable ? theme.text : theme.subtext;
  }
  fillSoftPanel(b.x, b.y, b.w, b.h, fill, theme.accent, 7);
  drawFittedWatchText(POPUP_BUTTON_LABELS[index], b.x + b.w / 2, b.y + b.h / 2, 2, MC_DATUM, text, fill,
                      b.w - 20);
}

void drawAprsInfoPopup() {
  const ScreenRect& p = POPUP;
  fillSoftPanel(p.x, p.y, p.w, p.h, theme.panel2, theme.accent, 14);
  drawFittedWatchText("APRS INFO", p.x + 25, p.y + 20, watchUiTitleFont(), TL_DATUM, theme.accent,
                      theme.panel2, 560);
  const char* subtitle = selectedAprsNearbyIndex < 0 ? "Current station APRS data" : "APRS radar station";
  drawFittedWatchText(subtitle, p.x + 25, p.y + 54, aprsSmallTextFont(), TL_DATUM, theme.subtext,
                      theme.panel2, 560);
  AprsNearbyRecord rec;
  const bool haveRecord = aprsPopupGetRecord(rec);
  if (haveRecord) {
    drawAprsIcon(rec.symbol, p.x + p.w - 70, p.y + 24, theme.panel2);
    drawFittedWatchText(rec.callsign, p.x + 25, p.y + 82, 2, TL_DATUM, theme.good, theme.panel2, 560);
  }
  drawRichTextContentBox(haveRecord ? aprsInfoPopupBodyText(rec) : String(APRS_POPUP_NO_TEXT), POPUP_CONTENT,
                         theme.accent, theme.warn, theme.text, aprsInfoPopupScroll());
  const bool scrolls = aprsInfoPopupMaxScrollLines > 0;
  drawAprsInfoPopupButton(0, scrolls && aprsInfoPopupScrollLines > 0);
  drawAprsInfoPopupButton(1, true);
  drawAprsInfoPopupButton(2, scrolls && aprsInfoPopupScrollLines < aprsInfoPopupMaxScrollLines);
}

void tapAprsInfoPopup(int x, int y) { handleAprsCommentPopupTap(x, y); }

bool dragAprsInfoPopup(int dy) {
  changeAprsInfoPopupScroll(dy >= 0 ? -POPUP_DRAG_LINES : POPUP_DRAG_LINES);
  return true;
}

bool aprsInfoPopupIsOpen() { return aprsCommentPopupOpen; }

}  // namespace

ScreenRect aprsInfoPopupButtonRect(int index) {
  const int i = constrain(index, 0, 2);
  return ScreenRect{POPUP_BUTTON_X[i], POPUP_BUTTON_Y, POPUP_BUTTON_W, POPUP_BUTTON_H};
}
ScreenRect aprsInfoPopupPrevButtonRect() { return aprsInfoPopupButtonRect(0); }
ScreenRect aprsInfoPopupCloseButtonRect() { return aprsInfoPopupButtonRect(1); }
ScreenRect aprsInfoPopupNextButtonRect() { return aprsInfoPopupButtonRect(2); }
ScreenRect aprsInfoPopupContentBoxRect() { return POPUP_CONTENT; }

void changeAprsInfoPopupScroll(int deltaLines) {
  if (changeRichTextScroll(aprsInfoPopupScroll(), deltaLines)) requestRedraw();
}

void handleAprsCommentPopupTap(int x, int y) {
  if (aprsInfoPopupCloseButtonRect().contains(x, y)) {
    clearSvxlinkAprsCommentAlert();
    requestRedraw();
    return;
  }
  const int step = aprsInfoPopupStep();
  if (aprsInfoPopupPrevButtonRect().contains(x, y)) {
    changeAprsInfoPopupScroll(-step);
  } else if (aprsInfoPopupNextButtonRect().contains(x, y)) {
    changeAprsInfoPopupScroll(step);
  } else if (POPUP_CONTENT.contains(x, y)) {
    changeAprsInfoPopupScroll(y < POPUP_CONTENT.y + POPUP_CONTENT.h / 2 ? -step : step);
  }
}

const ViewOverlay APRS_INFO_OVERLAY = {OVERLAY_APRS_INFO, aprsInfoPopupIsOpen, drawAprsInfoPopup,
                                       tapAprsInfoPopup,  dragAprsInfoPopup,   true};

static WatchSourceRow aprsWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_APRS;
  row.buttonLabel = "APRS";
  row.footerName = "APRS";
  row.startLive = {"aprs_live", "APRS WATCH", {"aprs", "aprs-live", "aprs-watch", nullptr}};
  row.startReady = aprsFeatureEnabled;
  row.startSwitchedOn = [] { return cfg.aprsEnabled; };
  row.heardTabLabel = "RADAR";
  row.available = aprsFeatureEnabled;
  // APRS looks up the hotspot's callers: the hotspot's list stays shown.
  row.heardList = hotspotHeard;
  row.switchShowsLivePage = true;
  row.poll = pollAprsWatch;
  row.screensaverPoll = fetchLastHeard;
  row.configFinalized = aprsConfigFinalized;
  row.configApplied = aprsConfigApplied;
  row.drawLive = drawAprsLivePage;
  row.drawHeard = drawAprsHeardPage;
  row.tapLive = tapAprsLivePage;
  row.tapHeard = tapAprsHeardPage;
  return row;
}

const WatchSourceRow APRS_WATCH_ROW = aprsWatchRow();

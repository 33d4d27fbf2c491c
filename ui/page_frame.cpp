#include "ui/page_frame.h"

#include "core/backend.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/web_server.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/version.h"
#include "hotspot/heard.h"
#include "hotspot/live_session.h"
#include "network/wifi.h"
#include "ui/draw.h"
#include "ui/heard_page.h"
#include "ui/live_page.h"
#include "ui/on_air_banner.h"
#include "ui/popups.h"
#include "ui/screensaver.h"

static const uint16_t LABEL_WHITE = 0xFFFF;

// ---------------------------------------------------------------- frame pieces

void clearBody() { tft.fillRect(0, BODY_Y, SCREEN_W, BODY_H, theme.bg); }

ScreenRect headerTabRect(int slot) { return ScreenRect{15 + 145 * slot, 12, 135, 48}; }

// Tabs in drawing order; returns how many are shown. The last tab goes to
// the AP page on a tap whenever the setup access point runs (with three tabs
// only in the setup state), as the tab row always did.
int currentHeaderTabs(HeaderTab* tabs) {
  const WatchSourceRow& row = watchSourceRow(currentWatchSource);
  const bool setupAp = setupRequired && apModeActive;
  int n = 0;
  tabs[n++] = {anyWatchFeatureEnabled() ? "WATCH" : "LIVE", PAGE_LIVE, PAGE_LIVE, false};
  if (row.heardTabLabel != nullptr) tabs[n++] = {row.heardTabLabel, PAGE_LAST, PAGE_LAST, false};
  tabs[n++] = {"STATUS", PAGE_STATUS, PAGE_STATUS, false};
  const bool fourTabs = n == 3;
  const Page tapPage = (fourTabs ? apModeActive : setupAp) ? PAGE_AP : PAGE_INFO;
  if (setupAp) {
    tabs[n++] = {"AP", PAGE_AP, tapPage, true};
  } else {
    tabs[n++] = {"INFO", PAGE_INFO, tapPage, false};
  }
  return n;
}

void drawTopTabs() {
  tft.fillRect(0, 0, SCREEN_W, HEADER_BAND_H, theme.bg);
  HeaderTab tabs[HEADER_TAB_SLOTS];
  const int n = currentHeaderTabs(tabs);
  for (int i = 0; i < n; ++i) {
    const ScreenRect r = headerTabRect(i);
    const bool selected = tabs[i].page == currentPage || (tabs[i].apTab && apModeActive);
    const uint16_t fill = selected ? theme.tabActive : theme.tabIdle;
    fillSoftPanel(r.x, r.y, r.w, r.h, fill, theme.border, 8);
    tft.setTextFont(2);
    tft.setTextDatum(MC_DATUM);
    tft.setTextColor(LABEL_WHITE, fill);
    tft.drawString(tabs[i].label, r.x + 67, 36);
  }
  if (n < HEADER_TAB_SLOTS) tft.fillRect(447, 10, 141, 52, theme.bg);
  tft.setTextDatum(TL_DATUM);
  drawHeaderClockBox();
}

void drawHeaderClockBox() {
  const ScreenRect& r = HEADER_CLOCK_BOX;
  fillSoftPanel(r.x, r.y, r.w, r.h, theme.panel2, theme.border, 8);
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(LABEL_WHITE, theme.panel2);
  tft.drawString(getHeaderTimeText(), 700, 36);
  tft.setTextDatum(TL_DATUM);
}

void drawFooter() {
  tft.fillRect(0, FOOTER_Y, SCREEN_W, FOOTER_H, theme.panel2);
  tft.drawFastHLine(0, FOOTER_LINE_Y, SCREEN_W, theme.border);
  const bool large = displayUsesLargeWatchUiFonts();
  tft.setTextFont(large ? 2 : 1);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.subtext, theme.panel2);
  tft.drawString(fitTextInCurrentFont(footerText, 780), 10, large ? 452 : 454);
}

// ---------------------------------------------------------------- full render

static Page pageToDrawNow() {
  if (setupRequired && currentPage != PAGE_STATUS && currentPage != PAGE_INFO && currentPage != PAGE_ABOUT) {
    return PAGE_AP;
  }
  return currentPage;
}

static void drawPage(Page page) {
  switch (page) {
    case PAGE_LIVE: drawLivePage(); break;
    case PAGE_LAST: drawLastPage(); break;
    case PAGE_STATUS: drawSetupPage(); break;
    case PAGE_AP: drawApModePage(); break;
    case PAGE_INFO: drawInfoPage(); break;
    case PAGE_ABOUT: drawAboutPage(); break;
  }
}

static void drawOpenOverlays() {
  for (int i = 0; i < VIEW_OVERLAY_COUNT; ++i) {
    const ViewOverlay& overlay = viewOverlay((ViewOverlayId)i);
    if (overlay.isOpen()) overlay.draw();
  }
}

void redrawCurrentPage(bool fullRedraw) {
  if (screenWipePending) {
    screenWipePending = false;
    tft.fillScreen(theme.bg);
  }
  const Page pageToDraw = pageToDrawNow();
  const bool overlayOpen = anyOverlayOpen();
  const bool changed = fullRedraw || (int)pageToDraw != lastRenderedPage ||
                       currentWatchSource != lastRenderedWatchSource || overlayOpen != lastDetailPopupState;
  if (screensaverActive) {
    drawScreensaver(changed);
  } else {
    if (changed) clearBody();
    scrollingTextActiveFrame = false;
    drawPage(pageToDraw);
    drawCallWatchDecorations();
    drawOpenOverlays();
  }
  lastRenderedPage = (int)pageToDraw;
  lastRenderedWatchSource = currentWatchSource;
  lastDetailPopupState = overlayOpen;
  tft.flush();
}

bool redrawScrollingTextAreasForCurrentPage() {
  if (screensaverActive) return false;
  const WatchSourceRow& row = activeWatchSourceRow();
  bool redrawn = false;
  if (currentPage == PAGE_LIVE) redrawn = row.redrawLiveStrips != nullptr && row.redrawLiveStrips();
  if (currentPage == PAGE_LAST) redrawn = row.redrawHeardStrips != nullptr && row.redrawHeardStrips();
  // Strips that run under the banner or the toast: they go on top again.
  if (redrawn && !anyOverlayOpen()) drawCallWatchDecorations();
  return redrawn;
}

// ---------------------------------------------------------------- watch sources

bool handleWatchSourceSwipe(int dx) {
  if (screensaverActive || setupRequired || anyOverlayOpen()) return false;
  if (currentPage != PAGE_LIVE && currentPage != PAGE_LAST) return false;
  const int step = dx < 0 ? 1 : -1;
  const int start = (int)currentWatchSource;
  WatchSource next = currentWatchSource;
  for (int offset = 1; offset <= WATCH_SOURCE_COUNT; ++offset) {
    int index = ((start + step * offset) % WATCH_SOURCE_COUNT + WATCH_SOURCE_COUNT) % WATCH_SOURCE_COUNT;
    if (watchSourceAvailable((WatchSource)index)) {
      next = (WatchSource)index;
      break;
    }
  }
  if (next == currentWatchSource) return false;
  setCurrentWatchSource((int)next);
  currentPage = PAGE_LIVE;
  const WatchSourceRow& row = watchSourceRow(next);
  if (row.selected) row.selected(PAGE_LIVE);
  setFooterText(String("WATCH: ") + row.footerName, true);
  requestRedraw();
  return true;
}

WatchSourcePopupLayout watchSourcePopupLayout() {
  WatchSourcePopupLayout l = {};
  for (int s = 0; s < WATCH_SOURCE_COUNT; ++s) {
    if (watchSourceAvailable((WatchSource)s)) l.options[l.count++] = (WatchSource)s;
  }
  const int n = l.count;
  l.cols = n > 3 ? 2 : n;
  l.rows = (n + l.cols - 1) / l.cols;
  l.popupW = n > 3 ? 770 : (n == 3 ? 760 : 620);
  l.popupH = n < 4 ? 224 : (l.rows < 3 ? 296 : 104 + (l.rows - 1) * 80 + 60 + 36);
  l.popupX = (SCREEN_W - l.popupW) / 2;
  l.popupY = (SCREEN_H - l.popupH) / 2;
  l.btnW = n > 3 ? 295 : (n == 3 ? 205 : 230);
  l.btnH = 60;
  const int blockW = l.cols * l.btnW + (l.cols - 1) * 25;
  l.startX = l.popupX + (l.popupW - blockW) / 2;
  l.startY = l.popupY + 104;
  return l;
}

void watchSourcePopupButtonRect(const WatchSourcePopupLayout& layout, int i, int& x, int& y) {
  x = layout.startX + (i % layout.cols) * (layout.btnW + 25);
  y = layout.startY + (i / layout.cols) * 80;
}

void drawWatchSourcePopup() {
  const WatchSourcePopupLayout l = watchSourcePopupLayout();
  fillSoftPanel(l.popupX, l.popupY, l.popupW, l.popupH, theme.panel2, theme.accent, 14);
  const int cx = l.popupX + l.popupW / 2;
  drawCentredFittedText("WATCH SOURCE", cx, l.popupY + 40, watchUiTitleFont(), l.popupW - 50, theme.accent,
                        theme.panel2);
  const char* hint = watchSourcePopupTargetPage == PAGE_LAST ? "Open heard list for" : "Open live page for";
  drawCentredFittedText(hint, cx, l.popupY + 72, watchUiHintFont(), l.popupW - 70, theme.subtext,
                        theme.panel2);
  for (int i = 0; i < l.count; ++i) {
    int x, y;
    watchSourcePopupButtonRect(l, i, x, y);
    const bool current = l.options[i] == currentWatchSource;
    fillSoftPanel(x, y, l.btnW, l.btnH, theme.panel, current ? theme.good : theme.border, 8);
    drawCentredFittedText(watchSourceRow(l.options[i]).buttonLabel, x + l.btnW / 2, y + l.btnH / 2,
                          watchUiButtonFont(), l.btnW - 30, current ? theme.good : theme.text, theme.panel);
  }
}

// A button chooses its source and the page; a tap outside the popup closes
// it; a tap inside beside the buttons does nothing.
static void tapWatchSourcePopup(int x, int y) {
  const WatchSourcePopupLayout l = watchSourcePopupLayout();
  for (int i = 0; i < l.count; ++i) {
    int bx, by;
    watchSourcePopupButtonRect(l, i, bx, by);
    if (!ScreenRect{bx, by, l.btnW, l.btnH}.contains(x, y)) continue;
    const WatchSourceRow& row = watchSourceRow(l.options[i]);
    watchSourcePopupOpen = false;
    setCurrentWatchSource((int)row.source);
    currentPage = row.chooserOpensTargetPage ? watchSourcePopupTargetPage : PAGE_LIVE;
    if (row.selected) row.selected(currentPage);
    requestRedraw();
    return;
  }
  if (!ScreenRect{l.popupX, l.popupY, l.popupW, l.popupH}.contains(x, y)) {
    watchSourcePopupOpen = false;
    requestRedraw();
  }
}

void openWatchSourcePopup(Page targetPage) {
  watchSourcePopupTargetPage = targetPage;
  watchSourcePopupOpen = true;
  requestRedraw();
}

static bool watchSourcePopupIsOpen() { return watchSourcePopupOpen; }

const ViewOverlay WATCH_SOURCE_OVERLAY = {
    OVERLAY_WATCH_SOURCE, watchSourcePopupIsOpen, drawWatchSourcePopup, tapWatchSourcePopup, nullptr, true};

// ---------------------------------------------------------------- status pages

static const int CARD_X = 15;
static const int CARD_Y = 72;
static const int CARD_W = 770;
static const int CARD_H = 368;
static const int ROW_X = 35;
static const int ROW_W = 725;
static const int HALF_ROW_W = 345;

static void drawStatusRow(int x, int y, int w, const char* label, const String& value, uint16_t valueColor) {
  drawInfoRow(x, y, w, label, value, theme.panel2, theme.panel2, theme.warn, valueColor);
}

static String dashIfEmpty(const String& s) {
  String t = s;
  t.trim();
  return t.isEmpty() ? String("-") : t;
}

void drawSetupPage() {
  drawTopTabs();
  fillSoftPanel(CARD_X, CARD_Y, CARD_W, CARD_H, theme.panel, theme.border, 12);
  drawPageTitle("CONFIG / STATUS", 35, 92, theme.panel);
  drawStatusRow(ROW_X, 132, ROW_W, "Wi-Fi", wifiOk ? "Connected" : "Disconnected",
                wifiOk ? theme.good : theme.bad);
  drawStatusRow(ROW_X, 180, ROW_W, "SSID", cfg.wifiSsid, theme.text);
  drawStatusRow(ROW_X, 228, ROW_W, "HOST", stationAddressText(), theme.text);
  drawStatusRow(ROW_X, 276, ROW_W, "CALLSIGN", getDeviceCallsign(), theme.good);
  drawStatusRow(ROW_X, 324, HALF_ROW_W, "REFRESH", String(cfg.refreshMs) + " ms", theme.text);
  drawStatusRow(415, 324, HALF_ROW_W, "FLIP", cfg.flipScreen ? "On" : "Off", theme.text);
  String saver("Off");
  if (cfg.screensaverEnabled) saver = String(cfg.screensaverTimeoutMs / 1000UL) + " s";
  drawStatusRow(ROW_X, 372, HALF_ROW_W, "SAVER", saver, theme.text);
  drawBrightnessSlider();
  drawFooter();
}

void drawApModePage() {
  drawTopTabs();
  fillSoftPanel(CARD_X, CARD_Y, CARD_W, CARD_H, theme.panel, theme.border, 12);
  drawPageTitle("ACCESS POINT MODE", 35, 92, theme.panel);
  drawStatusRow(ROW_X, 132, ROW_W, "AP MODE", apModeActive ? "Active" : "Inactive",
                apModeActive ? theme.good : theme.text);
  drawStatusRow(ROW_X, 180, ROW_W, "SSID", dashIfEmpty(apSsid), theme.text);
  drawStatusRow(ROW_X, 228, ROW_W, "PASSWORD", apModeActive ? dashIfEmpty(apPass) : String("-"), theme.text);
  drawStatusRow(ROW_X, 276, ROW_W, "OPEN", apModeActive ? dashIfEmpty(accessPointAddressText()) : String("-"),
                theme.text);
  drawStatusRow(ROW_X, 324, ROW_W, "STORAGE", dashIfEmpty(activeStorageLabel), theme.text);
  fillSoftPanel(ROW_X, 376, ROW_W, 44, theme.panel2, theme.border, 5);
  tft.setTextFont(1);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(setupRequired ? theme.warn : theme.subtext, theme.panel2);
  tft.drawString(setupRequired ? "Setup required before normal run" : "Optional AP status", 55, 398);
  tft.setTextDatum(TL_DATUM);
  drawFooter();
}

static void drawInfoMiniBox(int i, const char* label, uint32_t count) {
  const int x = 50 + 175 * i;
  const int y = 372;
  fillSoftPanel(x, y, 165, 56, theme.panel, theme.border, 6);
  tft.setTextDatum(TC_DATUM);
  tft.setTextFont(watchUiHintFont());
  tft.setTextColor(theme.warn, theme.panel);
  tft.drawString(label, x + 82, y + 8);
  tft.setTextFont(2);
  tft.setTextColor(theme.text, theme.panel);
  tft.drawString(String((unsigned long)count), x + 82, y + 32);
  tft.setTextDatum(TL_DATUM);
}

void drawInfoPage() {
  drawTopTabs();
  fillSoftPanel(CARD_X, CARD_Y, CARD_W, CARD_H, theme.panel2, theme.border, 12);
  fillSoftPanel(35, 88, 730, 84, theme.panel, theme.border, 8);
  drawPageTitle("SESSION STATISTICS", 60, 100, theme.panel);
  tft.setTextFont(watchUiHintFont());
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString(getDateText() + "  " + getDetailedClockText(), 60, 136);
  const uint16_t lb = theme.panel;
  const uint16_t vb = theme.panel2;
  drawInfoRow(50, 188, 700, "DEVICE", getDeviceCallsign(), lb, vb, theme.warn, theme.text);
  drawInfoRow(50, 232, 700, "UPTIME", formatUptimeBrief(), lb, vb, theme.warn, theme.text);
  drawInfoRow(50, 276, 700, "TRAFFIC", String((unsigned long)sessionInfo.totalQsos) + " hits", lb, vb,
              theme.warn, theme.text);
  String rssi("-");
  if (sessionInfo.hasRssi) {
    rssi = String((long)sessionInfo.bestRssi) + "/" + String((long)sessionInfo.worstRssi) + " dBm";
  }
  if (webUiSetupCode.length() > 0) {
    // While the settings page has no password, its one-time code takes
    // this row: the first browser needs it to set the password.
    drawInfoRow(50, 320, 700, "WEB CODE", webUiSetupCode + "  " + webUiUrl, lb, vb, theme.warn, theme.good);
  } else {
    drawInfoRow(50, 320, 700, "RSSI B/W", rssi, lb, vb, theme.warn, theme.text);
  }
  drawInfoMiniBox(0, "DMR", sessionInfo.modeDMR);
  drawInfoMiniBox(1, "DSTAR", sessionInfo.modeDSTAR);
  drawInfoMiniBox(2, "YSF", sessionInfo.modeYSF);
  drawInfoMiniBox(3, "OTHERS", sessionInfo.modeP25 + sessionInfo.modeNXDN + sessionInfo.modePOCSAG);
  drawFooter();
}

void drawAboutPage() {
  drawTopTabs();
  fillSoftPanel(30, 88, 740, 328, theme.panel, theme.border, 12);
  tft.setTextFont(4);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.accent, theme.panel);
  tft.drawString("Qsodeck", 60, 112);
  const uint16_t bg = theme.panel2;
  drawInfoRow(65, 196, 670, "CREATOR", "Qsodeck developers", bg, bg, theme.warn, theme.text);
  drawInfoRow(65, 244, 670, "VERSION", QSODECK_VERSION, bg, bg, theme.warn, theme.text);
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(theme.warn, theme.panel);
  tft.drawString("Amateur radio use only. No warranty of any kind.", 400, 352);
  tft.setTextDatum(TL_DATUM);
  drawFooter();
}

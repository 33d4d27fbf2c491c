#include "ui/page_frame.h"

#include "ui/popups.h"
#include "ui/screensaver.h"

WatchSource currentWatchSource = WATCH_MMDVM;
WatchSource lastRenderedWatchSource = WATCH_MMDVM;
bool watchSourcePopupOpen = false;
Page watchSourcePopupTargetPage = PAGE_LIVE;
String footerText;
bool uiDirty = true;
bool footerDirty = true;
bool headerClockDirty = true;
bool lastDetailPopupState = false;

void requestRedraw() { uiDirty = true; }

void setFooterText(const String& text, bool countAsScreenActivity) {
  if (text == footerText) return;
  footerText = text;
  footerDirty = true;
  if (countAsScreenActivity) noteScreenActivity(false);
}

// PENDING: fills the body band with theme.bg.
void clearBody() {}

// PENDING: draws the four tabs and the clock box.
void drawTopTabs() {}

// PENDING: draws the clock box of the header.
void drawHeaderClockBox() {}

// PENDING: draws the footer band with footerText.
void drawFooter() {}

// PENDING: renders the current page and its overlays and presents the frame.
void redrawCurrentPage(bool fullRedraw) { (void)fullRedraw; }

// PENDING: dispatches to the strip repaint of the current page.
bool redrawScrollingTextAreasForCurrentPage() { return false; }

bool anyOverlayOpen() {
  return detailPopupOpen || modeConfirmPopupOpen || quickActionPopupOpen || watchSourcePopupOpen;
}

// PENDING: feature tests of the other sources.
bool watchSourceAvailable(WatchSource source) { return source == WATCH_MMDVM; }

const char* watchSourceFooterName(WatchSource source) {
  switch (source) {
    case WATCH_SVXLINK: return "SVXLink";
    case WATCH_APRS: return "APRS";
    case WATCH_WEATHER: return "Weather";
    case WATCH_HAMQSL: return "HAMQSL";
    case WATCH_ADSB: return "ADSB";
    default: return "MMDVM";
  }
}

// PENDING: cycles the source after a swipe.
bool handleWatchSourceSwipe(int dx) {
  (void)dx;
  return false;
}

// PENDING: chooser geometry.
WatchSourcePopupLayout watchSourcePopupLayout() {
  WatchSourcePopupLayout layout = {};
  return layout;
}

// PENDING: chooser geometry.
void watchSourcePopupButtonRect(const WatchSourcePopupLayout& layout, int i, int& x, int& y) {
  (void)layout;
  (void)i;
  x = 0;
  y = 0;
}

// PENDING: draws the watch-source chooser.
void drawWatchSourcePopup() {}

// PENDING: local time text.
String getHeaderTimeText() { return String("--:--"); }
// PENDING: local time text.
String getDetailedClockText() { return String("--:--"); }
// PENDING: local date text.
String getDateText() { return String("-- --- ----"); }
// PENDING: uptime text from the monotonic clock.
String formatUptimeBrief() { return String("0m"); }
// PENDING: uptime text.
String formatUptimeBriefMs(uint64_t uptimeMs) {
  (void)uptimeMs;
  return String("0m");
}

// PENDING: STATUS page.
void drawSetupPage() {}
// PENDING: AP page.
void drawApModePage() {}
// PENDING: INFO page.
void drawInfoPage() {}
// PENDING: ABOUT page.
void drawAboutPage() {}

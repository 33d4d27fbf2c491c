// The page frame: header tabs and clock box, body, footer; the watch-source
// model and chooser; the redraw flags and the full/partial redraw of the
// current page; the simple status pages (STATUS, AP, INFO, ABOUT).
#pragma once

#include <stdint.h>
#include <time.h>

#include "core/app.h"
#include "host/wstring.h"

// Data source shown by the LIVE and HEARD pages; also the swipe and chooser order.
enum WatchSource {
  WATCH_MMDVM = 0,
  WATCH_SVXLINK = 1,
  WATCH_APRS = 2,
  WATCH_WEATHER = 3,
  WATCH_HAMQSL = 4,
  WATCH_ADSB = 5,
};
static const int WATCH_SOURCE_COUNT = 6;

// Screen bands.
static const int HEADER_BAND_H = 68;
static const int BODY_Y = 68;
static const int BODY_H = 376;
static const int FOOTER_LINE_Y = 442;
static const int FOOTER_Y = 444;
static const int FOOTER_H = 36;

extern WatchSource currentWatchSource;
extern WatchSource lastRenderedWatchSource;
extern bool watchSourcePopupOpen;
extern Page watchSourcePopupTargetPage;
extern String footerText;
extern bool uiDirty;
extern bool footerDirty;
extern bool headerClockDirty;
extern bool lastDetailPopupState;

// Asks for a full redraw of the current page.
void requestRedraw();
// True when any of the four redraw flags is set.
bool anyRedrawFlagSet();
// Clears all four redraw flags.
void clearRedrawFlags();
// Stores a new footer message (unchanged text does nothing at all).
void setFooterText(const String& text, bool countAsScreenActivity = false);
// Fills the body band with the background colour.
void clearBody();
// Header band: tabs and the clock box.
void drawTopTabs();
// Clock box at the right of the header.
void drawHeaderClockBox();
// Footer band with the current footer message.
void drawFooter();
// Full render of the current page and its overlays, then presents the frame.
void redrawCurrentPage(bool fullRedraw);
// Repaints only the scrolling strips of the current page; false when a full
// redraw is needed instead.
bool redrawScrollingTextAreasForCurrentPage();
// True when any popup or overlay is open over the page.
bool anyOverlayOpen();

// True when the source can be chosen (MMDVM always, others by feature).
bool watchSourceAvailable(WatchSource source);
// Footer label of a source ("MMDVM", "SVXLink", ...).
const char* watchSourceFooterName(WatchSource source);
// Cycles the watch source after a horizontal swipe; true when it switched.
bool handleWatchSourceSwipe(int dx);

// Geometry of the watch-source chooser, shared by drawing and touch.
struct WatchSourcePopupLayout {
  int count;
  WatchSource options[WATCH_SOURCE_COUNT];
  int cols, rows;
  int popupX, popupY, popupW, popupH;
  int btnW, btnH;
  int startX, startY;
};
// Computes the chooser layout for the currently enabled sources.
WatchSourcePopupLayout watchSourcePopupLayout();
// Button rectangle of option i in the chooser.
void watchSourcePopupButtonRect(const WatchSourcePopupLayout& layout, int i, int& x, int& y);
// Draws the watch-source chooser overlay.
void drawWatchSourcePopup();

// Fixed wall clock for screenshots and tests; 0 returns to the real clock.
void setUiTimeOverride(time_t epochSeconds);
// Local time "%H:%M" or "--:--".
String getHeaderTimeText();
String getDetailedClockText();
// Local date "%d %b %Y" or "-- --- ----".
String getDateText();
// Uptime as "2d 5h", "3h 12m" or "7m".
String formatUptimeBrief();
// Same for a given uptime in milliseconds (64-bit, no wrap).
String formatUptimeBriefMs(uint64_t uptimeMs);

// Frame of a watch-source page whose drawing is not available yet.
void drawWatchSourcePendingPage(const char* page, const char* source);

// Status pages.
void drawSetupPage();
void drawApModePage();
void drawInfoPage();
void drawAboutPage();

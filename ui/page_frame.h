// The page frame: header tabs and clock box, body, footer; the watch-source
// chooser and swipe; the full and partial redraw of the current page; the
// simple status pages (STATUS, AP, INFO, ABOUT).
#pragma once

#include <stdint.h>
#include <time.h>

#include "core/app.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/wstring.h"
#include "ui/draw.h"

// Full render of the current page and its overlays, then presents the frame.
void redrawCurrentPage(bool fullRedraw);
// Clock box at the right of the header.
void drawHeaderClockBox();
// Footer band with the current footer message.
void drawFooter();
// Repaints only the scrolling strips of the current page; false when a full
// redraw is needed instead.
bool redrawScrollingTextAreasForCurrentPage();

// Screen bands.
static const int HEADER_BAND_H = 68;
static const int BODY_Y = 68;
static const int BODY_H = 376;
static const int FOOTER_LINE_Y = 442;
static const int FOOTER_Y = 444;
static const int FOOTER_H = 36;

// Header tabs: up to four slots at x = 15 + 145 * slot, and the clock box,
// which opens the ABOUT page.
static const int HEADER_TAB_SLOTS = 4;
static const ScreenRect HEADER_CLOCK_BOX = {615, 12, 170, 48};

// One tab of the header: its label, the page it is lit for and the page a
// tap on it opens.
struct HeaderTab {
  const char* label;
  Page page;
  Page tapPage;
  bool apTab;
};

// Rectangle of tab slot i (0..3).
ScreenRect headerTabRect(int slot);
// The tabs shown now, in slot order; returns how many (three or four).
int currentHeaderTabs(HeaderTab* tabs);

// Fills the body band with the background colour.
void clearBody();
// Header band: tabs and the clock box.
void drawTopTabs();
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
// Opens the chooser for the LIVE or the HEARD page.
void openWatchSourcePopup(Page targetPage);
// The chooser as an overlay of the page.
extern const ViewOverlay WATCH_SOURCE_OVERLAY;


// Status pages.
void drawSetupPage();
void drawApModePage();
void drawInfoPage();
void drawAboutPage();

// View state: what the screen shows and what it should repaint, without any
// drawing. The page and the page to return to, the current watch source, the
// open overlays, the redraw flags, the footer text, the screensaver state and
// the clock texts live here, so that data code can ask for a redraw or a
// footer message without depending on the page code.
#pragma once

#include <stdint.h>
#include <time.h>

#include "host/firmware.h"
#include "host/wstring.h"

// Pages of the touch interface (the body drawn under the tab row).
enum Page {
  PAGE_LIVE = 0,
  PAGE_LAST = 1,
  PAGE_STATUS = 2,
  PAGE_AP = 3,
  PAGE_INFO = 4,
  PAGE_ABOUT = 5,
};

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

// ---------------------------------------------------------------- pages

// Shown page, the page to return to, and the page last drawn (-1: none).
extern Page currentPage;
extern Page previousPage;
extern int lastRenderedPage;

// Source of the LIVE and HEARD pages; changed only through setCurrentWatchSource.
extern WatchSource currentWatchSource;
extern WatchSource lastRenderedWatchSource;

// Switches the watch source (falling back to MMDVM when the source is not
// available) and schedules an immediate poll; the heard lists stay with
// their sources.
void setCurrentWatchSource(int source);

// ---------------------------------------------------------------- redraws

// Full page, footer and clock box repaints asked for (all true at start).
extern bool uiDirty;
extern bool footerDirty;
extern bool headerClockDirty;
// A marquee step is due; a marquee frame that really scrolled during the
// current render sets scrollingTextActiveFrame.
extern bool scrollingTextDirty;
extern bool scrollingTextActiveFrame;
extern uint32_t lastScrollingTextFrameMs;
// Whether any overlay was open at the last full redraw.
extern bool lastDetailPopupState;
// The whole screen is filled with the background before the next full
// redraw (set when the screensaver gives way to the pages).
extern bool screenWipePending;

// Asks for a full redraw of the current page.
void requestRedraw();

// ---------------------------------------------------------------- footer

extern String footerText;
// Stores a new footer message and marks the footer for repainting; an
// unchanged text does nothing at all. countAsScreenActivity also counts it
// as screen activity (which wakes the screensaver).
void setFooterText(const String& text, bool countAsScreenActivity = false);

// ---------------------------------------------------------------- overlays

// Overlays over the page, in the order they are drawn.
enum ViewOverlayId {
  OVERLAY_DETAIL = 0,
  OVERLAY_MODE_CONFIRM = 1,
  OVERLAY_QUICK_ACTIONS = 2,
  OVERLAY_WATCH_SOURCE = 3,
  OVERLAY_APRS_INFO = 4,
  OVERLAY_ADSB_INFO = 5,
  OVERLAY_ALERT = 6,
};
static const int VIEW_OVERLAY_COUNT = 7;

// One overlay: whether it is open, how it draws, and what it does with a tap
// and with a vertical drag while it is open.
struct ViewOverlay {
  ViewOverlayId id;
  bool (*isOpen)();
  void (*draw)();
  void (*tap)(int x, int y);
  // Vertical drag of dy pixels (scrolling); true when it was used. Null: none.
  bool (*drag)(int dy);
  // False for overlays under which the marquee strips keep moving.
  bool pausesMarquee;
};

// Installs the program's overlays, one per ViewOverlayId in drawing order;
// they must live as long as the program.
void installViewOverlays(const ViewOverlay* const overlays[VIEW_OVERLAY_COUNT]);
// The overlay with this id (the installed list; never null: before an
// install, an overlay that is never open).
const ViewOverlay& viewOverlay(ViewOverlayId id);
// Overlay ids in the order a tap looks for an open overlay.
extern const ViewOverlayId VIEW_OVERLAY_TAP_ORDER[VIEW_OVERLAY_COUNT];

// True when any overlay is open over the page.
bool anyOverlayOpen();
// True while an open overlay stops the marquee strips.
bool marqueePausedByOverlay();
// The topmost open overlay for a tap, or null when none is open.
const ViewOverlay* overlayForTap();

// Hotspot popups: QSO detail, mode confirmation and the quick-action launcher.
extern bool detailPopupOpen;
extern int selectedHeardIndex;
extern int detailInfoPopupScrollLines;
extern int detailInfoPopupMaxScrollLines;
extern int detailInfoPopupPageStepLines;
extern bool modeConfirmPopupOpen;
extern String modeConfirmTargetLabel;
extern bool modeConfirmEnableRequested;
extern bool quickActionPopupOpen;
extern bool activeQuickActionIsSvxlink;
// The watch-source chooser and the page it opens (PAGE_LIVE or PAGE_LAST).
extern bool watchSourcePopupOpen;
extern Page watchSourcePopupTargetPage;

// Closes the detail popup and resets its scroll state.
void closeDetailPopup();
// Opens the detail popup for record index of the shown heard list.
void openDetailPopup(int index);

// ---------------------------------------------------------------- screensaver

extern bool screensaverActive;
// Last tap or screen activity, and the last minute tick of the screensaver.
extern uint32_t lastInteractionMillis;
extern uint32_t lastScreensaverFrameMillis;

// Switches the screensaver on or off (nothing when unchanged). Switching it
// on closes the detail popup.
void setScreensaverActive(bool active);
// Notes activity: resets the idle time and wakes the screen.
void noteScreenActivity(bool fromTouch = false);
// Forwards to noteScreenActivity.
void noteUserInteraction(bool fromTouch = false);
// Writes the level of the current state to the backlight of
// cfg.backlightDevice (backlightLevelNow: the night level under the
// screensaver at night, the dim level under the screensaver by day, else
// cfg.brightness; 0..255 scaled to the device) and traces it when it
// changes. Nothing is written without a device.
void applyBrightness();

// ---------------------------------------------------------------- clock texts

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

#include "core/view.h"

#include <stdio.h>
#include <time.h>

#include "core/app.h"
#include "core/config.h"
#include "core/night_mode.h"
#include "core/watch_source.h"
#include "host/backlight.h"
#include "host/runtime.h"
#include "host/trace_log.h"

Page currentPage = PAGE_LIVE;
Page previousPage = PAGE_LIVE;
int lastRenderedPage = -1;
WatchSource currentWatchSource = WATCH_MMDVM;
WatchSource lastRenderedWatchSource = WATCH_MMDVM;

bool uiDirty = true;
bool footerDirty = true;
bool headerClockDirty = true;
bool scrollingTextDirty = false;
bool scrollingTextActiveFrame = false;
uint32_t lastScrollingTextFrameMs = 0;
bool lastDetailPopupState = false;
bool screenWipePending = false;
String footerText;

bool detailPopupOpen = false;
int selectedHeardIndex = -1;
int detailInfoPopupScrollLines = 0;
int detailInfoPopupMaxScrollLines = 0;
int detailInfoPopupPageStepLines = 1;
bool modeConfirmPopupOpen = false;
String modeConfirmTargetLabel;
bool modeConfirmEnableRequested = false;
bool quickActionPopupOpen = false;
bool activeQuickActionIsSvxlink = false;
bool watchSourcePopupOpen = false;
Page watchSourcePopupTargetPage = PAGE_LIVE;

bool screensaverActive = false;
uint32_t lastInteractionMillis = 0;
uint32_t lastScreensaverFrameMillis = 0;

// Tap order: the alert over everything, then the station popup, the chooser,
// the hotspot popups, the aircraft popup and last the QSO detail.
const ViewOverlayId VIEW_OVERLAY_TAP_ORDER[VIEW_OVERLAY_COUNT] = {
    OVERLAY_ALERT,         OVERLAY_APRS_INFO, OVERLAY_WATCH_SOURCE, OVERLAY_MODE_CONFIRM,
    OVERLAY_QUICK_ACTIONS, OVERLAY_ADSB_INFO, OVERLAY_DETAIL};

// Each source keeps its own heard list across switches; the poll of the
// next pass refreshes the new source.
void setCurrentWatchSource(int source) {
  if (source < 0 || source >= WATCH_SOURCE_COUNT || !watchSourceAvailable((WatchSource)source))
    source = WATCH_MMDVM;
  if (source == (int)currentWatchSource) return;
  const WatchSourceRow& target = watchSourceRow((WatchSource)source);
  currentWatchSource = (WatchSource)source;
  if (target.switchShowsLivePage) currentPage = PAGE_LIVE;
  lastPoll = 0;
  nextFetchHeard = false;
  requestRedraw();
}

// ---------------------------------------------------------------- redraws

void requestRedraw() { uiDirty = true; }

bool anyRedrawFlagSet() { return uiDirty || footerDirty || headerClockDirty || scrollingTextDirty; }

void clearRedrawFlags() {
  uiDirty = false;
  footerDirty = false;
  headerClockDirty = false;
  scrollingTextDirty = false;
}

void setFooterText(const String& text, bool countAsScreenActivity) {
  if (text == footerText) return;
  footerText = text;
  footerDirty = true;
  if (countAsScreenActivity) noteScreenActivity(false);
}

// ---------------------------------------------------------------- overlays

namespace {

const ViewOverlay* const* installedOverlays = nullptr;

bool overlayNeverOpen() { return false; }
void overlayDrawsNothing() {}
void overlayTakesNoTap(int, int) {}

// Answers every lookup while no list is installed: never open.
const ViewOverlay CLOSED_OVERLAY = {OVERLAY_DETAIL, overlayNeverOpen, overlayDrawsNothing, overlayTakesNoTap,
                                    nullptr, false};

}  // namespace

void installViewOverlays(const ViewOverlay* const overlays[VIEW_OVERLAY_COUNT]) { installedOverlays = overlays; }

const ViewOverlay& viewOverlay(ViewOverlayId id) {
  const int index = (int)id;
  if (installedOverlays == nullptr) return CLOSED_OVERLAY;
  if (index < 0 || index >= VIEW_OVERLAY_COUNT) return *installedOverlays[OVERLAY_DETAIL];
  return *installedOverlays[index];
}

bool anyOverlayOpen() {
  for (int i = 0; i < VIEW_OVERLAY_COUNT; ++i) {
    if (viewOverlay((ViewOverlayId)i).isOpen()) return true;
  }
  return false;
}

bool marqueePausedByOverlay() {
  for (int i = 0; i < VIEW_OVERLAY_COUNT; ++i) {
    const ViewOverlay& o = viewOverlay((ViewOverlayId)i);
    if (o.pausesMarquee && o.isOpen()) return true;
  }
  return false;
}

const ViewOverlay* overlayForTap() {
  for (ViewOverlayId id : VIEW_OVERLAY_TAP_ORDER) {
    const ViewOverlay& o = viewOverlay(id);
    if (o.isOpen()) return &o;
  }
  return nullptr;
}

void closeDetailPopup() {
  detailPopupOpen = false;
  selectedHeardIndex = -1;
  detailInfoPopupScrollLines = 0;
  detailInfoPopupMaxScrollLines = 0;
  detailInfoPopupPageStepLines = 1;
}

void openDetailPopup(int index) {
  selectedHeardIndex = index;
  detailInfoPopupScrollLines = 0;
  detailInfoPopupMaxScrollLines = 0;
  detailInfoPopupPageStepLines = 1;
  detailPopupOpen = true;
  requestRedraw();
}

// ---------------------------------------------------------------- screensaver

void setScreensaverActive(bool active) {
  if (active == screensaverActive) return;
  screensaverActive = active;
  applyBrightness();
  footerDirty = true;
  requestRedraw();
  if (active) {
    closeDetailPopup();
    lastScreensaverFrameMillis = 0;
  }
}

void noteScreenActivity(bool fromTouch) {
  (void)fromTouch;
  lastInteractionMillis = millis();
  if (screensaverActive) {
    setScreensaverActive(false);
    screenWipePending = true;
    requestRedraw();
  }
}

void noteUserInteraction(bool fromTouch) { noteScreenActivity(fromTouch); }

// Writes the level of the current state (backlightLevelNow) to the backlight
// of cfg.backlightDevice and traces it when it changes.
void applyBrightness() {
  static int lastTracedLevel = -1;
  const uint8_t level = backlightLevelNow();
  backlightWrite(cfg.backlightDevice.c_str(), level);
  if (level == lastTracedLevel) return;
  lastTracedLevel = level;
  desktopTrace("[DESKTOP] Backlight level %u.\n", (unsigned)level);
}

// ---------------------------------------------------------------- clock texts

static time_t uiTimeOverride = 0;

void setUiTimeOverride(time_t epochSeconds) { uiTimeOverride = epochSeconds; }

static bool currentLocalTime(struct tm& out) {
  if (uiTimeOverride != 0) return desktop_localtime_r(&uiTimeOverride, &out) != nullptr;
  return getLocalTime(&out, 0);
}

// "%H:%M" (withDate false) or "%d %b %Y" (withDate true) of the local time.
static String formatLocalTime(bool withDate) {
  const char* fallback = withDate ? "-- --- ----" : "--:--";
  struct tm now;
  if (!currentLocalTime(now)) return String(fallback);
  char buf[32];
  const size_t n =
      withDate ? strftime(buf, sizeof(buf), "%d %b %Y", &now) : strftime(buf, sizeof(buf), "%H:%M", &now);
  if (n == 0) return String(fallback);
  return String(buf);
}

String getHeaderTimeText() { return formatLocalTime(false); }
String getDetailedClockText() { return formatLocalTime(false); }
String getDateText() { return formatLocalTime(true); }

String formatUptimeBriefMs(uint64_t uptimeMs) {
  const uint64_t totalMinutes = uptimeMs / 60000ULL;
  const uint64_t days = totalMinutes / (24ULL * 60ULL);
  const uint64_t hours = (totalMinutes / 60ULL) % 24ULL;
  const uint64_t minutes = totalMinutes % 60ULL;
  char buf[48];
  if (days > 0) {
    snprintf(buf, sizeof(buf), "%llud %lluh", (unsigned long long)days, (unsigned long long)hours);
  } else if (hours > 0) {
    snprintf(buf, sizeof(buf), "%lluh %llum", (unsigned long long)hours, (unsigned long long)minutes);
  } else {
    snprintf(buf, sizeof(buf), "%llum", (unsigned long long)minutes);
  }
  return String(buf);
}

// Milliseconds since the system started, in 64 bits so it never wraps.
static uint64_t uptimeMillis64() {
  if (desktopTestClockActive()) return millis();
  struct timespec ts;
  if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return millis();
  return (uint64_t)ts.tv_sec * 1000ULL + (uint64_t)ts.tv_nsec / 1000000ULL;
}

String formatUptimeBrief() { return formatUptimeBriefMs(uptimeMillis64()); }

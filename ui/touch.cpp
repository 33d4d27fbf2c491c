#include "ui/touch.h"

#include "actions/remote_actions.h"
#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/input.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "ui/heard_page.h"
#include "ui/page_frame.h"
#include "ui/popups.h"
#include "ui/screensaver.h"
#include "watch/adsb/adsb.h"
#include "watch/aprs/aprs.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/svxlink/svxlink.h"
#include "watch/weather/weather.h"

// Gesture state of the current press.
static uint32_t lastTouch = 0;       // last accepted tap or gesture
static uint32_t touchHeldSince = 0;  // press start, then the last hold repeat
static bool touchHeld = false;       // the press has produced its tap
static bool pressActive = false;     // a finger is down
static int touchStartX = 0;
static int touchStartY = 0;
static bool swipeConsumed = false;  // used up by a gesture or by waking the screen

static const int CLOCK_HIT_X0 = 615, CLOCK_HIT_X1 = 784, CLOCK_HIT_Y0 = 12, CLOCK_HIT_Y1 = 59;
static const int REFRESH_BTN_X = 555, REFRESH_BTN_Y = 88, REFRESH_BTN_W = 195, REFRESH_BTN_H = 44;
static const int NAV_Y = 152, NAV_H = 40;

bool pointInRect(int px, int py, int x, int y, int w, int h) {
  return px >= x && px < x + w && py >= y && py < y + h;
}

void resetTouchGestureState() {
  lastTouch = 0;
  touchHeldSince = 0;
  touchHeld = false;
  pressActive = false;
  swipeConsumed = false;
}

bool liveModeButtonTouchHit(int x, int y, String& label) {
  struct Target {
    const char* label;
    int x, y;
  };
  static const Target targets[] = {
      {"DMR", 25, 76}, {"DSTAR", 215, 76}, {"YSF", 25, 124}, {"P25", 215, 124}, {"NXDN", 25, 172}};
  for (const Target& t : targets) {
    if (pointInRect(x, y, t.x, t.y, 175, 40)) {
      label = t.label;
      return true;
    }
  }
  return false;
}

ModeStatus* modeStatusFromTouchLabel(const String& label) {
  if (label == "DMR") return &modeDMR;
  if (label == "DSTAR") return &modeDSTAR;
  if (label == "YSF") return &modeYSF;
  if (label == "P25") return &modeP25;
  if (label == "NXDN") return &modeNXDN;
  return nullptr;
}

void openModeConfirmPopup(const String& label) {
  if (!cfg.touchModeSshEnabled) {
    setFooterText("Enable touch SSH mode control in the config page first.", true);
    return;
  }
  ModeStatus* status = modeStatusFromTouchLabel(label);
  if (status != nullptr && status->known) {
    modeConfirmTargetLabel = label;
    modeConfirmEnableRequested = !status->enabled;
    modeConfirmPopupOpen = true;
    requestRedraw();
    return;
  }
  setFooterText(String("Cannot toggle ") + label + " because its current state is unknown.", true);
}

static void openQuickActionPopup(bool svxlink) {
  activeQuickActionIsSvxlink = svxlink;
  quickActionPopupOpen = true;
  requestRedraw();
}

static void changePage(Page page) {
  if (page != currentPage) {
    currentPage = page;
    requestRedraw();
  }
}

// ---------------------------------------------------------------- overlays

static void tapWatchSourcePopup(int x, int y) {
  const WatchSourcePopupLayout l = watchSourcePopupLayout();
  for (int i = 0; i < l.count; ++i) {
    int bx, by;
    watchSourcePopupButtonRect(l, i, bx, by);
    if (!pointInRect(x, y, bx, by, l.btnW, 60)) continue;
    const WatchSource source = l.options[i];
    watchSourcePopupOpen = false;
    setCurrentWatchSource((int)source);
    const bool followTarget = source == WATCH_MMDVM || source == WATCH_SVXLINK || source == WATCH_WEATHER;
    currentPage = followTarget ? watchSourcePopupTargetPage : PAGE_LIVE;
    // PENDING: the weather forecast fetch joins here for the HEARD target
    // once the forecast fetcher exists.
    if (source == WATCH_WEATHER && weatherConfigured() && currentPage != PAGE_LAST) {
      fetchWeatherData();
    }
    if (source == WATCH_HAMQSL && hamqslConfigured()) fetchHamqslData();
    if (source == WATCH_ADSB && adsbFeatureEnabled()) fetchAdsbData(true);
    requestRedraw();
    return;
  }
  if (!pointInRect(x, y, l.popupX, l.popupY, l.popupW, l.popupH)) {
    watchSourcePopupOpen = false;
    requestRedraw();
  }
}

static void tapModeConfirmPopup(int x, int y) {
  int px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH;
  getModeConfirmPopupLayout(px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH);
  modeConfirmPopupOpen = false;
  requestRedraw();
  if (pointInRect(x, y, yesX, yesY, yesW, yesH)) {
    startModeToggleTask(modeConfirmTargetLabel, modeConfirmEnableRequested);
  }
}

static void tapQuickActionPopup(int x, int y) {
  if (pointInRect(x, y, 282, 308, 235, 40)) {
    quickActionPopupOpen = false;
    requestRedraw();
    return;
  }
  const bool svx = activeQuickActionIsSvxlink;
  for (int i = 0; i < quickActionSlotLimit(svx); ++i) {
    int sx, sy, sw, sh;
    quickActionSlotRect(i, sx, sy, sw, sh);
    if (!pointInRect(x, y, sx, sy, sw, sh)) continue;
    if (isQuickActionSlotConfigured(i, svx)) {
      quickActionPopupOpen = false;
      requestRedraw();
      startQuickActionTask(i, svx);
    } else {
      setFooterText("Preset slot is empty.", true);
    }
    return;
  }
  quickActionPopupOpen = false;
  requestRedraw();
}

// Routes a tap to the open overlay; false when none is open.
static bool dispatchOverlayTap(int x, int y) {
  // PENDING: the alert popup (handleAlertPopupTap) and the ADS-B info popup
  // take their taps here once those sources keep popup state.
  if (aprsCommentPopupOpen) {
    // PENDING: handleAprsCommentPopupTap; until it exists any tap closes it.
    aprsCommentPopupOpen = false;
    requestRedraw();
    return true;
  }
  if (watchSourcePopupOpen) {
    tapWatchSourcePopup(x, y);
    return true;
  }
  if (modeConfirmPopupOpen) {
    tapModeConfirmPopup(x, y);
    return true;
  }
  if (quickActionPopupOpen) {
    tapQuickActionPopup(x, y);
    return true;
  }
  if (detailPopupOpen) {
    closeDetailPopup();
    requestRedraw();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- header

static bool anyWatchFeatureEnabled() {
  return svxlinkFeatureEnabled() || aprsFeatureEnabled() || weatherFeatureEnabled() ||
         hamqslFeatureEnabled() || adsbFeatureEnabled();
}

static void dispatchHeaderTap(int x, int y) {
  if (x >= CLOCK_HIT_X0 && x <= CLOCK_HIT_X1 && y >= CLOCK_HIT_Y0 && y <= CLOCK_HIT_Y1) {
    changePage(PAGE_ABOUT);
    return;
  }
  int tab = -1;
  for (int i = 0; i < 4; ++i) {
    const int left = 15 + 145 * i;
    if (x >= left && x <= left + 134) tab = i;
  }
  if (tab < 0) return;
  if (tab == 0) {
    if (anyWatchFeatureEnabled()) {
      watchSourcePopupTargetPage = PAGE_LIVE;
      watchSourcePopupOpen = true;
      requestRedraw();
    } else {
      changePage(PAGE_LIVE);
    }
    return;
  }
  const Page infoOrAp = (setupRequired && apModeActive) ? PAGE_AP : PAGE_INFO;
  if (currentWatchSource == WATCH_HAMQSL) {
    if (tab == 1) changePage(PAGE_STATUS);
    if (tab == 2) changePage(infoOrAp);
    return;
  }
  if (tab == 1) {
    // PENDING: with the Weather source the forecast fetch runs here once the
    // forecast fetcher exists.
    changePage(PAGE_LAST);
  } else if (tab == 2) {
    changePage(PAGE_STATUS);
  } else {
    changePage(apModeActive ? PAGE_AP : PAGE_INFO);
  }
}

// ---------------------------------------------------------------- body

static bool refreshButtonHit(int x, int y) {
  return pointInRect(x, y, REFRESH_BTN_X, REFRESH_BTN_Y, REFRESH_BTN_W, REFRESH_BTN_H);
}

static String httpCodeFooter(const char* prefix, int code) { return String(prefix) + String(code); }

static void refreshWeather() {
  weatherState.lastAttemptMillis = 0;
  if (fetchWeatherData()) {
    setFooterText("Weather refresh requested", true);
  } else if (weatherState.lastHttpCode != 0) {
    setFooterText(httpCodeFooter("Weather HTTP: ", weatherState.lastHttpCode), true);
  }
  requestRedraw();
}

static void refreshHamqsl() {
  hamqslState.lastAttemptMillis = 0;
  if (fetchHamqslData()) {
    setFooterText("HAMQSL refresh requested", true);
  } else if (hamqslState.lastHttpCode != 0) {
    setFooterText(httpCodeFooter("HAMQSL HTTP: ", hamqslState.lastHttpCode), true);
  }
  requestRedraw();
}

static void refreshAprs() {
  aprsState.lastSuccessMillis = 0;
  lastPoll = 0;
  if (fetchAprsData(true)) setFooterText("APRS refresh requested", true);
  requestRedraw();
}

static void refreshAdsb() {
  adsbState.lastAttemptMillis = 0;
  if (fetchAdsbData(true)) setFooterText("ADSB refresh requested", true);
  requestRedraw();
}

static void dispatchLivePageTap(int x, int y) {
  if (isWeatherBackend()) {
    if (refreshButtonHit(x, y)) refreshWeather();
  } else if (isHamqslBackend()) {
    if (refreshButtonHit(x, y)) refreshHamqsl();
  } else if (isAprsBackend()) {
    if (refreshButtonHit(x, y)) refreshAprs();
  } else if (isAdsbBackend()) {
    if (refreshButtonHit(x, y)) refreshAdsb();
  } else if (isSvxlinkBackend()) {
    // PENDING: the APRS alert button (430, 88, 120 x 44) opens the SvxLink
    // APRS comment popup once the SvxLink page code exists.
    if (pointInRect(x, y, 565, 88, 190, 44)) {
      if (hasConfiguredQuickActions(true)) {
        openQuickActionPopup(true);
      } else {
        setFooterText("No SVXLink actions are configured yet.", true);
      }
    }
  } else {
    String label;
    if (liveModeButtonTouchHit(x, y, label)) {
      openModeConfirmPopup(label);
    } else if (pointInRect(x, y, 280, 380, 240, 48)) {
      if (hasConfiguredQuickActions(false)) {
        openQuickActionPopup(false);
      } else {
        setFooterText("No quick actions are configured yet.", true);
      }
    }
  }
}

// Row r (0..3) hit on the HEARD page, or -1.
static int heardRowHit(int x, int y, int rows) {
  if (x < 35 || x > 765) return -1;
  for (int r = 0; r < rows; ++r) {
    const int top = 208 + 56 * r;
    if (y >= top && y <= top + 48) return r;
  }
  return -1;
}

static void dispatchPagedHeardTap(int x, int y, const int* indices, int visible) {
  const int pages = lastHeardPageCount(visible);
  if (pointInRect(x, y, 35, NAV_Y, 60, NAV_H)) {
    if (lastHeardPageIndex > 0) {
      --lastHeardPageIndex;
      requestRedraw();
    }
    return;
  }
  if (pointInRect(x, y, 705, NAV_Y, 60, NAV_H)) {
    if (lastHeardPageIndex + 1 < pages) {
      ++lastHeardPageIndex;
      requestRedraw();
    }
    return;
  }
  const int start = lastHeardPageIndex * LAST_HEARD_ROWS_PER_PAGE;
  int rows = visible - start;
  if (rows > LAST_HEARD_ROWS_PER_PAGE) rows = LAST_HEARD_ROWS_PER_PAGE;
  const int r = heardRowHit(x, y, rows);
  if (r >= 0) openDetailPopup(indices[start + r]);
}

static void dispatchHeardPageTap(int x, int y) {
  if (isWeatherBackend()) {
    // PENDING: refreshes the forecast once the forecast fetcher exists.
    return;
  }
  if (isHamqslBackend()) {
    if (refreshButtonHit(x, y)) refreshHamqsl();
    return;
  }
  if (isAprsBackend()) return;  // PENDING: tryOpenAprsRadarStationPopup
  if (isAdsbBackend()) {
    // PENDING: tryOpenAdsbRadarAircraftPopup comes first once it exists.
    if (refreshButtonHit(x, y)) refreshAdsb();
    return;
  }
  int indices[MAX_HEARD];
  if (isSvxlinkBackend()) {
    normalizeSvxlinkHeardBrowseState();
    for (int i = 0; i < MAX_HEARD; ++i) indices[i] = i;
    dispatchPagedHeardTap(x, y, indices, heardCount < MAX_HEARD ? heardCount : MAX_HEARD);
    return;
  }
  normalizeLastHeardBrowseState();
  if (pointInRect(x, y, 110, NAV_Y, 170, NAV_H)) {
    lastHeardFilter = (LastHeardFilter)(((int)lastHeardFilter + 1) % LAST_HEARD_FILTER_COUNT);
    lastHeardPageIndex = 0;
    requestRedraw();
    return;
  }
  if (pointInRect(x, y, 295, NAV_Y, 240, NAV_H)) {
    lastHeardSort = (LastHeardSort)(((int)lastHeardSort + 1) % LAST_HEARD_SORT_COUNT);
    lastHeardPageIndex = 0;
    requestRedraw();
    return;
  }
  const int visible = buildLastHeardVisibleIndices(indices, MAX_HEARD);
  dispatchPagedHeardTap(x, y, indices, visible);
}

static void dispatchBodyTap(int x, int y) {
  if (currentPage == PAGE_LIVE && !setupRequired) {
    dispatchLivePageTap(x, y);
  } else if (currentPage == PAGE_LAST && !setupRequired) {
    dispatchHeardPageTap(x, y);
  } else if (currentPage == PAGE_STATUS) {
    if (x >= 270 && x <= 645 && y >= 370 && y <= 418) {
      setBrightnessFromTouchX(x);
      applyBrightness();
      saveConfigToFile();
      requestRedraw();
    }
  }
}

static void dispatchTap(int x, int y) {
  if (dispatchOverlayTap(x, y)) return;
  if (y < TOUCH_HEADER_LIMIT_Y) {
    dispatchHeaderTap(x, y);
  } else {
    dispatchBodyTap(x, y);
  }
}

// ---------------------------------------------------------------- gestures

// Swipes and scrolls of a continuing press; true when the press was used up.
static bool handlePressGesture(int x, int y, uint32_t now) {
  const int dx = x - touchStartX;
  const int dy = y - touchStartY;
  const int adx = dx < 0 ? -dx : dx;
  const int ady = dy < 0 ? -dy : dy;
  // PENDING: vertical drags scroll the alert and APRS comment popups here
  // once those popups can scroll.
  if (adx >= TOUCH_SWIPE_THRESHOLD_PX && adx > 2 * ady && touchStartY >= TOUCH_SWIPE_MIN_START_Y) {
    swipeConsumed = handleWatchSourceSwipe(dx);
    if (swipeConsumed) {
      lastTouch = now;
      lastInteractionMillis = now;
      return true;
    }
  }
  return false;
}

// Accepts a tap at (x, y) unless it comes within the debounce time of the
// previous tap or gesture.
static void acceptTap(int x, int y, uint32_t now) {
  if (!intervalElapsed(now, lastTouch, TOUCH_DEBOUNCE_MS)) return;
  touchHeld = true;
  touchHeldSince = now;
  lastTouch = now;
  lastInteractionMillis = now;
  noteUserInteraction(true);
  dispatchTap(x, y);
}

// A press acts when it ends, at the point where it began, so that a press
// that turns into a swipe never taps what lies under its start. A press
// held longer than the hold time acts at once and then repeats every hold
// time while the finger stays down; its release adds nothing.
void handleTouch() {
  int x = 0, y = 0;
  const uint32_t now = millis();
  if (!getTouchPoint(x, y)) {
    if (pressActive && !touchHeld && !swipeConsumed) acceptTap(touchStartX, touchStartY, now);
    touchHeld = false;
    touchHeldSince = 0;
    pressActive = false;
    swipeConsumed = false;
    return;
  }
  if (!pressActive) {
    pressActive = true;
    touchHeld = false;
    touchHeldSince = now;
    touchStartX = x;
    touchStartY = y;
    swipeConsumed = false;
    // A finger on the screen holds the next poll back like a tap would.
    lastInteractionMillis = now;
  } else if (!swipeConsumed && handlePressGesture(x, y, now)) {
    return;
  }
  if (screensaverActive) {
    // The press only wakes the screen: it is used up and never taps.
    touchHeld = true;
    swipeConsumed = true;
    lastTouch = now;
    lastInteractionMillis = now;
    setScreensaverActive(false);
    tft.fillScreen(theme.bg);
    requestRedraw();
    return;
  }
  if (swipeConsumed) return;
  if (elapsedSince(now, touchHeldSince) > TOUCH_HOLD_RELEASE_MS) {
    touchHeldSince = now;
    acceptTap(x, y, now);
  }
}

#include "ui/touch.h"

#include "core/app.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/theme.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/display.h"
#include "host/input.h"
#include "host/runtime.h"
#include "ui/on_air_banner.h"
#include "ui/page_frame.h"
#include "ui/screensaver.h"

// Gesture state of the current press.
static uint32_t lastTouch = 0;       // last accepted tap or gesture
static uint32_t touchHeldSince = 0;  // press start, then the last hold repeat
static bool touchHeld = false;       // the press has produced its tap
static bool pressActive = false;     // a finger is down
static int touchStartX = 0;
static int touchStartY = 0;
static bool swipeConsumed = false;  // used up by a gesture or by waking the screen

bool pointInRect(int px, int py, int x, int y, int w, int h) {
  return ScreenRect{x, y, w, h}.contains(px, py);
}

bool touchPressActive() { return pressActive; }

void resetTouchGestureState() {
  lastTouch = 0;
  touchHeldSince = 0;
  touchHeld = false;
  pressActive = false;
  swipeConsumed = false;
}

bool getTouchPoint(int& x, int& y) {
  if (!desktopTouchPoint(x, y)) return false;
  if (cfg.flipScreen) {
    x = SCREEN_W - 1 - x;
    y = SCREEN_H - 1 - y;
  }
  return true;
}

bool getTouchPoint(int16_t& x, int16_t& y) {
  int ix = 0, iy = 0;
  if (!getTouchPoint(ix, iy)) return false;
  x = (int16_t)ix;
  y = (int16_t)iy;
  return true;
}

static void changePage(Page page) {
  if (page != currentPage) {
    currentPage = page;
    requestRedraw();
  }
}

// ---------------------------------------------------------------- header

static void dispatchHeaderTap(int x, int y) {
  if (HEADER_CLOCK_BOX.contains(x, y)) {
    changePage(PAGE_ABOUT);
    return;
  }
  HeaderTab tabs[HEADER_TAB_SLOTS];
  const int n = currentHeaderTabs(tabs);
  int tab = -1;
  for (int i = 0; i < HEADER_TAB_SLOTS; ++i) {
    const ScreenRect r = headerTabRect(i);
    if (x >= r.x && x < r.x + r.w) tab = i;
  }
  if (tab < 0 || tab >= n) return;
  if (tab == 0 && anyWatchFeatureEnabled()) {
    openWatchSourcePopup(PAGE_LIVE);
    return;
  }
  if (tabs[tab].page == PAGE_LAST) {
    const WatchSourceRow& row = watchSourceRow(currentWatchSource);
    if (row.heardTabTapped) row.heardTabTapped();
  }
  changePage(tabs[tab].tapPage);
}

// ---------------------------------------------------------------- body

static void dispatchBodyTap(int x, int y) {
  if (currentPage == PAGE_LIVE && !setupRequired) {
    activeWatchSourceRow().tapLive(x, y);
  } else if (currentPage == PAGE_LAST && !setupRequired) {
    activeWatchSourceRow().tapHeard(x, y);
  } else if (currentPage == PAGE_STATUS) {
    if (BRIGHTNESS_TOUCH_AREA.containsInclusive(x, y)) {
      setBrightnessFromTouchX(x);
      applyBrightness();
      saveConfigToFile();
      requestRedraw();
    }
  }
}

static void dispatchTap(int x, int y) {
  const ViewOverlay* overlay = overlayForTap();
  if (overlay != nullptr) {
    overlay->tap(x, y);
  } else if (tapCallWatchDecorations(x, y)) {
    return;
  } else if (y < TOUCH_HEADER_LIMIT_Y) {
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
  const ViewOverlay* overlay = overlayForTap();
  if (overlay != nullptr && overlay->drag != nullptr && ady >= TOUCH_SCROLL_THRESHOLD_PX && adx < ady) {
    overlay->drag(dy);
    swipeConsumed = true;
    lastTouch = now;
    lastInteractionMillis = now;
    return true;
  }
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

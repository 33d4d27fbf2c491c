#include "ui/screensaver.h"

#include "core/app.h"
#include "ui/page_frame.h"
#include "ui/popups.h"

bool screensaverActive = false;
bool bootSplashReady = false;
String bootLastStatus;
int bootLastProgress = -1;
int bootLastScanX = -1;

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

// PENDING: also stores the activity time in lastInteractionMillis and clears
// the screen to theme.bg on wake-up.
void noteScreenActivity(bool fromTouch) {
  (void)fromTouch;
  if (screensaverActive) {
    screensaverActive = false;
    requestRedraw();
  }
}

void noteUserInteraction(bool fromTouch) { noteScreenActivity(fromTouch); }

// PENDING: clock, callsign and last-heard badge drifting over a black screen.
void drawScreensaver(bool forceClear) { (void)forceClear; }

// The desktop has no backlight to dim.
void applyBrightness() {}

// PENDING: maps the touch x onto cfg.brightness.
void setBrightnessFromTouchX(int x) { (void)x; }

// PENDING: brightness row of the STATUS page.
void drawBrightnessSlider() {}

// PENDING: orientation and background fill.
void applyDisplaySettings() {
  applyBrightness();
  requestRedraw();
}

// PENDING: static frame of the boot splash.
void drawBootSplashFrame() { bootSplashReady = true; }

// PENDING: one boot splash frame.
void drawBootSplash(const String& status, int progress, int frame) {
  (void)frame;
  bootLastStatus = status;
  bootLastProgress = progress < 0 ? 0 : (progress > 100 ? 100 : progress);
}

// PENDING: draws the splash at toProgress and presents it.
void animateBootProgress(const String& status, int fromProgress, int toProgress, int frameDelay) {
  (void)frameDelay;
  if (toProgress < fromProgress) toProgress = fromProgress;
  drawBootSplash(status, toProgress, 0);
}

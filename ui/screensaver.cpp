#include "ui/screensaver.h"

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "ui/draw.h"
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

void noteScreenActivity(bool fromTouch) {
  (void)fromTouch;
  lastInteractionMillis = millis();
  if (screensaverActive) {
    setScreensaverActive(false);
    tft.fillScreen(theme.bg);
    requestRedraw();
  }
}

void noteUserInteraction(bool fromTouch) { noteScreenActivity(fromTouch); }

// PENDING: clock, callsign and last-heard badge drifting over a black screen.
void drawScreensaver(bool forceClear) { (void)forceClear; }

// The desktop has no backlight to dim.
void applyBrightness() {}

void setBrightnessFromTouchX(int x) {
  cfg.brightness = (uint8_t)constrain(map(x, 280, 632, 0, 255), 0L, 255L);
  applyBrightness();
}

void drawBrightnessSlider() {
  fillSoftPanel(35, 372, 190, 44, theme.panel2, theme.border, 5);
  fillSoftPanel(235, 372, 525, 44, theme.panel2, theme.border, 5);
  tft.setTextFont(2);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(theme.warn, theme.panel2);
  tft.drawString("BRIGHT", 55, 394);
  tft.fillRoundRect(BRIGHT_SLIDER_X, BRIGHT_SLIDER_Y, BRIGHT_SLIDER_W, BRIGHT_SLIDER_H, 8,
                    theme.panel);
  tft.drawRoundRect(BRIGHT_SLIDER_X, BRIGHT_SLIDER_Y, BRIGHT_SLIDER_W, BRIGHT_SLIDER_H, 8,
                    theme.border);
  const int knobX = (int)map(cfg.brightness, 0, 255, 280, 632);
  tft.fillRoundRect(BRIGHT_SLIDER_X, BRIGHT_SLIDER_Y, knobX - BRIGHT_SLIDER_X, BRIGHT_SLIDER_H, 8,
                    theme.accent);
  tft.fillCircle(knobX, 394, 10, theme.warn);
  tft.setTextFont(1);
  tft.setTextDatum(MR_DATUM);
  tft.setTextColor(theme.text, theme.panel2);
  tft.drawString(String((unsigned int)cfg.brightness), 740, 394);
  tft.setTextDatum(TL_DATUM);
}

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

// Screensaver, boot splash with its progress bar, display settings and the
// brightness slider.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

static const int BRIGHT_SLIDER_X = 270;
static const int BRIGHT_SLIDER_Y = 386;
static const int BRIGHT_SLIDER_W = 375;
static const int BRIGHT_SLIDER_H = 16;

extern bool screensaverActive;
extern bool bootSplashReady;
extern String bootLastStatus;
extern int bootLastProgress;
extern int bootLastScanX;

// Switches the screensaver on or off (nothing when unchanged).
void setScreensaverActive(bool active);
// Notes activity: resets the idle time and wakes the screen.
void noteScreenActivity(bool fromTouch = false);
// Forwards to noteScreenActivity.
void noteUserInteraction(bool fromTouch = false);
// Draws the screensaver picture (nothing when unchanged unless forceClear).
void drawScreensaver(bool forceClear);
// Applies cfg.brightness to the backlight (none on the desktop).
void applyBrightness();
// Sets cfg.brightness from a touch x on the slider and applies it.
void setBrightnessFromTouchX(int x);
// Brightness row with track, knob and number on the STATUS page.
void drawBrightnessSlider();
// Orientation, background, brightness and a redraw request.
void applyDisplaySettings();
// Static frame of the boot splash.
void drawBootSplashFrame();
// One boot splash frame with status text and progress (0..100).
void drawBootSplash(const String& status, int progress, int frame);
// Shows the boot step status at progress toProgress and presents it.
void animateBootProgress(const String& status, int fromProgress, int toProgress, int frameDelay);

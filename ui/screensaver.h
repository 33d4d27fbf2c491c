// Screensaver, boot splash with its progress bar, display settings and the
// brightness slider.
#pragma once

#include <stdint.h>

#include "core/view.h"
#include "host/wstring.h"
#include "ui/draw.h"

// Shows the boot step status at progress toProgress and presents it.
void animateBootProgress(const String& status, int fromProgress, int toProgress, int frameDelay);
// Orientation, background, brightness and a redraw request.
void applyDisplaySettings();

static const int BRIGHT_SLIDER_X = 270;
static const int BRIGHT_SLIDER_Y = 386;
static const int BRIGHT_SLIDER_W = 375;
static const int BRIGHT_SLIDER_H = 16;
// Taps on the STATUS page that set the brightness (both edges included): the
// slider track and a margin around it.
static const ScreenRect BRIGHTNESS_TOUCH_AREA = {270, 370, 375, 48};

extern bool bootSplashReady;
extern String bootLastStatus;
extern int bootLastProgress;
extern int bootLastScanX;

// Draws the screensaver picture (nothing when unchanged unless forceClear);
// at night the night face.
void drawScreensaver(bool forceClear);
// Text and icon path of the screensaver's card from the first source row
// that offers one (both empty when none has data).
void screensaverCardTexts(String& text, String& icon);
// Offset of the screensaver picture at millis() t: x one of -20..20 in
// steps of 10, changing every 12 s; y one of -12..12 in steps of 6, every 24 s.
void screensaverDrift(uint32_t t, int& driftX, int& driftY);
// Sets cfg.brightness from a touch x on the slider and applies it.
void setBrightnessFromTouchX(int x);
// Brightness row with track, knob and number on the STATUS page.
void drawBrightnessSlider();
// Static frame of the boot splash.
void drawBootSplashFrame();
// One boot splash frame with status text and progress (0..100).
void drawBootSplash(const String& status, int progress, int frame);

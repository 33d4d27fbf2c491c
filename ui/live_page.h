// The LIVE page of the hotspot source: mode buttons, signal meter, live info
// panel or DMR timeslot rows, frequency boxes and the quick-action launcher.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/heard.h"
#include "ui/draw.h"

// Page geometry.
static const int LIVE_MODE_BTN_W = 175;
static const int LIVE_MODE_BTN_H = 40;
static const int LIVE_PANEL_X = 25;
static const int LIVE_PANEL_Y = 224;
static const int LIVE_PANEL_W = 750;
static const int LIVE_PANEL_H = 136;
static const int LIVE_BOTTOM_Y = 380;
// The ACTIONS launcher box, and its touch area, which is wider than the box.
static const ScreenRect LIVE_LAUNCHER_BOX = {300, LIVE_BOTTOM_Y, 200, 48};
static const ScreenRect LIVE_LAUNCHER_TOUCH_AREA = {280, LIVE_BOTTOM_Y, 240, 48};

// Whole LIVE page of the current watch source.
void drawLivePage();
// The hotspot's LIVE page and its taps (mode buttons, ACTIONS launcher).
void drawMmdvmLivePage();
void handleMmdvmLivePageTap(int x, int y);
// True (with the label) when the point lies on a switchable mode button.
bool liveModeButtonTouchHit(int x, int y, String& label);
// modeStatusFromTouchLabel (the status behind a switchable mode label) is
// in actions/remote_actions.h.
// Asks for confirmation before toggling a mode.
void openModeConfirmPopup(const String& label);
// One mode button.
void drawModeButton(int x, int y, int w, int h, const String& label, const ModeStatus& status, bool active);
// Needle level 0..9 of the signal meter.
int signalMeterLevel(bool active, const HeardRecord* rec);
// Signal quality meter with RSSI, BER and loss strips.
void drawSignalMeter(int x, int y, int w, int h, bool active, const HeardRecord* rec);
// RSSI text as shown in the meter strip.
String compactRssiValue(const String& value);
// Metric text with optional suffix; "-" for empty/n/a/nan/null.
String prettyMetricValue(const String& value, const String& suffix, bool keepPercent);
// Large panel with flag, caller line, status and target.
void drawLiveInfoPanel(int x, int y, int w, int h, const String& callsign, const String& status,
                       const String& target, bool active);
// DMR panel with one row per timeslot.
void drawDmrTimeslotLivePanel(int x, int y, int w, int h);
void drawDmrTimeslotRow(int x, int y, int w, int h, int slot);
// True on the 800 x 480 screen.
bool displayCanShowFullFrequency();
// Frequency as 9 digits in Hz, or empty when not a recognisable frequency.
String frequencyDigitsHzForDisplay(const String& value);
// Frequency text for the TX/RX boxes.
String formatFrequencyForBox(const String& value, bool fullPrecision);
void drawFrequencyBox(int x, int y, int w, const String& label, const String& value);
// The ACTIONS launcher box.
void drawQuickActionLauncherBox(int x, int y, int w);
// Repaints the marquee strips of the LIVE page; false when not possible.
bool redrawMmdvmLiveScrollingTextAreas();

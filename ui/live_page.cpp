#include "ui/live_page.h"

// PENDING: whole LIVE page.
void drawLivePage() {}

// PENDING: one mode button.
void drawModeButton(int x, int y, int w, int h, const String& label, const ModeStatus& status,
                    bool active) {}

// PENDING: signal meter level.
int signalMeterLevel(bool active, const HeardRecord* rec) { return active ? 8 : 1; }

// PENDING: signal meter.
void drawSignalMeter(int x, int y, int w, int h, bool active, const HeardRecord* rec) {}

// PENDING: RSSI text.
String compactRssiValue(const String& value) { return value; }

// PENDING: metric text.
String prettyMetricValue(const String& value, const String& suffix, bool keepPercent) {
  return value;
}

// PENDING: live info panel.
void drawLiveInfoPanel(int x, int y, int w, int h, const String& callsign, const String& status,
                       const String& target, bool active) {}

// PENDING: DMR timeslot panel.
void drawDmrTimeslotLivePanel(int x, int y, int w, int h) {}
// PENDING: one DMR timeslot row.
void drawDmrTimeslotRow(int x, int y, int w, int h, int slot) {}

bool displayCanShowFullFrequency() { return true; }

// PENDING: frequency digits.
String frequencyDigitsHzForDisplay(const String& value) { return String(); }
// PENDING: frequency text.
String formatFrequencyForBox(const String& value, bool fullPrecision) { return value; }
// PENDING: frequency box.
void drawFrequencyBox(int x, int y, int w, const String& label, const String& value) {}
// PENDING: launcher box.
void drawQuickActionLauncherBox(int x, int y, int w) {}
// PENDING: marquee repaint of the LIVE page.
bool redrawMmdvmLiveScrollingTextAreas() { return false; }

// Common starting point of the drawing tests of the pages.
#pragma once

#include <stdint.h>
#include <time.h>

// Clock zone UTC, default theme, Pi-Star backend with every watch source off
// (svxlink, APRS, weather, HamQSL, ADS-B) and the MMDVM source shown, so the
// screen holds only the hotspot pages and the texts do not depend on the host.
void useHotspotOnlyUiSetup();

// A drawing test's clocks: millis() at nowMs and the pages' wall clock at
// epoch. clearDrawingTestClocks() gives both back to the real clocks.
void setDrawingTestClocks(uint32_t nowMs, time_t epoch);
void clearDrawingTestClocks();

// The footer text set and the offscreen screen filled with background; false
// when no offscreen display can be made (the test then skips).
bool openDrawingTestScreen(const char* footer, uint16_t background);

// The current page, redrawn in full, matches the golden frame name.
void expectCurrentPageMatchesGolden(const char* name);

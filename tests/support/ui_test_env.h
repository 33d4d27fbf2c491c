// Common starting point of the drawing tests of the hotspot pages.
#pragma once

// Clock zone UTC, default theme, Pi-Star backend with every watch source off
// (svxlink, APRS, weather, HamQSL, ADS-B) and the MMDVM source shown, so the
// screen holds only the hotspot pages and the texts do not depend on the host.
void useHotspotOnlyUiSetup();

// The benchmarks' screen: the offscreen window on the software renderer
// (SDL_VIDEODRIVER may name another driver), with the default theme.
#pragma once

#include <stdlib.h>

#include "core/theme.h"
#include "host/display.h"

// True when the window is ready to draw on.
inline bool openBenchDisplay() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  unsetenv("QSODECK_DESKTOP_ACCEL");
  tft.init();
  setDefaultTheme();
  return tft.ready();
}

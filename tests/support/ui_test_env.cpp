#include "support/ui_test_env.h"

#include <stdlib.h>
#include <time.h>

#include <gtest/gtest.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"
#include "host/runtime.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "ui/page_frame.h"

void useHotspotOnlyUiSetup() {
  setenv("TZ", "UTC", 1);
  tzset();
  setDefaultTheme();
  cfg.backend = "pistar";
  cfg.svxlinkEnabled = cfg.aprsEnabled = cfg.weatherEnabled = false;
  cfg.hamqslEnabled = cfg.adsbEnabled = false;
  currentWatchSource = WATCH_MMDVM;
}

void setDrawingTestClocks(uint32_t nowMs, time_t epoch) {
  desktopSetTestClock(nowMs);
  setUiTimeOverride(epoch);
}

void clearDrawingTestClocks() {
  desktopClearTestClock();
  setUiTimeOverride(0);
}

bool openDrawingTestScreen(const char* footer, uint16_t background) {
  setFooterText(footer, false);
  if (!initOffscreenDisplay()) return false;
  tft.fillScreen(background);
  return true;
}

void expectCurrentPageMatchesGolden(const char* name) {
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden(name, currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

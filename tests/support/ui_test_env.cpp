#include "support/ui_test_env.h"

#include <stdlib.h>
#include <time.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
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

// HamQSL watch page "HAMQSL WATCH" (shown for both the LIVE and HEARD pages).
#pragma once

#include "core/watch_source.h"

extern const WatchSourceRow HAMQSL_WATCH_ROW;

void drawHamqslLivePage();

// HamQSL watch page "HAMQSL WATCH" (shown for both the LIVE and HEARD pages).
#pragma once

#include <stdint.h>

#include "core/watch_source.h"
#include "host/wstring.h"

extern const WatchSourceRow HAMQSL_WATCH_ROW;

void drawHamqslLivePage();
// Theme colour of a condition word: good / warn / bad by its wording, else
// the text colour.
uint16_t hamqslConditionColor(const String& value);

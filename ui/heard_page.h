// The HEARD page: recent stations of the active heard list, four rows at a
// time, with mode filter, sort order and page buttons.
#pragma once

#include "host/wstring.h"
#include "hotspot/heard.h"
#include "hotspot/heard_browse.h"

// Time column text: the part after the date (from character 11), cut to 6.
String lastHeardTimeText(const String& timeUtc);
// Draws the HEARD page of the current watch source.
void drawLastPage();
// The hotspot's HEARD page and its taps (filter, sort, pages, rows).
void drawMmdvmLastPage();
void handleMmdvmLastPageTap(int x, int y);

// SvxLink watch pages: the node status page (LIVE) and "SVXLINK HEARD".
#pragma once

#include "core/watch_source.h"

extern const WatchSourceRow SVXLINK_WATCH_ROW;

void drawSvxlinkLivePage();
void drawSvxlinkHeardPage();
// The last-heard card of the node page: flag, caller line, target and time.
void drawSvxlinkLastHeardCard(int x, int y, int w, int h);
// Repaint the marquee strips of the SvxLink LIVE / HEARD page; false when a
// full redraw is needed instead.
bool redrawSvxlinkLiveScrollingTextAreas();
bool redrawSvxlinkHeardScrollingTextAreas();

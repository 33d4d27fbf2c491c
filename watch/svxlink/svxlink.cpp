#include "watch/svxlink/svxlink.h"

uint32_t svxlinkPollCount = 0;

// PENDING: fetch svxlinkApiUrl(), parse the dashboard HTML or JSON bridge
// answer into the SvxLink node state and heard list. For now it counts the
// poll and yields no data.
bool fetchSvxlinkData() {
  svxlinkPollCount++;
  return false;
}

// PENDING: repaint the SvxLink LIVE marquee strips; until the SvxLink pages
// exist, a full redraw is asked for instead.
bool redrawSvxlinkLiveScrollingTextAreas() { return false; }

// PENDING: repaint the SvxLink HEARD marquee strips; until the SvxLink pages
// exist, a full redraw is asked for instead.
bool redrawSvxlinkHeardScrollingTextAreas() { return false; }

// The program's watch-source table and overlay list: the one place that
// sees every source and every overlay. They are installed into core/ at
// start-up; the main cycle, the page frame and the touch code reach the
// sources only through core/watch_source.h and the overlays through
// core/view.h.

#include "app/app.h"

#include "app/config_apply.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "hotspot/heard.h"
#include "hotspot/hotspot_poll.h"
#include "ui/heard_page.h"
#include "ui/live_page.h"
#include "ui/page_frame.h"
#include "ui/popups.h"
#include "watch/adsb/adsb_page.h"
#include "watch/alerts/alerts_page.h"
#include "watch/aprs/aprs_page.h"
#include "watch/hamqsl/hamqsl_page.h"
#include "watch/svxlink/svxlink_page.h"
#include "watch/weather/weather_page.h"

namespace {

// The MMDVM hotspot: the dashboard polls and the hotspot's own pages.
WatchSourceRow mmdvmWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_MMDVM;
  row.buttonLabel = "MMDVM";
  row.footerName = "MMDVM";
  row.startLive = MMDVM_START_LIVE;
  row.startHeard = MMDVM_START_HEARD;
  row.heardTabLabel = "HEARD";
  row.chooserOpensTargetPage = true;
  row.poll = pollHotspotDashboard;
  row.screensaverPoll = fetchLastHeard;
  row.heardList = hotspotHeard;
  row.drawLive = drawMmdvmLivePage;
  row.drawHeard = drawMmdvmLastPage;
  row.tapLive = handleMmdvmLivePageTap;
  row.tapHeard = handleMmdvmLastPageTap;
  row.redrawLiveStrips = redrawMmdvmLiveScrollingTextAreas;
  return row;
}

const WatchSourceRow MMDVM_WATCH_ROW = mmdvmWatchRow();

// In the order of the WatchSource values (also the swipe and chooser order).
const WatchSourceRow* const WATCH_SOURCE_TABLE[WATCH_SOURCE_COUNT] = {&MMDVM_WATCH_ROW,  &SVXLINK_WATCH_ROW,
                                                                      &APRS_WATCH_ROW,   &WEATHER_WATCH_ROW,
                                                                      &HAMQSL_WATCH_ROW, &ADSB_WATCH_ROW};

// In drawing order (the ViewOverlayId values).
const ViewOverlay* const VIEW_OVERLAYS[VIEW_OVERLAY_COUNT] = {
    &DETAIL_POPUP_OVERLAY, &MODE_CONFIRM_OVERLAY, &QUICK_ACTIONS_OVERLAY, &WATCH_SOURCE_OVERLAY,
    &APRS_INFO_OVERLAY,    &ADSB_INFO_OVERLAY,    &ALERT_OVERLAY};

}  // namespace

void installProgram() {
  installWatchSourceTable(WATCH_SOURCE_TABLE);
  installViewOverlays(VIEW_OVERLAYS);
  installConfigApply();
}

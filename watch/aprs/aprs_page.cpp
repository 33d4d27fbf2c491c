// APRS watch pages.
#include "watch/aprs/aprs_page.h"

#include "core/app.h"
#include "hotspot/hotspot_poll.h"
#include "ui/page_frame.h"
#include "ui/watch_page.h"
#include "watch/aprs/aprs.h"

// PENDING: the station box of the LIVE callsign.
void drawAprsLivePage() { drawWatchSourcePendingPage("LIVE", "APRS"); }

// PENDING: the compass radar and the nearest list.
void drawAprsHeardPage() { drawWatchSourcePendingPage("RADAR", "APRS"); }

static void tapAprsLivePage(int x, int y) {
  if (!WATCH_REFRESH_BUTTON.contains(x, y)) return;
  aprsState.lastSuccessMillis = 0;
  lastPoll = 0;
  if (fetchAprsData(true)) setFooterText("APRS refresh requested", true);
  requestRedraw();
}

// PENDING: tryOpenAprsRadarStationPopup once the radar list exists.
static void tapAprsHeardPage(int x, int y) {
  (void)x;
  (void)y;
}

// PENDING: the APRS info popup is drawn here.
static void drawAprsInfoPopup() {}

// PENDING: handleAprsCommentPopupTap; until it exists any tap closes it.
static void tapAprsInfoPopup(int x, int y) {
  (void)x;
  (void)y;
  aprsCommentPopupOpen = false;
  requestRedraw();
}

static bool aprsInfoPopupIsOpen() { return aprsCommentPopupOpen; }

const ViewOverlay APRS_INFO_OVERLAY = {
    OVERLAY_APRS_INFO, aprsInfoPopupIsOpen, drawAprsInfoPopup, tapAprsInfoPopup, nullptr, true};

static WatchSourceRow aprsWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_APRS;
  row.buttonLabel = "APRS";
  row.footerName = "APRS";
  row.heardTabLabel = "RADAR";
  row.available = aprsFeatureEnabled;
  row.switchShowsLivePage = true;
  row.poll = pollAprsWatch;
  row.screensaverPoll = fetchLastHeard;
  row.configApplied = aprsConfigApplied;
  row.drawLive = drawAprsLivePage;
  row.drawHeard = drawAprsHeardPage;
  row.tapLive = tapAprsLivePage;
  row.tapHeard = tapAprsHeardPage;
  return row;
}

const WatchSourceRow APRS_WATCH_ROW = aprsWatchRow();

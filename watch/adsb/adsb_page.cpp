// ADS-B watch pages.
#include "watch/adsb/adsb_page.h"

#include "ui/page_frame.h"
#include "ui/watch_page.h"
#include "watch/adsb/adsb.h"

bool adsbInfoPopupOpen = false;
int selectedAdsbAircraftIndex = -1;
int adsbInfoPopupScrollLines = 0;
int adsbInfoPopupMaxScrollLines = 0;
int adsbInfoPopupPageStepLines = 1;

// PENDING: the tracker page with its metric cards and the nearest aircraft.
void drawAdsbLivePage() { drawWatchSourcePendingPage("LIVE", "ADSB"); }

// PENDING: the radar page with the nearest list.
void drawAdsbHeardPage() { drawWatchSourcePendingPage("RADAR", "ADSB"); }

static void refreshAdsb() {
  adsbState.lastAttemptMillis = 0;
  if (fetchAdsbData(true)) setFooterText("ADSB refresh requested", true);
  requestRedraw();
}

static void tapAdsbLivePage(int x, int y) {
  if (WATCH_REFRESH_BUTTON.contains(x, y)) refreshAdsb();
}

// PENDING: a tap on the radar list opens the aircraft popup first.
static void tapAdsbHeardPage(int x, int y) {
  if (WATCH_REFRESH_BUTTON.contains(x, y)) refreshAdsb();
}

// PENDING: the aircraft details popup is drawn here.
static void drawAdsbInfoPopup() {}

// Any tap closes the aircraft popup.
static void tapAdsbInfoPopup(int x, int y) {
  (void)x;
  (void)y;
  adsbInfoPopupOpen = false;
  selectedAdsbAircraftIndex = -1;
  adsbInfoPopupScrollLines = 0;
  adsbInfoPopupMaxScrollLines = 0;
  adsbInfoPopupPageStepLines = 1;
  requestRedraw();
}

static bool adsbInfoPopupIsOpen() { return adsbInfoPopupOpen; }

// The marquee strips keep moving under the aircraft popup.
const ViewOverlay ADSB_INFO_OVERLAY = {
    OVERLAY_ADSB_INFO, adsbInfoPopupIsOpen, drawAdsbInfoPopup, tapAdsbInfoPopup, nullptr, false};

static WatchSourceRow adsbWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_ADSB;
  row.buttonLabel = "ADSB";
  row.footerName = "ADSB";
  row.heardTabLabel = "RADAR";
  row.available = adsbFeatureEnabled;
  row.switchShowsLivePage = true;
  row.poll = pollAdsbWatch;
  row.screensaverPoll = pollAdsbWatch;
  row.pollIntervalMs = adsbPollIntervalMs;
  row.screensaverPollIntervalMs = adsbScreensaverPollIntervalMs;
  row.selected = adsbSourceSelected;
  row.configFinalized = adsbConfigFinalized;
  row.drawLive = drawAdsbLivePage;
  row.drawHeard = drawAdsbHeardPage;
  row.tapLive = tapAdsbLivePage;
  row.tapHeard = tapAdsbHeardPage;
  return row;
}

const WatchSourceRow ADSB_WATCH_ROW = adsbWatchRow();

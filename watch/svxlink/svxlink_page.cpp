// SvxLink watch pages.
#include "watch/svxlink/svxlink_page.h"

#include "actions/remote_actions.h"
#include "hotspot/heard.h"
#include "hotspot/heard_browse.h"
#include "ui/page_frame.h"
#include "ui/paged_list.h"
#include "ui/popups.h"
#include "ui/watch_page.h"
#include "watch/svxlink/svxlink.h"

// The ACTIONS button of the node page.
static const ScreenRect SVXLINK_ACTIONS_BUTTON = {565, 88, 190, 44};

// PENDING: the node status page.
void drawSvxlinkLivePage() { drawWatchSourcePendingPage("LIVE", "SVXLINK"); }

// PENDING: the SvxLink heard list.
void drawSvxlinkHeardPage() { drawWatchSourcePendingPage("HEARD", "SVXLINK"); }

// PENDING: repaint the SvxLink LIVE marquee strips; until the SvxLink pages
// exist, a full redraw is asked for instead.
bool redrawSvxlinkLiveScrollingTextAreas() { return false; }

// PENDING: repaint the SvxLink HEARD marquee strips; until the SvxLink pages
// exist, a full redraw is asked for instead.
bool redrawSvxlinkHeardScrollingTextAreas() { return false; }

// PENDING: the APRS alert button (430, 88, 120 x 44) opens the SvxLink APRS
// comment popup once the SvxLink page code exists.
static void tapSvxlinkLivePage(int x, int y) {
  if (!SVXLINK_ACTIONS_BUTTON.contains(x, y)) return;
  if (hasConfiguredQuickActions(true)) {
    openQuickActionPopup(true);
  } else {
    setFooterText("No SVXLink actions are configured yet.", true);
  }
}

static void drawNoRow(int item, const ScreenRect& row, uint16_t fill, const void* context) {
  (void)item;
  (void)row;
  (void)fill;
  (void)context;
}

// Pages of four rows over the whole heard list; a row opens its detail popup.
static void tapSvxlinkHeardPage(int x, int y) {
  normalizeSvxlinkHeardBrowseState();
  const int count = heardCount < MAX_HEARD ? heardCount : MAX_HEARD;
  const PagedList list = {&HEARD_LIST_LAYOUT, count, &lastHeardPageIndex, drawNoRow, nullptr};
  const int item = tapPagedList(list, x, y);
  if (item >= 0) openDetailPopup(item);
}

static WatchSourceRow svxlinkWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_SVXLINK;
  row.buttonLabel = "SVXLINK";
  row.footerName = "SVXLink";
  row.heardTabLabel = "HEARD";
  row.available = svxlinkFeatureEnabled;
  row.chooserOpensTargetPage = true;
  row.poll = pollSvxlinkWatch;
  row.screensaverPoll = fetchSvxlinkData;
  row.pollIntervalMs = svxlinkPollIntervalMs;
  row.screensaverPollIntervalMs = svxlinkScreensaverPollIntervalMs;
  row.saveHeardCache = saveSvxlinkHeardCache;
  row.loadHeardCache = loadSvxlinkHeardCache;
  row.drawLive = drawSvxlinkLivePage;
  row.drawHeard = drawSvxlinkHeardPage;
  row.tapLive = tapSvxlinkLivePage;
  row.tapHeard = tapSvxlinkHeardPage;
  row.redrawLiveStrips = redrawSvxlinkLiveScrollingTextAreas;
  row.redrawHeardStrips = redrawSvxlinkHeardScrollingTextAreas;
  return row;
}

const WatchSourceRow SVXLINK_WATCH_ROW = svxlinkWatchRow();

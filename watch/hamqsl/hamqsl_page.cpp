// HamQSL watch page.
#include "watch/hamqsl/hamqsl_page.h"

#include "core/app.h"
#include "ui/page_frame.h"
#include "ui/watch_page.h"
#include "watch/hamqsl/hamqsl.h"

// PENDING: the solar data and band conditions.
void drawHamqslLivePage() { drawWatchSourcePendingPage("LIVE", "HAMQSL"); }

static void tapHamqslPage(int x, int y) {
  if (!WATCH_REFRESH_BUTTON.contains(x, y)) return;
  hamqslState.lastAttemptMillis = 0;
  if (fetchHamqslData()) {
    setFooterText("HAMQSL refresh requested", true);
  } else if (hamqslState.lastHttpCode != 0) {
    setFooterText(String("HAMQSL HTTP: ") + String(hamqslState.lastHttpCode), true);
  }
  requestRedraw();
}

static WatchSourceRow hamqslWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_HAMQSL;
  row.buttonLabel = "HAMQSL";
  row.footerName = "HAMQSL";
  row.heardTabLabel = nullptr;  // one page: the tab row shows WATCH, STATUS, INFO
  row.available = hamqslFeatureEnabled;
  row.switchShowsLivePage = true;
  row.poll = pollHamqslWatch;
  row.screensaverPoll = fetchHamqslData;
  row.backgroundRefreshDue = hamqslBackgroundRefreshDue;
  row.backgroundRefresh = fetchHamqslData;
  row.backgroundCheckMillis = &lastHamqslPollCheck;
  row.selected = hamqslSourceSelected;
  row.configFinalized = hamqslConfigFinalized;
  row.configApplied = hamqslConfigApplied;
  row.drawLive = drawHamqslLivePage;
  row.drawHeard = drawHamqslLivePage;
  row.tapLive = tapHamqslPage;
  row.tapHeard = tapHamqslPage;
  return row;
}

const WatchSourceRow HAMQSL_WATCH_ROW = hamqslWatchRow();

#include "ui/heard_page.h"

#include <ctype.h>

#include "core/backend.h"
#include "core/theme.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "hotspot/target_display.h"
#include "ui/draw.h"
#include "ui/page_frame.h"
#include "ui/paged_list.h"

// Buttons of the HEARD page's own in the navigation row.
static const ScreenRect HEARD_FILTER_BUTTON = {110, 152, 170, 40};
static const ScreenRect HEARD_SORT_BUTTON = {295, 152, 240, 40};

String lastHeardTimeText(const String& timeUtc) {
  String t = timeUtc.length() >= 12 ? timeUtc.substring(11) : timeUtc;
  return clipWithTilde(t, 6);
}

// ---------------------------------------------------------------- list

struct HeardListView {
  int indices[MAX_HEARD];
  int visible;
};

static void drawHeardRow(int item, const ScreenRect& row, uint16_t fill, const void* context) {
  const HeardListView& view = *static_cast<const HeardListView*>(context);
  const HeardRecord& rec = shownHeardList().records[view.indices[item]];
  const int y = row.y + 10;
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.accent, fill);
  tft.drawString(clipWithTilde(normalizeHamCallsign(rec.callsign), 9), 50, y);
  tft.setTextColor(theme.warn, fill);
  tft.drawString(clipWithTilde(heardRecordModeName(rec), 6), 230, y);
  tft.setTextColor(theme.text, fill);
  tft.drawString(clipWithTilde(resolveTargetDisplay(rec), 13), 340, y);
  tft.setTextColor(theme.subtext, fill);
  tft.drawString(lastHeardTimeText(rec.timeUtc), 625, y);
}

// The visible list and the paged list over it (view must outlive the list).
static PagedList heardPagedList(HeardListView& view) {
  normalizeLastHeardBrowseState();
  view.visible = buildLastHeardVisibleIndices(view.indices, MAX_HEARD);
  return PagedList{&HEARD_LIST_LAYOUT, view.visible, &lastHeardPageIndex, drawHeardRow, &view};
}

// ---------------------------------------------------------------- page

void drawMmdvmLastPage() {
  drawTopTabs();
  HeardListView view;
  const PagedList list = heardPagedList(view);
  fillSoftPanel(15, 72, 770, 368, theme.panel, theme.border, 12);
  drawPageTitle("LAST HEARD", 40, 92, theme.panel);
  tft.setTextFont(watchUiHintFont());
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString("Tap rows / Filter, sort and browse pages", 40, 128);

  drawPagedListButton(HEARD_FILTER_BUTTON, getLastHeardFilterLabel(), theme.warn);
  drawPagedListButton(HEARD_SORT_BUTTON, getLastHeardSortLabel(), theme.text);
  drawPagedList(list);
  if (view.visible == 0) {
    tft.setTextFont(2);
    tft.setTextDatum(TL_DATUM);
    tft.setTextColor(theme.subtext, theme.panel);
    tft.drawString(shownHeardList().count > 0 ? "No rows match this filter" : "No traffic received yet", 45,
                   236);
  }
  drawFooter();
}

void handleMmdvmLastPageTap(int x, int y) {
  normalizeLastHeardBrowseState();
  if (HEARD_FILTER_BUTTON.contains(x, y)) {
    lastHeardFilter = (LastHeardFilter)(((int)lastHeardFilter + 1) % LAST_HEARD_FILTER_COUNT);
    lastHeardPageIndex = 0;
    requestRedraw();
    return;
  }
  if (HEARD_SORT_BUTTON.contains(x, y)) {
    lastHeardSort = (LastHeardSort)(((int)lastHeardSort + 1) % LAST_HEARD_SORT_COUNT);
    lastHeardPageIndex = 0;
    requestRedraw();
    return;
  }
  HeardListView view;
  const PagedList list = heardPagedList(view);
  const int item = tapPagedList(list, x, y);
  if (item >= 0) openDetailPopup(view.indices[item]);
}

void drawLastPage() { activeWatchSourceRow().drawHeard(); }

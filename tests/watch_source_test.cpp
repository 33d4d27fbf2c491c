// The shared pieces of the watch sources: the source table and its lookups,
// the overlay list, the paged-list drawer's paging and hit-test, the fetch
// status text and the entity rules of the markup readers.
#include <gtest/gtest.h>

#include "app/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/fetch_status.h"
#include "core/markup.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/display.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "ui/paged_list.h"

namespace {

class WatchSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    uiDirty = false;
  }
  void TearDown() override { desktopClearTestClock(); }
};

// Source table

TEST_F(WatchSourceTest, EveryRowIsCompleteAndInEnumOrder) {
  struct Expected {
    WatchSource source;
    const char* button;
    const char* footer;
    const char* heardTab;  // null: three tabs
  };
  const Expected rows[] = {
      {WATCH_MMDVM, "MMDVM", "MMDVM", "HEARD"},    {WATCH_SVXLINK, "SVXLINK", "SVXLink", "HEARD"},
      {WATCH_APRS, "APRS", "APRS", "RADAR"},       {WATCH_WEATHER, "WEATHER", "Weather", "Cast"},
      {WATCH_HAMQSL, "HAMQSL", "HAMQSL", nullptr}, {WATCH_ADSB, "ADSB", "ADSB", "RADAR"}};
  for (const Expected& e : rows) {
    const WatchSourceRow& row = watchSourceRow(e.source);
    SCOPED_TRACE(e.button);
    EXPECT_EQ(e.source, row.source);
    EXPECT_STREQ(e.button, row.buttonLabel);
    EXPECT_STREQ(e.footer, watchSourceFooterName(e.source));
    if (e.heardTab == nullptr) {
      EXPECT_EQ(nullptr, row.heardTabLabel);
    } else {
      EXPECT_STREQ(e.heardTab, row.heardTabLabel);
    }
    EXPECT_TRUE(row.poll && row.screensaverPoll && row.drawLive && row.drawHeard && row.tapLive &&
                row.tapHeard);
    EXPECT_EQ(row.backgroundRefreshDue != nullptr, row.backgroundCheckMillis != nullptr);
    // The hotspot, SvxLink and APRS (the hotspot's callers) name a list.
    const bool ownsList = e.source == WATCH_MMDVM || e.source == WATCH_SVXLINK || e.source == WATCH_APRS;
    EXPECT_EQ(ownsList, row.heardList != nullptr);
  }
  // Out-of-range values fall back to the hotspot.
  EXPECT_EQ(WATCH_MMDVM, watchSourceRow((WatchSource)42).source);
  EXPECT_FALSE(watchSourceAvailable((WatchSource)-1));
}

TEST_F(WatchSourceTest, AvailabilityAndActiveRowFollowTheFeatures) {
  EXPECT_TRUE(watchSourceAvailable(WATCH_MMDVM));
  EXPECT_FALSE(anyWatchFeatureEnabled());
  currentWatchSource = WATCH_HAMQSL;  // chosen, but switched off
  EXPECT_EQ(WATCH_MMDVM, activeWatchSourceRow().source);
  cfg.hamqslEnabled = true;
  EXPECT_TRUE(anyWatchFeatureEnabled());
  EXPECT_EQ(WATCH_HAMQSL, activeWatchSourceRow().source);
  cfg.adsbEnabled = true;  // no receiver host yet
  EXPECT_FALSE(watchSourceAvailable(WATCH_ADSB));
  cfg.adsbHost = " 10.0.0.5 ";
  EXPECT_TRUE(watchSourceAvailable(WATCH_ADSB));
}

TEST_F(WatchSourceTest, SwitchingKeepsEachHeardListAndShowsTheRightPage) {
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "192.168.1.9";
  cfg.weatherEnabled = true;
  shownHeardList().count = 1;
  shownHeardList().records[0].callsign = "DL1ABC";
  currentPage = PAGE_LAST;
  setCurrentWatchSource(WATCH_SVXLINK);
  EXPECT_EQ(PAGE_LAST, currentPage);  // SvxLink keeps the page
  EXPECT_EQ(0, shownHeardList().count);           // its own (empty) list
  EXPECT_TRUE(uiDirty);
  setCurrentWatchSource(WATCH_WEATHER);
  EXPECT_EQ(PAGE_LIVE, currentPage);
  setCurrentWatchSource(WATCH_MMDVM);
  ASSERT_EQ(1, shownHeardList().count);
  EXPECT_EQ(String("DL1ABC"), shownHeardList().records[0].callsign);
  setCurrentWatchSource(WATCH_ADSB);  // not available: stays on the hotspot
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
}

TEST_F(WatchSourceTest, StartPagesAndChooserComeFromTheRows) {
  cfg.svxlinkEnabled = cfg.aprsEnabled = cfg.weatherEnabled = cfg.hamqslEnabled = cfg.adsbEnabled = true;
  cfg.svxlinkHost = cfg.adsbHost = "10.0.0.5";
  cfg.aprsApiKey = "key";
  int startPages = 0;
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    const WatchSourceRow& row = watchSourceRow((WatchSource)i);
    for (const StartPageName* name : {&row.startLive, &row.startHeard}) {
      if (name->value == nullptr) continue;
      SCOPED_TRACE(name->value);
      ++startPages;
      EXPECT_EQ(String(name->value), canonicalStartPageAfterBootValue(name->value));
      EXPECT_EQ(String(name->label), startPageAfterBootLabel(name->value));
      EXPECT_TRUE(startPageAfterBootChoiceAvailable(name->value, false));
    }
  }
  EXPECT_EQ(8, startPages);
  EXPECT_EQ(String("mmdvm_live"), canonicalStartPageAfterBootValue("no such page"));
  // Every available row is a chooser button, in table order.
  const WatchSourcePopupLayout layout = watchSourcePopupLayout();
  ASSERT_EQ(WATCH_SOURCE_COUNT, layout.count);
  for (int i = 0; i < layout.count; ++i) EXPECT_EQ((WatchSource)i, layout.options[i]);
  EXPECT_LE(layout.popupY + layout.popupH, SCREEN_H);
}

TEST_F(WatchSourceTest, LookupsAnswerBeforeTheInstallAndInstallProgramHandsOverTheTables) {
  installWatchSourceTable(nullptr);
  installViewOverlays(nullptr);
  installConfigApplyHooks({});
  cfg.hamqslEnabled = true;
  detailPopupOpen = true;
  EXPECT_EQ(WATCH_MMDVM, watchSourceRow(WATCH_HAMQSL).source);
  EXPECT_EQ(nullptr, activeWatchSourceRow().poll);
  EXPECT_FALSE(watchSourceAvailable(WATCH_HAMQSL));
  EXPECT_TRUE(watchSourceAvailable(WATCH_MMDVM));
  EXPECT_FALSE(anyOverlayOpen());
  EXPECT_EQ(nullptr, configApplyHooks().finalized);
  installProgram();
  EXPECT_TRUE(watchSourceAvailable(WATCH_HAMQSL));
  EXPECT_STREQ("HAMQSL", watchSourceRow(WATCH_HAMQSL).buttonLabel);
  EXPECT_TRUE(anyOverlayOpen());
  EXPECT_EQ(OVERLAY_DETAIL, overlayForTap()->id);
  EXPECT_TRUE(configApplyHooks().finalized && configApplyHooks().loaded && configApplyHooks().applyAtRunTime);
}

// Overlays

TEST_F(WatchSourceTest, OverlaysAreListedOnceAndTheAlertTakesTapsFirst) {
  int seen[VIEW_OVERLAY_COUNT] = {};
  for (int i = 0; i < VIEW_OVERLAY_COUNT; ++i) {
    EXPECT_EQ(i, (int)viewOverlay((ViewOverlayId)i).id);
    ++seen[VIEW_OVERLAY_TAP_ORDER[i]];
  }
  for (int n : seen) EXPECT_EQ(1, n);
  EXPECT_EQ(OVERLAY_ALERT, VIEW_OVERLAY_TAP_ORDER[0]);
  EXPECT_EQ(nullptr, overlayForTap());
  EXPECT_FALSE(anyOverlayOpen());
  detailPopupOpen = true;
  watchSourcePopupOpen = true;
  ASSERT_NE(nullptr, overlayForTap());
  EXPECT_EQ(OVERLAY_WATCH_SOURCE, overlayForTap()->id);
  EXPECT_TRUE(marqueePausedByOverlay());
  setScreensaverActive(true);  // closes the detail popup only
  EXPECT_FALSE(detailPopupOpen);
  EXPECT_TRUE(watchSourcePopupOpen);
}

// Paged lists

void noRow(int, const ScreenRect&, uint16_t, const void*) {}

TEST_F(WatchSourceTest, PagedListPagesAndHits) {
  EXPECT_EQ(0, pagedListPageCount(HEARD_LIST_LAYOUT, 0));
  EXPECT_EQ(1, pagedListPageCount(HEARD_LIST_LAYOUT, 4));
  EXPECT_EQ(2, pagedListPageCount(HEARD_LIST_LAYOUT, 5));
  int page = 7;
  PagedList list = {&HEARD_LIST_LAYOUT, 5, &page, noRow, nullptr};
  // A tap first clamps the page to the last one (one row on page 2).
  EXPECT_EQ(PAGED_LIST_TAP_NONE, tapPagedList(list, 400, 208 + 56 + 10));
  EXPECT_EQ(1, page);
  EXPECT_EQ(4, tapPagedList(list, 35, 208));   // row 0, top-left corner
  EXPECT_EQ(4, tapPagedList(list, 765, 256));  // both far edges are included
  EXPECT_EQ(PAGED_LIST_TAP_NONE, tapPagedList(list, 766, 230));
  EXPECT_EQ(PAGED_LIST_TAP_PAGE, tapPagedList(list, 735, 170));  // ">" on the last page
  EXPECT_EQ(1, page);
  EXPECT_FALSE(uiDirty);
  EXPECT_EQ(PAGED_LIST_TAP_PAGE, tapPagedList(list, 40, 160));  // "<"
  EXPECT_EQ(0, page);
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(3, tapPagedList(list, 100, 208 + 3 * 56 + 48));  // last row, bottom edge
  list.itemCount = 0;
  EXPECT_EQ(PAGED_LIST_TAP_NONE, tapPagedList(list, 100, 220));
}

// Fetch status

TEST_F(WatchSourceTest, LastUpdatedTextFollowsTheFetchStatus) {
  desktopSetTestClock(200000);
  struct Case {
    bool inProgress;
    uint32_t success, attempt;
    int code;
    const char* text;
  };
  const Case cases[] = {{true, 100000, 150000, 200, "Fetching..."},
                        {false, 199500, 150000, 200, "Just now"},
                        {false, 140000, 150000, 500, "1m ago"},
                        {false, 0, 150000, 401, "HTTP 401"},
                        {false, 0, 150000, -2, "HTTP -2"},
                        {false, 0, 150000, 0, "Failed"},
                        {false, 0, 0, 0, "Waiting"}};
  for (const Case& c : cases) {
    WatchFetchStatus s;
    s.fetchInProgress = c.inProgress;
    s.lastSuccessMillis = c.success;
    s.lastAttemptMillis = c.attempt;
    s.lastHttpCode = c.code;
    EXPECT_EQ(String(c.text), watchFetchLastUpdatedText(s)) << c.text;
  }
}

// Markup

TEST_F(WatchSourceTest, EachReaderKeepsItsEntityRules) {
  struct Case {
    const MarkupEntityRules* rules;
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {&MARKUP_DASHBOARD_ENTITIES, "&amp;lt;b&gt; &#39;x&#39;", "<b> 'x'"},  // by entity: decoded twice
      {&MARKUP_LIST_SITE_ENTITIES, "&amp;lt; A &ndash; B &mdash;", "&lt; A - B -"},
      {&MARKUP_LIST_SITE_ENTITIES, "&AMP;", "&AMP;"},  // exact case
      {&MARKUP_LOOKUP_ENTITIES, "&AMP; &Nbsp;&#34;", "&  \""},
      {&MARKUP_LOOKUP_ENTITIES, "&amp;lt; &unknown; &", "&lt; &unknown; &"},
      {&MARKUP_POPUP_TEXT_ENTITIES, "a&nbsp;b &amp;", "a b &amp;"},
  };
  for (const Case& c : cases) EXPECT_EQ(String(c.out), decodeMarkupEntities(String(c.in), *c.rules)) << c.in;
  EXPECT_EQ(String("ab"), stripHtmlTags(String("a<i>b</i><unclosed")));
}

}  // namespace

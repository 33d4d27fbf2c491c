// Heard records and lists: record identity, list copies, the per-source caches,
// the watch-source switch and the small text helpers.

#include <gtest/gtest.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "hotspot/heard.h"
#include "hotspot/heard_browse.h"
#include "hotspot/last_heard_parser.h"
#include "ui/page_frame.h"
#include "watch/svxlink/svxlink.h"

namespace {

HeardRecord rec(const char* call, const char* time) {
  HeardRecord r;
  r.callsign = call;
  r.timeUtc = time;
  r.mode = "DMR";
  r.target = "TG 91";
  r.valid = true;
  return r;
}

void fillActive(int count, const char* prefix) {
  for (int i = 0; i < MAX_HEARD; i++) shownHeardList().records[i] = HeardRecord();
  for (int i = 0; i < count; i++) {
    shownHeardList().records[i] = rec((std::string(prefix) + std::to_string(i)).c_str(), "2024-01-01 10:00:00");
  }
  shownHeardList().count = count;
  shownHeardList().live = shownHeardList().records[0];
  shownHeardList().liveMillis = 4242;
}

}  // namespace

// Record identity

TEST(HeardRecordTest, NameSignalAndDurationDoNotMakeADifferentRecord) {
  HeardRecord a = rec("DL1ABC", "t1");
  HeardRecord b = a;
  b.name = "Hans";
  b.rssi = "-70";
  b.duration = "3.2";
  b.country = "Germany";
  EXPECT_TRUE(sameRecord(a, b));
  b.rxFreq = "438.8";
  EXPECT_FALSE(sameRecord(a, b));
  HeardRecord c = a;
  c.timeslot = "2";
  EXPECT_FALSE(sameRecord(a, c));
  c = a;
  c.src = "RF";
  EXPECT_FALSE(sameRecord(a, c));
}

TEST(HeardRecordTest, ListsOfDifferentCountsAreNeverEqual) {
  HeardRecord a[MAX_HEARD], b[MAX_HEARD];
  EXPECT_TRUE(heardListsEqual(a, 0, b, 0));
  EXPECT_FALSE(heardListsEqual(a, 0, b, 1));
  a[0] = rec("K1AB", "t");
  b[0] = rec("K1AB", "t");
  b[1] = rec("K2AB", "t");
  EXPECT_TRUE(heardListsEqual(a, 1, b, 1));
  EXPECT_FALSE(heardListsEqual(a, 2, b, 2));
}

TEST(HeardRecordTest, NewRecordIsEmptyAndInvalid) {
  HeardRecord r;
  EXPECT_FALSE(r.valid);
  EXPECT_TRUE(r.callsign.isEmpty());
  EXPECT_TRUE(r.txFreq.isEmpty());
}

// Lists and caches

TEST(HeardListTest, ApplyClampsTheCount) {
  HeardRecord src[MAX_HEARD + 8];
  for (int i = 0; i < MAX_HEARD + 8; i++) src[i] = rec(("G" + std::to_string(i) + "AB").c_str(), "t");
  const HeardApplyRules quiet = {false, false, false, false, "", ""};
  HeardList list;
  applyHeardList(list, src, 20, quiet);
  EXPECT_EQ(list.count, 12);
  EXPECT_TRUE(list.records[11].valid);
  EXPECT_EQ(list.live.callsign, "G0AB");
  applyHeardList(list, src, -3, quiet);
  EXPECT_EQ(list.count, 0);
  for (int i = 0; i < MAX_HEARD; i++) EXPECT_FALSE(list.records[i].valid) << i;
  EXPECT_EQ(list.live.callsign, "G0AB");  // the live record outlives an empty answer
}

TEST(HeardListTest, ApplyEmptiesRecordsBeyondTheCount) {
  fillActive(5, "F");
  HeardRecord src[MAX_HEARD];
  for (int i = 0; i < MAX_HEARD; i++) src[i] = rec("G0AB", "t");
  applyHeardList(hotspotHeard(), src, 2, hotspotHeardRules());
  EXPECT_TRUE(shownHeardList().records[1].valid);
  EXPECT_FALSE(shownHeardList().records[2].valid);
  EXPECT_TRUE(shownHeardList().records[4].callsign.isEmpty());
}

TEST(HeardListTest, ClearHeardEmptiesAllRecords) {
  fillActive(7, "F");
  clearHeard();
  EXPECT_EQ(shownHeardList().count, 0);
  for (int i = 0; i < MAX_HEARD; i++) EXPECT_FALSE(shownHeardList().records[i].valid);
}

TEST(HeardListTest, SwitchingToSvxlinkAndBackKeepsEachList) {
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "svx.local";
  currentWatchSource = WATCH_MMDVM;
  fillActive(4, "M");
  setCurrentWatchSource(WATCH_SVXLINK);
  EXPECT_EQ(currentWatchSource, WATCH_SVXLINK);
  EXPECT_EQ(&shownHeardList(), &svxlinkHeard());
  EXPECT_EQ(shownHeardList().count, 0);
  EXPECT_EQ(lastPoll, 0u);
  EXPECT_FALSE(nextFetchHeard);
  fillActive(2, "S");
  lastPoll = 99;
  nextFetchHeard = true;
  setCurrentWatchSource(WATCH_MMDVM);
  EXPECT_EQ(shownHeardList().count, 4);
  EXPECT_EQ(shownHeardList().records[3].callsign, "M3");
  EXPECT_EQ(shownHeardList().live.callsign, "M0");
  EXPECT_EQ(shownHeardList().liveMillis, 4242u);
  EXPECT_EQ(lastPoll, 0u);
  EXPECT_FALSE(nextFetchHeard);
  EXPECT_EQ(svxlinkHeard().count, 2);
  EXPECT_EQ(svxlinkHeard().live.callsign, "S0");
}

TEST(HeardListTest, WeatherSourceShowsTheHotspotListAndLive) {
  cfg.weatherEnabled = true;
  currentWatchSource = WATCH_MMDVM;
  currentPage = PAGE_LAST;
  fillActive(3, "M");
  setCurrentWatchSource(WATCH_WEATHER);
  EXPECT_EQ(currentWatchSource, WATCH_WEATHER);
  EXPECT_EQ(shownHeardList().count, 3);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  EXPECT_EQ(&shownHeardList(), &hotspotHeard());
}

TEST(HeardListTest, UnavailableSourceFallsBackToMmdvm) {
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "";
  currentWatchSource = WATCH_MMDVM;
  fillActive(3, "M");
  setCurrentWatchSource(WATCH_APRS);
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(shownHeardList().count, 3);  // nothing is copied in or out
  setCurrentWatchSource(99);
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
}

TEST(HeardListTest, AListNotShownIsClearedWithoutRewindingTheHeardPage) {
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "svx.local";
  fillActive(3, "M");
  setCurrentWatchSource(WATCH_SVXLINK);
  lastHeardPageIndex = 1;
  clearHeardList(hotspotHeard());
  EXPECT_EQ(hotspotHeard().count, 0);
  EXPECT_EQ(lastHeardPageIndex, 1);
  clearHeard();  // the node's list, shown
  EXPECT_EQ(lastHeardPageIndex, 0);
}

// Text helpers

TEST(HeardTextTest, NormalizeModeName) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {" d_star ", "DSTAR"},
      {"D-Star", "DSTAR"},
      {"dstar", "DSTAR"},
      {"DMR Slot 2", "DMR"},
      {"System fusion", "YSF"},
      {"C4FM", "YSF"},
      {"ysf", "YSF"},
      {"p25", "P25"},
      {"NXDN", "NXDN"},
      {"pocsag", "POCSAG"},
      {"svx link", "SVXLINK"},
      {"SVX_LINK", "SVXLINK"},
      {"SvxLink", "SVXLINK"},
      {"  m17   fm ", "M17 FM"},
      {"", ""},
  };
  for (const Case& c : cases) {
    String text(c.in);
    EXPECT_EQ(normalizeModeName(text), c.out) << c.in;
  }
  String arg(" d_star  x");
  normalizeModeName(arg);
  EXPECT_EQ(arg, "D-STAR X");
}

TEST(HeardTextTest, FirstNonEmpty) {
  EXPECT_EQ(firstNonEmpty(String(" "), String(""), String(" b "), String("c"), String(), String()), "b");
  EXPECT_EQ(firstNonEmpty(String(), String(), String(), String(), String(), String(" f ")), "f");
  EXPECT_EQ(firstNonEmpty(String(), String(), String(), String(), String(), String("  ")), "");
}

TEST(HeardTextTest, BuildOperatorName) {
  EXPECT_EQ(buildOperatorName(String(" Ann "), String(" Lee ")), "Ann Lee");
  EXPECT_EQ(buildOperatorName(String("Ann"), String("")), "Ann");
  EXPECT_EQ(buildOperatorName(String(""), String("Lee")), "Lee");
  EXPECT_EQ(buildOperatorName(String(" "), String(" ")), "");
}

TEST(HeardTextTest, TrimSafeLeavesTheArgument) {
  String text(" \tx y\r\n");
  EXPECT_EQ(trimSafe(text), "x y");
  EXPECT_EQ(text, " \tx y\r\n");
}

TEST(HeardTextTest, DeviceCallsignFallsBackToTheBuiltInOne) {
  cfg.deviceCallsign = " DL1ABC ";
  EXPECT_EQ(getDeviceCallsign(), "DL1ABC");
  cfg.deviceCallsign = "  ";
  EXPECT_EQ(getDeviceCallsign(), DEVICE_CALLSIGN);
}

TEST(HeardTextTest, ModeColour) {
  setDefaultTheme();
  ASSERT_NE(theme.good, theme.bad);
  ASSERT_NE(theme.warn, theme.border);
  ModeStatus unknown, on{true, true}, off{true, false};
  EXPECT_EQ(modeColor(on, true), theme.warn);
  EXPECT_EQ(modeColor(unknown, false), theme.border);
  EXPECT_EQ(modeColor(on, false), theme.good);
  EXPECT_EQ(modeColor(off, false), theme.bad);
}

// The HEARD page: visible list, filter and sort order, paging, and golden
// frames of a filled and an empty page.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/ui_test_env.h"
#include "ui/heard_page.h"
#include "ui/page_frame.h"

namespace {

HeardRecord makeRecord(const char* call, const char* mode, const char* time, const char* target = "TG 262") {
  HeardRecord r;
  r.callsign = call;
  r.mode = mode;
  r.timeUtc = time;
  r.target = target;
  r.valid = true;
  return r;
}

void setList(const std::vector<HeardRecord>& records) {
  for (int i = 0; i < MAX_HEARD; ++i) shownHeardList().records[i] = HeardRecord();
  shownHeardList().count = (int)records.size();
  for (size_t i = 0; i < records.size() && i < (size_t)MAX_HEARD; ++i)
    shownHeardList().records[i] = records[i];
}

std::vector<int> visible() {
  int idx[MAX_HEARD];
  const int n = buildLastHeardVisibleIndices(idx, MAX_HEARD);
  return std::vector<int>(idx, idx + n);
}

class HeardPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lastHeardFilter = LAST_HEARD_FILTER_ALL;
    lastHeardSort = LAST_HEARD_SORT_NEWEST;
    lastHeardPageIndex = 0;
    setList({});
  }
};

TEST_F(HeardPageTest, Labels) {
  EXPECT_STREQ("ALL", getLastHeardFilterLabel());
  lastHeardFilter = LAST_HEARD_FILTER_POCSAG;
  EXPECT_STREQ("POCSAG", getLastHeardFilterLabel());
  lastHeardFilter = (LastHeardFilter)42;
  EXPECT_STREQ("ALL", getLastHeardFilterLabel());
  lastHeardSort = LAST_HEARD_SORT_CALLSIGN;
  EXPECT_STREQ("CALL", getLastHeardSortLabel());
  lastHeardSort = (LastHeardSort)-3;
  EXPECT_STREQ("NEWEST", getLastHeardSortLabel());
}

TEST_F(HeardPageTest, FilterUsesNormalisedMode) {
  setList({makeRecord("A1", "D-Star", "1"), makeRecord("B2", "DMR", "2"), makeRecord("C3", "Fusion", "3")});
  lastHeardFilter = LAST_HEARD_FILTER_DSTAR;
  EXPECT_EQ(std::vector<int>({0}), visible());
  lastHeardFilter = LAST_HEARD_FILTER_YSF;
  EXPECT_EQ(std::vector<int>({2}), visible());
}

TEST_F(HeardPageTest, TwelveDmrRecordsFilteredToP25LeaveNothing) {
  std::vector<HeardRecord> list;
  for (int i = 0; i < 12; ++i) list.push_back(makeRecord("DL1ABC", "DMR", "x"));
  setList(list);
  lastHeardFilter = LAST_HEARD_FILTER_P25;
  EXPECT_TRUE(visible().empty());
  EXPECT_EQ(0, lastHeardPageCount(0));
}

TEST_F(HeardPageTest, CallSortKeepsCaseTwinsInTimeOrder) {
  setList({makeRecord("dl1abc", "DMR", "2025-12-08 14:31"), makeRecord("PA3X", "DMR", "2025-12-08 14:30"),
           makeRecord("DL1ABC", "DMR", "2025-12-08 14:29"), makeRecord("AB1C", "YSF", "2025-12-08 14:28")});
  lastHeardSort = LAST_HEARD_SORT_CALLSIGN;
  EXPECT_EQ(std::vector<int>({3, 2, 0, 1}), visible());
}

TEST_F(HeardPageTest, ModeSortThenCallsign) {
  setList({makeRecord("ZZ9", "YSF", "1"), makeRecord("BB2", "DMR", "2"), makeRecord("AA1", "YSF", "3"),
           makeRecord("CC3", "D-Star", "4")});
  lastHeardSort = LAST_HEARD_SORT_MODE;
  EXPECT_EQ(std::vector<int>({1, 3, 2, 0}), visible());
}

TEST_F(HeardPageTest, CompareIsCaseInsensitiveAndBytewise) {
  EXPECT_EQ(0, compareLastHeardField("abc", "ABC"));
  EXPECT_LT(compareLastHeardField("AB", "ABC"), 0);
  EXPECT_GT(compareLastHeardField("b", "A"), 0);
  EXPECT_GT(compareLastHeardField("\xc3", "Z"), 0);
}

TEST_F(HeardPageTest, PageIsClampedWhenTheListShrinks) {
  std::vector<HeardRecord> list;
  for (int i = 0; i < 10; ++i) list.push_back(makeRecord("DL1ABC", i < 5 ? "DMR" : "YSF", "x"));
  setList(list);
  lastHeardPageIndex = 2;
  normalizeLastHeardBrowseState();
  EXPECT_EQ(2, lastHeardPageIndex);
  lastHeardFilter = LAST_HEARD_FILTER_DMR;
  normalizeLastHeardBrowseState();
  EXPECT_EQ(1, lastHeardPageIndex);
  lastHeardPageIndex = -4;
  normalizeSvxlinkHeardBrowseState();
  EXPECT_EQ(0, lastHeardPageIndex);
}

TEST_F(HeardPageTest, MissingOutputGivesNothing) {
  setList({makeRecord("DL1ABC", "DMR", "x")});
  EXPECT_EQ(0, buildLastHeardVisibleIndices(nullptr, 4));
  int idx[1];
  EXPECT_EQ(0, buildLastHeardVisibleIndices(idx, 0));
}

TEST_F(HeardPageTest, TimeColumnDropsTheDate) {
  EXPECT_EQ(String("14:30"), lastHeardTimeText("2025-12-08 14:30"));
  EXPECT_EQ(String("14:30~"), lastHeardTimeText("2025-12-08 14:30:15"));
  EXPECT_EQ(String("14:30"), lastHeardTimeText("14:30"));
  EXPECT_EQ(String(""), lastHeardTimeText(""));
}

// Golden frames
class HeardPageFrameTest : public HeardPageTest {
 protected:
  void SetUp() override {
    HeardPageTest::SetUp();
    useHotspotOnlyUiSetup();
    currentPage = PAGE_LAST;
    setupRequired = apModeActive = false;
    setUiTimeOverride(1765204200);
    if (!openDrawingTestScreen("Desktop: http://127.0.0.1/", 0))
      GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override { setUiTimeOverride(0); }
};

TEST_F(HeardPageFrameTest, FilledPageMatchesGolden) {
  setList({makeRecord("DL1ABC", "DMR", "2025-12-08 14:29:58", "TG 262"),
           makeRecord("pa3xyz-7", "DSTAR", "2025-12-08 14:28", "REF001 C"),
           makeRecord("W1AW", "YSF", "2025-12-08 14:27", "AMERICA-LINK"),
           makeRecord("G4KLX", "P25", "2025-12-08 14:26", "10200"),
           makeRecord("VK2ABC", "NXDN", "2025-12-08 14:25", "65000")});
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("heard_page", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(HeardPageFrameTest, EmptyPageSaysNoTraffic) {
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("heard_page_empty", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(HeardPageFrameTest, SecondPageGreysNext) {
  std::vector<HeardRecord> list;
  for (int i = 0; i < 5; ++i) list.push_back(makeRecord("DL1ABC", "DMR", "x"));
  setList(list);
  lastHeardPageIndex = 1;
  redrawCurrentPage(true);
  std::vector<uint32_t> f = readFrame();
  // ">" in subtext on the last page, "<" in text.
  EXPECT_GT(countPixels(f, 705, 152, 60, 40, rgbOf565(theme.subtext)), 0);
  EXPECT_GT(countPixels(f, 35, 152, 60, 40, rgbOf565(theme.text)), 0);
  // One row on page 2: nothing drawn where row 1 would be.
  EXPECT_EQ(0, countPixels(f, 35, 264, 730, 48, rgbOf565(theme.panel2)));
}

}  // namespace

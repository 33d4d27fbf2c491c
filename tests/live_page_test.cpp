// The LIVE page: a golden frame for a fixed heard record and clock, pixel
// checks of the idle page, and the frequency-box and signal-meter tables.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/ui_test_env.h"
#include "ui/draw.h"
#include "ui/live_page.h"
#include "ui/page_frame.h"
#include "ui/popups.h"

namespace {

const uint32_t NOW_MS = 100000;
const time_t FIXED_EPOCH = 1765204200;  // 08 Dec 2025 14:30 UTC

// A 32 x 32 flag in three horizontal bands (black, red, gold), top to bottom.
GoldenImage stripedFlag() {
  const uint32_t bands[3] = {0x000000, 0xDD0000, 0xFFCE00};
  GoldenImage flag;
  flag.width = flag.height = 32;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) flag.pixels.push_back(bands[y * 3 / 32]);
  }
  return flag;
}

class LivePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    cfg.callsignHoldMs = 10000;
    cfg.scrollingTextEnabled = true;
    for (auto& slot : cfg.quickActions) slot = QuickActionSlotConfig();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = makeTempDir("/tmp/qsodeck_card_");
    ASSERT_FALSE(root_.empty()) << info->name();
    mkdir((root_ + "/flags").c_str(), 0755);
    SD.setRoot(root_.c_str());
    ASSERT_TRUE(write24Bmp(root_ + "/flags/de.bmp", stripedFlag()));
    setDrawingTestClocks(NOW_MS, FIXED_EPOCH);
    currentPage = PAGE_LIVE;
    hotspotStatusText = "";
    hotspotRxFreq = "";
    hotspotTxFreq = "";
    currentRxFreq = "";
    currentTxFreq = "";
    shownHeardList().live = HeardRecord();
    clearDmrTimeslotLiveRecords();
    closeDetailPopup();
    setFooterText("Desktop: http://127.0.0.1/", false);
    ready_ = initOffscreenDisplay();
    if (!ready_) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(0);
  }
  void TearDown() override {
    clearDrawingTestClocks();
    removeTempDir(root_);
  }

  static void setMode(ModeStatus& m, bool known, bool enabled) {
    m.known = known;
    m.enabled = enabled;
  }

  void useFixedLiveRecord() {
    HeardRecord rec;
    rec.callsign = "DL1ABC";
    rec.name = "Hans";
    rec.mode = "DMR";
    rec.target = "TG 262";
    rec.timeslot = "2";
    rec.rssi = "-75";
    rec.ber = "0.4";
    rec.loss = "1%";
    rec.src = "RF";
    rec.valid = true;
    shownHeardList().live = rec;
    shownHeardList().liveMillis = NOW_MS - 1000;
    setMode(modeDMR, true, true);
    setMode(modeDSTAR, true, false);
    setMode(modeYSF, true, true);
    setMode(modeP25, false, false);
    setMode(modeNXDN, true, false);
    setMode(modePOCSAG, false, false);
    hotspotRxFreq = "439.1125";
    hotspotTxFreq = "434.5125";
  }

  std::string root_;
  bool ready_ = false;
};

// Golden frame
TEST_F(LivePageTest, LivePageMatchesGoldenFrame) {
  useFixedLiveRecord();
  ASSERT_TRUE(isLiveActive());
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("live_page", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(LivePageTest, LivePageShowsFlagOfTheCaller) {
  useFixedLiveRecord();
  redrawCurrentPage(true);
  // Flag box (60, 217, 80 x 64): the 32 x 32 flag at (84, 233) plus 8 px.
  EXPECT_EQ(rgbOf565(rgb888To565(0, 0, 0)), framePixel(100, 242));
  EXPECT_EQ(rgbOf565(rgb888To565(221, 0, 0)), framePixel(100, 256));
  EXPECT_EQ(rgbOf565(rgb888To565(255, 206, 0)), framePixel(123, 272));
}

// Idle page
TEST_F(LivePageTest, IdlePageShowsDashesAndStateColours) {
  setMode(modeDMR, true, true);
  setMode(modeDSTAR, true, false);
  setMode(modeYSF, false, false);
  redrawCurrentPage(true);
  std::vector<uint32_t> frame = readFrame();
  const uint32_t text = rgbOf565(theme.text);
  // Caller line "-" in font 4 (15 x 3) at the middle-left of (170, 264).
  EXPECT_EQ(45, countPixels(frame, 170, 250, 200, 30, text));
  // The three strips show "-" (10 x 2 in font 2), right-aligned 13 px inside.
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(20, countPixels(frame, 700, 100 + 32 * k, 62, 26, text)) << "strip " << k;
  }
  // Mode labels: DMR enabled (good), DSTAR disabled (bad), YSF unknown (border).
  EXPECT_GT(countPixels(frame, 25, 76, 175, 40, rgbOf565(theme.good)), 0);
  EXPECT_GT(countPixels(frame, 215, 76, 175, 40, rgbOf565(theme.bad)), 0);
  EXPECT_EQ(0, countPixels(frame, 25, 124, 175, 40, rgbOf565(theme.warn)));
}

TEST_F(LivePageTest, WeakSignalRssiFitsItsStripWhole) {
  // "-120 dBm" (8 glyphs, 96 px in font 2) ends 13 px inside the strip at
  // x 742 and starts at 646, clear of the "RSSI" label (618..641).
  useFixedLiveRecord();
  shownHeardList().live.rssi = "-120";
  redrawCurrentPage(true);
  std::vector<uint32_t> frame = readFrame();
  const uint32_t text = rgbOf565(theme.text);
  // The minus sign of the first glyph: a 10 x 2 bar on rows 6..7 of the cell (top 106).
  EXPECT_EQ(20, countPixels(frame, 646, 112, 12, 2, text));
  // The last glyph is "M" (ink on its top row), not a cut-off "~".
  EXPECT_GT(countPixels(frame, 730, 106, 12, 2, text), 0);
  // Nothing of the value reaches into the label.
  EXPECT_EQ(0, countPixels(frame, 605, 100, 41, 26, text));
}

TEST_F(LivePageTest, OverlongMetricIsCutBeforeTheLabel) {
  useFixedLiveRecord();
  shownHeardList().live.rssi = "-120.123456789 dBm";
  shownHeardList().live.ber = "0.123456789012345";
  redrawCurrentPage(true);
  std::vector<uint32_t> frame = readFrame();
  const uint32_t text = rgbOf565(theme.text);
  for (int k = 0; k < 2; ++k) {
    // Labels end by x 642; the cut value keeps at least 4 px away.
    EXPECT_EQ(0, countPixels(frame, 605, 100 + 32 * k, 41, 26, text)) << "strip " << k;
    // The cut ends in "~" (its top row is empty) right at x 742.
    EXPECT_EQ(0, countPixels(frame, 730, 106 + 32 * k, 12, 2, text)) << "strip " << k;
    EXPECT_GT(countPixels(frame, 730, 110 + 32 * k, 12, 4, text), 0) << "strip " << k;
  }
}

TEST_F(LivePageTest, EmptyFrequenciesShowFallbacks) {
  redrawCurrentPage(true);
  std::vector<uint32_t> frame = readFrame();
  const uint32_t good = rgbOf565(theme.good);
  // "430.800.000" (11 glyphs) from x 100 in the TX box, likewise RX at 590.
  EXPECT_GT(countPixels(frame, 100, 397, 132, 14, good), 40);
  EXPECT_EQ(0, countPixels(frame, 232, 397, 30, 14, good));
  EXPECT_GT(countPixels(frame, 590, 397, 132, 14, good), 40);
}

TEST_F(LivePageTest, WpsdBackendShowsAuto) {
  cfg.backend = "wpsd";
  EXPECT_EQ(String("Auto"), formatFrequencyForBox("Auto", true));
  redrawCurrentPage(true);
  std::vector<uint32_t> frame = readFrame();
  // "Auto" is four glyphs: nothing green beyond x 100 + 48.
  EXPECT_GT(countPixels(frame, 100, 397, 48, 14, rgbOf565(theme.good)), 0);
  EXPECT_EQ(0, countPixels(frame, 148, 397, 100, 14, rgbOf565(theme.good)));
}

TEST_F(LivePageTest, DmrTimeslotPanelReplacesInfoPanel) {
  useFixedLiveRecord();
  HeardRecord ts1 = shownHeardList().live;
  ts1.callsign = "PA3XYZ";
  ts1.timeslot = "1";
  noteDmrTimeslotLiveRecord(1, ts1);
  noteDmrTimeslotLiveRecord(2, shownHeardList().live);
  ASSERT_TRUE(shouldShowDmrTimeslotLivePanel());
  redrawCurrentPage(true);
  // Active rows are outlined in warn: slot 1 at (40, 232), slot 2 at (40, 296).
  EXPECT_EQ(rgbOf565(theme.warn), framePixel(40, 232));
  EXPECT_EQ(rgbOf565(theme.warn), framePixel(40, 296));
}

TEST_F(LivePageTest, LivePageTextsSitInTheirBoxes) {
  useFixedLiveRecord();
  redrawCurrentPage(true);
  const uint16_t p2 = theme.panel2;
  // Caller line in font 4, middle-left at (170, 264), warn while on air.
  EXPECT_TRUE(frameShowsText("DL1ABC - Hans", 170, 264, 4, ML_DATUM, theme.warn, p2));
  // Status and target boxes: value at x + 20 on the centre line 328.
  EXPECT_TRUE(frameShowsText("Mode: DMR TS2", 65, 328, 2, ML_DATUM, theme.good, p2));
  EXPECT_TRUE(frameShowsText("TG 262 Germany", 427, 328, 2, ML_DATUM, theme.text, p2));
  // Frequency boxes: label at x + 20, value at x + 75, centre line 404.
  EXPECT_TRUE(frameShowsText("TX", 45, 404, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("434.512.500", 100, 404, 2, ML_DATUM, theme.good, p2));
  EXPECT_TRUE(frameShowsText("RX", 535, 404, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("439.112.500", 590, 404, 2, ML_DATUM, theme.good, p2));
  // Launcher without configured actions: subtext, centred.
  EXPECT_TRUE(frameShowsText("ACTIONS", 400, 404, 2, MC_DATUM, theme.subtext, p2));
  // Meter: title and strip labels in font 1, values right-aligned at x 742.
  EXPECT_TRUE(frameShowsText("QUALITY", 510, 104, 1, MC_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("RSSI", 618, 113, 1, ML_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("-75 dBm", 742, 113, 2, MR_DATUM, theme.text, theme.panel));
  EXPECT_TRUE(frameShowsText("BER", 618, 145, 1, ML_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("0.4%", 742, 145, 2, MR_DATUM, theme.text, theme.panel));
  EXPECT_TRUE(frameShowsText("LOSS", 618, 177, 1, ML_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("1%", 742, 177, 2, MR_DATUM, theme.text, theme.panel));
  // Mode buttons: the on-air mode in warn, the others by their state.
  EXPECT_TRUE(frameShowsText("DMR", 112, 96, 2, MC_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("DSTAR", 302, 96, 2, MC_DATUM, theme.bad, p2));
  EXPECT_TRUE(frameShowsText("YSF", 112, 144, 2, MC_DATUM, theme.good, p2));
  EXPECT_TRUE(frameShowsText("P25", 302, 144, 2, MC_DATUM, theme.border, p2));
  EXPECT_FALSE(frameShowsText("P25", 302, 144, 2, MC_DATUM, theme.good, p2));
}

TEST_F(LivePageTest, DmrTimeslotRowsShowCutCallsignsAndTargets) {
  useFixedLiveRecord();
  HeardRecord ts1 = shownHeardList().live;
  ts1.callsign = "PA3XYZABCDEFGH";
  ts1.timeslot = "1";
  ts1.target = "TG 91";
  ts1.targetName = "World-Wide Extra Long Name";
  noteDmrTimeslotLiveRecord(1, ts1);
  noteDmrTimeslotLiveRecord(2, shownHeardList().live);
  redrawCurrentPage(true);
  const uint16_t fill = mix565(theme.panel2, theme.live, 0.12f);
  // Row 1 centre line 260, row 2 centre line 324; texts at x 60, 155 and 395.
  EXPECT_TRUE(frameShowsText("TS1", 60, 260, 2, ML_DATUM, theme.warn, fill));
  EXPECT_TRUE(frameShowsText("PA3XYZABCD~", 155, 260, 2, ML_DATUM, theme.text, fill));
  EXPECT_TRUE(frameShowsText("TG 91 World-Wi~", 395, 260, 2, ML_DATUM, theme.good, fill));
  EXPECT_TRUE(frameShowsText("TS2", 60, 324, 2, ML_DATUM, theme.warn, fill));
  EXPECT_TRUE(frameShowsText("DL1ABC", 155, 324, 2, ML_DATUM, theme.text, fill));
  EXPECT_TRUE(frameShowsText("TG 262 Germany", 395, 324, 2, ML_DATUM, theme.good, fill));
}

// Marquee repaint
TEST_F(LivePageTest, MarqueeRepaintOnlyOnPlainLivePage) {
  EXPECT_TRUE(redrawMmdvmLiveScrollingTextAreas());
  detailPopupOpen = true;
  EXPECT_FALSE(redrawMmdvmLiveScrollingTextAreas());
  detailPopupOpen = false;
  currentPage = PAGE_INFO;
  EXPECT_FALSE(redrawMmdvmLiveScrollingTextAreas());
  EXPECT_FALSE(redrawScrollingTextAreasForCurrentPage());
}

TEST_F(LivePageTest, MarqueeRepaintScrollsLongTarget) {
  useFixedLiveRecord();
  shownHeardList().live.target = "TG 2627 Very Long Talkgroup Name That Scrolls";
  redrawCurrentPage(true);
  EXPECT_TRUE(scrollingTextActiveFrame);
  const std::vector<uint32_t> before = readFrame();
  scrollingTextActiveFrame = false;
  desktopSetTestClock(NOW_MS + SCROLL_TEXT_STEP_MS);
  ASSERT_TRUE(redrawMmdvmLiveScrollingTextAreas());
  EXPECT_TRUE(scrollingTextActiveFrame);
  const std::vector<uint32_t> after = readFrame();
  int changedInTarget = 0, changedElsewhere = 0;
  for (int y = 0; y < SCREEN_H; ++y) {
    for (int x = 0; x < SCREEN_W; ++x) {
      if (before[(size_t)y * SCREEN_W + x] == after[(size_t)y * SCREEN_W + x]) continue;
      if (x >= 407 && x < 755 && y >= 304 && y < 352) {
        ++changedInTarget;
      } else {
        ++changedElsewhere;
      }
    }
  }
  EXPECT_GT(changedInTarget, 0);
  EXPECT_EQ(0, changedElsewhere);
}

TEST_F(LivePageTest, PartialAndFullRepaintShowTheSameFrame) {
  useFixedLiveRecord();
  shownHeardList().live.target = "TG 2627 Very Long Talkgroup Name That Scrolls";
  hotspotStatusText = "A status line long enough to scroll in its box as well";
  desktopSetTestClock(NOW_MS + 7 * SCROLL_TEXT_STEP_MS);
  redrawCurrentPage(true);
  const std::vector<uint32_t> full = readFrame();
  desktopSetTestClock(NOW_MS);
  redrawCurrentPage(true);
  desktopSetTestClock(NOW_MS + 7 * SCROLL_TEXT_STEP_MS);
  ASSERT_TRUE(redrawMmdvmLiveScrollingTextAreas());
  EXPECT_TRUE(full == readFrame());
}

// Frequency box table
struct FreqCase {
  const char* input;
  const char* full;
  const char* shortForm;
};

TEST(FrequencyBox, FormatsTable) {
  const FreqCase cases[] = {
      // Seen in real answers
      {"438.8", "438.800.000", "438.8000"},
      {"439,1125 MHz", "439.112.500", "439.1125"},
      {"438.8000", "438.800.000", "438.8000"},
      {"430.8000", "430.800.000", "430.8000"},
      {"145.6125MHz", "145.612.500", "145.6125"},
      {"438800000", "438.800.000", "438.8000"},
      {"438800", "438.800.000", "438.8000"},
      {"145", "145", "145"},
      {"Auto", "Auto", "Auto"},
      // Bands with other than three whole MHz digits keep their text
      {"1296.200", "1296.200", "1296.200"},
      {"50.5200", "50.5200", "50.5200"},
      {"28.5000", "28.5000", "28.5000"},
      {"1296200000", "1296200000", "12962000"},
      // Edge cases
      {"", "", ""},
      {"  ", "", ""},
      {"43880", "43880", "43880"},
      {"438.8.5", "438.850.000", "438.8500"},
      {"438.", "438.000.000", "438.0000"},
      // Hostile
      {"438.8abc", "438.8abc", "438.8abc"},
      {"-438.8", "-438.8", "-438.8"},
      {".4388000", ".4388000", ".4388000"},
  };
  for (const FreqCase& c : cases) {
    EXPECT_EQ(String(c.full), formatFrequencyForBox(c.input, true)) << c.input;
    EXPECT_EQ(String(c.shortForm), formatFrequencyForBox(c.input, false)) << c.input;
  }
}

TEST(FrequencyBox, HzDigits) {
  EXPECT_EQ(String("438800000"), frequencyDigitsHzForDisplay(" 438,8 mhz "));
  EXPECT_EQ(String("439112512"), frequencyDigitsHzForDisplay("439.1125123"));
  EXPECT_EQ(String(""), frequencyDigitsHzForDisplay("1296.2"));
  EXPECT_EQ(String(""), frequencyDigitsHzForDisplay("12345"));
  EXPECT_EQ(String(""), frequencyDigitsHzForDisplay("4388000001"));
  EXPECT_TRUE(displayCanShowFullFrequency());
}

// Signal meter table
TEST(SignalMeter, LevelTable) {
  HeardRecord rec;
  EXPECT_EQ(1, signalMeterLevel(false, &rec));
  EXPECT_EQ(8, signalMeterLevel(true, nullptr));
  struct {
    const char* rssi;
    int level;
  } cases[] = {
      {"", 8},
      {"   ", 8},
      {"-75", 8},
      {"-75 dBm", 8},
      {"-130", 0},
      {"-100", 4},
      {"-70", 9},
      {"0", 9},
      {"S9 (-73 dBm)", 8},
      {"nan", 8},
      {"-200", 0},
      {"-20", 9},
      // Hostile: huge numbers are clamped before mapping; numbers beyond
      // the 32-bit range read as no number at all
      {"2147483647", 9},
      {"-2147483648", 0},
      {"-2147483000 dBm", 0},
      {"9223372036854775807", 8},
      {"-9223372036854775808", 8},
      {"99999999999999999999999", 8},
  };
  for (const auto& c : cases) {
    rec.rssi = c.rssi;
    EXPECT_EQ(c.level, signalMeterLevel(true, &rec)) << c.rssi;
  }
}

TEST(SignalMeter, ValueTexts) {
  EXPECT_EQ(String("-75 dBm"), compactRssiValue("-75 dBm"));
  EXPECT_EQ(String("-73 dBm"), compactRssiValue("S9 (-73 dBm)"));
  EXPECT_EQ(String("-80 dBm"), compactRssiValue("-80"));
  EXPECT_EQ(String("-"), compactRssiValue("nan"));
  EXPECT_EQ(String("-"), compactRssiValue(" NULL "));
  EXPECT_EQ(String("-"), compactRssiValue(""));
  EXPECT_EQ(String("S9 (strong) dBm"), compactRssiValue("S9 (strong)"));
  EXPECT_EQ(String("0.4%"), prettyMetricValue("0.4", "%", false));
  EXPECT_EQ(String("0.4%"), prettyMetricValue(" 0.4% ", "%", false));
  EXPECT_EQ(String("1%"), prettyMetricValue("1%", "%", true));
  EXPECT_EQ(String("12"), prettyMetricValue("1%2", "", false));
  EXPECT_EQ(String("-"), prettyMetricValue("N/A", "%", false));
}

}  // namespace

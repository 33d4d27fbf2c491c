// The SvxLink pages: golden frames of the node page while transmitting,
// receiving (with the APRS button and configured actions), listening with no
// traffic yet and with the reflector down, and of the SVXLINK HEARD page;
// the state colours, the texts of an empty list, the marquee strips and the
// taps (ACTIONS launcher with the SvxLink presets, APRS popup, heard rows).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "hotspot/heard_browse.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "watch/aprs/aprs.h"
#include "watch/svxlink/svxlink.h"
#include "watch/svxlink/svxlink_page.h"

namespace {

const uint32_t NOW_MS = 200000;
const time_t FIXED_EPOCH = 1765227880;  // 08 Dec 2025 21:04:40 UTC

// A 32 x 32 flag in two halves (white over red).
GoldenImage halvedFlag() {
  GoldenImage flag;
  flag.width = flag.height = 32;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) flag.pixels.push_back(y < 16 ? 0xFFFFFF : 0xDC143C);
  }
  return flag;
}

HeardRecord talker(const char* call, const char* tg, const char* name, const char* time) {
  HeardRecord r;
  r.callsign = call;
  r.mode = "SVXLink";
  r.target = tg;
  r.targetName = name;
  r.timeUtc = time;
  r.src = "SVXRef";
  r.valid = true;
  return r;
}

class SvxlinkPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    cfg.svxlinkEnabled = true;
    cfg.svxlinkHost = "http://svx-node.local:8080/";
    cfg.deviceCallsign = "SP2XYZ";
    cfg.scrollingTextEnabled = true;
    cfg.radioIdLookupEnabled = false;
    for (auto& slot : cfg.svxlinkActions) slot = QuickActionSlotConfig();
    setCurrentWatchSource(WATCH_SVXLINK);
    root_ = makeTempDir("/tmp/qsodeck_svx_page_");
    ASSERT_FALSE(root_.empty());
    mkdir((root_ + "/flags").c_str(), 0755);
    SD.setRoot(root_.c_str());
    ASSERT_TRUE(write24Bmp(root_ + "/flags/pl.bmp", halvedFlag()));
    setDrawingTestClocks(NOW_MS, FIXED_EPOCH);
    setupRequired = apModeActive = false;
    currentPage = PAGE_LIVE;
    if (!openDrawingTestScreen("SVXLink dashboard OK", 0)) GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override {
    clearDrawingTestClocks();
    removeTempDir(root_);
  }

  // The node of the real dashboard while SR2TO talks on TG 260.
  void useTransmittingNode() {
    svxlinkRadioStatus = "TX";
    svxlinkReflectorStatus = "Connected";
    svxlinkDefaultTg = "260";
    svxlinkMonitorTgs = "260 26021++ 235 2350";
    svxlinkActiveTg = "260";
    HeardRecord list[5] = {talker("SR2TO", "TG 260", "FM Ogólnopolski", "21:04:40 08 Dec"),
                           talker("SR2TO", "TG 26021", "FM SR2TO Toruń", "20:58:39 08 Dec"),
                           talker("G7XYZ", "TG 235", "FM United Kingdom", "20:44:38 08 Dec"),
                           talker("SR6W", "TG 26062", "FM SR6W Wałbrzych", "19:20:41 08 Dec"),
                           talker("SR4X", "TG 26043", "FM SR4X Białystok", "19:03:20 08 Dec")};
    list[0].name = "Tomasz";
    svxApplyParsedHeardList(list, 5, "SVXLink dashboard OK");
  }

  static void frameMatches(const char* name) { expectCurrentPageMatchesGolden(name); }

  std::string root_;
};

// ---------------------------------------------------------------- golden frames

TEST_F(SvxlinkPageTest, TransmittingNodeMatchesGolden) {
  useTransmittingNode();
  frameMatches("svxlink_node_tx");
  // The radio state in the TX colour; the caller line in warn.
  std::vector<uint32_t> frame = readFrame();
  EXPECT_GT(countPixels(frame, 20, 156, 365, 40, rgbOf565(theme.tx)), 20);
  EXPECT_TRUE(frameShowsText("TX", 203, 180, 2, MC_DATUM, theme.tx, theme.panel));
  EXPECT_TRUE(frameShowsText("Host: svx-node.local:8080", 45, 98, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("Connected", 598, 180, 2, MC_DATUM, theme.good, theme.panel));
}

TEST_F(SvxlinkPageTest, ReceivingNodeWithAprsStationAndActionsMatchesGolden) {
  useTransmittingNode();
  svxlinkRadioStatus = "RX";
  cfg.svxlinkActions[0].enabled = true;
  cfg.svxlinkActions[0].label = "Parrot";
  cfg.svxlinkActions[0].command = "echo '*9#' > /tmp/dtmf_svx";
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "k";
  aprsState.valid = true;
  aprsState.callsign = "SR2TO-9";
  ASSERT_TRUE(svxlinkAprsAlertVisible());
  frameMatches("svxlink_node_rx_aprs");
  std::vector<uint32_t> frame = readFrame();
  EXPECT_GT(countPixels(frame, 20, 156, 365, 40, rgbOf565(theme.rx)), 20);
  EXPECT_TRUE(frameShowsText("APRS", 490, 110, 2, MC_DATUM, theme.accent, theme.panel2));
  EXPECT_TRUE(frameShowsText("ACTIONS", 660, 110, 2, MC_DATUM, theme.good, theme.panel2));
  // With the APRS button the host is cut to 14 characters.
  EXPECT_TRUE(frameShowsText("Host: svx-node.loca~", 45, 98, 2, TL_DATUM, theme.subtext, theme.panel));
}

TEST_F(SvxlinkPageTest, ListeningNodeWithoutTrafficMatchesGolden) {
  svxlinkReflectorStatus = "No status";
  frameMatches("svxlink_node_listening");
  EXPECT_TRUE(frameShowsText("LISTEN", 203, 180, 2, MC_DATUM, theme.good, theme.panel));
  EXPECT_TRUE(frameShowsText("No status", 598, 180, 2, MC_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(
      frameShowsText("Waiting for SVXLink activity", 107, 308, 2, TL_DATUM, theme.subtext, theme.panel2));
  EXPECT_TRUE(frameShowsText("ACTIONS", 660, 110, 2, MC_DATUM, theme.subtext, theme.panel2));
}

TEST_F(SvxlinkPageTest, NodeWithReflectorDownMatchesGolden) {
  useTransmittingNode();
  svxlinkRadioStatus = "Listening";
  svxlinkReflectorStatus = "Not connected";
  svxlinkMonitorTgs = "240 2401 2402 2403 2404 2405 91 9990 262 2350";
  frameMatches("svxlink_node_not_connected");
  // A link that is down is no good news: drawn in the fault colour.
  std::vector<uint32_t> frame = readFrame();
  EXPECT_TRUE(frameShowsText("Not connected", 598, 180, 2, MC_DATUM, theme.bad, theme.panel));
  EXPECT_EQ(countPixels(frame, 415, 156, 365, 40, rgbOf565(theme.good)), 0);
}

TEST_F(SvxlinkPageTest, HeardPageMatchesGoldenAndPagesOnward) {
  useTransmittingNode();
  HeardRecord more[6];
  for (int i = 0; i < 5; ++i) more[i] = svxlinkHeard().records[i];
  more[5] = talker("DA6IT", "TG 47669", "", "2025-12-08 19:01:02");
  svxApplyParsedHeardList(more, 6, "SVXLink dashboard OK");
  currentPage = PAGE_LAST;
  frameMatches("svxlink_heard_page");
  EXPECT_TRUE(frameShowsText("Reflector: Connected", 40, 128, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("1/2", 620, 172, 2, MC_DATUM, theme.subtext, theme.panel2));
  // The second page: DA6IT with its talkgroup and the time of day.
  watchSourceRow(WATCH_SVXLINK).tapHeard(735, 172);
  EXPECT_EQ(lastHeardPageIndex, 1);
  redrawCurrentPage(true);
  const uint16_t odd = mix565(theme.panel2, theme.bg, 0.18f);
  EXPECT_TRUE(frameShowsText("SR4X", 50, 218, 2, TL_DATUM, theme.accent, theme.panel2));
  EXPECT_TRUE(frameShowsText("19:03:20", 595, 218, 2, TL_DATUM, theme.subtext, theme.panel2));
  EXPECT_TRUE(frameShowsText("DA6IT", 50, 274, 2, TL_DATUM, theme.accent, odd));
  EXPECT_TRUE(frameShowsText("19:01:02", 595, 274, 2, TL_DATUM, theme.subtext, odd));
  EXPECT_TRUE(frameShowsText("47669", 245, 274, 2, TL_DATUM, theme.warn, odd));
  EXPECT_TRUE(frameShowsText("2/2", 620, 172, 2, MC_DATUM, theme.subtext, theme.panel2));
  // A row opens its detail popup.
  watchSourceRow(WATCH_SVXLINK).tapHeard(300, 286);
  EXPECT_TRUE(detailPopupOpen);
  EXPECT_EQ(selectedHeardIndex, 5);
}

TEST_F(SvxlinkPageTest, EmptyHeardPageAndNoReflector) {
  currentPage = PAGE_LAST;
  redrawCurrentPage(true);
  EXPECT_TRUE(frameShowsText("No SVXLink traffic yet", 45, 236, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("Tap rows for details", 40, 128, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("SVXLINK", 322, 172, 2, MC_DATUM, theme.warn, theme.panel2));
  EXPECT_TRUE(frameShowsText("--", 620, 172, 2, MC_DATUM, theme.subtext, theme.panel2));
}

// ---------------------------------------------------------------- strips and taps

TEST_F(SvxlinkPageTest, MarqueeStripsRepaintOnlyTheirFields) {
  useTransmittingNode();
  svxlinkMonitorTgs = "240 2401 2402 2403 2404 2405 91 9990 262 2350 26021 26062";
  redrawCurrentPage(true);
  std::vector<uint32_t> before = readFrame();
  desktopSetTestClock(NOW_MS + 4000);
  ASSERT_TRUE(redrawSvxlinkLiveScrollingTextAreas());
  std::vector<uint32_t> after = readFrame();
  int changedInside = 0, changedOutside = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 800; ++x) {
      if (before[y * 800 + x] == after[y * 800 + x]) continue;
      const bool monitor = x >= 280 && x < 550 && y >= 381 && y < 415;
      const bool card = x >= 107 && x < 750 && y >= 308 && y < 332;
      (monitor || card ? changedInside : changedOutside)++;
    }
  }
  EXPECT_GT(changedInside, 0);  // the long monitor list moved on
  EXPECT_EQ(changedOutside, 0);
  // Other pages and open overlays need a full redraw.
  currentPage = PAGE_LAST;
  EXPECT_FALSE(redrawSvxlinkLiveScrollingTextAreas());
  EXPECT_TRUE(redrawSvxlinkHeardScrollingTextAreas());
  detailPopupOpen = true;
  selectedHeardIndex = 0;
  EXPECT_FALSE(redrawSvxlinkHeardScrollingTextAreas());
}

TEST_F(SvxlinkPageTest, ActionsAndAprsButtonsOpenTheirPopups) {
  useTransmittingNode();
  const WatchSourceRow& row = watchSourceRow(WATCH_SVXLINK);
  row.tapLive(660, 110);
  EXPECT_FALSE(quickActionPopupOpen);
  EXPECT_EQ(std::string(footerText.c_str()), "No SVXLink actions are configured yet.");
  cfg.svxlinkActions[2].enabled = true;
  cfg.svxlinkActions[2].label = "";
  cfg.svxlinkActions[2].command = "echo 9";
  cfg.svxlinkActions[1].enabled = true;
  cfg.svxlinkActions[1].label = "Reflector off";
  cfg.svxlinkActions[1].command = "echo '##' > /tmp/dtmf";
  row.tapLive(660, 110);
  EXPECT_TRUE(quickActionPopupOpen);
  EXPECT_TRUE(activeQuickActionIsSvxlink);
  redrawCurrentPage(true);
  EXPECT_TRUE(frameShowsText("Send DTMF / Preset", 399, 168, 2, MC_DATUM, theme.subtext, theme.panel2));
  EXPECT_TRUE(frameShowsText("Reflector off", 544, 204, 2, MC_DATUM, theme.good, theme.panel));
  quickActionPopupOpen = false;

  // The APRS button works only while it is shown.
  row.tapLive(490, 110);
  EXPECT_FALSE(aprsCommentPopupOpen);
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "k";
  aprsState.valid = true;
  aprsState.sourceCallsign = "SR2TO";
  row.tapLive(490, 110);
  EXPECT_TRUE(aprsCommentPopupOpen);
  EXPECT_EQ(selectedAprsNearbyIndex, -1);
}

}  // namespace

// The page frame: tabs, clock and date texts, uptime, watch-source chooser
// layout and swipes, the redraw bookkeeping and the status pages.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "hotspot/live_session.h"
#include "network/wifi.h"
#include "support/display_probe.h"
#include "core/web_server.h"
#include "support/golden_image.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "ui/popups.h"
#include "ui/screensaver.h"

namespace {

class PageFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    currentPage = PAGE_LIVE;
    setupRequired = apModeActive = screensaverActive = false;
    closeDetailPopup();
    watchSourcePopupOpen = modeConfirmPopupOpen = quickActionPopupOpen = false;
    setUiTimeOverride(1765204200);  // 08 Dec 2025 14:30:00 UTC
    desktopSetTestClock(1000);
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    tft.fillScreen(0);
  }
  void TearDown() override {
    setUiTimeOverride(0);
    desktopClearTestClock();
  }
  static void enableAllWatchSources() {
    cfg.svxlinkEnabled = true;
    cfg.svxlinkHost = "127.0.0.1";
    cfg.aprsEnabled = true;
    cfg.aprsApiKey = "key";
    cfg.weatherEnabled = true;
    cfg.hamqslEnabled = true;
    cfg.hamqslUrl = "http://127.0.0.1:1/solarxml.php";  // never the public service
    cfg.adsbEnabled = true;
    cfg.adsbHost = "127.0.0.1";
  }
};

// Texts
TEST_F(PageFrameTest, ClockAndDateTexts) {
  EXPECT_EQ(String("14:30"), getHeaderTimeText());
  EXPECT_EQ(String("14:30"), getDetailedClockText());
  EXPECT_EQ(String("08 Dec 2025"), getDateText());
}

TEST_F(PageFrameTest, UptimeTexts) {
  EXPECT_EQ(String("0m"), formatUptimeBriefMs(59999));
  EXPECT_EQ(String("7m"), formatUptimeBriefMs(7 * 60000ULL + 5));
  EXPECT_EQ(String("3h 12m"), formatUptimeBriefMs((3 * 60 + 12) * 60000ULL));
  EXPECT_EQ(String("2d 5h"), formatUptimeBriefMs(((2 * 24 + 5) * 60 + 59) * 60000ULL));
  // Past the 32-bit millisecond wrap (49.7 days) the uptime keeps counting.
  EXPECT_EQ(String("50d 0h"), formatUptimeBriefMs(50ULL * 86400000ULL));
  EXPECT_EQ(String("400d 0h"), formatUptimeBriefMs(400ULL * 86400000ULL));
  desktopClearTestClock();
  EXPECT_FALSE(formatUptimeBrief().isEmpty());
}

// Redraw bookkeeping
TEST_F(PageFrameTest, SameFooterTextTwiceDoesNothing) {
  setFooterText("WATCH: MMDVM", true);
  footerDirty = false;
  lastInteractionMillis = 0;
  desktopSetTestClock(5000);
  setFooterText("WATCH: MMDVM", true);
  EXPECT_FALSE(footerDirty);
  EXPECT_EQ(0u, lastInteractionMillis);
  setFooterText("WATCH: APRS", true);
  EXPECT_TRUE(footerDirty);
  EXPECT_EQ(5000u, lastInteractionMillis);
}

TEST_F(PageFrameTest, FooterTextChangeMarksFooterOnly) {
  uiDirty = footerDirty = false;
  setFooterText("Hello", false);
  EXPECT_TRUE(footerDirty);
  EXPECT_FALSE(uiDirty);
  requestRedraw();
  EXPECT_TRUE(uiDirty);
}

TEST_F(PageFrameTest, FullRenderRemembersWhatItDrew) {
  currentPage = PAGE_INFO;
  redrawCurrentPage(true);
  EXPECT_EQ((int)PAGE_INFO, lastRenderedPage);
  EXPECT_FALSE(lastDetailPopupState);
  setupRequired = true;
  currentPage = PAGE_LAST;
  redrawCurrentPage(false);
  EXPECT_EQ((int)PAGE_AP, lastRenderedPage);
  currentPage = PAGE_ABOUT;
  redrawCurrentPage(false);
  EXPECT_EQ((int)PAGE_ABOUT, lastRenderedPage);
}

TEST_F(PageFrameTest, PageChangeClearsTheBody) {
  currentPage = PAGE_ABOUT;
  redrawCurrentPage(true);
  tft.fillRect(10, 440 - 20, 4, 4, 0xF800);  // body pixel outside the ABOUT card
  currentPage = PAGE_STATUS;
  redrawCurrentPage(false);
  EXPECT_NE(rgbOf565(0xF800), framePixel(11, 421));
}

TEST_F(PageFrameTest, ScrollDispatcherRefusesUnderScreensaver) {
  EXPECT_TRUE(redrawScrollingTextAreasForCurrentPage());
  screensaverActive = true;
  EXPECT_FALSE(redrawScrollingTextAreasForCurrentPage());
  screensaverActive = false;
  currentPage = PAGE_LAST;
  EXPECT_FALSE(redrawScrollingTextAreasForCurrentPage());
}

// Tabs
TEST_F(PageFrameTest, HamqslSourceShowsThreeTabs) {
  cfg.hamqslEnabled = true;
  currentWatchSource = WATCH_HAMQSL;
  currentPage = PAGE_STATUS;
  tft.fillScreen(0xF800);
  drawTopTabs();
  // Slot 1 holds STATUS (active), slot 3 is cleared to the background.
  EXPECT_EQ(rgbOf565(theme.tabActive), framePixel(15 + 145 + 60, 20));
  EXPECT_EQ(rgbOf565(theme.bg), framePixel(500, 36));
}

TEST_F(PageFrameTest, ActiveTabUsesActiveFill) {
  currentPage = PAGE_LAST;
  drawTopTabs();
  EXPECT_EQ(rgbOf565(theme.tabIdle), framePixel(20, 20));
  EXPECT_EQ(rgbOf565(theme.tabActive), framePixel(165, 20));
  EXPECT_EQ(rgbOf565(theme.panel2), framePixel(620, 20));  // clock box
}

TEST_F(PageFrameTest, TabLabelsFollowTheWatchSource) {
  cfg.weatherEnabled = true;
  currentWatchSource = WATCH_WEATHER;
  currentPage = PAGE_LIVE;
  drawTopTabs();
  EXPECT_TRUE(frameShowsText("WATCH", 82, 36, 2, MC_DATUM, 0xFFFF, theme.tabActive));
  EXPECT_TRUE(frameShowsText("Cast", 227, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  EXPECT_FALSE(frameShowsText("HEARD", 227, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  drawTopTabs();
  EXPECT_TRUE(frameShowsText("STATUS", 372, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  EXPECT_TRUE(frameShowsText("INFO", 517, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  EXPECT_TRUE(frameShowsText("14:30", 700, 36, 2, MC_DATUM, 0xFFFF, theme.panel2));
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "key";
  currentWatchSource = WATCH_APRS;
  drawTopTabs();
  EXPECT_TRUE(frameShowsText("RADAR", 227, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  // HamQSL: three tabs, STATUS and INFO one slot to the left.
  cfg.hamqslEnabled = true;
  currentWatchSource = WATCH_HAMQSL;
  drawTopTabs();
  EXPECT_TRUE(frameShowsText("WATCH", 82, 36, 2, MC_DATUM, 0xFFFF, theme.tabActive));
  EXPECT_TRUE(frameShowsText("STATUS", 227, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  EXPECT_TRUE(frameShowsText("INFO", 372, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
  cfg.svxlinkEnabled = cfg.aprsEnabled = cfg.weatherEnabled = cfg.hamqslEnabled = false;
  currentWatchSource = WATCH_MMDVM;
  drawTopTabs();
  EXPECT_TRUE(frameShowsText("LIVE", 82, 36, 2, MC_DATUM, 0xFFFF, theme.tabActive));
  EXPECT_TRUE(frameShowsText("HEARD", 227, 36, 2, MC_DATUM, 0xFFFF, theme.tabIdle));
}

// Watch sources
TEST_F(PageFrameTest, ChooserWithOnlyMmdvm) {
  WatchSourcePopupLayout l = watchSourcePopupLayout();
  EXPECT_EQ(1, l.count);
  EXPECT_EQ(620, l.popupW);
  EXPECT_EQ(224, l.popupH);
  EXPECT_EQ(230, l.btnW);
  int x, y;
  watchSourcePopupButtonRect(l, 0, x, y);
  EXPECT_EQ(285, x);
  EXPECT_EQ(128 + 104, y);
  EXPECT_FALSE(handleWatchSourceSwipe(-200));
}

TEST_F(PageFrameTest, ChooserWithAllSources) {
  enableAllWatchSources();
  WatchSourcePopupLayout l = watchSourcePopupLayout();
  EXPECT_EQ(6, l.count);
  EXPECT_EQ(2, l.cols);
  EXPECT_EQ(3, l.rows);
  EXPECT_EQ(770, l.popupW);
  EXPECT_EQ(360, l.popupH);
  EXPECT_EQ(295, l.btnW);
  int x, y;
  watchSourcePopupButtonRect(l, 5, x, y);
  EXPECT_EQ(15 + (770 - 615) / 2 + 320, x);
  EXPECT_EQ(60 + 104 + 160, y);
}

TEST_F(PageFrameTest, ChooserWithThreeSources) {
  cfg.weatherEnabled = true;
  cfg.hamqslEnabled = true;
  WatchSourcePopupLayout l = watchSourcePopupLayout();
  EXPECT_EQ(3, l.count);
  EXPECT_EQ(3, l.cols);
  EXPECT_EQ(760, l.popupW);
  EXPECT_EQ(205, l.btnW);
  EXPECT_EQ(WATCH_HAMQSL, l.options[2]);
}

TEST_F(PageFrameTest, SwipesCycleBothWays) {
  cfg.weatherEnabled = true;
  cfg.hamqslEnabled = true;
  cfg.hamqslUrl = "http://127.0.0.1:1/solarxml.php";  // the swipe to HamQSL fetches at once
  EXPECT_TRUE(handleWatchSourceSwipe(-200));
  EXPECT_EQ(WATCH_WEATHER, currentWatchSource);
  EXPECT_EQ(String("WATCH: Weather"), footerText);
  EXPECT_TRUE(handleWatchSourceSwipe(200));
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
  EXPECT_TRUE(handleWatchSourceSwipe(200));  // wraps backwards to HamQSL
  EXPECT_EQ(WATCH_HAMQSL, currentWatchSource);
  EXPECT_EQ(PAGE_LIVE, currentPage);
}

TEST_F(PageFrameTest, SwipeIgnoredOffPageOrWithOverlay) {
  cfg.weatherEnabled = true;
  currentPage = PAGE_STATUS;
  EXPECT_FALSE(handleWatchSourceSwipe(-200));
  currentPage = PAGE_LIVE;
  detailPopupOpen = true;
  EXPECT_FALSE(handleWatchSourceSwipe(-200));
  detailPopupOpen = false;
  setupRequired = true;
  EXPECT_FALSE(handleWatchSourceSwipe(-200));
  EXPECT_EQ(WATCH_MMDVM, currentWatchSource);
}

// Status pages
TEST_F(PageFrameTest, InfoPageMatchesGolden) {
  currentPage = PAGE_INFO;
  setFooterText("Desktop: http://127.0.0.1/", false);
  desktopSetTestClock((3 * 60 + 12) * 60000);
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("info_page", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

// While the settings page has no password its one-time code (with the
// page's address) takes the RSSI row; without a code the page is as before.
TEST_F(PageFrameTest, InfoPageShowsTheWebSetupCode) {
  currentPage = PAGE_INFO;
  setFooterText("Desktop: http://127.0.0.1/", false);
  desktopSetTestClock((3 * 60 + 12) * 60000);
  webUiSetupCode = "042917";
  webUiUrl = "http://127.0.0.1:8080/";
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("info_page_web_code", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
  webUiSetupCode = "";
  webUiUrl = "";
  redrawCurrentPage(true);
  EXPECT_TRUE(compareWithGolden("info_page", currentFrameImage()).ok);
}

TEST_F(PageFrameTest, InfoPageShowsSessionCounts) {
  sessionInfo = SessionInfo();
  sessionInfo.totalQsos = 12;
  sessionInfo.modeDMR = 7;
  sessionInfo.modeDSTAR = 1;
  sessionInfo.modeYSF = 1;
  sessionInfo.modeP25 = 1;
  sessionInfo.modeNXDN = 1;
  sessionInfo.modePOCSAG = 1;
  sessionInfo.hasRssi = true;
  sessionInfo.bestRssi = -63;
  sessionInfo.worstRssi = -121;
  desktopSetTestClock(((2 * 24 + 5) * 60 + 7) * 60000u);
  currentPage = PAGE_INFO;
  redrawCurrentPage(true);
  const uint16_t p1 = theme.panel;
  const uint16_t p2 = theme.panel2;
  EXPECT_TRUE(frameShowsText("08 Dec 2025  14:30", 60, 136, 2, TL_DATUM, theme.subtext, p1));
  EXPECT_TRUE(frameShowsText("2d 5h", 270, 254, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("12 hits", 270, 298, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("-63/-121 dBm", 270, 342, 2, ML_DATUM, theme.text, p2));
  // Mini boxes: label 8 px below the top, count at 32 px, centred in 165 px.
  EXPECT_TRUE(frameShowsText("DMR", 132, 380, 2, TC_DATUM, theme.warn, p1));
  EXPECT_TRUE(frameShowsText("7", 132, 404, 2, TC_DATUM, theme.text, p1));
  EXPECT_TRUE(frameShowsText("OTHERS", 657, 380, 2, TC_DATUM, theme.warn, p1));
  EXPECT_TRUE(frameShowsText("3", 657, 404, 2, TC_DATUM, theme.text, p1));
  sessionInfo = SessionInfo();
}

TEST_F(PageFrameTest, StatusPageTextsAndColours) {
  wifiOk = true;
  cfg.wifiSsid = "HomeNet";
  cfg.refreshMs = 1500;
  cfg.flipScreen = false;
  currentPage = PAGE_STATUS;
  redrawCurrentPage(true);
  const uint16_t p2 = theme.panel2;
  EXPECT_TRUE(frameShowsText("CONFIG / STATUS", 35, 92, 2, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(frameShowsText("Wi-Fi", 55, 154, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("Connected", 255, 154, 2, ML_DATUM, theme.good, p2));
  EXPECT_FALSE(frameShowsText("Connected", 255, 154, 2, ML_DATUM, theme.text, p2));
  redrawCurrentPage(false);
  EXPECT_TRUE(frameShowsText("SSID", 55, 202, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("HomeNet", 255, 202, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("HOST", 55, 250, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText(stationAddressText(), 255, 250, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("CALLSIGN", 55, 298, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText(getDeviceCallsign(), 255, 298, 2, ML_DATUM, theme.good, p2));
  EXPECT_TRUE(frameShowsText("REFRESH", 55, 346, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("1500 ms", 255, 346, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("FLIP", 435, 346, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("Off", 635, 346, 2, ML_DATUM, theme.text, p2));
  wifiOk = false;
  redrawCurrentPage(false);
  EXPECT_TRUE(frameShowsText("Disconnected", 255, 154, 2, ML_DATUM, theme.bad, p2));
}

TEST_F(PageFrameTest, AboutPageTexts) {
  currentPage = PAGE_ABOUT;
  redrawCurrentPage(true);
  EXPECT_TRUE(frameShowsText("Qsodeck", 60, 112, 4, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(frameShowsText("CREATOR", 85, 218, 2, ML_DATUM, theme.warn, theme.panel2));
  EXPECT_TRUE(frameShowsText("VERSION", 85, 266, 2, ML_DATUM, theme.warn, theme.panel2));
  EXPECT_TRUE(frameShowsText("0.0.1.8", 285, 266, 2, ML_DATUM, theme.text, theme.panel2));
}

TEST_F(PageFrameTest, ApPageHidesPasswordWhileInactive) {
  apSsid = "Qsodeck-Setup";
  apPass = "12345678";
  currentPage = PAGE_STATUS;
  redrawCurrentPage(true);
  setupRequired = true;
  apModeActive = false;
  currentPage = PAGE_LIVE;
  redrawCurrentPage(false);
  const uint16_t p2 = theme.panel2;
  EXPECT_TRUE(frameShowsText("ACCESS POINT MODE", 35, 92, 2, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(frameShowsText("AP MODE", 55, 154, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("SSID", 55, 202, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("Qsodeck-Setup", 255, 202, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("PASSWORD", 55, 250, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("-", 255, 250, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("OPEN", 55, 298, 2, ML_DATUM, theme.warn, p2));
  EXPECT_TRUE(frameShowsText("-", 255, 298, 2, ML_DATUM, theme.text, p2));
  EXPECT_TRUE(frameShowsText("STORAGE", 55, 346, 2, ML_DATUM, theme.warn, p2));
  apModeActive = true;
  redrawCurrentPage(false);
  EXPECT_TRUE(frameShowsText("12345678", 255, 250, 2, ML_DATUM, theme.text, p2));
  // The INFO slot becomes the active AP tab.
  EXPECT_TRUE(frameShowsText("AP", 517, 36, 2, MC_DATUM, 0xFFFF, theme.tabActive));
}

TEST_F(PageFrameTest, SetupStateDrawsApPageWithNote) {
  setupRequired = true;
  apModeActive = true;
  currentPage = PAGE_LIVE;
  redrawCurrentPage(true);
  std::vector<uint32_t> f = readFrame();
  // The AP tab replaces INFO and is active; the note is in warn.
  EXPECT_EQ(rgbOf565(theme.tabActive), framePixel(15 + 435 + 5, 20));
  EXPECT_GT(countPixels(f, 35, 376, 725, 44, rgbOf565(theme.warn)), 0);
}

}  // namespace

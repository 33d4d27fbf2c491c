// The ADS-B pages: golden frames of the tracker page and of the radar page
// with a fixed set of aircraft, and of the details popup; the other page
// states by their texts; the list taps, the popup's rows and the REFRESH
// taps.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/fetch_worker.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "watch/adsb/adsb.h"
#include "watch/adsb/adsb_page.h"

namespace {

const uint32_t NOW_MS = 3000000;
const time_t FIXED_EPOCH = 1765204200;  // 08 Dec 2025 14:30 UTC

std::string s(const String& v) { return std::string(v.c_str()); }

// Eight aircraft around Berlin and one without a position.
const char* const AIRCRAFT =
    "{\"now\":1765204200.0,\"messages\":987654,\"aircraft\":["
    "{\"hex\":\"3c6444\",\"flight\":\"DLH4AB  \",\"alt_baro\":4975,\"gs\":212.4,\"track\":248.1,"
    "\"squawk\":\"1000\",\"lat\":52.5410,\"lon\":13.5010,\"seen_pos\":0.4,\"seen\":0.1},"
    "{\"hex\":\"4ca7b5\",\"flight\":\"RYR8TK  \",\"alt_baro\":36000,\"gs\":451.0,\"track\":118.0,"
    "\"lat\":52.7000,\"lon\":13.1000,\"seen\":2.5},"
    "{\"hex\":\"3c4b26\",\"flight\":\"EWG7LP  \",\"alt_baro\":\"ground\",\"gs\":8.0,\"track\":70.0,"
    "\"lat\":52.3650,\"lon\":13.5080},"
    "{\"hex\":\"400a0b\",\"alt_baro\":12300,\"gs\":300.2,\"lat\":52.9000,\"lon\":14.1000},"
    "{\"hex\":\"a8b2c3\",\"flight\":\"UAL963  \",\"alt_baro\":39000,\"gs\":480.0,\"track\":290.0,"
    "\"lat\":53.3000,\"lon\":12.2000},"
    "{\"hex\":\"48c1d2\",\"flight\":\"LOT3PM  \",\"alt_baro\":21000,\"gs\":390.5,\"track\":95.0,"
    "\"lat\":52.1000,\"lon\":14.6000},"
    "{\"hex\":\"3c55aa\",\"flight\":\"CLH9Z   \",\"alt_baro\":2500,\"gs\":160.0,\"track\":250.0,"
    "\"lat\":52.4500,\"lon\":13.2500},"
    "{\"hex\":\"47c0aa\",\"flight\":\"SAS1763 \",\"alt_baro\":34000,\"gs\":470.0,\"track\":200.0,"
    "\"lat\":53.8000,\"lon\":13.6000},"
    "{\"hex\":\"3c0000\",\"messages\":12,\"seen\":120.3}]}";

class AdsbPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    useHotspotOnlyUiSetup();
    cfg.adsbEnabled = true;
    cfg.adsbHost = "127.0.0.1:1";
    cfg.adsbPath = "";
    cfg.adsbRangeKm = 150;
    cfg.adsbCenterLat = "52.5200";
    cfg.adsbCenterLon = "13.4050";
    cfg.weatherLat = cfg.weatherLon = cfg.aprsCenterLat = cfg.aprsCenterLon = "";
    root_ = makeTempDir("/tmp/qsodeck_adsb_page_");
    ASSERT_FALSE(root_.empty());
    SD.setRoot(root_.c_str());
    ASSERT_TRUE(storageMkdir("/adsb"));
    // A user's logo for Lufthansa (any 32 x 32 picture will do).
    ASSERT_TRUE(writeWholeFile(root_ + "/adsb/LH.png",
                               readWholeFile(std::string(QSODECK_SOURCE_DIR) + "/sdcard/aprs/131.png")));
    setDrawingTestClocks(NOW_MS, FIXED_EPOCH);
    clearAdsbData();
    clearAdsbAirlineLookupCache();
    setCurrentWatchSource(WATCH_ADSB);
    ASSERT_EQ(currentWatchSource, WATCH_ADSB);
    EXPECT_TRUE(waitForFetchesIdle());  // the switch asks the receiver at once
    clearAdsbData();
    currentPage = PAGE_LIVE;
    setupRequired = apModeActive = false;
    if (!openDrawingTestScreen("ADSB: 8 aircraft in range", theme.bg))
      GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override {
    EXPECT_TRUE(waitForFetchesIdle());
    clearDrawingTestClocks();
    adsbInfoPopupOpen = false;
    removeTempDir(root_);
  }
  static void aircraft() {
    ASSERT_TRUE(parseAdsbAircraftResponse(String(AIRCRAFT)));
    adsbState.lastAttemptMillis = adsbState.lastSuccessMillis = NOW_MS - 4000;
    adsbState.lastHttpCode = 200;
  }
  static void frameMatches(const char* name) { expectCurrentPageMatchesGolden(name); }
  std::string root_;
};

// ---------------------------------------------------------------------------
// ADSB TRACKER

TEST_F(AdsbPageTest, TrackerWithAircraftMatchesGolden) {
  aircraft();
  ASSERT_EQ(adsbState.aircraftCount, 8);  // all within 150 km, SAS1763 at 143
  frameMatches("adsb_tracker_aircraft");
  const uint16_t bg = theme.panel2;
  EXPECT_TRUE(frameShowsText("ADSB TRACKER", 45, 92, 2, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(
      frameShowsText("dump1090 / 127.0.0.1:1 / 150km", 45, 130, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("9", 125, 164 + 88 - 30, 2, MC_DATUM, theme.text, bg));       // AIR
  EXPECT_TRUE(frameShowsText("8", 310, 164 + 88 - 30, 2, MC_DATUM, theme.text, bg));       // POS
  EXPECT_TRUE(frameShowsText("4s ago", 677, 164 + 88 - 30, 2, MC_DATUM, theme.text, bg));  // UPD
  EXPECT_TRUE(frameShowsText("DLH4AB", 150, 292, 4, TL_DATUM, theme.good, bg));
  EXPECT_TRUE(frameShowsText("6.9 km E", 150, 348, 2, TL_DATUM, theme.text, bg));
  EXPECT_TRUE(frameShowsText("4975ft", 740, 296, 2, TR_DATUM, theme.warn, bg));
  EXPECT_TRUE(frameShowsText("212kt 248deg", 740, 348, 2, TR_DATUM, theme.subtext, bg));
  // The Lufthansa logo (found through DLH -> LH) where the glyph would be.
  std::vector<uint32_t> frame = readFrame();
  EXPECT_LT(countPixels(frame, 60, 316, 32, 32, rgbOf565(bg)), 32 * 32 - 100);
}

TEST_F(AdsbPageTest, TrackerStatesWithoutAircraft) {
  drawAdsbLivePage();
  EXPECT_TRUE(frameShowsText("No aircraft in range yet", 45, 292, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("URL: http://127.0.0.1:1/dump1090-fa/data/aircraft.json", 45, 336, 2, TL_DATUM,
                             theme.subtext, theme.panel));
  adsbState.fetchInProgress = true;
  drawAdsbLivePage();
  EXPECT_TRUE(frameShowsText("Fetching ADSB aircraft...", 45, 296, 2, TL_DATUM, theme.good, theme.panel));
  adsbState.fetchInProgress = false;
  cfg.adsbCenterLat = "";
  drawAdsbLivePage();
  EXPECT_TRUE(frameShowsText("ADSB center not set", 45, 192, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("Set ADSB center lat/lon or Weather/APRS location", 45, 236, 2, TL_DATUM,
                             theme.subtext, theme.panel));
  cfg.adsbHost = "";
  drawAdsbLivePage();
  EXPECT_TRUE(frameShowsText("Enable ADSB in Web UI", 45, 192, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("dump1090 / not set / 150km", 45, 130, 2, TL_DATUM, theme.subtext, theme.panel));
}

// ---------------------------------------------------------------------------
// ADSB RADAR

TEST_F(AdsbPageTest, RadarWithAircraftMatchesGolden) {
  aircraft();
  currentPage = PAGE_LAST;
  frameMatches("adsb_radar_aircraft");
  EXPECT_TRUE(frameShowsText("ADSB RADAR", 40, 92, 2, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(
      frameShowsText("Radius 150 km / center configured", 40, 128, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("8/150km", 745, 178, 2, TR_DATUM, theme.subtext, theme.panel2));
  // Three rows of 48 px fit; names right of the logo column.
  const uint16_t even = mix565(theme.panel2, theme.accent, 0.06f);
  const uint16_t odd = mix565(theme.panel2, theme.bg, 0.18f);
  EXPECT_TRUE(frameShowsText("DLH4AB", 319 + 75, 214 + 11, 2, TL_DATUM, theme.good, even));
  EXPECT_TRUE(frameShowsText(adsbRecordName(adsbState.aircraft[1]), 319 + 75, 268 + 11, 2, TL_DATUM,
                             theme.accent, odd));
  EXPECT_TRUE(frameShowsText("6.9km E", 765 - 28, 214 + 8, 2, TR_DATUM, theme.warn, even));
  EXPECT_TRUE(frameShowsText("4975ft 212kt", 765 - 28, 214 + 28, 2, TR_DATUM, theme.subtext, even));
  EXPECT_FALSE(frameShowsText(adsbRecordName(adsbState.aircraft[3]), 319 + 75, 376 + 11, 2, TL_DATUM,
                              theme.accent, odd));
}

TEST_F(AdsbPageTest, RadarPageStatesWithoutAPlot) {
  currentPage = PAGE_LAST;
  adsbState.lastAttemptMillis = NOW_MS - 1000;
  adsbState.lastHttpCode = 503;
  adsbState.error = "ADSB HTTP 503";
  drawAdsbHeardPage();
  EXPECT_TRUE(frameShowsText("ADSB HTTP 503", 45, 196, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("Updated HTTP 503", 45, 244, 2, TL_DATUM, theme.subtext, theme.panel));
  adsbState.fetchInProgress = true;
  drawAdsbHeardPage();
  EXPECT_TRUE(frameShowsText("Fetching ADSB aircraft...", 45, 204, 2, TL_DATUM, theme.good, theme.panel));
  cfg.adsbCenterLat = "";
  drawAdsbHeardPage();
  EXPECT_TRUE(frameShowsText("ADSB area center not set", 45, 196, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("Set ADSB center or Weather/APRS lat/lon in Web UI", 45, 244, 2, TL_DATUM,
                             theme.subtext, theme.panel));
  cfg.adsbEnabled = false;
  drawAdsbHeardPage();
  EXPECT_TRUE(frameShowsText("Enable ADSB in Web UI", 45, 204, 2, TL_DATUM, theme.warn, theme.panel));
}

// ---------------------------------------------------------------------------
// AIRCRAFT DETAILS

TEST_F(AdsbPageTest, ListRowOpensThePopupWhichMatchesGolden) {
  aircraft();
  currentPage = PAGE_LAST;
  EXPECT_FALSE(tryOpenAdsbRadarAircraftPopup(400, 376 + 10));  // below the third row
  EXPECT_FALSE(adsbInfoPopupOpen);
  ASSERT_TRUE(tryOpenAdsbRadarAircraftPopup(400, 214 + 20));
  EXPECT_TRUE(adsbInfoPopupOpen);
  EXPECT_EQ(selectedAdsbAircraftIndex, 0);
  frameMatches("adsb_popup_details");
  const uint16_t bg = theme.panel2;
  EXPECT_TRUE(frameShowsText("AIRCRAFT DETAILS", 55, 84, 2, TL_DATUM, theme.good, bg));
  const char* const rows[][2] = {{"Flight:", "DLH4AB"}, {"Name:", "DLH4AB"}, {"Hex:", "3c6444"},
                                 {"Dist:", "6.9 km E"}, {"Alt:", "4975ft"},  {"Speed:", "212kt"},
                                 {"Course:", "248 deg"}};
  for (int i = 0; i < 7; ++i) {
    EXPECT_TRUE(frameShowsText(rows[i][0], 55, 144 + 36 * i, 2, TL_DATUM, theme.warn, bg)) << rows[i][0];
    EXPECT_TRUE(frameShowsText(rows[i][1], 250, 144 + 36 * i, 2, TL_DATUM, theme.text, bg)) << rows[i][1];
  }
  EXPECT_FALSE(frameShowsText("Squawk:", 55, 144 + 36 * 7, 2, TL_DATUM, theme.warn, bg));
  // Any tap closes it; the popup over the radar page draws nothing for a
  // selection that is gone.
  viewOverlay(OVERLAY_ADSB_INFO).tap(10, 10);
  EXPECT_FALSE(adsbInfoPopupOpen);
  EXPECT_EQ(selectedAdsbAircraftIndex, -1);
  EXPECT_EQ(adsbInfoPopupPageStepLines, 1);
}

TEST_F(AdsbPageTest, RefreshTapsOnBothPages) {
  aircraft();
  activeWatchSourceRow().tapLive(600, 100);
  EXPECT_EQ(s(footerText), "ADSB refresh requested");
  EXPECT_TRUE(adsbState.fetchInProgress);
  EXPECT_TRUE(waitForFetchesIdle());
  currentPage = PAGE_LAST;
  setFooterText("x", false);
  activeWatchSourceRow().tapHeard(600, 100);
  EXPECT_EQ(s(footerText), "ADSB refresh requested");
  EXPECT_FALSE(adsbInfoPopupOpen);
}

TEST_F(AdsbPageTest, GlyphPointsAlongItsHeading) {
  tft.fillScreen(theme.bg);
  drawAdsbAircraftGlyph(400, 240, 12, 90, theme.good, theme.bg);
  std::vector<uint32_t> frame = readFrame();
  const uint32_t good = rgbOf565(theme.good);
  EXPECT_GT(countPixels(frame, 409, 237, 7, 7, good), 0);   // the nose dot east of the centre
  EXPECT_GT(countPixels(frame, 386, 239, 3, 3, good), 0);   // the tail end west of it
  EXPECT_EQ(countPixels(frame, 377, 234, 8, 12, good), 0);  // nothing beyond the tail
  EXPECT_GT(countPixels(frame, 399, 231, 3, 3, good), 0);   // a wing to the north
}

}  // namespace

// The APRS pages: golden frames of the location page (current station,
// station outside the area, waiting) and of the radar page with a fixed set
// of stations, the other page states by their texts, the radar plot rules,
// the REFRESH and list taps, and the info popup with its scrolling.
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
#include "hotspot/heard.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "ui/radar.h"
#include "watch/aprs/aprs.h"
#include "watch/aprs/aprs_page.h"
#include "watch/svxlink/svxlink.h"

namespace {

const uint32_t NOW_MS = 4000000;
const time_t FIXED_EPOCH = 1765204200;  // 08 Dec 2025 14:30 UTC

std::string s(const String& v) { return std::string(v.c_str()); }

std::string station(const char* name, const char* lat, const char* lng, const char* extra) {
  return std::string("{\"name\":\"") + name + "\",\"type\":\"l\",\"lat\":\"" + lat + "\",\"lng\":\"" + lng +
         "\",\"lasttime\":\"1765203600\"" + (extra[0] ? "," : "") + extra + "}";
}

// Seven stations around Berlin; DL1ABC is the caller, DL3FAR is 255 km out.
std::string sevenStations() {
  const std::string entries[] = {
      station(
          "DL1ABC", "52.60100", "13.42000",
          "\"symbol\":\"/>\",\"speed\":38,\"course\":79,\"altitude\":52,\"comment\":\"Mobile on the A10, QRV "
          "145.500 and 433.500 all day\",\"path\":\"WIDE1-1,qAR,DB0BLN-10\""),
      station("DB0TV", "52.50200", "13.41000", "\"symbol\":\"/#\",\"status\":\"Digi WIDE1-1\""),
      station("DL2XYZ", "52.43000", "13.20000", "\"symbol\":\"/-\""),
      station("DO7KAT", "52.71000", "13.63000", "\"symbol\":\"/[\",\"speed\":5"),
      station("DL4WX", "52.31000", "13.60000", "\"symbol\":\"/_\",\"comment\":\"WX Teltow\""),
      station("DK5MOB", "52.80000", "13.10000", "\"symbol\":\"/k\",\"speed\":0.4,\"course\":270"),
      station("DL6END", "52.20000", "13.40000", "\"symbol\":\"/>\""),
      station("DL3FAR", "53.55000", "9.99000", "\"symbol\":\"/>\""),
  };
  std::string list;
  for (const std::string& e : entries) list += (list.empty() ? "" : ",") + e;
  return "{\"command\":\"get\",\"result\":\"ok\",\"what\":\"loc\",\"found\":8,\"entries\":[" + list + "]}";
}

class AprsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    useHotspotOnlyUiSetup();
    cfg.aprsEnabled = true;
    cfg.aprsApiKey = "12345.abcdef";
    cfg.aprsApiBaseUrl = "http://127.0.0.1:1";
    cfg.aprsRangeKm = 50;
    cfg.aprsCenterLat = "52.5200";
    cfg.aprsCenterLon = "13.4050";
    cfg.weatherLat = cfg.weatherLon = "";
    cfg.deviceCallsign = "N0CALL";
    cfg.apiUtcToLocalTime = false;
    SD.setRoot((std::string(QSODECK_SOURCE_DIR) + "/sdcard").c_str());
    setDrawingTestClocks(NOW_MS, FIXED_EPOCH);
    clearHeard();
    shownHeardList().live = HeardRecord();
    shownHeardList().live.valid = true;
    shownHeardList().live.callsign = "DL1ABC";
    resetAprsState();
    setCurrentWatchSource(WATCH_APRS);
    ASSERT_EQ(currentWatchSource, WATCH_APRS);
    currentPage = PAGE_LIVE;
    setupRequired = apModeActive = false;
    if (!openDrawingTestScreen("APRS updated for DL1ABC", theme.bg))
      GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override {
    EXPECT_TRUE(waitForFetchesIdle());
    clearDrawingTestClocks();
  }
  static void stations(const std::string& payload, const char* asked = "DL1ABC") {
    ASSERT_TRUE(parseAprsLocationResponse(String(payload), asked));
    aprsState.lastAttemptMillis = NOW_MS - 60000;
  }
  static void frameMatches(const char* name) { expectCurrentPageMatchesGolden(name); }
};

// ---------------------------------------------------------------------------
// APRS LOCATION

TEST_F(AprsPageTest, CurrentStationMatchesGolden) {
  stations(sevenStations());
  frameMatches("aprs_location_current");
  EXPECT_TRUE(frameShowsText("APRS LOCATION", 45, 92, 2, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(frameShowsText("API 127.0.0.1:1 / 50km area / 7 heard", 45, 130, 2, TL_DATUM, theme.subtext,
                             theme.panel));
  EXPECT_TRUE(frameShowsText("REFRESH", 652, 110, 2, MC_DATUM, theme.text, theme.panel2));
  EXPECT_TRUE(
      frameShowsText("38 Km/h / 79 deg / ALT: 52 m", 193, 334, 2, ML_DATUM, theme.text, theme.panel2));
  // The shipped car symbol beside the callsign: a picture, not the marker.
  std::vector<uint32_t> frame = readFrame();
  tft.setTextFont(4);
  const int iconX = 40 + (720 - (tft.textWidth("DL1ABC") + 57)) / 2;
  EXPECT_TRUE(frameShowsText("DL1ABC", iconX + 57, 206, 4, ML_DATUM, theme.good, theme.panel2));
  EXPECT_LT(countPixels(frame, iconX, 190, 32, 32, rgbOf565(theme.panel2)), 32 * 32 - 100);
  EXPECT_EQ(countPixels(frame, iconX + 16, 190 + 16, 1, 1, rgbOf565(theme.accent)), 0);
}

TEST_F(AprsPageTest, StationOutsideTheAreaMatchesGolden) {
  shownHeardList().live.callsign = "DL3FAR";
  stations(sevenStations(), "DL3FAR");
  frameMatches("aprs_location_outside");
  EXPECT_TRUE(frameShowsText("Station outside APRS area", 45, 280, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(
      frameShowsText("Distance 255 km / limit 50 km", 45, 324, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("DL3FAR", 400, 206, 4, MC_DATUM, theme.warn, theme.panel2));
}

TEST_F(AprsPageTest, WaitingMatchesGoldenAndNamesTheApiWhileFetching) {
  aprsState.error = "APRS next request in 3 min";
  frameMatches("aprs_location_waiting");
  EXPECT_TRUE(frameShowsText("Waiting for next APRS poll", 45, 280, 2, TL_DATUM, theme.text, theme.panel));
  EXPECT_TRUE(frameShowsText("APRS next request in 3 min", 45, 328, 2, TL_DATUM, theme.bad, theme.panel));
  EXPECT_TRUE(frameShowsText("DL1ABC", 400, 206, 4, MC_DATUM, theme.warn, theme.panel2));
  aprsState.fetchInProgress = true;
  aprsState.error = "";
  drawAprsLivePage();
  EXPECT_TRUE(frameShowsText("Fetching APRS data from 127.0.0.1:1...", 45, 280, 2, TL_DATUM, theme.good,
                             theme.panel));
  // Data of another caller is not shown for this one.
  aprsState.fetchInProgress = false;
  stations(sevenStations(), "DL2XYZ");
  drawAprsLivePage();
  EXPECT_TRUE(frameShowsText("Waiting for next APRS poll", 45, 280, 2, TL_DATUM, theme.text, theme.panel));
  cfg.aprsApiKey = "";
  drawAprsLivePage();
  EXPECT_TRUE(frameShowsText("Enable APRS in Web UI", 45, 192, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("Application > APRS", 45, 232, 2, TL_DATUM, theme.subtext, theme.panel));
}

TEST_F(AprsPageTest, RefreshAsksNowAndSaysWhyNot) {
  stations(sevenStations());
  aprsState.lastAttemptMillis = NOW_MS - 120000;
  lastPoll = NOW_MS;
  activeWatchSourceRow().tapLive(600, 100);
  EXPECT_EQ(aprsState.lastSuccessMillis, 0u);
  EXPECT_EQ(lastPoll, 0u);
  EXPECT_EQ(s(footerText), "APRS next request in 3 min");  // nothing sent: not "requested"
  aprsState.lastAttemptMillis = NOW_MS - 300000;
  activeWatchSourceRow().tapLive(600, 100);
  EXPECT_EQ(s(footerText), "APRS refresh requested");
}

// ---------------------------------------------------------------------------
// APRS AREA RADAR

TEST_F(AprsPageTest, RadarWithStationsMatchesGolden) {
  stations(sevenStations());
  currentPage = PAGE_LAST;
  frameMatches("aprs_radar_stations");
  EXPECT_TRUE(frameShowsText("APRS AREA RADAR", 40, 92, 2, TL_DATUM, theme.accent, theme.panel));
  EXPECT_TRUE(
      frameShowsText("Radius 50 km / center configured", 40, 128, 2, TL_DATUM, theme.subtext, theme.panel));
  EXPECT_TRUE(frameShowsText("NEAREST", 339, 178, 2, TL_DATUM, theme.accent, theme.panel2));
  EXPECT_TRUE(frameShowsText("7/50km", 745, 178, 2, TR_DATUM, theme.subtext, theme.panel2));
  // Seven stations in range, four rows; the caller (fourth by distance) in good.
  EXPECT_EQ(s(aprsState.nearby[0].callsign), "DB0TV");
  EXPECT_TRUE(frameShowsText("DB0TV", 347, 214 + 12, 2, TL_DATUM, theme.accent,
                             mix565(theme.panel2, theme.accent, 0.06f)));
  int callerRow = -1;
  for (int i = 0; i < 4; ++i) {
    if (aprsState.nearby[i].callsign == "DL1ABC") callerRow = i;
  }
  ASSERT_GE(callerRow, 0);
  const uint16_t fill =
      callerRow % 2 ? mix565(theme.panel2, theme.bg, 0.18f) : mix565(theme.panel2, theme.accent, 0.06f);
  EXPECT_TRUE(frameShowsText("DL1ABC", 347, 214 + 50 * callerRow + 12, 2, TL_DATUM, theme.good, fill));
  EXPECT_FALSE(frameShowsText("DL6END", 347, 214 + 50 * 4 + 12, 2, TL_DATUM, theme.accent, fill));
  // The row's right side: distance, compass point and speed.
  EXPECT_TRUE(
      frameShowsText("9.1km N 38k", 765 - 28, 214 + 50 * callerRow + 10, 2, TR_DATUM, theme.warn, fill));
}

TEST_F(AprsPageTest, RadarPlotsByBearingAndDistanceUpToTheOuterCircle) {
  const RadarGeometry g = radarGeometry(35, 164, 264, 264);
  EXPECT_EQ(g.cx, 167);
  EXPECT_EQ(g.cy, 296);
  EXPECT_EQ(g.radius, 107);
  int x = 0, y = 0;
  radarTargetPoint(g, 90, 50, 50, x, y);  // exactly at the radius: on the outer circle
  EXPECT_EQ(x, 167 + 107);
  EXPECT_EQ(y, 296);
  radarTargetPoint(g, 0, 500, 50, x, y);  // beyond it: clamped
  EXPECT_EQ(y, 296 - 107);
  radarTargetPoint(g, 180, 25, 50, x, y);
  EXPECT_EQ(x, 167);
  EXPECT_EQ(y, 296 + 54);
  EXPECT_EQ(radarGeometry(0, 0, 60, 60).radius, 0);  // too small: nothing drawn
}

TEST_F(AprsPageTest, RadarPageStatesWithoutAPlot) {
  currentPage = PAGE_LAST;
  drawAprsHeardPage();
  EXPECT_TRUE(frameShowsText("No APRS stations in range yet", 45, 196, 2, TL_DATUM, theme.warn, theme.panel));
  EXPECT_TRUE(frameShowsText("Open APRS LIVE or tap refresh after heard calls appear", 45, 244, 2, TL_DATUM,
                             theme.subtext, theme.panel));
  cfg.aprsRangeKm = 1;
  stations(sevenStations());
  drawAprsHeardPage();
  EXPECT_TRUE(
      frameShowsText("No APRS last-heard stations in range", 45, 196, 2, TL_DATUM, theme.warn, theme.panel));
  cfg.aprsRangeKm = 50;
  stations(sevenStations());
  cfg.aprsCenterLat = "";  // the list was made with a centre that is gone now
  aprsState.valid = false;
  drawAprsHeardPage();
  EXPECT_TRUE(frameShowsText("APRS area center not set", 45, 196, 2, TL_DATUM, theme.warn, theme.panel));
  aprsState.fetchInProgress = true;
  drawAprsHeardPage();
  EXPECT_TRUE(frameShowsText("Fetching APRS area data...", 45, 204, 2, TL_DATUM, theme.good, theme.panel));
}

TEST_F(AprsPageTest, ListRowsOpenThePopupForTheirStation) {
  stations(sevenStations());
  currentPage = PAGE_LAST;
  EXPECT_FALSE(tryOpenAprsRadarStationPopup(340, 210));  // above the first row
  EXPECT_FALSE(aprsCommentPopupOpen);
  ASSERT_TRUE(tryOpenAprsRadarStationPopup(340, 264 + 20));  // row 1
  EXPECT_TRUE(aprsCommentPopupOpen);
  EXPECT_EQ(selectedAprsNearbyIndex, 1);
  AprsNearbyRecord rec;
  ASSERT_TRUE(aprsPopupGetRecord(rec));
  EXPECT_EQ(s(rec.callsign), s(aprsState.nearby[1].callsign));
  clearSvxlinkAprsCommentAlert();
  EXPECT_FALSE(tryOpenAprsRadarStationPopup(340, 214 + 50 * 4 + 10));  // no fifth row
  // With two stations in range the list has two rows.
  cfg.aprsRangeKm = 12;
  stations(sevenStations());
  ASSERT_EQ(aprsState.nearbyCount, 2);
  EXPECT_TRUE(tryOpenAprsRadarStationPopup(340, 264 + 20));
  clearSvxlinkAprsCommentAlert();
  EXPECT_FALSE(tryOpenAprsRadarStationPopup(340, 314 + 20));
}

// ---------------------------------------------------------------------------
// APRS INFO popup

TEST_F(AprsPageTest, PopupTextListsOnlyWhatIsKnown) {
  stations(sevenStations());
  selectedAprsNearbyIndex = -1;
  AprsNearbyRecord rec;
  ASSERT_TRUE(aprsPopupGetRecord(rec));
  EXPECT_EQ(
      s(aprsInfoPopupBodyText(rec)),
      "Callsign: DL1ABC\nLast heard: 2025-12-08 14:20:00\nDistance: 9.1 km N\nPosition: 52.60100, 13.42000\n"
      "Speed: 38 km/h\nCourse: 79 deg\nAltitude: 52 m\nMessage: Mobile on the A10, QRV 145.500 and 433.500 "
      "all day\nPath: WIDE1-1,qAR,DB0BLN-10");
  // A digipeater with only a status: no speed, course or altitude lines.
  for (int i = 0; i < aprsState.nearbyCount; ++i) {
    if (aprsState.nearby[i].callsign == "DB0TV") selectedAprsNearbyIndex = i;
  }
  ASSERT_TRUE(aprsPopupGetRecord(rec));
  EXPECT_EQ(
      s(aprsInfoPopupBodyText(rec)),
      "Callsign: DB0TV\nLast heard: 2025-12-08 14:20:00\nDistance: 2.0 km S\nPosition: 52.50200, 13.41000\n"
      "Message: Digi WIDE1-1");
  // Nothing at all known beyond the position.
  AprsNearbyRecord bare;
  EXPECT_EQ(s(aprsInfoPopupBodyText(bare)), "No detailed APRS text was provided.");
  // No station: none.
  resetAprsState();
  EXPECT_FALSE(aprsPopupGetRecord(rec));
}

TEST_F(AprsPageTest, PopupOfTheCurrentStationMatchesGoldenAndScrolls) {
  stations(sevenStations());
  selectedAprsNearbyIndex = -1;
  aprsCommentPopupOpen = true;
  frameMatches("aprs_popup_current");
  EXPECT_TRUE(frameShowsText("APRS INFO", 50, 70, 2, TL_DATUM, theme.accent, theme.panel2));
  EXPECT_TRUE(frameShowsText("Current station APRS data", 50, 104, 2, TL_DATUM, theme.subtext, theme.panel2));
  EXPECT_TRUE(frameShowsText("CLOSE", 288 + 111, 368 + 23, 2, MC_DATUM, theme.text, theme.panel));
  // Nine fields in a window of three lines: it scrolls a page at a time.
  ASSERT_EQ(aprsInfoPopupPageStepLines, 3);
  ASSERT_GT(aprsInfoPopupMaxScrollLines, 3);
  const ViewOverlay& popup = viewOverlay(OVERLAY_APRS_INFO);
  popup.tap(526 + 100, 368 + 20);  // NEXT
  EXPECT_EQ(aprsInfoPopupScrollLines, 3);
  popup.tap(400, 166 + 150);  // lower half of the text
  EXPECT_EQ(aprsInfoPopupScrollLines, 6);
  EXPECT_TRUE(popup.drag(60));  // a drag down goes back three lines
  EXPECT_EQ(aprsInfoPopupScrollLines, 3);
  popup.tap(400, 166 + 20);       // upper half
  popup.tap(50 + 100, 368 + 20);  // PREV at the top: stays
  EXPECT_EQ(aprsInfoPopupScrollLines, 0);
  for (int i = 0; i < 20; ++i) popup.tap(526 + 100, 368 + 20);
  EXPECT_EQ(aprsInfoPopupScrollLines, aprsInfoPopupMaxScrollLines);
  popup.tap(10, 10);  // outside the controls: taken, nothing happens
  EXPECT_TRUE(aprsCommentPopupOpen);
  popup.tap(288 + 100, 368 + 20);  // CLOSE
  EXPECT_FALSE(aprsCommentPopupOpen);
  EXPECT_EQ(aprsInfoPopupScrollLines, 0);
  EXPECT_EQ(selectedAprsNearbyIndex, -1);
}

TEST_F(AprsPageTest, PopupOfARadarStationNamesItsKind) {
  stations(sevenStations());
  currentPage = PAGE_LAST;
  ASSERT_TRUE(tryOpenAprsRadarStationPopup(340, 214 + 20));
  redrawCurrentPage(true);
  EXPECT_TRUE(frameShowsText("APRS radar station", 50, 104, 2, TL_DATUM, theme.subtext, theme.panel2));
  EXPECT_TRUE(frameShowsText("DB0TV", 50, 132, 2, TL_DATUM, theme.good, theme.panel2));
  EXPECT_EQ(aprsInfoPopupMaxScrollLines, 2);  // five lines, three shown
}

}  // namespace

// The call-watch decorations on the screen: golden frames of the on-air
// banner over the weather page and over the ADS-B radar and of the watch
// toast; the banner's text fitting; the taps on the banner and the toast.
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
#include "hotspot/on_air.h"
#include "hotspot/watch_list.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/ui_test_env.h"
#include "ui/on_air_banner.h"
#include "ui/page_frame.h"
#include "watch/adsb/adsb.h"
#include "watch/weather/weather.h"

namespace {

const uint32_t NOW_MS = 1000000;
const time_t FIXED_EPOCH = 1765204200;  // 08 Dec 2025 14:30 UTC

std::string s(const String& v) { return std::string(v.c_str()); }

// A current-weather answer of the weather service (light rain in London).
const char* const CURRENT_ANSWER =
    "{\"weather\":[{\"id\":500,\"main\":\"Rain\",\"description\":\"light rain\",\"icon\":\"10d\"}],"
    "\"main\":{\"temp\":7.6,\"feels_like\":4.2,\"temp_min\":6.1,\"temp_max\":9.4,\"pressure\":1004,"
    "\"humidity\":87},\"visibility\":9000,\"wind\":{\"speed\":4.1,\"deg\":250},\"name\":\"London\"}";

class CallWatchPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    useHotspotOnlyUiSetup();
    cfg.pistarHost = "127.0.0.1:1";
    cfg.weatherEnabled = true;
    cfg.weatherLat = "51.5085";
    cfg.weatherLon = "-0.1257";
    cfg.weatherApiKey = "0123456789abcdef0123456789abcdef";
    cfg.weatherApiBaseUrl = "http://127.0.0.1:1";
    cfg.deviceCallsign = "N0CALL";
    cfg.onAirBanner = true;
    SD.setRoot((std::string(QSODECK_SOURCE_DIR) + "/sdcard").c_str());
    setDrawingTestClocks(NOW_MS, FIXED_EPOCH);
    clearWeatherData();
    currentWatchSource = WATCH_WEATHER;
    currentPage = PAGE_LIVE;
    setupRequired = apModeActive = screensaverActive = false;
    if (!openDrawingTestScreen("WATCH: Weather", theme.bg)) GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override {
    EXPECT_TRUE(waitForFetchesIdle());
    clearDrawingTestClocks();
  }
  // DL1ABC live on the hotspot (its own list: another source is shown).
  static void hotspotTransmits() {
    hotspotHeard().live = HeardRecord();
    hotspotHeard().live.callsign = "DL1ABC";
    hotspotHeard().live.name = "Klaus";
    hotspotHeard().live.mode = "DMR Slot 2";
    hotspotHeard().live.target = "TG 262";
    hotspotHeard().live.valid = true;
    hotspotHeard().liveMillis = NOW_MS - 2000;
  }
  static void weatherData() {
    ASSERT_TRUE(desktopParseWeatherResponseRaw(String(CURRENT_ANSWER)));
    weatherState.lastAttemptMillis = weatherState.lastSuccessMillis = NOW_MS - 125000;
    weatherState.lastHttpCode = 200;
  }
  static void frameMatches(const char* name) { expectCurrentPageMatchesGolden(name); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Golden frames

TEST_F(CallWatchPageTest, BannerOverTheWeatherPage) {
  // The weather page before its first answer (the icon and the flag together
  // hold more colours than a reference image keeps).
  weatherState.lastAttemptMillis = NOW_MS - 1000;
  weatherState.lastHttpCode = 200;
  hotspotTransmits();
  frameMatches("call_watch_banner_weather");
  const ScreenRect& r = ON_AIR_BANNER_RECT;
  EXPECT_TRUE(frameShowsText("ON AIR", r.x + 8 + 48, r.y + r.h / 2, 2, MC_DATUM, theme.bg, theme.rx));
  EXPECT_TRUE(frameShowsText("DL1ABC", r.x + 8 + 96 + 12 + 32 + 14, r.y + r.h / 2, 4, ML_DATUM, theme.text,
                             theme.panel));
  // The hold time ends it: the next frame is the page alone.
  desktopSetTestClock(hotspotHeard().liveMillis + cfg.callsignHoldMs + 1);
  redrawCurrentPage(true);
  EXPECT_FALSE(frameShowsText("DL1ABC", r.x + 8 + 96 + 12 + 32 + 14, r.y + r.h / 2, 4, ML_DATUM, theme.text,
                              theme.panel));
}

TEST_F(CallWatchPageTest, BannerOverTheAdsbRadar) {
  cfg.adsbEnabled = true;
  cfg.adsbHost = "127.0.0.1:1";
  cfg.adsbCenterLat = "51.4700";
  cfg.adsbCenterLon = "-0.4543";
  cfg.adsbRangeKm = 150;
  clearAdsbData();
  ASSERT_TRUE(
      parseAdsbAircraftResponse(String(readTestData("adsb/aircraft_dump1090fa_london_compact.json"))));
  adsbState.lastAttemptMillis = adsbState.lastSuccessMillis = NOW_MS - 4000;
  adsbState.lastHttpCode = 200;
  currentWatchSource = WATCH_ADSB;
  currentPage = PAGE_LAST;
  setFooterText("ADSB: aircraft in range", false);
  hotspotTransmits();
  hotspotHeard().live.name = "Klaus-Dieter Maximilian von Obermuehlenbach-Untersteinach";
  frameMatches("call_watch_banner_adsb_radar");
}

TEST_F(CallWatchPageTest, WatchToastOverTheWeatherPage) {
  weatherData();
  watchToast.visible = true;
  watchToast.title = "WATCH  DL1ABC";
  watchToast.detail = "MMDVM  TG 262  DMR Slot 2";
  watchToast.shownAt = NOW_MS;
  frameMatches("call_watch_toast");
  const ScreenRect& t = WATCH_TOAST_RECT;
  EXPECT_TRUE(frameShowsText("WATCH  DL1ABC", t.x + 20, t.y + 10, 2, TL_DATUM, theme.warn, theme.panel2));
}

// ---------------------------------------------------------------------------
// Text fitting

TEST_F(CallWatchPageTest, BannerDetailTextIsFittedWithATilde) {
  HeardRecord rec;
  rec.callsign = "DL1ABC";
  rec.name = "Klaus";
  rec.mode = "DMR Slot 2";
  rec.target = "TG 262";
  // The target as the pages show it, with its name from the talkgroup list.
  EXPECT_EQ(s(onAirBannerDetailText(rec)), "Klaus  DMR  TG 262 Germany");
  rec.name = "";
  rec.target = "";
  EXPECT_EQ(s(onAirBannerDetailText(rec)), "DMR");
  rec.target = "TG 262";
  rec.name = "Klaus-Dieter Maximilian von Obermuehlenbach-Untersteinach und Hinterdorf";
  const String fitted = onAirBannerDetailText(rec);
  EXPECT_TRUE(fitted.endsWith("~")) << s(fitted);
  tft.setTextFont(2);
  EXPECT_LE(tft.textWidth(fitted), ON_AIR_BANNER_DETAIL_W);
  EXPECT_EQ(s(onAirBannerDetailText(HeardRecord())), "");
}

// ---------------------------------------------------------------------------
// Taps and when the banner stays away

TEST_F(CallWatchPageTest, BannerTapOpensTheHotspotLivePageAndTapsOutsidePassThrough) {
  hotspotTransmits();
  const ScreenRect& r = ON_AIR_BANNER_RECT;
  EXPECT_FALSE(tapCallWatchDecorations(r.x + r.w / 2, r.y - 5));
  EXPECT_EQ(currentWatchSource, WATCH_WEATHER);
  EXPECT_TRUE(tapCallWatchDecorations(r.x + r.w / 2, r.y + r.h / 2));
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  // On the hotspot's own page there is no banner for it, and a tap is the page's.
  WatchSource source;
  HeardRecord rec;
  EXPECT_FALSE(onAirBannerRecord(source, rec));
  EXPECT_FALSE(tapCallWatchDecorations(r.x + r.w / 2, r.y + r.h / 2));
}

TEST_F(CallWatchPageTest, ToastTapClosesItAndTheBannerKeyTurnsItOff) {
  watchToast.visible = true;
  watchToast.shownAt = NOW_MS;
  const ScreenRect& t = WATCH_TOAST_RECT;
  EXPECT_FALSE(tapCallWatchDecorations(t.x - 5, t.y + 5));
  EXPECT_TRUE(tapCallWatchDecorations(t.x + 5, t.y + 5));
  EXPECT_FALSE(watchToast.visible);
  hotspotTransmits();
  WatchSource source;
  HeardRecord rec;
  EXPECT_TRUE(onAirBannerRecord(source, rec));
  cfg.onAirBanner = false;
  EXPECT_FALSE(onAirBannerRecord(source, rec));
  cfg.onAirBanner = true;
  screensaverActive = true;
  EXPECT_FALSE(onAirBannerRecord(source, rec));
}

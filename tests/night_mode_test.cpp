// Day and night: POSIX zone rules (checked against the C library), the sun
// against published rise, set and twilight times, the schedule window, the
// night keys of the configuration and the day-and-night state with an
// injected clock.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <string>

#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/night_mode.h"
#include "core/solar.h"
#include "core/tz_rule.h"
#include "core/view.h"
#include "host/runtime.h"
#include "support/config_test_env.h"

namespace {

const char* const CET_RULE = "CET-1CEST,M3.5.0/2,M10.5.0/3";
const char* const SYDNEY_RULE = "AEST-10AEDT,M10.1.0,M4.1.0/3";
const int TWO_MINUTES_S = 120;

time_t utcOf(int y, int mo, int d, int h, int mi, int s = 0) {
  return (time_t)(tzDaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s);
}

// Number of device-log entries with the DISPLAY tag whose text contains part.
int displayLogCount(const std::string& part) {
  int n = 0;
  for (int i = 0; i < webLogCount; ++i) {
    const WebLogEntry& e = webLogBuffer[i];
    if (e.tag == "DISPLAY" && std::string(e.message.c_str()).find(part) != std::string::npos) ++n;
  }
  return n;
}

void clearDeviceLog() {
  webLogHead = 0;
  webLogCount = 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Zone rules

TEST(TzRule, OffsetsMatchTheCLibraryOverTwoYears) {
  // Each rule is evaluated every quarter of an hour through 2025 and 2026
  // (every change falls on a quarter hour) and compared with glibc's reading
  // of the same rule.
  const char* const rules[] = {CET_RULE,
                               SYDNEY_RULE,
                               "EST5EDT",
                               "UTC0",
                               "<+0330>-3:30",
                               "NZST-12NZDT,M9.5.0,M4.1.0/3",
                               "IST-5:30",
                               "XXX3YYY,J60/1,300/23:30",
                               "AAA-2BBB-3,M3.5.0/-1,M10.5.0/25"};
  const char* previousTz = getenv("TZ");
  const std::string saved = previousTz ? previousTz : "";
  for (const char* text : rules) {
    TzRule rule;
    ASSERT_TRUE(parseTzRule(String(text), rule)) << text;
    setenv("TZ", text, 1);
    tzset();
    int mismatches = 0;
    for (time_t t = utcOf(2025, 1, 1, 0, 0); t < utcOf(2027, 1, 1, 0, 0); t += 900) {
      struct tm parts;
      localtime_r(&t, &parts);
      if (parts.tm_gmtoff != tzOffsetSecondsAt(rule, t) && ++mismatches < 4) {
        ADD_FAILURE() << text << " at " << (long long)t << ": glibc " << parts.tm_gmtoff << ", ours "
                      << tzOffsetSecondsAt(rule, t);
      }
    }
    EXPECT_EQ(mismatches, 0) << text;
  }
  if (previousTz) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(TzRule, ChangesHappenAtTheRuleInstants) {
  TzRule cet;
  ASSERT_TRUE(parseTzRule(String(CET_RULE), cet));
  EXPECT_EQ(cet.standardOffsetSeconds, 3600);
  EXPECT_EQ(cet.daylightOffsetSeconds, 7200);
  // Last Sunday of March 2026 (29th) 01:00 UTC, of October (25th) 01:00 UTC.
  EXPECT_FALSE(tzDaylightSavingAt(cet, utcOf(2026, 3, 29, 0, 59, 59)));
  EXPECT_TRUE(tzDaylightSavingAt(cet, utcOf(2026, 3, 29, 1, 0)));
  EXPECT_TRUE(tzDaylightSavingAt(cet, utcOf(2026, 10, 25, 0, 59, 59)));
  EXPECT_FALSE(tzDaylightSavingAt(cet, utcOf(2026, 10, 25, 1, 0)));
  // Sydney: summer across the new year, ends 5 April 2026 03:00 AEDT.
  TzRule syd;
  ASSERT_TRUE(parseTzRule(String(SYDNEY_RULE), syd));
  EXPECT_EQ(tzOffsetSecondsAt(syd, utcOf(2026, 1, 15, 12, 0)), 11 * 3600);
  EXPECT_EQ(tzOffsetSecondsAt(syd, utcOf(2026, 4, 4, 15, 59, 59)), 11 * 3600);
  EXPECT_EQ(tzOffsetSecondsAt(syd, utcOf(2026, 4, 4, 16, 0)), 10 * 3600);
  EXPECT_EQ(tzOffsetSecondsAt(syd, utcOf(2026, 10, 3, 16, 0)), 11 * 3600);
}

TEST(TzRule, RejectsWhatIsNotARule) {
  const char* const bad[] = {"",
                             "Europe/Berlin",
                             ":Europe/Berlin",
                             "CE-1",
                             "CET",
                             "CET-1CEST,M3.5.0",
                             "CET-1CEST,M13.5.0,M10.5.0",
                             "CET-1CEST,M3.6.0,M10.5.0",
                             "CET-1CEST,M3.5.7,M10.5.0",
                             "CET-25",
                             "CET-1 junk",
                             "<+03-3",
                             "CET-1CEST,J0,J100",
                             "CET-1CEST,366,100",
                             "CET-1:60"};
  for (const char* text : bad) {
    TzRule rule;
    rule.standardOffsetSeconds = 12345;
    EXPECT_FALSE(parseTzRule(String(text), rule)) << text;
    EXPECT_EQ(rule.standardOffsetSeconds, 12345) << text;
  }
  TzRule spaced;
  EXPECT_TRUE(parseTzRule(String("  CET-1CEST,M3.5.0/2,M10.5.0/3 \n"), spaced));
}

// ---------------------------------------------------------------------------
// The sun: published times (USNO "Sun and Moon Data for One Day" unless
// named otherwise), all converted to UTC.

namespace {

struct SunCase {
  const char* what;
  double lat, lon;
  int y, m, d;  // local day
  double altitude;
  time_t rising, setting;
};

const SunCase SUN_CASES[] = {
    // Stiftung Planetarium Berlin, 21 Dec 2024: 08:14:38 and 15:54:41 CET.
    {"Berlin winter rise/set", 52.52, 13.405, 2024, 12, 21, SUN_ALTITUDE_RISE_SET_DEG,
     utcOf(2024, 12, 21, 7, 14, 38), utcOf(2024, 12, 21, 14, 54, 41)},
    // whattime.city for Berlin (52.52 N, 13.41 E), 1 July: 04:48 and 21:33 CEST.
    {"Berlin summer rise/set", 52.52, 13.41, 2025, 7, 1, SUN_ALTITUDE_RISE_SET_DEG, utcOf(2025, 7, 1, 2, 48),
     utcOf(2025, 7, 1, 19, 33)},
    // Sydney 22 Sep 2025 sets 07:51 UTC; 23 Sep rises 19:44 UTC on the 22nd.
    {"Sydney set", -33.8688, 151.2093, 2025, 9, 22, SUN_ALTITUDE_RISE_SET_DEG, 0, utcOf(2025, 9, 22, 7, 51)},
    {"Sydney rise", -33.8688, 151.2093, 2025, 9, 23, SUN_ALTITUDE_RISE_SET_DEG, utcOf(2025, 9, 22, 19, 44),
     0},
    // Tromsø (69.5 N, 19.0 E) 1 Apr 2014, UT+1: civil 03:46-19:53, sun 04:50-18:49.
    {"Tromso spring civil twilight", 69.5, 19.0, 2014, 4, 1, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG,
     utcOf(2014, 4, 1, 2, 46), utcOf(2014, 4, 1, 18, 53)},
    {"Tromso spring rise/set", 69.5, 19.0, 2014, 4, 1, SUN_ALTITUDE_RISE_SET_DEG, utcOf(2014, 4, 1, 3, 50),
     utcOf(2014, 4, 1, 17, 49)},
    // 70 N 0 E 21 Dec 2025: the sun never rises, civil twilight 09:55-14:02.
    {"70N polar night civil twilight", 70.0, 0.0, 2025, 12, 21, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG,
     utcOf(2025, 12, 21, 9, 55), utcOf(2025, 12, 21, 14, 2)},
    // Oslo 21 Jun 2025: civil 00:10-22:28, sun 01:54-20:44 UTC.
    {"Oslo summer civil twilight", 59.9139, 10.7522, 2025, 6, 21, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG,
     utcOf(2025, 6, 21, 0, 10), utcOf(2025, 6, 21, 22, 28)},
    {"Oslo winter civil twilight", 59.9139, 10.7522, 2025, 12, 21, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG,
     utcOf(2025, 12, 21, 7, 21), utcOf(2025, 12, 21, 15, 10)},
};

}  // namespace

TEST(Solar, RiseSetAndTwilightWithinTwoMinutesOfPublishedTimes) {
  for (const SunCase& c : SUN_CASES) {
    const SunCrossings x = sunCrossingsOnDay(c.y, c.m, c.d, c.lat, c.lon, c.altitude);
    ASSERT_TRUE(x.crosses) << c.what;
    if (c.rising != 0) {
      EXPECT_NEAR((double)x.rising, (double)c.rising, TWO_MINUTES_S) << c.what << " rising";
    }
    if (c.setting != 0) {
      EXPECT_NEAR((double)x.setting, (double)c.setting, TWO_MINUTES_S) << c.what << " setting";
    }
    // At the crossings the sun stands at the altitude.
    EXPECT_NEAR(solarElevationDeg(x.rising, c.lat, c.lon), c.altitude, 0.1) << c.what;
    EXPECT_NEAR(solarElevationDeg(x.setting, c.lat, c.lon), c.altitude, 0.1) << c.what;
  }
}

TEST(Solar, PolarDayAndPolarNight) {
  // Tromsø (69.65 N, 18.96 E): midnight sun in June, no sunrise in December
  // but a few hours of civil twilight; Longyearbyen (78.22 N) stays below
  // the twilight limit all day in December.
  const SunCrossings juneSun = sunCrossingsOnDay(2026, 6, 21, 69.6492, 18.9553, SUN_ALTITUDE_RISE_SET_DEG);
  EXPECT_FALSE(juneSun.crosses);
  EXPECT_TRUE(juneSun.staysAbove);
  const SunCrossings juneTwilight =
      sunCrossingsOnDay(2026, 6, 21, 69.6492, 18.9553, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG);
  EXPECT_FALSE(juneTwilight.crosses);
  EXPECT_TRUE(juneTwilight.staysAbove);
  const SunCrossings decSun = sunCrossingsOnDay(2026, 12, 21, 69.6492, 18.9553, SUN_ALTITUDE_RISE_SET_DEG);
  EXPECT_FALSE(decSun.crosses);
  EXPECT_FALSE(decSun.staysAbove);
  EXPECT_TRUE(sunCrossingsOnDay(2026, 12, 21, 69.6492, 18.9553, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG).crosses);
  const SunCrossings svalbard =
      sunCrossingsOnDay(2026, 12, 21, 78.2232, 15.6267, SUN_ALTITUDE_CIVIL_TWILIGHT_DEG);
  EXPECT_FALSE(svalbard.crosses);
  EXPECT_FALSE(svalbard.staysAbove);
  // Same picture in the south: Antarctic summer at McMurdo (77.85 S).
  EXPECT_TRUE(sunCrossingsOnDay(2026, 12, 21, -77.85, 166.67, SUN_ALTITUDE_RISE_SET_DEG).staysAbove);
}

TEST(Solar, ElevationAgreesWithPublishedPositions) {
  // USNO geometric altitudes: Oslo 2025-06-21 10:00 UTC 51.002 deg, Sydney
  // 2025-12-21 02:00 UTC 79.461 deg, Reykjavik 2025-09-22 13:00 UTC 25.830.
  EXPECT_NEAR(solarElevationDeg(utcOf(2025, 6, 21, 10, 0), 59.9139, 10.7522), 51.002, 0.02);
  EXPECT_NEAR(solarElevationDeg(utcOf(2025, 12, 21, 2, 0), -33.8688, 151.2093), 79.461, 0.02);
  EXPECT_NEAR(solarElevationDeg(utcOf(2025, 9, 22, 13, 0), 64.1466, -21.9426), 25.830, 0.02);
}

// ---------------------------------------------------------------------------
// Schedule window and settings

TEST(NightWindow, AcrossMidnightWithinADayAndEqualEnds) {
  struct Row {
    int start, end, minute;
    bool night;
  } rows[] = {
      {22 * 60, 7 * 60, 21 * 60 + 59, false},
      {22 * 60, 7 * 60, 22 * 60, true},
      {22 * 60, 7 * 60, 23 * 60 + 59, true},
      {22 * 60, 7 * 60, 0, true},
      {22 * 60, 7 * 60, 6 * 60 + 59, true},
      {22 * 60, 7 * 60, 7 * 60, false},
      {1 * 60, 5 * 60, 0, false},
      {1 * 60, 5 * 60, 60, true},
      {1 * 60, 5 * 60, 300, false},
      {0, 0, 0, false},
      {13 * 60, 13 * 60, 13 * 60, false},
      {0, 23 * 60 + 59, 23 * 60 + 58, true},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(minuteInNightWindow(r.minute, r.start, r.end), r.night)
        << r.start << "-" << r.end << " at " << r.minute;
  }
}

TEST(NightWindow, ClockTexts) {
  int m = -1;
  EXPECT_TRUE(parseClockMinutes(String("22:00"), m));
  EXPECT_EQ(m, 22 * 60);
  EXPECT_TRUE(parseClockMinutes(String(" 7:05 "), m));
  EXPECT_EQ(m, 7 * 60 + 5);
  EXPECT_TRUE(parseClockMinutes(String("00:00"), m));
  EXPECT_EQ(m, 0);
  for (const char* bad : {"", "24:00", "7", "07:60", "07:5", "007:00", "-1:00", "07:00x", "ab:cd", "7.30"}) {
    EXPECT_FALSE(parseClockMinutes(String(bad), m)) << bad;
  }
  EXPECT_EQ(canonicalClockText(String("6:30"), "22:00"), String("06:30"));
  EXPECT_EQ(canonicalClockText(String("25:00"), "22:00"), String("22:00"));
  EXPECT_EQ(canonicalNightMode(String(" Sun ")), String("sun"));
  EXPECT_EQ(canonicalNightMode(String("SCHEDULE")), String("schedule"));
  EXPECT_EQ(canonicalNightMode(String("dark")), String("off"));
}

TEST(NightWindow, StationPositionTakesWeatherThenAprsThenAdsb) {
  AppConfig saved = cfg;
  cfg.weatherLat = cfg.weatherLon = cfg.aprsCenterLat = cfg.aprsCenterLon = "";
  cfg.adsbCenterLat = "48.1";
  cfg.adsbCenterLon = "11.6";
  StationPosition p = stationPositionFromConfig();
  EXPECT_TRUE(p.valid);
  EXPECT_STREQ(p.source, "ADS-B centre");
  cfg.aprsCenterLat = "53.55";
  cfg.aprsCenterLon = "9.99";
  EXPECT_STREQ(stationPositionFromConfig().source, "APRS centre");
  cfg.weatherLat = "52.52";
  cfg.weatherLon = "13.405";
  p = stationPositionFromConfig();
  EXPECT_STREQ(p.source, "weather");
  EXPECT_DOUBLE_EQ(p.latDeg, 52.52);
  // Hostile or unset pairs are skipped.
  for (const char* lat : {"91", "nan", "inf", "0", "52.5x", "", "1e400"}) {
    cfg.weatherLat = lat;
    cfg.weatherLon = lat[0] == '0' ? "0" : "13.4";
    EXPECT_STREQ(stationPositionFromConfig().source, "APRS centre") << lat;
  }
  cfg = saved;
}

// ---------------------------------------------------------------------------
// Night keys in the configuration file

TEST_F(ConfigFileTest, NightKeysLoadNormaliseAndSave) {
  writeConfig(
      "{\"backend\":\"Pi-Star\",\"wifi_ssid\":\"home\",\"pistar_host\":\"10.0.0.2\","
      "\"night_mode\":\" SUN \",\"night_start\":\"21:5\",\"night_end\":\"6:45\","
      "\"night_brightness\":999,\"night_screensaver_only\":false}");
  ASSERT_TRUE(loadConfig());
  EXPECT_EQ(cfg.nightMode, String("sun"));
  EXPECT_EQ(cfg.nightStart, String("22:00"));  // unreadable: the default
  EXPECT_EQ(cfg.nightEnd, String("06:45"));
  EXPECT_EQ(cfg.nightBrightness, 255);
  EXPECT_FALSE(cfg.nightScreensaverOnly);
  cfg.nightBrightness = 0;
  ASSERT_TRUE(saveConfigToFile());
  const std::string saved = readFile("sdcard/config.json");
  EXPECT_NE(saved.find("\"night_mode\": \"sun\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"night_end\": \"06:45\""), std::string::npos);
  EXPECT_NE(saved.find("\"night_brightness\": 0"), std::string::npos);
  EXPECT_NE(saved.find("\"night_screensaver_only\": false"), std::string::npos);
  ASSERT_TRUE(loadConfig());
  EXPECT_EQ(cfg.nightBrightness, 0);

  // Missing keys take the defaults; hostile values do no harm.
  writeConfig(
      "{\"backend\":\"Pi-Star\",\"wifi_ssid\":\"home\",\"pistar_host\":\"10.0.0.2\","
      "\"night_mode\":42,\"night_start\":null,\"night_brightness\":-5}");
  ASSERT_TRUE(loadConfig());
  EXPECT_EQ(cfg.nightMode, String("off"));
  EXPECT_EQ(cfg.nightStart, String("22:00"));
  EXPECT_EQ(cfg.nightEnd, String("07:00"));
  EXPECT_EQ(cfg.nightBrightness, 0);
  EXPECT_TRUE(cfg.nightScreensaverOnly);
}

// ---------------------------------------------------------------------------
// Day and night state with an injected clock

namespace {

time_t gNow = 0;
time_t testClock() { return gNow; }

class NightStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    cfg = AppConfig();
    cfg.timezoneTz = CET_RULE;
    cfg.nightMode = "schedule";
    cfg.brightness = 200;
    cfg.nightBrightness = 10;
    cfg.screensaverEnabled = false;
    cfg.screensaverTimeoutMs = 60000;
    nightActive = false;
    screensaverActive = false;
    setNightClock(testClock);
    nightConfigApplied();
    clearDeviceLog();
  }
  void TearDown() override { setNightClock(nullptr); }
  // One main-cycle check at the UTC instant (the millisecond clock far
  // enough on that the check is due).
  void checkAt(time_t utc) {
    gNow = utc;
    static uint32_t ms = 0;
    ms += NIGHT_CHECK_INTERVAL_MS;
    runNightModeStep(ms);
  }
  // A check at utc leaves night on or off as expected.
  void expectNightAt(time_t utc, bool night) {
    checkAt(utc);
    EXPECT_EQ(nightActive, night) << "at " << (long long)utc << " s (UTC)";
  }
};

}  // namespace

TEST_F(NightStateTest, ScheduleNightDimsOnlyTheScreensaverAndLogsEachChangeOnce) {
  expectNightAt(utcOf(2026, 1, 15, 20, 59), false);  // 21:59 CET
  EXPECT_FALSE(screensaverAllowedNow());
  EXPECT_EQ(screensaverTimeoutNowMs(), 60000u);
  expectNightAt(utcOf(2026, 1, 15, 21, 0), true);  // 22:00 CET
  EXPECT_TRUE(screensaverAllowedNow());
  EXPECT_EQ(screensaverTimeoutNowMs(), NIGHT_SCREENSAVER_TIMEOUT_MS);
  EXPECT_EQ(backlightLevelNow(), 200) << "the pages keep the day brightness";
  setScreensaverActive(true);
  EXPECT_EQ(backlightLevelNow(), 10);
  for (int i = 1; i < 30; ++i) checkAt(utcOf(2026, 1, 15, 21, i));
  EXPECT_EQ(displayLogCount("Night began (schedule 22:00-07:00)"), 1);
  expectNightAt(utcOf(2026, 1, 16, 6, 0), false);  // 07:00 CET
  // The screensaver was there only for the night: the pages come back.
  EXPECT_FALSE(screensaverActive);
  EXPECT_EQ(backlightLevelNow(), 200);
  EXPECT_EQ(displayLogCount("Day began"), 1);
  EXPECT_EQ(displayLogCount("Night began"), 1);
  cfg.nightScreensaverOnly = false;
  checkAt(utcOf(2026, 1, 16, 22, 0));
  EXPECT_EQ(screensaverTimeoutNowMs(), 60000u);
}

TEST_F(NightStateTest, DaylightSavingChangesFollowTheConfiguredZone) {
  // 29 Mar 2026: 06:59 CEST is night, 07:00 CEST (05:00 UTC) is day; an
  // hour earlier in UTC than before the change.
  expectNightAt(utcOf(2026, 3, 29, 4, 59), true);
  expectNightAt(utcOf(2026, 3, 29, 5, 0), false);
  // 25 Oct 2026: 06:30 UTC is 07:30 CET (day), 05:59 UTC is 06:59 CET.
  expectNightAt(utcOf(2026, 10, 25, 5, 59), true);
  expectNightAt(utcOf(2026, 10, 25, 6, 0), false);
  // Evening of the change: 22:00 CET is 21:00 UTC.
  expectNightAt(utcOf(2026, 10, 25, 20, 59), false);
  expectNightAt(utcOf(2026, 10, 25, 21, 0), true);
  // The same local window in Sydney's zone (summer time, UTC+11).
  cfg.timezoneTz = SYDNEY_RULE;
  nightConfigApplied();
  expectNightAt(utcOf(2026, 1, 15, 10, 59), false);  // 21:59 AEDT
  expectNightAt(utcOf(2026, 1, 15, 11, 0), true);
}

TEST_F(NightStateTest, AClockJumpNeverLeavesTheWrongState) {
  checkAt(utcOf(2026, 5, 1, 22, 0));  // 00:00 CEST: night
  ASSERT_TRUE(nightActive);
  expectNightAt(utcOf(2026, 5, 1, 10, 0), false);  // set back to noon
  expectNightAt(utcOf(2030, 5, 1, 1, 0), true);  // forward by years, 03:00 CEST
  // A clock not set yet (1970, 01:00 CET) tells nothing: day until it is set.
  expectNightAt(0, false);
  expectNightAt(utcOf(2026, 5, 1, 1, 0), true);
}

TEST_F(NightStateTest, SunModeUsesThePositionAndFallsBackToTheScheduleOnce) {
  cfg.nightMode = "sun";
  cfg.weatherLat = "52.52";
  cfg.weatherLon = "13.405";
  nightConfigApplied();
  expectNightAt(utcOf(2024, 12, 21, 15, 30), false);  // Berlin, civil dusk at about 15:35 UTC
  expectNightAt(utcOf(2024, 12, 21, 15, 40), true);
  EXPECT_EQ(displayLogCount("civil twilight at 52.52, 13.40 from the weather position"), 1);
  expectNightAt(utcOf(2024, 12, 22, 6, 30), true);  // civil dawn about 06:32 UTC
  expectNightAt(utcOf(2024, 12, 22, 6, 35), false);

  // Polar night at Longyearbyen: night at noon. Polar day at Tromsø: day at midnight.
  cfg.weatherLat = "78.2232";
  cfg.weatherLon = "15.6267";
  nightConfigApplied();
  expectNightAt(utcOf(2026, 12, 21, 11, 0), true);
  cfg.weatherLat = "69.6492";
  cfg.weatherLon = "18.9553";
  nightConfigApplied();
  expectNightAt(utcOf(2026, 6, 21, 22, 0), false);

  // No position at all: the schedule, said once.
  cfg.weatherLat = cfg.weatherLon = "";
  nightConfigApplied();
  clearDeviceLog();
  for (int i = 0; i < 5; ++i) expectNightAt(utcOf(2026, 6, 21, 21, i), true);  // 23:00 CEST
  EXPECT_EQ(displayLogCount("needs a position"), 1);
}

TEST_F(NightStateTest, OffAndUnreadableZones) {
  cfg.nightMode = "off";
  nightConfigApplied();
  expectNightAt(utcOf(2026, 1, 15, 23, 0), false);
  EXPECT_EQ(webLogCount, 0) << "night mode off says nothing";
  // An Olson name is not a rule: the host's zone (UTC here) decides, with a warning.
  setenv("TZ", "UTC", 1);
  tzset();
  cfg.nightMode = "schedule";
  cfg.timezoneTz = "Europe/Berlin";
  nightConfigApplied();
  expectNightAt(utcOf(2026, 1, 15, 21, 30), false);  // 21:30 UTC
  expectNightAt(utcOf(2026, 1, 15, 22, 0), true);
  EXPECT_EQ(displayLogCount("is not a POSIX TZ rule"), 1);
  // Switching night mode off at night ends the night at the next check.
  cfg.nightMode = "off";
  nightConfigApplied();
  expectNightAt(utcOf(2026, 1, 15, 22, 1), false);
  EXPECT_EQ(displayLogCount("Night mode off"), 1);
}

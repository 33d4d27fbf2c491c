// The call watch: the watch-list matcher over real callsigns and targets of
// the dashboards, APRS and ADS-B; the repeat window; the alert (log line,
// toast, wake); the configuration keys; the wake on a new transmission; and
// the hotspot's background poll, whose answers land in the hotspot's own
// list while another source is shown (its own request channel, its cadence).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/view.h"
#include "host/desktop_main.h"
#include "host/runtime.h"
#include "host/tone.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/on_air.h"
#include "hotspot/watch_list.h"
#include "support/config_test_env.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/adsb/adsb.h"
#include "watch/svxlink/svxlink.h"

namespace {

std::string s(const String& v) { return std::string(v.c_str()); }

WatchSight sight(WatchSightSource source, const char* call, const char* target = "", const char* hex = "") {
  WatchSight w;
  w.source = source;
  w.callsign = call;
  w.target = target;
  w.hex = hex;
  return w;
}

int watchLogLines() {
  int n = 0;
  for (uint8_t i = 0; i < webLogCount; ++i) {
    const WebLogEntry* e = webLogEntryAt(i);
    if (e != nullptr && e->tag == "WATCH") ++n;
  }
  return n;
}

void useWatchList(std::initializer_list<const char*> entries) {
  cfg.watchListCount = 0;
  for (const char* e : entries) cfg.watchList[cfg.watchListCount++] = e;
}

}  // namespace

// ---------------------------------------------------------------------------
// The matcher, over callsigns and targets seen in real answers

TEST(WatchListMatcher, RealCallsignsTargetsAprsCallsAndAircraft) {
  struct Case {
    const char* entry;
    WatchSight seen;
    bool match;
  };
  const Case cases[] = {
      // Exact callsigns (WPSD last heard, Pi-Star D-Star with suffix, SvxLink bridge).
      {"W1JDB", sight(WATCH_SIGHT_HOTSPOT, "W1JDB", "TG 91"), true},
      {" w1jdb ", sight(WATCH_SIGHT_HOTSPOT, "W1JDB", "TG 91"), true},
      {"W1JD", sight(WATCH_SIGHT_HOTSPOT, "W1JDB", "TG 91"), false},
      {"CT2HRB", sight(WATCH_SIGHT_HOTSPOT, "CT2HRB/ID31", "XRF012QL"), true},
      {"SA7BNT", sight(WATCH_SIGHT_SVXLINK, "SA7BNT", "TG 2401"), true},
      // Portable suffixes and SSIDs do not hide a callsign.
      {"DL1ABC", sight(WATCH_SIGHT_HOTSPOT, "DL1ABC/P"), true},
      {"DL1ABC/P", sight(WATCH_SIGHT_HOTSPOT, "DL1ABC"), true},
      {"SM0ABC", sight(WATCH_SIGHT_SVXLINK, "SM0ABC-5", "240"), true},
      // Prefixes.
      {"DL*", sight(WATCH_SIGHT_HOTSPOT, "DL1ABC"), true},
      {"dl *", sight(WATCH_SIGHT_HOTSPOT, "DB0XYZ"), false},
      {"ON*", sight(WATCH_SIGHT_HOTSPOT, "ON9CJA", "TG 206"), true},
      {"*", sight(WATCH_SIGHT_HOTSPOT, "ON9CJA"), false},
      // Talkgroups and reflectors against the record's target.
      {"TG 91", sight(WATCH_SIGHT_HOTSPOT, "K4YUI", "TG 91"), true},
      {"tg91", sight(WATCH_SIGHT_HOTSPOT, "K4YUI", "TG 91"), true},
      {"TG 91", sight(WATCH_SIGHT_HOTSPOT, "SA7BNT", "TG 9112"), false},
      {"TG 240", sight(WATCH_SIGHT_SVXLINK, "SM0ABC-5", "240"), true},
      {"TG 240", sight(WATCH_SIGHT_SVXLINK, "SA7BNT", "TG 2401"), false},
      {"TG 262", sight(WATCH_SIGHT_HOTSPOT, "SA7BNT", "TG 271"), false},
      {"XRF012", sight(WATCH_SIGHT_HOTSPOT, "CT1EPE", "CQCQCQ   via XRF012 Q"), true},
      {"XRF012Q", sight(WATCH_SIGHT_HOTSPOT, "CT2HRB", "XRF012QL"), true},
      {"TG 91", sight(WATCH_SIGHT_APRS, "MICON-1"), false},
      // A Guatemalan callsign is not a talkgroup.
      {"TG9ABC", sight(WATCH_SIGHT_HOTSPOT, "TG9ABC", "TG 9"), true},
      // APRS calls: without SSID any SSID, with SSID only that one.
      {"DB0ABC", sight(WATCH_SIGHT_APRS, "DB0ABC-10"), true},
      {"db0abc-10", sight(WATCH_SIGHT_APRS, "DB0ABC-10"), true},
      {"DB0ABC-9", sight(WATCH_SIGHT_APRS, "DB0ABC-10"), false},
      {"MICON-1", sight(WATCH_SIGHT_APRS, "MICON-1"), true},  // an object name keeps its suffix
      {"MICON", sight(WATCH_SIGHT_APRS, "MICON-1"), false},
      // Aircraft: flight numbers (padded as dump1090 sends them) and ICAO addresses.
      {"EZY16EG", sight(WATCH_SIGHT_ADSB, "EZY16EG ", "", "407689"), true},
      {"407689", sight(WATCH_SIGHT_ADSB, "EZY16EG ", "", "407689"), true},
      {"BCS*", sight(WATCH_SIGHT_ADSB, "BCS361  ", "", "3c71a1"), true},
      {"BCS361", sight(WATCH_SIGHT_ADSB, "", "", "3c71a1"), false},
      {"W1JDB", sight(WATCH_SIGHT_ADSB, "EZY16EG", "", "407689"), false},
      // Blank and hostile entries match nothing.
      {"", sight(WATCH_SIGHT_HOTSPOT, "W1JDB"), false},
      {"   ", sight(WATCH_SIGHT_HOTSPOT, "W1JDB"), false},
      {"D*L", sight(WATCH_SIGHT_HOTSPOT, "DL1ABC"), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(watchEntryMatches(parseWatchEntry(c.entry), c.seen), c.match)
        << '"' << c.entry << "\" vs " << s(c.seen.callsign) << " / " << s(c.seen.target);
  }
}

TEST(WatchListMatcher, EntryKindsAndStations) {
  EXPECT_EQ(parseWatchEntry("TG 91").kind, WATCH_ENTRY_TARGET);
  EXPECT_EQ(s(parseWatchEntry("TG 91").key), "TG91");
  EXPECT_EQ(parseWatchEntry("DL*").kind, WATCH_ENTRY_PREFIX);
  EXPECT_EQ(parseWatchEntry("DB0ABC-10").kind, WATCH_ENTRY_EXACT);
  EXPECT_EQ(parseWatchEntry("w1aw/p").kind, WATCH_ENTRY_CALLSIGN);
  EXPECT_EQ(s(parseWatchEntry("w1aw/p").key), "W1AW");
  EXPECT_EQ(s(watchSightStation(sight(WATCH_SIGHT_HOTSPOT, "DL1ABC/P"))), "DL1ABC");
  EXPECT_EQ(s(watchSightStation(sight(WATCH_SIGHT_APRS, "micon-1"))), "MICON-1");
  EXPECT_EQ(s(watchSightStation(sight(WATCH_SIGHT_ADSB, "EZY16EG ", "", "407689"))), "407689");
}

// ---------------------------------------------------------------------------
// Repeat window

TEST(WatchListRepeat, OncePerEntryAndStationWithinTheWindow) {
  clearWatchRepeatMemory();
  const uint32_t hour = 3600000;
  EXPECT_TRUE(watchRepeatAllows("DL*", "DL1ABC", 1000, hour));
  EXPECT_FALSE(watchRepeatAllows("DL*", "DL1ABC", 1000 + hour - 1, hour));
  EXPECT_TRUE(watchRepeatAllows("DL*", "DL2XYZ", 2000, hour));   // another station
  EXPECT_TRUE(watchRepeatAllows("TG 91", "DL1ABC", 2000, hour));  // another entry
  EXPECT_TRUE(watchRepeatAllows("DL*", "DL1ABC", 1000 + hour, hour));
  // Across the wrap of millis().
  EXPECT_TRUE(watchRepeatAllows("W1AW", "W1AW", 0xFFFFFF00u, hour));
  EXPECT_FALSE(watchRepeatAllows("W1AW", "W1AW", 0x100u, hour));
  // More stations than the memory holds: the oldest is forgotten, never a crash.
  for (int i = 0; i < 200; ++i) EXPECT_TRUE(watchRepeatAllows("DL*", "DL" + String(i), 5000 + i, hour));
}

// ---------------------------------------------------------------------------
// The alert

TEST(WatchListAlert, LogLineToastAndWakeOncePerWindow) {
  clearWatchRepeatMemory();
  clearWebLog();
  desktopSetTestClock(500000);
  useWatchList({"W1AW", "TG 91"});
  cfg.watchListRepeatMinutes = 60;
  cfg.watchSound = false;
  screensaverActive = true;
  HeardRecord list[2];
  list[0].callsign = "K4YUI";
  list[0].target = "TG 91";
  list[0].mode = "DMR Slot 2";
  list[0].valid = true;
  list[1].callsign = "N0CALL";
  list[1].target = "TG 262";
  list[1].valid = true;
  noteWatchHeardList(WATCH_SIGHT_HOTSPOT, list, 2, nullptr, 0);
  ASSERT_EQ(watchLogLines(), 1);
  const WebLogEntry* line = webLogEntryAt(webLogCount - 1);
  EXPECT_EQ(s(line->level), "INFO");
  EXPECT_EQ(s(line->message), "K4YUI matched \"TG 91\" on MMDVM (TG 91).");
  EXPECT_TRUE(watchToast.visible);
  EXPECT_EQ(s(watchToast.title), "WATCH  K4YUI");
  EXPECT_EQ(s(watchToast.detail), "MMDVM  TG 91  DMR Slot 2");
  EXPECT_FALSE(screensaverActive);
  // The same list again, and a later answer that still holds it: no new line.
  noteWatchHeardList(WATCH_SIGHT_HOTSPOT, list, 2, nullptr, 0);
  noteWatchHeardList(WATCH_SIGHT_HOTSPOT, list, 2, list, 2);
  EXPECT_EQ(watchLogLines(), 1);
  // The toast leaves after its time; a tap closes it earlier.
  EXPECT_TRUE(serviceWatchToast(500000 + WATCH_TOAST_SHOW_MS - 1));
  EXPECT_FALSE(serviceWatchToast(500000 + WATCH_TOAST_SHOW_MS));
  // An aircraft from a real receiver answer.
  useWatchList({"KQA101"});
  cfg.adsbEnabled = true;
  cfg.adsbHost = "127.0.0.1:1";
  cfg.adsbCenterLat = "51.47";
  cfg.adsbCenterLon = "-0.45";
  cfg.adsbRangeKm = 999;
  ASSERT_TRUE(parseAdsbAircraftResponse(String(readTestData("adsb/aircraft_dump1090fa_london_compact.json"))));
  EXPECT_EQ(watchLogLines(), 2);
  EXPECT_EQ(s(webLogEntryAt(webLogCount - 1)->message), "KQA101 matched \"KQA101\" on ADS-B.");
  desktopClearTestClock();
}

TEST(WatchListAlert, ToneIsWrittenAndAMissingDeviceIsHarmless) {
  int16_t samples[2000];
  generateWatchTone(samples, 2000);
  EXPECT_EQ(samples[0], 0);  // faded in: no click
  int peak = 0;
  for (int16_t v : samples) peak = v > peak ? v : peak;
  EXPECT_GT(peak, 10000);
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(playWatchTone());
  EXPECT_FALSE(playWatchTone());  // traced once, never fatal
  EXPECT_FALSE(serviceWatchTone());
}

// ---------------------------------------------------------------------------
// Configuration keys

TEST_F(ConfigFileTest, CallWatchKeysLoadClampAndSave) {
  loadConfig();
  EXPECT_TRUE(cfg.hotspotBackgroundPoll);
  EXPECT_TRUE(cfg.onAirBanner);
  EXPECT_TRUE(cfg.wakeOnActivity);
  EXPECT_FALSE(cfg.wakeShowsLive);
  EXPECT_FALSE(cfg.watchSound);
  EXPECT_EQ(cfg.watchListCount, 0);
  EXPECT_EQ(cfg.watchListRepeatMinutes, 60);
  writeConfig(
      "{\"hotspot_background_poll\": false, \"on_air_banner\": false, \"wake_on_activity\": false,"
      " \"wake_shows_live\": true, \"watch_sound\": true, \"watch_list_repeat_minutes\": 0,"
      " \"watch_list\": [\" w1aw \", 7, \"tg   91\", {\"x\": \"DL*\"}, \"W1AW\", \"\","
      " \"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\", \"dl*\"]}");
  loadConfig();
  EXPECT_FALSE(cfg.hotspotBackgroundPoll);
  EXPECT_FALSE(cfg.onAirBanner);
  EXPECT_FALSE(cfg.wakeOnActivity);
  EXPECT_TRUE(cfg.wakeShowsLive);
  EXPECT_TRUE(cfg.watchSound);
  EXPECT_EQ(cfg.watchListRepeatMinutes, 1);
  ASSERT_EQ(cfg.watchListCount, 4);
  EXPECT_EQ(s(cfg.watchList[0]), "W1AW");
  EXPECT_EQ(s(cfg.watchList[1]), "TG 91");
  EXPECT_EQ(s(cfg.watchList[2]), "ABCDEFGHIJKLMNOPQRSTUVWX");
  EXPECT_EQ(s(cfg.watchList[3]), "DL*");
  ASSERT_TRUE(saveConfigToFile());
  const std::string saved = readFile("sdcard/config.json");
  EXPECT_NE(saved.find("\"watch_list_repeat_minutes\": 1"), std::string::npos) << saved;
  loadConfig();
  EXPECT_EQ(cfg.watchListCount, 4);
  EXPECT_EQ(s(cfg.watchList[3]), "DL*");
  writeConfig("{\"watch_list_repeat_minutes\": 99999, \"watch_list\": [\"A\",\"B\",\"C\",\"D\",\"E\",\"F\",\"G\","
              "\"H\",\"I\",\"J\",\"K\",\"L\",\"M\",\"N\",\"O\",\"P\",\"Q\",\"R\"], \"watch_list_x\": [\"Z\"");
  loadConfig();
  EXPECT_EQ(cfg.watchListRepeatMinutes, 1440);
  EXPECT_EQ(cfg.watchListCount, WATCH_LIST_MAX_ENTRIES);
}

// ---------------------------------------------------------------------------
// Wake on a new transmission

TEST(OnAirWake, NewTransmissionEndsTheScreensaverAndMayShowItsLivePage) {
  cfg.weatherEnabled = true;
  cfg.wakeOnActivity = false;
  screensaverActive = true;
  currentWatchSource = WATCH_WEATHER;
  noteNewTransmission(WATCH_MMDVM);
  EXPECT_TRUE(screensaverActive);
  cfg.wakeOnActivity = true;
  cfg.wakeShowsLive = true;
  currentPage = PAGE_STATUS;
  noteNewTransmission(WATCH_MMDVM);
  EXPECT_FALSE(screensaverActive);
  runCallWatchStep(millis());
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  // Awake already: a transmission never changes the page.
  currentPage = PAGE_STATUS;
  noteNewTransmission(WATCH_MMDVM);
  runCallWatchStep(millis());
  EXPECT_EQ(currentPage, PAGE_STATUS);
}

// ---------------------------------------------------------------------------
// Background poll: own channel, own list

class BackgroundPollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    setAnswer(readTestData("wpsd/last_heard_dmr.json"));
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(200, "OK", answer()));
    }));
    ASSERT_GT(server_->port(), 0);
    applyDesktopConfigDefaults();
    cfg.pistarHost = String("127.0.0.1:") + String(server_->port());
    cfg.weatherEnabled = true;
    cfg.refreshMs = 1500;
    wifiOk = true;
    setupRequired = apModeActive = wifiConnectInProgress = false;
    desktopSetTestClock(1000000);
  }
  void TearDown() override {
    EXPECT_TRUE(waitForFetchesIdle());
    desktopClearTestClock();
    server_.reset();
  }
  // The dashboard's answer (the server answers on its own thread).
  void setAnswer(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    heard_ = text;
  }
  std::string answer() {
    std::lock_guard<std::mutex> lock(mutex_);
    return heard_;
  }
  std::mutex mutex_;
  std::string heard_;
  std::unique_ptr<LocalHttpServer> server_;
};

// The weather source keeps no list of its own; the node's list stands for
// the list of another source, which the answer must not reach.
TEST_F(BackgroundPollTest, AnswerWhileTheWeatherPageIsShownLandsInTheHotspotListOnly) {
  setCurrentWatchSource(WATCH_WEATHER);
  ASSERT_EQ(currentWatchSource, WATCH_WEATHER);
  svxlinkHeard().records[0].callsign = "SHOWN";
  svxlinkHeard().records[0].valid = true;
  svxlinkHeard().count = 1;
  EXPECT_EQ(hotspotBackgroundPollIntervalMs(), 3000u);  // refresh_ms 1500 is raised to 3 s
  ASSERT_TRUE(runHotspotBackgroundPoll(millis()));
  EXPECT_TRUE(fetchChannelBusy(FETCH_CHANNEL_HOTSPOT_BACKGROUND));
  EXPECT_FALSE(fetchChannelBusy(FETCH_CHANNEL_HOTSPOT));  // the shown source's channel stays free
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(svxlinkHeard().count, 1);
  EXPECT_EQ(s(svxlinkHeard().records[0].callsign), "SHOWN");
  ASSERT_EQ(hotspotHeard().count, 3);
  EXPECT_EQ(s(hotspotHeard().records[0].callsign), "W1JDB");
  EXPECT_EQ(s(hotspotHeard().live.callsign), "W1JDB");
  EXPECT_FALSE(svxlinkHeard().live.valid);
  // The first list is what was heard before: no banner, no wake.
  WatchSource source = WATCH_WEATHER;
  HeardRecord rec;
  EXPECT_FALSE(onAirBannerRecord(source, rec));
  // Nothing before 3 s; at 3 s the next answer brings a new transmission,
  // which wakes the screen and shows the banner over the weather page.
  setAnswer(readTestData("pistar/last_heard_dmr_rf_rssi.json"));
  screensaverActive = true;
  EXPECT_FALSE(runHotspotBackgroundPoll(millis() + 2999));
  desktopSetTestClock(1000000 + 3000);
  EXPECT_TRUE(runHotspotBackgroundPoll(millis()));
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_FALSE(screensaverActive);
  ASSERT_TRUE(onAirBannerRecord(source, rec));
  EXPECT_EQ(source, WATCH_MMDVM);
  EXPECT_EQ(s(rec.callsign), "SA7BNT");
  EXPECT_EQ(svxlinkHeard().count, 1);
  // The hold time ends the banner.
  desktopSetTestClock(1000000 + 3000 + cfg.callsignHoldMs + 1);
  EXPECT_FALSE(onAirBannerRecord(source, rec));
  // Back on the hotspot the list is the one the background poll kept.
  setCurrentWatchSource(WATCH_MMDVM);
  EXPECT_EQ(shownHeardList().count, 2);
  EXPECT_EQ(s(shownHeardList().records[0].callsign), "SA7BNT");
}

TEST_F(BackgroundPollTest, NoPollWhileTheHotspotIsShownSwitchedOffOrNotConfigured) {
  setCurrentWatchSource(WATCH_MMDVM);
  EXPECT_FALSE(runHotspotBackgroundPoll(millis()));
  setCurrentWatchSource(WATCH_WEATHER);
  cfg.hotspotBackgroundPoll = false;
  EXPECT_FALSE(runHotspotBackgroundPoll(millis()));
  cfg.hotspotBackgroundPoll = true;
  const String host = cfg.pistarHost;
  cfg.pistarHost = "  ";
  EXPECT_FALSE(runHotspotBackgroundPoll(millis()));
  cfg.pistarHost = host;
  wifiOk = false;
  EXPECT_FALSE(runHotspotBackgroundPoll(millis()));
  wifiOk = true;
  cfg.refreshMs = 5000;
  EXPECT_EQ(hotspotBackgroundPollIntervalMs(), 5000u);
  EXPECT_TRUE(runHotspotBackgroundPoll(millis()));
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(server_->requests().size(), 1u);
  EXPECT_EQ(server_->requests()[0].target, "/api/last_heard.php");
}

TEST_F(BackgroundPollTest, AnswersWithoutAListChangeNothing) {
  setCurrentWatchSource(WATCH_WEATHER);
  ASSERT_TRUE(applyHotspotBackgroundAnswer(String(answer())));
  ASSERT_EQ(hotspotHeard().count, 3);
  for (const char* hostile : {"", "<html>login</html>", "{\"a\":", "[{\"callsign\":", "\x01\x02\xff"}) {
    applyHotspotBackgroundAnswer(String(hostile));
    EXPECT_EQ(hotspotHeard().count, 3) << hostile;
  }
  EXPECT_TRUE(applyHotspotBackgroundAnswer(String("[]")));
  EXPECT_EQ(hotspotHeard().count, 0);
  EXPECT_EQ(shownHeardList().count, 0);
}

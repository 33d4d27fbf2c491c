// The ADS-B source: the real dump1090 and readsb dumps (current and old key
// sets, aircraft without position) and our variants (ground, hostile
// numbers, the 17th aircraft), the receiver URL rules, the airline codes
// and logo paths with airlines.dat and its cache, and the poll against a
// local receiver at its cadence.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <memory>
#include <mutex>
#include <string>

#include "core/config.h"
#include "core/view.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/fetch_worker.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/adsb/adsb.h"

namespace {

const uint32_t NOW_MS = 2000000;

std::string s(const String& v) { return std::string(v.c_str()); }

std::string data(const std::string& name) { return readTestData("adsb/" + name); }

std::string plane(const std::string& hex, double lat, double lon, const std::string& extra = "") {
  return "{\"hex\":\"" + hex + "\",\"lat\":" + std::to_string(lat) + ",\"lon\":" + std::to_string(lon) +
         (extra.empty() ? "" : "," + extra) + "}";
}

std::string dump(const std::string& aircraft) {
  return "{\"now\":1700000000.1,\"messages\":1234,\"aircraft\":[" + aircraft + "]}";
}

class AdsbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(NOW_MS);
    cfg.adsbEnabled = true;
    cfg.adsbHost = "127.0.0.1:1";
    cfg.adsbPath = "";
    cfg.adsbRangeKm = 150;
    cfg.adsbRefreshSeconds = 10;
    cfg.adsbCenterLat = "51.4700";
    cfg.adsbCenterLon = "-0.4543";
    cfg.weatherLat = cfg.weatherLon = cfg.aprsCenterLat = cfg.aprsCenterLon = "";
    clearAdsbData();
    clearAdsbAirlineLookupCache();
    SD.setRoot((std::string(QSODECK_SOURCE_DIR) + "/sdcard").c_str());
  }
  void TearDown() override { desktopClearTestClock(); }
};

// ---------------------------------------------------------------------------
// Seen in real answers

TEST_F(AdsbTest, RealDumpsGiveCountersAndTheNearestAircraft) {
  struct Case {
    const char* file;
    const char* lat;
    const char* lon;
    int total, positions, nearest;
    uint32_t messages;
    const char* first;
    const char* error;
  } cases[] = {
      // 25 in range, 16 kept; the nearest has no flight and shows its hex.
      {"aircraft_dump1090fa_london_compact.json", "51.47", "-0.4543", 44, 25, 16, 54541153, "400b83", ""},
      {"aircraft_readsb_dc_ground_mlat.json", "38.85", "-77.04", 36, 16, 11, 31812, "ae0c36", ""},
      {"aircraft_old_altitude_key_no_positions.json", "51.47", "-0.4543", 4, 0, 0, 718416, "",
       "No ADSB aircraft in range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    clearAdsbData();
    cfg.adsbCenterLat = c.lat;
    cfg.adsbCenterLon = c.lon;
    ASSERT_TRUE(parseAdsbAircraftResponse(String(data(c.file))));
    const AdsbState& st = adsbState;
    EXPECT_TRUE(st.valid);
    EXPECT_EQ(st.totalAircraft, c.total);
    EXPECT_EQ(st.positionAircraft, c.positions);
    ASSERT_EQ(st.aircraftCount, c.nearest);
    EXPECT_EQ(st.messages, c.messages);  // the receiver's counter, not an aircraft's
    EXPECT_EQ(s(st.error), c.error);
    EXPECT_EQ(st.lastSuccessMillis, NOW_MS);
    for (int i = 1; i < st.aircraftCount; ++i)
      EXPECT_LE(st.aircraft[i - 1].distanceKm, st.aircraft[i].distanceKm);
    if (c.nearest > 0) {
      EXPECT_EQ(s(adsbRecordName(st.aircraft[0])), c.first);
    }
  }
}

TEST_F(AdsbTest, CurrentAndOldKeysGroundAndMlatAircraft) {
  ASSERT_TRUE(parseAdsbAircraftResponse(String(data("aircraft_dump1090fa_london_compact.json"))));
  const AdsbAircraftRecord& a = adsbState.aircraft[0];
  EXPECT_EQ(s(a.hex), "400b83");
  EXPECT_EQ(a.altitudeFt, 1700);  // alt_baro before alt_geom
  EXPECT_NEAR(a.speedKt, 161.1f, 0.01f);
  EXPECT_EQ(a.trackDeg, 267);
  EXPECT_NEAR(a.seenSec, 10.9f, 0.01f);  // seen_pos before seen
  EXPECT_EQ(s(adsbAltitudeText(a)), "1700ft");
  EXPECT_EQ(s(adsbSpeedText(a)), "161kt");
  const std::string variants = dump(
      plane("old001", 51.5, -0.4, "\"flight\":\"BAW12  \",\"altitude\":\"ground\",\"speed\":12,\"seen\":3") +
      "," +
      plane("geo002", 51.6, -0.4, "\"alt_geom\":4500,\"mlat\":[\"lat\",\"lon\",\"track\"],\"track\":90.9") +
      "," + plane("gnd003", 51.7, -0.4, "\"alt_baro\":\" Ground \",\"gs\":0") + "," +
      "{\"hex\":\"nopos4\",\"seen\":1}");
  ASSERT_TRUE(parseAdsbAircraftResponse(String(variants)));
  EXPECT_EQ(adsbState.totalAircraft, 4);
  EXPECT_EQ(adsbState.positionAircraft, 3);
  ASSERT_EQ(adsbState.aircraftCount, 3);
  const AdsbAircraftRecord& old = adsbState.aircraft[0];
  EXPECT_EQ(s(old.flight), "BAW12");
  EXPECT_TRUE(old.altitudeValid);
  EXPECT_EQ(s(adsbAltitudeText(old)), "GROUND");
  EXPECT_EQ(s(adsbSpeedText(old)), "12kt");
  EXPECT_EQ(old.seenSec, 3.0f);
  EXPECT_EQ(adsbState.aircraft[1].altitudeFt, 4500);
  EXPECT_EQ(adsbState.aircraft[1].trackDeg, 90);
  EXPECT_FALSE(adsbState.aircraft[1].speedValid);
  EXPECT_EQ(s(adsbSpeedText(adsbState.aircraft[1])), "SPD -");
  EXPECT_EQ(s(adsbAltitudeText(adsbState.aircraft[2])), "GROUND");
  EXPECT_EQ(s(adsbRecordName(adsbState.aircraft[2])), "gnd003");
}

// ---------------------------------------------------------------------------
// Hostile and broken

TEST_F(AdsbTest, NumbersThatAreNotSaneCountAsAbsent) {
  const std::string hostile = dump(
      plane("bad001", 51.5, -0.4, "\"alt_baro\":1e40,\"gs\":\"nan\",\"track\":\"inf\",\"seen_pos\":-1e300") +
      "," + plane("bad002", 51.5, -0.4, "\"alt_baro\":\"high\",\"gs\":\"fast\",\"track\":99999999999"));
  ASSERT_TRUE(parseAdsbAircraftResponse(String(hostile)));
  ASSERT_EQ(adsbState.aircraftCount, 2);
  for (int i = 0; i < 2; ++i) {
    const AdsbAircraftRecord& a = adsbState.aircraft[i];
    EXPECT_FALSE(a.altitudeValid);
    EXPECT_FALSE(a.speedValid);
    EXPECT_FALSE(a.trackValid);
    EXPECT_EQ(s(adsbAltitudeText(a)), "ALT -");
  }
  // Positions that are not one: left out, still counted in the total.
  ASSERT_TRUE(
      parseAdsbAircraftResponse(String(dump("{\"hex\":\"x1\",\"lat\":\"nan\",\"lon\":1},"
                                            "{\"hex\":\"x2\",\"lat\":91,\"lon\":1},"
                                            "{\"hex\":\"x3\",\"lat\":0,\"lon\":0},"
                                            "{\"hex\":\"x4\",\"lat\":null,\"lon\":null}"))));
  EXPECT_EQ(adsbState.totalAircraft, 4);
  EXPECT_EQ(adsbState.positionAircraft, 0);
}

TEST_F(AdsbTest, ReadsbStalePositionIsNotWhereTheAircraftIsNow) {
  const std::string stale = dump(
      "{\"hex\":\"old001\",\"flight\":\"BAW1\",\"lastPosition\":{\"lat\":51.5,\"lon\":-0.4,\"seen_pos\":"
      "75.2},\"seen\":3}," +
      plane("new002", 51.6, -0.45, "\"lastPosition\":{\"lat\":51.1,\"lon\":-0.1},\"flight\":\"X{\\\"}1\""));
  ASSERT_TRUE(parseAdsbAircraftResponse(String(stale)));
  EXPECT_EQ(adsbState.totalAircraft, 2);
  EXPECT_EQ(adsbState.positionAircraft, 1);
  ASSERT_EQ(adsbState.aircraftCount, 1);
  EXPECT_EQ(s(adsbState.aircraft[0].hex), "new002");
  EXPECT_NEAR(adsbState.aircraft[0].lat, 51.6f, 1e-4f);
  EXPECT_EQ(s(adsbState.aircraft[0].flight), "X{\"}1");
}

TEST_F(AdsbTest, BrokenAnswersKeepThePreviousList) {
  ASSERT_TRUE(parseAdsbAircraftResponse(String(dump(plane("keep01", 51.5, -0.4)))));
  const std::string cases[] = {"", "{\"now\":1,\"messages\":5}", "{\"aircraft\":{\"hex\":\"x\"}}",
                               "<html>404</html>", "{\"aircraft\":[{\"hex\":\"cut\",\"lat\":51.5,"};
  for (const std::string& payload : cases) {
    SCOPED_TRACE(payload);
    EXPECT_FALSE(parseAdsbAircraftResponse(String(payload)));
    EXPECT_EQ(s(adsbState.error), "ADSB JSON: aircraft missing");
    ASSERT_EQ(adsbState.aircraftCount, 1);
    EXPECT_EQ(s(adsbState.aircraft[0].hex), "keep01");
  }
  cfg.adsbCenterLat = "";
  EXPECT_FALSE(parseAdsbAircraftResponse(String(dump(plane("new001", 51.5, -0.4)))));
  EXPECT_EQ(s(adsbState.error), "ADSB center not set");
  EXPECT_EQ(s(adsbState.aircraft[0].hex), "keep01");
}

TEST_F(AdsbTest, SeventeenthNearerAircraftReplacesTheSixteenth) {
  std::string list;
  for (int i = 0; i < 16; ++i) {
    if (i) list += ",";
    list += plane("p" + std::to_string(i), 51.47 + 0.01 * (i + 1), -0.4543);
  }
  list += "," + plane("same16", 51.47 + 0.16, -0.4543);  // as far as the 16th: dropped
  list += "," + plane("near17", 51.47 + 0.005, -0.4543);
  ASSERT_TRUE(parseAdsbAircraftResponse(String(dump(list))));
  EXPECT_EQ(adsbState.aircraftCount, 16);
  EXPECT_EQ(adsbState.totalAircraft, 18);
  EXPECT_EQ(s(adsbState.aircraft[0].hex), "near17");
  EXPECT_EQ(s(adsbState.aircraft[15].hex), "p14");
  // Aircraft outside the radius are counted but not kept.
  cfg.adsbRangeKm = 1;
  ASSERT_TRUE(parseAdsbAircraftResponse(String(dump(list))));
  EXPECT_EQ(adsbState.aircraftCount, 1);
  EXPECT_EQ(adsbState.positionAircraft, 18);
}

// ---------------------------------------------------------------------------
// Receiver URL and centre

TEST_F(AdsbTest, ReceiverUrlRules) {
  const struct {
    const char* host;
    const char* path;
    const char* url;
  } cases[] = {
      {"192.168.1.5/", "", "http://192.168.1.5/dump1090-fa/data/aircraft.json"},
      {" 192.168.1.5:8080 ", "data/aircraft.json", "http://192.168.1.5:8080/data/aircraft.json"},
      {"https://10.0.0.2/tar1090/data/aircraft.json", "/ignored",
       "https://10.0.0.2/tar1090/data/aircraft.json"},
      {"HTTP://10.0.0.2/x/aircraft.JSON///", "", "HTTP://10.0.0.2/x/aircraft.JSON"},
      {"https://10.0.0.2", "", "https://10.0.0.2/dump1090-fa/data/aircraft.json"},
      {"http://10.0.0.2/skyaware", "/data/aircraft.json", "http://10.0.0.2/skyaware/data/aircraft.json"},
      {"https://aircraft.json", "", "https://aircraft.json/dump1090-fa/data/aircraft.json"},
      {"  ", "", ""},
  };
  for (const auto& c : cases) {
    cfg.adsbHost = c.host;
    cfg.adsbPath = c.path;
    EXPECT_EQ(s(adsbAircraftUrl()), c.url) << c.host;
  }
  EXPECT_EQ(s(adsbNormalizePath(" x.json ")), "/x.json");
}

TEST_F(AdsbTest, AreaCentreOrder) {
  EXPECT_EQ(s(adsbAreaCenterLabel()), "configured");
  cfg.adsbCenterLat = "0.000001";
  cfg.adsbCenterLon = "0.000001";
  EXPECT_EQ(s(adsbAreaCenterLabel()), "missing");
  cfg.aprsCenterLat = "48.1";
  cfg.aprsCenterLon = "11.5";
  EXPECT_EQ(s(adsbAreaCenterLabel()), "APRS");
  cfg.weatherLat = "52.5";
  cfg.weatherLon = "13.4";
  float lat = 0, lon = 0;
  ASSERT_TRUE(adsbConfiguredAreaCenter(lat, lon));
  EXPECT_EQ(s(adsbAreaCenterLabel()), "weather");
  EXPECT_NEAR(lat, 52.5f, 1e-4f);
}

// ---------------------------------------------------------------------------
// Airlines and logos

TEST_F(AdsbTest, FlightTokensAndCsvFields) {
  EXPECT_EQ(s(adsbCleanFlightToken("  dlh4ab  ")), "DLH4AB");
  EXPECT_EQ(s(adsbCleanFlightToken("*-EZY16EG/x")), "EZY16EG");
  EXPECT_EQ(s(adsbCleanFlightToken("")), "");
  EXPECT_EQ(s(adsbNormalizeAirlineCode("\\N")), "");
  EXPECT_EQ(s(adsbNormalizeAirlineCode("null")), "");
  EXPECT_EQ(s(adsbNormalizeAirlineCode("na")), "");
  EXPECT_TRUE(adsbTokenHasDigitAt("LH400", 2));
  EXPECT_FALSE(adsbTokenHasDigitAt("LH400", 9));
  String field;
  const String line("99,\"Air, \"\"Test\"\" Ltd\",\\N,\"ZZ\",\"ZZT\",\"CALL\",\"Nowhere\",\"Y\"\r\n");
  ASSERT_TRUE(adsbCsvFieldAt(line, 1, field));
  EXPECT_EQ(s(field), "Air, \"Test\" Ltd");
  ASSERT_TRUE(adsbCsvFieldAt(line, 3, field));
  EXPECT_EQ(s(field), "ZZ");
  ASSERT_TRUE(adsbCsvFieldAt(line, 4, field));
  EXPECT_EQ(s(field), "ZZT");
  ASSERT_TRUE(adsbCsvFieldAt(line, 7, field));
  EXPECT_EQ(s(field), "Y");
  EXPECT_FALSE(adsbCsvFieldAt(line, 8, field));
  EXPECT_FALSE(adsbCsvFieldAt("\"open,quote", 1, field));
}

TEST_F(AdsbTest, IataCodesFromTheTableAirlinesDatAndTheCache) {
  EXPECT_EQ(s(adsbIataFromIcaoPrefix("DLH")), "LH");
  EXPECT_EQ(s(adsbIataFromIcaoPrefix("wzz")), "W6");
  EXPECT_EQ(s(adsbIataFromIcaoPrefix("BCS")), "QY");  // from the shipped airlines.dat
  EXPECT_EQ(s(adsbIataFromAirlinesDat("QQQ")), "");
  EXPECT_EQ(s(adsbIataFromAirlinesDat("TOOLONG")), "");
  String iata("unset");
  ASSERT_TRUE(adsbAirlinesDatLookupCached("QQQ", iata));
  EXPECT_EQ(s(iata), "");  // a failed lookup is remembered too
  // Remembered answers need no file any more.
  const std::string empty = makeTempDir("adsb-empty");
  SD.setRoot(empty.c_str());
  EXPECT_EQ(s(adsbIataFromAirlinesDat("BCS")), "QY");
  EXPECT_EQ(s(adsbIataFromAirlinesDat("EXS")), "");  // no file: empty, remembered
  // Sixteen slots, overwritten round-robin.
  clearAdsbAirlineLookupCache();
  for (int i = 0; i < 17; ++i) adsbAirlinesDatRememberLookup(String("C") + String(10 + i), "XX");
  EXPECT_FALSE(adsbAirlinesDatLookupCached("C10", iata));
  EXPECT_TRUE(adsbAirlinesDatLookupCached("C26", iata));
  adsbAirlinesDatRememberLookup("C26", "YY");  // same code: updated in place
  ASSERT_TRUE(adsbAirlinesDatLookupCached("C26", iata));
  EXPECT_EQ(s(iata), "YY");
  EXPECT_EQ(adsbAirlineLookupCacheNext, 1);
  removeTempDir(empty);
}

TEST_F(AdsbTest, LogoPathsTryIataThenIcao) {
  const std::string root = makeTempDir("adsb-logos");
  SD.setRoot(root.c_str());
  ASSERT_TRUE(storageMkdir("/adsb"));
  for (const char* name : {"LH", "DLH", "u2", "N1"}) {
    ASSERT_TRUE(writeWholeFile(root + "/adsb/" + name + ".png", "png"));
  }
  AdsbAircraftRecord rec;
  const struct {
    const char* flight;
    const char* path;
  } cases[] = {{"DLH4AB ", "/adsb/LH.png"},
               {"LH400", "/adsb/LH.png"},
               {"EZY16EG", "/adsb/U2.png"},
               {"N123AB", "/adsb/N1.png"},
               {"X", ""},
               {"", ""},
               {"SWR12", ""}};
  for (const auto& c : cases) {
    rec.flight = c.flight;
    EXPECT_EQ(s(adsbAirlineLogoPath(rec)), c.path) << c.flight;
  }
  storageRemove("/adsb/LH.png");
  rec.flight = "DLH4AB";
  EXPECT_EQ(s(adsbAirlineLogoPath(rec)), "/adsb/DLH.png");
  rec.flight = "LH400";
  EXPECT_EQ(s(adsbAirlineLogoPath(rec)), "");
  removeTempDir(root);
}

// ---------------------------------------------------------------------------
// The poll against a local receiver

class AdsbPollTest : public AdsbTest {
 protected:
  void SetUp() override {
    AdsbTest::SetUp();
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest&, int fd, LocalHttpServer&) {
      std::lock_guard<std::mutex> lock(mutex_);
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(code_, code_ == 200 ? "OK" : "Error", body_));
    }));
    cfg.adsbHost = ("127.0.0.1:" + std::to_string(server_->port())).c_str();
    body_ = data("aircraft_dump1090fa_london_compact.json");
  }
  bool poll(bool force = false) {
    const bool result = fetchAdsbData(force);
    EXPECT_TRUE(waitForFetchesIdle());
    return result;
  }
  std::mutex mutex_;
  int code_ = 200;
  std::string body_;
  std::unique_ptr<LocalHttpServer> server_;
};

// The receiver answers the same bytes: nothing is parsed or drawn again
// until the data or an error changes.
TEST_F(AdsbPollTest, AnUnchangedAnswerRedrawsNothing) {
  ASSERT_TRUE(poll(true));
  EXPECT_TRUE(uiDirty);
  const int aircraft = adsbState.aircraftCount;
  ASSERT_GT(aircraft, 0);
  clearRedrawFlags();
  desktopSetTestClock(NOW_MS + 5000);
  ASSERT_TRUE(poll(true));
  EXPECT_FALSE(anyRedrawFlagSet());
  EXPECT_EQ(adsbState.aircraftCount, aircraft);
  EXPECT_EQ(adsbState.lastSuccessMillis, NOW_MS + 5000);
  EXPECT_FALSE(adsbState.fetchInProgress);
  // After a failure the same bytes are applied (and drawn) again.
  code_ = 503;
  ASSERT_TRUE(poll(true));
  code_ = 200;
  clearRedrawFlags();
  ASSERT_TRUE(poll(true));
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(adsbState.error.length(), 0u);
  // Other aircraft are drawn.
  clearRedrawFlags();
  body_ = "{\"now\":1,\"aircraft\":[]}";
  ASSERT_TRUE(poll(true));
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(adsbState.aircraftCount, 0);
}

TEST_F(AdsbPollTest, PollsAtItsIntervalAndKeepsTheListOnFailure) {
  cfg.adsbRefreshSeconds = 5;
  ASSERT_TRUE(poll());
  ASSERT_EQ(server_->requests().size(), 1u);
  EXPECT_EQ(server_->requests()[0].target, "/dump1090-fa/data/aircraft.json");
  EXPECT_EQ(server_->requests()[0].header("Accept"), "application/json");
  EXPECT_EQ(adsbState.aircraftCount, 16);
  EXPECT_EQ(s(footerText), "ADSB: 16 aircraft in range");
  desktopSetTestClock(NOW_MS + 4999);
  EXPECT_TRUE(poll());  // not due: the old data is still good
  EXPECT_EQ(server_->requests().size(), 1u);
  desktopSetTestClock(NOW_MS + 5000);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    code_ = 500;
  }
  EXPECT_TRUE(poll());
  EXPECT_EQ(server_->requests().size(), 2u);
  EXPECT_EQ(s(adsbState.error), "ADSB HTTP 500");
  EXPECT_EQ(s(footerText), "ADSB HTTP 500");
  EXPECT_EQ(adsbState.aircraftCount, 16);
  EXPECT_EQ(s(adsbLastUpdatedText()), "5s ago");  // the last good list
  // Forced: at once.
  EXPECT_TRUE(poll(true));
  EXPECT_EQ(server_->requests().size(), 3u);
  cfg.adsbEnabled = false;
  EXPECT_FALSE(poll(true));
  EXPECT_EQ(server_->requests().size(), 3u);
}

TEST_F(AdsbPollTest, AnswerWithoutAircraftSaysSoInTheFooter) {
  body_ = "{\"now\":1}";
  EXPECT_TRUE(poll());
  EXPECT_EQ(s(footerText), "ADSB JSON: aircraft missing");
  EXPECT_FALSE(adsbState.valid);
  EXPECT_EQ(adsbState.lastHttpCode, 200);
}

}  // namespace

// The APRS source: the real "get loc" answers and our variants (primary
// station not first, failures, hostile numbers), the nearby list and the
// area centre, the batch of callsigns and the URL, the wait texts and the
// retry back-off, and the poll against a local API with its request gap,
// back-off after failures and the one-hour pause after a rate limit.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <memory>
#include <mutex>
#include <string>

#include "core/config.h"
#include "core/view.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/aprs/aprs.h"

namespace {

const uint32_t NOW_MS = 10000000;

std::string s(const String& v) { return std::string(v.c_str()); }

std::string data(const std::string& name) { return readTestData("aprs/" + name); }

// One entry of an answer in the service's shape.
std::string entry(const std::string& name, const std::string& lat, const std::string& lng,
                  const std::string& extra = "") {
  return "{\"name\":\"" + name + "\",\"type\":\"l\",\"lat\":\"" + lat + "\",\"lng\":\"" + lng + "\"" +
         (extra.empty() ? "" : "," + extra) + "}";
}

std::string answer(const std::string& entries) {
  return "{\"command\":\"get\",\"result\":\"ok\",\"what\":\"loc\",\"found\":1,\"entries\":[" + entries + "]}";
}

class AprsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(NOW_MS);
    cfg.aprsEnabled = true;
    cfg.aprsApiKey = "12345.abcdef";
    cfg.aprsApiBaseUrl = "http://127.0.0.1:1";
    cfg.aprsRangeKm = 50;
    cfg.aprsRefreshMinutes = 30;
    cfg.aprsCenterLat = cfg.aprsCenterLon = "";
    cfg.weatherLat = cfg.weatherLon = "";
    cfg.deviceCallsign = "N0CALL";
    cfg.apiUtcToLocalTime = false;
    clearHeard();
    shownHeardList().live = HeardRecord();
    resetAprsState();
  }
  void TearDown() override { desktopClearTestClock(); }
};

// ---------------------------------------------------------------------------
// Seen in real answers

TEST_F(AprsTest, RealAnswersParseIntoThePrimaryStation) {
  ASSERT_TRUE(parseAprsLocationResponse(String(data("get_loc_mobile_no_class_2010.json")), "MICON-1"));
  const AprsState& a = aprsState;
  EXPECT_TRUE(a.valid);
  EXPECT_EQ(s(a.callsign), "MICON-1");  // no digit before the dash: the SSID stays
  EXPECT_EQ(s(a.sourceCallsign), "MICON-1");
  EXPECT_EQ(s(a.dstCallsign), "T2TW8Y");
  EXPECT_EQ(s(a.symbol), "/>");
  EXPECT_NEAR(a.lat, 42.79817f, 1e-5f);
  EXPECT_NEAR(a.lng, -83.36817f, 1e-5f);
  EXPECT_TRUE(a.speedValid);
  EXPECT_EQ(a.speedKmh, 0.0f);
  EXPECT_TRUE(a.courseValid);
  EXPECT_EQ(a.courseDeg, 79);
  EXPECT_TRUE(a.altitudeValid);
  EXPECT_EQ(a.altitudeM, 322.0f);
  EXPECT_EQ(s(a.comment), "146.840MHzN8ZSA");
  EXPECT_EQ(s(a.path), "N8ZSA-1*,W8FSM-3*,WIDE2-1,qAR,W8FSM-5");
  EXPECT_EQ(s(a.lastSeenText), "2010-10-05 20:18:03");  // "lasttime" before "time", in UTC
  EXPECT_EQ(a.lastSuccessMillis, NOW_MS);
  // Without a centre of its own the station is the centre of the area.
  EXPECT_EQ(s(aprsAreaCenterLabel()), "current");
  ASSERT_TRUE(a.nearbyValid);
  ASSERT_EQ(a.nearbyCount, 1);
  EXPECT_EQ(s(a.nearby[0].callsign), "MICON-1");
  EXPECT_EQ(a.nearby[0].distanceKm, 0.0f);
}

TEST_F(AprsTest, RealFailuresKeepTheDataAndSayWhy) {
  ASSERT_TRUE(parseAprsLocationResponse(String(data("get_loc_mobile_no_class_2010.json")), "MICON-1"));
  struct Case {
    const char* file;
    const char* error;
    const char* failCode;
  } cases[] = {{"get_loc_not_found.json", "No APRS location found", ""},
               {"get_loc_fail_ratelimit_reconstructed.json", "APRS rate limited", "ratelimit"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_FALSE(parseAprsLocationResponse(String(data(c.file)), "W1AW"));
    EXPECT_EQ(s(aprsState.error), c.error);
    EXPECT_EQ(s(aprsState.failCode), c.failCode);
    EXPECT_TRUE(aprsState.valid);
    EXPECT_EQ(s(aprsState.callsign), "MICON-1");
    EXPECT_EQ(aprsState.nearbyCount, 1);
  }
}

// ---------------------------------------------------------------------------
// Our variants

TEST_F(AprsTest, PrimaryIsTheStationAskedForWhereverItStands) {
  const std::string two = answer(entry("SA7BNT", "55.60000", "13.00000") + "," +
                                 entry("DL1ABC-9", "53.55000", "9.99000", "\"srccall\":\"DL1ABC-9\""));
  ASSERT_TRUE(parseAprsLocationResponse(String(two), "DL1ABC"));
  EXPECT_EQ(s(aprsState.callsign), "DL1ABC");
  EXPECT_NEAR(aprsState.lat, 53.55f, 1e-4f);
  // A station found only by "srccall" counts as well.
  const std::string bySrc =
      answer(entry("", "55.6", "13.0") + "," + "{\"srccall\":\"DL1ABC\",\"lat\":\"53.5\",\"lng\":\"10.0\"}");
  ASSERT_TRUE(parseAprsLocationResponse(String(bySrc), "DL1ABC"));
  EXPECT_NEAR(aprsState.lat, 53.5f, 1e-4f);
  // None matches: the first entry, named as the answer names it.
  ASSERT_TRUE(parseAprsLocationResponse(String(two), "G4XYZ"));
  EXPECT_EQ(s(aprsState.callsign), "SA7BNT");
  EXPECT_EQ(s(aprsState.sourceCallsign), "G4XYZ");
}

TEST_F(AprsTest, MalformedAnswersFailWithTheirText) {
  struct Case {
    std::string payload;
    const char* error;
  } cases[] = {
      {"{\"result\":\"fail\"}", "APRS lookup failed"},
      {"{\"result\":\"fail\",\"code\":\"apikey-wrong\",\"description\":\"wrong API key\"}", "wrong API key"},
      {"{\"result\":\"RateLimit\",\"code\":\"RATELIMIT\"}", "APRS rate limited"},
      {"{\"result\":\"ok\",\"found\":0}", "No APRS entries array"},
      {"{\"result\":\"ok\",\"entries\":{\"name\":\"X\"}}", "No APRS entries array"},
      {"{\"result\":\"ok\",\"entries\":[1,2,\"x\"]}", "No APRS location found"},
      {answer("{\"name\":\"DL1ABC\",\"lat\":\"\",\"lng\":\"9.9\"}"), "APRS entry has no coordinates"},
      {answer("{\"name\":\"DL1ABC\",\"lng\":\"9.9\"}"), "APRS entry has no coordinates"},
      // Hostile: coordinates that are no number at all cannot place a station.
      {answer(entry("DL1ABC", "nan", "inf")), "APRS entry has no coordinates"},
      {answer(entry("DL1ABC", "north", "east")), "APRS entry has no coordinates"},
      {"", "APRS lookup failed"},
      {"<html><body>502 Bad Gateway</body></html>", "APRS lookup failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.payload);
    resetAprsState();
    EXPECT_FALSE(parseAprsLocationResponse(String(c.payload), "DL1ABC"));
    EXPECT_EQ(s(aprsState.error), c.error);
    EXPECT_FALSE(aprsState.valid);
  }
}

TEST_F(AprsTest, NumbersThatAreNotSaneCountAsAbsent) {
  const std::string hostile = answer(
      entry("DL1ABC", "53.5", "10.0",
            "\"speed\":\"nan\",\"course\":1e40,\"altitude\":\"inf\",\"lasttime\":\"99999999999999999999\""));
  ASSERT_TRUE(parseAprsLocationResponse(String(hostile), "DL1ABC"));
  EXPECT_FALSE(aprsState.speedValid);
  EXPECT_FALSE(aprsState.courseValid);
  EXPECT_FALSE(aprsState.altitudeValid);
  EXPECT_EQ(s(aprsState.lastSeenText), "99999999999999999999");
  const std::string sane =
      answer(entry("DL1ABC", "53.5", "10.0", "\"speed\":\"42.5\",\"course\":\"-1\",\"altitude\":0"));
  ASSERT_TRUE(parseAprsLocationResponse(String(sane), "DL1ABC"));
  EXPECT_TRUE(aprsState.speedValid);
  EXPECT_EQ(aprsState.speedKmh, 42.5f);
  EXPECT_EQ(aprsState.courseDeg, -1);
  EXPECT_TRUE(aprsState.altitudeValid);
}

// ---------------------------------------------------------------------------
// Nearby list and area centre

TEST_F(AprsTest, NearbyListKeepsTheTwelveNearestInOrder) {
  aprsClearNearby();
  AprsNearbyRecord rec;
  rec.valid = true;
  for (int i = 0; i < 12; ++i) {
    rec.callsign = String("S") + String(i);
    rec.distanceKm = (float)(i < 2 ? 5 : 10 + i);  // S0 and S1 at the same distance
    aprsInsertNearbySorted(rec);
  }
  EXPECT_EQ(s(aprsState.nearby[0].callsign), "S0");
  EXPECT_EQ(s(aprsState.nearby[1].callsign), "S1");
  rec.callsign = "SAME";
  rec.distanceKm = 21;  // as far as the 12th: dropped
  aprsInsertNearbySorted(rec);
  EXPECT_EQ(s(aprsState.nearby[11].callsign), "S11");
  rec.callsign = "NEAR";
  rec.distanceKm = 5;  // the 13th, nearer: replaces the 12th, after the equal ones
  aprsInsertNearbySorted(rec);
  EXPECT_EQ(aprsState.nearbyCount, 12);
  EXPECT_EQ(s(aprsState.nearby[2].callsign), "NEAR");
  EXPECT_EQ(s(aprsState.nearby[11].callsign), "S10");
  rec.valid = false;
  rec.distanceKm = 0;
  aprsInsertNearbySorted(rec);
  EXPECT_EQ(s(aprsState.nearby[0].callsign), "S0");
}

TEST_F(AprsTest, NearbyStationsComeFromTheWholeAnswerWithinTheRadius) {
  cfg.aprsCenterLat = "52.5200";
  cfg.aprsCenterLon = "13.4050";
  const std::string many =
      answer(entry("DL1ABC", "52.6", "13.4") + "," + entry("DL2XYZ", "52.52", "13.41") + "," +
             entry("DL3FAR", "53.55", "9.99") + "," + entry("", "52.5", "13.4") + "," +
             entry("DL4BAD", "95", "13.4") + "," + entry("DL5ZRO", "0.000001", "0.000001"));
  ASSERT_TRUE(parseAprsLocationResponse(String(many), "DL1ABC"));
  ASSERT_EQ(aprsState.nearbyCount, 2);  // Hamburg is 255 km away; no name, bad or zero positions left out
  EXPECT_EQ(s(aprsState.nearby[0].callsign), "DL2XYZ");
  EXPECT_EQ(s(aprsState.nearby[1].callsign), "DL1ABC");
  EXPECT_TRUE(aprsState.nearbyError.isEmpty());
  cfg.aprsRangeKm = 1;
  desktopPopulateAprsNearbyFromEntries(String("[") + entry("DL1ABC", "52.6", "13.4").c_str() + "]");
  EXPECT_TRUE(aprsState.nearbyValid);
  EXPECT_EQ(s(aprsState.nearbyError), "No APRS last-heard stations in range");
  cfg.aprsCenterLat = "0.000001";
  cfg.aprsCenterLon = "0.000001";
  aprsState.valid = false;
  desktopPopulateAprsNearbyFromEntries(String("[]"));
  EXPECT_FALSE(aprsState.nearbyValid);
  EXPECT_EQ(s(aprsState.nearbyError), "APRS area center not set");
}

TEST_F(AprsTest, AreaCentreFollowsItsRules) {
  float lat = 0, lng = 0;
  EXPECT_FALSE(aprsConfiguredAreaCenter(lat, lng));
  EXPECT_EQ(s(aprsAreaCenterLabel()), "unset");
  aprsState.valid = true;
  aprsState.lat = 48.1f;
  aprsState.lng = 11.5f;
  EXPECT_EQ(s(aprsAreaCenterLabel()), "current");
  cfg.weatherLat = " 52.5 ";
  cfg.weatherLon = "13.4";
  EXPECT_EQ(s(aprsAreaCenterLabel()), "weather");
  cfg.aprsCenterLat = "0.000001";  // both nearly zero: unset
  cfg.aprsCenterLon = "0.000001";
  EXPECT_EQ(s(aprsAreaCenterLabel()), "weather");
  cfg.aprsCenterLat = "-33.86";
  cfg.aprsCenterLon = "151.2";
  ASSERT_TRUE(aprsConfiguredAreaCenter(lat, lng));
  EXPECT_EQ(s(aprsAreaCenterLabel()), "configured");
  EXPECT_NEAR(lat, -33.86f, 1e-4f);
  cfg.aprsCenterLon = "181";
  EXPECT_EQ(s(aprsAreaCenterLabel()), "weather");
}

TEST_F(AprsTest, DistanceBearingAndCompassPoints) {
  EXPECT_NEAR(aprsDistanceKm(52.52f, 13.405f, 53.55f, 9.99f), 255.0f, 2.0f);  // Berlin - Hamburg
  EXPECT_EQ(aprsDistanceKm(52.52f, 13.405f, 52.52f, 13.405f), 0.0f);
  EXPECT_NEAR(aprsBearingDeg(50, 10, 51, 10), 0.0f, 0.01f);
  EXPECT_NEAR(aprsBearingDeg(0, 10, 0, 11), 90.0f, 0.01f);
  EXPECT_NEAR(aprsBearingDeg(51, 10, 50, 10), 180.0f, 0.01f);
  EXPECT_NEAR(aprsBearingDeg(0, 11, 0, 10), 270.0f, 0.01f);
  const struct {
    float deg;
    const char* point;
  } points[] = {{0, "N"},    {22.4f, "N"},   {22.5f, "NE"}, {90, "E"},   {180, "S"},
                {225, "SW"}, {337.4f, "NW"}, {337.5f, "N"}, {-30, "NW"}, {720, "N"}};
  for (const auto& p : points) EXPECT_EQ(s(aprsCompassPoint(p.deg)), p.point) << p.deg;
}

// ---------------------------------------------------------------------------
// Callsigns, batch and URL

TEST_F(AprsTest, LookupCallsignAndBatch) {
  EXPECT_EQ(s(aprsLookupCallsign()), "N0CALL");
  shownHeardList().count = 3;
  shownHeardList().records[0].valid = shownHeardList().records[1].valid = shownHeardList().records[2].valid = true;
  shownHeardList().records[0].callsign = "sa7bnt";
  shownHeardList().records[1].callsign = "AB-CD1";
  shownHeardList().records[2].callsign = "DL1ABC/P";
  EXPECT_EQ(s(aprsLookupCallsign()), "SA7BNT");
  shownHeardList().live.valid = true;
  shownHeardList().live.callsign = " dl1abc ";
  EXPECT_EQ(s(aprsLookupCallsign()), "DL1ABC");
  // Distinct and normalised: the live call, the heard list, the device.
  EXPECT_EQ(s(aprsBuildBatchCallsigns()), "DL1ABC,SA7BNT,AB-CD1,N0CALL");
  EXPECT_TRUE(aprsCsvContainsCallsign("DL1ABC,SA7BNT", "sa7bnt-9"));
  EXPECT_TRUE(aprsCsvContainsCallsign("DL1ABC", ""));
  EXPECT_FALSE(aprsCsvContainsCallsign("DL1ABC", "DL1AB"));
  // The batch goes out as it is: a call with a dash in it is not cut.
  EXPECT_EQ(s(aprsApiUrl("DL1ABC,AB-CD1")),
            "http://127.0.0.1:1/api/get?name=DL1ABC%2CAB-CD1&what=loc&apikey=12345.abcdef&format=json");
  cfg.aprsApiBaseUrl = "https://proxy.example/aprs//";
  cfg.aprsApiKey = " a&b ";
  EXPECT_EQ(s(aprsApiUrl("N0CALL")),
            "https://proxy.example/aprs/api/get?name=N0CALL&what=loc&apikey=a%26b&format=json");
  EXPECT_EQ(s(aprsApiUrl("  ")), "");
  cfg.aprsApiKey = "";
  EXPECT_EQ(s(aprsApiUrl("N0CALL")), "");
}

// ---------------------------------------------------------------------------
// Wait texts, epochs and the back-off

TEST_F(AprsTest, WaitAndEpochTexts) {
  const struct {
    uint32_t ms;
    const char* text;
  } waits[] = {{0, "0s"},         {1, "1s"},         {119000, "119s"},
               {119001, "2 min"}, {120001, "3 min"}, {7140000, "119 min"},
               {7200000, "2 h"},  {7200001, "3 h"},  {4294967295u, "1194 h"}};
  for (const auto& w : waits) EXPECT_EQ(s(aprsFormatWait(w.ms)), w.text) << w.ms;
  EXPECT_EQ(aprsMillisUntil(5000, 0), 0u);
  EXPECT_EQ(aprsMillisUntil(5000, 4000), 0u);
  EXPECT_EQ(aprsMillisUntil(5000, 9000), 4000u);
  EXPECT_EQ(aprsMillisUntil(0xFFFFFF00u, 0x100u), 0x200u);  // across the wrap of millis()
  EXPECT_EQ(s(aprsFormatEpoch(" 0 ")), "0");
  EXPECT_EQ(s(aprsFormatEpoch("yesterday")), "yesterday");
  EXPECT_EQ(s(aprsFormatEpoch("12x")), "12x");
  EXPECT_EQ(s(aprsFormatEpoch("")), "");
  EXPECT_EQ(s(aprsFormatEpoch("1286309771")), "2010-10-05 20:16:11");
}

TEST_F(AprsTest, RetryDelayDoublesUpToTwoHoursAndARateLimitPausesAnHour) {
  const uint32_t minutes[] = {5, 5, 10, 20, 40, 80, 120, 120, 120, 120};
  for (int n = 0; n < 10; ++n) {
    aprsState.consecutiveFailures = (uint8_t)n;
    EXPECT_EQ(aprsRetryDelayMs(), minutes[n] * 60000u) << n;
  }
  aprsState.consecutiveFailures = 5;
  aprsScheduleRetry("", " APRS HTTP: 500 ");  // the sixth failure
  EXPECT_EQ(aprsState.consecutiveFailures, 6);
  EXPECT_EQ(aprsState.nextAllowedAttemptMillis, NOW_MS + 7200000u);
  EXPECT_EQ(s(aprsState.error), "APRS HTTP: 500; retry in 2 h");
  aprsState.consecutiveFailures = 0;
  aprsScheduleRetry(" RateLimit ", "whatever");
  EXPECT_EQ(aprsState.nextAllowedAttemptMillis, NOW_MS + 3600000u);
  EXPECT_EQ(s(aprsState.error), "APRS rate limited; retry in 60 min");
  aprsScheduleRetry("", "");
  EXPECT_EQ(s(aprsState.error), "APRS lookup failed; retry in 10 min");
  aprsState.consecutiveFailures = 250;
  aprsScheduleRetry("", "x");
  EXPECT_EQ(aprsState.consecutiveFailures, 250);
}

TEST_F(AprsTest, ResetClearsTheRecordAndTheCommentAlert) {
  ASSERT_TRUE(parseAprsLocationResponse(String(data("get_loc_mobile_no_class_2010.json")), "MICON-1"));
  aprsState.nextAllowedAttemptMillis = 77;
  aprsCommentPopupOpen = true;
  selectedAprsNearbyIndex = 3;
  aprsInfoPopupScrollLines = 4;
  resetAprsState();
  EXPECT_FALSE(aprsState.valid);
  EXPECT_EQ(aprsState.nearbyCount, 0);
  EXPECT_EQ(aprsState.nextAllowedAttemptMillis, 0u);
  EXPECT_FALSE(aprsCommentPopupOpen);
  EXPECT_EQ(selectedAprsNearbyIndex, -1);
  EXPECT_EQ(aprsInfoPopupScrollLines, 0);
}

// ---------------------------------------------------------------------------
// The poll against a local API

class AprsPollTest : public AprsTest {
 protected:
  void SetUp() override {
    AprsTest::SetUp();
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest&, int fd, LocalHttpServer&) {
      std::string body;
      int code = 200;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        body = body_;
        code = code_;
      }
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(code, code == 200 ? "OK" : "Error", body));
    }));
    cfg.aprsApiBaseUrl = server_->url("").c_str();
    shownHeardList().live.valid = true;
    shownHeardList().live.callsign = "DL1ABC";
    reply(200, answer(entry("DL1ABC", "52.6", "13.4", "\"speed\":30")));
  }
  void reply(int code, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    code_ = code;
    body_ = body;
  }
  bool poll(bool force = false) {
    const bool result = fetchAprsData(force);
    EXPECT_TRUE(waitForFetchesIdle());
    return result;
  }
  size_t requests() { return server_->requests().size(); }
  void at(uint32_t ms) { desktopSetTestClock(ms); }

  std::mutex mutex_;
  int code_ = 200;
  std::string body_;
  std::unique_ptr<LocalHttpServer> server_;
};

// The same location answer for the same station changes nothing drawn; for
// another station, or after a failure, it is applied again.
TEST_F(AprsPollTest, AnUnchangedAnswerRedrawsNothing) {
  ASSERT_TRUE(poll(true));
  ASSERT_TRUE(aprsState.valid);
  EXPECT_TRUE(uiDirty);
  clearRedrawFlags();
  at(millis() + APRS_MIN_REQUEST_GAP_MS);
  ASSERT_TRUE(poll(true));
  EXPECT_FALSE(anyRedrawFlagSet());
  EXPECT_TRUE(aprsState.valid);
  EXPECT_EQ(aprsState.lastSuccessMillis, millis());
  EXPECT_FALSE(aprsState.fetchInProgress);
  EXPECT_EQ(requests(), 2u);
  shownHeardList().live.callsign = "DL2XYZ";
  at(millis() + APRS_MIN_REQUEST_GAP_MS);
  ASSERT_TRUE(poll(true));
  EXPECT_TRUE(uiDirty);
  shownHeardList().live.callsign = "DL1ABC";
  at(millis() + APRS_MIN_REQUEST_GAP_MS);
  ASSERT_TRUE(poll(true));
  reply(500, "busy");
  at(millis() + APRS_MIN_REQUEST_GAP_MS);
  poll(true);
  reply(200, answer(entry("DL1ABC", "52.6", "13.4", "\"speed\":30")));
  clearRedrawFlags();
  at(millis() + 600000);  // after any back-off
  ASSERT_TRUE(poll(true));
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(aprsState.error.length(), 0u);
}

TEST_F(AprsPollTest, OneRequestForTheBatchThenNothingWithinTheGap) {
  shownHeardList().count = 1;
  shownHeardList().records[0].valid = true;
  shownHeardList().records[0].callsign = "SA7BNT";
  ASSERT_TRUE(poll());
  ASSERT_EQ(requests(), 1u);
  const LocalHttpRequest req = server_->requests()[0];
  EXPECT_EQ(req.target, "/api/get?name=DL1ABC%2CSA7BNT%2CN0CALL&what=loc&apikey=12345.abcdef&format=json");
  EXPECT_EQ(req.header("Accept"), "application/json");
  EXPECT_TRUE(aprsState.valid);
  EXPECT_FALSE(aprsState.fetchInProgress);
  EXPECT_EQ(aprsState.lastHttpCode, 200);
  EXPECT_EQ(s(footerText), "APRS updated for DL1ABC");
  // Good data for the call: nothing due, nothing sent.
  at(NOW_MS + 120000);
  EXPECT_TRUE(poll());
  // A forced refresh two minutes after the last request sends nothing either.
  aprsState.lastSuccessMillis = 0;
  EXPECT_TRUE(poll(true));
  EXPECT_EQ(s(aprsState.error), "APRS next request in 3 min");
  EXPECT_EQ(requests(), 1u);
  // A new caller is due at once but still waits for the gap.
  shownHeardList().live.callsign = "G4XYZ";
  EXPECT_FALSE(poll());
  EXPECT_EQ(requests(), 1u);
  at(NOW_MS + 300000);
  EXPECT_TRUE(poll());
  EXPECT_EQ(requests(), 2u);
  EXPECT_EQ(s(aprsState.sourceCallsign), "G4XYZ");
}

TEST_F(AprsPollTest, RefreshPeriodDecidesWhenTheSameCallIsAskedAgain) {
  cfg.aprsRefreshMinutes = 10;
  ASSERT_TRUE(poll());
  at(NOW_MS + 599999);
  EXPECT_TRUE(poll());
  EXPECT_EQ(requests(), 1u);
  at(NOW_MS + 600000);
  EXPECT_TRUE(poll());
  EXPECT_EQ(requests(), 2u);
}

TEST_F(AprsPollTest, RateLimitPausesAnHourAndForceDoesNotSkipIt) {
  reply(200, data("get_loc_fail_ratelimit_reconstructed.json"));
  EXPECT_TRUE(poll());  // started
  EXPECT_FALSE(aprsState.valid);
  EXPECT_EQ(s(aprsState.error), "APRS rate limited; retry in 60 min");
  EXPECT_EQ(s(footerText), "APRS rate limited; retry in 60 min");
  EXPECT_EQ(aprsState.nextAllowedAttemptMillis, NOW_MS + 3600000u);
  at(NOW_MS + 3599000);
  EXPECT_FALSE(poll(true));
  EXPECT_EQ(s(aprsState.error), "APRS backoff: 1s");
  EXPECT_EQ(requests(), 1u);
  at(NOW_MS + 3600000);
  reply(200, answer(entry("DL1ABC", "52.6", "13.4")));
  EXPECT_TRUE(poll());
  EXPECT_EQ(requests(), 2u);
  EXPECT_TRUE(aprsState.valid);
  EXPECT_EQ(aprsState.consecutiveFailures, 0);
  EXPECT_EQ(aprsState.nextAllowedAttemptMillis, 0u);
  EXPECT_TRUE(aprsState.error.isEmpty());
}

TEST_F(AprsPollTest, FailuresBackOffAndKeepTheLastGoodStation) {
  ASSERT_TRUE(poll());
  ASSERT_TRUE(aprsState.valid);
  uint32_t now = NOW_MS;
  const char* const expected[] = {"APRS HTTP: 503; retry in 5 min", "APRS HTTP: 503; retry in 10 min",
                                  "APRS HTTP: 503; retry in 20 min"};
  reply(503, "busy");
  for (const char* text : expected) {
    now += 7200000;  // past any gap and back-off
    at(now);
    aprsState.lastSuccessMillis = 0;
    EXPECT_TRUE(poll(true));
    EXPECT_EQ(s(aprsState.error), text);
  }
  EXPECT_TRUE(aprsState.valid);
  EXPECT_EQ(s(aprsState.callsign), "DL1ABC");
  EXPECT_EQ(aprsState.lastHttpCode, 503);
  // A dead service: the transport failure text.
  cfg.aprsApiBaseUrl = (std::string("http://127.0.0.1:") + std::to_string(unusedLocalPort())).c_str();
  at(now + 7200000);
  EXPECT_TRUE(poll(true));
  EXPECT_NE(s(aprsState.error).find("APRS HTTP: -"), std::string::npos) << s(aprsState.error);
}

TEST_F(AprsPollTest, FirstRequestWaitsForTheHotspotToNameACaller) {
  shownHeardList().live = HeardRecord();
  EXPECT_FALSE(poll());
  EXPECT_EQ(s(aprsState.error), "Waiting for LIVE callsign");
  at(NOW_MS + 19999);
  EXPECT_FALSE(poll());
  EXPECT_EQ(requests(), 0u);
  // A caller appears: asked at once.
  shownHeardList().count = 1;
  shownHeardList().records[0].valid = true;
  shownHeardList().records[0].callsign = "SA7BNT";
  EXPECT_TRUE(poll());
  ASSERT_EQ(requests(), 1u);
  EXPECT_EQ(server_->requests()[0].target.find("/api/get?name=SA7BNT%2CN0CALL&"), 0u);
}

TEST_F(AprsPollTest, WithoutCallerTheDeviceIsAskedAfterTheWaitOrOnRefresh) {
  shownHeardList().live = HeardRecord();
  EXPECT_FALSE(poll());
  at(NOW_MS + APRS_FIRST_CALLER_WAIT_MS);
  EXPECT_TRUE(poll());
  ASSERT_EQ(requests(), 1u);
  EXPECT_EQ(server_->requests()[0].target.find("/api/get?name=N0CALL&"), 0u);
  resetAprsState();
  EXPECT_TRUE(poll(true));  // REFRESH does not wait
  EXPECT_EQ(requests(), 2u);
}

TEST_F(AprsPollTest, NothingIsAskedWhileDisabledOrWithoutKey) {
  cfg.aprsApiKey = "  ";
  EXPECT_FALSE(poll(true));
  cfg.aprsApiKey = "k";
  cfg.aprsEnabled = false;
  EXPECT_FALSE(poll(true));
  EXPECT_EQ(requests(), 0u);
}

}  // namespace

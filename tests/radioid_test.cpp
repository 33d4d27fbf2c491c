// RadioID lookups: callsign form, answer parsing, URL building, the lookup
// queue and cadence, the cache and how cached names reach the records.
#include "enrichment/radioid.h"
#include "hotspot/fetch_worker.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/device_log.h"
#include "host/board_stubs.h"
#include "host/runtime.h"
#include "support/enrichment_test_env.h"
#include "support/local_http_server.h"
#include "ui/page_frame.h"

namespace {

std::string s(const String& v) { return v.c_str(); }
std::string norm(const char* c) { return s(normalizeHamCallsign(c)); }

RadioIdLookupCacheEntry parse(const std::string& payload, const char* callsign = "IU5HJU") {
  RadioIdLookupCacheEntry e;
  e.callsign = callsign;
  e.name = "stale";
  e.country = "stale";
  e.found = true;
  parseRadioIdUserResponse(String(payload), e);
  return e;
}

HeardRecord rec(const char* callsign, const char* name = "", const char* country = "",
                const char* mode = "DMR", const char* target = "TG 262") {
  HeardRecord r;
  r.callsign = callsign;
  r.name = name;
  r.country = country;
  r.mode = mode;
  r.target = target;
  r.timeUtc = "2026-12-08 12:00:00";
  r.valid = true;
  return r;
}

// Puts a fetched entry into the cache as a finished lookup would.
void cacheEntry(const char* callsign, const char* name, const char* country, uint32_t at, bool found = true) {
  RadioIdLookupCacheEntry* e = radioIdLookupCacheSlotForCallsign(callsign, true);
  ASSERT_NE(e, nullptr);
  e->name = name;
  e->country = country;
  e->found = found;
  e->lastFetchMillis = at;
}

class RadioIdTest : public EnrichmentTest {
 protected:
  void SetUp() override {
    EnrichmentTest::SetUp();
    desktopSetTestClock(100000);
    pendingRadioIdLookupCallsign = "";
    lastRadioIdLookupSignature = "";
    lastRadioIdLookupMillis = 0;
    clearHeard();
    shownHeardList().live = HeardRecord();
  }
  void TearDown() override {
    desktopClearTestClock();
    EnrichmentTest::TearDown();
  }
};

// ---------------------------------------------------------------------------
// Callsign normalisation

TEST_F(RadioIdTest, NormalisationDropsPortableAndSsidParts) {
  EXPECT_EQ(norm("dl1abc/p"), "DL1ABC");
  EXPECT_EQ(norm("EA/DL1ABC"), "DL1ABC");
  EXPECT_EQ(norm("DL1ABC-15"), "DL1ABC");
  EXPECT_EQ(norm("PA/ON4XYZ/M"), "ON4XYZ/M");
  EXPECT_EQ(norm(" d l 1 a b c "), "DL1ABC");
  EXPECT_EQ(norm("DL1ABC/2"), "DL1ABC");  // both sides with digits: left
  EXPECT_EQ(norm("MM/G4XYZ"), "G4XYZ");
  EXPECT_EQ(norm(""), "");
  EXPECT_EQ(norm("   "), "");
}

TEST_F(RadioIdTest, NormalisationKeepsDashesThatAreNoSsid) {
  EXPECT_EQ(norm("-DL1ABC"), "-DL1ABC");  // dash at position 0
  EXPECT_EQ(norm("ABC-1"), "ABC-1");      // part before the dash has no digit
  EXPECT_EQ(norm("123-4"), "123-4");      // ... or no letter
  EXPECT_EQ(norm("DL1ABC-B-C"), "DL1ABC");
}

// ---------------------------------------------------------------------------
// Is a lookup needed

TEST_F(RadioIdTest, LookupNeededForMissingNameCallsignOrDmrId) {
  EXPECT_TRUE(radioIdLookupNeeded("DL1ABC", ""));
  EXPECT_TRUE(radioIdLookupNeeded("DL1ABC", "  "));
  EXPECT_TRUE(radioIdLookupNeeded("DL1ABC", "dl1abc/p"));
  EXPECT_TRUE(radioIdLookupNeeded("DL1ABC", "2621234"));
  EXPECT_FALSE(radioIdLookupNeeded("DL1ABC", "Hans"));
  EXPECT_FALSE(radioIdLookupNeeded("DL1ABC", "262 1234"));
  EXPECT_FALSE(radioIdLookupNeeded("", ""));
  EXPECT_FALSE(radioIdLookupNeeded("   ", "2621234"));
}

// ---------------------------------------------------------------------------
// URL building

TEST_F(RadioIdTest, DefaultUrlEndsInCallsignQuery) {
  std::string url = s(buildRadioIdUsersUrl("dl1abc/p"));
  EXPECT_EQ(url.rfind("https://", 0), 0u);
  EXPECT_NE(url.find("/api/users?callsign=DL1ABC"), std::string::npos);
  EXPECT_EQ(s(buildRadioIdUsersUrl("  ")), "");
}

TEST_F(RadioIdTest, UrlRulesForConfiguredBases) {
  cfg.radioIdUsersApiBase = " http://127.0.0.1:1/api/users?callsign= ";
  EXPECT_EQ(s(buildRadioIdUsersUrl("DL1ABC")), "http://127.0.0.1:1/api/users?callsign=DL1ABC");
  cfg.radioIdUsersApiBase = "http://h/api/users?format=json";
  EXPECT_EQ(s(buildRadioIdUsersUrl("DL1ABC")), "http://h/api/users?format=json&callsign=DL1ABC");
  cfg.radioIdUsersApiBase = "http://h/api/users?";
  EXPECT_EQ(s(buildRadioIdUsersUrl("DL1ABC")), "http://h/api/users?callsign=DL1ABC");
  cfg.radioIdUsersApiBase = "http://h/api/users?x=1&";
  EXPECT_EQ(s(buildRadioIdUsersUrl("DL1ABC")), "http://h/api/users?x=1&callsign=DL1ABC");
  cfg.radioIdUsersApiBase = "http://h/users/";
  EXPECT_EQ(s(buildRadioIdUsersUrl("DL1ABC")), "http://h/users/DL1ABC");
  cfg.radioIdUsersApiBase = "http://h/u/%CALLSIGN%.json?c=%CALLSIGN%";
  EXPECT_EQ(s(buildRadioIdUsersUrl("DL1ABC")), "http://h/u/DL1ABC.json?c=DL1ABC");
}

TEST_F(RadioIdTest, UrlEncodingOfOddCallsigns) {
  EXPECT_EQ(s(urlEncodeComponent("AZaz09-._~")), "AZaz09-._~");
  EXPECT_EQ(s(urlEncodeComponent("ON4XYZ/M")), "ON4XYZ%2FM");
  EXPECT_EQ(s(urlEncodeComponent("A&B=C?#")), "A%26B%3DC%3F%23");
  EXPECT_EQ(s(urlEncodeComponent("\xC3\x84")), "%C3%84");
  cfg.radioIdUsersApiBase = "http://h/?callsign=";
  EXPECT_EQ(s(buildRadioIdUsersUrl("PA/ON4XYZ/M")), "http://h/?callsign=ON4XYZ%2FM");
}

// ---------------------------------------------------------------------------
// Seen in real answers

TEST_F(RadioIdTest, FoundAnswerGivesNameCountryCityState) {
  RadioIdLookupCacheEntry e = parse(testData("radioid/users_callsign_iu5hju_single.json"));
  EXPECT_TRUE(e.found);
  EXPECT_EQ(s(e.name), "Mike Maccaoni");
  EXPECT_EQ(s(e.country), "Italy");
  EXPECT_EQ(s(e.city), "Lamporecchio Pistoia");
  EXPECT_EQ(s(e.state), "Tuscany");
}

TEST_F(RadioIdTest, NotFoundAnswerGivesNothing) {
  RadioIdLookupCacheEntry e = parse(testData("radioid/users_callsign_not_found.json"));
  EXPECT_FALSE(e.found);
  EXPECT_EQ(s(e.name), "");
  EXPECT_EQ(s(e.country), "");
}

TEST_F(RadioIdTest, OtherJsonShapes) {
  EXPECT_EQ(s(parse(R"({"user":{"name":"Anna","country":"Germany"}})").name), "Anna");
  EXPECT_EQ(s(parse(R"({"data":{"first_name":"Bob","last_name":"Smith"}})").name), "Bob Smith");
  EXPECT_EQ(s(parse(R"({"data":[{"display_name":"Carl","region":"Bavaria"}]})").state), "Bavaria");
  EXPECT_EQ(s(parse(R"([{"fname":"Dora"}])").name), "Dora");
  EXPECT_EQ(s(parse(R"({"firstname":"Eve","country_name":"Austria"})").country), "Austria");
  RadioIdLookupCacheEntry cityOnly = parse(R"({"city":"Rome"})");
  EXPECT_TRUE(cityOnly.found);
  EXPECT_EQ(s(cityOnly.name), "");
}

TEST_F(RadioIdTest, NullAndEmptyKeysFallThroughToNextAlternative) {
  RadioIdLookupCacheEntry e =
      parse(R"({"results":[{"name":null,"display_name":"","full_name":"Frank Ocean"}]})");
  EXPECT_EQ(s(e.name), "Frank Ocean");
  e = parse(R"({"results":[{"name":"null","fname":"Gina","surname":null}]})");
  EXPECT_EQ(s(e.name), "Gina");
}

TEST_F(RadioIdTest, ArrayOfPlainValues) {
  RadioIdLookupCacheEntry e = parse(R"({"results":["IU5HJU - Mike"]})");
  EXPECT_TRUE(e.found);
  EXPECT_EQ(s(e.name), "Mike");
  e = parse(R"({"results":[]})");
  EXPECT_FALSE(e.found);
}

TEST_F(RadioIdTest, PlainTextAnswers) {
  EXPECT_EQ(s(parse("IU5HJU - Mike\n").name), "Mike");
  EXPECT_EQ(s(parse("\r\n\r\n  iu5hju: Mike Maccaoni\r\nsecond line").name), "Mike Maccaoni");
  EXPECT_EQ(s(parse("Mike &amp; Anna").name), "Mike & Anna");
  EXPECT_EQ(s(parse("<b>Mike</b>").name), "Mike");
  EXPECT_EQ(s(parse("IU5HJU").name), "");
  EXPECT_EQ(s(parse("IU5HJUX").name), "IU5HJUX");
  EXPECT_FALSE(parse("No MATCH for this callsign").found);
  EXPECT_FALSE(parse("null").found);
  EXPECT_FALSE(parse("Unknown").found);
  EXPECT_FALSE(parse("user not found").found);
  EXPECT_FALSE(parse("No results").found);
  EXPECT_FALSE(parse("").found);
  EXPECT_FALSE(parse(" \r\n \n").found);
}

TEST_F(RadioIdTest, LongPlainTextNameIsCutTo80) {
  std::string longName(200, 'x');
  std::string name = s(parse(longName).name);
  EXPECT_EQ(name.size(), 80u);
  EXPECT_EQ(name.back(), '~');
}

// ---------------------------------------------------------------------------
// HTML answers: error and login pages never become names

TEST_F(RadioIdTest, HtmlDocumentsYieldNoName) {
  const char* pages[] = {
      "<!DOCTYPE html><html><head><title>502 Bad Gateway</title></head><body>nginx</body></html>",
      "  \r\n<!doctype HTML>\n<title>Just a moment...</title>",
      "<HTML><BODY>Service Unavailable</BODY></HTML>",
      "<html lang=\"en\">{\"results\":[{\"fname\":\"Fake\"}]}",
  };
  for (const char* page : pages) {
    RadioIdLookupCacheEntry e = parse(page);
    EXPECT_FALSE(e.found) << page;
    EXPECT_EQ(s(e.name), "") << page;
    EXPECT_EQ(s(e.country), "") << page;
  }
}

// ---------------------------------------------------------------------------
// Truncated

TEST_F(RadioIdTest, TruncatedJsonKeepsWhatIsComplete) {
  std::string full = testData("radioid/users_callsign_iu5hju_single.json");
  for (size_t cut = 0; cut < full.size(); ++cut) {
    RadioIdLookupCacheEntry e = parse(full.substr(0, cut));
    // Never a raw JSON fragment as the operator's name.
    EXPECT_EQ(s(e.name).find('{'), std::string::npos) << cut;
    EXPECT_EQ(s(e.name).find('"'), std::string::npos) << cut;
  }
  EXPECT_FALSE(parse(R"({"count":1,"results":[{"callsign":"IU5HJU","fname":"Mi)").found);
}

TEST_F(RadioIdTest, BareArrayWithoutObjectReadsItsFirstValue) {
  // Read like an array under "results": its first value, never the brackets.
  EXPECT_EQ(s(parse(R"(["IU5HJU - Mike"])").name), "Mike");
  EXPECT_EQ(s(parse(R"( [ "Mike Maccaoni", "x" ])").name), "Mike Maccaoni");
  // A bare array cut off inside its first object is no name at all.
  const char* cut[] = {"[", "[{", R"([{"fname":"Mi)", R"([{"fname":"Mike","surname":"Ma)", R"(["Mi)", "[[]"};
  for (const char* p : cut) {
    RadioIdLookupCacheEntry e = parse(p);
    EXPECT_FALSE(e.found) << p;
    EXPECT_EQ(s(e.name), "") << p;
  }
}

// ---------------------------------------------------------------------------
// Hostile

TEST_F(RadioIdTest, HostilePayloadsDoNotCrash) {
  std::string deep(20000, '[');
  std::string braces(20000, '{');
  std::string quotes(20001, '"');
  std::string nul("Mi\0ke", 5);
  const std::string payloads[] = {deep,
                                  braces,
                                  quotes,
                                  nul,
                                  "<",
                                  "<<<<>>>>",
                                  "&",
                                  "&amp",
                                  "{\"results\":",
                                  "{\"results\":[",
                                  "{\"user\":{",
                                  "[\"",
                                  "\"\\u0000\"",
                                  std::string(100000, 'A')};
  for (const std::string& p : payloads) {
    RadioIdLookupCacheEntry e = parse(p);
    EXPECT_LE(e.name.length(), 200000u);
  }
  EXPECT_EQ(s(parse("<unclosed tag hides Mike").name), "");
  EXPECT_LE(s(parse(nul).name).size(), 5u);
}

TEST_F(RadioIdTest, FormatCharactersInNamesStayLiteral) {
  // A name full of conversion specifiers is plain text to the parser.
  RadioIdLookupCacheEntry e = parse(R"({"results":[{"name":"%s%n%x %d"}]})");
  EXPECT_EQ(s(e.name), "%s%n%x %d");
}

// ---------------------------------------------------------------------------
// Queue

TEST_F(RadioIdTest, SameTransmissionQueuesOnce) {
  cfg.radioIdLookupEnabled = true;
  HeardRecord r = rec("dl1abc/p");
  queueRadioIdLookupForRecord(r);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
  EXPECT_EQ(s(lastRadioIdLookupSignature), "DMR|DL1ABC|TG 262");
  pendingRadioIdLookupCallsign = "";
  queueRadioIdLookupForRecord(r);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  queueRadioIdLookupForRecord(rec("DL1ABC", "", "", "DMR", "TG 91"));
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
}

TEST_F(RadioIdTest, NewerRecordReplacesPendingCallsign) {
  cfg.radioIdLookupEnabled = true;
  queueRadioIdLookupForRecord(rec("DL1ABC"));
  queueRadioIdLookupForRecord(rec("G4XYZ"));
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "G4XYZ");
}

TEST_F(RadioIdTest, NothingQueuedWhenNotNeededOrDisabled) {
  queueRadioIdLookupForRecord(rec("DL1ABC"));
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");  // feature off
  cfg.radioIdLookupEnabled = true;
  queueRadioIdLookupForRecord(rec("DL1ABC", "Hans", "Germany"));
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  queueRadioIdLookupForRecord(rec("  ", ""));
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  queueRadioIdLookupForRecord(rec("DL1ABC", "Hans", ""));  // name known, country missing
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
}

// ---------------------------------------------------------------------------
// Cache slots

TEST_F(RadioIdTest, CacheOverwritesOldestSlot) {
  const char* calls[] = {"A1A", "B1B", "C1C", "D1D", "E1E", "F1F", "G1G", "H1H", "I1I"};
  for (const char* c : calls) cacheEntry(c, c, "", 5);
  EXPECT_EQ(radioIdLookupCacheIndexForCallsign("A1A"), -1);
  EXPECT_EQ(radioIdLookupCacheIndexForCallsign("I1I"), 0);
  EXPECT_EQ(radioIdLookupCacheIndexForCallsign("H1H"), 7);
  EXPECT_EQ(radioIdLookupCacheWriteIndex, 1);
  EXPECT_EQ(radioIdLookupCacheSlotForCallsign("Z1Z", false), nullptr);
  EXPECT_EQ(radioIdLookupCacheIndexForCallsign(""), -1);
  EXPECT_EQ(radioIdLookupCacheSlotForCallsign("", true), nullptr);
  clearRadioIdLookupCache();
  EXPECT_EQ(radioIdLookupCacheIndexForCallsign("I1I"), -1);
  EXPECT_EQ(radioIdLookupCacheWriteIndex, 0);
}

// ---------------------------------------------------------------------------
// Applying names

TEST_F(RadioIdTest, ApplyFillsNameAndCountryAndReportsTheChange) {
  cfg.radioIdLookupEnabled = true;
  cacheEntry("DL1ABC", "Hans Muster", "Germany", 5);
  HeardRecord list[3] = {rec("DL1ABC/P", "2621234"), rec("DL1ABC", "Hans"), rec("G4XYZ")};
  EXPECT_TRUE(applyRadioIdCacheToList(list, 3));
  EXPECT_EQ(s(list[0].name), "Hans Muster");
  EXPECT_EQ(s(list[0].country), "Germany");
  EXPECT_EQ(s(list[1].name), "Hans");  // a real name stays
  EXPECT_EQ(s(list[1].country), "Germany");
  EXPECT_EQ(s(list[2].name), "");
  EXPECT_FALSE(applyRadioIdCacheToList(list, 3));  // nothing new the second time
}

TEST_F(RadioIdTest, ApplyNeedsFeatureAndAFetchedEntry) {
  cacheEntry("DL1ABC", "Hans", "Germany", 0);  // slot made but never fetched
  HeardRecord r = rec("DL1ABC");
  cfg.radioIdLookupEnabled = true;
  EXPECT_FALSE(applyRadioIdCacheToRecord(r, false));
  radioIdLookupCache[radioIdLookupCacheIndexForCallsign("DL1ABC")].lastFetchMillis = 7;
  cfg.radioIdLookupEnabled = false;
  EXPECT_FALSE(applyRadioIdCacheToRecord(r, false));
  cfg.radioIdLookupEnabled = true;
  EXPECT_TRUE(applyRadioIdCacheToRecord(r, false));
  EXPECT_EQ(s(r.country), "Germany");
}

TEST_F(RadioIdTest, NameArrivingMarksActiveDataChanged) {
  cfg.radioIdLookupEnabled = true;
  shownHeardList().records[0] = rec("DL1ABC");
  shownHeardList().count = 1;
  shownHeardList().live = shownHeardList().records[0];
  cacheEntry("DL1ABC", "Hans", "", 5);
  // sameRecord ignores names, but a new name is still a change to show.
  EXPECT_TRUE(applyRadioIdCacheToActiveData());
  EXPECT_EQ(s(shownHeardList().records[0].name), "Hans");
  EXPECT_EQ(s(shownHeardList().live.name), "Hans");
  EXPECT_FALSE(applyRadioIdCacheToActiveData());
}

TEST_F(RadioIdTest, FreshCacheServesPendingLookupAndRedraws) {
  cfg.radioIdLookupEnabled = true;
  cfg.radioIdUsersApiBase = "http://127.0.0.1:9/api/users?callsign=";  // must not be asked
  shownHeardList().records[0] = rec("DL1ABC");
  shownHeardList().count = 1;
  shownHeardList().live = shownHeardList().records[0];
  cacheEntry("DL1ABC", "Hans", "Germany", 100000 - 60000);
  queueRadioIdLookupForRecord(shownHeardList().records[0]);
  uiDirty = false;
  lastRadioIdLookupMillis = 100000 - 1500;
  processRadioIdLookups();
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  EXPECT_EQ(lastRadioIdLookupMillis, 100000u - 1500u);  // no HTTP lookup happened
  EXPECT_EQ(s(shownHeardList().records[0].name), "Hans");
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(s(hotspotHeard().records[0].name), "Hans");  // the hotspot's own list
}

TEST_F(RadioIdTest, WorkerWaitsForTheMinimumInterval) {
  cfg.radioIdLookupEnabled = true;
  pendingRadioIdLookupCallsign = "DL1ABC";
  lastRadioIdLookupMillis = 100000 - 1499;
  processRadioIdLookups();
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
  cfg.radioIdLookupEnabled = false;
  desktopSetTestClock(200000);
  processRadioIdLookups();
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
}

TEST_F(RadioIdTest, IntervalTestSurvivesClockWrap) {
  cfg.radioIdLookupEnabled = true;
  cacheEntry("DL1ABC", "Hans", "", 0xFFFFF000u);
  pendingRadioIdLookupCallsign = "DL1ABC";
  lastRadioIdLookupMillis = 0xFFFFFF00u;
  desktopSetTestClock(0x00000100u);  // 512 ms after the last lookup, across the wrap
  processRadioIdLookups();
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
  desktopSetTestClock(0x00000600u);  // 1792 ms after
  processRadioIdLookups();
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
}

// ---------------------------------------------------------------------------
// Display texts

TEST_F(RadioIdTest, DisplayNameAndCountry) {
  HeardRecord r = rec("DL1ABC", "2621234");
  EXPECT_EQ(s(radioIdDisplayNameForRecord(r)), "2621234");
  cacheEntry("DL1ABC", "Hans", "Germany", 5);
  EXPECT_EQ(s(radioIdDisplayNameForRecord(r)), "Hans");
  EXPECT_EQ(s(radioIdDisplayCountryForRecord(r)), "Germany");
  HeardRecord named = rec("DL1ABC", " Karl ", " Austria ");
  EXPECT_EQ(s(radioIdDisplayNameForRecord(named)), "Karl");
  EXPECT_EQ(s(radioIdDisplayCountryForRecord(named)), "Austria");
  EXPECT_EQ(s(radioIdDisplayCountryForRecord(rec("G4XYZ"))), "");
}

TEST_F(RadioIdTest, SvxlinkNamesLoseTalkgroupPrefix) {
  HeardRecord r = rec("SM0ABC", "TG 240", "", "SVXLink", "");
  EXPECT_EQ(s(radioIdDisplayNameForRecord(r)), "240");
}

// ---------------------------------------------------------------------------
// Lookups over HTTP against a local users API

const WebLogEntry* newestLog() {
  return webLogCount > 0 ? webLogEntryAt((uint8_t)(webLogCount - 1)) : nullptr;
}

class RadioIdFetchTest : public RadioIdTest {
 protected:
  void SetUp() override {
    RadioIdTest::SetUp();
    cfg.radioIdLookupEnabled = true;
    clearWebLog();
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
      std::string call = req.target.substr(req.target.find('=') + 1);
      std::string body;
      int status = 200;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        status = status_;
        body = answers_.count(call) ? answers_[call] : testData("radioid/users_callsign_not_found.json");
      }
      LocalHttpServer::sendAll(
          fd, LocalHttpServer::response(status, "X", body, "Content-Type: application/json\r\n"));
    }));
    cfg.radioIdUsersApiBase = server_->url("/api/users?callsign=").c_str();
  }
  void TearDown() override {
    server_.reset();
    RadioIdTest::TearDown();
  }
  void answer(const std::string& call, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[call] = body;
  }
  void failWith(int status) {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status;
  }
  size_t requests() { return server_->requests().size(); }
  // Shows a new transmission of the callsign as the newest heard record.
  void hear(const char* callsign, const char* target = "TG 262") {
    shownHeardList().records[0] = rec(callsign, "", "", "DMR", target);
    shownHeardList().count = 1;
    shownHeardList().live = shownHeardList().records[0];
    queueRadioIdLookupForRecord(shownHeardList().records[0]);
  }
  // One lookup step at the given time; the answer of a lookup it started is
  // applied before the step returns, as the next pass would.
  void at(uint32_t ms) {
    desktopSetTestClock(ms);
    processRadioIdLookups();
    ASSERT_TRUE(waitForFetchesIdle());
  }

  std::unique_ptr<LocalHttpServer> server_;
  std::mutex mutex_;
  std::map<std::string, std::string> answers_;
  int status_ = 200;
};

TEST_F(RadioIdFetchTest, FoundNameReachesRecordsLogAndScreen) {
  answer("IU5HJU", testData("radioid/users_callsign_iu5hju_single.json"));
  hear("iu5hju/p");
  uiDirty = false;
  at(100000);
  ASSERT_EQ(requests(), 1u);
  LocalHttpRequest req = server_->requests()[0];
  EXPECT_EQ(req.target, "/api/users?callsign=IU5HJU");
  EXPECT_EQ(req.header("Accept"), "application/json, text/plain;q=0.9, text/html;q=0.8");
  EXPECT_EQ(s(shownHeardList().records[0].name), "Mike Maccaoni");
  EXPECT_EQ(s(shownHeardList().records[0].country), "Italy");
  EXPECT_EQ(s(shownHeardList().live.name), "Mike Maccaoni");
  EXPECT_EQ(s(hotspotHeard().records[0].name), "Mike Maccaoni");
  EXPECT_TRUE(uiDirty);
  ASSERT_NE(newestLog(), nullptr);
  EXPECT_EQ(s(newestLog()->message), "Callsign lookup found IU5HJU as Mike Maccaoni.");
  EXPECT_EQ(s(newestLog()->level), "INFO");
  EXPECT_EQ(s(newestLog()->tag), "LOOKUP");
  EXPECT_EQ(lastRadioIdLookupMillis, 100000u);
}

TEST_F(RadioIdFetchTest, AtMostOneLookupPerInterval) {
  hear("DL1ABC");
  at(100000);
  hear("G4XYZ");
  at(101499);
  EXPECT_EQ(requests(), 1u);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "G4XYZ");
  at(101500);
  EXPECT_EQ(requests(), 2u);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  at(110000);
  EXPECT_EQ(requests(), 2u);  // nothing pending
}

TEST_F(RadioIdFetchTest, FoundEntriesAreFreshForADay) {
  answer("DL1ABC", R"({"results":[{"name":"Hans"}]})");
  hear("DL1ABC", "TG 1");
  at(100000);
  hear("DL1ABC", "TG 2");
  at(100000 + 3600000);
  EXPECT_EQ(requests(), 1u);  // served from the cache
  hear("DL1ABC", "TG 3");
  at(100000 + RADIOID_LOOKUP_TTL_MS);
  EXPECT_EQ(requests(), 2u);
}

TEST_F(RadioIdFetchTest, MissesAreRetriedAfterFifteenMinutes) {
  hear("QQ1ABC", "TG 1");
  at(100000);
  EXPECT_EQ(requests(), 1u);
  int index = radioIdLookupCacheIndexForCallsign("QQ1ABC");
  ASSERT_GE(index, 0);
  EXPECT_FALSE(radioIdLookupCache[index].found);
  hear("QQ1ABC", "TG 2");
  at(100000 + RADIOID_LOOKUP_RETRY_MS - 1);
  EXPECT_EQ(requests(), 1u);
  hear("QQ1ABC", "TG 3");
  at(100000 + RADIOID_LOOKUP_RETRY_MS);
  EXPECT_EQ(requests(), 2u);
}

TEST_F(RadioIdFetchTest, HttpErrorIsLoggedAndNotCached) {
  failWith(503);
  hear("DL1ABC");
  at(100000);
  EXPECT_EQ(requests(), 1u);
  ASSERT_NE(newestLog(), nullptr);
  EXPECT_EQ(s(newestLog()->message), "Callsign lookup failed for DL1ABC (HTTP 503).");
  EXPECT_EQ(s(newestLog()->level), "WARN");
  EXPECT_EQ(radioIdLookupCacheIndexForCallsign("DL1ABC"), -1);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  EXPECT_EQ(s(shownHeardList().records[0].name), "");
}

TEST_F(RadioIdFetchTest, HtmlPageAnsweredWith200GivesNoName) {
  answer("DL1ABC",
         "<!DOCTYPE html><html><head><title>Attention Required! | Cloudflare</title></head></html>");
  hear("DL1ABC");
  at(100000);
  EXPECT_EQ(requests(), 1u);
  EXPECT_EQ(s(shownHeardList().records[0].name), "");
  int index = radioIdLookupCacheIndexForCallsign("DL1ABC");
  ASSERT_GE(index, 0);
  EXPECT_FALSE(radioIdLookupCache[index].found);
}

TEST_F(RadioIdFetchTest, NameWithFormatCharactersIsLoggedLiterally) {
  answer("DL1ABC", R"({"results":[{"name":"%s%n%x"}]})");
  hear("DL1ABC");
  at(100000);
  ASSERT_NE(newestLog(), nullptr);
  EXPECT_EQ(s(newestLog()->message), "Callsign lookup found DL1ABC as %s%n%x.");
  EXPECT_EQ(s(shownHeardList().records[0].name), "%s%n%x");
}

TEST_F(RadioIdFetchTest, NoLookupWhileTheNetworkIsDown) {
  hear("DL1ABC");
  WiFi.disconnect();
  at(100000);
  EXPECT_EQ(requests(), 0u);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "DL1ABC");
}

}  // namespace

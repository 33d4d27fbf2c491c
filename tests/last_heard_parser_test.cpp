// Last-heard parsing: both dashboard flavours, key alternatives, limits,
// time display and the apply steps; malformed, truncated and hostile answers.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>

#include "core/config.h"
#include "host/runtime.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"
#include "support/temp_files.h"
#include "ui/page_frame.h"
#include "watch/svxlink/svxlink.h"

namespace {

String readData(const char* relative) { return String(readTestData(relative)); }

class LastHeardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cfg.apiUtcToLocalTime = false;
    cfg.callsignHoldMs = 12000;
    cfg.radioIdLookupEnabled = false;
    cfg.pistarHost = "pi-star.local";
    desktopSetTestClock(50000);
  }
};

// One record from a single object, through the whole parser.
HeardRecord parseOne(const std::string& object) {
  HeardRecord out[MAX_HEARD];
  int n = desktopParseHeardRecords(String("[" + object + "]"), out, MAX_HEARD);
  EXPECT_EQ(n, 1) << object;
  return out[0];
}

std::string objects(int count, const char* callPrefix) {
  std::string s = "[";
  for (int i = 0; i < count; i++) {
    if (i) s += ",";
    s += "{\"callsign\":\"" + std::string(callPrefix) + std::to_string(i) + "AB\",\"mode\":\"DMR\"}";
  }
  return s + "]";
}

}  // namespace

// Seen in real answers

TEST_F(LastHeardTest, PiStarDmrAnswerGivesBothRecordsWithTheirFields) {
  ASSERT_TRUE(parseHeardArray(readData("pistar/last_heard_dmr_rf_rssi.json")));
  ASSERT_EQ(shownHeardList().count, 2);
  EXPECT_EQ(shownHeardList().records[0].callsign, "SA7BNT");
  EXPECT_EQ(shownHeardList().records[0].timeUtc, "2018-01-16 09:52:50");
  EXPECT_EQ(shownHeardList().records[0].mode, "DMR Slot 2");
  EXPECT_EQ(shownHeardList().records[0].timeslot, "2");
  EXPECT_EQ(shownHeardList().records[0].target, "TG 271");
  EXPECT_EQ(shownHeardList().records[0].src, "Net");
  EXPECT_EQ(shownHeardList().records[0].duration, "1.6");
  EXPECT_EQ(shownHeardList().records[0].loss, "96%");
  EXPECT_EQ(shownHeardList().records[0].ber, "0.0%");
  EXPECT_EQ(shownHeardList().records[0].rssi, "");
  EXPECT_EQ(shownHeardList().records[1].src, "RF");
  EXPECT_EQ(shownHeardList().records[1].rssi, "S9+36dB (-57 dBm)");
  EXPECT_TRUE(shownHeardList().records[1].valid);
  EXPECT_FALSE(shownHeardList().records[2].valid);
  EXPECT_TRUE(modeDMR.known && modeDMR.enabled);
  EXPECT_FALSE(modeDSTAR.known);
  EXPECT_EQ(footerText, "Updated from pi-star.local");
}

TEST_F(LastHeardTest, PiStarDstarAnswerMarksDstarAndBecomesLive) {
  ASSERT_TRUE(parseHeardArray(readData("pistar/last_heard_dstar.json")));
  ASSERT_EQ(shownHeardList().count, 2);
  EXPECT_EQ(shownHeardList().records[0].callsign, "CT2HRB");
  EXPECT_EQ(shownHeardList().records[1].target, "CQCQCQ   via XRF012 Q");
  EXPECT_EQ(shownHeardList().records[0].timeslot, "");
  EXPECT_TRUE(modeDSTAR.known && modeDSTAR.enabled);
  EXPECT_EQ(shownHeardList().live.callsign, "CT2HRB");
  EXPECT_TRUE(isLiveActive());
  EXPECT_EQ(sessionInfo.modeDSTAR, 1u);
}

TEST_F(LastHeardTest, WpsdAnswerCarriesNamesCountriesAndBothTimeslots) {
  ASSERT_TRUE(parseHeardArray(readData("wpsd/last_heard_dmr.json")));
  ASSERT_EQ(shownHeardList().count, 3);
  EXPECT_EQ(shownHeardList().records[0].name, "Jonathan");
  EXPECT_EQ(shownHeardList().records[0].country, "United States");
  EXPECT_EQ(shownHeardList().records[2].callsign, "ON9CJA");
  EXPECT_EQ(shownHeardList().records[2].timeslot, "1");
  EXPECT_EQ(dmrTs2LiveRecord.callsign, "W1JDB");
  EXPECT_EQ(dmrTs1LiveRecord.callsign, "ON9CJA");
  EXPECT_TRUE(shouldShowDmrTimeslotLivePanel());
}

TEST_F(LastHeardTest, EmptyAnswerOfEitherFlavourIsOkAndClearsTheList) {
  for (const char* file : {"pistar/last_heard_empty.json", "wpsd/last_heard_empty.json"}) {
    ASSERT_TRUE(parseHeardArray(readData("wpsd/last_heard_dmr.json")));
    ASSERT_EQ(shownHeardList().count, 3);
    EXPECT_TRUE(parseHeardArray(readData(file))) << file;
    EXPECT_EQ(shownHeardList().count, 0);
    EXPECT_FALSE(shownHeardList().records[0].valid);
    EXPECT_EQ(footerText, "API OK, no entries");
    EXPECT_FALSE(dmrTs1LiveRecord.valid);
    EXPECT_FALSE(dmrTs2LiveRecord.valid);
  }
}

// Finding the list

TEST_F(LastHeardTest, ArrayUnderEveryListedKeyIsFound) {
  for (const char* key : {"last_heard", "traffic", "data", "results", "heard", "lastHeard"}) {
    std::string body = std::string("{\"ok\":true,\"") + key + "\":" + objects(3, "DL1") + "}";
    HeardRecord out[MAX_HEARD];
    EXPECT_EQ(desktopParseHeardRecords(String(body), out, MAX_HEARD), 3) << key;
    EXPECT_EQ(out[2].callsign, "DL12AB") << key;
  }
}

TEST_F(LastHeardTest, KeysAreTriedInTheirOrder) {
  std::string body = "{\"heard\":" + objects(1, "PA") + ",\"data\":" + objects(2, "ON") + "}";
  HeardRecord out[MAX_HEARD];
  ASSERT_EQ(desktopParseHeardRecords(String(body), out, MAX_HEARD), 2);
  EXPECT_EQ(out[0].callsign, "ON0AB");
}

TEST_F(LastHeardTest, UnlistedKeyFailsAndLeavesEverythingAlone) {
  ASSERT_TRUE(parseHeardArray(String(objects(2, "G4"))));
  lastError = "";
  EXPECT_FALSE(parseHeardArray(String("{\"stations\":" + objects(3, "F1") + "}")));
  EXPECT_EQ(lastError, "Desktop JSON object missing heard array");
  EXPECT_EQ(shownHeardList().count, 2);
  EXPECT_EQ(shownHeardList().records[0].callsign, "G40AB");
}

TEST_F(LastHeardTest, KeyThatIsOnlyAStringValueIsNotAList) {
  EXPECT_FALSE(parseHeardArray(String("{\"note\":\"data\",\"x\":[{\"callsign\":\"DL1ABC\"}]}")));
}

// Record fields

TEST_F(LastHeardTest, EveryAlternativeKeyFillsItsField) {
  struct Case {
    const char* key;
    String HeardRecord::*field;
  };
  const Case cases[] = {
      {"time_utc", &HeardRecord::timeUtc},
      {"timestamp", &HeardRecord::timeUtc},
      {"time", &HeardRecord::timeUtc},
      {"time_local", &HeardRecord::timeUtc},
      {"datetime", &HeardRecord::timeUtc},
      {"mode", &HeardRecord::mode},
      {"module", &HeardRecord::mode},
      {"source_mode", &HeardRecord::mode},
      {"name", &HeardRecord::name},
      {"display_name", &HeardRecord::name},
      {"full_name", &HeardRecord::name},
      {"fullname", &HeardRecord::name},
      {"country", &HeardRecord::country},
      {"country_name", &HeardRecord::country},
      {"grid", &HeardRecord::grid},
      {"locator", &HeardRecord::grid},
      {"maidenhead", &HeardRecord::grid},
      {"qth_locator", &HeardRecord::grid},
      {"target", &HeardRecord::target},
      {"talkgroup", &HeardRecord::target},
      {"destination", &HeardRecord::target},
      {"reflector", &HeardRecord::target},
      {"dst", &HeardRecord::target},
      {"dst_tg", &HeardRecord::target},
      {"target_name", &HeardRecord::targetName},
      {"talkgroup_name", &HeardRecord::targetName},
      {"room_name", &HeardRecord::targetName},
      {"reflector_name", &HeardRecord::targetName},
      {"tg_name", &HeardRecord::targetName},
      {"src", &HeardRecord::src},
      {"source", &HeardRecord::src},
      {"source_system", &HeardRecord::src},
      {"duration", &HeardRecord::duration},
      {"length", &HeardRecord::duration},
      {"loss", &HeardRecord::loss},
      {"packet_loss", &HeardRecord::loss},
      {"bit_error_rate", &HeardRecord::ber},
      {"ber", &HeardRecord::ber},
      {"rssi", &HeardRecord::rssi},
      {"signal", &HeardRecord::rssi},
      {"rxFreq", &HeardRecord::rxFreq},
      {"rx_freq", &HeardRecord::rxFreq},
      {"RXFrequency", &HeardRecord::rxFreq},
      {"rx_frequency", &HeardRecord::rxFreq},
      {"txFreq", &HeardRecord::txFreq},
      {"tx_freq", &HeardRecord::txFreq},
      {"TXFrequency", &HeardRecord::txFreq},
      {"tx_frequency", &HeardRecord::txFreq},
  };
  for (const Case& c : cases) {
    HeardRecord r = parseOne(std::string("{\"callsign\":\"DL1ABC\",\"") + c.key + "\":\" Value 7 \"}");
    EXPECT_EQ(r.*(c.field), "Value 7") << c.key;
  }
}

TEST_F(LastHeardTest, EveryCallsignKeyIsNormalised) {
  for (const char* key : {"callsign", "callsign_long", "call", "station"}) {
    HeardRecord r = parseOne(std::string("{\"") + key + "\":\" dl1abc/p \"}");
    EXPECT_EQ(r.callsign, "DL1ABC") << key;
    EXPECT_TRUE(r.valid);
  }
}

TEST_F(LastHeardTest, NullOrEmptyValueFallsThroughToTheNextKey) {
  EXPECT_EQ(parseOne("{\"callsign\":null,\"call\":\"PA3XYZ\"}").callsign, "PA3XYZ");
  EXPECT_EQ(parseOne("{\"callsign\":\"  \",\"station\":\"PA3XYZ\"}").callsign, "PA3XYZ");
  EXPECT_EQ(parseOne("{\"callsign\":\"PA3XYZ\",\"name\":null,\"full_name\":\"Piet\"}").name, "Piet");
}

TEST_F(LastHeardTest, NameIsBuiltFromFirstAndLastName) {
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"first_name\":\"Ann\",\"surname\":\"Lee\"}").name, "Ann Lee");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"fname\":\"Ann\"}").name, "Ann");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"lastname\":\"Lee\"}").name, "Lee");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"name\":\"Bob\",\"fname\":\"Ann\"}").name, "Bob");
}

TEST_F(LastHeardTest, TimeslotComesFromSlotKeysThenAlternativesThenText) {
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"slot\":\"TS1\",\"mode\":\"DMR Slot 2\"}").timeslot, "1");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"ts\":2}").timeslot, "2");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"TS\":\"2\"}").timeslot, "2");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"dmrSlot\":\"01\"}").timeslot, "1");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"slot\":\"7\",\"DMRSlot\":\"2\"}").timeslot, "2");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"target\":\"TG 91/TS1\"}").timeslot, "1");
  // Only the first non-empty of mode, target, target name and source is read.
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"mode\":\"DMR\",\"target\":\"TG 91/TS1\"}").timeslot, "");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"source\":\"net slot 2\"}").timeslot, "2");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"mode\":\"YSF\"}").timeslot, "");
}

TEST_F(LastHeardTest, NumbersAndBooleansComeBackAsTheirText) {
  HeardRecord r = parseOne("{\"callsign\":\"K1AB\",\"duration\": 12.5 ,\"loss\":0,\"rssi\":-87\n}");
  EXPECT_EQ(r.duration, "12.5");
  EXPECT_EQ(r.loss, "0");
  EXPECT_EQ(r.rssi, "-87");
}

TEST_F(LastHeardTest, SvxlinkParseFillsModeAndSource) {
  HeardRecord r = parseOne("{\"callsign\":\"SM0ABC\",\"target\":\"TG 240\"}");
  completeSvxlinkBridgeRecord(r);
  EXPECT_EQ(r.mode, "SVXLink");
  EXPECT_EQ(r.src, "SVXRef");
  EXPECT_EQ(parseOne("{\"callsign\":\"SM0ABC\"}").mode, "");
}

// Limits

TEST_F(LastHeardTest, FifteenObjectsGiveTwelveRecords) {
  ASSERT_TRUE(parseHeardArray(String(objects(15, "DL"))));
  EXPECT_EQ(shownHeardList().count, MAX_HEARD);
  EXPECT_EQ(shownHeardList().records[11].callsign, "DL11AB");
}

TEST_F(LastHeardTest, ObjectsWithoutCallsignDoNotUseUpTheLimit) {
  std::string body = "[";
  for (int i = 0; i < 14; i++) {
    body += "{\"mode\":\"DMR\"},{\"callsign\":\"G" + std::to_string(i) + "XY\"},";
  }
  body += "{\"callsign\":null}]";
  ASSERT_TRUE(parseHeardArray(String(body)));
  EXPECT_EQ(shownHeardList().count, 12);
  EXPECT_EQ(shownHeardList().records[0].callsign, "G0XY");
  EXPECT_EQ(shownHeardList().records[11].callsign, "G11XY");
}

TEST_F(LastHeardTest, DuplicatesAreKept) {
  ASSERT_TRUE(parseHeardArray(String("[{\"callsign\":\"K1AB\"},{\"callsign\":\"K1AB\"}]")));
  EXPECT_EQ(shownHeardList().count, 2);
}

// Applying the list

TEST_F(LastHeardTest, SameNewestRecordKeepsLiveRecordAndRenewsItsTime) {
  ASSERT_TRUE(parseHeardArray(readData("wpsd/last_heard_dmr.json")));
  EXPECT_EQ(shownHeardList().liveMillis, 50000u);
  EXPECT_EQ(sessionInfo.totalQsos, 1u);
  desktopSetTestClock(61000);
  uiDirty = false;
  ASSERT_TRUE(parseHeardArray(readData("wpsd/last_heard_dmr.json")));
  EXPECT_EQ(shownHeardList().live.callsign, "W1JDB");
  EXPECT_EQ(shownHeardList().liveMillis, 61000u);
  EXPECT_EQ(sessionInfo.totalQsos, 1u);
  EXPECT_FALSE(uiDirty);
}

TEST_F(LastHeardTest, NewNewestRecordReplacesLiveRecordAndCountsOnce) {
  ASSERT_TRUE(parseHeardArray(readData("wpsd/last_heard_dmr.json")));
  desktopSetTestClock(70000);
  ASSERT_TRUE(parseHeardArray(readData("pistar/last_heard_dmr_rf_rssi.json")));
  EXPECT_EQ(shownHeardList().live.callsign, "SA7BNT");
  EXPECT_EQ(shownHeardList().liveMillis, 70000u);
  EXPECT_EQ(sessionInfo.totalQsos, 2u);
  EXPECT_EQ(sessionInfo.modeDMR, 2u);
}

TEST_F(LastHeardTest, NewestFrequenciesAreKeptUntilARecordBringsOthers) {
  ASSERT_TRUE(
      parseHeardArray(String("[{\"callsign\":\"K1AB\",\"rx_freq\":\"438.800\",\"txFreq\":\"430.800\"}]")));
  EXPECT_EQ(currentRxFreq, "438.800");
  EXPECT_EQ(currentTxFreq, "430.800");
  ASSERT_TRUE(parseHeardArray(String("[{\"callsign\":\"K2AB\"}]")));
  EXPECT_EQ(currentRxFreq, "438.800");
}

TEST_F(LastHeardTest, SvxlinkListDoesNotTouchTimeslotsOrRenewTheLiveTime) {
  ASSERT_TRUE(parseHeardArray(readData("wpsd/last_heard_dmr.json")));
  ASSERT_TRUE(dmrTs1LiveRecord.valid);
  const int hotspotCount = hotspotHeard().count;
  ASSERT_GT(hotspotCount, 0);
  cfg.svxlinkEnabled = true;  // the node shown: its footers are shown too
  cfg.svxlinkHost = "svx.local";
  setCurrentWatchSource(WATCH_SVXLINK);
  ASSERT_TRUE(parseSvxlinkBridgeAnswer(String("[{\"callsign\":\"SM0ABC\"}]")));
  desktopSetTestClock(55000);
  ASSERT_TRUE(parseSvxlinkBridgeAnswer(String("[{\"callsign\":\"SM0ABC\"}]")));
  ASSERT_TRUE(parseSvxlinkBridgeAnswer(String("[]")));
  EXPECT_EQ(svxlinkHeard().liveMillis, 50000u);
  EXPECT_EQ(hotspotHeard().count, hotspotCount);  // the hotspot's list stays as it was
  EXPECT_TRUE(dmrTs1LiveRecord.valid);
  EXPECT_EQ(footerText, "SVXLink API OK, no entries");
}

// Time display

TEST_F(LastHeardTest, UtcTimeIsShownInLocalTimeWhenAsked) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  cfg.apiUtcToLocalTime = true;
  EXPECT_EQ(normalizeHeardTimeDisplay(String(" 2024-01-15T10:20:30Z ")), "2024-01-15 11:20:30");
  EXPECT_EQ(normalizeHeardTimeDisplay(String("2024-07-15 23:30:00.123+00:00")), "2024-07-16 01:30:00");
  EXPECT_EQ(normalizeHeardTimeDisplay(String("2024-12-31 23:59:60")), "2025-01-01 01:00:00");
  EXPECT_EQ(normalizeHeardTimeDisplay(String("10:20:30")), "10:20:30");
  EXPECT_EQ(parseOne("{\"callsign\":\"K1AB\",\"time\":\"2024-01-15T10:20:30Z\"}").timeUtc,
            "2024-01-15 11:20:30");
  cfg.apiUtcToLocalTime = false;
  EXPECT_EQ(normalizeHeardTimeDisplay(String(" 2024-01-15T10:20:30Z ")), "2024-01-15T10:20:30Z");
}

TEST_F(LastHeardTest, DaysFromCivilMatchesKnownDates) {
  EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(daysFromCivil(2000, 3, 1), 11017);
  EXPECT_EQ(daysFromCivil(2024, 2, 29), 19782);
  EXPECT_EQ(daysFromCivil(9999, 12, 31), 2932896);
  EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
}

TEST_F(LastHeardTest, ApiDateTimeAcceptsYears1970To9999) {
  struct tm t;
  ASSERT_TRUE(parseApiDateTime(String("1970-01-01 00:00:00"), t));
  EXPECT_EQ(utcTmToEpoch(t), 0);
  EXPECT_EQ(t.tm_isdst, -1);
  ASSERT_TRUE(parseApiDateTime(String("9999-12-31T23:59:59"), t));
  EXPECT_EQ(utcTmToEpoch(t), 253402300799LL);
  EXPECT_EQ(t.tm_year, 9999 - 1900);
  EXPECT_EQ(t.tm_mon, 11);
  EXPECT_FALSE(parseApiDateTime(String("1969-12-31 23:59:59"), t));
  EXPECT_FALSE(parseApiDateTime(String("10000-01-01 00:00:00"), t));
}

TEST_F(LastHeardTest, ApiDateTimeReadsLeadingZerosLikeTheNumberPattern) {
  struct tm t;
  ASSERT_TRUE(parseApiDateTime(String("000000000002024-000000000001-15 10:20:30"), t));
  EXPECT_EQ(t.tm_year, 2024 - 1900);
  EXPECT_EQ(t.tm_mon, 0);
  EXPECT_EQ(t.tm_mday, 15);
  EXPECT_FALSE(parseApiDateTime(String("2024-01-15 10:20:0000000000000000000000000000099"), t));
  ASSERT_TRUE(parseApiDateTime(String("2024-01-15 10:20:0000000000000000000000000000059"), t));
  EXPECT_EQ(t.tm_sec, 59);
}

TEST_F(LastHeardTest, ApiDateTimeRejectsBadFields) {
  struct tm t;
  const char* bad[] = {
      "2024-00-10 10:00:00",
      "2024-13-10 10:00:00",
      "2024-01-00 10:00:00",
      "2024-01-32 10:00:00",
      "2024-01-10 24:00:00",
      "2024-01-10 10:60:00",
      "2024-01-10 10:00:61",
      "2024-01-10 10:00",
      "2024/01/10 10:00:00",
      "abcd-ef-gh ij:kl:mn",
      "2024-01-10 -1:00:00 ",
      "",
      "99999999999999999999-01-01 00:00:00",
      "2024-01-10 10:00:99999999999999999",
  };
  for (const char* text : bad) EXPECT_FALSE(parseApiDateTime(String(text), t)) << text;
}

TEST_F(LastHeardTest, FormatApiDateTimeUsesTheDashboardForm) {
  struct tm t = {};
  t.tm_year = 124;
  t.tm_mon = 5;
  t.tm_mday = 4;
  t.tm_hour = 7;
  t.tm_min = 3;
  t.tm_sec = 9;
  EXPECT_EQ(formatApiDateTime(t), "2024-06-04 07:03:09");
}

// Scanner

TEST_F(LastHeardTest, ScannerDecodesStringEscapes) {
  String out = "unchanged";
  int end = 0;
  String json("\"a\\\"b\\\\c\\/d\\n\\t\\u00e9x\\q\"tail");
  ASSERT_TRUE(desktopDataJsonReadStringAt(json, 0, out, &end));
  EXPECT_EQ(out, "a\"b\\c/d\n\t?xq");
  EXPECT_EQ(end, (int)json.length() - 4);
  EXPECT_FALSE(desktopDataJsonReadStringAt(String("\"open"), 0, out, &end));
  EXPECT_FALSE(desktopDataJsonReadStringAt(String("\"ends in \\"), 0, out, &end));
  EXPECT_FALSE(desktopDataJsonReadStringAt(String("x\"y\""), 0, out, &end));
  EXPECT_EQ(out, "a\"b\\c/d\n\t?xq");
  ASSERT_TRUE(desktopDataJsonReadStringAt(String("\"\\u12\""), 0, out, &end));
  EXPECT_EQ(out, "?12");
}

TEST_F(LastHeardTest, ScannerFindsValuesAndSkipsKeyTextInValues) {
  String json("{\"mode\":\"callsign\", \"callsign\" :  \"K1AB\",\"n\":null,\"e\":\"\",\"f\":\"x\"}");
  EXPECT_EQ(desktopDataJsonGetValue(json, "callsign"), "K1AB");
  const char* keys[] = {"missing", "n", "e", "f"};
  EXPECT_EQ(desktopDataJsonFirstValue(json, keys, 4), "x");
  EXPECT_EQ(desktopDataJsonFindValue(json, "nothere", 0), -1);
  EXPECT_EQ(desktopDataJsonGetValue(String("{\"a\":{\"b\":1}}"), "a"), "");
  EXPECT_EQ(desktopDataJsonGetValue(String("{\"a\":{\"b\":1}}"), "b"), "1");
  EXPECT_EQ(desktopDataJsonGetValue(String("{\"a\": true }"), "a"), "true");
  EXPECT_EQ(desktopDataJsonGetValue(String("{\"a\":,\"b\":2}"), "a"), "");
}

TEST_F(LastHeardTest, ScannerMatchesBracketsOutsideStringsOnly) {
  String json("{\"list\":[\"]\",{\"x\":\"[\\\"]\"}],\"k\":{\"a\":\"}\"}}");
  String out;
  ASSERT_TRUE(desktopDataJsonGetArray(json, "list", out));
  EXPECT_EQ(out, "[\"]\",{\"x\":\"[\\\"]\"}]");
  ASSERT_TRUE(desktopDataJsonGetObject(json, "k", out));
  EXPECT_EQ(out, "{\"a\":\"}\"}");
  EXPECT_FALSE(desktopDataJsonGetArray(String("{\"list\":[1,2"), "list", out));
  EXPECT_FALSE(desktopDataJsonGetObject(json, "list", out));
}

TEST_F(LastHeardTest, ContainerSearchSkipsScalarOccurrences) {
  String json("{\"data\":\"none\",\"inner\":{\"data\":[{\"callsign\":\"K1AB\"}]}}");
  HeardRecord out[MAX_HEARD];
  EXPECT_EQ(desktopParseHeardRecords(json, out, MAX_HEARD), 1);
}

TEST_F(LastHeardTest, NextObjectWalksTheArray) {
  String arr("[{\"a\":1}, 5, {\"b\":{\"c\":2}} ,{\"open\":1");
  int pos = 0;
  String obj;
  ASSERT_TRUE(desktopDataJsonNextObject(arr, pos, obj));
  EXPECT_EQ(obj, "{\"a\":1}");
  ASSERT_TRUE(desktopDataJsonNextObject(arr, pos, obj));
  EXPECT_EQ(obj, "{\"b\":{\"c\":2}}");
  EXPECT_FALSE(desktopDataJsonNextObject(arr, pos, obj));
  EXPECT_EQ(desktopDataJsonSkipWs(String(" \t\r\nx"), 0), 4);
  EXPECT_EQ(desktopDataJsonSkipWs(String("   "), 1), 3);
}

// Truncated

TEST_F(LastHeardTest, TruncatedAnswersNeverCrashAndKeepTheGoodList) {
  String good = readData("wpsd/last_heard_dmr.json");
  ASSERT_TRUE(parseHeardArray(good));
  const std::string full = good.str();
  for (size_t cut = 0; cut + 1 < full.size(); cut++) {
    String part(full.substr(0, cut));
    EXPECT_FALSE(parseHeardArray(part)) << cut;
    ASSERT_EQ(shownHeardList().count, 3) << cut;
  }
  EXPECT_EQ(shownHeardList().records[0].callsign, "W1JDB");
}

TEST_F(LastHeardTest, UnterminatedObjectEndsTheListUnderAKey) {
  HeardRecord out[MAX_HEARD];
  // The list itself is closed, the last object inside a string is not.
  String body("{\"data\":[{\"callsign\":\"K1AB\"},{\"callsign\":\"K2AB\",\"name\":\"}]\"");
  EXPECT_EQ(desktopParseHeardRecords(body, out, MAX_HEARD), -1);
  String closed("[{\"callsign\":\"K1AB\"},{\"callsign\":\"K2AB\",\"x\":{\"y\":1]");
  EXPECT_EQ(desktopParseHeardRecords(closed, out, MAX_HEARD), 1);
  EXPECT_EQ(out[0].callsign, "K1AB");
}

TEST_F(LastHeardTest, TruncatedBareArrayIsNotSearchedForListKeys) {
  ASSERT_TRUE(parseHeardArray(readData("pistar/last_heard_dstar.json")));
  lastError = "";
  // The answer is an array cut short; an inner "heard" list must not stand in for it.
  String cut("[{\"callsign\":\"K1AB\",\"heard\":[{\"callsign\":\"X1YZ\"}]}");
  EXPECT_FALSE(parseHeardArray(cut));
  EXPECT_EQ(lastError, "Desktop JSON object missing heard array");
  ASSERT_EQ(shownHeardList().count, 2);
  EXPECT_EQ(shownHeardList().records[0].callsign, "CT2HRB");
  HeardRecord out[MAX_HEARD];
  EXPECT_EQ(desktopParseHeardRecords(String("  \r\n[ {\"data\":[{\"callsign\":\"X1YZ\"}]"), out, MAX_HEARD),
            -1);
}

// Hostile

TEST_F(LastHeardTest, HostileAnswersAreHandledWithoutHarm) {
  ASSERT_TRUE(parseHeardArray(readData("pistar/last_heard_dstar.json")));
  const std::string deep(200000, '[');
  const std::string braces = "[" + std::string(100000, '{');
  const std::string manyKeys = [] {
    std::string s = "{";
    for (int i = 0; i < 20000; i++) s += "\"data\":\"x\",\"data\"";
    return s + "}";
  }();
  const std::string nul = std::string("[{\"callsign\":\"K1\0AB\"}", 22) + "]";
  const std::string cases[] = {
      "",       "null",  "<html><body>Login</body></html>", "{\"error\":\"Unauthorized\"}", deep, braces,
      manyKeys, "[\"\\", "[{\"callsign\":\"\\u\"}",
  };
  for (const std::string& c : cases) {
    EXPECT_FALSE(parseHeardArray(String(c))) << c.substr(0, 40);
    ASSERT_EQ(shownHeardList().count, 2);
    EXPECT_EQ(shownHeardList().records[0].callsign, "CT2HRB");
  }
  HeardRecord out[MAX_HEARD];
  EXPECT_EQ(desktopParseHeardRecords(String(nul), out, MAX_HEARD), 1);
  String huge("{\"data\":[{\"callsign\":\"" + std::string(100000, 'A') + "\"}]}");
  EXPECT_TRUE(parseHeardArray(huge));
  EXPECT_EQ(shownHeardList().count, 1);
}

TEST_F(LastHeardTest, ControlAndHighBytesPassThroughAsText) {
  HeardRecord r = parseOne("{\"callsign\":\"K1AB\",\"name\":\"J\xc3\xb6rg \\t\x01\"}");
  EXPECT_EQ(r.name, "J\xc3\xb6rg \t\x01");
}

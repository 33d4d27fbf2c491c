// Weather alerts, the data side: request URLs of the four services, the
// answers they send (real ones and variants), the XML reader, coordinates,
// and the toast's de-duplication.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/config.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "core/view.h"
#include "host/runtime.h"
#include "support/temp_files.h"
#include "watch/alerts/alerts.h"

namespace {

class AlertsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    applyDesktopConfigDefaults();
    alertToastState = AlertToastState();
    clearWebLog();
    screensaverActive = false;
    desktopSetTestClock(100000);
  }
  void TearDown() override { desktopClearTestClock(); }
};

int logLinesWith(const std::string& part) {
  int n = 0;
  for (uint8_t i = 0; i < webLogCount; ++i) {
    const WebLogEntry* e = webLogEntryAt(i);
    const std::string line = "[" + e->level.str() + "][" + e->tag.str() + "] " + e->message.str();
    if (line.find(part) != std::string::npos) ++n;
  }
  return n;
}

}  // namespace

// ---------------------------------------------------------------------------
// Request URLs
// ---------------------------------------------------------------------------

TEST_F(AlertsTest, NinaAndNoaaUrls) {
  cfg.katwarnLocationId = " 091620000000 ";
  cfg.ninaDashboardBaseUrl = "http://127.0.0.1:9/api31/dashboard";
  EXPECT_EQ(ninaDashboardAlertUrl(), "http://127.0.0.1:9/api31/dashboard/091620000000.json");
  cfg.ninaDashboardBaseUrl = "http://127.0.0.1:9/nina?ars=";
  EXPECT_EQ(ninaDashboardAlertUrl(), "http://127.0.0.1:9/nina?ars=091620000000.json");
  cfg.ninaDashboardBaseUrl = "  ";
  EXPECT_EQ(ninaDashboardAlertUrl(), String(NINA_DASHBOARD_BASE_URL_DEFAULT) + "091620000000.json");
  cfg.katwarnLocationId = "09 16/2";
  EXPECT_TRUE(ninaDashboardAlertUrl().endsWith("/09%2016%2F2.json"));

  cfg.noaaZone = " TXZ211 ";
  EXPECT_EQ(noaaAlertsUrl(), String(NOAA_ALERTS_BASE_URL_DEFAULT) + "TXZ211");
  EXPECT_TRUE(String(NOAA_ALERTS_BASE_URL_DEFAULT).endsWith("/alerts/active?zone="));
  cfg.noaaAlertsBaseUrl = "http://127.0.0.1:9/alerts/active?zone=";
  cfg.noaaZone = "GA Z&1";
  EXPECT_EQ(noaaAlertsUrl(), "http://127.0.0.1:9/alerts/active?zone=GA%20Z%261");
}

TEST_F(AlertsTest, AtomFeedSlugs) {
  const struct {
    const char* feed;
    const char* slug;
  } cases[] = {
      {"", "germany"},
      {"  ", "germany"},
      {"DE", "germany"},
      {"Deutschland", "germany"},
      {"AUT", "austria"},
      {"aut", "austria"},
      {"\xC3\xB6sterreich", "austria"},
      {"oesterreich", "austria"},
      {"Suisse", "switzerland"},
      {"nld", "netherlands"},
      {"LUX", "luxembourg"},
      {"cze", "czechia"},
      {"ie", "ireland"},
      {"Bosnia Herzegovina", "bosnia-herzegovina"},
      {"united kingdom", "united-kingdom"},
      {"Moldova", "moldova"},
  };
  for (const auto& c : cases) EXPECT_EQ(meteoalarmAtomFeedSlugForRequest(c.feed), c.slug) << c.feed;

  cfg.meteoalarmAtomBaseUrl = "http://127.0.0.1:9/feeds/meteoalarm-legacy-atom-";
  cfg.meteoalarmFeed = "AUT";
  EXPECT_EQ(meteoalarmAtomFeedUrl(), "http://127.0.0.1:9/feeds/meteoalarm-legacy-atom-austria");
  cfg.meteoalarmFeed = "";
  EXPECT_EQ(meteoalarmAtomFeedUrl(), "http://127.0.0.1:9/feeds/meteoalarm-legacy-atom-germany");
  cfg.meteoalarmFeed = " HTTPS://127.0.0.1:9/own/feed.xml ";
  EXPECT_EQ(meteoalarmAtomFeedUrl(), "HTTPS://127.0.0.1:9/own/feed.xml");
}

TEST_F(AlertsTest, EdrCountryCodes) {
  const struct {
    const char* value;
    const char* code;
  } cases[] = {{"germany", "DE"},
               {" Austria ", "AT"},
               {"oesterreich", "AT"},
               {"suisse", "CH"},
               {"czech-republic", "CZ"},
               {"daenemark", "DK"},
               {"great-britain", "UK"},
               {"uk", "UK"},
               {"fr", "FR"},
               {"xx", "XX"},
               {"atlantis", "DE"},
               {"", "DE"},
               {"a", "DE"}};
  for (const auto& c : cases) EXPECT_EQ(meteoalarmCountrySlugToCode(c.value), c.code) << c.value;

  cfg.meteoalarmCountryCode = " at ";
  EXPECT_EQ(meteoalarmCountryCodeForRequest(), "AT");
  cfg.meteoalarmCountryCode = "";
  cfg.meteoalarmFeed = "netherlands";
  EXPECT_EQ(meteoalarmCountryCodeForRequest(), "NL");
  cfg.meteoalarmFeed = "";
  EXPECT_EQ(meteoalarmCountryCodeForRequest(), "DE");
}

TEST_F(AlertsTest, EdrUrlNeedsTheTokenAndCarriesQueryAndToken) {
  cfg.meteoalarmEdrBaseUrl = "http://127.0.0.1:9/edr/v1/collections/warnings/locations";
  cfg.meteoalarmCountryCode = "AT";
  cfg.meteoalarmApiToken = "  ";
  EXPECT_EQ(meteoalarmEdrLocationUrl(), "");
  cfg.meteoalarmApiToken = " a b&c ";
  EXPECT_EQ(meteoalarmEdrLocationUrl(),
            "http://127.0.0.1:9/edr/v1/collections/warnings/locations/AT?language=de&token=a%20b%26c");
  cfg.meteoalarmEdrQuery = " ?&? language=en&format=geojson ";
  EXPECT_EQ(
      meteoalarmEdrLocationUrl(),
      "http://127.0.0.1:9/edr/v1/collections/warnings/locations/AT?language=en&format=geojson&token=a%20b%26c");
  cfg.meteoalarmEdrQuery = "";
  cfg.meteoalarmEdrBaseUrl = "";
  EXPECT_EQ(meteoalarmEdrLocationUrl(),
            String(METEOALARM_EDR_LOCATIONS_BASE_URL_DEFAULT) + "AT?token=a%20b%26c");
}

TEST_F(AlertsTest, QueryAppenders) {
  EXPECT_EQ(appendRawQueryToUrl("http://h/p", ""), "http://h/p");
  EXPECT_EQ(appendRawQueryToUrl("http://h/p", "& ?"), "http://h/p");
  EXPECT_EQ(appendRawQueryToUrl("http://h/p", "  ?&? a=1&b=%20 "), "http://h/p?a=1&b=%20");
  EXPECT_EQ(appendRawQueryToUrl("http://h/p?x=1", "&b=2"), "http://h/p?x=1&b=2");
  EXPECT_EQ(appendEncodedQueryParam("http://h/p", "  ", "v"), "http://h/p");
  EXPECT_EQ(appendEncodedQueryParam("http://h/p", " token ", ""), "http://h/p?token=");
  EXPECT_EQ(appendEncodedQueryParam("http://h/p?a", "to ken", "x/y=z"), "http://h/p?a&to%20ken=x%2Fy%3Dz");
}

// ---------------------------------------------------------------------------
// The toast
// ---------------------------------------------------------------------------

TEST_F(AlertsTest, JoinAlertField) {
  EXPECT_EQ(joinAlertField("", "Area", "  Bulloch  "), "Area: Bulloch");
  EXPECT_EQ(joinAlertField("Area: x", "Event", "Flood"), "Area: x\nEvent: Flood");
  EXPECT_EQ(joinAlertField("Area: x", "Event", " null "), "Area: x");
  EXPECT_EQ(joinAlertField("Area: x", "Event", " \n "), "Area: x");
  EXPECT_EQ(joinAlertField("", "Event", ""), "");
}

TEST_F(AlertsTest, SameAlertPopsUpOnceEvenAfterClosing) {
  showAlertToast(" NOAA ", " A1 ", " Flood Watch ", " Area: x ", " Moderate ");
  EXPECT_TRUE(alertToastState.valid);
  EXPECT_TRUE(alertToastVisible());
  EXPECT_EQ(alertToastState.source, "NOAA");
  EXPECT_EQ(alertToastState.id, "A1");
  EXPECT_EQ(alertToastState.title, "Flood Watch");
  EXPECT_EQ(alertToastState.detail, "Area: x");
  EXPECT_EQ(alertToastState.severity, "Moderate");
  EXPECT_EQ(logLinesWith("[WARN][ALERT] NOAA: Flood Watch"), 1);

  alertPopupScrollLines = 4;
  alertPopupMaxScrollLines = 9;
  alertPopupPageStepLines = 2;
  clearAlertToast();
  EXPECT_FALSE(alertToastState.valid);
  EXPECT_FALSE(alertToastVisible());
  EXPECT_EQ(alertToastState.lastShownId, "A1");  // kept for the run
  EXPECT_EQ(alertPopupScrollLines, 0);
  EXPECT_EQ(alertPopupMaxScrollLines, 0);
  EXPECT_EQ(alertPopupPageStepLines, 1);

  uiDirty = false;
  showAlertToast("NOAA", "A1", "Flood Watch", "Area: x; later text", "Moderate");
  EXPECT_TRUE(alertToastState.valid);  // held again, not reopened
  EXPECT_FALSE(alertToastVisible());
  EXPECT_EQ(alertToastState.detail, "Area: x; later text");
  EXPECT_FALSE(uiDirty);
  EXPECT_EQ(logLinesWith("[WARN][ALERT] "), 1);

  showAlertToast("NOAA", "A2", "Flood Warning", "", "Severe");
  EXPECT_TRUE(alertToastVisible());
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(logLinesWith("[WARN][ALERT] NOAA: Flood Warning"), 1);
}

TEST_F(AlertsTest, MissingTitleAndIdGetDefaults) {
  showAlertToast("NOAA", "", "", "", "");
  EXPECT_EQ(alertToastState.title, "Civil alert");
  EXPECT_EQ(alertToastState.id, "Civil alert|NOAA");
  showAlertToast("KATWARN/NINA", " ", "Sturm", "", "");
  EXPECT_EQ(alertToastState.id, "Sturm|KATWARN/NINA");
  EXPECT_EQ(logLinesWith("[WARN][ALERT] KATWARN/NINA: Sturm"), 1);
}

TEST_F(AlertsTest, ANewAlertWakesTheScreenAndAnOpenPopupShowsNewText) {
  screensaverActive = true;
  showAlertToast("NOAA", "A1", "Heat", "", "");
  EXPECT_FALSE(screensaverActive);
  uiDirty = false;
  showAlertToast("NOAA", "A1", "Heat", "Expires: later", "");
  EXPECT_TRUE(uiDirty);  // the shown popup gets the new text
  EXPECT_TRUE(alertToastVisible());
}

TEST_F(AlertsTest, DisabledAlertsDropTheToastButKeepWhatWasShown) {
  showAlertToast("NOAA", "A1", "Heat", "", "");
  cfg.noaaEnabled = false;
  desktopFinalizeLoadedConfig();
  EXPECT_FALSE(alertToastState.valid);
  EXPECT_FALSE(alertToastVisible());
  EXPECT_EQ(alertToastState.lastShownId, "A1");
}

TEST_F(AlertsTest, PopupDeadline) {
  showAlertToast("NOAA", "A1", "Heat", "", "");
  uint32_t left = 0;
  EXPECT_FALSE(alertPopupTimeLeftMs(millis(), left));  // until closed
  alertToastState.visibleUntilMillis = millis() + 5000;
  ASSERT_TRUE(alertPopupTimeLeftMs(millis(), left));
  EXPECT_EQ(left, 5000u);
  desktopSetTestClock(104999);
  EXPECT_TRUE(alertToastVisible());
  desktopSetTestClock(105000);
  EXPECT_FALSE(alertToastVisible());
  ASSERT_TRUE(alertPopupTimeLeftMs(millis(), left));
  EXPECT_EQ(left, 0u);
  uiDirty = false;
  pollAlertDataIfDue();  // alerts are off: only the expired popup is hidden
  EXPECT_FALSE(alertToastState.visible);
  EXPECT_TRUE(uiDirty);
  EXPECT_FALSE(alertPopupTimeLeftMs(millis(), left));
}

// ---------------------------------------------------------------------------
// Answers: seen in real answers and our variants of them
// ---------------------------------------------------------------------------

namespace {

enum Parser { NINA, NOAA, EDR, ATOM };

bool parseRaw(Parser p, const String& payload, AlertFields& f) {
  switch (p) {
    case NINA: return desktopParseNinaAlertRaw(payload, f);
    case NOAA: return desktopParseNoaaAlertRaw(payload, f);
    case EDR: return desktopParseMeteoAlarmEdrRaw(payload, f);
    case ATOM: return desktopParseMeteoAlarmAtomRaw(payload, f);
  }
  return false;
}

bool parseAndShow(Parser p, const String& payload) {
  switch (p) {
    case NINA: return parseNinaAlertResponse(payload);
    case NOAA: return parseNoaaAlertResponse(payload);
    case EDR: return parseMeteoAlarmEdrResponse(payload);
    case ATOM: return parseMeteoAlarmAtomResponse(payload);
  }
  return false;
}

struct AnswerCase {
  const char* file;
  Parser parser;
  bool found;
  const char* source;
  const char* id;
  const char* title;
  const char* severity;
  const char* detail;
};

const char* const HEAT_DETAIL =
    "Area: Inland Liberty; Evans; Long; Coastal Liberty; Coastal Bryan; Tattnall; Inland Bryan; Effingham; "
    "Bulloch; Coastal McIntosh; Inland Chatham; Candler; Inland McIntosh; Coastal Chatham\n"
    "Event: Heat Advisory\n"
    "Description: * HEAT INDEX VALUES...Around 110 due to temperatures in the upper\n"
    "90s, and dewpoints in the upper 70s.\n\n* TIMING...11 AM to 6 PM\n\n"
    "* IMPACTS...Dangerously high temperatures and humidity could\nquickly cause heat stress or heat stroke "
    "if precautions are\nnot taken.\n"
    "Instruction: If you must be outdoors, drink plenty of fluids, wear light\nweight clothing and stay out of "
    "direct sunshine. In addition,\nknow the signs of heat illnesses and be sure to check on those\nwho are most "
    "vulnerable to the heat such as young children and\nthe elderly. Never leave children or pets in a "
    "vehicle.\n\nTo reduce risk during outdoor work, the Occupational Safety and\nHealth Administration "
    "recommends scheduling frequent rest breaks\nin shaded or air conditioned environments. Anyone overcome "
    "by\nheat should be moved to a cool and shaded location. Heat stroke\nis an emergency - call 9 1 1.\n"
    "Urgency: Expected\nCertainty: Likely\nEffective: 2019-08-14T07:20:00-04:00\n"
    "Expires: 2019-08-14T16:00:00-04:00\nSender: NWS Charleston SC";

const AnswerCase REAL_ANSWERS[] = {
    {"noaa_alerts_active_point_heat_advisory_2019.json", NOAA, true, "NOAA",
     "https://api.weather.gov/alerts/NWS-IDP-PROD-3762936-3231541",
     "Heat Advisory issued August 14 at 7:20AM EDT until August 14 at 6:00PM EDT by NWS Charleston SC",
     "Moderate", HEAT_DETAIL},
    {"noaa_alerts_active_zone_empty_reconstructed.json", NOAA, false, "", "", "", "", ""},
    {"nina_dashboard_empty.json", NINA, false, "", "", "", "", ""},
    {"meteoalarm_atom_no_entries_reconstructed.xml", ATOM, false, "", "", "", "", ""},
    {"nina_dashboard_storm_reconstructed.json", NINA, true, "KATWARN/NINA",
     "dwd.2.49.0.0.276.0.DWD.PVW.1693212120000.2c81f3bd-e53d-4d3f-9f88-6d1a3d16d3e5.MUL",
     "Amtliche UNWETTERWARNUNG vor ORKANB\xC3\x96"
     "EN",
     "Severe",
     "Event: BBK-EVC-001\nUrgency: Immediate\nEffective: 2023-08-28T11:00:00+02:00\n"
     "Expires: 2023-08-28T18:00:00+02:00"},
    // The commented-out entry before it is no entry.
    {"meteoalarm_atom_germany_wind_reconstructed.xml", ATOM, true, "MeteoAlarm",
     "2.49.0.0.276.0.DWD.PVW.1698907080000.7a3f1e56-0c1d-4e7b-9a2f-31d0b9c8e4aa.MUL",
     "Sturmb\xC3\xB6"
     "en",
     "Moderate",
     "Area: Kreis Nordfriesland - K\xC3\xBCste\nEvent: Sturmb\xC3\xB6"
     "en\n"
     "Description: Es treten Sturmb\xC3\xB6"
     "en mit Geschwindigkeiten > 60 km/h aus s\xC3\xBC"
     "dwestlicher "
     "Richtung auf. In exponierten Lagen muss mit Orkanb\xC3\xB6"
     "en um 110 km/h gerechnet werden.\n"
     "Instruction: Achten Sie auf herabst\xC3\xBCrzende \xC3\x84ste & Dachziegel.\nUrgency: Immediate\n"
     "Certainty: Likely\nEffective: 2023-11-02T07:38:00+01:00\nExpires: 2023-11-03T01:00:00+01:00\n"
     "Sender: Deutscher Wetterdienst\nWeb: https://www.wettergefahren.de"},
    // Coordinate filtering off: the first feature.
    {"meteoalarm_edr_locations_de_reconstructed.json", EDR, true, "MeteoAlarm EDR",
     "2.49.0.0.40.0.AT.ZAMG.1698912000.W.KA.1", "Gelbe Warnung vor Wind", "Moderate",
     "Area: K\xC3\xA4rnten\nDescription: Sturmb\xC3\xB6"
     "en bis 80 km/h.\nOnset: 2023-11-02T12:00:00+01:00\n"
     "Expires: 2023-11-03T06:00:00+01:00"},
};

}  // namespace

TEST_F(AlertsTest, RealAnswersAndOurVariants) {
  cfg.meteoalarmFilterByCoordinates = false;
  for (const AnswerCase& c : REAL_ANSWERS) {
    SCOPED_TRACE(c.file);
    const String payload = readTestData(std::string("alerts/") + c.file).c_str();
    ASSERT_FALSE(payload.isEmpty());
    AlertFields f;
    ASSERT_EQ(parseRaw(c.parser, payload, f), c.found);
    if (!c.found) {
      EXPECT_FALSE(parseAndShow(c.parser, payload));
      continue;
    }
    EXPECT_EQ(f.source, c.source);
    EXPECT_EQ(f.id, c.id);
    EXPECT_EQ(f.title, c.title);
    EXPECT_EQ(f.severity, c.severity);
    EXPECT_EQ(f.detail.str(), c.detail);
    alertToastState = AlertToastState();
    EXPECT_TRUE(parseAndShow(c.parser, payload));
    EXPECT_TRUE(alertToastVisible());
    EXPECT_EQ(alertToastState.id, c.id);
  }
}

TEST_F(AlertsTest, EdrCoordinateFilter) {
  const String payload = readTestData("alerts/meteoalarm_edr_locations_de_reconstructed.json").c_str();
  AlertFields f;
  // Hamburg lies only in the second feature, whose bounds are given reversed.
  cfg.weatherLat = "53.55";
  cfg.weatherLon = "9.99";
  ASSERT_TRUE(desktopParseMeteoAlarmEdrRaw(payload, f));
  EXPECT_EQ(f.id, "2.49.0.0.276.0.DWD.PVW.1698907080000.5c1d2e3f-4a5b-6c7d-8e9f-0a1b2c3d4e5f.MUL");
  EXPECT_EQ(f.title,
            "Amtliche WARNUNG vor STURMB\xC3\x96"
            "EN");  // from "de-DE"
  EXPECT_EQ(f.severity, "Severe");
  EXPECT_EQ(f.detail,
            "Area: Stadt M\xC3\xBCnchen\nDescription: Es treten Sturmb\xC3\xB6"
            "en mit Geschwindigkeiten um "
            "75 km/h auf.\nInstruction: Achten Sie besonders auf herabst\xC3\xBCrzende \xC3\x84ste.\n"
            "Onset: 2023-11-02T13:00:00+01:00\nExpires: 2023-11-02T22:00:00+01:00");
  // Outside every box, or no usable point: nothing.
  cfg.weatherLat = "-33.92";
  cfg.weatherLon = "18.42";
  EXPECT_FALSE(desktopParseMeteoAlarmEdrRaw(payload, f));
  cfg.weatherLat = "";
  EXPECT_FALSE(desktopParseMeteoAlarmEdrRaw(payload, f));
  // The APRS centre stands in for missing weather coordinates.
  cfg.aprsCenterLat = "47.0";
  cfg.aprsCenterLon = "14.0";
  ASSERT_TRUE(desktopParseMeteoAlarmEdrRaw(payload, f));
  EXPECT_EQ(f.id, "2.49.0.0.40.0.AT.ZAMG.1698912000.W.KA.1");
  // A feature without a box never passes the filter.
  EXPECT_FALSE(desktopParseMeteoAlarmEdrRaw("{\"features\":[{\"id\":\"x\",\"headline\":\"h\"}]}", f));
}

TEST_F(AlertsTest, NoaaWithoutIdGetsTitleAndSource) {
  const String payload =
      "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"properties\":{"
      "\"headline\":\"Flood Watch\",\"severity\":\"Moderate\",\"senderName\":\"NWS\"}}]}";
  ASSERT_TRUE(parseNoaaAlertResponse(payload));
  EXPECT_EQ(alertToastState.id, "Flood Watch|NOAA");
  EXPECT_EQ(alertToastState.detail, "Sender: NWS");
}

TEST_F(AlertsTest, AtomTitleFallbacks) {
  AlertFields f;
  // A title equal to the severity gives way to the event.
  ASSERT_TRUE(desktopParseMeteoAlarmAtomRaw(
      "<feed><entry><cap:headline>Moderate</cap:headline><cap:severity>Moderate</cap:severity>"
      "<cap:event>Gewitter</cap:event></entry></feed>",
      f));
  EXPECT_EQ(f.title, "Gewitter");
  // Only a severity: the fixed title; no detail lines: the summary.
  ASSERT_TRUE(desktopParseMeteoAlarmAtomRaw(
      "<feed><entry><cap:severity>Minor</cap:severity><summary>Frost am Morgen</summary></entry></feed>", f));
  EXPECT_EQ(f.title, "Frost am Morgen");
  EXPECT_EQ(f.detail, "Frost am Morgen");
  ASSERT_TRUE(desktopParseMeteoAlarmAtomRaw("<feed><entry><severity>Minor</severity></entry></feed>", f));
  EXPECT_EQ(f.title, "MeteoAlarm warning");
  ASSERT_TRUE(desktopParseMeteoAlarmAtomRaw("<entry><content type=\"html\">Nur Text</content></entry>", f));
  EXPECT_EQ(f.detail, "Nur Text");
  EXPECT_EQ(f.title, "MeteoAlarm warning");
}

// Payloads that are no alerts
TEST_F(AlertsTest, WhatIsNoAlert) {
  cfg.meteoalarmFilterByCoordinates = false;
  const char* const notAlerts[] = {
      "",
      "   ",
      "[]",
      "{}",
      "[{}]",
      "{\"message\": \"Service temporarily unavailable\"}",
      "[{\"id\": null, \"headline\": \"  \", \"severity\": \"null\"}]",
      "<html><head><style>body { margin: 0 } .x { color: red }</style></head>"
      "<body>Please log in to the hotel Wi-Fi {\"id\": \"x\"}</body></html>",
      "Error: {\"id\": \"abc\", \"headline\": \"not JSON\"}",
  };
  for (const char* text : notAlerts) {
    AlertFields f;
    EXPECT_FALSE(desktopParseNinaAlertRaw(text, f)) << text;
    EXPECT_FALSE(desktopParseMeteoAlarmEdrRaw(text, f)) << text;
    EXPECT_FALSE(desktopParseNoaaAlertRaw(text, f)) << text;
  }
  AlertFields f;
  EXPECT_FALSE(desktopParseNoaaAlertRaw("{\"features\": [{\"type\": \"Feature\", \"geometry\": null}]}", f));
  EXPECT_FALSE(desktopParseNoaaAlertRaw("{\"title\": \"no features\", \"id\": \"x\"}", f));
  EXPECT_FALSE(desktopParseMeteoAlarmAtomRaw("<html><body>{ captive portal }</body></html>", f));
  EXPECT_FALSE(desktopParseMeteoAlarmAtomRaw("<feed><entry>  </entry></feed>", f));
  EXPECT_FALSE(desktopParseMeteoAlarmAtomRaw("<feed><entry><link href=\"x\"/></entry></feed>", f));
  EXPECT_FALSE(alertToastState.valid);
  // Byte-order mark and blanks before the JSON are fine.
  ASSERT_TRUE(desktopParseNinaAlertRaw("\xEF\xBB\xBF \n [ {\"id\": \"mow.1\"} ]", f));
  EXPECT_EQ(f.id, "mow.1");
}

// Truncated
TEST_F(AlertsTest, TruncatedRealAnswersNeverMakeHalfAlerts) {
  cfg.meteoalarmFilterByCoordinates = false;
  const struct {
    const char* file;
    Parser parser;
  } files[] = {{"noaa_alerts_active_point_heat_advisory_2019.json", NOAA},
               {"nina_dashboard_storm_reconstructed.json", NINA},
               {"meteoalarm_edr_locations_de_reconstructed.json", EDR},
               {"meteoalarm_atom_germany_wind_reconstructed.xml", ATOM}};
  for (const auto& c : files) {
    const std::string whole = readTestData(std::string("alerts/") + c.file);
    AlertFields full;
    ASSERT_TRUE(parseRaw(c.parser, whole.c_str(), full)) << c.file;
    for (size_t cut = 0; cut < whole.size(); cut += 7) {
      AlertFields f;
      if (!parseRaw(c.parser, String(whole.data(), cut), f)) continue;
      // JSON objects and XML elements are read only when complete.
      EXPECT_EQ(f.id, full.id) << c.file << " cut at " << cut;
      EXPECT_EQ(f.title, full.title) << c.file << " cut at " << cut;
    }
  }
}

// Hostile
TEST_F(AlertsTest, HostileJson) {
  cfg.meteoalarmFilterByCoordinates = true;
  cfg.weatherLat = "48";
  cfg.weatherLon = "11";
  const std::string deep = std::string(20000, '[') + "{\"id\":\"x\"}" + std::string(20000, ']');
  const std::string braces = "[" + std::string(30000, '{');
  const std::string quotes = "[{\"id\":\"" + std::string(30000, '\\');
  const std::string manyFeatures = [] {
    std::string s = "{\"features\":[";
    for (int i = 0; i < 3000; ++i) s += "{\"bbox\":[0,0,1,1],\"id\":\"f\"},";
    return s + "{\"bbox\":[10,47,12,49],\"id\":\"last\"}]}";
  }();
  static const char NUL_JSON[] = "[{\"id\":\"a\0b\",\"headline\":\"x\"}]";
  const std::string nul(NUL_JSON, sizeof(NUL_JSON) - 1);
  AlertFields f;
  EXPECT_TRUE(desktopParseNinaAlertRaw(deep.c_str(), f));
  EXPECT_EQ(f.id, "x");
  EXPECT_FALSE(desktopParseNinaAlertRaw(braces.c_str(), f));
  EXPECT_FALSE(desktopParseNinaAlertRaw(quotes.c_str(), f));
  ASSERT_TRUE(desktopParseMeteoAlarmEdrRaw(manyFeatures.c_str(), f));
  EXPECT_EQ(f.id, "last");
  EXPECT_FALSE(desktopParseMeteoAlarmEdrRaw("{\"features\":[{\"bbox\":[1e999,47,12,49],\"id\":\"i\"}]}", f));
  EXPECT_FALSE(desktopParseMeteoAlarmEdrRaw("{\"features\":[{\"bbox\":[\"-\",\"+\"],\"id\":\"i\"}]}", f));
  EXPECT_TRUE(desktopParseNinaAlertRaw(String(nul.data(), nul.size()), f));
}

TEST_F(AlertsTest, EdrStringFields) {
  const String obj =
      "{\"a\":\"  plain  \",\"b\":{\"fr\":\"non\",\"en\":\"English\",\"de\":\"\"},\"c\":{\"value\":7},"
      "\"d\":null,\"e\":[\"x\"],\"f\":{\"nothing\":1}}";
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "a"), "plain");
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "b"), "English");
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "c"), "7");
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "d"), "");
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "e"), "");
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "f"), "");
  EXPECT_EQ(desktopMeteoAlarmStringField(obj, "missing"), "");
  EXPECT_EQ(desktopMeteoAlarmStringField("{\"b\":{\"de\":\"x\"", "b"), "");  // unclosed
}

// ---------------------------------------------------------------------------
// Coordinates
// ---------------------------------------------------------------------------

TEST_F(AlertsTest, ConfiguredCoordinates) {
  double lat = 0, lon = 0;
  EXPECT_FALSE(meteoalarmConfiguredCoordinates(lat, lon));
  cfg.weatherLat = " 48.1 ";  // incomplete pair: the next one is used
  cfg.aprsCenterLat = "-33.5";
  cfg.aprsCenterLon = "18.25";
  ASSERT_TRUE(meteoalarmConfiguredCoordinates(lat, lon));
  EXPECT_DOUBLE_EQ(lat, -33.5);
  EXPECT_DOUBLE_EQ(lon, 18.25);
  cfg.weatherLon = "11.5";
  ASSERT_TRUE(meteoalarmConfiguredCoordinates(lat, lon));
  EXPECT_DOUBLE_EQ(lat, 48.1);
  // The first complete pair must be valid; a later one does not stand in.
  for (const char* bad : {"91", "-90.5", "48,1", "abc", "nan", "inf", "1e2", "48.1x"}) {
    cfg.weatherLat = bad;
    EXPECT_FALSE(meteoalarmConfiguredCoordinates(lat, lon)) << bad;
  }
  cfg.weatherLat = "90";
  cfg.weatherLon = "-180";
  EXPECT_TRUE(meteoalarmConfiguredCoordinates(lat, lon));
}

TEST_F(AlertsTest, BboxAndNumberTokens) {
  EXPECT_TRUE(meteoalarmPointInsideBbox(48, 11, 5.87, 47.27, 15.04, 55.06));
  EXPECT_TRUE(meteoalarmPointInsideBbox(48, 11, 15.04, 55.06, 5.87, 47.27));       // reversed
  EXPECT_TRUE(meteoalarmPointInsideBbox(47.27, 5.87, 5.87, 47.27, 15.04, 55.06));  // edges count
  EXPECT_TRUE(meteoalarmPointInsideBbox(55.06, 15.04, 5.87, 47.27, 15.04, 55.06));
  EXPECT_FALSE(meteoalarmPointInsideBbox(47.26, 11, 5.87, 47.27, 15.04, 55.06));
  EXPECT_FALSE(meteoalarmPointInsideBbox(48, 15.05, 5.87, 47.27, 15.04, 55.06));

  const String s = "[ 5.87 , -47.2,+3,x -, 12e-1 ] +";
  int pos = 0;
  double v = 0;
  std::vector<double> values;
  while (desktopParseFloatToken(s, pos, v)) values.push_back(v);
  EXPECT_EQ(values, (std::vector<double>{5.87, -47.2, 3, 1.2}));
  EXPECT_EQ(pos, (int)s.length());
  pos = -5;
  EXPECT_TRUE(desktopParseFloatToken("7", pos, v));
  EXPECT_EQ(pos, 1);
  pos = 0;
  EXPECT_FALSE(desktopParseFloatToken("[-1e999, 2]", pos, v));  // not finite
}

// ---------------------------------------------------------------------------
// XML
// ---------------------------------------------------------------------------

TEST_F(AlertsTest, XmlFinder) {
  const String xml =
      "<?xml version=\"1.0\"?><!DOCTYPE feed><!-- <title>comment</title> --><feed>"
      "<![CDATA[<title>cdata</title>]]><cap:Title lang=\"de\">One</cap:Title><titles>no</titles>"
      "<title/><title>Two</title><Title>bad end</title></feed>";
  int s = 0, e = 0;
  ASSERT_TRUE(xmlFindElementRangeByLocalName(xml, "title", 0, -1, s, e));
  EXPECT_EQ(xml.substring(s, e), "One");
  ASSERT_TRUE(xmlFindElementRangeByLocalName(xml, "TITLE", e, -1, s, e));
  EXPECT_EQ(s, e);  // <title/> holds nothing
  ASSERT_TRUE(xmlFindElementRangeByLocalName(xml, "title", e, -1, s, e));
  EXPECT_EQ(xml.substring(s, e), "Two");
  EXPECT_FALSE(xmlFindElementRangeByLocalName(xml, "title", e, -1, s, e));  // end tag in another case
  EXPECT_FALSE(xmlFindElementRangeByLocalName(xml, "title", 0, xml.indexOf("One"), s, e));  // end past limit
  EXPECT_FALSE(xmlFindElementRangeByLocalName(xml, "", 0, -1, s, e));
  EXPECT_FALSE(xmlFindElementRangeByLocalName(xml, "itle", 0, -1, s, e));
  EXPECT_TRUE(xmlFindElementRangeByLocalName(xml, "feed", 0, 100000, s, e));

  const char* const names[] = {"headline", "titles", "title"};
  EXPECT_EQ(xmlExtractFirstNonEmptyByLocalNames(xml, 0, -1, names, 3), "no");
  EXPECT_EQ(xmlExtractFirstTextByLocalName(xml, "missing", 0, -1), "");
}

TEST_F(AlertsTest, XmlTextCleaning) {
  const struct {
    const char* raw;
    const char* clean;
  } cases[] = {
      {"  <![CDATA[Sturmb&#246;en\r\n\tum  110 km/h]]>  ",
       "Sturmb\xC3\xB6"
       "en um 110 km/h"},
      // Decoded comparisons are text, decoded tags are not.
      {"Frost &lt; 0 \xC2\xB0"
       "C, B\xC3\xB6"
       "en &gt; 60 km/h",
       "Frost < 0 \xC2\xB0"
       "C, B\xC3\xB6"
       "en > 60 km/h"},
      {"&lt;b&gt;Achtung&lt;/b&gt; &lt;br/&gt;Glatteis", "Achtung Glatteis"},
      {"Wind <5 Bft & Regen", "Wind <5 Bft & Regen"},
      {"a <b unclosed", "a <b unclosed"},
      {"x &amp;lt; y", "x < y"},  // the entities are decoded in their fixed order
      {"&#196;&#214;&#220;&#228;&#246;&#252;&#223; &#xE4; &nbsp;",
       "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F &#xE4; &nbsp;"},
      {"<p>one</p>\n\n<p>two</p>", "one two"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(xmlCleanExtractedText(c.raw), c.clean) << c.raw;
  EXPECT_EQ(xmlDecodeBasicEntities("&amp;amp; &quot;&apos;"), "&amp; \"'");
  EXPECT_EQ(stripDecodedTextTags("<?x?>a<!-- c -->b</i>"), "ab");
}

TEST_F(AlertsTest, AtomEntryWithADecodedComparisonKeepsIt) {
  const std::string feed = readTestData("alerts/meteoalarm_atom_germany_wind_reconstructed.xml");
  const size_t first = feed.find("<entry>", feed.find("-->"));
  const size_t second = feed.find("<entry>", feed.find("</entry>", first));
  ASSERT_NE(second, std::string::npos);
  // The feed without its first entry: the frost warning comes first.
  const std::string rest = feed.substr(0, first) + feed.substr(second);
  AlertFields f;
  ASSERT_TRUE(desktopParseMeteoAlarmAtomRaw(rest.c_str(), f));
  EXPECT_EQ(f.title, "Frost");
  EXPECT_EQ(f.severity, "Minor");
  EXPECT_NE(f.detail.indexOf("Description: Es tritt leichter Frost zwischen < 0 \xC2\xB0"
                             "C und -4 \xC2\xB0"
                             "C auf."),
            -1)
      << f.detail.c_str();
}

TEST_F(AlertsTest, HostileXml) {
  const std::string ltRun(60000, '<');
  const std::string longName = "<" + std::string(60000, 'a');
  const std::string unclosedComment = "<feed><!--" + std::string(60000, '-');
  const std::string unclosedCdata = "<entry><title><![CDATA[" + std::string(60000, 'x');
  const std::string manyOpen = [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "<entry>";
    return s;
  }();
  static const char NUL_XML[] = "<entry><title>a\0b</title></entry>";
  const std::string nul(NUL_XML, sizeof(NUL_XML) - 1);
  AlertFields f;
  for (const std::string* x : {&ltRun, &longName, &unclosedComment, &unclosedCdata, &manyOpen}) {
    EXPECT_FALSE(desktopParseMeteoAlarmAtomRaw(x->c_str(), f));
    int s = 0, e = 0;
    EXPECT_FALSE(xmlFindElementRangeByLocalName(x->c_str(), "title", 0, -1, s, e));
  }
  ASSERT_TRUE(desktopParseMeteoAlarmAtomRaw(String(nul.data(), nul.size()), f));
  EXPECT_EQ(f.title.length(), 3u);
  EXPECT_EQ(xmlCleanExtractedText(std::string(50000, ' ').c_str()), "");
  EXPECT_EQ(xmlCleanExtractedText(("&lt;a" + std::string(50000, 'b')).c_str()).length(), 50002u);
}

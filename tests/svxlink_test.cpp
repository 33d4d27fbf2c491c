// The SvxLink node source: the dashboard scrape on the real pages and our
// variants, the reflector and table rules, applying a node list (names,
// live record, statistics, lookups), malformed and hostile pages, the poll
// against a local server for both backends, and the APRS comment alert.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "core/view.h"
#include "enrichment/radioid.h"
#include "host/board_stubs.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/aprs/aprs.h"
#include "watch/svxlink/svxlink.h"

namespace {

const uint32_t NOW_MS = 500000;

std::string data(const std::string& name) { return readTestData("svxlink/" + name); }

std::string s(const String& v) { return std::string(v.c_str()); }

bool ringContains(const std::string& needle) {
  for (uint8_t i = 0; i < webLogCount; i++) {
    if (std::string(webLogEntryAt(i)->message.c_str()).find(needle) != std::string::npos) return true;
  }
  return false;
}

class SvxlinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktopSetTestClock(NOW_MS);
    cfg.svxlinkEnabled = true;
    cfg.svxlinkHost = "127.0.0.1";
    cfg.svxlinkSource = "url";
    cfg.svxlinkApiPath = "";
    cfg.radioIdLookupEnabled = false;
    cfg.apiUtcToLocalTime = false;
    setCurrentWatchSource(WATCH_SVXLINK);
    ASSERT_EQ(currentWatchSource, WATCH_SVXLINK);
  }
  void TearDown() override { desktopClearTestClock(); }

  // Scrapes a page the way a poll does.
  static bool scrape(const std::string& page) {
    return parseSvxlinkDashboardHtml(String(page));
  }
};

// ---------------------------------------------------------------- real pages

struct PageCase {
  const char* file;
  bool result;
  const char* radio;
  const char* reflector;
  const char* defaultTg;
  const char* monitorTgs;
  const char* activeTg;
  int logics;
  int heard;
  // Newest record: callsign, target, target name, source, time.
  const char* call;
  const char* target;
  const char* targetName;
  const char* src;
  const char* time;
};

const PageCase REAL_PAGES[] = {
    // "Logics" is not "Active Logics"; the reflector shows through the page text.
    {"hs_dashboard_pi_index_tx_polish_tg_names.html", true, "TX", "Connected", "260", "260 26021++ 235 2350",
     "260", 0, 5, "SR2TO", "TG 260", "FM Ogólnopolski", "cell_tower", "21:04:40 08 Dec"},
    // The status fragment alone has no reflector host in its text and no heard table.
    {"dashboard_v2_status_fragment_tx.html", true, "TX", "", "0", "235 91 23561+ 2350", "47669", 2, 0, "", "",
     "", "", ""},
    {"dashboard_v2_lh_fragment_tx.html", true, "", "", "", "", "", 0, 6, "DA6IT", "TG 47669", "", "SVXRef",
     "21:04:40"},
    // Cut timestamps stay as written and the table's order is kept.
    {"dashboard_v2_lh_fragment_msec_timestamps_misordered.html", true, "", "", "", "", "", 0, 2, "R2ADU",
     "TG 77", "", "SVXRef", "11:30:1"},
    {"dashboard_v2_lh_fragment_empty.html", true, "", "", "", "", "", 0, 0, "", "", "", "", ""},
};

TEST_F(SvxlinkTest, RealPagesScrapeIntoStatusAndHeardList) {
  for (const PageCase& c : REAL_PAGES) {
    SCOPED_TRACE(c.file);
    svxlinkRadioStatus = svxlinkReflectorStatus = svxlinkDefaultTg = svxlinkMonitorTgs = svxlinkActiveTg = "";
    clearHeard();
    svxlinkHeard().live = HeardRecord();
    EXPECT_EQ(scrape(data(c.file)), c.result);
    EXPECT_EQ(s(svxlinkRadioStatus), c.radio);
    EXPECT_EQ(s(svxlinkReflectorStatus), c.reflector);
    EXPECT_EQ(s(svxlinkDefaultTg), c.defaultTg);
    EXPECT_EQ(s(svxlinkMonitorTgs), c.monitorTgs);
    EXPECT_EQ(s(svxlinkActiveTg), c.activeTg);
    EXPECT_EQ(svxlinkLogicCount, c.logics);
    ASSERT_EQ(svxlinkHeard().count, c.heard);
    if (c.heard == 0) continue;
    const HeardRecord& r = svxlinkHeard().records[0];
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(s(r.callsign), c.call);
    EXPECT_EQ(s(r.target), c.target);
    EXPECT_EQ(s(r.targetName), c.targetName);
    EXPECT_EQ(s(r.src), c.src);
    EXPECT_EQ(s(r.timeUtc), c.time);
    EXPECT_EQ(s(r.mode), "SVXLink");
    EXPECT_TRUE(sameRecord(svxlinkHeard().live, r));
    EXPECT_EQ(s(footerText), "SVXLink dashboard OK");
  }
}

TEST_F(SvxlinkTest, RealPagesKeepEveryTalkerInOrder) {
  ASSERT_TRUE(scrape(data("dashboard_v2_lh_fragment_tx.html")));
  const char* const calls[] = {"DA6IT", "DMR-BRIDGE", "KN4YDL", "R2ADU", "G7XYZ", "IU5HJU"};
  ASSERT_EQ(svxlinkHeard().count, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(s(svxlinkHeard().records[i].callsign), calls[i]) << i;
  EXPECT_EQ(s(svxlinkHeard().records[4].targetName), "FM United Kingdom");
  EXPECT_EQ(s(svxlinkLogics[0]), "");

  ASSERT_TRUE(scrape(data("hs_dashboard_pi_index_tx_polish_tg_names.html")));
  const char* const names[] = {"FM Ogólnopolski", "FM SR2TO Toruń", "FM United Kingdom", "FM SR6W Wałbrzych",
                               "FM SR4X Białystok"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s(svxlinkHeard().records[i].targetName), names[i]) << i;
  EXPECT_EQ(s(svxlinkHeard().records[3].target), "TG 26062");

  ASSERT_TRUE(scrape(data("dashboard_v2_status_fragment_tx.html")));
  EXPECT_EQ(s(svxlinkLogics[0]), "SimplexLogic");
  EXPECT_EQ(s(svxlinkLogics[1]), "ReflectorLogic");
  // The status fragment has no heard table: the list stays.
  EXPECT_EQ(svxlinkHeard().count, 5);
}

// ---------------------------------------------------------------- variants

TEST_F(SvxlinkTest, ReflectorNoStatusWithEvidenceIsConnectedAndDisconnectedBeatsConnected) {
  ASSERT_TRUE(scrape(data("variant_reflector_no_status.html")));
  EXPECT_EQ(s(svxlinkReflectorStatus), "Connected");
  EXPECT_EQ(s(svxlinkRadioStatus), "RX");  // "Repeater Status" stands in for "Radio Status"
  EXPECT_EQ(svxlinkLogicCount, 2);         // the empty cell and "No Modules" are no items
  EXPECT_EQ(s(svxlinkMonitorTgs), "240 2401 91");

  ASSERT_TRUE(scrape(data("variant_reflector_disconnected.html")));
  EXPECT_EQ(s(svxlinkReflectorStatus), "Not connected");
  EXPECT_EQ(s(svxlinkRadioStatus), "Listening");
  EXPECT_EQ(s(svxlinkDefaultTg), "235");
  EXPECT_EQ(s(svxlinkActiveTg), "240");  // an empty cell keeps the old value
}

TEST_F(SvxlinkTest, TwentyRowsGiveTwelveRecordsWithoutHeaderOrNamelessRows) {
  ASSERT_TRUE(scrape(data("variant_twenty_rows.html")));
  ASSERT_EQ(svxlinkHeard().count, MAX_HEARD);
  const char* const calls[] = {"SM0ABC", "SA7BNT", "OH2XYZ", "LA9QL",  "OZ1ABC", "DL1ABC",
                               "G7XYZ",  "SP2ONG", "ON4XYZ", "PA3DEF", "DL2ABC", "IU5HJU"};
  for (int i = 0; i < MAX_HEARD; ++i) {
    SCOPED_TRACE(i);
    const HeardRecord& r = svxlinkHeard().records[i];
    EXPECT_EQ(s(r.callsign), calls[i]);
    // Bare numbers get "TG " in front, "TG 241" stays as it is.
    EXPECT_EQ(s(r.target), "TG " + std::to_string(240 + i));
    EXPECT_EQ(s(r.src), "SVXRef");  // an empty source cell too
    // "------" and empty names are no names.
    EXPECT_EQ(s(r.targetName), i % 3 == 0 ? "Talkgroup & friends " + std::to_string(i) : std::string());
    EXPECT_EQ(s(svxlinkHeardTimeText(r.timeUtc)).size(), 8u);
  }
  for (int i = 0; i < MAX_HEARD; ++i) EXPECT_NE(s(svxlinkHeard().records[i].callsign), "");
  EXPECT_EQ(s(svxlinkHeard().records[0].timeUtc), "2025-12-08 21:59:00");
  EXPECT_EQ(s(svxlinkHeardTimeText(svxlinkHeard().records[0].timeUtc)), "21:59:00");
}

TEST_F(SvxlinkTest, PagesThatAreNotDashboardsOrHaveNoTableChangeNothingTheyDoNotShow) {
  ASSERT_TRUE(scrape(data("hs_dashboard_pi_index_tx_polish_tg_names.html")));
  ASSERT_EQ(svxlinkHeard().count, 5);
  lastError = "";
  // Not a dashboard: error text, nothing changes.
  EXPECT_FALSE(
      scrape("<html><body><h1>404 Not Found</h1><table><tr><th>Radio Status</th><td>RX</td></tr>"
             "</table></body></html>"));
  EXPECT_EQ(s(lastError), "SVXLink dashboard HTML not recognized");
  EXPECT_EQ(s(svxlinkRadioStatus), "TX");
  EXPECT_EQ(svxlinkHeard().count, 5);
  // A dashboard without a heard marker, and one whose table never ends, keep the list.
  scrape("<html><title>Dashboard</title><body>maintenance</body></html>");
  EXPECT_EQ(svxlinkHeard().count, 5);
  scrape(
      "<span>SVXReflector Activity</span><table><tr><td>1</td><td>SM0ABC</td><td>240</td><td>x</td><td>y</td>");
  EXPECT_EQ(svxlinkHeard().count, 5);
  EXPECT_EQ(s(svxlinkHeard().records[0].callsign), "SR2TO");
  // The empty table of a recognised page empties the list.
  ASSERT_TRUE(scrape(data("dashboard_v2_lh_fragment_empty.html")));
  EXPECT_EQ(svxlinkHeard().count, 0);
}

// ---------------------------------------------------------------- rules

TEST_F(SvxlinkTest, ReflectorChunksAndEvidence) {
  const struct {
    const char* chunk;
    const char* status;  // "" = no status
  } chunks[] = {
      {" Connected ", "Connected"},
      {"reflector disconnected (was connected)", "Not connected"},
      {"NOT CONNECTED", "Not connected"},
      {"disconnect pending", "Not connected"},
      {"No status", "No status"},
      {"state unknown", "No status"},
      {"online since 10:00", "Connected"},
      {"active", "Connected"},
      {"&nbsp;\r\n\t", ""},
      {"Parrot EchoLink", ""},
  };
  for (const auto& c : chunks) {
    String status = "kept";
    const bool found = svxNormalizeReflectorStatusChunk(c.chunk, status);
    EXPECT_EQ(found, c.status[0] != 0) << c.chunk;
    EXPECT_EQ(s(status), c.status[0] ? c.status : "kept") << c.chunk;
  }
  EXPECT_TRUE(svxDashboardHasReflectorConnectionEvidence("ReflectorLogic svxreflector.net TG Default 1"));
  EXPECT_TRUE(
      svxDashboardHasReflectorConnectionEvidence("REFLECTORLOGIC Reflector-Network SVXReflector Activity"));
  EXPECT_FALSE(svxDashboardHasReflectorConnectionEvidence("SimplexLogic svxreflector.net TG Default 1"));
  EXPECT_FALSE(svxDashboardHasReflectorConnectionEvidence("ReflectorLogic TG Default 1"));
  EXPECT_FALSE(svxDashboardHasReflectorConnectionEvidence("ReflectorLogic svxreflector.net"));

  String status;
  // The first label found wins; the piece ends at the next status heading.
  EXPECT_TRUE(svxExtractReflectorStatusFromDashboardText(
      "1.reflector Not connected TG Default Reflector Connected", status));
  EXPECT_EQ(s(status), "Not connected");
  EXPECT_FALSE(svxExtractReflectorStatusFromDashboardText("Reflector TG Active connected", status));
  EXPECT_FALSE(
      svxExtractReflectorStatusFromDashboardText("reflector connected", status));  // label case as written
  EXPECT_TRUE(svxExtractReflectorStatusFromDashboardText("Reflector online", status));
  EXPECT_EQ(s(status), "Connected");
}

TEST_F(SvxlinkTest, TextCleanUpCellsAndTableItems) {
  // Entities go in order, so a doubly escaped sign ends as the sign.
  EXPECT_EQ(s(htmlDecodeBasic("&amp;lt;b&amp;gt; &quot;x&quot; &#39;y&#39;&nbsp;&amp;amp;")),
            "<b> \"x\" 'y' &amp;");
  EXPECT_EQ(s(svxCleanDashboardText(" \tA\r\nB &nbsp;&nbsp; C    D\n")), "A B C D");
  EXPECT_EQ(s(svxCleanDashboardText("&nbsp;\t\r\n")), "");

  String cells[8];
  EXPECT_EQ(
      svxCollectTdTexts("<tr><td a='1'> x <b>y</b></td><td></td><th>h</th><td>&amp;</td></tr>", cells, 8), 3);
  EXPECT_EQ(s(cells[0]), "x y");
  EXPECT_EQ(s(cells[1]), "");
  EXPECT_EQ(s(cells[2]), "&");
  EXPECT_EQ(svxCollectTdTexts("<td>1</td><td>2</td><td>3</td>", cells, 2), 2);
  EXPECT_EQ(svxCollectTdTexts("<td>1</td><td>never closed", cells, 8), 1);

  String items[SVXLINK_MAX_LOGICS];
  uint8_t count = 9;
  const char* table =
      "<th>Active Logics</th><td>A</td><td> </td><td>No Modules</td><td>B</td></table><td>C</td>";
  EXPECT_TRUE(svxExtractTableItems(table, "Active Logics", items, SVXLINK_MAX_LOGICS, count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s(items[1]), "B");
  std::string many = "<th>Active Logics</th>";
  for (int i = 0; i < 10; ++i) many += "<td>L" + std::to_string(i) + "</td>";
  many += "</table>";
  EXPECT_TRUE(svxExtractTableItems(String(many), "Active Logics", items, SVXLINK_MAX_LOGICS, count));
  EXPECT_EQ(count, SVXLINK_MAX_LOGICS);
  EXPECT_FALSE(svxExtractTableItems("<th>Logics</th><td>A</td></table>", "Active Logics", items, 6, count));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(svxExtractTableItems("<th>Active Logics</th><td>A</td>", "Active Logics", items, 6, count));
  EXPECT_EQ(count, 0);

  EXPECT_EQ(s(svxlinkHeardTimeText("2025-12-08 21:04:40")), "21:04:40");
  EXPECT_EQ(s(svxlinkHeardTimeText("21:04:40 08 Dec")), "21:04:40 08 Dec");
  EXPECT_EQ(s(svxlinkHeardTimeText("11:30:1")), "11:30:1");
}

// ---------------------------------------------------------------- applying a list

HeardRecord node(const char* call, const char* tg, const char* time, const char* name = "") {
  HeardRecord r;
  r.callsign = call;
  r.target = tg;
  r.timeUtc = time;
  r.name = name;
  r.mode = "SVXLink";
  r.src = "SVXRef";
  r.valid = true;
  return r;
}

TEST_F(SvxlinkTest, ApplyingAListNamesTalkersCountsQsosAndQueuesOneLookup) {
  cfg.radioIdLookupEnabled = true;
  RadioIdLookupCacheEntry* e = radioIdLookupCacheSlotForCallsign("SA7BNT", true);
  e->name = "Bengt Nilsson";
  e->found = true;
  e->lastFetchMillis = NOW_MS - 1000;
  HeardRecord list[2] = {node("SM0ABC", "TG 240", "21:04:40"),
                         node("SA7BNT", "TG 2401", "21:00:00", "SA7BNT")};
  const uint32_t qsos = sessionInfo.totalQsos;
  EXPECT_TRUE(svxApplyParsedHeardList(list, 2, "SVXLink dashboard OK"));
  ASSERT_EQ(svxlinkHeard().count, 2);
  EXPECT_EQ(s(svxlinkHeard().records[1].name), "Bengt Nilsson");  // a name that is the callsign is replaced
  EXPECT_EQ(s(svxlinkHeard().live.callsign), "SM0ABC");
  EXPECT_EQ(svxlinkHeard().liveMillis, NOW_MS);
  EXPECT_EQ(sessionInfo.totalQsos, qsos + 1);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "SM0ABC");
  EXPECT_EQ(s(currentSvxlinkUserCallsign()), "SM0ABC");

  // The same list again: no new QSO, no new lookup, and the node's live
  // time is not renewed; the footer is no screen activity.
  pendingRadioIdLookupCallsign = "";
  desktopSetTestClock(NOW_MS + 5000);
  const uint32_t interaction = lastInteractionMillis;
  setFooterText("something else", false);
  HeardRecord again[2] = {node("SM0ABC", "TG 240", "21:04:40"), node("SA7BNT", "TG 2401", "21:00:00")};
  svxApplyParsedHeardList(again, 2, "");
  EXPECT_EQ(sessionInfo.totalQsos, qsos + 1);
  EXPECT_EQ(s(pendingRadioIdLookupCallsign), "");
  EXPECT_EQ(svxlinkHeard().liveMillis, NOW_MS);
  EXPECT_EQ(lastInteractionMillis, interaction);
  EXPECT_EQ(s(footerText), "SVXLink dashboard OK");
  // The hotspot's list takes no part.
  EXPECT_EQ(hotspotHeard().count, 0);

  // An empty list clears the shown one.
  svxApplyParsedHeardList(again, 0, "");
  EXPECT_EQ(svxlinkHeard().count, 0);
  EXPECT_EQ(s(footerText), "SVXLink dashboard OK, no entries");
}

// ---------------------------------------------------------------- hostile pages

TEST_F(SvxlinkTest, MalformedTruncatedAndHostilePagesAreReadSafely) {
  const std::string real = data("hs_dashboard_pi_index_tx_polish_tg_names.html");
  for (size_t cut = 0; cut < real.size(); cut += 97) {
    clearHeard();
    scrape(real.substr(0, cut));
    ASSERT_GE(svxlinkHeard().count, 0);
    ASSERT_LE(svxlinkHeard().count, 5) << cut;
    for (int i = 0; i < svxlinkHeard().count; ++i) ASSERT_FALSE(svxlinkHeard().records[i].callsign.isEmpty()) << cut;
    ASSERT_LE(svxlinkLogicCount, SVXLINK_MAX_LOGICS);
  }
  const char* const hostile[] = {
      "SVXReflector Activity<table",
      "SVXReflector Activity<table><tr><td",
      "SVXReflector Activity<table><tr><td>1</td><td>SM0ABC</td><td>240</td><td>x</td><td>y</td></tr>",
      "<<<<SVXLink Info>>>><td<td<td></td></table></table>",
      "Dashboard <th>Radio Status</th><td",
      "Dashboard <th>TG Default</th>",
      "SVXLink Info Reflector",
      "LastHeard</table><table></table><tr><td>a</td><td>SM0ABC</td><td>1</td><td></td><td></td></tr>",
      "SVXLink Info <!-- <td>Active Logics</td> --> &amp;&amp;&lt;&lt;&gt;",
  };
  for (const char* page : hostile) {
    scrape(page);
    EXPECT_LE(svxlinkHeard().count, MAX_HEARD) << page;
  }
  // 1 MB of rows: still twelve records, from the top of the table.
  std::string big = "<span>SVXReflector Activity</span><table>";
  int row = 0;
  while (big.size() < 1024 * 1024) {
    big += "<tr><td>21:00:" + std::to_string(row % 60) + "</td><td><b>SM" + std::to_string(row % 10) +
           "ABC</b></td><td>" + std::to_string(240 + row) +
           "</td><td>OFF</td><td>SVXRef</td><td>TG</td></tr>\n";
    ++row;
  }
  big += "</table>";
  ASSERT_TRUE(scrape(big));
  EXPECT_EQ(svxlinkHeard().count, MAX_HEARD);
  EXPECT_EQ(s(svxlinkHeard().records[11].target), "TG 251");
  // 1 MB of unclosed tags and blanks.
  std::string tags = "SVXLink Info " + std::string(512 * 1024, '<') + std::string(512 * 1024, ' ');
  scrape(tags);
  EXPECT_EQ(s(svxCleanDashboardText(String(std::string(300000, ' ') + "a" + std::string(300000, '\t')))),
            "a");
}

// ---------------------------------------------------------------- poll

// A node that answers every request with one canned answer.
class SvxlinkPollTest : public SvxlinkTest {
 protected:
  void SetUp() override {
    SvxlinkTest::SetUp();
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest&, int fd, LocalHttpServer&) {
      std::string body, reason = "OK";
      int code = 200;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        body = body_;
        code = code_;
      }
      if (code != 200) reason = "Error";
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(code, reason, body));
    }));
    cfg.svxlinkHost = ("127.0.0.1:" + std::to_string(server_->port())).c_str();
    setCurrentWatchSource(WATCH_SVXLINK);
  }
  void answer(int code, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    code_ = code;
    body_ = body;
  }
  bool poll() {
    const bool started = fetchSvxlinkData();
    EXPECT_TRUE(waitForFetchesIdle());
    return started;
  }

  std::mutex mutex_;
  int code_ = 200;
  std::string body_;
  std::unique_ptr<LocalHttpServer> server_;
};

// The node's dashboard answers the same page: applied once, then nothing
// on screen changes; the fetch is still counted.
TEST_F(SvxlinkPollTest, AnUnchangedAnswerRedrawsNothing) {
  answer(200, data("hs_dashboard_pi_index_tx_polish_tg_names.html"));
  ASSERT_TRUE(poll());
  EXPECT_TRUE(uiDirty);
  const uint32_t okBefore = diagnosticsState.fetchOk;
  for (int i = 0; i < 2; ++i) {
    clearRedrawFlags();
    ASSERT_TRUE(poll());
    EXPECT_FALSE(anyRedrawFlagSet()) << i;
  }
  EXPECT_EQ(diagnosticsState.fetchOk, okBefore + 2);
  EXPECT_EQ(svxlinkHeard().count, 5);
}

TEST_F(SvxlinkPollTest, DashboardPollScrapesLogsAndSavesTheSvxlinkCache) {
  answer(200, data("hs_dashboard_pi_index_tx_polish_tg_names.html"));
  const uint32_t polls = svxlinkPollCount;
  ASSERT_TRUE(poll());
  EXPECT_EQ(svxlinkPollCount, polls + 1);
  ASSERT_EQ(server_->requests().size(), 1u);
  const LocalHttpRequest req = server_->requests()[0];
  EXPECT_EQ(req.target, "/index.php");
  EXPECT_EQ(req.header("Accept"), "text/html");
  EXPECT_EQ(svxlinkHeard().count, 5);
  EXPECT_EQ(shownHeardList().count, 5);
  EXPECT_EQ(s(svxlinkRadioStatus), "TX");
  EXPECT_TRUE(ringContains("Hotspot API OK (HTTP 200, "));

  // The node fails: footer, failed outcome, everything kept.
  answer(500, "oops");
  ASSERT_TRUE(poll());
  EXPECT_EQ(s(footerText), "SVXLink HTTP: 500");
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP 500, "));
  EXPECT_EQ(svxlinkHeard().count, 5);
  EXPECT_EQ(s(svxlinkRadioStatus), "TX");

  // Not a dashboard: failed outcome, error text, nothing changed.
  answer(200, "<html>login</html>");
  ASSERT_TRUE(poll());
  EXPECT_EQ(s(lastError), "SVXLink dashboard HTML not recognized");
  EXPECT_EQ(svxlinkHeard().count, 5);
  EXPECT_EQ(diagnosticsState.lastApiStatusCode, 200);
}

TEST_F(SvxlinkPollTest, JsonBridgeFillsModeAndSourceAndLeavesTheNodeStatusEmpty) {
  cfg.svxlinkSource = "json";
  answer(200, data("bridge_display_json.json"));
  ASSERT_TRUE(poll());
  ASSERT_EQ(server_->requests().size(), 1u);
  EXPECT_EQ(server_->requests()[0].target, "/api/display-json.php");
  EXPECT_EQ(server_->requests()[0].header("Accept"), "application/json");
  ASSERT_EQ(svxlinkHeard().count, 3);
  EXPECT_EQ(s(svxlinkHeard().records[0].callsign), "SM0ABC");
  EXPECT_EQ(s(svxlinkHeard().records[0].mode), "SVXLink");
  EXPECT_EQ(s(svxlinkHeard().records[0].src), "SVXRef");
  EXPECT_EQ(s(svxlinkHeard().records[1].src), "SVXRef2");
  EXPECT_EQ(s(svxlinkHeard().records[2].mode), "FM");
  EXPECT_EQ(s(svxlinkHeard().records[2].callsign), "G7XYZ");
  EXPECT_EQ(shownHeardList().count, 3);
  EXPECT_TRUE(svxlinkRadioStatus.isEmpty());
  EXPECT_TRUE(svxlinkReflectorStatus.isEmpty());
  EXPECT_EQ(s(footerText).rfind("SVXLink API updated from 127.0.0.1:", 0), 0u) << s(footerText);
}

TEST_F(SvxlinkPollTest, AnAnswerAfterASwitchLandsInTheSvxlinkListOnly) {
  HeardRecord mm = node("DL1ABC", "TG 262", "2025-12-08 10:00:00");
  mm.mode = "DMR";
  hotspotHeard().records[0] = mm;
  hotspotHeard().count = 1;
  answer(200, data("dashboard_v2_lh_fragment_tx.html"));
  ASSERT_TRUE(fetchSvxlinkData());
  EXPECT_FALSE(fetchSvxlinkData());  // one request at a time
  setCurrentWatchSource(WATCH_MMDVM);
  ASSERT_EQ(shownHeardList().count, 1);
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(shownHeardList().count, 1);
  EXPECT_EQ(s(shownHeardList().records[0].callsign), "DL1ABC");
  EXPECT_EQ(svxlinkHeard().count, 6);
  EXPECT_EQ(hotspotHeard().count, 1);  // the hotspot's list is not touched either
  EXPECT_EQ(s(hotspotHeard().records[0].callsign), "DL1ABC");
  setCurrentWatchSource(WATCH_SVXLINK);
  EXPECT_EQ(svxlinkHeard().count, 6);
  EXPECT_EQ(s(svxlinkHeard().records[0].callsign), "DA6IT");
}

TEST_F(SvxlinkPollTest, PollsThatCannotStartSayWhy) {
  WiFi.disconnect();
  EXPECT_FALSE(fetchSvxlinkData());
  EXPECT_EQ(s(footerText), "Wi-Fi disconnected");
  EXPECT_FALSE(wifiOk);
  EXPECT_TRUE(ringContains("Hotspot API failed (HTTP -1, 0 ms, streak 1)."));
  EXPECT_TRUE(server_->requests().empty());
  WiFi.begin("DESKTOP", "");

  // Without SvxLink shown the URL comes from the hotspot host; none: host missing.
  setCurrentWatchSource(WATCH_MMDVM);
  cfg.pistarHost = "";
  EXPECT_FALSE(fetchSvxlinkData());
  EXPECT_EQ(s(footerText), "SVXLink host missing");

  // A node that closes at once: transport failure.
  setCurrentWatchSource(WATCH_SVXLINK);
  cfg.svxlinkHost = ("127.0.0.1:" + std::to_string(unusedLocalPort())).c_str();
  ASSERT_TRUE(poll());
  EXPECT_EQ(s(footerText).rfind("SVXLink HTTP", 0), 0u) << s(footerText);
}

// ---------------------------------------------------------------- APRS alert

TEST_F(SvxlinkTest, AprsAlertShowsOnlyForTheTalkerWhoIsTheAprsStation) {
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "key";
  HeardRecord list[1] = {node("SM0ABC-7", "TG 240", "21:04:40")};
  list[0].callsign = "SM0ABC";
  svxApplyParsedHeardList(list, 1, "");
  EXPECT_FALSE(svxlinkAprsAlertVisible());  // no APRS data yet
  aprsState.valid = true;
  aprsState.sourceCallsign = "sm0abc-9";
  EXPECT_TRUE(svxlinkAprsAlertVisible());  // the asked-for callsign, normalised
  aprsState.callsign = "SM0XYZ";
  EXPECT_FALSE(svxlinkAprsAlertVisible());  // the station found is another one
  aprsState.callsign = "SM0ABC";
  uiDirty = false;
  updateSvxlinkAprsCommentAlertFromState();
  EXPECT_TRUE(uiDirty);

  selectedAprsNearbyIndex = 3;
  aprsInfoPopupScrollLines = 5;
  aprsInfoPopupPageStepLines = 4;
  openSvxlinkAprsCommentPopup();
  EXPECT_TRUE(aprsCommentPopupOpen);
  EXPECT_EQ(selectedAprsNearbyIndex, -1);
  EXPECT_EQ(aprsInfoPopupScrollLines, 0);
  EXPECT_EQ(aprsInfoPopupPageStepLines, 1);
  aprsInfoPopupMaxScrollLines = 7;
  clearSvxlinkAprsCommentAlert();
  EXPECT_FALSE(aprsCommentPopupOpen);
  EXPECT_EQ(aprsInfoPopupMaxScrollLines, 0);

  // Another source shown, or APRS off: no alert, the popup stays shut.
  cfg.aprsApiKey = "";
  EXPECT_FALSE(svxlinkAprsAlertVisible());
  openSvxlinkAprsCommentPopup();
  EXPECT_FALSE(aprsCommentPopupOpen);
}

}  // namespace

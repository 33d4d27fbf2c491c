// Dashboard status scraping: mode pills and cells, frequencies and status text
// of both dashboard flavours; pages that carry nothing; hostile HTML.

#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "support/temp_files.h"
#include "ui/page_frame.h"

namespace {

String readData(const char* relative) { return String(readTestData(relative)); }

void expectMode(const ModeStatus& s, bool known, bool enabled, const char* what) {
  EXPECT_EQ(s.known, known) << what;
  EXPECT_EQ(s.enabled, enabled) << what;
}

class DashboardStatusTest : public ::testing::Test {
 protected:
  void usePiStar() { cfg.backend = "Pi-Star"; }
  void useWpsd() { cfg.backend = "WPSD"; }
  void SetUp() override {
    usePiStar();
    uiDirty = false;
  }
};

}  // namespace

// Seen in real answers

TEST_F(DashboardStatusTest, PiStarListeningPage) {
  ASSERT_TRUE(parseDashboardStatusHtml(readData("pistar/repeaterinfo_listening_dmr.html")));
  expectMode(modeDMR, true, true, "DMR");
  expectMode(modeDSTAR, true, true, "D-Star");
  expectMode(modeYSF, true, true, "YSF");
  expectMode(modeP25, true, false, "P25");
  expectMode(modeNXDN, true, false, "NXDN");
  expectMode(modePOCSAG, true, true, "POCSAG");
  EXPECT_EQ(hotspotTxFreq, "438.800000");
  EXPECT_EQ(hotspotRxFreq, "438.800000");
  EXPECT_EQ(hotspotStatusText, "Listening DMR");
  EXPECT_TRUE(uiDirty);
}

TEST_F(DashboardStatusTest, PiStarIdleSimplexPage) {
  ASSERT_TRUE(parseDashboardStatusHtml(readData("pistar/repeaterinfo_idle_simplex.html")));
  EXPECT_TRUE(modeDMR.known);
  EXPECT_GT(hotspotTxFreq.length(), 0u);
  EXPECT_EQ(hotspotTxFreq.indexOf("MHz"), -1);
  EXPECT_GT(hotspotStatusText.length(), 0u);
}

TEST_F(DashboardStatusTest, WpsdStatusPills) {
  useWpsd();
  ASSERT_TRUE(parseDashboardStatusHtml(readData("wpsd/repeaterinfo_idle.html")));
  expectMode(modeDMR, true, true, "DMR");
  expectMode(modeDSTAR, true, true, "D-Star");
  expectMode(modeYSF, true, true, "YSF");
  expectMode(modeP25, true, false, "P25");
  expectMode(modeNXDN, true, false, "NXDN");
  expectMode(modePOCSAG, true, true, "POCSAG");
  EXPECT_EQ(hotspotTxFreq, "");
}

TEST_F(DashboardStatusTest, WpsdRadioInfoAfterStatusPageKeepsModes) {
  useWpsd();
  ASSERT_TRUE(parseDashboardStatusHtml(readData("wpsd/repeaterinfo_idle.html")));
  ASSERT_TRUE(parseDashboardStatusHtml(readData("wpsd/radioinfo_2024_divtable_idle_simplex.html")));
  EXPECT_EQ(hotspotTxFreq, "438.800");
  EXPECT_EQ(hotspotRxFreq, "438.800");
  EXPECT_EQ(hotspotStatusText, "IDLE");
  expectMode(modeDMR, true, true, "DMR");
  expectMode(modeP25, true, false, "P25");
}

TEST_F(DashboardStatusTest, WpsdStatCardLayoutWithoutFrequencyCardsKeepsFrequencies) {
  useWpsd();
  ASSERT_TRUE(parseDashboardStatusHtml(readData("wpsd/radioinfo_2024_divtable_duplex.html")));
  // The real simplex card page without its "Frequency" card: the radio
  // status, mode, TCXO (a frequency too) and firmware cards remain.
  std::string page = readData("wpsd/radioinfo_idle_simplex.html").str();
  const size_t label = page.find(">Frequency<");
  ASSERT_NE(label, std::string::npos);
  const size_t card = page.rfind("<div class=\"stat-card\"", label);
  const size_t nextCard = page.find("<div class=\"stat-card\"", label);
  ASSERT_TRUE(card != std::string::npos && nextCard != std::string::npos);
  page.erase(card, nextCard - card);
  uiDirty = false;
  EXPECT_FALSE(parseDashboardStatusHtml(String(page)));
  EXPECT_EQ(hotspotTxFreq, "439.450");
  EXPECT_EQ(hotspotRxFreq, "430.850");
  EXPECT_EQ(hotspotStatusText, "IDLE");
  EXPECT_FALSE(uiDirty);
}

TEST_F(DashboardStatusTest, WpsdStatCardPagesReadLikeTheirTableTwins) {
  useWpsd();
  struct Twin {
    const char* table;
    const char* cards;
    const char* tx;
    const char* rx;
    const char* cardStatus;
  };
  const Twin twins[] = {
      {"radioinfo_2024_divtable_idle_simplex.html", "radioinfo_idle_simplex.html", "438.800", "438.800",
       "IDLE"},
      {"radioinfo_2024_divtable_duplex.html", "radioinfo_duplex.html", "439.450", "430.850", "Listen DMR"},
      {"radioinfo_2024_divtable_simplex_12k5_step.html", "radioinfo_simplex_12k5_step.html", "438.812.500",
       "438.812.500", "IDLE"},
  };
  for (const Twin& t : twins) {
    for (const char* file : {t.table, t.cards}) {
      hotspotTxFreq = hotspotRxFreq = hotspotStatusText = "";
      uiDirty = false;
      EXPECT_TRUE(parseDashboardStatusHtml(readData((std::string("wpsd/") + file).c_str()))) << file;
      EXPECT_EQ(hotspotTxFreq, t.tx) << file;
      EXPECT_EQ(hotspotRxFreq, t.rx) << file;
      EXPECT_EQ(hotspotStatusText, file == t.table ? "IDLE" : t.cardStatus) << file;
      EXPECT_TRUE(uiDirty) << file;
      EXPECT_FALSE(modeDMR.known) << file;
    }
  }
}

// Marker rules

TEST_F(DashboardStatusTest, PiStarCellColourDecides) {
  const char* page =
      "<td style=\"background:#606060;\">DMR</td><td aria-disabled=\"true\">YSF</td>"
      "<td style=\"background:#0b0;\">P25</td>";
  ASSERT_TRUE(parseDashboardStatusHtml(String(page)));
  expectMode(modeDMR, true, false, "DMR");
  expectMode(modeYSF, true, false, "YSF");
  expectMode(modeP25, true, true, "P25");
  expectMode(modeNXDN, false, false, "NXDN");
}

TEST_F(DashboardStatusTest, WpsdPausedPillIsDisabled) {
  useWpsd();
  String page(
      "<div class='status-pill paused'><span>DMR</span></div>"
      "<div class='status-pill active'><span>NXDN</span></div>");
  ASSERT_TRUE(parseDashboardStatusHtml(page));
  expectMode(modeDMR, true, false, "DMR");
  expectMode(modeNXDN, true, true, "NXDN");
  expectMode(modeYSF, false, false, "YSF");
}

TEST_F(DashboardStatusTest, WpsdPillWithoutSpanIsSkipped) {
  useWpsd();
  String page(
      "<div class='status-pill active'>DMR</div><div class='status-pill active'><span>DMR</span></div>");
  ModeStatus s;
  ASSERT_TRUE(extractWpsdStatusPill(page, "DMR", s));
  EXPECT_TRUE(s.enabled);
  EXPECT_FALSE(extractWpsdStatusPill(page, "YSF", s));
}

TEST_F(DashboardStatusTest, SeparateTxAndRxColumns) {
  useWpsd();
  String page(
      "<div class=\"divTable\"><div class=\"divTableBody\"><div class=\"divTableRow\">"
      "<div class=\"divTableHeadCell\">Status</div><div class=\"divTableHeadCell\">TX Freq.</div>"
      "<div class=\"divTableHeadCell\">RX Freq.</div></div>"
      "<div class=\"divTableRow\"><div class=\"divTableCell\">TX DMR</div>"
      "<div class=\"divTableCell\">439.450MHz</div><div class=\"divTableCell\"> 430.850 MHz </div></div></div></div>");
  ASSERT_TRUE(parseDashboardStatusHtml(page));
  EXPECT_EQ(hotspotTxFreq, "439.450");
  EXPECT_EQ(hotspotRxFreq, "430.850");
  EXPECT_EQ(hotspotStatusText, "TX DMR");
}

TEST_F(DashboardStatusTest, WpsdStatCardLabelsAndValues) {
  // One card in the real markup, with the label and value as given.
  auto card = [](const std::string& label, const std::string& value, const std::string& cls = "stat-card") {
    return "<div class=\"" + cls + "\">\n  <span class=\"stat-label\">" + label +
           "</span>\n  <div class=\"stat-value\" style=\"\">" + value + "</div>\n</div>\n";
  };
  struct Case {
    std::string page;
    const char* label;
    const char* value;  // nullptr: not found
  };
  const Case cases[] = {
      {card(" tx freq. ", "439.450 MHz"), "TX Freq", "439.450 MHz"},
      {card("TX Freq", "439.450 MHz"), "TX Freq.", "439.450 MHz"},
      {card("TX\n Freq", "<b>439.450</b>&nbsp;MHz"), "tx freq", "439.450 MHz"},
      {card("Radio Status", "\n   Listen DMR        "), "Radio Status", "Listen DMR"},
      {card("TX Freq", "439.450 MHz", "stat-card highlight"), "TX Freq", "439.450 MHz"},
      {card("TX Freq", "439.450 MHz", "stat-cards"), "TX Freq", nullptr},
      {card("TX Freq Offset", "0.600 MHz"), "TX Freq", nullptr},
      {card("TX Freq", "  "), "TX Freq", nullptr},
      {card("TX Freq", "") + card("TX Freq", "439.450 MHz"), "TX Freq", nullptr},  // the first card decides
      {card("Mode", "Duplex") + card("RX Freq", "430.850 MHz"), "RX Freq", "430.850 MHz"},
      // A label without its value does not take the next card's value.
      {"<div class=\"stat-card\"><span class=\"stat-label\">TX Freq</span></div>" + card("Mode", "Duplex"),
       "TX Freq", nullptr},
      {"<span class=\"stat-label\">TX Freq</span><div class=\"stat-value\">439.450</div>", "TX Freq",
       nullptr},
      // What the dashboard printed instead of a value.
      {card("TX Freq",
            "<br />\n<b>Warning</b>:  Undefined variable $txFreq in <b>/var/www/dashboard/mmdvmhost/"
            "radioinfo.php</b> on line <b>41</b><br />"),
       "TX Freq", nullptr},
  };
  for (const Case& c : cases) {
    String out("old");
    const bool found = extractWpsdStatCardValue(String(c.page), c.label, out);
    EXPECT_EQ(found, c.value != nullptr) << c.page;
    EXPECT_EQ(out, c.value != nullptr ? c.value : "old") << c.page;
  }

  useWpsd();
  // "TX/RX Freq" fills both boxes, like the table's simplex column.
  ASSERT_TRUE(parseDashboardStatusHtml(String(card("TX/RX Freq.", "145.5000 MHz"))));
  EXPECT_EQ(hotspotTxFreq, "145.5000");
  EXPECT_EQ(hotspotRxFreq, "145.5000");
  // A duplex page with one PHP warning: the other box still fills.
  ASSERT_TRUE(parseDashboardStatusHtml(
      String(card("TX Freq", "<b>Notice</b>: Undefined index: tx in /var/www/x.php on line 3") +
             card("RX Freq", "430.850MHz"))));
  EXPECT_EQ(hotspotTxFreq, "145.5000");
  EXPECT_EQ(hotspotRxFreq, "430.850");
  // Pi-Star pages are not read for cards.
  usePiStar();
  EXPECT_FALSE(parseDashboardStatusHtml(String(card("TX Freq", "439.450 MHz") + card("Radio Status", "TX"))));
  EXPECT_EQ(hotspotTxFreq, "145.5000");
}

TEST_F(DashboardStatusTest, WpsdTableValuesWinOverCards) {
  useWpsd();
  const std::string table = readData("wpsd/radioinfo_2024_divtable_duplex.html").str();
  const std::string cards = readData("wpsd/radioinfo_simplex_12k5_step.html").str();
  for (const std::string& page : {table + cards, cards + table}) {
    ASSERT_TRUE(parseDashboardStatusHtml(String(page)));
    EXPECT_EQ(hotspotTxFreq, "439.450");
    EXPECT_EQ(hotspotRxFreq, "430.850");
    EXPECT_EQ(hotspotStatusText, "IDLE");
  }
  // The card status fills in only when the table has no status cell.
  std::string duplexCards = readData("wpsd/radioinfo_duplex.html").str();
  ASSERT_TRUE(parseDashboardStatusHtml(String(table + duplexCards)));
  EXPECT_EQ(hotspotStatusText, "IDLE");
  ASSERT_TRUE(parseDashboardStatusHtml(String(duplexCards)));
  EXPECT_EQ(hotspotStatusText, "Listen DMR");
}

TEST_F(DashboardStatusTest, DivCellAfterHeader) {
  String out;
  ASSERT_TRUE(extractDivCellAfterHeader(
      String("<div>Tx</div><div class=\"divTableCell\"><b>1 &amp; 2</b></div>"), "Tx", out));
  EXPECT_EQ(out, "1 & 2");
  EXPECT_FALSE(
      extractDivCellAfterHeader(String("<div>Tx</div><div class=\"divTableCell\"> </div>"), "Tx", out));
  EXPECT_EQ(out, "1 & 2");
}

TEST_F(DashboardStatusTest, VisibleTextOfHtml) {
  EXPECT_EQ(extractHtmlText(String("a<b>c</b>d")), "acd");
  EXPECT_EQ(extractHtmlText(String(" x&nbsp;&nbsp;y\r\n z ")), "x y z");
  EXPECT_EQ(extractHtmlText(String("&amp;lt;")), "<");
  EXPECT_EQ(extractHtmlText(String("&quot;q&#39; &gt;")), "\"q' >");
  EXPECT_EQ(extractHtmlText(String("")), "");
}

TEST_F(DashboardStatusTest, StripHtmlTagsKeepsEntitiesAndStrayClosers) {
  EXPECT_EQ(String("acd"), stripHtmlTags("a<b>c</b>d"));
  EXPECT_EQ(String("&amp; x>y"), stripHtmlTags("<i>&amp;</i> x>y"));
  EXPECT_EQ(String(" two  spaces\n"), stripHtmlTags("<td> two  spaces\n</td>"));
  EXPECT_EQ(String("x"), stripHtmlTags("x<unclosed td"));
  EXPECT_EQ(String(""), stripHtmlTags(""));
}

// Pages that carry nothing

TEST_F(DashboardStatusTest, LoginPageCountsAsFailedButKeepsEverything) {
  ASSERT_TRUE(parseDashboardStatusHtml(readData("pistar/repeaterinfo_listening_dmr.html")));
  uiDirty = false;
  const char* pages[] = {
      "<html><head><title>Login</title></head><body><form>Password <input></form></body></html>",
      "<br />\n<b>Fatal error</b>: Uncaught Error in /var/www/dashboard/mmdvmhost/repeaterinfo.php on line 12",
      "",
  };
  for (const char* page : pages) {
    EXPECT_FALSE(parseDashboardStatusHtml(String(page))) << page;
    expectMode(modeDMR, true, true, "DMR");
    expectMode(modeP25, true, false, "P25");
    EXPECT_EQ(hotspotTxFreq, "438.800000");
    EXPECT_EQ(hotspotStatusText, "Listening DMR");
  }
  EXPECT_FALSE(uiDirty);
}

TEST_F(DashboardStatusTest, FrequencyAloneIsASuccess) {
  ASSERT_TRUE(parseDashboardStatusHtml(String("<tr><th>Tx</th><td>438.8 MHz</td></tr>")));
  EXPECT_EQ(hotspotTxFreq, "438.8");
  EXPECT_EQ(hotspotRxFreq, "");
  EXPECT_FALSE(modeDMR.known);
}

TEST_F(DashboardStatusTest, StatusTextAloneIsNotASuccess) {
  EXPECT_FALSE(parseDashboardStatusHtml(String("<tr><th>Trx</th><td>Listening</td></tr>")));
  EXPECT_EQ(hotspotStatusText, "Listening");
  EXPECT_TRUE(uiDirty);
}

TEST_F(DashboardStatusTest, ModeStatusHelpers) {
  modeDMR.known = true;
  modeDMR.enabled = true;
  ModeStatus on{true, true}, off{};
  EXPECT_TRUE(allModeStatusesEqual(on, off, off, off, off, off));
  EXPECT_FALSE(allModeStatusesEqual(off, off, off, off, off, off));
  EXPECT_FALSE(modeStatusEqual(on, ModeStatus{true, false}));
  resetModeStatuses();
  EXPECT_TRUE(allModeStatusesEqual(off, off, off, off, off, off));
}

// Truncated

TEST_F(DashboardStatusTest, TruncatedPagesNeverCrash) {
  for (const char* file : {"pistar/repeaterinfo_listening_dmr.html", "wpsd/repeaterinfo_idle.html",
                           "wpsd/radioinfo_2024_divtable_idle_simplex.html"}) {
    cfg.backend = std::string(file).rfind("wpsd", 0) == 0 ? "WPSD" : "Pi-Star";
    const std::string full = readData(file).str();
    for (size_t cut = 0; cut <= full.size(); cut += 7) parseDashboardStatusHtml(String(full.substr(0, cut)));
    EXPECT_TRUE(parseDashboardStatusHtml(String(full))) << file;
  }
}

TEST_F(DashboardStatusTest, TruncatedCardPagesNeverGivePartialValues) {
  useWpsd();
  for (const char* file : {"wpsd/radioinfo_duplex.html", "wpsd/radioinfo_simplex_12k5_step.html"}) {
    const std::string full = readData(file).str();
    hotspotTxFreq = hotspotRxFreq = hotspotStatusText = "";
    ASSERT_TRUE(parseDashboardStatusHtml(String(full))) << file;
    const String tx = hotspotTxFreq, rx = hotspotRxFreq, status = hotspotStatusText;
    for (size_t cut = 0; cut < full.size(); cut++) {
      hotspotTxFreq = hotspotRxFreq = hotspotStatusText = "";
      const bool ok = parseDashboardStatusHtml(String(full.substr(0, cut)));
      EXPECT_TRUE(hotspotTxFreq == "" || hotspotTxFreq == tx)
          << file << " cut " << cut << ": " << hotspotTxFreq.c_str();
      EXPECT_TRUE(hotspotRxFreq == "" || hotspotRxFreq == rx)
          << file << " cut " << cut << ": " << hotspotRxFreq.c_str();
      EXPECT_TRUE(hotspotStatusText == "" || hotspotStatusText == status) << file << " cut " << cut;
      EXPECT_EQ(ok, hotspotTxFreq.length() > 0 || hotspotRxFreq.length() > 0) << file << " cut " << cut;
    }
  }
}

// Hostile

TEST_F(DashboardStatusTest, LoginAndErrorPagesGiveNoCardValues) {
  useWpsd();
  ASSERT_TRUE(parseDashboardStatusHtml(readData("wpsd/radioinfo_duplex.html")));
  uiDirty = false;
  const char* pages[] = {
      "<!DOCTYPE html>\n<html><head><title>WPSD - Login</title></head><body><form method=\"post\">"
      "<label>User <input name=\"user\"></label><label>Password <input type=\"password\"></label>"
      "<button>Login</button></form></body></html>\n",
      "<br />\n<b>Fatal error</b>:  Uncaught Error: Call to undefined function getMMDVMConfig() in "
      "/var/www/dashboard/mmdvmhost/radioinfo.php:12\nStack trace:\n#0 {main}\n  thrown in "
      "<b>/var/www/dashboard/mmdvmhost/radioinfo.php</b> on line <b>12</b><br />\n",
      "<div class=\"dashboard-header-stats\">\n<div class=\"stat-card\">\n<span class=\"stat-label\">TX Freq"
      "</span>\n<div class=\"stat-value\"><br />\n<b>Warning</b>:  Undefined array key \"Frequency\" in "
      "<b>/var/www/dashboard/mmdvmhost/radioinfo.php</b> on line <b>58</b><br />\n</div></div>\n"
      "<div class=\"stat-card\"><span class=\"stat-label\">Radio Status</span><div class=\"stat-value\">"
      "<b>Deprecated</b>: trim(): Passing null in /var/www/dashboard/mmdvmhost/radioinfo.php on line 20"
      "</div></div>\n</div>\n",
  };
  for (const char* page : pages) {
    EXPECT_FALSE(parseDashboardStatusHtml(String(page))) << page;
    EXPECT_EQ(hotspotTxFreq, "439.450");
    EXPECT_EQ(hotspotRxFreq, "430.850");
    EXPECT_EQ(hotspotStatusText, "Listen DMR");
  }
  EXPECT_FALSE(uiDirty);
}

TEST_F(DashboardStatusTest, LargeHostileCardPagesAreReadInOnePass) {
  // Each page is several megabytes of broken cards; a reader that searched
  // again from every card would take minutes on them (the test time-out).
  useWpsd();
  const int CARDS = 100000;
  auto repeat = [](const std::string& part, int n) {
    std::string out;
    out.reserve(part.size() * (size_t)n);
    for (int i = 0; i < n; i++) out += part;
    return out;
  };
  const std::string realCard =
      "<div class=\"stat-card\"><span class=\"stat-label\">TX Freq</span><div class=\"stat-value\">439.450 "
      "MHz</div></div>";
  const std::string pages[] = {
      repeat("<div class=\"stat-card\"><span class=\"stat-label\">", CARDS),
      repeat("<div class=\"stat-card\"><span class=\"stat-label\">TX Freq</span><div class=\"stat-value\">",
             CARDS),
      repeat("<div class=\"stat-card\"><span class=\"stat-label\">RX Freq</span><div class=\"stat-value\">",
             CARDS) +
          "</div>",
      repeat("<div class=\"stat-card\" class=\"stat-label\" class=\"stat-value\">", CARDS) + "</span></div>",
      repeat("<div class=\"stat-cards", CARDS) + realCard,
      repeat(
          "<div class=\"stat-card\"><span class=\"stat-label\">Mode</span><div class=\"stat-value\">x</div>",
          CARDS) +
          realCard,
      "<div class=\"stat-card\"><span class=\"stat-label\">TX Freq</span><div class=\"stat-value\">" +
          std::string(4000000, ' ') + "</div>",
  };
  const char* const expectedTx[] = {"", "", "", "", "439.450", "439.450", ""};
  for (size_t i = 0; i < sizeof(pages) / sizeof(pages[0]); i++) {
    hotspotTxFreq = hotspotRxFreq = hotspotStatusText = "";
    parseDashboardStatusHtml(String(pages[i]));
    EXPECT_EQ(hotspotTxFreq, expectedTx[i]) << "page " << i;
    EXPECT_EQ(hotspotStatusText, "") << "page " << i;
  }
}

TEST_F(DashboardStatusTest, UnclosedTagHidesTheRest) {
  EXPECT_EQ(extractHtmlText(String("visible<span never closed")), "visible");
  EXPECT_EQ(extractHtmlText(String("<<<<>a")), "a");
  EXPECT_EQ(extractHtmlText(String(std::string(200000, '<'))), "");
  EXPECT_EQ(extractHtmlText(String("a>b")), "a>b");
}

TEST_F(DashboardStatusTest, HostileMarkupIsHandled) {
  useWpsd();
  std::string manyPills;
  for (int i = 0; i < 5000; i++) manyPills += "<div class='status-pill x'><span>";
  std::string manyHeads = "<div class=\"divTable\"><div class=\"divTableBody\"><div class=\"divTableRow\">";
  for (int i = 0; i < 100; i++) manyHeads += "<div class=\"divTableHeadCell\">TX Freq.</div>";
  manyHeads += "<div class=\"divTableRow\">";
  for (int i = 0; i < 100; i++) manyHeads += "<div class=\"divTableCell\">" + std::to_string(i) + "</div>";
  const std::string pages[] = {
      manyPills,
      manyPills + "</div>",
      "<div class='status-pill <span></span></div>",
      "<div class='status-pill a'><span>DMR",
      "<div class=\"divTable\"><div class=\"divTableBody\"><div class=\"divTableRow\"><div class=\"divTableHeadCell\">",
      manyHeads,
      std::string("\0<td>\0", 6),
  };
  for (const std::string& p : pages) parseDashboardStatusHtml(String(p));
  String out;
  ASSERT_TRUE(extractWpsdRadioInfoValue(String(manyHeads), "TX Freq.", out));
  EXPECT_EQ(out, "0");
  usePiStar();
  const std::string piPages[] = {
      ">DMR</td>",   "<td>DMR</td>",   "<td\">DMR</td>",  "<td style=x DMR</td> >DMR</td>",
      "<th>Tx</th>", "<th>Tx</th><td", "<th>Tx</th><td>",
  };
  for (const std::string& p : piPages) parseDashboardStatusHtml(String(p));
  EXPECT_TRUE(modeDMR.known);
}

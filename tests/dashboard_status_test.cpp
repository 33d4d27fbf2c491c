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

TEST_F(DashboardStatusTest, WpsdStatCardLayoutGivesNothingAndKeepsData) {
  useWpsd();
  ASSERT_TRUE(parseDashboardStatusHtml(readData("wpsd/radioinfo_2024_divtable_idle_simplex.html")));
  EXPECT_FALSE(parseDashboardStatusHtml(readData("wpsd/radioinfo_duplex.html")));
  EXPECT_EQ(hotspotTxFreq, "438.800");
  EXPECT_EQ(hotspotStatusText, "IDLE");
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

// Hostile

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

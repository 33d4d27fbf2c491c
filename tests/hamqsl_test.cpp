// HamQSL source: the solar XML readers over the real document (and broken,
// cut and hostile ones), the placeholder rules, the condition colours, the
// basic entity decoder, and the fetch against a local server.
#include "watch/hamqsl/hamqsl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/config.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "core/theme.h"
#include "core/view.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"
#include "watch/hamqsl/hamqsl_page.h"

namespace {

std::string s(const String& v) { return v.c_str(); }
std::string realDocument() { return readTestData("hamqsl/solarxml_2019_no_report_fields.xml"); }

std::string doc(const std::string& inner) {
  return "<?xml version=\"1.0\"?><solar><solardata>" + inner + "</solardata></solar>";
}

class HamqslTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(900000);
    setDefaultTheme();
    cfg = AppConfig();
    cfg.hamqslEnabled = true;
    clearHamqslData();
  }
  void TearDown() override {
    ASSERT_TRUE(waitForFetchesIdle());
    desktopClearTestClock();
  }
};

// ---------------------------------------------------------------------------
// Seen in real answers

TEST_F(HamqslTest, RealDocumentWithNoReportFields) {
  ASSERT_TRUE(parseHamqslXml(String(realDocument())));
  const HamqslState& h = hamqslState;
  EXPECT_FALSE(h.valid);  // the fetch sets valid; the parse only fills the record
  EXPECT_EQ(s(h.updated), "15 Jan 2019 0442 GMT");
  EXPECT_EQ(s(h.solarFlux), "69");
  EXPECT_EQ(s(h.aIndex), "6");
  EXPECT_EQ(s(h.kIndex), "2");  // "kindexnt" says "No Report"
  EXPECT_EQ(s(h.xray), "A1.0");
  EXPECT_EQ(s(h.sunspots), "0");
  EXPECT_EQ(s(h.solarWind), "345.3");
  EXPECT_EQ(s(h.magneticField), "1.3");
  EXPECT_EQ(s(h.geomagField), "QUIET");
  EXPECT_EQ(s(h.signalNoise), "S1-S2");
  EXPECT_EQ(s(h.aurora), "");
  EXPECT_EQ(s(h.auroraLatitude), "No Report");
  EXPECT_EQ(s(h.muf), "NoRpt");
  EXPECT_EQ(s(h.fof2), "4.8");
  EXPECT_FALSE(hamqslValueKnown(h.muf));
  EXPECT_TRUE(hamqslValueKnown(h.fof2));
  ASSERT_EQ(h.hfBandCount, 4);
  const char* expected[4][3] = {{"80m-40m", "Fair", "Good"},
                                {"30m-20m", "Poor", "Poor"},
                                {"17m-15m", "Poor", "Poor"},
                                {"12m-10m", "Poor", "Poor"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s(h.hfBands[i].name), expected[i][0]);
    EXPECT_EQ(s(h.hfBands[i].day), expected[i][1]);
    EXPECT_EQ(s(h.hfBands[i].night), expected[i][2]);
  }
  ASSERT_EQ(h.vhfConditionCount, 5);
  EXPECT_EQ(s(h.vhfConditions[0].name), "VHF Aurora");
  EXPECT_EQ(s(h.vhfConditions[0].location), "northern_hemi");
  EXPECT_EQ(s(h.vhfConditions[0].condition), "Band Closed");
  EXPECT_EQ(s(h.vhfConditions[4].name), "E-Skip");
  EXPECT_EQ(s(h.vhfConditions[4].location), "europe_4m");
}

// ---------------------------------------------------------------------------
// Edge cases of the rules

TEST_F(HamqslTest, KIndexChoiceAndPlaceholders) {
  const struct {
    const char* inner;
    const char* k;
  } cases[] = {
      {"<kindex>3</kindex><kindexnt>5</kindexnt>", "5"},  // a numeric kindexnt wins
      {"<kindexnt>4</kindexnt><kindex>1</kindex>", "4"},  // in any order; never taken for kindex
      {"<kindexnt>NoRpt</kindexnt><kindex> 2 </kindex>", "2"},
      {"<kindexnt></kindexnt><kindex>2</kindex>", "2"},
      {"<kindexnt>No Report</kindexnt>", ""},
      {"<kindexnt>1</kindexnt>", "1"},
  };
  for (const auto& c : cases) {
    clearHamqslData();
    parseHamqslXml(String(doc(std::string("<solarflux>70</solarflux>") + c.inner)));
    EXPECT_EQ(s(hamqslState.kIndex), c.k) << c.inner;
  }
}

TEST_F(HamqslTest, BandsPhenomenaAndValidity) {
  // Only band conditions: still valid; a night-only band is added; unknown bands are ignored.
  std::string bands =
      "<calculatedconditions><band name=\"80m-40m\" time=\"night\">Good</band>"
      "<band name=\"6m\" time=\"day\">Good</band><band name='12m-10m' time='day'>Fair &amp; rising</band>"
      "</calculatedconditions>";
  ASSERT_TRUE(parseHamqslXml(String(doc(bands))));
  ASSERT_EQ(hamqslState.hfBandCount, 2);
  EXPECT_EQ(s(hamqslState.hfBands[0].day), "");
  EXPECT_EQ(s(hamqslState.hfBands[0].night), "Good");
  EXPECT_EQ(s(hamqslState.hfBands[1].name), "12m-10m");
  EXPECT_EQ(s(hamqslState.hfBands[1].day), "Fair & rising");

  // A seventh phenomenon is ignored; nameless empty ones are skipped.
  std::string vhf = "<solarflux>70</solarflux><phenomenon name=\"x\" location=\"y\"></phenomenon>";
  vhf += "<phenomenon location=\"nowhere\"></phenomenon>";
  for (int i = 0; i < 7; ++i) vhf += "<phenomenon name=\"2m-Es\" location=\"eu\">Band Closed</phenomenon>";
  ASSERT_TRUE(parseHamqslXml(String(doc(vhf))));
  EXPECT_EQ(hamqslState.vhfConditionCount, 6);
  EXPECT_EQ(s(hamqslState.vhfConditions[1].name), "2m Es");

  // No indices and no bands: refused, the earlier document stays.
  EXPECT_FALSE(parseHamqslXml(String(doc("<xray>B1</xray><signalnoise>S3</signalnoise>"))));
  EXPECT_EQ(s(hamqslState.solarFlux), "70");
  // Without the solardata element nothing counts.
  EXPECT_FALSE(parseHamqslXml("<solar><solarflux>90</solarflux></solar>"));
  EXPECT_FALSE(parseHamqslXml("<html><body>Service unavailable</body></html>"));
  EXPECT_EQ(s(hamqslState.solarFlux), "70");
}

TEST_F(HamqslTest, ParseKeepsTheFetchBookkeeping) {
  hamqslState.valid = true;
  hamqslState.lastAttemptMillis = 123;
  hamqslState.lastSuccessMillis = 100;
  hamqslState.lastHttpCode = 200;
  hamqslState.error = "old";
  ASSERT_TRUE(parseHamqslXml(String(realDocument())));
  EXPECT_TRUE(hamqslState.valid);
  EXPECT_EQ(hamqslState.lastAttemptMillis, 123u);
  EXPECT_EQ(hamqslState.lastSuccessMillis, 100u);
  EXPECT_EQ(s(hamqslState.error), "old");
}

TEST_F(HamqslTest, TagAndAttributeReaders) {
  int end = -1;
  const String xml("<kindexnt>9</kindexnt><kindex >&amp;lt;3&gt;</kindex><k>1</k>");
  EXPECT_EQ(s(hamqslXmlTagValue(xml, "kindex", 0, &end)), "<3>");  // doubly escaped ends as "<"
  EXPECT_EQ(end, (int)xml.length() - 8);
  EXPECT_EQ(s(hamqslXmlTagValue(xml, "k")), "1");
  EXPECT_EQ(s(hamqslXmlTagValue(xml, "kindex", end)), "");
  EXPECT_EQ(s(hamqslXmlTagValue("<muf>5", "muf")), "");
  EXPECT_EQ(s(hamqslXmlTagValue("<muf", "muf")), "");
  EXPECT_EQ(s(hamqslXmlAttrValue("<band name=\" 80m-40m \" time=day>", "name")), "80m-40m");
  EXPECT_EQ(s(hamqslXmlAttrValue("<band name=\"80m-40m\" time=day>", "time")), "");
  EXPECT_EQ(s(hamqslXmlAttrValue("<band name=\"80m", "name")), "");
  EXPECT_EQ(s(htmlDecodeBasic("a&nbsp;&quot;b&quot;&#39;&amp;amp;&amp;gt;")), "a \"b\"'&amp;>");
  EXPECT_EQ(s(hamqslFriendlyVhfName(" vhf-aurora ")), "VHF Aurora");
  EXPECT_EQ(s(hamqslFriendlyVhfName("4m-Es")), "4m Es");
  EXPECT_EQ(s(hamqslFriendlyVhfName("E-Skip")), "E-Skip");
  EXPECT_EQ(s(hamqslFriendlyVhfName("6m-Es")), "6m-Es");
}

TEST_F(HamqslTest, ConditionColours) {
  const struct {
    const char* value;
    uint16_t colour;
  } cases[] = {{"Band Closed", theme.bad}, {"Fair", theme.warn},   {"Good", theme.good},
               {"n/a", theme.text},        {"QUIET", theme.bad},   {"Band Open", theme.good},
               {"S9+ high", theme.good},   {"Active", theme.warn}, {"", theme.text}};
  for (const auto& c : cases) EXPECT_EQ(hamqslConditionColor(c.value), c.colour) << c.value;
}

// ---------------------------------------------------------------------------
// Truncated and hostile

TEST_F(HamqslTest, CutAndHostileDocumentsNeverReachBeyondTheText) {
  const std::string full = realDocument();
  for (size_t cut = 0; cut < full.size(); cut += 37) {
    clearHamqslData();
    const bool ok = parseHamqslXml(String(full.substr(0, cut)));
    EXPECT_LE(hamqslState.hfBandCount, 4);
    if (cut < full.find("<solarflux>")) {
      EXPECT_FALSE(ok) << cut;
    }
  }
  const char* hostile[] = {
      "<solar<solardata<band<band name=",
      "<solar><solardata><band name=\"80m-40m\" time=\"day\"",
      "<solar><solardata><phenomenon name='a'>x</phenomenon",
      "<solar><solardata><solarflux>&amp;&amp;&amp;&lt;</solarflux>",
      "<solar><solardata><solarflux>\x01\xff</solarflux></solardata></solar>",
  };
  for (const char* h : hostile) {
    clearHamqslData();
    parseHamqslXml(String(h));
    EXPECT_LE(hamqslState.vhfConditionCount, 1) << h;
  }
  EXPECT_TRUE(parseHamqslXml(String(hostile[4])));
}

// ---------------------------------------------------------------------------
// Fetch against a local server

class HamqslFetchTest : public HamqslTest {
 protected:
  void SetUp() override {
    HamqslTest::SetUp();
    server_.reset(new LocalHttpServer([this](const LocalHttpRequest&, int fd, LocalHttpServer&) {
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(code_, "Answer", body_));
    }));
    cfg.hamqslUrl = server_->url("/solarxml.php").c_str();
    body_ = realDocument();
  }
  void TearDown() override {
    HamqslTest::TearDown();
    server_.reset();
  }
  std::unique_ptr<LocalHttpServer> server_;
  int code_ = 200;
  std::string body_;
};

TEST_F(HamqslFetchTest, FetchParsesAndFailuresKeepTheDocument) {
  ASSERT_TRUE(fetchHamqslData());
  EXPECT_TRUE(hamqslState.fetchInProgress);
  EXPECT_EQ(s(hamqslLastUpdatedText()), "Fetching...");
  EXPECT_FALSE(fetchHamqslData());
  desktopSetTestClock(905000);
  ASSERT_TRUE(waitForFetchesIdle());
  ASSERT_EQ(server_->requests().size(), 1u);
  EXPECT_EQ(server_->requests()[0].target, "/solarxml.php");
  EXPECT_EQ(server_->requests()[0].header("Accept"),
            "application/xml, text/xml, text/plain;q=0.9, */*;q=0.5");
  EXPECT_TRUE(hamqslState.valid);
  EXPECT_FALSE(hamqslState.fetchInProgress);
  EXPECT_EQ(hamqslState.lastAttemptMillis, 900000u);
  EXPECT_EQ(hamqslState.lastSuccessMillis, 905000u);
  EXPECT_EQ(s(hamqslState.solarFlux), "69");

  code_ = 503;
  ASSERT_TRUE(fetchHamqslData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(s(hamqslState.error), "HTTP 503");
  EXPECT_EQ(s(hamqslLastUpdatedText()), "Just now");
  code_ = 200;
  body_ = "<html>maintenance</html>";
  ASSERT_TRUE(fetchHamqslData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(s(hamqslState.error), "HAMQSL XML parse failed");
  EXPECT_TRUE(hamqslState.valid);
  EXPECT_EQ(s(hamqslState.solarFlux), "69");
  for (const char* line :
       {"HAMQSL solar XML fetch OK (HTTP 200).", "HAMQSL solar XML fetch failed (HTTP 503).",
        "HAMQSL solar XML fetch failed (HTTP 200)."}) {
    bool found = false;
    for (uint8_t i = 0; i < webLogCount; ++i) found = found || webLogEntryAt(i)->message == line;
    EXPECT_TRUE(found) << line;
  }
}

// Solar data refreshes in the background: neither the request nor the same
// document again redraws anything while another page is shown.
TEST_F(HamqslFetchTest, AnUnchangedAnswerRedrawsNothingBehindOtherPages) {
  ASSERT_NE(currentWatchSource, WATCH_HAMQSL);
  ASSERT_TRUE(fetchHamqslData());
  ASSERT_TRUE(waitForFetchesIdle());
  ASSERT_TRUE(hamqslState.valid);
  EXPECT_TRUE(uiDirty);
  clearRedrawFlags();
  desktopSetTestClock(960000);
  ASSERT_TRUE(fetchHamqslData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_FALSE(anyRedrawFlagSet());
  EXPECT_EQ(hamqslState.lastSuccessMillis, 960000u);
  EXPECT_EQ(s(hamqslState.solarFlux), "69");
  body_ = doc("<solarflux>70</solarflux>");
  ASSERT_TRUE(fetchHamqslData());
  ASSERT_TRUE(waitForFetchesIdle());
  EXPECT_TRUE(uiDirty);
  EXPECT_EQ(s(hamqslState.solarFlux), "70");
}

TEST_F(HamqslFetchTest, UnconfiguredFetchStartsNothingAndConfigLoadUnsticks) {
  cfg.hamqslEnabled = false;
  EXPECT_FALSE(fetchHamqslData());
  EXPECT_EQ(s(hamqslRequestUrl()), "");
  cfg.hamqslEnabled = true;
  hamqslState.fetchInProgress = true;
  hamqslConfigFinalized();
  EXPECT_FALSE(hamqslState.fetchInProgress);
  EXPECT_TRUE(fetchHamqslData());
  ASSERT_TRUE(waitForFetchesIdle());
  cfg.hamqslUrl = "   ";
  hamqslConfigFinalized();
  EXPECT_FALSE(hamqslState.valid);
  EXPECT_EQ(server_->requests().size(), 1u);
}

}  // namespace

// The weather alert popup over the LIVE page: golden frames of a short body,
// a scrolled long body and a severe warning; its colours, page indicator,
// buttons and taps, and that it takes every tap and vertical drag.
#include <gtest/gtest.h>

#include <SDL.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"
#include "host/input.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/test_pointer.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "ui/rich_text.h"
#include "ui/touch.h"
#include "watch/alerts/alerts.h"
#include "watch/alerts/alerts_page.h"

namespace {

const char* const SHORT_DETAIL =
    "Area: Coastal Chatham\nEvent: Heat Advisory\nExpires: 2019-08-14T16:00:00-04:00";

class AlertPopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    root_ = makeTempDir("/tmp/qsodeck_alert_card_");
    ASSERT_FALSE(root_.empty());
    mkdir((root_ + "/flags").c_str(), 0755);
    SD.setRoot(root_.c_str());
    now_ = 500000;
    desktopSetTestClock(now_);
    setUiTimeOverride(1765204200);
    currentPage = PAGE_LIVE;
    shownHeardList().live = HeardRecord();
    closeDetailPopup();
    modeConfirmPopupOpen = quickActionPopupOpen = watchSourcePopupOpen = false;
    screensaverActive = false;
    setupRequired = apModeActive = false;
    setFooterText("Desktop: http://127.0.0.1/", false);
    alertToastState = AlertToastState();
    if (!initOffscreenDisplay()) GTEST_SKIP() << "offscreen display unavailable";
    installTestPointer();
    resetTouchGestureState();
    tft.fillScreen(0);
  }
  void TearDown() override {
    removeTestPointer();
    desktopClearTestClock();
    setUiTimeOverride(0);
    removeTempDir(root_);
  }

  void show(const char* source, const char* title, const char* detail, const char* severity) {
    showAlertToast(source, String(title) + "|id", title, detail, severity);
    redrawCurrentPage(true);
  }
  void heatAdvisory() {
    const std::string detail =
        "Area: Inland Liberty; Evans; Long; Coastal Liberty; Coastal Bryan; Tattnall; Inland Bryan; Effingham; "
        "Bulloch; Coastal McIntosh; Inland Chatham; Candler; Inland McIntosh; Coastal Chatham\n"
        "Event: Heat Advisory\nDescription: * HEAT INDEX VALUES...Around 110 due to temperatures in the upper\n"
        "90s, and dewpoints in the upper 70s.\n\n* TIMING...11 AM to 6 PM\nUrgency: Expected\n"
        "Certainty: Likely\nEffective: 2019-08-14T07:20:00-04:00\nExpires: 2019-08-14T16:00:00-04:00\n"
        "Sender: NWS Charleston SC";
    show("NOAA",
         "Heat Advisory issued August 14 at 7:20AM EDT until August 14 at 6:00PM EDT by NWS Charleston SC",
         detail.c_str(), "Moderate");
  }

  void advance(uint32_t ms) {
    now_ += ms;
    desktopSetTestClock(now_);
  }
  void sample(int x, int y) {
    testPointerDown(x, y);
    handleTouch();
  }
  void release() {
    testPointerUp();
    handleTouch();
  }
  void tap(int x, int y) {
    advance(300);
    sample(x, y);
    advance(20);
    release();
  }

  uint32_t now_ = 0;
  std::string root_;
};

}  // namespace

// Golden frames
TEST_F(AlertPopupTest, ShortBodyMatchesGolden) {
  show("NOAA", "Flood Watch issued August 14 by NWS Charleston SC", SHORT_DETAIL, "");
  EXPECT_EQ(alertPopupMaxScrollLines, 1);
  GoldenResult result = compareWithGolden("alert_popup_short", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(AlertPopupTest, ScrolledLongBodyMatchesGolden) {
  heatAdvisory();
  ASSERT_GT(alertPopupMaxScrollLines, 4);
  EXPECT_EQ(alertPopupPageStepLines, 2);
  tap(alertPopupNextButtonRect().x + 100, alertPopupNextButtonRect().y + 28);
  tap(alertPopupNextButtonRect().x + 100, alertPopupNextButtonRect().y + 28);
  EXPECT_EQ(alertPopupScrollLines, 4);
  ASSERT_TRUE(uiDirty);
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("alert_popup_scrolled", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(AlertPopupTest, SevereWarningMatchesGolden) {
  show("KATWARN/NINA",
       "Amtliche UNWETTERWARNUNG vor ORKANB\xC3\x96"
       "EN",
       "Event: BBK-EVC-001\nUrgency: Immediate\nDescription: Es treten Orkanb\xC3\xB6"
       "en mit "
       "Geschwindigkeiten um 120 km/h auf.",
       "Severe");
  GoldenResult result = compareWithGolden("alert_popup_severe", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(AlertPopupTest, SeverityColoursInAnyCase) {
  const struct {
    const char* severity;
    bool bad;
  } cases[] = {{"Severe", true}, {"extreme", true}, {"  SEVERE ", true},        {"Moderate", false},
               {"Minor", false}, {"", false},       {"3; orange; Severe", true}};
  for (const auto& c : cases) {
    alertToastState.severity = c.severity;
    EXPECT_EQ(alertPopupColour(), c.bad ? theme.bad : theme.warn) << c.severity;
  }
  show("NOAA", "x", "", "Extreme");
  EXPECT_EQ(framePixel(25, 42), rgbOf565(theme.bad));  // border
  EXPECT_TRUE(frameShowsText("NOAA", 55, 62, 2, TL_DATUM, theme.bad, theme.panel2));
  show("NOAA", "y", "", "Moderate");
  EXPECT_EQ(framePixel(25, 42), rgbOf565(theme.warn));
}

TEST_F(AlertPopupTest, BodyText) {
  alertToastState.severity = " Severe ";
  alertToastState.detail = "Area: x";
  EXPECT_EQ(alertPopupBodyText(), "Severity: Severe.\nArea: x");
  alertToastState.severity = "";
  EXPECT_EQ(alertPopupBodyText(), "Area: x");
  alertToastState.detail = "  ";
  EXPECT_EQ(alertPopupBodyText(), "No detailed alert text was provided by this source.");
  alertToastState.source = "";
  show("", "", "", "");
  EXPECT_TRUE(frameShowsText("ALERT", 55, 62, 2, TL_DATUM, theme.warn, theme.panel2));
  EXPECT_TRUE(frameShowsText("Civil alert", 55, 104, 2, TL_DATUM, theme.text, theme.panel2));
}

TEST_F(AlertPopupTest, ABodyThatFitsHasNoIndicatorAndIdleButtons) {
  show("NOAA", "Flood Watch", "Area: Coastal Chatham", "");
  EXPECT_EQ(alertPopupMaxScrollLines, 0);
  const std::vector<uint32_t> frame = readFrame();
  EXPECT_EQ(countPixels(frame, 75, 178 + 156 - 28, 80, 8, rgbOf565(theme.panel)), 80 * 8);
  const uint16_t idle = mix565(theme.panel, theme.subtext, 0.08f);
  EXPECT_EQ(framePixel(alertPopupPrevButtonRect().x + 10, alertPopupPrevButtonRect().y + 10), rgbOf565(idle));
  EXPECT_EQ(framePixel(alertPopupNextButtonRect().x + 10, alertPopupNextButtonRect().y + 10), rgbOf565(idle));
  uiDirty = false;
  tap(alertPopupNextButtonRect().x + 100, alertPopupNextButtonRect().y + 28);
  tap(400, 300);
  EXPECT_EQ(alertPopupScrollLines, 0);
  EXPECT_FALSE(uiDirty);
  EXPECT_TRUE(alertToastVisible());
}

TEST_F(AlertPopupTest, ButtonsAndTapHalvesScroll) {
  heatAdvisory();
  const int max = alertPopupMaxScrollLines;
  EXPECT_TRUE(
      frameShowsText("1/" + String((max + 2 + 1) / 2), 75, 306, 1, TL_DATUM, theme.warn, theme.panel));
  const uint16_t usable = mix565(theme.panel2, theme.warn, 0.16f);
  EXPECT_EQ(framePixel(alertPopupNextButtonRect().x + 10, alertPopupNextButtonRect().y + 10),
            rgbOf565(usable));
  tap(400, 300);  // lower half
  EXPECT_EQ(alertPopupScrollLines, 2);
  tap(700, 450);  // outside the popup, still lower half
  EXPECT_EQ(alertPopupScrollLines, 4);
  tap(400, 100);  // upper half
  EXPECT_EQ(alertPopupScrollLines, 2);
  tap(alertPopupPrevButtonRect().x + 5, alertPopupPrevButtonRect().y + 5);
  EXPECT_EQ(alertPopupScrollLines, 0);
  tap(alertPopupPrevButtonRect().x + 5, alertPopupPrevButtonRect().y + 5);
  EXPECT_EQ(alertPopupScrollLines, 0);
  for (int i = 0; i < 40; ++i) changeAlertPopupScroll(1);
  EXPECT_EQ(alertPopupScrollLines, max);
  redrawCurrentPage(true);
  const uint16_t idle = mix565(theme.panel, theme.subtext, 0.08f);
  EXPECT_EQ(framePixel(alertPopupNextButtonRect().x + 10, alertPopupNextButtonRect().y + 10), rgbOf565(idle));
  EXPECT_EQ(framePixel(alertPopupPrevButtonRect().x + 10, alertPopupPrevButtonRect().y + 10),
            rgbOf565(usable));
}

TEST_F(AlertPopupTest, EveryTapIsTakenAndCloseRemovesIt) {
  heatAdvisory();
  currentPage = PAGE_LIVE;
  tap(15 + 145 + 60, 36);  // the HEARD tab lies under the popup's top
  EXPECT_EQ(currentPage, PAGE_LIVE);
  tap(700, 36);  // the clock box
  EXPECT_EQ(currentPage, PAGE_LIVE);
  EXPECT_TRUE(alertToastVisible());
  // A horizontal swipe switches nothing, a vertical drag scrolls 3 lines.
  cfg.weatherEnabled = true;
  advance(300);
  sample(600, 300);
  advance(20);
  sample(300, 300);
  advance(20);
  release();
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(alertPopupScrollLines, 2);  // no swipe: the press tapped the lower half where it began
  advance(300);
  sample(400, 300);
  advance(20);
  sample(400, 240);  // up by 60 px: later lines
  advance(20);
  sample(400, 180);  // the same press scrolls once
  advance(20);
  release();
  EXPECT_EQ(alertPopupScrollLines, 5);
  advance(300);
  sample(400, 200);
  advance(20);
  sample(400, 260);
  advance(20);
  release();
  EXPECT_EQ(alertPopupScrollLines, 2);

  uiDirty = false;
  const String shownId = alertToastState.id;
  tap(alertPopupCloseButtonRect().x + 100, alertPopupCloseButtonRect().y + 28);
  EXPECT_FALSE(alertToastVisible());
  EXPECT_FALSE(alertToastState.valid);
  EXPECT_EQ(alertToastState.lastShownId, shownId);
  EXPECT_TRUE(uiDirty);
  redrawCurrentPage(true);
  EXPECT_FALSE(frameShowsText("NOAA", 55, 62, 2, TL_DATUM, theme.warn, theme.panel2));
  tap(15 + 145 + 60, 36);  // and taps reach the page again
  EXPECT_EQ(currentPage, PAGE_LAST);
}

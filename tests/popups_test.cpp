// The hotspot popups drawn over the LIVE page: golden frames of the detail
// popup and the mode confirmation, and the launcher's slot states.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "support/display_probe.h"
#include "support/golden_image.h"
#include "support/temp_files.h"
#include "support/ui_test_env.h"
#include "ui/page_frame.h"
#include "ui/popups.h"

namespace {

// A 32 x 32 flag with two vertical halves (blue, white).
GoldenImage halvedFlag() {
  GoldenImage flag;
  flag.width = flag.height = 32;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) flag.pixels.push_back(x < 16 ? 0x0040C0 : 0xFFFFFF);
  }
  return flag;
}

class PopupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useHotspotOnlyUiSetup();
    root_ = makeTempDir("/tmp/qsodeck_card_");
    ASSERT_FALSE(root_.empty());
    mkdir((root_ + "/flags").c_str(), 0755);
    SD.setRoot(root_.c_str());
    ASSERT_TRUE(write24Bmp(root_ + "/flags/nl.bmp", halvedFlag()));
    for (auto& slot : cfg.quickActions) slot = QuickActionSlotConfig();
    desktopSetTestClock(500000);
    setUiTimeOverride(1765204200);
    currentPage = PAGE_LIVE;
    shownHeardList().live = HeardRecord();
    closeDetailPopup();
    modeConfirmPopupOpen = quickActionPopupOpen = watchSourcePopupOpen = false;
    if (!openDrawingTestScreen("Desktop: http://127.0.0.1/", 0))
      GTEST_SKIP() << "offscreen display unavailable";
  }
  void TearDown() override {
    clearDrawingTestClocks();
    removeTempDir(root_);
  }
  std::string root_;
};

TEST_F(PopupsTest, DetailPopupWithoutOptionalFieldsMatchesGolden) {
  HeardRecord r;
  r.callsign = "PA3XYZ";
  r.mode = "DMR";
  r.timeslot = "2";
  r.target = "TG 204";
  r.rssi = "-93";
  r.ber = "1.2";
  r.valid = true;
  for (int i = 0; i < MAX_HEARD; ++i) shownHeardList().records[i] = HeardRecord();
  shownHeardList().records[0] = r;
  shownHeardList().count = 1;
  openDetailPopup(0);
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("detail_popup", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(PopupsTest, DetailPopupNeedsAValidIndex) {
  shownHeardList().count = 0;
  openDetailPopup(3);
  redrawCurrentPage(true);
  // Only the LIVE page: nothing at the popup's outline.
  EXPECT_NE(rgbOf565(theme.border), framePixel(30, 64));
}

TEST_F(PopupsTest, ModeConfirmationMatchesGolden) {
  modeConfirmTargetLabel = "DMR";
  modeConfirmEnableRequested = false;
  modeConfirmPopupOpen = true;
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("mode_confirm_popup", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(PopupsTest, ModeConfirmationLayout) {
  int px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH;
  getModeConfirmPopupLayout(px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH);
  EXPECT_EQ(100, px);
  EXPECT_EQ(128, py);
  EXPECT_EQ(155, noX);
  EXPECT_EQ(260, noY);
  EXPECT_EQ(435, yesX);
  EXPECT_EQ(260, yesY);
  EXPECT_EQ(210, yesW);
  EXPECT_EQ(56, yesH);
}

TEST_F(PopupsTest, LauncherMatchesGolden) {
  cfg.quickActions[0].enabled = true;
  cfg.quickActions[0].label = "Reboot the hotspot now, please";  // cut to the slot
  cfg.quickActions[0].command = "sudo reboot";
  cfg.quickActions[3].enabled = true;
  cfg.quickActions[3].label = "Update";
  cfg.quickActions[3].command = "sudo pistar-update";
  cfg.quickActions[2].enabled = true;  // no command: not configured
  cfg.quickActions[2].label = "Broken";
  quickActionPopupOpen = true;
  activeQuickActionIsSvxlink = false;
  redrawCurrentPage(true);
  GoldenResult result = compareWithGolden("quick_actions_popup", currentFrameImage());
  EXPECT_TRUE(result.ok) << result.message;
}

TEST_F(PopupsTest, LauncherShowsEmptySlots) {
  for (int i : {0, 2, 3}) {
    cfg.quickActions[i].enabled = true;
    cfg.quickActions[i].label = String("Preset ") + String(i);
    cfg.quickActions[i].command = "true";
  }
  quickActionPopupOpen = true;
  activeQuickActionIsSvxlink = false;
  redrawCurrentPage(true);
  std::vector<uint32_t> f = readFrame();
  // Slot 0 (top left) configured: outline and label in good.
  EXPECT_EQ(rgbOf565(theme.good), framePixel(122, 180));
  // Slot 1 (top right) empty: border outline and "Empty" in subtext.
  EXPECT_EQ(rgbOf565(theme.border), framePixel(412, 180));
  EXPECT_GT(countPixels(f, 412, 180, 265, 48, rgbOf565(theme.subtext)), 0);
  EXPECT_EQ(0, countPixels(f, 413, 181, 263, 46, rgbOf565(theme.good)));
}

}  // namespace

// The panel's backlight: levels 0..255 written scaled to the device's range
// in a folder shaped like /sys/class/backlight, devices that are missing or
// unusable, and the screen code driving it through applyBrightness().
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/view.h"
#include "host/backlight.h"
#include "support/temp_files.h"

namespace {

class BacklightTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = makeTempDir("/tmp/qsodeck_backlight_");
    ASSERT_FALSE(root_.empty());
    backlightSetSearchRoot(root_);
    setenv("QSODECK_DESKTOP_TRACE", "1", 1);
  }
  void TearDown() override {
    backlightSetSearchRoot("");
    removeTempDir(root_);
  }

  // A device folder with max_brightness (and brightness unless told not to).
  std::string makeDevice(const std::string& name, const std::string& max, bool withBrightness = true) {
    std::string dir = root_ + "/" + name;
    mkdir(dir.c_str(), 0755);
    std::ofstream(dir + "/max_brightness") << max << "\n";
    if (withBrightness) std::ofstream(dir + "/brightness") << "0\n";
    return dir;
  }

  static std::string written(const std::string& dir) { return readWholeFile(dir + "/brightness"); }

  std::string root_;
};

}  // namespace

// Seen on real panels: the official DSI panel has max_brightness 255,
// many HDMI panels and PWM drivers 100 or 1023, some only 7 steps.
TEST_F(BacklightTest, LevelsAreScaledToTheDeviceRange) {
  struct Case {
    const char* max;
    int level;
    const char* value;
  } cases[] = {
      {"255", 0, "0\n"},   {"255", 200, "200\n"},  {"1023", 127, "509\n"}, {"1023", 255, "1023\n"},
      {"100", 25, "10\n"}, {"7", 1, "1\n"},        {"7", 128, "4\n"},      {"7", 300, "7\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string dir = makeDevice("panel" + std::to_string(n++), c.max);
    backlightSetSearchRoot(root_);
    EXPECT_TRUE(backlightWrite(dir, c.level)) << c.max << " " << c.level;
    EXPECT_EQ(written(dir), c.value) << c.max << " " << c.level;
  }
}

TEST_F(BacklightTest, AutoTakesTheFirstDeviceWithABrightnessFile) {
  makeDevice("0-no-brightness", "255", false);
  std::string second = makeDevice("10-0045", "255");
  std::string third = makeDevice("rpi_backlight", "255");
  EXPECT_EQ(backlightDeviceFolder("auto"), second);
  EXPECT_TRUE(backlightWrite("auto", 99));
  EXPECT_EQ(written(second), "99\n");
  EXPECT_EQ(written(third), "0\n");
}

// Edge cases: no device, a wrong path, a broken device

TEST_F(BacklightTest, MissingOrUnusableDevicesAreWarnedOnceAndWriteNothing) {
  std::string broken = makeDevice("broken", "0");
  const std::string missing = root_ + "/no-such-panel";
  // Hostile max_brightness files: no number, negative, beyond int, empty.
  std::vector<std::string> settings = {missing, broken};
  for (const char* max : {"abc", "-5", "99999999999999999999", ""}) {
    settings.push_back(makeDevice(std::string("odd") + std::to_string(settings.size()), max));
  }
  for (const std::string& setting : settings) {
    backlightSetSearchRoot(root_);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(backlightWrite(setting, 100));
    EXPECT_FALSE(backlightWrite(setting, 120));
    std::string out = testing::internal::GetCapturedStdout();
    size_t first = out.find("[BACKLIGHT][WARN] " + setting);
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find("[BACKLIGHT][WARN]", first + 1), std::string::npos) << "warned twice: " << out;
  }
  EXPECT_EQ(written(broken), "0\n");
}

TEST_F(BacklightTest, NoneAndADesktopWithoutBacklightStayQuiet) {
  std::string dir = makeDevice("panel", "255");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(backlightWrite("none", 200));
  backlightSetSearchRoot(root_ + "/empty");
  EXPECT_FALSE(backlightWrite("auto", 200));
  EXPECT_EQ(testing::internal::GetCapturedStdout().find("[BACKLIGHT][WARN]"), std::string::npos);
  EXPECT_EQ(written(dir), "0\n");
}

TEST_F(BacklightTest, SliderLevelAndScreensaverDimReachTheDevice) {
  std::string dir = makeDevice("panel", "1000");
  cfg.backlightDevice = dir.c_str();
  cfg.brightness = 255;
  cfg.screensaverDimBrightness = 51;
  screensaverActive = false;
  applyBrightness();
  EXPECT_EQ(written(dir), "1000\n");
  screensaverActive = true;
  applyBrightness();
  EXPECT_EQ(written(dir), "200\n");
  screensaverActive = false;
  cfg.brightness = 0;
  applyBrightness();
  EXPECT_EQ(written(dir), "0\n");
}

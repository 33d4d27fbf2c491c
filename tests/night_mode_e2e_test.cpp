// The real program at night: started under libfaketime at 23:00 with
// night_mode "schedule", it logs the night once, starts the screensaver
// after 15 s, dims to night_brightness and shows the dark night face; a
// click brings the page back at brightness. The backlight level is read
// from the program's trace lines. Skips without an X display or without
// libfaketime (package faketime).
#include <gtest/gtest.h>

#include <glob.h>
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/desktop_program.h"
#include "support/private_x_program_test.h"
#include "support/x_window.h"

namespace {

const char* const WINDOW_TITLE = "Qsodeck - Desktop";
const char* const NIGHT_LOGGED = "[INFO][DISPLAY] Night began (schedule 22:00-07:00)";
const char* const NIGHT_LEVEL = "[DESKTOP] Backlight level 10.";
const char* const DAY_LEVEL = "[DESKTOP] Backlight level 200.";
const int WAIT_MS = 40000;

const char* const CONFIG =
    "{\n"
    "  \"backend\": \"Pi-Star\",\n"
    "  \"wifi_ssid\": \"DESKTOP\",\n"
    "  \"pistar_host\": \"127.0.0.1:9\",\n"
    "  \"device_callsign\": \"N0CALL\",\n"
    "  \"timezone_tz\": \"UTC0\",\n"
    "  \"brightness\": 200,\n"
    "  \"screensaver_enabled\": false,\n"
    "  \"night_mode\": \"schedule\",\n"
    "  \"night_start\": \"22:00\",\n"
    "  \"night_end\": \"07:00\",\n"
    "  \"night_brightness\": 10,\n"
    "  \"night_screensaver_only\": true\n"
    "}\n";

// The preload library of the faketime package, or "" when it is missing.
std::string libfaketimePath() {
  glob_t found;
  std::string path;
  if (glob("/usr/lib/*/faketime/libfaketime.so.1", 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
    path = found.gl_pathv[0];
  }
  globfree(&found);
  return path;
}

// Brightest colour channel of a screenshot.
uint32_t brightestChannel(const RgbImage& img) {
  uint32_t m = 0;
  for (uint32_t p : img.pixels) m = std::max({m, (p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu});
  return m;
}

class NightEndToEnd : public PrivateXProgramTest {};

}  // namespace

TEST_F(NightEndToEnd, At23HoursTheScreensaverDimsAndAClickBrightens) {
  const std::string preload = libfaketimePath();
  if (preload.empty()) GTEST_SKIP() << "libfaketime not installed (package faketime)";
  ASSERT_TRUE(program_.writeConfig(CONFIG));
  std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
  asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
  ASSERT_TRUE(program_.start({{"LD_PRELOAD", preload},
                              {"FAKETIME", "@2026-12-10 23:00:00"},
                              {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
                              {"TZ", "UTC"},
                              {"ASAN_OPTIONS", asan},
                              {"QSODECK_DESKTOP_NETWORK", "0"}}));
  const std::string window = findXWindow(WINDOW_TITLE, WAIT_MS);
  ASSERT_FALSE(window.empty()) << program_.log() << program_.output();
  // Night is seen at once and said once; the pages keep the day level until
  // the screensaver starts 15 s after start-up.
  ASSERT_TRUE(program_.waitForLog(NIGHT_LOGGED, 1, WAIT_MS)) << program_.log() << program_.output();
  ASSERT_TRUE(program_.waitForLog(NIGHT_LEVEL, 1, WAIT_MS)) << program_.log();
  EXPECT_EQ(countOccurrences(program_.log(), NIGHT_LOGGED), 1);
  RgbImage night;
  const std::string ppm = program_.dir() + "/night.ppm";
  for (int waited = 0; waited < 5000; waited += 200) {
    ASSERT_TRUE(captureXWindow(window, ppm, night));
    if (brightestChannel(night) < 96) break;  // the night face replaced the page
    sleepMilliseconds(200);
  }
  EXPECT_LT(brightestChannel(night), 96u) << "the night face is not dark";
  EXPECT_GT(brightestChannel(night), 0u) << "the night face shows nothing";

  // A click wakes the page at the day brightness, and 15 s later it dims again.
  ASSERT_TRUE(clickXWindow(window, 400, 240));
  ASSERT_TRUE(program_.waitForLog(DAY_LEVEL, 2, WAIT_MS)) << program_.log();
  ASSERT_TRUE(program_.waitForLog(NIGHT_LEVEL, 2, WAIT_MS)) << program_.log();
  EXPECT_EQ(countOccurrences(program_.log(), NIGHT_LOGGED), 1);
  EXPECT_EQ(program_.stop(SIGTERM), 0);
}

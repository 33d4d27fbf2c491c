// Station connect, connect rounds over saved profiles and the setup access
// point on the simulated desktop radio.

#include <gtest/gtest.h>

#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/device_log.h"
#include "host/board_stubs.h"
#include "host/runtime.h"
#include "network/wifi.h"
#include "ui/page_frame.h"

namespace {

std::string newestLog() {
  if (webLogCount == 0) return "";
  return webLogEntryAt(webLogCount - 1)->message.c_str();
}

bool logContains(const std::string& text) {
  for (uint8_t i = 0; i < webLogCount; i++) {
    if (text == webLogEntryAt(i)->message.c_str()) return true;
  }
  return false;
}

class WifiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopSetTestClock(50000);
    applyDesktopConfigDefaults();
  }
  void TearDown() override { desktopClearTestClock(); }

  // Lets the running attempt reach its time-out with the link down.
  void timeOutAttempt() {
    WiFi.disconnect();
    desktopSetTestClock(wifiConnectStartedAt + WIFI_CONNECT_ATTEMPT_TIMEOUT_MS);
    handleWiFiConnectProgress();
  }
};

}  // namespace

// Start-up connect

TEST_F(WifiTest, StartupConnectIsSimulated) {
  wifiConnectInProgress = true;
  EXPECT_TRUE(connectWiFi(15000));
  EXPECT_TRUE(wifiOk);
  EXPECT_FALSE(wifiConnectInProgress);
  EXPECT_EQ(wifiConnectProfileIndex, -1);
  EXPECT_TRUE(timeConfigured);
  EXPECT_STREQ(footerText.c_str(), "Desktop network: 127.0.0.1");
  EXPECT_EQ(newestLog(), "Desktop network simulated. IP 127.0.0.1.");
  EXPECT_STREQ(webLogEntryAt(webLogCount - 1)->tag.c_str(), "WIFI");
}

// Attempt texts

TEST_F(WifiTest, AttemptSuffixFollowsTheRetrySetting) {
  cfg.wifiRetriesPerProfile = 2;
  EXPECT_STREQ(wifiAttemptSuffix(1).c_str(), " (1/3)");
  EXPECT_STREQ(wifiAttemptSuffix(3).c_str(), " (3/3)");
  EXPECT_STREQ(wifiAttemptSuffix(0).c_str(), " (1/3)");
  EXPECT_STREQ(wifiAttemptSuffix(9).c_str(), " (3/3)");
  cfg.wifiRetriesPerProfile = 0;
  EXPECT_STREQ(wifiAttemptSuffix(1).c_str(), "");
  cfg.wifiRetriesPerProfile = 200;
  EXPECT_EQ(wifiAttemptsPerProfile(), 11);
  EXPECT_STREQ(wifiAttemptSuffix(11).c_str(), " (11/11)");
}

TEST_F(WifiTest, NextConfiguredProfileWrapsAround) {
  clearWifiProfiles();
  addWifiProfile("alpha", "a");
  cfg.wifiProfiles[3].ssid = "delta";
  EXPECT_EQ(nextConfiguredWifiProfileAfter(-1), 0);
  EXPECT_EQ(nextConfiguredWifiProfileAfter(0), 3);
  EXPECT_EQ(nextConfiguredWifiProfileAfter(3), 0);
  clearWifiProfiles();
  EXPECT_EQ(nextConfiguredWifiProfileAfter(-1), -1);
}

// Connect rounds

TEST_F(WifiTest, RoundWithoutProfilesStartsTheAccessPoint) {
  clearWifiProfiles();
  beginWiFiConnectAttempt(false);
  EXPECT_FALSE(wifiOk);
  EXPECT_TRUE(setupRequired);
  EXPECT_TRUE(apModeActive);
  EXPECT_EQ(currentPage, PAGE_AP);
  EXPECT_TRUE(logContains("No Wi-Fi profiles are configured."));
  EXPECT_TRUE(logContains("Desktop setup AP simulated at 127.0.0.1."));
  EXPECT_TRUE(uiDirty);
}

TEST_F(WifiTest, RoundJoinsTheVisibleProfileAndConnects) {
  cfg.wifiRetriesPerProfile = 2;
  WiFi.disconnect();
  beginWiFiConnectAttempt(false);
  EXPECT_TRUE(wifiConnectInProgress);
  EXPECT_FALSE(wifiOk);
  EXPECT_EQ(wifiConnectProfileIndex, 0);
  EXPECT_TRUE(logContains("Wi-Fi scan found 1 network(s)."));
  EXPECT_TRUE(logContains("Starting reconnect to SSID \"DESKTOP\" (attempt 1/3)."));
  EXPECT_STREQ(footerText.c_str(), "Connecting Wi-Fi: DESKTOP (1/3)");
  handleWiFiConnectProgress();
  EXPECT_FALSE(wifiConnectInProgress);
  EXPECT_TRUE(wifiOk);
  EXPECT_STREQ(footerText.c_str(), "Wi-Fi OK: 127.0.0.1");
  EXPECT_EQ(newestLog(), "Connected to \"DESKTOP\" on attempt 1/3. IP 127.0.0.1.");
}

TEST_F(WifiTest, ProfileNotInScanIsNotTried) {
  clearWifiProfiles();
  addWifiProfile("ElsewhereNet", "x");
  beginWiFiConnectAttempt(false);
  EXPECT_FALSE(wifiConnectInProgress);
  EXPECT_FALSE(setupRequired);
  EXPECT_EQ(lastWifiRetryMillis, 50000u);
  EXPECT_EQ(newestLog(),
            "No saved Wi-Fi profile is currently visible. Staying in station mode and retrying.");
  EXPECT_STREQ(footerText.c_str(), "Wi-Fi lost; retrying saved profiles...");
}

TEST_F(WifiTest, TimedOutAttemptsRetryThenGiveTheRoundUp) {
  cfg.wifiRetriesPerProfile = 2;
  beginWiFiConnectAttempt(false);
  WiFi.disconnect();
  desktopSetTestClock(wifiConnectStartedAt + WIFI_CONNECT_ATTEMPT_TIMEOUT_MS - 1);
  handleWiFiConnectProgress();
  EXPECT_TRUE(wifiConnectInProgress);  // still waiting

  timeOutAttempt();
  EXPECT_TRUE(logContains("Wi-Fi connect failed. Retrying same saved profile."));
  EXPECT_TRUE(logContains("Retrying same saved profile SSID \"DESKTOP\" (attempt 2/3)."));
  EXPECT_TRUE(wifiConnectInProgress);
  timeOutAttempt();
  EXPECT_TRUE(logContains("Retrying same saved profile SSID \"DESKTOP\" (attempt 3/3)."));
  timeOutAttempt();
  EXPECT_FALSE(wifiConnectInProgress);
  EXPECT_FALSE(wifiOk);
  EXPECT_FALSE(setupRequired);
  EXPECT_EQ(newestLog(), "No saved Wi-Fi profile connected. Staying in station mode and retrying.");
  EXPECT_STREQ(footerText.c_str(), "Wi-Fi failed; retrying saved profiles...");
}

TEST_F(WifiTest, TimeOutAcrossTheClockWrap) {
  cfg.wifiRetriesPerProfile = 1;
  desktopSetTestClock(0xFFFFFFFFu - 1000);
  beginWiFiConnectAttempt(false);
  WiFi.disconnect();
  desktopSetTestClock(5000);  // 6001 ms later, past the wrap
  handleWiFiConnectProgress();
  EXPECT_TRUE(wifiConnectInProgress);
  desktopSetTestClock(wifiConnectStartedAt + WIFI_CONNECT_ATTEMPT_TIMEOUT_MS);
  handleWiFiConnectProgress();
  EXPECT_TRUE(logContains("Wi-Fi connect failed. Retrying same saved profile."));
}

// Time zone

TEST_F(WifiTest, TimeIsConfiguredOnce) {
  EXPECT_FALSE(timeConfigured);
  syncTimeIfNeeded();
  EXPECT_TRUE(timeConfigured);
  syncTimeIfNeeded();
  EXPECT_TRUE(timeConfigured);
}

// Setup access point

TEST_F(WifiTest, SecondAccessPointStartOnlyRepeatsTheFooter) {
  EXPECT_TRUE(startSetupAccessPoint());
  EXPECT_TRUE(apModeActive);
  EXPECT_STREQ(apSsid.c_str(), "Qsodeck-DESKTOP");
  EXPECT_EQ(newestLog(), "Desktop setup AP simulated at 127.0.0.1.");
  EXPECT_STREQ(footerText.c_str(), "Desktop setup: http://127.0.0.1/");
  setFooterText("something else", false);
  EXPECT_TRUE(startSetupAccessPoint());
  EXPECT_EQ(newestLog(), "Desktop setup mode already active at 127.0.0.1.");
  EXPECT_STREQ(webLogEntryAt(webLogCount - 1)->tag.c_str(), "AP");
  EXPECT_STREQ(footerText.c_str(), "Desktop setup: http://127.0.0.1/");
}

TEST_F(WifiTest, StoppingTheAccessPointLogsOnlyWhenItRan) {
  stopSetupAccessPoint();
  EXPECT_EQ(webLogCount, 0);
  startSetupAccessPoint();
  stopSetupAccessPoint();
  EXPECT_FALSE(apModeActive);
  EXPECT_EQ(newestLog(), "Setup AP stopped.");
}

TEST_F(WifiTest, ConnectingStopsARunningAccessPoint) {
  startSetupAccessPoint();
  beginWiFiConnectAttempt(true);
  handleWiFiConnectProgress();
  EXPECT_TRUE(wifiOk);
  EXPECT_FALSE(apModeActive);
  EXPECT_TRUE(logContains("Setup AP stopped."));
}

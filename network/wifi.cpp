#include "network/wifi.h"

#include "core/app.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/view.h"
#include "host/board_stubs.h"
#include "host/runtime.h"
#include "host/trace_log.h"

String apSsid;
String apPass = "12345678";
uint32_t wifiConnectStartedAt = 0;
int8_t wifiConnectProfileIndex = 0;
uint8_t wifiConnectAttemptNumber = 1;
uint8_t wifiNextProfileIndex = 0;
bool wifiProfileTriedThisRound[5] = {false, false, false, false, false};
uint32_t lastWifiRetryMillis = 0;
bool timeConfigured = false;

namespace {

const char* const NTP_SERVER_PRIMARY = "pool.ntp.org";
const char* const NTP_SERVER_SECONDARY = "time.nist.gov";

// Radio mode for joining: station, plus access point while that one runs.
void prepareStationRadio() {
  WiFi.mode(apModeActive ? WIFI_AP_STA : WIFI_STA);
  WiFi.persistent(false);
}

// SSID of a profile index, or "Wi-Fi" when the index is out of range.
String profileSsidOrDefault(int index) {
  if (index < 0 || index >= WIFI_PROFILE_COUNT) return "Wi-Fi";
  String ssid = cfg.wifiProfiles[index].ssid;
  ssid.trim();
  return ssid;
}

// Marks a running attempt for the given profile and announces it.
void markAttemptStarted(int profileIndex) {
  uint32_t now = millis();
  wifiConnectInProgress = true;
  wifiConnectStartedAt = now;
  lastWifiRetryMillis = now;
  setFooterText(
      "Connecting Wi-Fi: " + profileSsidOrDefault(profileIndex) + wifiAttemptSuffix(wifiConnectAttemptNumber),
      false);
  requestRedraw();
}

// The round is over without a connection: wait for the next one.
void giveUpRound() {
  setupRequired = false;
  lastWifiRetryMillis = millis();
  addWebLog("WARN", "WIFI", "No saved Wi-Fi profile connected. Staying in station mode and retrying.", true);
  setFooterText("Wi-Fi failed; retrying saved profiles...", false);
  requestRedraw();
}

// The running attempt timed out: retry it or move on. True when a new
// attempt was started.
bool continueAfterTimeout() {
  if (!configLooksValid()) return false;
  int profile = wifiConnectProfileIndex;
  uint8_t attempts = wifiAttemptsPerProfile();
  if (profile >= 0 && profile < WIFI_PROFILE_COUNT && wifiConnectAttemptNumber < attempts) {
    addWebLog("WARN", "WIFI", "Wi-Fi connect failed. Retrying same saved profile.", true);
    if (!beginWifiProfileConnection(profile, "Retrying same saved profile",
                                    (uint8_t)(wifiConnectAttemptNumber + 1))) {
      return false;
    }
    markAttemptStarted(profile);
    return true;
  }
  if (profile >= 0 && profile < WIFI_PROFILE_COUNT) wifiProfileTriedThisRound[profile] = true;
  int next = findNextVisibleWifiProfileIndex(wifiNextProfileIndex, -1, true);
  if (next < 0) return false;
  addWebLog("WARN", "WIFI",
            "Wi-Fi connect failed after " + String((unsigned int)attempts) +
                " attempt(s). Trying the next visible saved profile.",
            true);
  if (!beginWifiProfileConnection(next, "Trying next saved profile", 1)) return false;
  markAttemptStarted(next);
  return true;
}

}  // namespace

String stationAddressText() { return WiFi.localIP().toString(); }

String accessPointAddressText() { return WiFi.softAPIP().toString(); }

bool wifiStationConnected() { return WiFi.status() == WL_CONNECTED; }

uint8_t wifiAttemptsPerProfile() { return (uint8_t)(effectiveWifiRetriesPerProfile() + 1); }

String wifiAttemptSuffix(uint8_t attemptNumber) {
  uint8_t attempts = wifiAttemptsPerProfile();
  if (attempts <= 1) return "";
  uint8_t a = constrain(attemptNumber, (uint8_t)1, attempts);
  return " (" + String((unsigned int)a) + "/" + String((unsigned int)attempts) + ")";
}

void resetWifiConnectRound() {
  for (int i = 0; i < WIFI_PROFILE_COUNT; i++) wifiProfileTriedThisRound[i] = false;
}

int nextConfiguredWifiProfileAfter(int currentIndex) {
  int start = currentIndex < 0 ? 0 : currentIndex + 1;
  for (int offset = 0; offset < WIFI_PROFILE_COUNT; offset++) {
    int i = (start + offset) % WIFI_PROFILE_COUNT;
    if (wifiSsidLooksUsable(cfg.wifiProfiles[i].ssid)) return i;
  }
  return -1;
}

bool wifiSsidVisibleInScan(const String& ssid, int networkCount) {
  for (int i = 0; i < networkCount; i++) {
    if (WiFi.SSID(i) == ssid) return true;
  }
  return false;
}

int scanWifiNetworksForProfiles() {
  prepareStationRadio();
  int n = WiFi.scanNetworks();
  if (n >= 0) {
    addWebLog("INFO", "WIFI", "Wi-Fi scan found " + String(n) + " network(s).", true);
  } else {
    addWebLog("WARN", "WIFI", "Wi-Fi scan failed. Will try saved profiles without scan filtering.", true);
  }
  return n;
}

int findNextVisibleWifiProfileIndex(uint8_t startIndex, int excludeIndex, bool skipTriedThisRound) {
  if (!hasConfiguredWifiProfiles()) return -1;
  int networkCount = scanWifiNetworksForProfiles();
  if (networkCount == 0) return -1;
  for (int offset = 0; offset < WIFI_PROFILE_COUNT; offset++) {
    int i = (startIndex + offset) % WIFI_PROFILE_COUNT;
    if (i == excludeIndex) continue;
    if (skipTriedThisRound && wifiProfileTriedThisRound[i]) continue;
    if (!wifiSsidLooksUsable(cfg.wifiProfiles[i].ssid)) continue;
    String ssid = cfg.wifiProfiles[i].ssid;
    ssid.trim();
    if (networkCount < 0 || wifiSsidVisibleInScan(ssid, networkCount)) return i;
  }
  return -1;
}

bool beginWifiProfileConnection(int profileIndex, const String& logPrefix, uint8_t attemptNumber) {
  if (profileIndex < 0 || profileIndex >= WIFI_PROFILE_COUNT) return false;
  if (!wifiSsidLooksUsable(cfg.wifiProfiles[profileIndex].ssid)) return false;
  String ssid = cfg.wifiProfiles[profileIndex].ssid;
  ssid.trim();
  prepareStationRadio();
  WiFi.setAutoReconnect(true);
  delay(100);
  WiFi.begin(ssid.c_str(), cfg.wifiProfiles[profileIndex].pass.c_str());
  uint8_t attempts = wifiAttemptsPerProfile();
  wifiConnectProfileIndex = (int8_t)profileIndex;
  wifiConnectAttemptNumber = constrain(attemptNumber, (uint8_t)1, attempts);
  wifiNextProfileIndex = (uint8_t)((profileIndex + 1) % WIFI_PROFILE_COUNT);
  String message = logPrefix + " SSID \"" + ssid + "\"";
  if (attempts > 1) {
    message += " (attempt " + String((unsigned int)wifiConnectAttemptNumber) + "/" +
               String((unsigned int)attempts) + ")";
  }
  message += ".";
  addWebLog("INFO", "WIFI", message, true);
  return true;
}

bool connectWiFi(uint32_t timeoutMs) {
  (void)timeoutMs;
  wifiOk = true;
  wifiConnectInProgress = false;
  wifiConnectProfileIndex = -1;
  WiFi.mode(WIFI_STA);
  WiFi.persistent(false);
  WiFi.begin(cfg.wifiSsid.c_str(), cfg.wifiPass.c_str());
  syncTimeIfNeeded();
  String address = stationAddressText();
  setFooterText("Desktop network: " + address, false);
  addWebLog("INFO", "WIFI", "Desktop network simulated. IP " + address + ".", true);
  return true;
}

void beginWiFiConnectAttempt(bool stopApFirst) {
  (void)stopApFirst;
  if (!hasConfiguredWifiProfiles()) {
    wifiOk = false;
    wifiConnectInProgress = false;
    wifiConnectProfileIndex = -1;
    setupRequired = true;
    currentPage = PAGE_AP;
    setFooterText("Wi-Fi profile missing", false);
    addWebLog("WARN", "WIFI", "No Wi-Fi profiles are configured.", true);
    startSetupAccessPoint();
    requestRedraw();
    return;
  }
  resetWifiConnectRound();
  int index = findNextVisibleWifiProfileIndex(wifiNextProfileIndex, -1, false);
  if (index < 0) {
    wifiOk = false;
    wifiConnectInProgress = false;
    wifiConnectProfileIndex = -1;
    setupRequired = false;
    lastWifiRetryMillis = millis();
    addWebLog("WARN", "WIFI",
              "No saved Wi-Fi profile is currently visible. Staying in station mode and retrying.", true);
    setFooterText("Wi-Fi lost; retrying saved profiles...", false);
  } else if (!beginWifiProfileConnection(index, "Starting reconnect to", 1)) {
    wifiOk = false;
    wifiConnectInProgress = false;
    wifiConnectProfileIndex = -1;
    setupRequired = false;
    lastWifiRetryMillis = millis();
    setFooterText("Wi-Fi reconnect failed; retrying...", false);
  } else {
    wifiOk = false;
    markAttemptStarted(index);
  }
  requestRedraw();
}

void handleWiFiConnectProgress() {
  if (!wifiConnectInProgress) return;
  if (wifiStationConnected()) {
    String name = profileSsidOrDefault(wifiConnectProfileIndex);
    wifiConnectInProgress = false;
    wifiOk = true;
    setupRequired = false;
    resetWifiConnectRound();
    syncTimeIfNeeded();
    if (apModeActive) stopSetupAccessPoint();
    String address = stationAddressText();
    setFooterText("Wi-Fi OK: " + address, false);
    addWebLog("INFO", "WIFI",
              "Connected to \"" + name + "\" on attempt " + String((unsigned int)wifiConnectAttemptNumber) +
                  "/" + String((unsigned int)wifiAttemptsPerProfile()) + ". IP " + address + ".",
              true);
    requestRedraw();
    return;
  }
  if (!intervalElapsed(millis(), wifiConnectStartedAt, WIFI_CONNECT_ATTEMPT_TIMEOUT_MS)) return;
  wifiConnectInProgress = false;
  wifiOk = false;
  WiFi.disconnect();
  if (continueAfterTimeout()) return;
  giveUpRound();
}

void syncTimeIfNeeded() {
  if (timeConfigured) return;
  String tz = cfg.timezoneTz;
  tz.trim();
  if (tz.isEmpty()) tz = DEFAULT_TZ_RULE;
  configTzTime(tz.c_str(), NTP_SERVER_PRIMARY, NTP_SERVER_SECONDARY);
  timeConfigured = true;
}

bool startSetupAccessPoint() {
  String address = accessPointAddressText();
  if (apModeActive) {
    setFooterText("Desktop setup: http://" + address + "/", false);
    addWebLog("INFO", "AP", "Desktop setup mode already active at " + address + ".", true);
    return true;
  }
  apSsid = DESKTOP_AP_SSID;
  apModeActive = true;
  setFooterText("Desktop setup: http://" + address + "/", false);
  desktopTrace("[DESKTOP] Setup AP simulated at %s.\n", address.c_str());
  addWebLog("INFO", "AP", "Desktop setup AP simulated at " + address + ".", true);
  return true;
}

void stopSetupAccessPoint() {
  if (!apModeActive) return;
  WiFi.softAPdisconnect(true);
  apModeActive = false;
  addWebLog("INFO", "AP", "Setup AP stopped.", true);
}

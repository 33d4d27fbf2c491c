#pragma once

// Station connection, connect rounds over the saved Wi-Fi profiles, the
// clock's time-zone set-up and the setup access point. The desktop radio is
// simulated: joining succeeds at once and a scan sees one network "DESKTOP".

#include <stdint.h>

#include "host/wstring.h"

extern String apSsid;                 // name of the setup access point
extern uint32_t lastWifiRetryMillis;  // last failed round / connect attempt
extern bool timeConfigured;           // time zone and time servers set

// Station and access-point address texts ("127.0.0.1" on the desktop).
String stationAddressText();
String accessPointAddressText();

// True when the station link reports connected.
bool wifiStationConnected();

// Start-up connect: on the desktop the link is simulated and comes up at
// once; returns true. timeoutMs is accepted and not used.
bool connectWiFi(uint32_t timeoutMs);

// Starts a new connect round over the saved profiles (or the setup access
// point when there is none). stopApFirst is accepted and not used.
void beginWiFiConnectAttempt(bool stopApFirst);

// Advances a running connect attempt: success, keep waiting, retry the same
// profile, try the next visible one, or give the round up.
void handleWiFiConnectProgress();

// Sets the local time-zone rule and time servers once.
void syncTimeIfNeeded();

// Starts (or re-announces) the setup access point; returns true.
bool startSetupAccessPoint();

// Stops the setup access point when it runs.
void stopSetupAccessPoint();

// Give up one connect attempt after this long.
static const uint32_t WIFI_CONNECT_ATTEMPT_TIMEOUT_MS = 15000;  // 15 s
// Name of the setup access point on the desktop.
static const char* const DESKTOP_AP_SSID = "Qsodeck-DESKTOP";

extern String apPass;                      // password of the setup access point (eight digits)
extern uint32_t wifiConnectStartedAt;      // millis() when the running attempt began
extern int8_t wifiConnectProfileIndex;     // profile of the running attempt, -1 for none
extern uint8_t wifiConnectAttemptNumber;   // 1-based attempt within that profile
extern uint8_t wifiNextProfileIndex;       // where the next profile search starts
extern bool wifiProfileTriedThisRound[5];  // profiles given up in this round

// Attempts per profile: the clamped retry count plus one.
uint8_t wifiAttemptsPerProfile();

// "" with one attempt per profile, else " (a/n)" with a clamped to 1..n.
String wifiAttemptSuffix(uint8_t attemptNumber);

// Forgets which profiles were given up in this round.
void resetWifiConnectRound();

// Next usable profile after currentIndex in circular order (from 0 for a
// negative index), or -1.
int nextConfiguredWifiProfileAfter(int currentIndex);

// True when a scanned network has exactly this name (case-sensitive).
bool wifiSsidVisibleInScan(const String& ssid, int networkCount);

// Scans for networks and logs the outcome; returns the scan result.
int scanWifiNetworksForProfiles();

// First usable profile from startIndex (circular) that the scan saw,
// skipping excludeIndex and optionally profiles tried this round; -1 when
// none. After a failed scan every usable profile counts as visible.
int findNextVisibleWifiProfileIndex(uint8_t startIndex, int excludeIndex, bool skipTriedThisRound);

// Starts joining one profile; false for an index above 4 or an unusable SSID.
bool beginWifiProfileConnection(int profileIndex, const String& logPrefix, uint8_t attemptNumber);

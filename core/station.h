// The station link as start-up, the main cycle and the configuration apply
// drive it: connecting, supervising, the setup access point and the address
// texts. The network code (network/wifi.cpp) defines these.
#pragma once

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

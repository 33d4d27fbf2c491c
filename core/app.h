#pragma once

// The state of the main cycle (app/app.cpp) that the lower folders read and
// set, and its cadences. Defined in core/app_state.cpp.

#include <stdint.h>

#include "core/view.h"
#include "host/board_stubs.h"
#include "host/wstring.h"

// One marquee step of the scrolling text strips at most every 230 ms.
static const uint32_t SCROLL_TEXT_STEP_MS = 230;
// No poll runs within this time after a touch.
static const uint32_t TOUCH_POLL_GRACE_MS = 700;
// Network supervision cadence of the main cycle.
static const uint32_t WIFI_STATE_CHECK_INTERVAL_MS = 250;
// A new connect round starts no sooner than this after the last one.
static const uint32_t WIFI_RETRY_INTERVAL_MS = 30000;  // 30 s
// Header clock text comparison cadence.
static const uint32_t CLOCK_CHECK_INTERVAL_MS = 5000;
// Weather and solar-data background refresh check cadence.
static const uint32_t BACKGROUND_POLL_CHECK_INTERVAL_MS = 1000;
// Minute tick of the screensaver.
static const uint32_t SCREENSAVER_FRAME_INTERVAL_MS = 60000;  // 1 min

// Connection and setup state.
extern bool wifiOk;                 // station connection is up
extern bool configOkState;          // the configuration file loaded
extern bool setupRequired;          // device is in the setup state
extern bool apModeActive;           // the setup access point is active
extern bool wifiConnectInProgress;  // a non-blocking connect attempt runs

// Poll state: time of the last poll (0 forces one) and the alternation of
// the hotspot poll (false: mode status next, true: last heard next).
extern uint32_t lastPoll;
extern bool nextFetchHeard;

// Cadence timestamps of the main cycle.
extern uint32_t lastWifiStateCheck;
extern uint32_t lastClockCheck;
extern uint32_t lastWeatherPollCheck;
extern uint32_t lastHamqslPollCheck;

// Live state seen on the previous pass, and the clock text in the header.
extern bool lastLiveActiveState;
extern String lastHeaderClock;

// A configuration saved from the web pages waits to be applied at that time.
extern bool pendingConfigApply;
extern uint32_t pendingConfigApplyAt;

// A completed firmware update requests a restart at that time.
extern bool otaUpdateSuccessful;
extern uint32_t otaRestartAt;

// Serialises network use (a recursive mutex; never blocks on the desktop).
extern SemaphoreHandle_t networkMutex;

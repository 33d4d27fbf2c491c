#include "core/app.h"

bool wifiOk = false;
bool configOkState = false;
bool setupRequired = false;
bool apModeActive = false;
bool wifiConnectInProgress = false;

Page currentPage = PAGE_LIVE;
Page previousPage = PAGE_LIVE;
int lastRenderedPage = -1;

uint32_t lastPoll = 0;
bool nextFetchHeard = false;

uint32_t lastWifiStateCheck = 0;
uint32_t lastClockCheck = 0;
uint32_t lastWeatherPollCheck = 0;
uint32_t lastHamqslPollCheck = 0;
uint32_t lastInteractionMillis = 0;
uint32_t lastScreensaverFrameMillis = 0;

bool lastLiveActiveState = false;
String lastHeaderClock;
SemaphoreHandle_t networkMutex = nullptr;

bool pendingConfigApply = false;
uint32_t pendingConfigApplyAt = 0;

bool otaUpdateSuccessful = false;
uint32_t otaRestartAt = 0;

bool scrollingTextActiveFrame = false;
bool scrollingTextDirty = false;
uint32_t lastScrollingTextFrameMs = 0;

// PENDING: the start-up sequence replaces this body as soon as the host
// runtime headers it calls are in the tree.
void setup() {}

// PENDING: the main cycle replaces this body as soon as the host runtime
// headers it calls are in the tree.
void loop() {}

// PENDING: poll of the current watch source (see setup above).
bool fetchAllData() { return false; }

// PENDING: hotspot last-heard poll (see setup above).
bool fetchLastHeard() { return false; }

// PENDING: hotspot status poll (see setup above).
bool fetchModeStatus() { return false; }

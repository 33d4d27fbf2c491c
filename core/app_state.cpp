// State of the main cycle that the lower folders read and set: connection
// and setup state, poll and cadence times, the pending configuration apply
// and the network lock.
#include "core/app.h"

bool wifiOk = false;
bool configOkState = false;
bool setupRequired = false;
bool apModeActive = false;
bool wifiConnectInProgress = false;

uint32_t lastPoll = 0;
bool nextFetchHeard = false;

uint32_t lastWifiStateCheck = 0;
uint32_t lastClockCheck = 0;
uint32_t lastWeatherPollCheck = 0;
uint32_t lastHamqslPollCheck = 0;

bool lastLiveActiveState = false;
String lastHeaderClock;

bool pendingConfigApply = false;
uint32_t pendingConfigApplyAt = 0;

bool otaUpdateSuccessful = false;
uint32_t otaRestartAt = 0;

SemaphoreHandle_t networkMutex = nullptr;

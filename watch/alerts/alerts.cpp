// Weather alerts.
#include "watch/alerts/alerts.h"

#include "core/backend.h"
#include "host/runtime.h"

AlertToastState alertToastState;

void clearAlertToast() { alertToastState = AlertToastState(); }

bool alertToastVisible() {
  if (!alertToastState.visible) return false;
  if (alertToastState.visibleUntilMillis == 0) return true;
  return (int32_t)(alertToastState.visibleUntilMillis - millis()) > 0;
}

// PENDING: hide an expired popup and, once per second with the network up,
// poll NINA, MeteoAlarm and NOAA when their refresh interval has passed.
// Until the alert sources exist there is nothing to poll.
void pollAlertDataIfDue() {}

void alertsConfigFinalized() {
  if (!alertFeatureEnabled()) clearAlertToast();
}

// Weather alerts: NINA, MeteoAlarm and NOAA warnings shown as a toast.
#pragma once

#include <stdint.h>

#include "core/cycle_parts.h"
#include "core/fetch_status.h"

// Alert toast record: its fetch status and the popup's visibility.
struct AlertToastState : WatchFetchStatus {
  bool visible = false;
  uint32_t visibleUntilMillis = 0;  // 0 = until closed
};

extern AlertToastState alertToastState;

// Hides and drops the alert toast.
void clearAlertToast();
// True while the alert toast is shown and its deadline (if any) lies ahead.
bool alertToastVisible();

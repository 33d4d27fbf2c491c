// Weather alerts: NINA, MeteoAlarm and NOAA warnings shown as a toast.
#pragma once

#include <stdint.h>

#include "core/cycle_parts.h"

// Alert toast record (the fields every watch source carries plus visibility).
struct AlertToastState {
  bool valid = false;
  bool fetchInProgress = false;
  uint32_t lastSuccessMillis = 0;
  uint32_t lastAttemptMillis = 0;  // 0 = never
  int lastHttpCode = 0;
  bool visible = false;
  uint32_t visibleUntilMillis = 0;  // 0 = until closed
};

extern AlertToastState alertToastState;

// Hides and drops the alert toast.
void clearAlertToast();
// True while the alert toast is shown and its deadline (if any) lies ahead.
bool alertToastVisible();

// Weather alerts: NINA, MeteoAlarm and NOAA warnings shown as a toast.
#pragma once

#include <stdint.h>

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
// Called every main-cycle pass: hides an expired toast and polls the alert
// sources when due.
void pollAlertDataIfDue();

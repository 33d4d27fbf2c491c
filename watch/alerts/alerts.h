// Weather alerts: NINA, MeteoAlarm and NOAA warnings shown as a toast.
#pragma once

// Hides and drops the alert toast.
void clearAlertToast();

// The fetch status every watch-source record carries: whether its data is
// good and, when it is not, why. A failed fetch updates the status, never
// the good data.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

struct WatchFetchStatus {
  bool valid = false;              // the record holds data to show
  bool fetchInProgress = false;    // a request of this source is running
  uint32_t lastSuccessMillis = 0;  // millis() of the last good answer; 0 = never
  uint32_t lastAttemptMillis = 0;  // millis() when the last request started; 0 = never
  int lastHttpCode = 0;            // status (or negative code) of the last request
  String error;                    // last error text; empty after a success
};

// The "last updated" text of the watch pages: "Fetching..." while a request
// runs; the age of the last success ("Just now", "5m ago", ...); after a
// failed attempt "HTTP " + code, or "Failed" when there is no code; else
// "Waiting".
String watchFetchLastUpdatedText(const WatchFetchStatus& status);

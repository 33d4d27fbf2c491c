// ADS-B watch source: aircraft near an area centre from a dump1090 receiver.
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/view.h"

// Aircraft-list record (the fields every watch source carries).
struct AdsbState {
  bool valid = false;
  bool fetchInProgress = false;
  uint32_t lastSuccessMillis = 0;
  uint32_t lastAttemptMillis = 0;  // 0 = never
  int lastHttpCode = 0;
};

extern AdsbState adsbState;

// Drops all aircraft data (the configuration was applied).
void clearAdsbData();
// Polls the receiver's aircraft list (force skips the cadence); true when it
// produced data.
bool fetchAdsbData(bool force);

// Poll and wake poll while ADS-B is the current source.
bool pollAdsbWatch();
// Poll intervals on the page (at least 5 s) and under the screensaver (at
// least 10 s) from the configured seconds.
uint32_t adsbPollIntervalMs();
uint32_t adsbScreensaverPollIntervalMs();
// ADS-B was chosen: a forced fetch at once.
void adsbSourceSelected(Page page);
// Configuration finalised: data of a disabled receiver is dropped.
void adsbConfigFinalized();

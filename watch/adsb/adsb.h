// ADS-B watch source: aircraft near an area centre from a dump1090 receiver.
#pragma once

#include <stdint.h>

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

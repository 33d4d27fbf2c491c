// ADS-B watch source.
#include "watch/adsb/adsb.h"

#include "host/runtime.h"

AdsbState adsbState;

void clearAdsbData() { adsbState = AdsbState(); }

// PENDING: fetch and parse the dump1090 aircraft JSON into adsbState. For now
// it only records the attempt time and yields no data.
bool fetchAdsbData(bool force) {
  (void)force;
  adsbState.lastAttemptMillis = millis();
  return false;
}

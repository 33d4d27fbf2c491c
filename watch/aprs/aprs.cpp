#include "watch/aprs/aprs.h"

#include "host/runtime.h"
#include "hotspot/hotspot_poll.h"

AprsState aprsState;
bool aprsCommentPopupOpen = false;

// PENDING: fetch the APRS position API with back-off and parse the stations
// into aprsState. For now it only records the attempt time and yields no data.
bool fetchAprsData(bool force) {
  (void)force;
  aprsState.lastAttemptMillis = millis();
  return false;
}

void resetAprsState() {
  // PENDING: also clears the SvxLink APRS comment alert once that exists.
  aprsState = AprsState();
}

bool pollAprsWatch() {
  bool hotspotOk = pollHotspotDashboard();
  bool aprsOk = fetchAprsData(false);
  return hotspotOk || aprsOk;
}

void aprsConfigApplied() {
  if (!aprsFeatureEnabled()) resetAprsState();
}

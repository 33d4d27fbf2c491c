// ADS-B watch source.
#include "watch/adsb/adsb.h"

#include "core/config.h"
#include "host/runtime.h"

AdsbState adsbState;

namespace {

const uint32_t ADSB_POLL_INTERVAL_MIN_MS = 5000;
const uint32_t ADSB_SCREENSAVER_POLL_INTERVAL_MIN_MS = 10000;

}  // namespace

void clearAdsbData() { adsbState = AdsbState(); }

// PENDING: fetch and parse the dump1090 aircraft JSON into adsbState. For now
// it only records the attempt time and yields no data.
bool fetchAdsbData(bool force) {
  (void)force;
  adsbState.lastAttemptMillis = millis();
  return false;
}

bool pollAdsbWatch() { return fetchAdsbData(false); }

uint32_t adsbPollIntervalMs() {
  return max(ADSB_POLL_INTERVAL_MIN_MS, (uint32_t)cfg.adsbRefreshSeconds * 1000u);
}

uint32_t adsbScreensaverPollIntervalMs() {
  return max(ADSB_SCREENSAVER_POLL_INTERVAL_MIN_MS, (uint32_t)cfg.adsbRefreshSeconds * 1000u);
}

void adsbSourceSelected(Page page) {
  (void)page;
  if (adsbFeatureEnabled()) fetchAdsbData(true);
}

void adsbConfigFinalized() {
  if (!adsbFeatureEnabled()) clearAdsbData();
}

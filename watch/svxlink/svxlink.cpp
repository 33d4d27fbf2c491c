#include "watch/svxlink/svxlink.h"

#include "core/config.h"
#include "host/runtime.h"
#include "watch/aprs/aprs.h"

uint32_t svxlinkPollCount = 0;

namespace {

const uint32_t SVXLINK_POLL_INTERVAL_MIN_MS = 3000;
const uint32_t SVXLINK_SCREENSAVER_POLL_INTERVAL_MIN_MS = 10000;

}  // namespace

// PENDING: fetch svxlinkApiUrl(), parse the dashboard HTML or JSON bridge
// answer into the SvxLink node state and heard list. For now it counts the
// poll and yields no data.
bool fetchSvxlinkData() {
  svxlinkPollCount++;
  return false;
}

bool pollSvxlinkWatch() {
  bool svxOk = fetchSvxlinkData();
  bool aprsOk = aprsFeatureEnabled() ? fetchAprsData(false) : false;
  return svxOk || aprsOk;
}

uint32_t svxlinkPollIntervalMs() { return max(SVXLINK_POLL_INTERVAL_MIN_MS, cfg.refreshMs); }

uint32_t svxlinkScreensaverPollIntervalMs() {
  return max(SVXLINK_SCREENSAVER_POLL_INTERVAL_MIN_MS, cfg.refreshMs);
}

// The configuration's fan-out: the sources, the alerts, the request workers
// and the lookups hear of every load; a run-time apply redoes the display,
// the sources and the lookups.
#include "app/config_apply.h"

#include "core/app.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "enrichment/radioid.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/live_session.h"
#include "network/wifi.h"
#include "ui/screensaver.h"
#include "watch/alerts/alerts.h"

namespace {

const uint32_t CONFIG_APPLY_DELAY_MS = 350;

// End of the normalisation pass: each source and the alerts drop what a
// disabled feature left.
void finalizeSourcesAfterLoad() {
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    const WatchSourceRow &row = watchSourceRow((WatchSource)i);
    if (row.configFinalized) row.configFinalized();
  }
  alertsConfigFinalized();
}

// End of a load: answers of requests made under the old configuration and
// the cached operator names are dropped.
void dropWorkOfPreviousConfig() {
  dropFetchAnswers();
  clearRadioIdLookupCache();
}

}  // namespace

void installConfigApply() {
  installConfigApplyHooks({finalizeSourcesAfterLoad, dropWorkOfPreviousConfig, applyConfigAfterLoad});
}

void applyConfigAfterLoad() {
  configOkState = loadConfig();
  timeConfigured = false;
  applyDisplaySettings();
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    const WatchSourceRow &row = watchSourceRow((WatchSource)i);
    if (row.configApplied) row.configApplied();
  }
  applyRadioIdCacheAfterConfigApply();
  lastInteractionMillis = millis();  // counts as activity without waking effects
  lastLiveActiveState = isLiveActive();
  pendingConfigApply = true;
  pendingConfigApplyAt = millis() + CONFIG_APPLY_DELAY_MS;
  addWebLog("INFO", "CONFIG", "Runtime configuration applied.", true);
}

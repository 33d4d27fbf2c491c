// HamQSL watch source.
#include "watch/hamqsl/hamqsl.h"

#include "core/config.h"
#include "host/runtime.h"

HamqslState hamqslState;

namespace {

const uint32_t HAMQSL_REFRESH_INTERVAL_MIN_MS = 3600000;  // 1 h

}  // namespace

void clearHamqslData() { hamqslState = HamqslState(); }

// PENDING: request the HamQSL solar XML, parse it into hamqslState and report
// it with noteHamqslFetchResult. For now it only records the attempt time (so
// the refresh cadence holds) and yields no data.
bool fetchHamqslData() {
  hamqslState.lastAttemptMillis = millis();
  return false;
}

uint32_t hamqslRefreshIntervalMs() {
  return max(HAMQSL_REFRESH_INTERVAL_MIN_MS, (uint32_t)cfg.hamqslRefreshMinutes * 60000u);
}

bool pollHamqslWatch() {
  if (!refreshDue(millis(), hamqslState.lastAttemptMillis, hamqslRefreshIntervalMs())) return false;
  return fetchHamqslData();
}

bool hamqslBackgroundRefreshDue(uint32_t now) {
  return hamqslConfigured() && refreshDue(now, hamqslState.lastAttemptMillis, hamqslRefreshIntervalMs());
}

void hamqslSourceSelected(Page page) {
  (void)page;
  if (hamqslConfigured()) fetchHamqslData();
}

void hamqslConfigFinalized() {
  if (!hamqslConfigured()) clearHamqslData();
}

void hamqslConfigApplied() {
  if (hamqslConfigured()) {
    fetchHamqslData();
  } else {
    clearHamqslData();
  }
}

// HamQSL watch source.
#include "watch/hamqsl/hamqsl.h"

#include "core/config.h"
#include "host/runtime.h"

HamqslState hamqslState;

bool hamqslConfigured() {
  String url = cfg.hamqslUrl;
  url.trim();
  return cfg.hamqslEnabled && url.length() > 0;
}

void clearHamqslData() { hamqslState = HamqslState(); }

// PENDING: request the HamQSL solar XML, parse it into hamqslState and report
// it with noteHamqslFetchResult. For now it only records the attempt time (so
// the refresh cadence holds) and yields no data.
bool fetchHamqslData() {
  hamqslState.lastAttemptMillis = millis();
  return false;
}

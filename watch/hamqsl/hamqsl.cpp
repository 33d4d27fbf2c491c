// HamQSL watch source.
#include "watch/hamqsl/hamqsl.h"

#include "core/config.h"

bool hamqslConfigured() {
  String url = cfg.hamqslUrl;
  url.trim();
  return cfg.hamqslEnabled && url.length() > 0;
}

void clearHamqslData() {
  // PENDING: resets hamqslState to its defaults once the solar record exists.
}

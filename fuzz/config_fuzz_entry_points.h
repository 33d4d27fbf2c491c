// Entry point shared by the configuration libFuzzer target and its corpus
// replay test: the raw scanner and the whole key table on arbitrary bytes,
// followed by the normalisation pass whose guarantees must always hold.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/theme.h"

inline void fuzzConfigCheck(bool ok) {
  if (!ok) abort();
}

inline void fuzzConfigInput(const uint8_t *data, size_t size) {
  const std::string text((const char *)data, size);
  applyDesktopConfigDefaults();
  setDefaultTheme();
  desktopApplyConfigText(text);
  desktopFinalizeLoadedConfig();

  fuzzConfigCheck(cfg.backend == "Pi-Star" || cfg.backend == "WPSD");
  fuzzConfigCheck(cfg.wifiRetriesPerProfile <= 10);
  fuzzConfigCheck(cfg.aprsRefreshMinutes >= APRS_REFRESH_MINUTES_MIN &&
                  cfg.aprsRefreshMinutes <= APRS_REFRESH_MINUTES_MAX);
  fuzzConfigCheck(cfg.aprsRangeKm >= APRS_RANGE_KM_MIN && cfg.aprsRangeKm <= APRS_RANGE_KM_MAX);
  fuzzConfigCheck(cfg.adsbRefreshSeconds >= ADSB_REFRESH_SECONDS_MIN &&
                  cfg.adsbRefreshSeconds <= ADSB_REFRESH_SECONDS_MAX);
  fuzzConfigCheck(cfg.hamqslRefreshMinutes >= HAMQSL_REFRESH_MINUTES_MIN);
  fuzzConfigCheck(cfg.alertRefreshMinutes >= ALERT_REFRESH_MINUTES_MIN);
  fuzzConfigCheck(cfg.screensaverTimeoutMs >= SCREENSAVER_TIMEOUT_MS_MIN);
  fuzzConfigCheck(cfg.adsbPath.startsWith("/"));
  fuzzConfigCheck(cfg.svxlinkSource == "url" || cfg.svxlinkSource == "api");
  fuzzConfigCheck(cfg.meteoalarmMode == "edr" || cfg.meteoalarmMode == "atom");
  fuzzConfigCheck(!cfg.timezoneTz.isEmpty() && cfg.pistarSshPort != 0 && cfg.svxlinkSshPort != 0);
  fuzzConfigCheck(canonicalStartPageAfterBootValue(cfg.startPageAfterBoot) == cfg.startPageAfterBoot);
  for (int i = 0; i < QUICK_ACTION_SLOT_COUNT; ++i) {
    const QuickActionSlotConfig &s = cfg.quickActions[i];
    fuzzConfigCheck(!s.enabled || (!s.label.isEmpty() && !s.command.isEmpty()));
  }
  // A colour written back always parses to the same colour.
  uint16_t back = 0;
  fuzzConfigCheck(parseHexColor(color565ToHex(theme.accent), back) && back == theme.accent);

  // The string reader at every quote of a bounded prefix: never past the end.
  const size_t limit = text.size() < 4096 ? text.size() : 4096;
  for (size_t i = 0; i < limit; ++i) {
    if (text[i] != '"') continue;
    String out;
    long end = -1;
    if (desktopJsonReadStringAt(text, (long)i, out, end)) {
      fuzzConfigCheck(end > (long)i && (size_t)end <= text.size() && out.length() < (size_t)(end - (long)i));
    }
  }
}

// Entry points shared by the configuration libFuzzer targets and their corpus
// replay test: the raw scanner and the whole key table on arbitrary bytes,
// followed by the normalisation pass whose guarantees must always hold.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/night_mode.h"
#include "core/theme.h"
#include "core/tz_rule.h"
#include "host/desktop_json.h"
#include "host/json_reader.h"
#include "host/storage.h"

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
  // Night keys are canonical; the zone rule, when it parses, gives offsets
  // within a day and a week, and the night decision never fails.
  fuzzConfigCheck(canonicalNightMode(cfg.nightMode) == cfg.nightMode);
  int minutes = 0;
  fuzzConfigCheck(parseClockMinutes(cfg.nightStart, minutes) && parseClockMinutes(cfg.nightEnd, minutes));
  TzRule rule;
  if (parseTzRule(cfg.timezoneTz, rule)) {
    for (time_t t : {(time_t)0, (time_t)1774746000, (time_t)4102444800LL}) {
      const int32_t offset = tzOffsetSecondsAt(rule, t);
      fuzzConfigCheck(offset >= -2 * 86400 && offset <= 2 * 86400);
    }
  }
  const NightSettings night = nightSettingsFromConfig();
  const int minute = localMinuteOfDay(night, (time_t)1774746000);
  fuzzConfigCheck(minute >= 0 && minute < MINUTES_PER_DAY);
  (void)isNightAt(night, (time_t)1774746000);

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

// Import of an uploaded configuration file: the bytes as the upload, over a
// known configuration. A refused import says why and leaves the saved file
// as it was; an accepted one leaves a whole JSON object that loads with a
// host.
inline void fuzzConfigImportInput(const uint8_t *data, size_t size) {
  static const char BASELINE[] =
      "{\"backend\": \"Pi-Star\", \"pistar_host\": \"127.0.0.1:1\", \"wifi_ssid\": \"home\"}";
  auto writeCard = [](const char *path, const uint8_t *bytes, size_t n) {
    File f = storageOpen(String(path), "wb");
    fuzzConfigCheck((bool)f && f.write(bytes, n) == n);
    f.close();
  };
  writeCard(CONFIG_FILE, (const uint8_t *)BASELINE, sizeof(BASELINE) - 1);
  writeCard(IMPORT_CONFIG_TEMP_FILE, data, size);
  applyDesktopConfigDefaults();
  String err;
  const bool ok = applyConfigFromFile(IMPORT_CONFIG_TEMP_FILE, &err);
  File saved = storageOpen(String(CONFIG_FILE), "rb");
  fuzzConfigCheck((bool)saved);
  const String text = saved.readString();
  saved.close();
  if (!ok) {
    fuzzConfigCheck(!err.isEmpty() && text == BASELINE);
    return;
  }
  fuzzConfigCheck(err.isEmpty() && configOkState);
  fuzzConfigCheck(cfg.backend == "Pi-Star" || cfg.backend == "WPSD");
  desktop_json::Node saved_root;
  std::string parse_error;
  fuzzConfigCheck(parseJsonText(text.c_str(), saved_root, parse_error) &&
                  saved_root.kind == desktop_json::Node::OBJECT);
}

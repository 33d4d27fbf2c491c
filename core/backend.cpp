// Backend and feature selection: alias tables, feature tests, start page and
// the URLs polled for the hotspot dashboard and the SvxLink node.
#include "core/backend.h"

#include <string.h>

#include "core/app.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/view.h"

namespace {

const char *const SVXLINK_API_PATH_DEFAULT = "/api/display-json.php";
const char *const SVXLINK_URL_PATH_DEFAULT = "/index.php";
const unsigned STRIP_SLASH_MIN_LENGTH = 8;  // keeps "https://" whole

// One alias table row: the canonical value and its aliases (null-terminated).
struct AliasRow {
  const char *canonical;
  const char *label;
  const char *aliases[8];
};

const AliasRow BACKEND_ALIASES[] = {
    {"WPSD", "", {"wpsd", nullptr}},
    {"Pi-Star", "", {"pi-star", "pistar", "pi star", nullptr}},
};

const AliasRow SVXLINK_SOURCE_ALIASES[] = {
    {"api", "", {"api", "svxlink-api", "svxlink api", "json", nullptr}},
    {"url", "", {"url", "html", "dashboard", "svxlink-url", "svxlink url", nullptr}},
};

const AliasRow START_PAGE_ALIASES[] = {
    {"mmdvm_live", "MMDVM LIVE", {"", "mmdvm", "mmdvm-live", "mmdvm-watch", "live", "watch", nullptr}},
    {"mmdvm_last", "MMDVM HEARD", {"mmdvm-last", "mmdvm-heard", "heard", "last", "last-heard", nullptr}},
    {"svxlink_live",
     "SVXLink LIVE",
     {"svx", "svx-live", "svxlink", "svxlink-live", "svxlink-watch", nullptr}},
    {"svxlink_last", "SVXLink HEARD", {"svx-last", "svx-heard", "svxlink-last", "svxlink-heard", nullptr}},
    {"aprs_live", "APRS WATCH", {"aprs", "aprs-live", "aprs-watch", nullptr}},
    {"weather_live", "Weather WATCH", {"wx", "weather", "weather-live", "weather-watch", nullptr}},
    {"hamqsl_live",
     "HAMQSL WATCH",
     {"hamqsl", "ham-qsl", "hamqsl-live", "hamqsl-watch", "solar", "propagation", nullptr}},
    {"adsb_live",
     "ADSB WATCH",
     {"adsb", "ads-b", "adsb-live", "adsb-watch", "aircraft", "dump1090", nullptr}},
};

template <size_t N>
const AliasRow *findAlias(const AliasRow (&rows)[N], const String &raw) {
  // Trim, lower-case, "_" to "-", collapse double blanks.
  String key = raw;
  key.trim();
  key.toLowerCase();
  key.replace("_", "-");
  while (key.indexOf("  ") >= 0) key.replace("  ", " ");
  for (size_t r = 0; r < N; ++r) {
    for (const char *const *alias = rows[r].aliases; *alias != nullptr; ++alias) {
      if (key == *alias) return &rows[r];
    }
  }
  return nullptr;
}

bool trimmedNotEmpty(const String &s) { return trimmedCopy(s).length() > 0; }

bool startsWithIgnoreCase(const String &text, const char *prefix) {
  size_t n = strlen(prefix);
  if (text.length() < n) return false;
  return text.substring(0, (int)n).equalsIgnoreCase(String(prefix));
}

}  // namespace

String canonicalBackendValue(const String &raw) {
  const AliasRow *row = findAlias(BACKEND_ALIASES, raw);
  return row ? String(row->canonical) : String();
}

bool isValidBackendValue(const String &raw) { return canonicalBackendValue(raw).length() > 0; }

String normalizedBackend() {
  return canonicalBackendValue(cfg.backend) == "WPSD" ? String("wpsd") : String("pistar");
}

String canonicalSvxlinkSourceValue(const String &raw) {
  const AliasRow *row = findAlias(SVXLINK_SOURCE_ALIASES, raw);
  return row ? String(row->canonical) : String();
}

String normalizedSvxlinkSource() {
  String source = canonicalSvxlinkSourceValue(cfg.svxlinkSource);
  return source.length() > 0 ? source : String("url");
}

bool isSvxlinkApiBackend() { return normalizedSvxlinkSource() == "api"; }

bool isSvxlinkUrlBackend() { return normalizedSvxlinkSource() == "url"; }

String canonicalStartPageAfterBootValue(const String &raw) {
  // The canonical values match too: "svxlink_last" reads as "svxlink-last".
  const AliasRow *row = findAlias(START_PAGE_ALIASES, raw);
  return String(row ? row->canonical : "mmdvm_live");
}

bool startPageAfterBootChoiceAvailable(const String &value, bool requireRuntimeReady) {
  if (value == "mmdvm_live" || value == "mmdvm_last") return true;
  if (value == "svxlink_live" || value == "svxlink_last") {
    return requireRuntimeReady ? svxlinkFeatureEnabled() : cfg.svxlinkEnabled;
  }
  if (value == "aprs_live") return requireRuntimeReady ? aprsFeatureEnabled() : cfg.aprsEnabled;
  if (value == "weather_live") return requireRuntimeReady ? weatherConfigured() : cfg.weatherEnabled;
  if (value == "hamqsl_live") return requireRuntimeReady ? hamqslConfigured() : cfg.hamqslEnabled;
  if (value == "adsb_live") return requireRuntimeReady ? adsbFeatureEnabled() : cfg.adsbEnabled;
  return false;
}

String normalizedStartPageAfterBoot(bool requireRuntimeReady) {
  String value = canonicalStartPageAfterBootValue(cfg.startPageAfterBoot);
  return startPageAfterBootChoiceAvailable(value, requireRuntimeReady) ? value : String("mmdvm_live");
}

bool startPageAfterBootOptionsAvailable() {
  return cfg.svxlinkEnabled || cfg.aprsEnabled || cfg.weatherEnabled || cfg.hamqslEnabled || cfg.adsbEnabled;
}

String startPageAfterBootLabel(const String &value) {
  String canonical = canonicalStartPageAfterBootValue(value);
  for (const AliasRow &row : START_PAGE_ALIASES) {
    if (canonical == row.canonical) return String(row.label);
  }
  return String("MMDVM LIVE");
}

bool svxlinkFeatureEnabled() { return cfg.svxlinkEnabled && trimmedNotEmpty(cfg.svxlinkHost); }
bool aprsFeatureEnabled() { return cfg.aprsEnabled && trimmedNotEmpty(cfg.aprsApiKey); }
bool weatherFeatureEnabled() { return cfg.weatherEnabled; }
bool hamqslFeatureEnabled() { return cfg.hamqslEnabled; }
bool adsbFeatureEnabled() { return cfg.adsbEnabled && trimmedNotEmpty(cfg.adsbHost); }

bool weatherConfigured() {
  return cfg.weatherEnabled && trimmedNotEmpty(cfg.weatherLat) && trimmedNotEmpty(cfg.weatherLon) &&
         trimmedNotEmpty(cfg.weatherApiKey);
}

bool hamqslConfigured() { return cfg.hamqslEnabled && trimmedNotEmpty(cfg.hamqslUrl); }

bool alertFeatureEnabled() {
  bool nina = cfg.katwarnEnabled && trimmedNotEmpty(cfg.katwarnLocationId);
  bool meteoalarm = cfg.meteoalarmEnabled &&
                    (trimmedNotEmpty(cfg.meteoalarmFeed) || trimmedNotEmpty(cfg.meteoalarmCountryCode));
  bool noaa = cfg.noaaEnabled && trimmedNotEmpty(cfg.noaaZone);
  return nina || meteoalarm || noaa;
}

bool isCurrentWatchSvxlink() { return currentWatchSource == WATCH_SVXLINK && svxlinkFeatureEnabled(); }
bool isCurrentWatchAprs() { return currentWatchSource == WATCH_APRS && aprsFeatureEnabled(); }
bool isCurrentWatchWeather() { return currentWatchSource == WATCH_WEATHER && weatherFeatureEnabled(); }
bool isCurrentWatchHamqsl() { return currentWatchSource == WATCH_HAMQSL && hamqslFeatureEnabled(); }
bool isCurrentWatchAdsb() { return currentWatchSource == WATCH_ADSB && adsbFeatureEnabled(); }
bool isSvxlinkBackend() { return isCurrentWatchSvxlink(); }
bool isAprsBackend() { return isCurrentWatchAprs(); }
bool isWeatherBackend() { return isCurrentWatchWeather(); }
bool isHamqslBackend() { return isCurrentWatchHamqsl(); }
bool isAdsbBackend() { return isCurrentWatchAdsb(); }

String activeBackendHost() {
  return isCurrentWatchSvxlink() ? trimmedCopy(cfg.svxlinkHost) : trimmedCopy(cfg.pistarHost);
}

String displayBackendHost() {
  String host = activeBackendHost();
  if (startsWithIgnoreCase(host, "http://")) {
    host = host.substring(7);
  } else if (startsWithIgnoreCase(host, "https://")) {
    host = host.substring(8);
  }
  while (host.length() > 1 && host.endsWith("/")) host.remove((int)host.length() - 1);
  return host;
}

String heardUrl() {
  if (normalizedBackend() == "wpsd") {
    return String("http://") + cfg.pistarHost + "/api/?limit=12&names=true&country=true";
  }
  return String("http://") + cfg.pistarHost + "/api/last_heard.php";
}

String dashboardStatusUrl() { return String("http://") + cfg.pistarHost + "/mmdvmhost/repeaterinfo.php"; }

String dashboardFreqUrl() {
  if (normalizedBackend() == "wpsd") return String("http://") + cfg.pistarHost + "/mmdvmhost/radioinfo.php";
  return dashboardStatusUrl();
}

bool isAbsoluteHttpUrl(const String &text) {
  String lower = trimmedCopy(text);
  lower.toLowerCase();
  return lower.startsWith("http://") || lower.startsWith("https://");
}

String stripTrailingSlash(const String &url) {
  String out = trimmedCopy(url);
  while (out.length() > STRIP_SLASH_MIN_LENGTH && out.endsWith("/")) out.remove((int)out.length() - 1);
  return out;
}

String defaultSvxlinkPathForBackend() {
  return String(isSvxlinkApiBackend() ? SVXLINK_API_PATH_DEFAULT : SVXLINK_URL_PATH_DEFAULT);
}

String normalizedSvxlinkPathForBackend(const String &raw) {
  String path = trimmedCopy(raw);
  if (path.length() == 0) path = defaultSvxlinkPathForBackend();
  if (!path.startsWith("/")) path = String("/") + path;
  if (isSvxlinkApiBackend()) {
    if (path == SVXLINK_URL_PATH_DEFAULT) path = SVXLINK_API_PATH_DEFAULT;
  } else if (path == SVXLINK_API_PATH_DEFAULT || path == "/display-json.php") {
    path = SVXLINK_URL_PATH_DEFAULT;
  }
  return path;
}

String svxlinkApiUrl() {
  String host = activeBackendHost();
  if (host.length() == 0) return String();
  String path = normalizedSvxlinkPathForBackend(cfg.svxlinkApiPath);
  if (!isAbsoluteHttpUrl(host)) return String("http://") + host + path;
  int scheme = host.indexOf("://");
  int pathStart = scheme >= 0 ? host.indexOf('/', scheme + 3) : -1;
  if (pathStart < 0) return stripTrailingSlash(host) + path;
  if (isSvxlinkApiBackend() && path == SVXLINK_API_PATH_DEFAULT) {
    return stripTrailingSlash(host.substring(0, pathStart)) + path;
  }
  return host;
}

void applyStartPageAfterBoot() {
  String value = normalizedStartPageAfterBoot(true);
  WatchSource source = WATCH_MMDVM;
  Page page = PAGE_LIVE;
  if (value == "svxlink_live") {
    source = WATCH_SVXLINK;
  } else if (value == "svxlink_last") {
    source = WATCH_SVXLINK;
    page = PAGE_LAST;
  } else if (value == "aprs_live") {
    source = WATCH_APRS;
  } else if (value == "weather_live") {
    source = WATCH_WEATHER;
  } else if (value == "hamqsl_live") {
    source = WATCH_HAMQSL;
  } else if (value == "adsb_live") {
    source = WATCH_ADSB;
  } else if (value == "mmdvm_last") {
    page = PAGE_LAST;
  }
  setCurrentWatchSource(source);
  currentPage = page;
  previousPage = page;
  addWebLog("INFO", "BOOT", String("Start page after boot: ") + startPageAfterBootLabel(value) + ".", true);
  requestRedraw();
}

// Backend and feature selection: alias tables, feature tests, start page (from
// the start pages of the watch-source rows) and
// the URLs polled for the hotspot dashboard and the SvxLink node.
#include "core/backend.h"

#include <string.h>

#include "core/app.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/view.h"
#include "core/watch_source.h"

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

// Trim, lower-case, "_" to "-", collapse double blanks.
String aliasKey(const String &raw) {
  String key = raw;
  key.trim();
  key.toLowerCase();
  key.replace("_", "-");
  while (key.indexOf("  ") >= 0) key.replace("  ", " ");
  return key;
}

bool namesAlias(const char *const *aliases, const String &key) {
  for (const char *const *alias = aliases; *alias != nullptr; ++alias) {
    if (key == *alias) return true;
  }
  return false;
}

template <size_t N>
const AliasRow *findAlias(const AliasRow (&rows)[N], const String &raw) {
  const String key = aliasKey(raw);
  for (size_t r = 0; r < N; ++r) {
    if (namesAlias(rows[r].aliases, key)) return &rows[r];
  }
  return nullptr;
}

// One start page of the table: the source's row, the page and its name.
struct StartPage {
  const WatchSourceRow *row;
  Page page;
  const StartPageName *name;
};

// The start pages in table order, each source's LIVE page before its HEARD
// page; the first whose test holds, or false.
template <typename Test>
bool findStartPage(Test test, StartPage &out) {
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    const WatchSourceRow &row = watchSourceRow((WatchSource)i);
    const StartPage pages[2] = {{&row, PAGE_LIVE, &row.startLive}, {&row, PAGE_LAST, &row.startHeard}};
    for (const StartPage &page : pages) {
      if (page.name->value == nullptr || !test(*page.name)) continue;
      out = page;
      return true;
    }
  }
  return false;
}

// The start page of a canonical value.
bool startPageOfValue(const String &value, StartPage &out) {
  return findStartPage([&](const StartPageName &name) { return value == name.value; }, out);
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
  const String key = aliasKey(raw);
  StartPage page;
  if (!findStartPage([&](const StartPageName &name) { return namesAlias(name.aliases, key); }, page)) {
    return String(MMDVM_START_LIVE.value);
  }
  return String(page.name->value);
}

bool startPageAfterBootChoiceAvailable(const String &value, bool requireRuntimeReady) {
  StartPage page;
  if (!startPageOfValue(value, page)) return false;
  bool (*test)() = requireRuntimeReady ? page.row->startReady : page.row->startSwitchedOn;
  return test == nullptr || test();
}

String normalizedStartPageAfterBoot(bool requireRuntimeReady) {
  String value = canonicalStartPageAfterBootValue(cfg.startPageAfterBoot);
  return startPageAfterBootChoiceAvailable(value, requireRuntimeReady) ? value : String(MMDVM_START_LIVE.value);
}

bool startPageAfterBootOptionsAvailable() {
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    const WatchSourceRow &row = watchSourceRow((WatchSource)i);
    if (i != WATCH_MMDVM && row.startSwitchedOn != nullptr && row.startSwitchedOn()) return true;
  }
  return false;
}

String startPageAfterBootLabel(const String &value) {
  StartPage page;
  if (startPageOfValue(canonicalStartPageAfterBootValue(value), page)) return String(page.name->label);
  return String(MMDVM_START_LIVE.label);
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

String activeBackendHost() {
  return isCurrentWatch(WATCH_SVXLINK) ? trimmedCopy(cfg.svxlinkHost) : trimmedCopy(cfg.pistarHost);
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
  StartPage start = {nullptr, PAGE_LIVE, nullptr};
  const WatchSource source = startPageOfValue(value, start) ? start.row->source : WATCH_MMDVM;
  const Page page = start.page;
  setCurrentWatchSource(source);
  currentPage = page;
  previousPage = page;
  addWebLog("INFO", "BOOT", String("Start page after boot: ") + startPageAfterBootLabel(value) + ".", true);
  requestRedraw();
}

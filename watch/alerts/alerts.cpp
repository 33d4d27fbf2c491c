// Weather alerts: the toast record, the request URLs of NINA, MeteoAlarm
// and NOAA, the check that asks them in order, and its cadence. The
// answers are read in alerts_parse.cpp.
#include "watch/alerts/alerts.h"

#include <stdlib.h>

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/data_json.h"
#include "core/device_log.h"
#include "core/view.h"
#include "enrichment/radioid.h"
#include "host/runtime.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/http_fetch.h"
#include "network/wifi.h"

AlertToastState alertToastState;
uint32_t lastAlertPollCheck = 0;
int alertPopupScrollLines = 0;
int alertPopupMaxScrollLines = 0;
int alertPopupPageStepLines = 1;

namespace {

const char* const ACCEPT_ATOM = "application/atom+xml, application/xml;q=0.9, text/xml;q=0.8, */*;q=0.5";
const char* const ACCEPT_JSON = "application/geo+json, application/json;q=0.9";
const int HTTP_NO_CONTENT = 204;

// Source names of the requests (error texts and parser choice).
const char* const SOURCE_NINA = "KATWARN/NINA";
const char* const SOURCE_ATOM = "METEOALARM";
const char* const SOURCE_EDR = "METEOALARM_EDR";
const char* const SOURCE_NOAA = "NOAA";

// The running check: answers of an older check (or of one before a
// configuration load) are ignored; failed notes that a source could not be
// asked, so an empty result does not end the held alert.
uint32_t alertCheckGeneration = 0;
bool alertCheckFailed = false;

String lowerTrimmed(const String& s) {
  String t = trimmedCopy(s);
  t.toLowerCase();
  return t;
}

void resetPopupScroll() {
  alertPopupScrollLines = 0;
  alertPopupMaxScrollLines = 0;
  alertPopupPageStepLines = 1;
}

// Configured base URL or its default.
String baseOrDefault(const String& configured, const char* fallback) {
  String t = trimmedCopy(configured);
  return t.isEmpty() ? String(fallback) : t;
}

struct NameMap {
  const char* name;
  const char* value;
};

// Value of the first entry whose name equals key; null when none does.
const char* lookupName(const NameMap* map, size_t count, const String& key) {
  for (size_t i = 0; i < count; ++i) {
    if (key == map[i].name) return map[i].value;
  }
  return nullptr;
}

const NameMap ATOM_FEED_SLUGS[] = {
    {"de", "germany"},
    {"deu", "germany"},
    {"deutschland", "germany"},
    {"at", "austria"},
    {"aut", "austria"},
    {"oesterreich", "austria"},
    {"\xC3\xB6sterreich", "austria"},
    {"ch", "switzerland"},
    {"che", "switzerland"},
    {"schweiz", "switzerland"},
    {"suisse", "switzerland"},
    {"fr", "france"},
    {"fra", "france"},
    {"frankreich", "france"},
    {"nl", "netherlands"},
    {"nld", "netherlands"},
    {"nederland", "netherlands"},
    {"be", "belgium"},
    {"bel", "belgium"},
    {"belgien", "belgium"},
    {"lu", "luxembourg"},
    {"lux", "luxembourg"},
    {"cz", "czechia"},
    {"cze", "czechia"},
    {"pl", "poland"},
    {"pol", "poland"},
    {"it", "italy"},
    {"ita", "italy"},
    {"es", "spain"},
    {"esp", "spain"},
    {"pt", "portugal"},
    {"prt", "portugal"},
    {"dk", "denmark"},
    {"dnk", "denmark"},
    {"se", "sweden"},
    {"swe", "sweden"},
    {"no", "norway"},
    {"nor", "norway"},
    {"fi", "finland"},
    {"fin", "finland"},
    {"ie", "ireland"},
    {"irl", "ireland"},
};

const NameMap COUNTRY_CODES[] = {
    {"germany", "DE"},        {"deutschland", "DE"}, {"austria", "AT"},        {"oesterreich", "AT"},
    {"switzerland", "CH"},    {"schweiz", "CH"},     {"suisse", "CH"},         {"france", "FR"},
    {"frankreich", "FR"},     {"netherlands", "NL"}, {"nederland", "NL"},      {"belgium", "BE"},
    {"belgien", "BE"},        {"luxembourg", "LU"},  {"luxemburg", "LU"},      {"czechia", "CZ"},
    {"czech-republic", "CZ"}, {"poland", "PL"},      {"polen", "PL"},          {"italy", "IT"},
    {"italien", "IT"},        {"spain", "ES"},       {"spanien", "ES"},        {"portugal", "PT"},
    {"denmark", "DK"},        {"daenemark", "DK"},   {"sweden", "SE"},         {"schweden", "SE"},
    {"norway", "NO"},         {"norwegen", "NO"},    {"finland", "FI"},        {"finnland", "FI"},
    {"ireland", "IE"},        {"irland", "IE"},      {"united-kingdom", "UK"}, {"uk", "UK"},
    {"great-britain", "UK"},
};

bool startsWithHttpScheme(const String& text) {
  String lower = text;
  lower.toLowerCase();
  return lower.startsWith("http://") || lower.startsWith("https://");
}

}  // namespace

// ---------------------------------------------------------------- the toast

bool alertToastVisible() {
  if (!alertToastState.visible) return false;
  if (alertToastState.visibleUntilMillis == 0) return true;
  return (int32_t)(alertToastState.visibleUntilMillis - millis()) > 0;
}

void clearAlertToast() {
  alertToastState.visible = false;
  alertToastState.valid = false;
  alertToastState.visibleUntilMillis = 0;
  resetPopupScroll();
}

void showAlertToast(const String& source, const String& id, const String& title, const String& detail,
                    const String& severity) {
  AlertToastState& s = alertToastState;
  String cleanSource = trimmedCopy(source);
  String cleanTitle = trimmedCopy(title);
  if (cleanTitle.isEmpty()) cleanTitle = "Civil alert";
  String cleanId = trimmedCopy(id);
  if (cleanId.isEmpty()) cleanId = cleanTitle + "|" + cleanSource;
  String cleanDetail = trimmedCopy(detail);
  String cleanSeverity = trimmedCopy(severity);
  const bool changed = s.source != cleanSource || s.id != cleanId || s.title != cleanTitle ||
                       s.detail != cleanDetail || s.severity != cleanSeverity;
  s.valid = true;
  s.source = cleanSource;
  s.id = cleanId;
  s.title = cleanTitle;
  s.detail = cleanDetail;
  s.severity = cleanSeverity;
  if (cleanId == s.lastShownId) {
    // The same alert again: an open popup shows its newest text.
    if (changed && s.visible) requestRedraw();
    return;
  }
  s.visible = true;
  s.visibleUntilMillis = 0;
  resetPopupScroll();
  s.lastShownId = cleanId;
  addWebLog("WARN", "ALERT", cleanSource + ": " + cleanTitle, true);
  // A new warning is the most important thing on the screen: it wakes it.
  noteScreenActivity(false);
  requestRedraw();
}

String joinAlertField(const String& base, const String& label, const String& value) {
  String v = trimmedCopy(value);
  if (v.isEmpty() || v == "null") return base;
  String out = base;
  if (!out.isEmpty()) out += "\n";
  out += label;
  out += ": ";
  out += v;
  return out;
}

// ---------------------------------------------------------------- request URLs

String configuredNinaDashboardBaseUrl() {
  return baseOrDefault(cfg.ninaDashboardBaseUrl, NINA_DASHBOARD_BASE_URL_DEFAULT);
}

String configuredNoaaAlertsBaseUrl() {
  return baseOrDefault(cfg.noaaAlertsBaseUrl, NOAA_ALERTS_BASE_URL_DEFAULT);
}

String configuredMeteoAlarmAtomBaseUrl() {
  return baseOrDefault(cfg.meteoalarmAtomBaseUrl, METEOALARM_ATOM_BASE_URL_DEFAULT);
}

String configuredMeteoAlarmEdrBaseUrl() {
  return baseOrDefault(cfg.meteoalarmEdrBaseUrl, METEOALARM_EDR_LOCATIONS_BASE_URL_DEFAULT);
}

String ninaDashboardAlertUrl() {
  String base = configuredNinaDashboardBaseUrl();
  if (!base.endsWith("/") && base.indexOf('?') < 0) base += "/";
  return base + urlEncodeComponent(trimmedCopy(cfg.katwarnLocationId)) + ".json";
}

String noaaAlertsUrl() {
  return configuredNoaaAlertsBaseUrl() + urlEncodeComponent(trimmedCopy(cfg.noaaZone));
}

String meteoalarmAtomFeedSlugForRequest(const String& feed) {
  String key = lowerTrimmed(feed);
  if (key.isEmpty()) key = "germany";
  const char* slug = lookupName(ATOM_FEED_SLUGS, sizeof(ATOM_FEED_SLUGS) / sizeof(ATOM_FEED_SLUGS[0]), key);
  if (slug != nullptr) return String(slug);
  key.replace(" ", "-");
  return key;
}

String meteoalarmAtomFeedUrl() {
  String feed = trimmedCopy(cfg.meteoalarmFeed);
  if (feed.isEmpty()) feed = "germany";
  if (startsWithHttpScheme(feed)) return feed;
  return configuredMeteoAlarmAtomBaseUrl() + urlEncodeComponent(meteoalarmAtomFeedSlugForRequest(feed));
}

String meteoalarmCountrySlugToCode(const String& value) {
  String key = lowerTrimmed(value);
  const char* code = lookupName(COUNTRY_CODES, sizeof(COUNTRY_CODES) / sizeof(COUNTRY_CODES[0]), key);
  if (code != nullptr) return String(code);
  if (key.length() == 2) {
    key.toUpperCase();
    return key;
  }
  return String("DE");
}

String meteoalarmCountryCodeForRequest() {
  String code = trimmedCopy(cfg.meteoalarmCountryCode);
  if (code.isEmpty()) code = meteoalarmCountrySlugToCode(cfg.meteoalarmFeed);
  code.toUpperCase();
  if (code.isEmpty()) code = "DE";
  return code;
}

String meteoalarmEdrLocationUrl() {
  String token = trimmedCopy(cfg.meteoalarmApiToken);
  if (token.isEmpty()) return String();
  String base = configuredMeteoAlarmEdrBaseUrl();
  if (!base.endsWith("/")) base += "/";
  String url = base + urlEncodeComponent(meteoalarmCountryCodeForRequest());
  url = appendRawQueryToUrl(url, cfg.meteoalarmEdrQuery);
  return appendEncodedQueryParam(url, "token", token);
}

String appendRawQueryToUrl(const String& url, const String& query) {
  String q = trimmedCopy(query);
  while (q.startsWith("?") || q.startsWith("&")) {
    q.remove(0, 1);
    q.trim();
  }
  if (q.isEmpty()) return url;
  return url + (url.indexOf('?') < 0 ? "?" : "&") + q;
}

String appendEncodedQueryParam(const String& url, const String& key, const String& value) {
  String k = trimmedCopy(key);
  if (k.isEmpty()) return url;
  return url + (url.indexOf('?') < 0 ? "?" : "&") + urlEncodeComponent(k) + "=" + urlEncodeComponent(value);
}

// ---------------------------------------------------------------- one source

namespace {

// Answers that the source really sent in its own shape (JSON of the JSON
// sources, a feed or entry of the Atom feed) count as good fetches for the
// statistics, with or without an alert in them.
bool answerInSourceShape(const String& source, const String& payload) {
  if (source == SOURCE_ATOM) {
    int s = 0, e = 0;
    return xmlFindElementRangeByLocalName(payload, "feed", 0, -1, s, e) ||
           xmlFindElementRangeByLocalName(payload, "entry", 0, -1, s, e);
  }
  const int pos = desktopDataJsonSkipWs(payload, 0);
  return pos < (int)payload.length() && (payload[pos] == '[' || payload[pos] == '{');
}

bool parseBySourceName(const String& source, const String& payload) {
  if (source == SOURCE_NOAA) return parseNoaaAlertResponse(payload);
  if (source == SOURCE_ATOM) return parseMeteoAlarmAtomResponse(payload);
  if (source == SOURCE_EDR) return parseMeteoAlarmEdrResponse(payload);
  return parseNinaAlertResponse(payload);
}

void applyAlertSourceAnswer(const String& source, uint32_t startedAt, uint32_t generation,
                            const AlertSourceDone& done, const FetchAnswer& answer) {
  if (generation != alertCheckGeneration) return;  // a newer check or configuration
  AlertToastState& s = alertToastState;
  s.lastHttpCode = answer.code;
  const uint32_t elapsed = millis() - startedAt;
  AlertSourceOutcome outcome;
  if (answer.ok) {
    outcome.found = parseBySourceName(source, answer.payload);
    noteApiFetchResult(outcome.found || answerInSourceShape(source, answer.payload), answer.code, elapsed);
  } else if (source == SOURCE_EDR && answer.code == HTTP_NO_CONTENT) {
    noteApiFetchResult(true, answer.code, elapsed);  // no warnings for the location
  } else {
    s.error = source + " HTTP " + String(answer.code);
    noteApiFetchResult(false, answer.code, elapsed);
    outcome.failed = true;
  }
  done(outcome);
}

}  // namespace

bool fetchOneAlertSource(const String& source, const String& url, AlertSourceDone done) {
  const char* accept = source == SOURCE_ATOM ? ACCEPT_ATOM : ACCEPT_JSON;
  const uint32_t startedAt = millis();
  const uint32_t generation = alertCheckGeneration;
  const String name = source;
  return startFetch(FETCH_CHANNEL_ALERTS, url, accept, "",
                    [name, startedAt, generation, done](const FetchAnswer& answer) {
                      applyAlertSourceAnswer(name, startedAt, generation, done, answer);
                    });
}

// ---------------------------------------------------------------- the check

namespace {

void finishAlertCheck(bool found) {
  AlertToastState& s = alertToastState;
  s.fetchInProgress = false;
  s.lastSuccessMillis = millis();
  // Nothing found and every source answered: the alert has ended.
  if (!found && !alertCheckFailed) s.valid = false;
}

// Asks one source, continuing with next; a request that cannot even start
// counts as a failed source.
void askAlertSource(const char* source, const String& url, const AlertSourceDone& next) {
  const AlertSourceDone noteAndContinue = [next](const AlertSourceOutcome& outcome) {
    if (outcome.failed) alertCheckFailed = true;
    next(outcome);
  };
  if (fetchOneAlertSource(source, url, noteAndContinue)) return;
  alertToastState.lastHttpCode = HTTP_FETCH_NOT_STARTED;
  alertToastState.error = String(source) + " HTTP " + String(HTTP_FETCH_NOT_STARTED);
  noteApiFetchResult(false, HTTP_FETCH_NOT_STARTED, 0);
  AlertSourceOutcome failed;
  failed.failed = true;
  noteAndContinue(failed);
}

void askNoaaThenFinish() {
  if (!cfg.noaaEnabled || trimmedCopy(cfg.noaaZone).isEmpty()) {
    finishAlertCheck(false);
    return;
  }
  askAlertSource(SOURCE_NOAA, noaaAlertsUrl(),
                 [](const AlertSourceOutcome& o) { finishAlertCheck(o.found); });
}

void askAtomThenNoaa() {
  askAlertSource(SOURCE_ATOM, meteoalarmAtomFeedUrl(), [](const AlertSourceOutcome& o) {
    if (o.found) {
      finishAlertCheck(true);
    } else {
      askNoaaThenFinish();
    }
  });
}

// EDR in "edr" mode with a token, falling back to the Atom feed when the
// EDR request failed; the Atom feed otherwise.
void askMeteoAlarmThenNoaa() {
  const bool feedSet = !trimmedCopy(cfg.meteoalarmFeed).isEmpty();
  if (!cfg.meteoalarmEnabled) {
    askNoaaThenFinish();
    return;
  }
  const String edrUrl = meteoalarmEdrLocationUrl();
  if (lowerTrimmed(cfg.meteoalarmMode) == "edr" && !edrUrl.isEmpty()) {
    askAlertSource(SOURCE_EDR, edrUrl, [](const AlertSourceOutcome& o) {
      if (o.found) {
        finishAlertCheck(true);
      } else if (o.failed && !trimmedCopy(cfg.meteoalarmFeed).isEmpty()) {
        askAtomThenNoaa();
      } else {
        askNoaaThenFinish();
      }
    });
    return;
  }
  if (feedSet) {
    askAtomThenNoaa();
  } else {
    askNoaaThenFinish();
  }
}

void askNinaThenOthers() {
  if (!cfg.katwarnEnabled || trimmedCopy(cfg.katwarnLocationId).isEmpty()) {
    askMeteoAlarmThenNoaa();
    return;
  }
  askAlertSource(SOURCE_NINA, ninaDashboardAlertUrl(), [](const AlertSourceOutcome& o) {
    if (o.found) {
      finishAlertCheck(true);
    } else {
      askMeteoAlarmThenNoaa();
    }
  });
}

// The desktop switch, or 0 when it is not set to a usable number.
uint32_t alertCheckOverrideMs() {
  const char* text = getenv(ALERT_CHECK_OVERRIDE_ENV);
  if (text == nullptr || *text == '\0') return 0;
  char* end = nullptr;
  const unsigned long long ms = strtoull(text, &end, 10);
  if (end == text || *end != '\0' || ms > 0xFFFFFFFFull) return 0;
  return ms < ALERT_CHECK_OVERRIDE_MIN_MS ? ALERT_CHECK_OVERRIDE_MIN_MS : (uint32_t)ms;
}

}  // namespace

uint32_t alertCheckIntervalMs() {
  const uint32_t overrideMs = alertCheckOverrideMs();
  if (overrideMs != 0) return overrideMs;
  const uint32_t configured = (uint32_t)cfg.alertRefreshMinutes * 60000u;
  return configured > ALERT_CHECK_INTERVAL_MIN_MS ? configured : ALERT_CHECK_INTERVAL_MIN_MS;
}

bool fetchAlertData(bool force) {
  AlertToastState& s = alertToastState;
  if (!alertFeatureEnabled() || !wifiStationConnected() || s.fetchInProgress ||
      fetchChannelBusy(FETCH_CHANNEL_ALERTS))
    return false;
  const uint32_t now = millis();
  if (!force && s.lastAttemptMillis != 0 &&
      !intervalElapsed(now, s.lastAttemptMillis, alertCheckIntervalMs()))
    return s.valid;
  ++alertCheckGeneration;
  alertCheckFailed = false;
  s.fetchInProgress = true;
  s.lastAttemptMillis = now;
  s.error = "";
  askNinaThenOthers();
  // The chain ends at once when no source is usable or none could start.
  return s.fetchInProgress;
}

void pollAlertDataIfDue() {
  AlertToastState& s = alertToastState;
  uint32_t now = millis();
  if (s.visible && s.visibleUntilMillis != 0 && deadlineReached(now, s.visibleUntilMillis)) {
    s.visible = false;
    requestRedraw();
  }
  if (!intervalElapsed(now, lastAlertPollCheck, ALERT_POLL_CHECK_INTERVAL_MS)) return;
  lastAlertPollCheck = now;
  if (wifiOk && !setupRequired && !apModeActive && alertFeatureEnabled()) fetchAlertData(false);
}

bool alertPopupTimeLeftMs(uint32_t now, uint32_t& leftMs) {
  const AlertToastState& s = alertToastState;
  if (!s.visible || s.visibleUntilMillis == 0) return false;
  const int32_t left = (int32_t)(s.visibleUntilMillis - now);
  leftMs = left > 0 ? (uint32_t)left : 0;
  return true;
}

void alertsConfigFinalized() {
  // A check of the previous configuration never finishes: its answers are
  // dropped with the configuration.
  ++alertCheckGeneration;
  alertToastState.fetchInProgress = false;
  if (!alertFeatureEnabled()) clearAlertToast();
}

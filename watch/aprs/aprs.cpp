// APRS watch source: record, batch of callsigns, request URL, geometry, the
// answer scanner, the rate-limit discipline and the poll.
#include "watch/aprs/aprs.h"

#include <math.h>
#include <stdlib.h>
#include <time.h>

#include "core/config.h"
#include "core/data_json.h"
#include "core/device_log.h"
#include "core/view.h"
#include "enrichment/radioid.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/hotspot_poll.h"
#include "hotspot/http_fetch.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/watch_list.h"
#include "network/wifi.h"
#include "watch/svxlink/svxlink.h"

AprsState aprsState;
bool aprsCommentPopupOpen = false;

namespace {

const char* const APRS_API_PATH = "/api/get";
const char* const APRS_ACCEPT = "application/json";
const char* const COMPASS_POINTS[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
const float DEG_TO_RAD = 0.017453292f;
const float RAD_TO_DEG = 57.29578f;
// Largest epoch shown as a date (9999-12-31 23:59:59 UTC).
const unsigned long long APRS_EPOCH_MAX = 253402300799ULL;

String normalizedOf(const String& raw) { return normalizeHamCallsign(raw); }

}  // namespace

// ---------------------------------------------------------------- numbers

bool aprsParseFiniteNumber(const String& raw, double& out) {
  const String text = trimmedCopy(raw);
  if (text.isEmpty()) return false;
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = strtod(begin, &end);
  if (end == begin || *end != '\0' || !isfinite(v) || fabs(v) > APRS_NUMBER_ABS_MAX) return false;
  out = v;
  return true;
}

// ---------------------------------------------------------------- callsigns and URL

String aprsLookupCallsign() {
  String call = normalizedOf(shownHeardList().live.callsign);
  if (!call.isEmpty()) return call;
  if (shownHeardList().count > 0) {
    call = normalizedOf(shownHeardList().records[0].callsign);
    if (!call.isEmpty()) return call;
  }
  return normalizedOf(getDeviceCallsign());
}

namespace {

// True when an item of the list is the normalised call. Items of a batch
// are normalised already, and normalising an odd call twice need not give
// the same text, so both forms of an item are compared.
bool csvHasNormalizedCall(const String& csv, const String& wanted) {
  if (wanted.isEmpty()) return true;
  int start = 0;
  const int n = (int)csv.length();
  while (start <= n) {
    int comma = csv.indexOf(',', start);
    if (comma < 0) comma = n;
    const String item = csv.substring(start, comma);
    if (item == wanted || normalizedOf(item) == wanted) return true;
    start = comma + 1;
  }
  return false;
}

}  // namespace

bool aprsCsvContainsCallsign(const String& csv, const String& call) {
  return csvHasNormalizedCall(csv, normalizedOf(call));
}

void aprsAppendBatchCallsign(String& csv, const String& rawCall) {
  const String call = normalizedOf(rawCall);
  // A comma would split one call into two names of the request.
  if (call.isEmpty() || call.indexOf(',') >= 0 || csvHasNormalizedCall(csv, call)) return;
  if (!csv.isEmpty()) csv += ",";
  csv += call;
}

String aprsBuildBatchCallsigns() {
  String csv;
  aprsAppendBatchCallsign(csv, aprsLookupCallsign());
  const HeardList& shown = shownHeardList();
  const int heard = min(shown.count, min(APRS_BATCH_HEARD_MAX, MAX_HEARD));
  for (int i = 0; i < heard; ++i) aprsAppendBatchCallsign(csv, shown.records[i].callsign);
  aprsAppendBatchCallsign(csv, getDeviceCallsign());
  return csv;
}

String aprsApiBase() {
  String base = trimmedCopy(cfg.aprsApiBaseUrl);
  if (base.isEmpty()) base = APRS_API_BASE_URL_DEFAULT;
  while (base.endsWith("/")) base = base.substring(0, (int)base.length() - 1);
  return base;
}

String aprsApiUrl(const String& batch) {
  const String names = trimmedCopy(batch);
  const String key = trimmedCopy(cfg.aprsApiKey);
  if (names.isEmpty() || key.isEmpty()) return String("");
  return aprsApiBase() + APRS_API_PATH + "?name=" + urlEncodeComponent(names) +
         "&what=loc&apikey=" + urlEncodeComponent(key) + "&format=json";
}

// ---------------------------------------------------------------- geometry

bool aprsParseCoordinate(const String& raw, float& out) {
  const String text = trimmedCopy(raw);
  const char* begin = text.c_str();
  char* end = nullptr;
  const float v = strtof(begin, &end);
  if (end == begin) return false;
  out = v;
  return true;
}

bool aprsLatLonValid(float lat, float lng) {
  if (!(lat >= -90.0f && lat <= 90.0f && lng >= -180.0f && lng <= 180.0f)) return false;
  return !(fabsf(lat) < 0.00001f && fabsf(lng) < 0.00001f);
}

namespace {

bool usablePair(const String& latText, const String& lngText, float& lat, float& lng) {
  float a = 0, b = 0;
  if (!aprsParseCoordinate(latText, a) || !aprsParseCoordinate(lngText, b)) return false;
  if (!aprsLatLonValid(a, b)) return false;
  lat = a;
  lng = b;
  return true;
}

// 0 configured, 1 weather, 2 current station, -1 none.
int areaCenterChoice(float& lat, float& lng) {
  if (usablePair(cfg.aprsCenterLat, cfg.aprsCenterLon, lat, lng)) return 0;
  if (usablePair(cfg.weatherLat, cfg.weatherLon, lat, lng)) return 1;
  if (aprsState.valid && aprsLatLonValid(aprsState.lat, aprsState.lng)) {
    lat = aprsState.lat;
    lng = aprsState.lng;
    return 2;
  }
  return -1;
}

}  // namespace

bool aprsConfiguredAreaCenter(float& lat, float& lng) { return areaCenterChoice(lat, lng) >= 0; }

String aprsAreaCenterLabel() {
  float lat = 0, lng = 0;
  static const char* const LABELS[3] = {"configured", "weather", "current"};
  const int choice = areaCenterChoice(lat, lng);
  return String(choice < 0 ? "unset" : LABELS[choice]);
}

float aprsDistanceKm(float lat1, float lon1, float lat2, float lon2) {
  const float dLat = (lat2 - lat1) * DEG_TO_RAD;
  const float dLon = (lon2 - lon1) * DEG_TO_RAD;
  const float s1 = sinf(dLat / 2.0f);
  const float s2 = sinf(dLon / 2.0f);
  const float a = s1 * s1 + cosf(lat1 * DEG_TO_RAD) * cosf(lat2 * DEG_TO_RAD) * s2 * s2;
  return APRS_EARTH_RADIUS_KM * 2.0f * atan2f(sqrtf(a), sqrtf(max(0.0f, 1.0f - a)));
}

float aprsBearingDeg(float lat1, float lon1, float lat2, float lon2) {
  const float p1 = lat1 * DEG_TO_RAD, p2 = lat2 * DEG_TO_RAD;
  const float dLon = (lon2 - lon1) * DEG_TO_RAD;
  const float y = sinf(dLon) * cosf(p2);
  const float x = cosf(p1) * sinf(p2) - sinf(p1) * cosf(p2) * cosf(dLon);
  float b = atan2f(y, x) * RAD_TO_DEG;
  if (!isfinite(b)) return 0.0f;
  while (b < 0.0f) b += 360.0f;
  while (b >= 360.0f) b -= 360.0f;
  return b;
}

String aprsCompassPoint(float deg) {
  if (!isfinite(deg)) deg = 0.0f;
  const long index = (long)floorf((fmodf(deg, 360.0f) + 22.5f) / 45.0f);
  return String(COMPASS_POINTS[index & 7]);
}

// ---------------------------------------------------------------- nearby list

void aprsClearNearby() {
  for (AprsNearbyRecord& rec : aprsState.nearby) rec = AprsNearbyRecord();
  aprsState.nearbyCount = 0;
  aprsState.nearbyValid = false;
  aprsState.nearbyError = "";
}

void aprsInsertNearbySorted(const AprsNearbyRecord& rec) {
  if (!rec.valid) return;
  AprsState& a = aprsState;
  int slot = a.nearbyCount;
  if (a.nearbyCount >= APRS_NEARBY_MAX) {
    if (!(rec.distanceKm < a.nearby[APRS_NEARBY_MAX - 1].distanceKm)) return;
    slot = APRS_NEARBY_MAX - 1;
  } else {
    a.nearbyCount++;
  }
  while (slot > 0 && a.nearby[slot - 1].distanceKm > rec.distanceKm) {
    a.nearby[slot] = a.nearby[slot - 1];
    --slot;
  }
  a.nearby[slot] = rec;
}

// ---------------------------------------------------------------- texts and back-off

String aprsFormatEpoch(const String& epochText) {
  const String text = trimmedCopy(epochText);
  if (text.isEmpty()) return text;
  unsigned long long value = 0;
  for (unsigned int i = 0; i < text.length(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return text;
    value = value * 10 + (unsigned)(c - '0');
    if (value > APRS_EPOCH_MAX) return text;
  }
  if (value == 0) return text;
  const time_t t = (time_t)value;
  struct tm tm = {};
  struct tm* ok = cfg.apiUtcToLocalTime ? desktop_localtime_r(&t, &tm) : desktop_gmtime_r(&t, &tm);
  if (ok == nullptr) return text;
  return formatApiDateTime(tm);
}

void resetAprsState() {
  aprsState = AprsState();
  clearSvxlinkAprsCommentAlert();
}

uint32_t aprsMillisUntil(uint32_t now, uint32_t deadline) {
  if (deadline == 0 || deadlineReached(now, deadline)) return 0;
  return deadline - now;
}

String aprsFormatWait(uint32_t ms) {
  const uint64_t seconds = ((uint64_t)ms + 999) / 1000;
  if (seconds < 120) return String((unsigned long)seconds) + "s";
  const uint64_t minutes = (seconds + 59) / 60;
  if (minutes < 120) return String((unsigned long)minutes) + " min";
  return String((unsigned long)((minutes + 59) / 60)) + " h";
}

uint32_t aprsRetryDelayMs() {
  const int steps = min((int)aprsState.consecutiveFailures, 8);
  uint32_t delayMs = APRS_MIN_RETRY_MS;
  for (int step = 1; step < steps; ++step) {
    if (delayMs > 3599999u) return APRS_MAX_RETRY_MS;
    delayMs *= 2;
  }
  return delayMs;
}

void aprsScheduleRetry(const String& failCode, const String& baseError) {
  AprsState& a = aprsState;
  if (a.consecutiveFailures < APRS_CONSECUTIVE_FAILURES_MAX) a.consecutiveFailures++;
  const bool rateLimited = trimmedCopy(failCode).equalsIgnoreCase("ratelimit");
  const uint32_t delayMs = rateLimited ? APRS_RATE_LIMIT_BACKOFF_MS : aprsRetryDelayMs();
  a.nextAllowedAttemptMillis = millis() + delayMs;
  if (a.nextAllowedAttemptMillis == 0) a.nextAllowedAttemptMillis = 1;  // 0 means no back-off
  const String wait = aprsFormatWait(delayMs);
  const String base = trimmedCopy(baseError);
  if (rateLimited) {
    a.error = String("APRS rate limited; retry in ") + wait;
  } else if (!base.isEmpty()) {
    a.error = base + "; retry in " + wait;
  } else {
    a.error = String("APRS lookup failed; retry in ") + wait;
  }
}

// ---------------------------------------------------------------- answers

namespace {

// The value of one key when present, not empty and not "null".
String entryField(const String& json, const char* key) {
  const char* const keys[1] = {key};
  return desktopDataJsonFirstValue(json, keys, 1);
}

// "speed", "course" and "altitude" with their valid flags; a value that is
// not a finite, sane number counts as absent.
template <class Rec>
void readMotion(const String& entry, Rec& rec) {
  double v = 0;
  rec.speedValid = aprsParseFiniteNumber(entryField(entry, "speed"), v);
  rec.speedKmh = rec.speedValid ? (float)v : 0.0f;
  v = 0;
  rec.courseValid = aprsParseFiniteNumber(entryField(entry, "course"), v);
  rec.courseDeg = rec.courseValid ? (int)v : 0;
  v = 0;
  rec.altitudeValid = aprsParseFiniteNumber(entryField(entry, "altitude"), v);
  rec.altitudeM = rec.altitudeValid ? (float)v : 0.0f;
}

String lastSeenOf(const String& entry) {
  String t = entryField(entry, "lasttime");
  if (t.isEmpty()) t = entryField(entry, "time");
  return aprsFormatEpoch(t);
}

// Normalised "name", else normalised "srccall".
String entryCallsign(const String& entry) {
  String call = normalizeHamCallsign(entryField(entry, "name"));
  if (call.isEmpty()) call = normalizeHamCallsign(entryField(entry, "srccall"));
  return call;
}

// The entry of the asked-for station: the first whose callsign equals it,
// else the first entry of all. False when the array holds no object.
bool primaryEntry(const String& entries, const String& sourceCallsign, String& out) {
  const String wanted = normalizeHamCallsign(sourceCallsign);
  String entry, first;
  int pos = 0;
  bool any = false;
  while (desktopDataJsonNextObject(entries, pos, entry)) {
    if (!any) first = entry;
    any = true;
    if (!wanted.isEmpty() && entryCallsign(entry) == wanted) {
      out = entry;
      return true;
    }
  }
  if (any) out = first;
  return any;
}

bool failParse(const char* error, const char* trace) {
  aprsState.error = error;
  desktopTrace("%s", trace);
  return false;
}

void applyPrimaryStation(const String& entry, const String& sourceCallsign, float lat, float lng) {
  AprsState& a = aprsState;
  a.valid = true;
  a.error = "";
  a.failCode = "";
  a.consecutiveFailures = 0;
  a.nextAllowedAttemptMillis = 0;
  a.sourceCallsign = sourceCallsign;
  a.callsign = normalizeHamCallsign(entryField(entry, "name"));
  if (a.callsign.isEmpty()) a.callsign = normalizeHamCallsign(sourceCallsign);
  a.dstCallsign = normalizeHamCallsign(entryField(entry, "dstcall"));
  a.symbol = entryField(entry, "symbol");
  a.lat = lat;
  a.lng = lng;
  readMotion(entry, a);
  a.comment = entryField(entry, "comment");
  a.status = entryField(entry, "status");
  a.path = entryField(entry, "path");
  a.lastSeenText = lastSeenOf(entry);
  a.lastSuccessMillis = millis();
}

}  // namespace

bool desktopAprsRecordFromRawObject(const String& entry, AprsNearbyRecord& rec) {
  rec = AprsNearbyRecord();
  float lat = 0, lng = 0;
  const String latText = entryField(entry, "lat");
  const String lngText = entryField(entry, "lng");
  if (latText.isEmpty() || lngText.isEmpty()) return false;
  if (!usablePair(latText, lngText, lat, lng)) return false;
  rec.callsign = entryCallsign(entry);
  if (rec.callsign.isEmpty()) return false;
  rec.valid = true;
  rec.lat = lat;
  rec.lng = lng;
  rec.symbol = entryField(entry, "symbol");
  readMotion(entry, rec);
  rec.comment = entryField(entry, "comment");
  rec.status = entryField(entry, "status");
  rec.path = entryField(entry, "path");
  rec.lastSeenText = lastSeenOf(entry);
  return true;
}

// A station in range for the watch list, with its SSID as sent.
static void noteAprsWatchSight(const String& entry) {
  WatchSight sight;
  sight.source = WATCH_SIGHT_APRS;
  sight.callsign = trimmedCopy(entryField(entry, "name"));
  if (sight.callsign.isEmpty()) sight.callsign = trimmedCopy(entryField(entry, "srccall"));
  noteWatchSight(sight);
}

void desktopPopulateAprsNearbyFromEntries(const String& entries) {
  aprsClearNearby();
  AprsState& a = aprsState;
  float centerLat = 0, centerLng = 0;
  if (!aprsConfiguredAreaCenter(centerLat, centerLng)) {
    a.nearbyError = "APRS area center not set";
    return;
  }
  const float range = (float)cfg.aprsRangeKm;
  String entry;
  AprsNearbyRecord rec;
  int pos = 0;
  bool inserted = false;
  while (desktopDataJsonNextObject(entries, pos, entry)) {
    if (!desktopAprsRecordFromRawObject(entry, rec)) continue;
    rec.distanceKm = aprsDistanceKm(centerLat, centerLng, rec.lat, rec.lng);
    if (!(rec.distanceKm <= range)) continue;
    aprsInsertNearbySorted(rec);
    inserted = true;
    noteAprsWatchSight(entry);
  }
  a.nearbyValid = true;
  if (!inserted) a.nearbyError = "No APRS last-heard stations in range";
}

bool desktopParseAprsLocationResponseRaw(const String& payload, const String& sourceCallsign) {
  AprsState& a = aprsState;
  const String result = entryField(payload, "result");
  a.failCode = entryField(payload, "code");
  if (!result.equalsIgnoreCase("ok")) {
    const String description = entryField(payload, "description");
    a.error = description.isEmpty() ? String("APRS lookup failed") : description;
    if (a.failCode.equalsIgnoreCase("ratelimit")) a.error = "APRS rate limited";
    desktopTrace("[DESKTOP][APRS] API result not ok: %s / %s.\n", result.c_str(), a.error.c_str());
    return false;
  }
  String entries;
  if (!desktopDataJsonGetArray(payload, "entries", entries))
    return failParse("No APRS entries array", "[DESKTOP][APRS] JSON parse failed: entries array missing.\n");
  String entry;
  if (!primaryEntry(entries, sourceCallsign, entry))
    return failParse("No APRS location found", "[DESKTOP][APRS] entries array is empty.\n");
  // Coordinates that are not numbers at all cannot place the station.
  float lat = 0, lng = 0;
  if (!aprsParseCoordinate(entryField(entry, "lat"), lat) ||
      !aprsParseCoordinate(entryField(entry, "lng"), lng) || !isfinite(lat) || !isfinite(lng))
    return failParse("APRS entry has no coordinates",
                     "[DESKTOP][APRS] JSON parse failed: coordinates missing.\n");
  applyPrimaryStation(entry, sourceCallsign, lat, lng);
  desktopPopulateAprsNearbyFromEntries(entries);
  updateSvxlinkAprsCommentAlertFromState();
  desktopTrace("[DESKTOP][APRS] parsed APRS for %s at %.5f %.5f.\n", a.callsign.c_str(), (double)a.lat,
               (double)a.lng);
  return true;
}

bool parseAprsLocationResponse(const String& payload, const String& sourceCallsign) {
  return desktopParseAprsLocationResponseRaw(payload, sourceCallsign);
}

// ---------------------------------------------------------------- poll

namespace {

// The location answer last applied (and the callsign it was for): the same
// bytes for the same callsign change nothing drawn.
AppliedAnswer lastAprsAnswer;

void applyAprsAnswer(const FetchAnswer& answer, const String& lookup, uint32_t startedAt) {
  AprsState& a = aprsState;
  a.lastHttpCode = answer.code;
  const uint32_t elapsedMs = millis() - startedAt;
  const bool unchanged = answerUnchanged(lastAprsAnswer, answer, lookup) && a.valid && a.error.isEmpty();
  bool ok = false;
  if (unchanged) {
    ok = true;
    a.fetchInProgress = false;
    a.lastSuccessMillis = millis();
  } else if (answer.ok) {
    ok = parseAprsLocationResponse(answer.payload, lookup);
    a.fetchInProgress = false;
    if (!ok) {
      forgetAppliedAnswer(lastAprsAnswer);
      aprsScheduleRetry(a.failCode, a.error);
    }
  } else {
    a.fetchInProgress = false;
    const String base = answer.code == HTTP_FETCH_NOT_STARTED ? String("APRS HTTP begin failed")
                                                              : String("APRS HTTP: ") + String(answer.code);
    aprsScheduleRetry(String(""), base);
  }
  noteApiFetchResult(ok, answer.code, elapsedMs);
  if (ok) {
    setFooterText(String("APRS updated for ") + a.callsign, true);
  } else {
    setFooterText(a.error, false);
  }
  if (!unchanged) requestRedraw();
}

// The feature and the station link; each refusal traced once per run.
bool aprsMayFetch() {
  static bool disabledTraced = false;
  static bool offlineTraced = false;
  if (!aprsFeatureEnabled()) {
    if (!disabledTraced) {
      disabledTraced = true;
      desktopTrace(
          "[DESKTOP][APRS] disabled or missing API key. Set aprs_enabled=true and aprs_api_key in "
          "config.json.\n");
    }
    return false;
  }
  if (!wifiStationConnected()) {
    if (!offlineTraced) {
      offlineTraced = true;
      desktopTrace("[DESKTOP][APRS] WiFi/network status is not connected in desktop simulation.\n");
    }
    return false;
  }
  return true;
}

// True while the first request should wait for the hotspot to name a
// caller: the hotspot's first answers come in after the first polls, and a
// request for the device callsign before them would hold the caller's own
// lookup back for the whole request gap.
bool aprsWaitingForFirstCaller(uint32_t now) {
  AprsState& a = aprsState;
  if (a.lastAttemptMillis != 0) return false;
  const HeardList& shown = shownHeardList();
  if (!normalizeHamCallsign(shown.live.callsign).isEmpty()) return false;
  if (shown.count > 0 && !normalizeHamCallsign(shown.records[0].callsign).isEmpty()) return false;
  if (a.firstPollMillis == 0) a.firstPollMillis = now == 0 ? 1 : now;
  return !intervalElapsed(now, a.firstPollMillis, APRS_FIRST_CALLER_WAIT_MS);
}

// A request now is due (refresh period) for the lookup callsign.
bool aprsRequestDue(bool force, bool hasDataForCall, uint32_t now) {
  const AprsState& a = aprsState;
  return force || !hasDataForCall || a.lastSuccessMillis == 0 ||
         intervalElapsed(now, a.lastSuccessMillis, (uint32_t)cfg.aprsRefreshMinutes * 60000u);
}

}  // namespace

// Returns true when a request was started (whether it brings data is only
// known when its answer arrives) or the data shown is still good.
bool fetchAprsData(bool force) {
  if (!aprsMayFetch()) return false;
  AprsState& a = aprsState;
  if (a.fetchInProgress || fetchChannelBusy(FETCH_CHANNEL_APRS)) return false;
  const String lookup = aprsLookupCallsign();
  if (lookup.isEmpty() || (!force && aprsWaitingForFirstCaller(millis()))) {
    a.error = "Waiting for LIVE callsign";
    return false;
  }
  const bool hasDataForCall = a.valid && (normalizeHamCallsign(a.sourceCallsign) == lookup ||
                                          normalizeHamCallsign(a.callsign) == lookup);
  const uint32_t now = millis();
  const uint32_t backoffLeft = aprsMillisUntil(now, a.nextAllowedAttemptMillis);
  if (backoffLeft > 0) {
    a.error = String("APRS backoff: ") + aprsFormatWait(backoffLeft);
    return hasDataForCall;
  }
  if (!aprsRequestDue(force, hasDataForCall, now)) return true;
  if (a.lastAttemptMillis != 0 && !intervalElapsed(now, a.lastAttemptMillis, APRS_MIN_REQUEST_GAP_MS)) {
    a.error = String("APRS next request in ") +
              aprsFormatWait(APRS_MIN_REQUEST_GAP_MS - elapsedSince(now, a.lastAttemptMillis));
    return hasDataForCall;
  }
  const String url = aprsApiUrl(aprsBuildBatchCallsigns());
  if (url.isEmpty()) {
    a.error = "APRS API key/callsign missing";
    return false;
  }
  a.fetchInProgress = true;
  a.lastAttemptMillis = now == 0 ? 1 : now;  // 0 means never
  a.failCode = "";
  if (!startFetch(FETCH_CHANNEL_APRS, url, APRS_ACCEPT, "",
                  [lookup, now](const FetchAnswer& answer) { applyAprsAnswer(answer, lookup, now); })) {
    FetchAnswer refused;
    refused.code = HTTP_FETCH_NOT_STARTED;
    applyAprsAnswer(refused, lookup, now);
    return false;
  }
  return true;
}

bool pollAprsWatch() {
  bool hotspotOk = pollHotspotDashboard();
  bool aprsOk = fetchAprsData(false);
  return hotspotOk || aprsOk;
}

void aprsConfigApplied() { resetAprsState(); }

void aprsConfigFinalized() {
  if (!aprsFeatureEnabled()) {
    resetAprsState();
    return;
  }
  aprsState.fetchInProgress = false;  // answers of earlier requests are dropped
}

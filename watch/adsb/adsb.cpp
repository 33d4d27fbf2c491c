// ADS-B watch source: receiver URL, area centre, the aircraft.json scanner,
// the airline lookups for logos, and the poll.
#include "watch/adsb/adsb.h"

#include <ctype.h>
#include <math.h>
#include <stdlib.h>

#include "core/config.h"
#include "core/data_json.h"
#include "core/device_log.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/http_fetch.h"
#include "hotspot/watch_list.h"
#include "network/wifi.h"
#include "watch/aprs/aprs.h"

AdsbState adsbState;
AdsbAirlineLookupCacheEntry adsbAirlineLookupCache[ADSB_AIRLINE_LOOKUP_CACHE_SIZE];
uint8_t adsbAirlineLookupCacheNext = 0;

namespace {

const uint32_t ADSB_POLL_INTERVAL_MIN_MS = 5000;
const uint32_t ADSB_SCREENSAVER_POLL_INTERVAL_MIN_MS = 10000;
const char* const ADSB_ACCEPT = "application/json";
const char* const ADSB_NO_NAME = "------";

struct IcaoIata {
  const char* icao;
  const char* iata;
};

const IcaoIata ICAO_IATA_TABLE[ADSB_ICAO_IATA_TABLE_SIZE] = {
    {"AAL", "AA"}, {"ACA", "AC"}, {"AFR", "AF"}, {"AIC", "AI"}, {"AUA", "OS"}, {"AVA", "AV"}, {"AZA", "AZ"},
    {"BAW", "BA"}, {"BEL", "SN"}, {"BER", "AB"}, {"BEE", "BE"}, {"BTI", "BT"}, {"CCA", "CA"}, {"CFG", "DE"},
    {"CES", "MU"}, {"CHH", "HU"}, {"CLH", "LH"}, {"CPA", "CX"}, {"CSA", "OK"}, {"DAL", "DL"}, {"DLH", "LH"},
    {"EIN", "EI"}, {"EJU", "U2"}, {"EZY", "U2"}, {"EWG", "EW"}, {"EZS", "DS"}, {"FIN", "AY"}, {"GFA", "GF"},
    {"IBE", "IB"}, {"IBS", "I2"}, {"ICE", "FI"}, {"IRA", "IR"}, {"ITY", "AZ"}, {"JAL", "JL"}, {"JBU", "B6"},
    {"KAL", "KE"}, {"KLM", "KL"}, {"LOT", "LO"}, {"MEA", "ME"}, {"NAX", "DY"}, {"NLY", "D8"}, {"NWA", "NW"},
    {"OAL", "OA"}, {"PAL", "PR"}, {"PGT", "PC"}, {"QFA", "QF"}, {"QTR", "QR"}, {"RAM", "AT"}, {"RYR", "FR"},
    {"SAS", "SK"}, {"SIA", "SQ"}, {"SWR", "LX"}, {"TAP", "TP"}, {"THY", "TK"}, {"TUI", "X3"}, {"UAE", "EK"},
    {"UAL", "UA"}, {"UPS", "5X"}, {"VIR", "VS"}, {"VLG", "VY"}, {"VOE", "V7"}, {"WZZ", "W6"},
};

// The value of one key when present, not empty and not "null".
String objField(const String& json, const char* key) {
  const char* const keys[1] = {key};
  return desktopDataJsonFirstValue(json, keys, 1);
}

// The first of the keys that is present.
String firstField(const String& json, const char* const* keys, size_t count) {
  return desktopDataJsonFirstValue(json, keys, count);
}

bool isTokenChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// 0 configured, 1 weather, 2 APRS, -1 none.
int areaCenterChoice(float& lat, float& lon) {
  const String* pairs[3][2] = {{&cfg.adsbCenterLat, &cfg.adsbCenterLon},
                               {&cfg.weatherLat, &cfg.weatherLon},
                               {&cfg.aprsCenterLat, &cfg.aprsCenterLon}};
  for (int i = 0; i < 3; ++i) {
    float a = 0, b = 0;
    if (aprsParseCoordinate(*pairs[i][0], a) && aprsParseCoordinate(*pairs[i][1], b) &&
        aprsLatLonValid(a, b)) {
      lat = a;
      lon = b;
      return i;
    }
  }
  return -1;
}

}  // namespace

void clearAdsbData() { adsbState = AdsbState(); }

void clearAdsbAirlineLookupCache() {
  for (AdsbAirlineLookupCacheEntry& e : adsbAirlineLookupCache) e = AdsbAirlineLookupCacheEntry();
  adsbAirlineLookupCacheNext = 0;
}

// ---------------------------------------------------------------- receiver and centre

String adsbNormalizePath(const String& rawPath) {
  String path = trimmedCopy(rawPath);
  if (path.isEmpty()) path = ADSB_AIRCRAFT_PATH_DEFAULT;
  if (!path.startsWith("/")) path = String("/") + path;
  return path;
}

String adsbAircraftUrl() {
  String host = trimmedCopy(cfg.adsbHost);
  if (host.isEmpty()) return host;
  while (host.length() > 1 && host.endsWith("/")) host = host.substring(0, (int)host.length() - 1);
  String lower = host;
  lower.toLowerCase();
  const bool hasScheme = lower.startsWith("http://") || lower.startsWith("https://");
  if (hasScheme) {
    const int afterScheme = lower.indexOf("://") + 3;
    if (lower.indexOf('/', afterScheme) >= 0 && lower.endsWith(".json")) return host;
  } else {
    host = String("http://") + host;
  }
  return host + adsbNormalizePath(cfg.adsbPath);
}

bool adsbConfiguredAreaCenter(float& lat, float& lon) { return areaCenterChoice(lat, lon) >= 0; }

String adsbAreaCenterLabel() {
  static const char* const LABELS[3] = {"configured", "weather", "APRS"};
  float lat = 0, lon = 0;
  const int choice = areaCenterChoice(lat, lon);
  return String(choice < 0 ? "missing" : LABELS[choice]);
}

// ---------------------------------------------------------------- texts

String adsbRecordName(const AdsbAircraftRecord& rec) {
  String name = trimmedCopy(rec.flight);
  if (name.isEmpty()) name = trimmedCopy(rec.hex);
  return name.isEmpty() ? String(ADSB_NO_NAME) : name;
}

String adsbLastUpdatedText() { return watchFetchLastUpdatedText(adsbState); }

String adsbAltitudeText(const AdsbAircraftRecord& rec) {
  if (!rec.altitudeValid) return String("ALT -");
  if (rec.altitudeFt <= 0) return String("GROUND");
  return String(rec.altitudeFt) + "ft";
}

String adsbSpeedText(const AdsbAircraftRecord& rec) {
  if (!rec.speedValid) return String("SPD -");
  return String(lroundf(rec.speedKt)) + "kt";
}

String adsbDistanceText(float km) {
  if (!isfinite(km)) return String("-");
  return km < 10.0f ? String(km, 1) : String(lroundf(km));
}

// ---------------------------------------------------------------- airlines

String adsbCleanFlightToken(const String& value) {
  String t = trimmedCopy(value);
  t.toUpperCase();
  unsigned int i = 0;
  while (i < t.length() && !isTokenChar(t[i])) ++i;
  unsigned int end = i;
  while (end < t.length() && isTokenChar(t[end])) ++end;
  return t.substring((int)i, (int)end);
}

bool adsbTokenHasDigitAt(const String& token, int index) {
  return index >= 0 && index < (int)token.length() && isdigit((unsigned char)token[index]);
}

String adsbNormalizeAirlineCode(const String& value) {
  const String code = adsbCleanFlightToken(value);
  if (code == "N" || code == "NA" || code == "NULL") return String("");
  return code;
}

bool adsbCsvFieldAt(const String& line, int wantedIndex, String& out) {
  if (wantedIndex < 0) return false;
  int index = 0;
  bool quoted = false;
  String field;
  const unsigned int n = line.length();
  for (unsigned int i = 0; i < n; ++i) {
    const char c = line[i];
    if (c == '\r' || c == '\n') continue;
    if (c == '"') {
      if (quoted && i + 1 < n && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      if (index == wantedIndex) {
        out = field;
        return true;
      }
      ++index;
      field = "";
    } else {
      field += c;
    }
  }
  if (index != wantedIndex) return false;
  out = field;
  return true;
}

bool adsbAirlinesDatLookupCached(const String& icao, String& iata) {
  for (const AdsbAirlineLookupCacheEntry& e : adsbAirlineLookupCache) {
    if (e.valid && e.icao == icao) {
      iata = e.iata;
      return true;
    }
  }
  return false;
}

void adsbAirlinesDatRememberLookup(const String& icao, const String& iata) {
  if (icao.isEmpty()) return;
  for (AdsbAirlineLookupCacheEntry& e : adsbAirlineLookupCache) {
    if (e.valid && e.icao == icao) {
      e.iata = iata;
      return;
    }
  }
  AdsbAirlineLookupCacheEntry& slot =
      adsbAirlineLookupCache[adsbAirlineLookupCacheNext % ADSB_AIRLINE_LOOKUP_CACHE_SIZE];
  slot.valid = true;
  slot.icao = icao;
  slot.iata = iata;
  adsbAirlineLookupCacheNext = (uint8_t)((adsbAirlineLookupCacheNext + 1) % ADSB_AIRLINE_LOOKUP_CACHE_SIZE);
}

namespace {

// Reads airlines.dat until the line of code decides; empty when unknown.
String scanAirlinesDat(const String& code) {
  fs::File file = storageOpen(ADSB_AIRLINES_DAT_PATH, "r");
  if (!file) return String("");
  String iata, icao;
  while (file.available() > 0) {
    const String line = file.readStringUntil('\n');
    if (!adsbCsvFieldAt(line, 3, iata) || !adsbCsvFieldAt(line, 4, icao)) continue;
    if (adsbNormalizeAirlineCode(icao) != code) continue;
    const String found = adsbNormalizeAirlineCode(iata);
    file.close();
    return found.length() >= 2 && found.length() <= 4 ? found : String("");
  }
  file.close();
  return String("");
}

}  // namespace

String adsbIataFromAirlinesDat(const String& rawIcao) {
  const String code = adsbNormalizeAirlineCode(rawIcao);
  if (code.length() != 3) return String("");
  String iata;
  if (adsbAirlinesDatLookupCached(code, iata)) return iata;
  iata = storageExists(ADSB_AIRLINES_DAT_PATH) ? scanAirlinesDat(code) : String("");
  adsbAirlinesDatRememberLookup(code, iata);
  return iata;
}

String adsbIataFromIcaoPrefix(const String& icao) {
  const String code = adsbCleanFlightToken(icao);
  if (code.length() == 3) {
    for (const IcaoIata& pair : ICAO_IATA_TABLE) {
      if (code == pair.icao) return String(pair.iata);
    }
  }
  return adsbIataFromAirlinesDat(code);
}

String adsbExistingLogoPathForCode(const String& code) {
  const String clean = adsbCleanFlightToken(code);
  if (clean.length() < 2 || clean.length() > 4) return String("");
  // Storage matches names without regard to case, so "lh.png" serves too.
  const String path = String(ADSB_LOGO_DIR) + "/" + clean + ".png";
  return storageExists(path) ? path : String("");
}

String adsbAirlineLogoPath(const AdsbAircraftRecord& rec) {
  const String token = adsbCleanFlightToken(rec.flight);
  if (token.length() <= 1) return String("");
  if (token.length() >= 3 && !adsbTokenHasDigitAt(token, 2)) {
    const String prefix = token.substring(0, 3);
    const String iata = adsbIataFromIcaoPrefix(prefix);
    if (!iata.isEmpty()) {
      const String path = adsbExistingLogoPathForCode(iata);
      if (!path.isEmpty()) return path;
    }
    return adsbExistingLogoPathForCode(prefix);
  }
  return adsbExistingLogoPathForCode(token.substring(0, 2));
}

// ---------------------------------------------------------------- answers

void adsbInsertAircraftSorted(const AdsbAircraftRecord& rec) {
  if (!rec.valid) return;
  AdsbState& s = adsbState;
  int slot = s.aircraftCount;
  if (s.aircraftCount >= ADSB_AIRCRAFT_MAX) {
    if (!(rec.distanceKm < s.aircraft[ADSB_AIRCRAFT_MAX - 1].distanceKm)) return;
    slot = ADSB_AIRCRAFT_MAX - 1;
  } else {
    s.aircraftCount++;
  }
  while (slot > 0 && s.aircraft[slot - 1].distanceKm > rec.distanceKm) {
    s.aircraft[slot] = s.aircraft[slot - 1];
    --slot;
  }
  s.aircraft[slot] = rec;
}

namespace {

// Altitude from the first present of the current, old and geometric keys:
// "ground" is 0; a value that is no sane number counts as unknown.
void readAltitude(const String& obj, AdsbAircraftRecord& rec) {
  static const char* const KEYS[3] = {"alt_baro", "altitude", "alt_geom"};
  String text = firstField(obj, KEYS, 3);
  text.toLowerCase();
  if (text.isEmpty()) return;
  if (text == "ground") {
    rec.altitudeValid = true;
    rec.altitudeFt = 0;
    return;
  }
  double v = 0;
  if (!aprsParseFiniteNumber(text, v)) return;
  rec.altitudeValid = true;
  rec.altitudeFt = (int)v;
}

void readMotion(const String& obj, AdsbAircraftRecord& rec) {
  static const char* const SPEED_KEYS[2] = {"gs", "speed"};
  static const char* const SEEN_KEYS[2] = {"seen_pos", "seen"};
  double v = 0;
  if (aprsParseFiniteNumber(firstField(obj, SPEED_KEYS, 2), v)) {
    rec.speedValid = true;
    rec.speedKt = (float)v;
  }
  if (aprsParseFiniteNumber(objField(obj, "track"), v)) {
    rec.trackValid = true;
    rec.trackDeg = (int)v;
  }
  if (aprsParseFiniteNumber(firstField(obj, SEEN_KEYS, 2), v)) rec.seenSec = (float)v;
}

// The receiver's message counter: the "messages" key outside the aircraft
// array (every aircraft has a counter of its own).
bool readMessageCounter(const String& payload, int arrayPos, int arrayLen, uint32_t& out) {
  String text = desktopDataJsonGetValue(payload.substring(0, arrayPos), "messages");
  if (text.isEmpty()) text = desktopDataJsonGetValue(payload.substring(arrayPos + arrayLen), "messages");
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = strtod(begin, &end);
  if (text.isEmpty() || end == begin || *end != '\0' || !isfinite(v) || v < 0) return false;
  out = v >= 4294967295.0 ? 4294967295u : (uint32_t)v;
  return true;
}

// The object with each object nested in it replaced by null. readsb keeps
// the last known position of an aircraft whose position has gone stale in
// "lastPosition": that is not where the aircraft is now, and the key scanner
// would find its "lat" and "lon" first.
String topLevelFields(const String& obj) {
  if (obj.indexOf('{', 1) < 0) return obj;
  const std::string& in = obj.str();
  std::string out;
  out.reserve(in.size());
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < in.size(); ++i) {
    const char c = in[i];
    const bool keep = depth <= 1;
    if (inString) {
      if (keep) out.push_back(c);
      if (c == '\\' && i + 1 < in.size()) {
        if (keep) out.push_back(in[i + 1]);
        ++i;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') inString = true;
    if (c == '{' && ++depth == 2) out += "null";
    if (keep && depth <= 1) out.push_back(c);
    if (c == '}') --depth;
  }
  return String(std::move(out));
}

}  // namespace

bool desktopAdsbRecordFromRawObject(const String& rawObj, AdsbAircraftRecord& rec, float centerLat,
                                    float centerLon) {
  rec = AdsbAircraftRecord();
  const String obj = topLevelFields(rawObj);
  const String latText = objField(obj, "lat");
  const String lonText = objField(obj, "lon");
  float lat = 0, lon = 0;
  if (latText.isEmpty() || lonText.isEmpty()) return false;
  if (!aprsParseCoordinate(latText, lat) || !aprsParseCoordinate(lonText, lon) || !aprsLatLonValid(lat, lon))
    return false;
  rec.lat = lat;
  rec.lon = lon;
  rec.hex = objField(obj, "hex");
  rec.flight = objField(obj, "flight");
  rec.squawk = objField(obj, "squawk");
  readAltitude(obj, rec);
  readMotion(obj, rec);
  rec.distanceKm = aprsDistanceKm(centerLat, centerLon, lat, lon);
  rec.valid = true;
  return true;
}

bool desktopParseAdsbAircraftResponseRaw(const String& payload) {
  AdsbState& s = adsbState;
  const int arrayPos = desktopDataJsonFindContainerValue(payload, "aircraft", '[');
  String list;
  if (arrayPos < 0 || !desktopDataJsonExtractContainerAt(payload, arrayPos, '[', ']', list)) {
    s.error = "ADSB JSON: aircraft missing";
    return false;
  }
  readMessageCounter(payload, arrayPos, (int)list.length(), s.messages);
  float centerLat = 0, centerLon = 0;
  if (!adsbConfiguredAreaCenter(centerLat, centerLon)) {
    s.error = "ADSB center not set";
    return false;
  }
  for (AdsbAircraftRecord& a : s.aircraft) a = AdsbAircraftRecord();
  s.aircraftCount = 0;
  s.totalAircraft = s.positionAircraft = 0;
  const float range = (float)cfg.adsbRangeKm;
  String obj;
  AdsbAircraftRecord rec;
  int pos = 1;  // inside the "["
  while (desktopDataJsonNextObject(list, pos, obj)) {
    if (s.totalAircraft < UINT16_MAX) s.totalAircraft++;
    if (!desktopAdsbRecordFromRawObject(obj, rec, centerLat, centerLon)) continue;
    if (s.positionAircraft < UINT16_MAX) s.positionAircraft++;
    if (rec.distanceKm <= range) adsbInsertAircraftSorted(rec);
  }
  s.valid = true;
  s.error = s.aircraftCount == 0 ? String("No ADSB aircraft in range") : String("");
  s.lastSuccessMillis = millis();
  for (int i = 0; i < s.aircraftCount; ++i) {
    WatchSight sight;
    sight.source = WATCH_SIGHT_ADSB;
    sight.callsign = s.aircraft[i].flight;
    sight.hex = s.aircraft[i].hex;
    noteWatchSight(sight);
  }
  return true;
}

bool parseAdsbAircraftResponse(const String& payload) { return desktopParseAdsbAircraftResponseRaw(payload); }

// ---------------------------------------------------------------- poll

namespace {

// The aircraft answer last applied: the same bytes again change nothing drawn.
AppliedAnswer lastAdsbAnswer;

void applyAdsbAnswer(const FetchAnswer& answer, uint32_t startedAt) {
  AdsbState& s = adsbState;
  s.lastHttpCode = answer.code;
  const uint32_t elapsedMs = millis() - startedAt;
  s.fetchInProgress = false;
  const bool unchanged = answerUnchanged(lastAdsbAnswer, answer) && s.valid;
  if (unchanged) {
    s.error = s.aircraftCount == 0 ? String("No ADSB aircraft in range") : String("");
    s.lastSuccessMillis = millis();
  }
  if (answer.ok) {
    const bool ok = unchanged || parseAdsbAircraftResponse(answer.payload);
    if (!ok) forgetAppliedAnswer(lastAdsbAnswer);
    noteApiFetchResult(ok, answer.code, elapsedMs);
    if (ok) {
      setFooterText(String("ADSB: ") + String(s.aircraftCount) + " aircraft in range", true);
    } else {
      setFooterText(s.error.isEmpty() ? String("ADSB parse failed") : s.error, false);
    }
  } else {
    s.error = answer.code == HTTP_FETCH_NETWORK_BUSY ? String("Network busy")
                                                     : String("ADSB HTTP ") + String(answer.code);
    noteApiFetchResult(false, answer.code, elapsedMs);
    setFooterText(s.error, false);
  }
  if (!unchanged) requestRedraw();
}

}  // namespace

// Returns true when the request started (whether it brings data is only
// known when its answer arrives), or the old data when none was due.
bool fetchAdsbData(bool force) {
  AdsbState& s = adsbState;
  if (!adsbFeatureEnabled() || !wifiStationConnected()) return false;
  if (s.fetchInProgress || fetchChannelBusy(FETCH_CHANNEL_ADSB)) return false;
  const uint32_t now = millis();
  if (!force && s.lastAttemptMillis != 0 && !intervalElapsed(now, s.lastAttemptMillis, adsbPollIntervalMs()))
    return s.valid;
  const String url = adsbAircraftUrl();
  if (url.isEmpty()) return false;
  s.fetchInProgress = true;
  s.lastAttemptMillis = now == 0 ? 1 : now;  // 0 means never
  s.error = "";
  if (!startFetch(FETCH_CHANNEL_ADSB, url, ADSB_ACCEPT, "",
                  [now](const FetchAnswer& answer) { applyAdsbAnswer(answer, now); })) {
    FetchAnswer refused;
    refused.code = HTTP_FETCH_NOT_STARTED;
    applyAdsbAnswer(refused, now);
    return false;
  }
  return true;
}

bool pollAdsbWatch() { return fetchAdsbData(false); }

uint32_t adsbPollIntervalMs() {
  return max(ADSB_POLL_INTERVAL_MIN_MS, (uint32_t)cfg.adsbRefreshSeconds * 1000u);
}

uint32_t adsbScreensaverPollIntervalMs() {
  return max(ADSB_SCREENSAVER_POLL_INTERVAL_MIN_MS, (uint32_t)cfg.adsbRefreshSeconds * 1000u);
}

void adsbSourceSelected(Page page) {
  (void)page;
  if (adsbFeatureEnabled()) fetchAdsbData(true);
}

void adsbConfigFinalized() {
  if (!adsbFeatureEnabled()) {
    clearAdsbData();
    return;
  }
  adsbState.fetchInProgress = false;  // answers of earlier requests are dropped
}

// HamQSL watch source: the solar XML readers, the fetch and its cadence.
#include "watch/hamqsl/hamqsl.h"

#include <ctype.h>
#include <string.h>

#include <string>

#include "core/backend.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/http_fetch.h"
#include "network/wifi.h"

HamqslState hamqslState;

namespace {

const uint32_t HAMQSL_REFRESH_INTERVAL_MIN_MS = 3600000;  // 1 h
const char* const HAMQSL_ACCEPT = "application/xml, text/xml, text/plain;q=0.9, */*;q=0.5";
const char* const HAMQSL_HF_BAND_NAMES[HAMQSL_HF_BAND_COUNT] = {"80m-40m", "30m-20m", "17m-15m", "12m-10m"};

String decodedTrimmed(const std::string& raw) {
  String t = htmlDecodeBasic(String(raw));
  t.trim();
  return t;
}

bool endsTagName(char c) { return c == '>' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Index of the next "<name" whose name ends there (">" or a blank follows),
// at or after from; npos when none.
size_t findOpenTag(const std::string& src, const std::string& name, size_t from) {
  const std::string open = "<" + name;
  size_t at = from;
  while ((at = src.find(open, at)) != std::string::npos) {
    const size_t next = at + open.size();
    if (next < src.size() && endsTagName(src[next])) return at;
    at = next;
  }
  return std::string::npos;
}

// One element: its open tag text and its content, the search resuming
// after its closing tag. False when no complete element follows.
bool nextElement(const std::string& src, const std::string& name, size_t& from, std::string& openTag,
                 std::string& content) {
  const size_t at = findOpenTag(src, name, from);
  if (at == std::string::npos) return false;
  const size_t gt = src.find('>', at);
  if (gt == std::string::npos) return false;
  const std::string close = "</" + name + ">";
  const size_t end = src.find(close, gt + 1);
  if (end == std::string::npos) return false;
  openTag = src.substr(at, gt + 1 - at);
  content = src.substr(gt + 1, end - gt - 1);
  from = end + close.size();
  return true;
}

String tagText(const String& xml, const char* tag) { return hamqslXmlTagValue(xml, tag); }

void readIndices(const String& xml, HamqslState& s) {
  s.updated = tagText(xml, "updated");
  s.solarFlux = tagText(xml, "solarflux");
  s.aIndex = tagText(xml, "aindex");
  const String kNt = tagText(xml, "kindexnt");
  s.kIndex = hamqslValueKnown(kNt) ? kNt : tagText(xml, "kindex");
  s.xray = tagText(xml, "xray");
  s.sunspots = tagText(xml, "sunspots");
  s.solarWind = tagText(xml, "solarwind");
  s.magneticField = tagText(xml, "magneticfield");
  s.geomagField = tagText(xml, "geomagfield");
  s.signalNoise = tagText(xml, "signalnoise");
  s.aurora = tagText(xml, "aurora");
  s.auroraLatitude = tagText(xml, "latdegree");
  s.muf = tagText(xml, "muf");
  s.fof2 = tagText(xml, "fof2");
}

void readBands(const String& xml, HamqslState& s) {
  for (const char* name : HAMQSL_HF_BAND_NAMES) {
    HamqslBandCondition band;
    band.name = name;
    hamqslBandConditionValue(xml, name, "day", band.day);
    hamqslBandConditionValue(xml, name, "night", band.night);
    if (!band.day.isEmpty() || !band.night.isEmpty()) s.hfBands[s.hfBandCount++] = band;
  }
}

void readPhenomena(const String& xml, HamqslState& s) {
  const std::string& src = xml.str();
  size_t from = 0;
  std::string openTag, content;
  while (s.vhfConditionCount < HAMQSL_VHF_CONDITION_MAX &&
         nextElement(src, "phenomenon", from, openTag, content)) {
    HamqslVhfCondition c;
    c.name = hamqslFriendlyVhfName(hamqslXmlAttrValue(String(openTag), "name"));
    c.location = hamqslXmlAttrValue(String(openTag), "location");
    c.condition = decodedTrimmed(content);
    if (!c.name.isEmpty() || !c.condition.isEmpty()) s.vhfConditions[s.vhfConditionCount++] = c;
  }
}

}  // namespace

void clearHamqslData() { hamqslState = HamqslState(); }

String hamqslRequestUrl() {
  if (!hamqslConfigured()) return String("");
  String url = cfg.hamqslUrl;
  url.trim();
  return url.isEmpty() ? String(HAMQSL_SOLAR_XML_URL_DEFAULT) : url;
}

String hamqslLastUpdatedText() { return watchFetchLastUpdatedText(hamqslState); }

String hamqslXmlTagValue(const String& xml, const char* tag, int from, int* endOut) {
  const std::string& src = xml.str();
  size_t start = from < 0 ? 0 : (size_t)from;
  std::string openTag, content;
  if (!nextElement(src, tag, start, openTag, content)) return String("");
  if (endOut != nullptr) *endOut = (int)start;
  return decodedTrimmed(content);
}

String hamqslXmlAttrValue(const String& openTag, const char* attr) {
  const std::string& src = openTag.str();
  const size_t at = src.find(std::string(attr) + "=");
  if (at == std::string::npos) return String("");
  const size_t q = at + strlen(attr) + 1;
  if (q >= src.size() || (src[q] != '"' && src[q] != '\'')) return String("");
  const size_t end = src.find(src[q], q + 1);
  if (end == std::string::npos) return String("");
  return decodedTrimmed(src.substr(q + 1, end - q - 1));
}

bool hamqslBandConditionValue(const String& xml, const char* bandName, const char* dayNight, String& out) {
  const std::string& src = xml.str();
  size_t from = 0;
  std::string openTag, content;
  while (nextElement(src, "band", from, openTag, content)) {
    const String tag(openTag);
    if (hamqslXmlAttrValue(tag, "name") == bandName && hamqslXmlAttrValue(tag, "time") == dayNight) {
      out = decodedTrimmed(content);
      return true;
    }
  }
  return false;
}

String hamqslFriendlyVhfName(const String& name) {
  String n = name;
  n.trim();
  if (n == "vhf-aurora") return String("VHF Aurora");
  if (n == "2m-Es") return String("2m Es");
  if (n == "4m-Es") return String("4m Es");
  return n;
}

bool hamqslValueKnown(const String& value) {
  for (unsigned int i = 0; i < value.length(); ++i) {
    if (isdigit((unsigned char)value[i])) return true;
  }
  return false;
}

bool parseHamqslXml(const String& payload) {
  if (payload.indexOf("<solar") < 0 || payload.indexOf("<solardata") < 0) return false;
  HamqslState parsed;
  readIndices(payload, parsed);
  readBands(payload, parsed);
  readPhenomena(payload, parsed);
  const bool valid = !parsed.solarFlux.isEmpty() || !parsed.sunspots.isEmpty() || !parsed.aIndex.isEmpty() ||
                     !parsed.kIndex.isEmpty() || parsed.hfBandCount > 0;
  if (!valid) return false;
  const WatchFetchStatus bookkeeping = hamqslState;
  hamqslState = parsed;
  static_cast<WatchFetchStatus&>(hamqslState) = bookkeeping;
  return true;
}

// ---------------------------------------------------------------- fetch

namespace {

// The solar document last applied: the same bytes again change nothing drawn.
AppliedAnswer lastHamqslAnswer;

// Only the HamQSL pages show the solar data and the fetch state.
void redrawHamqslPageIfShown() {
  if (isCurrentWatch(WATCH_HAMQSL) && (currentPage == PAGE_LIVE || currentPage == PAGE_LAST)) requestRedraw();
}

void applyHamqslAnswer(const FetchAnswer& answer, uint32_t attemptAt) {
  HamqslState& s = hamqslState;
  s.lastHttpCode = answer.code;
  const bool unchanged = answerUnchanged(lastHamqslAnswer, answer) && s.valid;
  const bool ok = unchanged || (answer.ok && parseHamqslXml(answer.payload));
  if (answer.ok && !ok) forgetAppliedAnswer(lastHamqslAnswer);
  s.fetchInProgress = false;
  if (ok) {
    s.valid = true;
    s.lastAttemptMillis = attemptAt;
    s.lastSuccessMillis = millis();
    s.lastHttpCode = answer.code;
    s.error = "";
  } else if (answer.ok) {
    s.error = "HAMQSL XML parse failed";
  } else {
    s.error = answer.code == HTTP_FETCH_NETWORK_BUSY ? String("Network busy")
                                                     : String("HTTP ") + String(answer.code);
  }
  noteHamqslFetchResult(ok, answer.code);
  diagnosticsState.lastApiLatencyMs = millis() - attemptAt;
  if (unchanged) {
    redrawHamqslPageIfShown();
  } else {
    requestRedraw();
  }
}

}  // namespace

bool fetchHamqslData() {
  static bool unavailableTraced = false;
  if (!hamqslConfigured() || !wifiStationConnected()) {
    if (!unavailableTraced) {
      unavailableTraced = true;
      desktopTrace("[DESKTOP][HAMQSL] disabled/missing config or WiFi/network status is not connected.\n");
    }
    return false;
  }
  HamqslState& s = hamqslState;
  if (s.fetchInProgress) return false;
  const String url = hamqslRequestUrl();
  if (url.isEmpty()) return false;
  const uint32_t attemptAt = millis();
  s.fetchInProgress = true;
  s.lastAttemptMillis = attemptAt;
  if (!startFetch(FETCH_CHANNEL_HAMQSL, url, HAMQSL_ACCEPT, "",
                  [attemptAt](const FetchAnswer& answer) { applyHamqslAnswer(answer, attemptAt); })) {
    s.fetchInProgress = false;
    return false;
  }
  redrawHamqslPageIfShown();
  return true;
}

// ---------------------------------------------------------------- cadence

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
  if (!hamqslConfigured()) {
    clearHamqslData();
    return;
  }
  hamqslState.fetchInProgress = false;
}

void hamqslConfigApplied() { clearHamqslData(); }

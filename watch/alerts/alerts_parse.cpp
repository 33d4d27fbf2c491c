// Weather alerts: reading the answers of NINA, MeteoAlarm (EDR JSON and the
// legacy Atom feed) and NOAA, the coordinate filter of the EDR features and
// the XML element reader of the Atom feed.
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <initializer_list>
#include <string>

#include "core/config.h"
#include "core/data_json.h"
#include "core/markup.h"
#include "watch/alerts/alerts.h"

namespace {

const char* const SHOWN_SOURCE_NINA = "KATWARN/NINA";
const char* const SHOWN_SOURCE_NOAA = "NOAA";
const char* const SHOWN_SOURCE_EDR = "MeteoAlarm EDR";
const char* const SHOWN_SOURCE_ATOM = "MeteoAlarm";
const char* const ATOM_TITLE_FALLBACK = "MeteoAlarm warning";
const char* const UTF8_BOM = "\xEF\xBB\xBF";

// ---------------------------------------------------------------- JSON helpers

// True when the first non-blank character (after a byte-order mark) opens a
// JSON array or object: captive-portal pages and error texts are no alerts.
bool looksLikeJsonDocument(const String& payload) {
  int pos = payload.startsWith(UTF8_BOM) ? 3 : 0;
  pos = desktopDataJsonSkipWs(payload, pos);
  if (pos >= (int)payload.length()) return false;
  return payload[pos] == '[' || payload[pos] == '{';
}

// The first of the keys with a real value (key scanner, nested keys count).
String jsonFirst(const String& obj, std::initializer_list<const char*> keys) {
  return desktopDataJsonFirstValue(obj, keys.begin(), keys.size());
}

// The first EDR string field of the keys with a value.
String edrFirst(const String& obj, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    String v = desktopMeteoAlarmStringField(obj, key);
    if (!v.isEmpty()) return v;
  }
  return String();
}

// An object counts as an alert only when something of it was read.
bool holdsAlert(const AlertFields& f) {
  return !f.id.isEmpty() || !f.title.isEmpty() || !f.severity.isEmpty() || !f.detail.isEmpty();
}

bool showFields(const AlertFields& f) {
  showAlertToast(f.source, f.id, f.title, f.detail, f.severity);
  return true;
}

// The fields NINA and NOAA share; areaKeys name the "Area" keys in order.
void readCapLikeFields(const String& obj, std::initializer_list<const char*> areaKeys, AlertFields& out) {
  out.id = jsonFirst(obj, {"id"});
  out.title = jsonFirst(obj, {"headline", "event"});
  out.severity = jsonFirst(obj, {"severity"});
  String d = joinAlertField("", "Area", desktopDataJsonFirstValue(obj, areaKeys.begin(), areaKeys.size()));
  d = joinAlertField(d, "Event", jsonFirst(obj, {"event"}));
  d = joinAlertField(d, "Description", jsonFirst(obj, {"description"}));
  d = joinAlertField(d, "Instruction", jsonFirst(obj, {"instruction"}));
  d = joinAlertField(d, "Urgency", jsonFirst(obj, {"urgency"}));
  d = joinAlertField(d, "Certainty", jsonFirst(obj, {"certainty"}));
  d = joinAlertField(d, "Effective", jsonFirst(obj, {"effective", "onset"}));
  d = joinAlertField(d, "Expires", jsonFirst(obj, {"expires"}));
  out.detail = d;
}

// A trimmed coordinate setting as a number; false unless all of it is one.
bool parseCoordinateText(const String& text, double& out) {
  const char* s = text.c_str();
  char* end = nullptr;
  const double v = strtod(s, &end);
  if (end == s || *end != '\0' || !isfinite(v)) return false;
  out = v;
  return true;
}

// ---------------------------------------------------------------- XML helpers

bool isXmlNameEnd(char c) {
  return c == '>' || c == '/' || c == '<' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Position behind the comment, CDATA section or declaration that opens at
// lt ("<!"); npos when it does not end.
size_t skipXmlBang(const std::string& s, size_t lt) {
  if (s.compare(lt, 9, "<![CDATA[") == 0) {
    size_t e = s.find("]]>", lt + 9);
    return e == std::string::npos ? e : e + 3;
  }
  if (s.compare(lt, 4, "<!--") == 0) {
    size_t e = s.find("-->", lt + 4);
    return e == std::string::npos ? e : e + 3;
  }
  size_t e = s.find('>', lt + 2);
  return e == std::string::npos ? e : e + 1;
}

// True when the tag name's part after the last ":" is localName (any case).
bool localNameMatches(const std::string& s, size_t nameStart, size_t nameEnd, const char* localName,
                      size_t wantLen) {
  size_t localStart = nameStart;
  for (size_t k = nameStart; k < nameEnd; ++k) {
    if (s[k] == ':') localStart = k + 1;
  }
  return nameEnd - localStart == wantLen && strncasecmp(s.data() + localStart, localName, wantLen) == 0;
}

}  // namespace

// ---------------------------------------------------------------- coordinates

bool meteoalarmConfiguredCoordinates(double& lat, double& lon) {
  const String* const pairs[][2] = {{&cfg.weatherLat, &cfg.weatherLon},
                                    {&cfg.aprsCenterLat, &cfg.aprsCenterLon},
                                    {&cfg.adsbCenterLat, &cfg.adsbCenterLon}};
  for (const auto& pair : pairs) {
    const String latText = trimmedCopy(*pair[0]);
    const String lonText = trimmedCopy(*pair[1]);
    if (latText.isEmpty() || lonText.isEmpty()) continue;
    double a = 0, b = 0;
    if (!parseCoordinateText(latText, a) || !parseCoordinateText(lonText, b)) return false;
    if (a < -90.0 || a > 90.0 || b < -180.0 || b > 180.0) return false;
    lat = a;
    lon = b;
    return true;
  }
  return false;
}

bool meteoalarmPointInsideBbox(double lat, double lon, double minLon, double minLat, double maxLon,
                               double maxLat) {
  if (minLon > maxLon) {
    const double t = minLon;
    minLon = maxLon;
    maxLon = t;
  }
  if (minLat > maxLat) {
    const double t = minLat;
    minLat = maxLat;
    maxLat = t;
  }
  return lat >= minLat && lat <= maxLat && lon >= minLon && lon <= maxLon;
}

bool desktopParseFloatToken(const String& s, int& pos, double& out) {
  const char* c = s.c_str();
  const int n = (int)s.length();
  if (pos < 0) pos = 0;
  while (pos < n) {
    const char ch = c[pos];
    if ((ch >= '0' && ch <= '9') || ch == '-' || ch == '+') {
      char* end = nullptr;
      const double v = strtod(c + pos, &end);
      if (end == c + pos) {
        ++pos;
        continue;
      }
      pos = (int)(end - c);
      if (!isfinite(v)) return false;
      out = v;
      return true;
    }
    ++pos;
  }
  return false;
}

bool desktopMeteoAlarmBboxContainsConfiguredPoint(const String& feature) {
  if (!cfg.meteoalarmFilterByCoordinates) return true;
  double lat = 0, lon = 0;
  if (!meteoalarmConfiguredCoordinates(lat, lon)) return false;
  String bbox;
  if (!desktopDataJsonGetArray(feature, "bbox", bbox)) return false;
  double v[4];
  int pos = 0;
  for (double& value : v) {
    if (!desktopParseFloatToken(bbox, pos, value)) return false;
  }
  return meteoalarmPointInsideBbox(lat, lon, v[0], v[1], v[2], v[3]);
}

// ---------------------------------------------------------------- XML text

bool xmlFindElementRangeByLocalName(const String& xml, const char* localName, int from, int limit,
                                    int& contentStart, int& contentEnd) {
  const std::string& s = xml.str();
  const size_t n = s.size();
  const size_t wantLen = localName == nullptr ? 0 : strlen(localName);
  if (wantLen == 0) return false;
  const size_t end = (limit < 0 || (size_t)limit > n) ? n : (size_t)limit;
  size_t i = from < 0 ? 0 : (size_t)from;
  while (i < end) {
    const size_t lt = s.find('<', i);
    if (lt == std::string::npos || lt + 1 >= end) return false;
    const char next = s[lt + 1];
    if (next == '!') {
      i = skipXmlBang(s, lt);
      if (i == std::string::npos) return false;
      continue;
    }
    if (next == '/' || next == '?') {
      i = lt + 1;
      continue;
    }
    size_t nameEnd = lt + 1;
    while (nameEnd < n && !isXmlNameEnd(s[nameEnd])) ++nameEnd;
    if (nameEnd == lt + 1 || !localNameMatches(s, lt + 1, nameEnd, localName, wantLen)) {
      i = nameEnd;
      continue;
    }
    const size_t gt = s.find('>', nameEnd);
    if (gt == std::string::npos || gt >= end) return false;
    if (s[gt - 1] == '/') {  // <name/> holds nothing
      contentStart = contentEnd = (int)gt + 1;
      return true;
    }
    const std::string closing = "</" + s.substr(lt + 1, nameEnd - lt - 1) + ">";
    const size_t close = s.find(closing, gt + 1);
    if (close == std::string::npos || close + closing.size() > end) return false;
    contentStart = (int)gt + 1;
    contentEnd = (int)close;
    return true;
  }
  return false;
}

String xmlCleanExtractedText(const String& value) {
  String t = value;
  t.replace("<![CDATA[", "");
  t.replace("]]>", "");
  t = stripDecodedTextTags(xmlDecodeBasicEntities(t));
  t.replace('\r', ' ');
  t.replace('\n', ' ');
  t.replace('\t', ' ');
  while (t.indexOf("  ") >= 0) t.replace("  ", " ");
  t.trim();
  return t;
}

String xmlExtractFirstTextByLocalName(const String& xml, const char* localName, int from, int limit) {
  int start = 0, end = 0;
  if (!xmlFindElementRangeByLocalName(xml, localName, from, limit, start, end)) return String();
  return xmlCleanExtractedText(xml.substring(start, end));
}

String xmlExtractFirstNonEmptyByLocalNames(const String& xml, int from, int limit, const char* const* names,
                                           size_t count) {
  for (size_t i = 0; i < count; ++i) {
    String text = xmlExtractFirstTextByLocalName(xml, names[i], from, limit);
    if (!text.isEmpty()) return text;
  }
  return String();
}

// ---------------------------------------------------------------- answers

bool desktopParseNinaAlertRaw(const String& payload, AlertFields& out) {
  if (!looksLikeJsonDocument(payload)) return false;
  int pos = 0;
  String obj;
  if (!desktopDataJsonNextObject(payload, pos, obj)) return false;
  out = AlertFields();
  out.source = SHOWN_SOURCE_NINA;
  readCapLikeFields(obj, {"areaDesc", "area"}, out);
  return holdsAlert(out);
}

bool desktopParseNoaaAlertRaw(const String& payload, AlertFields& out) {
  if (!looksLikeJsonDocument(payload)) return false;
  String features;
  if (!desktopDataJsonGetArray(payload, "features", features)) return false;
  int pos = 0;
  String obj;
  if (!desktopDataJsonNextObject(features, pos, obj)) return false;
  out = AlertFields();
  out.source = SHOWN_SOURCE_NOAA;
  readCapLikeFields(obj, {"areaDesc"}, out);
  out.detail = joinAlertField(out.detail, "Sender", jsonFirst(obj, {"senderName"}));
  return holdsAlert(out);
}

String desktopMeteoAlarmStringField(const String& obj, const char* key) {
  const int pos = desktopDataJsonFindValue(obj, key, 0);
  if (pos < 0 || pos >= (int)obj.length()) return String();
  String value;
  if (obj[pos] == '{') {
    String inner;
    if (!desktopDataJsonExtractContainerAt(obj, pos, '{', '}', inner)) return String();
    return jsonFirst(inner, {"de", "de-DE", "en", "en-GB", "name", "text", "value", "areaDesc"});
  }
  if (!desktopDataJsonReadValueAt(obj, pos, value)) return String();
  value.trim();
  if (value == "null") return String();
  return value;
}

bool desktopParseMeteoAlarmEdrRaw(const String& payload, AlertFields& out) {
  if (!looksLikeJsonDocument(payload)) return false;
  String list;
  if (!desktopDataJsonGetArray(payload, "features", list)) list = payload;
  int pos = 0;
  String obj;
  while (desktopDataJsonNextObject(list, pos, obj)) {
    if (!desktopMeteoAlarmBboxContainsConfiguredPoint(obj)) continue;
    AlertFields f;
    f.source = SHOWN_SOURCE_EDR;
    f.id = edrFirst(obj, {"id", "identifier"});
    f.title = edrFirst(obj, {"headline", "title", "event", "awareness_type"});
    f.severity = edrFirst(obj, {"severity", "awareness_level", "urgency"});
    String d = joinAlertField("", "Area", edrFirst(obj, {"area", "areaDesc"}));
    d = joinAlertField(d, "Description", edrFirst(obj, {"description"}));
    d = joinAlertField(d, "Instruction", edrFirst(obj, {"instruction"}));
    d = joinAlertField(d, "Onset", edrFirst(obj, {"onset"}));
    d = joinAlertField(d, "Expires", edrFirst(obj, {"expires"}));
    f.detail = d;
    if (!holdsAlert(f)) continue;
    out = f;
    return true;
  }
  return false;
}

namespace {

// Text of the first of the names inside the entry [from, limit).
String atomFirst(const String& xml, int from, int limit, std::initializer_list<const char*> names) {
  return xmlExtractFirstNonEmptyByLocalNames(xml, from, limit, names.begin(), names.size());
}

String atomDetailLines(const String& xml, int from, int limit) {
  String d = joinAlertField("", "Area", atomFirst(xml, from, limit, {"areaDesc"}));
  d = joinAlertField(d, "Event", atomFirst(xml, from, limit, {"event"}));
  d = joinAlertField(d, "Description", atomFirst(xml, from, limit, {"description"}));
  d = joinAlertField(d, "Instruction", atomFirst(xml, from, limit, {"instruction"}));
  d = joinAlertField(d, "Urgency", atomFirst(xml, from, limit, {"urgency"}));
  d = joinAlertField(d, "Certainty", atomFirst(xml, from, limit, {"certainty"}));
  d = joinAlertField(d, "Effective", atomFirst(xml, from, limit, {"effective", "onset"}));
  d = joinAlertField(d, "Expires", atomFirst(xml, from, limit, {"expires"}));
  d = joinAlertField(d, "Sender", atomFirst(xml, from, limit, {"senderName"}));
  d = joinAlertField(d, "Web", atomFirst(xml, from, limit, {"web"}));
  if (d.isEmpty()) d = atomFirst(xml, from, limit, {"summary", "content"});
  return d;
}

}  // namespace

bool desktopParseMeteoAlarmAtomRaw(const String& payload, AlertFields& out) {
  int from = 0, limit = 0;
  if (!xmlFindElementRangeByLocalName(payload, "entry", 0, -1, from, limit)) return false;
  AlertFields f;
  f.source = SHOWN_SOURCE_ATOM;
  f.id = atomFirst(payload, from, limit, {"identifier", "id"});
  f.title = atomFirst(payload, from, limit, {"headline", "event", "title", "summary"});
  f.severity = atomFirst(payload, from, limit, {"severity", "awareness_level", "urgency", "certainty"});
  f.detail = atomDetailLines(payload, from, limit);
  if (!holdsAlert(f)) return false;
  if (f.title.isEmpty() || f.title == f.severity) {
    String better = atomFirst(payload, from, limit, {"event", "headline"});
    if (better.isEmpty()) better = f.title;
    if (better.isEmpty()) better = ATOM_TITLE_FALLBACK;
    f.title = better;
  }
  out = f;
  return true;
}

bool parseNinaAlertResponse(const String& payload) {
  AlertFields f;
  return desktopParseNinaAlertRaw(payload, f) && showFields(f);
}

bool parseNoaaAlertResponse(const String& payload) {
  AlertFields f;
  return desktopParseNoaaAlertRaw(payload, f) && showFields(f);
}

bool parseMeteoAlarmEdrResponse(const String& payload) {
  AlertFields f;
  return desktopParseMeteoAlarmEdrRaw(payload, f) && showFields(f);
}

bool parseMeteoAlarmAtomResponse(const String& payload) {
  AlertFields f;
  return desktopParseMeteoAlarmAtomRaw(payload, f) && showFields(f);
}

// Entry points shared by the weather-alert libFuzzer targets and their corpus
// replay test: the XML reader of the Atom feed and the JSON readers of NINA,
// MeteoAlarm EDR and NOAA on arbitrary bytes, with the invariants that must
// hold whatever came in.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <math.h>

#include "core/config.h"
#include "core/markup.h"
#include "host/wstring.h"
#include "watch/alerts/alerts.h"

// A parsed alert names its source and holds something to show.
inline void checkAlertFields(const AlertFields& f, const char* source) {
  if (f.source != source) abort();
  if (f.id.isEmpty() && f.title.isEmpty() && f.severity.isEmpty() && f.detail.isEmpty()) abort();
}

// After showing an alert the toast is held and has its identity and title.
inline void checkToastAfterShow() {
  if (!alertToastState.valid || alertToastState.id.isEmpty() || alertToastState.title.isEmpty()) abort();
  if (alertToastState.lastShownId.isEmpty()) abort();
}

// Cleaned element text: one line, no double blanks, trimmed, never longer.
inline void checkCleanText(const String& raw, const String& clean) {
  if (clean.length() > raw.length()) abort();
  if (clean.indexOf('\n') >= 0 || clean.indexOf('\r') >= 0 || clean.indexOf('\t') >= 0) abort();
  if (clean.indexOf("  ") >= 0) abort();
  if (!clean.isEmpty() && (clean[0] == ' ' || clean[clean.length() - 1] == ' ')) abort();
}

// Input: any bytes, read as a MeteoAlarm Atom feed.
inline void fuzzAlertXmlInput(const uint8_t* data, size_t size) {
  const String xml = size == 0 ? String() : String((const char*)data, size);
  static const char* const NAMES[] = {"entry", "title", "cap:event", "identifier", "x"};
  for (const char* name : NAMES) {
    int from = 0;
    for (int guard = 0; guard < 64; ++guard) {
      int start = -1, end = -1;
      if (!xmlFindElementRangeByLocalName(xml, name, from, -1, start, end)) break;
      if (start < 1 || start > end || end > (int)size || xml[start - 1] != '>') abort();
      if (start <= from) abort();  // every next element lies further on
      if (start < end && (xml[end] != '<' || xml[end + 1] != '/')) abort();  // content ends at its end tag
      from = start;
    }
  }
  const String decoded = xmlDecodeBasicEntities(xml);
  if (decoded.length() > xml.length()) abort();
  const String stripped = stripDecodedTextTags(xml);
  if (stripped.length() > xml.length()) abort();
  if (xml.indexOf('<') < 0 && stripped != xml) abort();
  checkCleanText(xml, xmlCleanExtractedText(xml));
  checkCleanText(xml, xmlExtractFirstTextByLocalName(xml, "title", 0, -1));
  static const char* const ORDER[] = {"headline", "event", "title", "summary"};
  checkCleanText(xml, xmlExtractFirstNonEmptyByLocalNames(xml, 0, (int)(size / 2), ORDER, 4));

  AlertFields f;
  if (desktopParseMeteoAlarmAtomRaw(xml, f)) {
    checkAlertFields(f, "MeteoAlarm");
    if (f.title.isEmpty()) abort();  // the entry always gets a title
    if (!parseMeteoAlarmAtomResponse(xml)) abort();
    checkToastAfterShow();
  } else if (parseMeteoAlarmAtomResponse(xml)) {
    abort();
  }
}

// Input: a settings byte (coordinate filter, which coordinates), then a
// payload read by the three JSON parsers and the number tokens.
inline void fuzzAlertJsonInput(const uint8_t* data, size_t size) {
  const uint8_t settings = size > 0 ? data[0] : 0;
  const String payload = size > 1 ? String((const char*)data + 1, size - 1) : String();
  cfg.meteoalarmFilterByCoordinates = (settings & 1) != 0;
  cfg.weatherLat = (settings & 2) ? "48.14" : "";
  cfg.weatherLon = (settings & 2) ? "11.58" : "";
  cfg.aprsCenterLat = (settings & 4) ? "-91" : "10";
  cfg.aprsCenterLon = "10";

  AlertFields f;
  if (desktopParseNinaAlertRaw(payload, f)) {
    checkAlertFields(f, "KATWARN/NINA");
    if (!parseNinaAlertResponse(payload)) abort();
    checkToastAfterShow();
  }
  if (desktopParseNoaaAlertRaw(payload, f)) {
    checkAlertFields(f, "NOAA");
    if (!parseNoaaAlertResponse(payload)) abort();
    checkToastAfterShow();
  }
  if (desktopParseMeteoAlarmEdrRaw(payload, f)) {
    checkAlertFields(f, "MeteoAlarm EDR");
    if (!parseMeteoAlarmEdrResponse(payload)) abort();
  }
  (void)desktopMeteoAlarmStringField(payload, "headline");
  (void)desktopMeteoAlarmBboxContainsConfiguredPoint(payload);

  int pos = 0;
  double v = 0;
  for (int n = 0; n < 10000; ++n) {
    const int before = pos;
    if (!desktopParseFloatToken(payload, pos, v)) break;
    if (pos <= before || pos > (int)payload.length() || !isfinite(v)) abort();
  }
  const String joined = joinAlertField("x", "Label", payload);
  if (joined.length() > payload.length() + 9) abort();
}

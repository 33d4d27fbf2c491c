// Weather alerts: NINA (with KATWARN content), MeteoAlarm (EDR locations
// API or the legacy Atom feed) and NOAA warnings, checked on a slow cadence
// in a fixed order and shown as a popup over every page.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>

#include "core/fetch_status.h"
#include "host/wstring.h"

// Every pass of the main cycle: hides an expired alert popup and polls the
// alert sources when due.
void pollAlertDataIfDue();
// Configuration finalised: alerts of disabled sources are dropped.
void alertsConfigFinalized();
// The time left (leftMs) until a shown alert popup hides itself; false when
// no popup with a deadline is shown.
bool alertPopupTimeLeftMs(uint32_t now, uint32_t& leftMs);

// A check runs at most once per this interval (or the configured minutes
// when longer).
static const uint32_t ALERT_CHECK_INTERVAL_MIN_MS = 3600000;  // 1 h
// The cadence test of pollAlertDataIfDue.
static const uint32_t ALERT_POLL_CHECK_INTERVAL_MS = 1000;
// Desktop switch for tests and demonstrations against local services: a
// check every this many milliseconds (at least ALERT_CHECK_OVERRIDE_MIN_MS)
// instead of the hourly cadence.
static const char* const ALERT_CHECK_OVERRIDE_ENV = "QSODECK_DESKTOP_ALERT_CHECK_MS";
static const uint32_t ALERT_CHECK_OVERRIDE_MIN_MS = 1000;

// The alert toast: the held alert, the popup's visibility and the check's
// fetch status.
struct AlertToastState : WatchFetchStatus {
  bool visible = false;             // the popup is shown
  String source;                    // "KATWARN/NINA", "NOAA", "MeteoAlarm" or "MeteoAlarm EDR"
  String id;                        // identity of the held alert
  String lastShownId;               // identity of the last alert popped up (kept for the run)
  String title;                     // headline
  String detail;                    // "Label: value" lines separated by line feeds
  String severity;                  // severity word as received
  uint32_t visibleUntilMillis = 0;  // popup deadline; 0 = until closed
};

extern AlertToastState alertToastState;
// millis() of the last cadence test.
extern uint32_t lastAlertPollCheck;
// Scroll state of the popup's body: first line shown, the last first line
// possible and the lines of one page (set when the popup is drawn).
extern int alertPopupScrollLines;
extern int alertPopupMaxScrollLines;
extern int alertPopupPageStepLines;

// One alert as a parser found it.
struct AlertFields {
  String source;
  String id;
  String title;
  String detail;
  String severity;
};

// ---------------------------------------------------------------- the toast

// True while the popup is shown and its deadline (if any) lies ahead.
bool alertToastVisible();
// Closes the popup and drops the held alert; lastShownId stays, so the same
// alert does not pop up again at the next check.
void clearAlertToast();
// Holds the alert and, when its id differs from the last one popped up,
// opens the popup, logs "[WARN][ALERT] source: title" and wakes the screen.
// An empty title becomes "Civil alert", an empty id title + "|" + source.
void showAlertToast(const String& source, const String& id, const String& title, const String& detail,
                    const String& severity);
// base with "label: value" appended on a line of its own; a value that is
// empty or "null" (trimmed) adds nothing.
String joinAlertField(const String& base, const String& label, const String& value);

// ---------------------------------------------------------------- request URLs

// The configured base URLs, trimmed, or their defaults when empty.
String configuredNinaDashboardBaseUrl();
String configuredNoaaAlertsBaseUrl();
String configuredMeteoAlarmAtomBaseUrl();
String configuredMeteoAlarmEdrBaseUrl();
// The request URLs of the four sources; the EDR URL is empty without a token.
String ninaDashboardAlertUrl();
String noaaAlertsUrl();
String meteoalarmAtomFeedUrl();
String meteoalarmEdrLocationUrl();
// Two-letter MeteoAlarm country code of a country name ("austria" -> "AT");
// a two-character value is taken as the code; anything else is "DE".
String meteoalarmCountrySlugToCode(const String& value);
// The EDR country code: the configured code, else the code of the feed.
String meteoalarmCountryCodeForRequest();
// The Atom feed name of a feed setting ("AUT" -> "austria", "new land" ->
// "new-land").
String meteoalarmAtomFeedSlugForRequest(const String& feed);
// url with the query appended after "?" or "&" (leading "?" and "&" of the
// query dropped); unchanged for an empty query.
String appendRawQueryToUrl(const String& url, const String& query);
// url with key=value appended, both URL-encoded; unchanged for an empty key.
String appendEncodedQueryParam(const String& url, const String& key, const String& value);

// ---------------------------------------------------------------- coordinates

// The first complete coordinate pair among the weather, APRS centre and
// ADS-B centre settings; false when none is complete or it is no valid
// latitude/longitude.
bool meteoalarmConfiguredCoordinates(double& lat, double& lon);
// True when the point lies inside the box (edges included; reversed bounds
// are swapped).
bool meteoalarmPointInsideBbox(double lat, double lon, double minLon, double minLat, double maxLon,
                               double maxLat);
// The next number in s at or after pos (skipping to a digit, "-" or "+");
// pos moves behind it. False when no finite number is left.
bool desktopParseFloatToken(const String& s, int& pos, double& out);
// True when coordinate filtering is off, or the feature's "bbox" holds the
// configured point.
bool desktopMeteoAlarmBboxContainsConfiguredPoint(const String& feature);

// ---------------------------------------------------------------- XML text

// Finds the first element at or after from whose local name (namespace
// prefix dropped) is localName in any case, with its end tag before limit
// (-1: the end of the text); its content lies in [contentStart, contentEnd).
// End tags, processing instructions, comments, CDATA sections and
// declarations are skipped; a self-closing element has empty content.
bool xmlFindElementRangeByLocalName(const String& xml, const char* localName, int from, int limit,
                                    int& contentStart, int& contentEnd);
// Element text made readable: CDATA marks removed, entities decoded, tags
// stripped, line breaks and tabs as single spaces, trimmed.
String xmlCleanExtractedText(const String& value);
// The cleaned text of the first such element; empty when there is none.
String xmlExtractFirstTextByLocalName(const String& xml, const char* localName, int from, int limit);
// The first non-empty text among the first elements of the names, in order.
String xmlExtractFirstNonEmptyByLocalNames(const String& xml, int from, int limit, const char* const* names,
                                           size_t count);

// ---------------------------------------------------------------- answers

// The parsers: true and the alert's fields when the answer holds an alert.
// An answer that is no JSON (first non-blank character neither "[" nor "{")
// or whose object yields no id, title, severity or detail is no alert.
bool desktopParseNinaAlertRaw(const String& payload, AlertFields& out);
bool desktopParseNoaaAlertRaw(const String& payload, AlertFields& out);
// The first feature that covers the configured point (when filtering).
bool desktopParseMeteoAlarmEdrRaw(const String& payload, AlertFields& out);
bool desktopParseMeteoAlarmAtomRaw(const String& payload, AlertFields& out);
// The same, showing the alert found; true when there was one.
bool parseNinaAlertResponse(const String& payload);
bool parseNoaaAlertResponse(const String& payload);
bool parseMeteoAlarmEdrResponse(const String& payload);
bool parseMeteoAlarmAtomResponse(const String& payload);
// The trimmed string of key in an EDR object; for an object value its first
// present language or text member ("de", "de-DE", "en", "en-GB", "name",
// "text", "value", "areaDesc").
String desktopMeteoAlarmStringField(const String& obj, const char* key);

// ---------------------------------------------------------------- checks

// How one source's request ended: an alert was shown, or the source could
// not be asked (transport failure or an HTTP error status).
struct AlertSourceOutcome {
  bool found = false;
  bool failed = false;
};
typedef std::function<void(const AlertSourceOutcome&)> AlertSourceDone;

// Asks one source ("KATWARN/NINA", "METEOALARM", "METEOALARM_EDR" or
// "NOAA"); done runs on the main thread with the outcome once the answer
// arrived. True when the request was started (done never runs otherwise).
bool fetchOneAlertSource(const String& source, const String& url, AlertSourceDone done);
// The interval between two checks: the configured minutes, at least an hour
// (or the desktop switch ALERT_CHECK_OVERRIDE_ENV).
uint32_t alertCheckIntervalMs();
// Starts a check of the sources in their fixed order (NINA, MeteoAlarm,
// NOAA; each next one asked when the previous found nothing). True when a
// check was started; without force a check made less than an interval ago
// starts nothing and gives whether an alert is held. False when no source
// is usable, the station is offline or a check is running.
bool fetchAlertData(bool force);

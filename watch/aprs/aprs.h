#pragma once

// APRS watch source: the last reported position of the station being heard
// (the LIVE callsign) from an APRS position API, and from the same answer
// the stations heard nearby within a radius of an area centre. The source
// keeps to the API's rate limits: at least five minutes between requests,
// a retry back-off from 5 to 120 minutes after failures and a one-hour
// pause after a rate-limit answer.

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "host/wstring.h"

static const int APRS_NEARBY_MAX = 12;
static const uint32_t APRS_MIN_REQUEST_GAP_MS = 300000;      // 5 min
static const uint32_t APRS_MIN_RETRY_MS = 300000;            // 5 min
static const uint32_t APRS_MAX_RETRY_MS = 7200000;           // 120 min
static const uint32_t APRS_RATE_LIMIT_BACKOFF_MS = 3600000;  // 60 min
static const uint8_t APRS_CONSECUTIVE_FAILURES_MAX = 250;
// Callsigns of the active heard list that join a batch.
static const int APRS_BATCH_HEARD_MAX = 20;
// Before its first request the source waits this long for the hotspot to
// name a caller before it asks for the device callsign instead.
static const uint32_t APRS_FIRST_CALLER_WAIT_MS = 20000;
// Earth radius of the distance formula.
static const float APRS_EARTH_RADIUS_KM = 6371.0f;

// One station of an answer.
struct AprsNearbyRecord {
  bool valid = false;  // a station with valid coordinates
  String callsign;     // normalised
  String symbol;       // table and code characters
  float lat = 0, lng = 0;
  bool speedValid = false;
  float speedKmh = 0;
  bool courseValid = false;
  int courseDeg = 0;
  bool altitudeValid = false;
  float altitudeM = 0;
  String comment, status, path;
  String lastSeenText;   // formatted last-report time
  float distanceKm = 0;  // from the area centre
};

// The APRS record: the primary station (the one asked for) and the stations
// nearby, sorted by distance.
struct AprsState : WatchFetchStatus {
  String callsign;        // the primary station of the last answer
  String sourceCallsign;  // the callsign that was asked for
  String dstCallsign;
  String symbol;
  float lat = 0, lng = 0;
  bool speedValid = false;
  float speedKmh = 0;
  bool courseValid = false;
  int courseDeg = 0;
  bool altitudeValid = false;
  float altitudeM = 0;
  String comment, path, status, lastSeenText;
  String failCode;  // the API's "code" of the last answer
  uint8_t consecutiveFailures = 0;
  uint32_t nextAllowedAttemptMillis = 0;  // 0 = no back-off
  uint32_t firstPollMillis = 0;           // first poll without a caller; 0 = none yet
  AprsNearbyRecord nearby[APRS_NEARBY_MAX];
  int nearbyCount = 0;
  bool nearbyValid = false;
  String nearbyError;
};

extern AprsState aprsState;
// The APRS station info popup is shown.
extern bool aprsCommentPopupOpen;
// The popup's station (-1: the primary station) and its scroll state.
inline int selectedAprsNearbyIndex = -1;
inline int aprsInfoPopupScrollLines = 0;
inline int aprsInfoPopupMaxScrollLines = 0;
inline int aprsInfoPopupPageStepLines = 1;

// Largest magnitude of a number taken from an answer; anything beyond (and
// "nan", "inf") counts as absent, so integer conversions cannot overflow.
static const double APRS_NUMBER_ABS_MAX = 1.0e7;
// The trimmed text as a finite number within APRS_NUMBER_ABS_MAX (the whole
// text a number); false, out untouched, for anything else.
bool aprsParseFiniteNumber(const String& raw, double& out);

// ---------------------------------------------------------------- callsigns and URL

// The callsign to look up: the LIVE callsign, else the newest of the heard
// list, else the device callsign (all normalised).
String aprsLookupCallsign();
// True when an item of the comma-separated list equals call after
// normalisation (an empty call counts as present).
bool aprsCsvContainsCallsign(const String& csv, const String& call);
// Appends the normalised callsign unless it is empty, holds a comma or is
// already listed.
void aprsAppendBatchCallsign(String& csv, const String& rawCall);
// The batch of one request: the lookup callsign, the first 20 callsigns of
// the active heard list and the device callsign, distinct, comma-separated.
String aprsBuildBatchCallsigns();
// The API origin (cfg.aprsApiBaseUrl without trailing slashes).
String aprsApiBase();
// The request URL for a batch of callsigns: base + "/api/get?name=" + the
// batch + "&what=loc&apikey=" + key + "&format=json", both URL-encoded; the
// batch is taken as it is (its items are normalised already). Empty when
// the batch or the key is empty.
String aprsApiUrl(const String& batch);

// ---------------------------------------------------------------- geometry

// Trimmed text as a float; true when at least one character was used.
bool aprsParseCoordinate(const String& raw, float& out);
// Latitude and longitude in range and not both (almost) zero.
bool aprsLatLonValid(float lat, float lng);
// The area centre: the configured APRS centre, else the weather location,
// else the primary station; false when none is usable.
bool aprsConfiguredAreaCenter(float& lat, float& lng);
// "configured", "weather", "current" or "unset".
String aprsAreaCenterLabel();
// Great-circle distance (haversine, single precision) in km.
float aprsDistanceKm(float lat1, float lon1, float lat2, float lon2);
// Initial bearing from point 1 to point 2, 0 <= b < 360.
float aprsBearingDeg(float lat1, float lon1, float lat2, float lon2);
// "N", "NE", ... "NW" for a bearing.
String aprsCompassPoint(float deg);

// ---------------------------------------------------------------- nearby list

void aprsClearNearby();
// Inserts a valid station by ascending distance (equal distances keep their
// order); with the list full only a station nearer than the last gets in.
void aprsInsertNearbySorted(const AprsNearbyRecord& rec);

// ---------------------------------------------------------------- texts and back-off

// An epoch text as date and time (local time when dashboard times are
// converted, else UTC); anything that is not a plain number unchanged.
String aprsFormatEpoch(const String& epochText);
// Puts aprsState back to its defaults and closes the APRS comment alert.
void resetAprsState();
// Milliseconds until deadline; 0 for no deadline or one that has passed.
uint32_t aprsMillisUntil(uint32_t now, uint32_t deadline);
// "45s", "3 min", "2 h" (rounded up).
String aprsFormatWait(uint32_t ms);
// Retry delay after consecutiveFailures failures: 5 min doubling up to 120.
uint32_t aprsRetryDelayMs();
// Counts a failure and schedules the next attempt (one hour after a rate
// limit); error says why and when.
void aprsScheduleRetry(const String& failCode, const String& baseError);

// ---------------------------------------------------------------- answers

// One entry of the answer as a station; false without usable coordinates
// or callsign.
bool desktopAprsRecordFromRawObject(const String& entry, AprsNearbyRecord& rec);
// Rebuilds the nearby list from the entries array.
void desktopPopulateAprsNearbyFromEntries(const String& entries);
// Reads one answer for the lookup callsign: true when the primary station
// was found (aprsState updated); a failed answer leaves the data in place.
bool desktopParseAprsLocationResponseRaw(const String& payload, const String& sourceCallsign);
bool parseAprsLocationResponse(const String& payload, const String& sourceCallsign);

// ---------------------------------------------------------------- poll

// Starts a position request when one is due and allowed (force skips the
// refresh period, never the request gap or the back-off). True when a
// request was started or the shown data is still good for the lookup
// callsign; its answer is applied later, on the main thread.
bool fetchAprsData(bool force);
// Poll while APRS is the current source: the hotspot poll (whose caller the
// APRS lookup follows), then the APRS position lookup.
bool pollAprsWatch();
// Configuration applied at run time: the APRS record starts afresh.
void aprsConfigApplied();
// Configuration finalised: a pending request is forgotten (its answer is
// dropped).
void aprsConfigFinalized();

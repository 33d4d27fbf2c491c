// ADS-B watch source: the aircraft list of a dump1090 receiver
// (aircraft.json), the 16 aircraft nearest to an area centre within a
// radius, and the airline of a flight number for its logo (a built-in
// ICAO -> IATA table, then the airlines.dat table on storage, with a small
// cache).
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "core/view.h"
#include "host/wstring.h"

static const int ADSB_AIRCRAFT_MAX = 16;
static const char* const ADSB_LOGO_DIR = "/adsb";
static const char* const ADSB_AIRLINES_DAT_PATH = "/adsb/airlines.dat";
static const int ADSB_AIRLINE_LOOKUP_CACHE_SIZE = 16;
// Entries of the built-in airline table.
static const int ADSB_ICAO_IATA_TABLE_SIZE = 62;

// One aircraft with a position.
struct AdsbAircraftRecord {
  bool valid = false;
  String hex;     // ICAO 24-bit address as received
  String flight;  // call sign / flight number, trimmed
  String squawk;
  float lat = 0, lon = 0;
  float distanceKm = 0;  // from the area centre
  bool altitudeValid = false;
  int altitudeFt = 0;  // 0 for "ground"
  bool speedValid = false;
  float speedKt = 0;
  bool trackValid = false;
  int trackDeg = 0;
  float seenSec = -1;  // seconds since the last position (or message); -1 unknown
};

// The aircraft-list record: fetch status, counters and the nearest aircraft.
struct AdsbState : WatchFetchStatus {
  uint32_t messages = 0;          // the receiver's message counter
  uint16_t totalAircraft = 0;     // objects in the list
  uint16_t positionAircraft = 0;  // objects with a valid position
  AdsbAircraftRecord aircraft[ADSB_AIRCRAFT_MAX];
  int aircraftCount = 0;
};

// One remembered airline lookup; an empty iata records a failed one.
struct AdsbAirlineLookupCacheEntry {
  bool valid = false;
  String icao;
  String iata;
};

extern AdsbState adsbState;
extern AdsbAirlineLookupCacheEntry adsbAirlineLookupCache[ADSB_AIRLINE_LOOKUP_CACHE_SIZE];
extern uint8_t adsbAirlineLookupCacheNext;

// Drops all aircraft data (the configuration was applied).
void clearAdsbData();
// Forgets the remembered airline lookups.
void clearAdsbAirlineLookupCache();

// ---------------------------------------------------------------- receiver and centre

// Trimmed path, the default when empty, with a leading "/".
String adsbNormalizePath(const String& rawPath);
// The aircraft.json URL: a complete http(s) URL ending in ".json" as it is,
// else the host (with "http://" when it has no scheme) + the path; empty
// without a host.
String adsbAircraftUrl();
// The area centre: the ADS-B centre, else the weather location, else the
// APRS centre; false when none is usable.
bool adsbConfiguredAreaCenter(float& lat, float& lon);
// "configured", "weather", "APRS" or "missing".
String adsbAreaCenterLabel();

// ---------------------------------------------------------------- texts

// Trimmed flight, else trimmed hex, else "------".
String adsbRecordName(const AdsbAircraftRecord& rec);
// "Fetching...", the age of the last success, "HTTP n" / "Failed", "Waiting".
String adsbLastUpdatedText();
// "ALT -", "GROUND" (0 or less) or feet + "ft".
String adsbAltitudeText(const AdsbAircraftRecord& rec);
// Whole knots + "kt" or "SPD -".
String adsbSpeedText(const AdsbAircraftRecord& rec);
// Distance with one decimal below 10 km, whole km above ("7.4", "123").
String adsbDistanceText(float km);

// ---------------------------------------------------------------- airlines

// Trimmed, upper case, leading characters other than A-Z and 0-9 skipped,
// then A-Z and 0-9 up to the first other character.
String adsbCleanFlightToken(const String& value);
// True when token has a digit at index.
bool adsbTokenHasDigitAt(const String& token, int index);
// The cleaned token; "N", "NA" and "NULL" become empty.
String adsbNormalizeAirlineCode(const String& value);
// Field wantedIndex (0-based) of a comma-separated line with double-quote
// quoting ("" inside quotes is one quote); CR and LF are ignored. True when
// the line has that field.
bool adsbCsvFieldAt(const String& line, int wantedIndex, String& out);
// A remembered lookup of icao (iata may be empty: a lookup that failed).
bool adsbAirlinesDatLookupCached(const String& icao, String& iata);
void adsbAirlinesDatRememberLookup(const String& icao, const String& iata);
// IATA code of a 3-letter ICAO airline code from /adsb/airlines.dat; empty
// when unknown (also remembered).
String adsbIataFromAirlinesDat(const String& rawIcao);
// IATA code from the built-in table, else from airlines.dat.
String adsbIataFromIcaoPrefix(const String& icao);
// "/adsb/<code>.png" when that file exists (code of 2 to 4 characters).
String adsbExistingLogoPathForCode(const String& code);
// The logo of the flight's airline: for an ICAO-style flight (DLH4AB) the
// IATA logo, then the ICAO one; for an IATA-style flight (LH400) the IATA
// logo; empty when none exists.
String adsbAirlineLogoPath(const AdsbAircraftRecord& rec);

// ---------------------------------------------------------------- answers

// Inserts a valid aircraft by ascending distance (equal distances keep
// their order); with 16 stored only a nearer one gets in.
void adsbInsertAircraftSorted(const AdsbAircraftRecord& rec);
// One object of the aircraft array; false without a valid position.
bool desktopAdsbRecordFromRawObject(const String& obj, AdsbAircraftRecord& rec, float centerLat,
                                    float centerLon);
// Reads one aircraft.json; true when the list was rebuilt (a failure keeps
// the previous list and sets error).
bool desktopParseAdsbAircraftResponseRaw(const String& payload);
bool parseAdsbAircraftResponse(const String& payload);

// ---------------------------------------------------------------- poll

// Starts a request of the aircraft list when one is due (force skips the
// interval); true when a request was started, or without a request when
// the data is still good. The answer is applied later, on the main thread.
bool fetchAdsbData(bool force);
// Poll and wake poll while ADS-B is the current source.
bool pollAdsbWatch();
// Poll intervals on the page (at least 5 s) and under the screensaver (at
// least 10 s) from the configured seconds.
uint32_t adsbPollIntervalMs();
uint32_t adsbScreensaverPollIntervalMs();
// ADS-B was chosen: a forced fetch at once.
void adsbSourceSelected(Page page);
// Configuration finalised: data of a disabled receiver is dropped; a
// pending request is forgotten (its answer is dropped).
void adsbConfigFinalized();

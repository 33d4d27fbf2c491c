// Operator names from the RadioID users API: callsign normalisation, the
// lookup queue (one pending callsign), the eight-slot result cache and the
// application of cached names and countries to the heard records.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/heard_enrichment.h"

// Main cycle: one step of the lookup worker, every pass.
void processRadioIdLookups();
// Empties every cache slot (a configuration loaded).
void clearRadioIdLookupCache();
// Cached names applied again to the active list and the live record after a
// configuration was applied at run time.
void applyRadioIdCacheAfterConfigApply();

// One cached lookup result, keyed by the normalised callsign.
struct RadioIdLookupCacheEntry {
  String callsign;
  String name;
  String country;
  String city;
  String state;
  bool valid = false;
  bool found = false;
  uint32_t lastFetchMillis = 0;  // 0 = never fetched
};

constexpr int RADIOID_LOOKUP_CACHE_SIZE = 8;
constexpr uint32_t RADIOID_LOOKUP_TTL_MS = 86400000UL;     // 24 h for found entries
constexpr uint32_t RADIOID_LOOKUP_RETRY_MS = 900000UL;     // 15 min for misses
constexpr uint32_t RADIOID_LOOKUP_MIN_INTERVAL_MS = 1500;  // spacing of HTTP lookups
constexpr size_t RADIOID_PLAIN_NAME_MAX_CHARS = 80;
extern const char* const RADIOID_LOOKUP_ACCEPT;

extern RadioIdLookupCacheEntry radioIdLookupCache[RADIOID_LOOKUP_CACHE_SIZE];
extern int radioIdLookupCacheWriteIndex;
extern uint32_t lastRadioIdLookupMillis;
extern String pendingRadioIdLookupCallsign;
extern String lastRadioIdLookupSignature;

// Percent-encodes every byte except A-Z a-z 0-9 - . _ ~.
String urlEncodeComponent(const String& value);

// Users-API URL for a callsign (empty when the callsign normalises to empty).
String buildRadioIdUsersUrl(const String& callsign);

// Slot index of a valid entry for the normalised callsign, -1 when none.
int radioIdLookupCacheIndexForCallsign(const String& normalized);

// The slot for the callsign; creates one (oldest first) when asked to.
RadioIdLookupCacheEntry* radioIdLookupCacheSlotForCallsign(const String& normalized, bool createIfMissing);

// True when the record's name is missing, is the callsign or is a number.
bool radioIdLookupNeeded(const String& callsign, const String& name);

// "MODE|CALLSIGN|TARGET" of a record; empty when it has no callsign.
String radioIdLookupSignatureForRecord(const HeardRecord& r);

// Name from a plain-text (or unknown-format) answer; empty for "not found" texts.
String lookupPlainTextNameFromPayload(const String& payload, const String& normalizedCallsign);

// Fills name/country/city/state of the entry from an answer; returns entry.found.
bool parseRadioIdUserResponse(const String& payload, RadioIdLookupCacheEntry& entry);
bool desktopParseRadioIdUserResponseRaw(const String& payload, RadioIdLookupCacheEntry& entry);

// Fills the entry from one JSON object text.
void desktopPopulateRadioIdEntryFromRawObject(const String& object, RadioIdLookupCacheEntry& entry);

// The cache entry of a lookup's answer (and its LOOKUP line in the device
// log); false, with a WARN line, when the request failed.
bool radioIdEntryFromAnswer(const String& normalizedCallsign, const FetchAnswer& answer,
                            RadioIdLookupCacheEntry& outEntry);

// Applies a cached result to one record; true when its name or country changed.
bool applyRadioIdCacheToRecord(HeardRecord& r, bool allowFetch);

// Applies cached results to the shown heard list and its live record; true
// when any changed.
bool applyRadioIdCacheToActiveData();

// Operator name and country to show for a record.
String radioIdDisplayNameForRecord(const HeardRecord& r);
String radioIdDisplayCountryForRecord(const HeardRecord& r);

// Creates the storage folder "/lookup"; true when it exists afterwards.
bool ensureLookupDirectory();

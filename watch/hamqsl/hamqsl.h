// HamQSL watch source: solar indices, HF band conditions by day and night
// and VHF phenomena from the HamQSL solar XML document.
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "core/view.h"
#include "host/wstring.h"

static const int HAMQSL_HF_BAND_COUNT = 4;
static const int HAMQSL_VHF_CONDITION_MAX = 6;

// One HF band group ("80m-40m", ...) with its day and night condition.
struct HamqslBandCondition {
  String name, day, night;
};

// One VHF phenomenon with its region and state.
struct HamqslVhfCondition {
  String name, location, condition;
};

// The solar record: fetch status and the last good document.
struct HamqslState : WatchFetchStatus {
  String updated;
  String solarFlux, sunspots, aIndex, kIndex;
  String xray, geomagField, signalNoise, solarWind, magneticField;
  String aurora, auroraLatitude, muf, fof2;
  HamqslBandCondition hfBands[HAMQSL_HF_BAND_COUNT];
  uint8_t hfBandCount = 0;
  HamqslVhfCondition vhfConditions[HAMQSL_VHF_CONDITION_MAX];
  uint8_t vhfConditionCount = 0;
};

extern HamqslState hamqslState;

// Drops all solar data (the configuration was applied).
void clearHamqslData();
// The trimmed configured URL (the default when empty); empty when HamQSL is
// not configured.
String hamqslRequestUrl();
// "Fetching...", the age of the last success, "HTTP n" / "Failed", "Waiting".
String hamqslLastUpdatedText();

// XML readers. Tag value: content of the first <tag> (tag name matched
// whole) at or after from up to </tag>, decoded and trimmed; endOut gets the
// index after the closing tag; empty when anything is missing.
String hamqslXmlTagValue(const String& xml, const char* tag, int from = 0, int* endOut = nullptr);
// Quoted value of attr= in an open tag, decoded and trimmed; else empty.
String hamqslXmlAttrValue(const String& openTag, const char* attr);
// Condition of the first <band> with that name and time; false when none.
bool hamqslBandConditionValue(const String& xml, const char* bandName, const char* dayNight, String& out);
// "VHF Aurora", "2m Es", "4m Es"; other names unchanged.
String hamqslFriendlyVhfName(const String& name);
// True when the text holds a digit: "No Report", "NoRpt" and empty text
// are placeholders, not values.
bool hamqslValueKnown(const String& value);
// Parses the document; only a valid one replaces hamqslState (its fetch
// bookkeeping kept). True when valid.
bool parseHamqslXml(const String& payload);

// Starts the request; true when a request was started.
bool fetchHamqslData();

// Refresh interval: the configured minutes, at least one hour.
uint32_t hamqslRefreshIntervalMs();
// Poll while HamQSL is the current source: a fetch when the refresh is due.
bool pollHamqslWatch();
// Background refresh due now (configured, never tried or interval passed).
bool hamqslBackgroundRefreshDue(uint32_t now);
// HamQSL was chosen: the data is fetched at once when configured.
void hamqslSourceSelected(Page page);
// Configuration finalised: data of an unusable setup is dropped; a request
// still out is forgotten (its answer is dropped).
void hamqslConfigFinalized();
// Configuration applied at run time: the data is dropped; the background
// refresh fetches it anew within a second, when the network may be used.
void hamqslConfigApplied();

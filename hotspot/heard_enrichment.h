// What the heard data asks of the enrichment services: operator names for
// new records and target names for the lists. The enrichment code
// (enrichment/radioid.cpp, enrichment/target_lists.cpp) defines these.
#pragma once

#include "host/wstring.h"
#include "hotspot/heard.h"

// Queues the record's callsign for a RadioID lookup once per transmission.
void queueRadioIdLookupForRecord(const HeardRecord& r);

// Applies cached RadioID results to a list; true when any record changed.
bool applyRadioIdCacheToList(HeardRecord* list, int count);

// Name of a target from the downloaded lists, empty when unknown.
String targetNameLookupCached(const String& mode, const String& target);

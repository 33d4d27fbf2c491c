// HamQSL watch source: solar and band-condition data.
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "core/view.h"

// Hamqsl record: its fetch status and data.
struct HamqslState : WatchFetchStatus {};

extern HamqslState hamqslState;

// Drops all solar data (the configuration was applied).
void clearHamqslData();
// Fetches the solar XML; true when it produced data.
bool fetchHamqslData();

// Refresh interval: the configured minutes, at least one hour.
uint32_t hamqslRefreshIntervalMs();
// Poll while HamQSL is the current source: a fetch when the refresh is due.
bool pollHamqslWatch();
// Background refresh due now (configured, never tried or interval passed).
bool hamqslBackgroundRefreshDue(uint32_t now);
// HamQSL was chosen: the data is fetched at once when configured.
void hamqslSourceSelected(Page page);
// Configuration finalised: data of an unusable setup is dropped.
void hamqslConfigFinalized();
// Configuration applied at run time: fetch now, or drop the data.
void hamqslConfigApplied();

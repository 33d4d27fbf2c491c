// ADS-B watch source: aircraft near an area centre from a dump1090 receiver.
#pragma once

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"
#include "core/view.h"

// Aircraft-list record: its fetch status and data.
struct AdsbState : WatchFetchStatus {};

extern AdsbState adsbState;

// Drops all aircraft data (the configuration was applied).
void clearAdsbData();
// Polls the receiver's aircraft list (force skips the cadence); true when it
// produced data.
bool fetchAdsbData(bool force);

// Poll and wake poll while ADS-B is the current source.
bool pollAdsbWatch();
// Poll intervals on the page (at least 5 s) and under the screensaver (at
// least 10 s) from the configured seconds.
uint32_t adsbPollIntervalMs();
uint32_t adsbScreensaverPollIntervalMs();
// ADS-B was chosen: a forced fetch at once.
void adsbSourceSelected(Page page);
// Configuration finalised: data of a disabled receiver is dropped.
void adsbConfigFinalized();

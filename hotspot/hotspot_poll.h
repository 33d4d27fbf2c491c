// The hotspot poll of the main cycle: status page and last-heard list in turn.
#pragma once

// One hotspot poll: the last-heard list when nextFetchHeard is set, else the
// status page; saves the heard cache on success and flips the alternation.
// True when the poll produced data.
bool pollHotspotDashboard();

// Hotspot last-heard poll; true when the answer parsed.
bool fetchLastHeard();

// Hotspot dashboard status poll; true when a page gave mode or frequency data.
bool fetchModeStatus();

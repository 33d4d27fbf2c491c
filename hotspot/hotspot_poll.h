// The hotspot poll of the main cycle: status page and last-heard list in turn.
// The requests run on a worker (hotspot/fetch_worker.h); their answers are
// parsed and applied on the main thread when they arrive.
#pragma once

// One hotspot poll: the last-heard list when nextFetchHeard is set, else the
// status page, then flips the alternation. Skipped (false, no flip) while
// the previous poll's answer is still out; true when a request started.
bool pollHotspotDashboard();

// Hotspot last-heard poll: false when a precondition failed (footer and
// fetch outcome as for a failed fetch), true when the request started; the
// answer is parsed into the hotspot's own list and counted when it arrives.
bool fetchLastHeard();

// Hotspot dashboard status poll: the status page, then the page with the
// frequencies when that is another one; false when a precondition failed,
// true when the request started.
bool fetchModeStatus();

// True while the active heard list is the hotspot's own: the hotspot or APRS
// (which follows the hotspot's callers) is the current source.
bool hotspotHeardListShown();

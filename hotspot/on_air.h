// On air while another source is shown: the hotspot's background poll, the
// transmission the on-air banner shows, and waking the screen for a new
// transmission.
//
// The background poll fetches the hotspot's last-heard list on its own
// request channel while another source is shown (or the screensaver runs
// over another source) and applies each answer to the hotspot's own heard
// list, never to the list of the source shown.
#pragma once

#include <stdint.h>

#include "core/view.h"
#include "host/wstring.h"
#include "hotspot/heard.h"

// Shortest interval of the background poll.
static const uint32_t HOTSPOT_BACKGROUND_POLL_MIN_MS = 3000;  // 3 s

// A source's own heard state: its list, record count, live record and the
// millis() that record was last confirmed.
struct HeardListState {
  HeardRecord* list;
  int* count;
  HeardRecord* live;
  uint32_t* liveMillis;
};

// The hotspot's own heard state (hotspotHeard()).
HeardListState hotspotHeardState();
// The SvxLink node's own heard state: the list its row hands out (the
// hotspot's before the table is installed).
HeardListState svxlinkHeardState();

// max(refreshMs, HOTSPOT_BACKGROUND_POLL_MIN_MS).
uint32_t hotspotBackgroundPollIntervalMs();
// True when the background poll runs: hotspot_background_poll is on, a
// hotspot dashboard is configured and the hotspot's list is not shown.
bool hotspotBackgroundPollWanted();
// Main cycle, every pass: starts the background request when it is wanted,
// due and the previous answer is in; true when a request started.
bool runHotspotBackgroundPoll(uint32_t now);
// Applies a last-heard answer to the hotspot's own heard state (new records
// to the watch list, the newest as the live record, RadioID lookups); false
// when the answer holds no heard list (nothing changes).
bool applyHotspotBackgroundAnswer(const String& payload);

// The transmission the on-air banner shows: live on the hotspot (or the
// SvxLink node when it is enabled) while another source is shown, the
// banner is on and neither the screensaver nor the setup state runs. False
// when there is none.
bool onAirBannerRecord(WatchSource& source, HeardRecord& record);

// A new transmission began on the source: with wake_on_activity it ends the
// screensaver as a touch does, and with wake_shows_live the next pass shows
// the source's LIVE page.
void noteNewTransmission(WatchSource source);

// Main cycle, every pass: the LIVE page asked for by a wake, a redraw when
// the banner appears, changes or leaves, the watch toast's time and the tone.
void runCallWatchStep(uint32_t now);

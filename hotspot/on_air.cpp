// The hotspot's background poll, the on-air banner's transmission and the
// wake on a new transmission.
#include "hotspot/on_air.h"

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/watch_source.h"
#include "host/runtime.h"
#include "host/tone.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard_enrichment.h"
#include "hotspot/hotspot_poll.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"
#include "hotspot/watch_list.h"

namespace {

uint32_t lastBackgroundPoll = 0;
bool backgroundPollStarted = false;  // lastBackgroundPoll is set
bool backgroundOutcomeKnown = false;
bool lastBackgroundOk = false;

// A wake asked for this source's LIVE page (the next pass shows it).
bool liveWakePending = false;
WatchSource liveWakeSource = WATCH_MMDVM;

// What the banner showed at the last pass ("" when hidden).
String lastBannerKey;

HeardListState stateOf(HeardList& list) {
  return HeardListState{list.records, &list.count, &list.live, &list.liveMillis};
}

bool liveWithinHold(const HeardListState& state) {
  return state.live->valid && elapsedSince(millis(), *state.liveMillis) <= cfg.callsignHoldMs;
}

// The state's live record when it is within the hold time.
bool takeLiveRecord(const HeardListState& state, WatchSource owner, WatchSource& source, HeardRecord& record) {
  if (!liveWithinHold(state)) return false;
  source = owner;
  record = *state.live;
  return true;
}

bool hotspotDashboardConfigured() { return !trimmedCopy(cfg.pistarHost).isEmpty(); }

// One log line when the background poll starts failing and one when it
// works again (the shown source keeps its own outcome lines).
void applyBackgroundFetch(const FetchAnswer& answer, uint32_t startedAt) {
  const bool ok = answer.ok && applyHotspotBackgroundAnswer(answer.payload);
  if (backgroundOutcomeKnown && ok == lastBackgroundOk) return;
  backgroundOutcomeKnown = true;
  lastBackgroundOk = ok;
  const String took = String((unsigned long)(millis() - startedAt)) + " ms";
  if (ok) {
    addWebLog("INFO", "HOTSPOT", "Background last-heard poll OK (HTTP 200, " + took + ").", true);
    return;
  }
  addWebLog("WARN", "HOTSPOT",
            "Background last-heard poll failed (HTTP " + String(answer.code) + ", " + took + "); retrying every " +
                String((unsigned long)(hotspotBackgroundPollIntervalMs() / 1000)) + " s.",
            true);
}

void replaceList(const HeardListState& own, const HeardRecord* list, int count) {
  for (int i = 0; i < MAX_HEARD; ++i) own.list[i] = i < count ? list[i] : HeardRecord();
  *own.count = count;
}

String bannerKey(WatchSource source, const HeardRecord& rec) {
  return String((int)source) + "|" + rec.callsign + "|" + rec.name + "|" + rec.mode + "|" + rec.target + "|" +
         rec.targetName;
}

}  // namespace

HeardListState hotspotHeardState() { return stateOf(hotspotHeard()); }

HeardListState svxlinkHeardState() {
  const WatchSourceRow& row = watchSourceRow(WATCH_SVXLINK);
  return stateOf(row.source == WATCH_SVXLINK && row.heardList ? row.heardList() : hotspotHeard());
}

uint32_t hotspotBackgroundPollIntervalMs() {
  return cfg.refreshMs > HOTSPOT_BACKGROUND_POLL_MIN_MS ? cfg.refreshMs : HOTSPOT_BACKGROUND_POLL_MIN_MS;
}

bool hotspotBackgroundPollWanted() {
  return cfg.hotspotBackgroundPoll && hotspotDashboardConfigured() && !hotspotHeardListShown();
}

bool runHotspotBackgroundPoll(uint32_t now) {
  if (!hotspotBackgroundPollWanted()) return false;
  if (setupRequired || !wifiOk || apModeActive || wifiConnectInProgress) return false;
  if (backgroundPollStarted && !intervalElapsed(now, lastBackgroundPoll, hotspotBackgroundPollIntervalMs()))
    return false;
  if (fetchChannelBusy(FETCH_CHANNEL_HOTSPOT_BACKGROUND)) return false;
  lastBackgroundPoll = now;
  backgroundPollStarted = true;
  const uint32_t startedAt = millis();
  return startFetch(FETCH_CHANNEL_HOTSPOT_BACKGROUND, heardUrl(), "application/json", "",
                    [startedAt](const FetchAnswer& answer) { applyBackgroundFetch(answer, startedAt); });
}

bool applyHotspotBackgroundAnswer(const String& payload) {
  HeardRecord parsed[MAX_HEARD];
  const int count = desktopParseHeardRecords(payload, parsed, MAX_HEARD);
  if (count < 0) return false;
  const HeardListState own = hotspotHeardState();
  applyRadioIdCacheToList(parsed, count);
  noteWatchHeardList(WATCH_SIGHT_HOTSPOT, parsed, count, own.list, *own.count);
  if (!heardListsEqual(parsed, count, own.list, *own.count)) {
    replaceList(own, parsed, count);
    if (own.list == shownHeardList().records) requestRedraw();
  }
  if (count == 0) return true;
  inferModeStatusesFromHeard(parsed, count);
  updateDmrTimeslotLiveRecordsFromList(parsed, count);
  queueRadioIdLookupForRecord(parsed[0]);
  if (sameRecord(parsed[0], *own.live)) {
    *own.liveMillis = millis();
    return true;
  }
  // The first list the hotspot gives is what was heard before: its newest
  // record is kept as already over (no banner, no wake); every later one
  // is a new transmission.
  const bool firstList = !own.live->valid;
  *own.live = parsed[0];
  *own.liveMillis = firstList ? millis() - cfg.callsignHoldMs - 1 : millis();
  updateSessionInfoFromRecord(parsed[0]);
  if (!firstList) noteNewTransmission(WATCH_MMDVM);
  return true;
}

bool onAirBannerRecord(WatchSource& source, HeardRecord& record) {
  if (!cfg.onAirBanner || screensaverActive || setupRequired || apModeActive) return false;
  const WatchSource shown = activeWatchSourceRow().source;
  if (shown != WATCH_MMDVM && hotspotDashboardConfigured() &&
      takeLiveRecord(hotspotHeardState(), WATCH_MMDVM, source, record))
    return true;
  return shown != WATCH_SVXLINK && svxlinkFeatureEnabled() &&
         takeLiveRecord(svxlinkHeardState(), WATCH_SVXLINK, source, record);
}

void noteNewTransmission(WatchSource source) {
  if (!cfg.wakeOnActivity) return;
  if (screensaverActive && cfg.wakeShowsLive) {
    liveWakePending = true;
    liveWakeSource = source;
  }
  noteScreenActivity(false);
}

void runCallWatchStep(uint32_t now) {
  if (liveWakePending) {
    liveWakePending = false;
    setCurrentWatchSource((int)liveWakeSource);
    currentPage = PAGE_LIVE;
    requestRedraw();
  }
  WatchSource source = WATCH_MMDVM;
  HeardRecord record;
  const String key = onAirBannerRecord(source, record) ? bannerKey(source, record) : String();
  if (key != lastBannerKey) {
    lastBannerKey = key;
    requestRedraw();
  }
  serviceWatchToast(now);
  serviceWatchTone();
}

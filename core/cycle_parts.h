// Work of the data subsystems that start-up, the main cycle and the
// configuration apply run at fixed points. core/ reaches these parts only
// through this header; each is defined by the subsystem named beside it.
#pragma once

#include <stdint.h>

// hotspot/fetch_worker.cpp: requests run on worker threads; every pass runs
// the handlers of the answers that arrived (how many ran), in arrival order
// and in request order within a source.
int processFetchAnswers();
// hotspot/fetch_worker.cpp: true when an answer waits for the next pass.
bool fetchAnswersWaiting();
// hotspot/fetch_worker.cpp: a configuration was applied: the answers of every
// request made so far are dropped and their sources free again.
void dropFetchAnswers();
// hotspot/fetch_worker.cpp: shutdown: every transfer ends at once, the workers
// stop and later requests are refused.
void stopFetchWorkers();

// hotspot/live_session.cpp: true while the live record is valid and was
// confirmed within the hold time.
bool isLiveActive();

// enrichment/radioid.cpp: one step of the lookup worker, every pass.
void processRadioIdLookups();
// enrichment/radioid.cpp: empties every cache slot (a configuration loaded).
void clearRadioIdLookupCache();
// enrichment/radioid.cpp: cached names applied again to the active list and
// the live record after a configuration was applied at run time.
void applyRadioIdCacheAfterConfigApply();
// enrichment/target_lists.cpp: main-cycle hook; lookups run at once inside
// targetNameLookupCached.
void processTargetNameLookups();

// watch/alerts/alerts.cpp: every pass, hides an expired alert popup and polls
// the alert sources when due.
void pollAlertDataIfDue();
// watch/alerts/alerts.cpp: configuration finalised: alerts of disabled
// sources are dropped.
void alertsConfigFinalized();
// watch/alerts/alerts.cpp: the time left (leftMs) until a shown alert popup
// hides itself; false when no popup with a deadline is shown.
bool alertPopupTimeLeftMs(uint32_t now, uint32_t& leftMs);

// actions/remote_actions.cpp: consume a finished mode-toggle task (mode
// status and footer) and a finished quick-action task (footer).
void processModeToggleTaskResult();
void processQuickActionTaskResult();

// hotspot/on_air.cpp: every pass, the hotspot's last-heard list is polled in
// the background while another source is shown (true when a request started).
bool runHotspotBackgroundPoll(uint32_t now);
// hotspot/on_air.cpp: every pass, the LIVE page asked for by a wake, the
// on-air banner's redraws, the watch toast's time and the tone.
void runCallWatchStep(uint32_t now);

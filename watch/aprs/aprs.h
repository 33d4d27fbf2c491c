#pragma once

// APRS watch source: nearby stations from an APRS position API.

#include <stdint.h>

#include "core/backend.h"
#include "core/fetch_status.h"

// Aprs record: its fetch status and data.
struct AprsState : WatchFetchStatus {
  String callsign;        // the primary station of the last answer
  String sourceCallsign;  // the callsign that was asked for
};

extern AprsState aprsState;
// The APRS station info popup is shown.
extern bool aprsCommentPopupOpen;
// The popup's station (-1: the primary station) and its scroll state.
inline int selectedAprsNearbyIndex = -1;
inline int aprsInfoPopupScrollLines = 0;
inline int aprsInfoPopupMaxScrollLines = 0;
inline int aprsInfoPopupPageStepLines = 1;

// Polls the APRS position API (force skips the back-off); true when it
// produced data.
bool fetchAprsData(bool force);

// Puts aprsState back to its defaults (the configuration was applied).
void resetAprsState();

// Poll while APRS is the current source: the hotspot poll (whose caller the
// APRS lookup follows), then the APRS position lookup.
bool pollAprsWatch();
// Configuration applied at run time: APRS data of a disabled source is reset.
void aprsConfigApplied();

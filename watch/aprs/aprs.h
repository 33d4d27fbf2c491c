#pragma once

// APRS watch source: nearby stations from an APRS position API.

#include <stdint.h>

#include "core/backend.h"

// APRS record (the fields every watch source carries).
struct AprsState {
  bool valid = false;
  bool fetchInProgress = false;
  uint32_t lastSuccessMillis = 0;
  uint32_t lastAttemptMillis = 0;  // 0 = never
  int lastHttpCode = 0;
};

extern AprsState aprsState;
// The APRS station info popup is shown.
extern bool aprsCommentPopupOpen;

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

// HamQSL watch source: solar and band-condition data.
#pragma once

#include <stdint.h>

// Solar-data record (the fields every watch source carries).
struct HamqslState {
  bool valid = false;
  bool fetchInProgress = false;
  uint32_t lastSuccessMillis = 0;
  uint32_t lastAttemptMillis = 0;  // 0 = never (due now)
  int lastHttpCode = 0;
};

extern HamqslState hamqslState;

// True when solar data is switched on and its URL is set.
bool hamqslConfigured();
// Drops all solar data (the configuration was applied).
void clearHamqslData();
// Fetches the solar XML; true when it produced data.
bool fetchHamqslData();

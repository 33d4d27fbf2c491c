// HamQSL watch source: solar and band-condition data.
#pragma once

// True when solar data is switched on and its URL is set.
bool hamqslConfigured();
// Drops all solar data (the configuration was applied).
void clearHamqslData();

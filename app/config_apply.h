// The configuration's fan-out to the program's parts: what every load resets
// and what a run-time apply redoes.
#pragma once

// Installs the fan-out into core/ (installProgram calls it).
void installConfigApply();

// Reloads the configuration at run time and re-applies display, sources and
// lookups.
void applyConfigAfterLoad();

// The top of the program: start-up and the main cycle. setup() and loop()
// (declared for the host in host/firmware.h) are defined in app/app.cpp;
// installProgram() hands the base its tables.
#pragma once

// setup() runs once at start: logging, display, storage, configuration,
// network, start page and the first frame. loop() is one pass of the main
// cycle: touch, network supervision, polls, background lookups, screensaver,
// clock and redraws.

// Hands core/ the source table, the overlay list and the configuration
// fan-out. setup() calls it first; tests and tools that run parts of the
// program without setup() call it once before. Calling it again changes
// nothing.
void installProgram();

// One poll for the current watch source; true when it started a request
// (the answers are applied when they arrive).
bool fetchAllData();

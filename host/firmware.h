// The firmware the desktop host runs, as the board runtime knows it: the
// host calls setup() once and loop() on every pass, runs its own safe loop
// while the firmware is in its setup state and repaints the safe page while
// the firmware asks for a redraw. The program's top (app/app.cpp) defines
// setup, loop and the firmware* calls, the view state (core/view.cpp) the
// redraw flags: this header is how the host calls up into them.
#pragma once

// Runs once at start.
void setup();
// One pass of the firmware's main cycle.
void loop();
// True while the device is in its setup or access-point state.
bool firmwareInSetupState();
// True while a usable configuration is missing (the setup state proper).
bool firmwareSetupRequired();
// How long the host may wait for input before the next pass: until the
// next due time of the main cycle, at most 100 ms, and 10 ms while anything
// animates or a finger is down.
uint32_t firmwareIdleWaitMs();
// Ends the firmware's background work (request workers) before the host
// shuts down.
void firmwareShutdown();
// True when any of the four redraw flags is set.
bool anyRedrawFlagSet();
// Clears all four redraw flags.
void clearRedrawFlags();

#pragma once

// Process entry of the desktop host: start-up, the hold, safe and firmware
// loops, crash handling and the orderly shutdown of the window and the log.

#include <stdint.h>

struct SDL_Window;
struct SDL_Renderer;

// Cleared by a window close, a quit key, a failed window creation or the
// firmware's restart request; ends the main loop.
extern bool gDesktopRunning;
// The display window and its renderer (null until created).
extern SDL_Window* gWindow;
extern SDL_Renderer* gRenderer;
// Native handle of the display window, captured once for the input pump
// (0 while unknown).
extern uintptr_t gDesktopHwnd;

// State of the host loop kept between passes.
struct DesktopLoopState {
  uint32_t lastHeartbeat = 0;
  uint32_t lastSafeLog = 0;
  uint32_t lastLoopTrace = 0;
  uint32_t safeDrawCount = 0;
  bool usedSafeDesktopLoop = false;
  // Loop statistics (QSODECK_DESKTOP_LOOP_STATS=1).
  uint32_t statsSince = 0;
  uint32_t statsPasses = 0;
  uint32_t statsLongestPassMs = 0;
};

// Returns gDesktopRunning.
bool desktopRunning();
// Blocks the thread for ms milliseconds.
void desktopSleepMs(uint32_t ms);
// Wakes the main loop from any thread (an answer arrived): the current or
// next wait of desktopWaitForWork ends at once.
void desktopWakeMainLoop();
// Waits up to ms for input, a wake-up or the time to pass; with the test
// clock it only advances the clock by ms.
void desktopWaitForWork(uint32_t ms);
// Releases the renderer, the window, SDL and the log file.
void desktopShutdown();
// Draws and presents the static page shown while the firmware is in its
// setup/access-point state.
void drawDesktopBootReadyPage();

// Writes the fatal line for sig to the console and the log, gives a text
// console its blanking and cursor back, and ends the process with exit code
// 128 + sig, without shutting SDL down.
void desktopSignalHandler(int sig);
// Installs desktopSignalHandler for SIGSEGV, SIGABRT, SIGFPE and SIGILL on an
// alternate signal stack, and ignores SIGPIPE.
void desktopInstallCrashHandlers();

// Keeps the window alive without running the firmware until it is closed;
// returns the exit status.
int desktopRunHoldLoop();
// One pass of the safe loop (firmware in setup/access-point state).
void desktopSafeLoopPass(DesktopLoopState& state);
// One firmware pass: loop() and the heartbeat.
void desktopFirmwarePass(DesktopLoopState& state);
// Runs the desktop UI loop until the window closes; returns the exit status.
int desktopRunUiLoop(DesktopLoopState& state);

// Runs body; an exception escaping it is traced as fatal, the host is shut
// down and 1 is returned. Otherwise returns body's result.
int desktopRunGuarded(int (*body)());
// Everything after the crash handlers: setup(), then the hold loop or the UI
// loop, with their shutdown. Returns the exit status.
int desktopRunAfterStart();

// The whole run: log, crash handlers, setup(), then the hold loop or the UI
// loop. Returns 0 after a normal close, 1 after a failed window creation or
// an escaped exception.
int desktopMain(int argc, char** argv);

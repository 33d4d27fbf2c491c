#include "host/desktop_main.h"

#include <SDL.h>
#include <errno.h>
#include <malloc.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>

#include "host/board_stubs.h"
#include "host/display.h"
#include "host/firmware.h"
#include "host/input.h"
#include "host/panel_output.h"
#include "host/runtime.h"
#include "host/ssh_client.h"
#include "host/startup_options.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "host/version.h"

bool gDesktopRunning = true;
SDL_Window* gWindow = nullptr;
SDL_Renderer* gRenderer = nullptr;
uintptr_t gDesktopHwnd = 0;

namespace {

const uint32_t HEARTBEAT_INTERVAL_MS = 1000;
const uint32_t SAFE_LOG_INTERVAL_MS = 5000;  // 5 s
const uint32_t LOOP_TRACE_INTERVAL_MS = 1000;
const uint32_t LOOP_SLEEP_MS = 10;
const uint32_t HOLD_WAIT_STEP_MS = 100;
const int HOLD_WAIT_STEPS = 10;  // one hold pass lasts about a second
const uint32_t HOLD_IDLE_TRACE_EVERY = 5;
const uint32_t SAFE_REDRAW_TRACE_LIMIT = 3;
// Background tasks (remote commands) get this long to end at shut-down:
// they give up at once where they can, and no step of a command takes
// longer than the whole-command limit of the transport.
const uint32_t TASK_STOP_WAIT_MS = SSH_COMMAND_TIMEOUT_MS;

// The crash handler runs on its own stack so that a stack overflow still
// gets its line out.
const size_t CRASH_STACK_BYTES = 64 * 1024;
alignas(16) char gCrashStack[CRASH_STACK_BYTES];

const int CRASH_SIGNALS[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL};

bool holdLoopRequested() {
  const char* v = getenv("QSODECK_DESKTOP_HOLD_LOOP");
  return v != nullptr && strcmp(v, "1") == 0;
}

void verboseTrace(const char* text) {
  if (desktopVerboseTraceEnabled()) desktopTrace("%s", text);
}

// Wake-ups of the main loop from other threads: a flag with its condition
// (for runs without a window) and an SDL event (ends SDL's wait at once).
// Never destroyed: a request worker may still wake the loop while the
// process ends.
struct MainLoopWake {
  std::mutex mutex;
  std::condition_variable condition;
  bool pending = false;
  std::atomic<uint32_t> eventType{0};
};

MainLoopWake& mainLoopWake() {
  static MainLoopWake* wake = new MainLoopWake;
  return *wake;
}

bool takeWakePending() {
  MainLoopWake& w = mainLoopWake();
  std::lock_guard<std::mutex> lock(w.mutex);
  const bool pending = w.pending;
  w.pending = false;
  return pending;
}

// Loop statistics for measurements (QSODECK_DESKTOP_LOOP_STATS=1): every
// LOOP_STATS_INTERVAL_MS one line with the number of passes, the longest,
// and the allocator's heap: bytes in use and bytes it holds from the system
// (every arena), which tell live data from memory kept after frees.
const uint32_t LOOP_STATS_INTERVAL_MS = 10000;  // 10 s

bool loopStatsEnabled() {
  const char* v = getenv("QSODECK_DESKTOP_LOOP_STATS");
  return v != nullptr && strcmp(v, "1") == 0;
}

void noteLoopPass(DesktopLoopState& state, uint32_t passMs) {
  if (!loopStatsEnabled()) return;
  ++state.statsPasses;
  if (passMs > state.statsLongestPassMs) state.statsLongestPassMs = passMs;
  const uint32_t now = millis();
  if (state.statsSince == 0) state.statsSince = now;
  if (!intervalElapsed(now, state.statsSince, LOOP_STATS_INTERVAL_MS)) return;
  const struct mallinfo2 heap = mallinfo2();
  desktopTrace("[DESKTOP] loop: %u passes in %u ms, longest pass %u ms; heap %zu kB in use of %zu kB held.\n",
               (unsigned)state.statsPasses, (unsigned)(now - state.statsSince), (unsigned)state.statsLongestPassMs,
               (heap.uordblks + heap.hblkhd) / 1024, (heap.arena + heap.hblkhd) / 1024);
  state.statsSince = now;
  state.statsPasses = 0;
  state.statsLongestPassMs = 0;
}

void heartbeatIfDue(DesktopLoopState& state) {
  uint32_t now = millis();
  if (!intervalElapsed(now, state.lastHeartbeat, HEARTBEAT_INTERVAL_MS)) return;
  state.lastHeartbeat = now;
  verboseTrace("[DESKTOP] heartbeat: running.\n");
}

// Exit status after either loop: a display that never came up is a failure.
int runExitStatus() { return tft.initFailed() ? 1 : 0; }

// Async-signal-safe helpers of the crash handler (no stdio, no malloc).
size_t appendText(char* buf, size_t pos, size_t cap, const char* text) {
  while (*text != '\0' && pos + 1 < cap) buf[pos++] = *text++;
  return pos;
}

size_t appendDecimal(char* buf, size_t pos, size_t cap, int value) {
  char digits[16];
  size_t n = 0;
  unsigned int v = value < 0 ? 0u - (unsigned int)value : (unsigned int)value;
  do {
    digits[n++] = (char)('0' + v % 10);
    v /= 10;
  } while (v != 0 && n < sizeof(digits));
  if (value < 0 && pos + 1 < cap) buf[pos++] = '-';
  while (n > 0 && pos + 1 < cap) buf[pos++] = digits[--n];
  return pos;
}

void writeAll(int fd, const char* data, size_t len) {
  while (len > 0) {
    ssize_t n = write(fd, data, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    len -= (size_t)n;
  }
}

// True unless QSODECK_DESKTOP_TRACE is exactly "0" (only reads the
// environment, so it is safe inside the handler).
bool crashTraceEnabled() {
  const char* v = getenv("QSODECK_DESKTOP_TRACE");
  return !(v != nullptr && v[0] == '0' && v[1] == '\0');
}

// Asks the background tasks to end and waits for them after the window is
// gone; false when one still runs (the process must then end without
// running the global destructors under it).
bool stopBackgroundTasks() {
  const int running = desktopRunningTaskCount();
  if (running == 0) return desktopStopTasks(0);
  desktopTrace("[DESKTOP] waiting for %d background task(s) to end.\n", running);
  const uint32_t start = millis();
  if (desktopStopTasks(TASK_STOP_WAIT_MS)) {
    desktopTrace("[DESKTOP] background tasks ended after %u ms.\n", (unsigned)(millis() - start));
    return true;
  }
  desktopTrace("[DESKTOP][WARN] %d background task(s) still running after %u ms; exiting without them.\n",
               desktopRunningTaskCount(), (unsigned)TASK_STOP_WAIT_MS);
  return false;
}

// The storage folders in use, and what is wrong with the writable one (also
// on standard error, so a start from a terminal or a service shows it).
void traceStorage(const std::string& problem) {
  desktopTrace("[DESKTOP] storage: %s (shipped content: %s).\n", SD.root().c_str(),
               SD.shippedRoot().isEmpty() ? "none" : SD.shippedRoot().c_str());
  if (problem.empty()) return;
  fprintf(stderr, "qsodeck: %s\n", problem.c_str());
  desktopTrace("[DESKTOP][ERROR] %s\n", problem.c_str());
}

}  // namespace

bool desktopRunning() { return gDesktopRunning; }

void desktopSleepMs(uint32_t ms) { delay(ms); }

void desktopWakeMainLoop() {
  MainLoopWake& w = mainLoopWake();
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.pending = true;
  }
  w.condition.notify_all();
  // The push happens under the lock that the shutdown takes before it
  // destroys the window: under X11 a pushed event wakes the window through
  // the X server, and a wake sent to a destroyed window ends the process.
  std::lock_guard<std::mutex> lock(w.mutex);
  const uint32_t type = w.eventType.load();
  if (type != 0 && SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    SDL_PushEvent(&e);
  }
}

void desktopWaitForWork(uint32_t ms) {
  if (desktopTestClockActive()) {
    takeWakePending();
    delay(ms);
    return;
  }
  MainLoopWake& w = mainLoopWake();
  if (gWindow != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    if (w.eventType.load() == 0) {
      const Uint32 type = SDL_RegisterEvents(1);
      if (type != (Uint32)-1) w.eventType.store(type);
    }
    if (!takeWakePending()) {
      displayReleaseFrameTarget();  // finger positions are scaled against the target
      SDL_WaitEventTimeout(nullptr, (int)ms);
      displayRestoreFrameTarget();
    }
    takeWakePending();
    return;
  }
  std::unique_lock<std::mutex> lock(w.mutex);
  w.condition.wait_for(lock, std::chrono::milliseconds(ms), [&] { return w.pending; });
  w.pending = false;
}

void desktopShutdown() {
  {
    // No wake-up events from other threads once the window goes away.
    MainLoopWake& w = mainLoopWake();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.eventType.store(0);
  }
  panelRestoreConsole();
  tft.releaseFrame();
  if (gRenderer != nullptr) {
    SDL_DestroyRenderer(gRenderer);
    gRenderer = nullptr;
  }
  if (gWindow != nullptr) {
    SDL_DestroyWindow(gWindow);
    gWindow = nullptr;
  }
  gDesktopHwnd = 0;
  SDL_Quit();
  const bool tasksEnded = stopBackgroundTasks();
  desktopCloseLog();
  if (!tasksEnded) {
    fflush(stdout);
    _exit(runExitStatus());
  }
}

void drawDesktopBootReadyPage() {
  const uint16_t page = color565(8, 12, 22);
  const uint16_t band = color565(18, 28, 45);
  tft.setTextDatum(TL_DATUM);
  tft.fillScreen(TFT_BLACK);
  tft.fillRect(0, 0, SCREEN_W, SCREEN_H, page);
  tft.drawRect(18, 18, 764, 444, color565(70, 92, 120));
  tft.fillRect(32, 32, 736, 96, band);

  tft.setTextFont(2);
  tft.setTextColor(color565(70, 200, 255), band);
  tft.drawString("Qsodeck - DESKTOP", 52, 56);

  tft.setTextFont(1);
  tft.setTextColor(TFT_WHITE, band);
  tft.drawString("SDL2 backend is running", 52, 92);

  tft.setTextColor(color565(220, 230, 245), page);
  tft.drawString("Runtime size: 800 x 480", 52, 160);
  tft.drawString(
      firmwareSetupRequired() ? "Mode: desktop setup simulation" : "Mode: desktop normal simulation", 52,
      186);
  tft.drawString(String("AP/Web stub: http://") + WiFi.softAPIP().toString() + "/", 52, 212);
  tft.drawString(String("Storage: ") + activeStorageLabel, 52, 238);

  tft.setTextColor(color565(255, 190, 70), page);
  tft.drawString("Desktop safe loop is active.", 52, 292);
  tft.drawString("No real HTTP listener is started in this desktop stub.", 52, 318);

  tft.setTextColor(color565(160, 175, 195), page);
  tft.drawString("Close the SDL window to exit.", 52, 390);
  tft.drawString("If text is readable, the built-in bitmap font works.", 52, 416);
  tft.flush();
}

void desktopSignalHandler(int sig) {
  if (crashTraceEnabled()) {
    char line[128];
    size_t n = appendText(line, 0, sizeof(line), "[DESKTOP][FATAL] signal ");
    n = appendDecimal(line, n, sizeof(line), sig);
    n = appendText(line, n, sizeof(line), " caught. Emergency exit without SDL shutdown.\n");
    writeAll(STDOUT_FILENO, line, n);
    FILE* log = desktopLogFile();
    if (log != nullptr) {
      int fd = fileno(log);
      if (fd >= 0) writeAll(fd, line, n);
    }
  }
  panelRestoreConsole();
  _exit(128 + sig);
}

void desktopInstallCrashHandlers() {
  stack_t altStack;
  memset(&altStack, 0, sizeof(altStack));
  altStack.ss_sp = gCrashStack;
  altStack.ss_size = sizeof(gCrashStack);
  bool haveAltStack = sigaltstack(&altStack, nullptr) == 0;
  for (int sig : CRASH_SIGNALS) {
    struct sigaction sa;
    memset(&sa, 0, sizeof(sa));
    sa.sa_handler = desktopSignalHandler;
    sigemptyset(&sa.sa_mask);
    // A fault inside the handler falls back to the default action.
    sa.sa_flags = SA_RESETHAND | (haveAltStack ? SA_ONSTACK : 0);
    sigaction(sig, &sa, nullptr);
  }
  // A peer closing a socket must not end the process; writes report EPIPE.
  signal(SIGPIPE, SIG_IGN);
}

int desktopRunHoldLoop() {
  desktopTrace("[DESKTOP] main: Linux hold loop active by QSODECK_DESKTOP_HOLD_LOOP=1.\n");
  desktopTrace("[DESKTOP] main: press Ctrl+C in this terminal to exit.\n");
  uint32_t tick = 0;
  bool closed = false;
  while (!closed) {
    // A close taken by an earlier pump (a flush during setup) still counts;
    // a window that never came up is no close.
    if (!gDesktopRunning && !tft.initFailed()) break;
    if (!desktopNativePumpMessagesNoSDL()) break;
    ++tick;
    verboseTrace("[DESKTOP] heartbeat: running.\n");
    if (tick % HOLD_IDLE_TRACE_EVERY == 0)
      verboseTrace("[DESKTOP] main: desktop display hold mode is idle.\n");
    for (int i = 0; i < HOLD_WAIT_STEPS && !closed; ++i) {
      if (!desktopNativePumpMessagesNoSDL()) {
        closed = true;
      } else {
        desktopSleepMs(HOLD_WAIT_STEP_MS);
      }
    }
  }
  desktopTrace("[DESKTOP] main: native window close requested. Exiting hold loop.\n");
  desktopTrace("[DESKTOP] main: hold loop ended; exiting normally.\n");
  firmwareShutdown();
  desktopShutdown();
  return runExitStatus();
}

void desktopSafeLoopPass(DesktopLoopState& state) {
  state.usedSafeDesktopLoop = true;
  desktopPollEventsOnly();
  if (anyRedrawFlagSet()) {
    if (state.safeDrawCount < SAFE_REDRAW_TRACE_LIMIT)
      verboseTrace("[DESKTOP] main: safe redraw requested.\n");
    if (state.safeDrawCount < UINT32_MAX) ++state.safeDrawCount;
    verboseTrace("[DESKTOP] main: redraw enter.\n");
    drawDesktopBootReadyPage();
    verboseTrace("[DESKTOP] main: redraw leave.\n");
    clearRedrawFlags();
  }
  uint32_t now = millis();
  if (intervalElapsed(now, state.lastSafeLog, SAFE_LOG_INTERVAL_MS)) {
    state.lastSafeLog = now;
    verboseTrace("[DESKTOP] main: safe setup/AP loop active.\n");
  }
  heartbeatIfDue(state);
  desktopSleepMs(LOOP_SLEEP_MS);
}

void desktopFirmwarePass(DesktopLoopState& state) {
  static bool firstFirmwareLoopReturned = false;
  uint32_t now = millis();
  if (state.usedSafeDesktopLoop || intervalElapsed(now, state.lastLoopTrace, LOOP_TRACE_INTERVAL_MS)) {
    state.usedSafeDesktopLoop = false;
    state.lastLoopTrace = now;
    verboseTrace("[DESKTOP] main: calling Arduino loop().\n");
  }
  const uint32_t passStart = millis();
  loop();
  noteLoopPass(state, millis() - passStart);
  if (!firstFirmwareLoopReturned) {
    firstFirmwareLoopReturned = true;
    desktopTrace("[DESKTOP] main: first loop() returned.\n");
  }
  heartbeatIfDue(state);
  desktopWaitForWork(firmwareIdleWaitMs());
}

int desktopRunUiLoop(DesktopLoopState& state) {
  desktopTrace(
      "[DESKTOP] main: desktop UI loop enabled; mouse maps to touch. Network polling is enabled by "
      "default; set QSODECK_DESKTOP_NETWORK=0 for UI-only mode.\n");
  while (desktopRunning()) {
    desktopPollEventsOnly();
    if (firmwareInSetupState()) {
      desktopSafeLoopPass(state);
    } else {
      desktopFirmwarePass(state);
    }
  }
  desktopTrace("[DESKTOP] window closed; exiting normally.\n");
  firmwareShutdown();
  desktopShutdown();
  return runExitStatus();
}

int desktopRunGuarded(int (*body)()) {
  try {
    return body();
  } catch (const std::exception& e) {
    desktopTrace("[DESKTOP][FATAL] exception: %s\n", e.what());
  } catch (...) {
    desktopTrace("[DESKTOP][FATAL] unknown exception.\n");
  }
  firmwareShutdown();
  desktopShutdown();
  return 1;
}

int desktopRunAfterStart() {
  desktopTrace("[DESKTOP] calling setup().\n");
  setup();
  desktopTrace("[DESKTOP] setup() complete; entering desktop main loop. Close the SDL window to exit.\n");
  DesktopLoopState state;
  state.lastHeartbeat = millis();
  state.lastSafeLog = state.lastHeartbeat;
  desktopTrace("[DESKTOP] main: timers initialized.\n");
  if (desktopSdlEventPollingEnabled()) {
    desktopTrace("[DESKTOP] main: SDL event polling enabled by QSODECK_DESKTOP_SDL_EVENTS=1.\n");
  } else {
    desktopTrace(
        "[DESKTOP] main: SDL event polling disabled on Linux; native mouse pump is active. Close "
        "the window or press Ctrl+C to exit.\n");
  }
  desktopTrace("[DESKTOP] main: entering while loop.\n");
  if (holdLoopRequested()) return desktopRunHoldLoop();
  return desktopRunUiLoop(state);
}

int desktopMain(int argc, char** argv) {
  const DesktopOptions options = desktopParseOptions(argc, argv);
  if (!options.error.empty()) {
    fprintf(stderr, "qsodeck: %s\n%s", options.error.c_str(), desktopUsageText().c_str());
    return 2;
  }
  if (options.showHelp) {
    fputs(desktopUsageText().c_str(), stdout);
    return 0;
  }
  if (options.showVersion) {
    printf("qsodeck %s\n", QSODECK_VERSION);
    return 0;
  }
  const std::string storageProblem = desktopPrepareStorage(options);
  if (options.storageChosen) desktopSetLogFolder(SD.root().c_str());
  desktopInitLog();
  desktopTrace("[DESKTOP] process started.\n");
  desktopTrace("[DESKTOP] platform: Linux.\n");
  traceStorage(storageProblem);
  desktopInstallCrashHandlers();
  return desktopRunGuarded(desktopRunAfterStart);
}

// The host loops, the safe-loop page, the exception guard and the crash
// handler, run inside the test process (the crash handler in a child).
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "host/input.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "support/desktop_program.h"
#include "support/display_probe.h"
#include "support/temp_files.h"
#include "ui/page_frame.h"

namespace {

void setAllRedrawFlags(bool v) {
  uiDirty = v;
  footerDirty = v;
  headerClockDirty = v;
  scrollingTextDirty = v;
}

class HostLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("QSODECK_DESKTOP_VERBOSE");
    unsetenv("QSODECK_DESKTOP_SDL_EVENTS");
    setenv("QSODECK_DESKTOP_TRACE", "1", 1);
    ASSERT_TRUE(initOffscreenDisplay());
    gDesktopRunning = true;
    setupRequired = true;
    apModeActive = false;
    setAllRedrawFlags(false);
    desktopSetTestClock(100000);
    state_.lastHeartbeat = millis();
    state_.lastSafeLog = millis();
  }
  void TearDown() override {
    desktopClearTestClock();
    desktopSetCursorSampler(nullptr);
    desktopShutdown();
  }
  DesktopLoopState state_;
};

// Cursor sampler that counts pumps and requests a close from a given pump on.
int gPumpCalls = 0;
int gQuitFromCall = 0;

bool quitAfterSampler(int* x, int* y, bool* leftDown) {
  ++gPumpCalls;
  if (gQuitFromCall != 0 && gPumpCalls >= gQuitFromCall) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
  }
  return false;
}

}  // namespace

// Safe loop

TEST_F(HostLoopTest, SafeRedrawTraceOnlyForTheFirstThree) {
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  testing::internal::CaptureStdout();
  for (int i = 0; i < 5; ++i) {
    uiDirty = true;
    desktopSafeLoopPass(state_);
  }
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: safe redraw requested.\n"), 3);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: redraw enter.\n"), 5);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: redraw leave.\n"), 5);
  EXPECT_EQ(state_.safeDrawCount, 5u);
  EXPECT_TRUE(state_.usedSafeDesktopLoop);
}

TEST_F(HostLoopTest, SafePassRedrawsOnlyWhenAFlagIsSet) {
  tft.fillScreen(0xF800);
  desktopSafeLoopPass(state_);
  EXPECT_EQ(framePixel(5, 5), 0xFF0000u);
  footerDirty = true;
  desktopSafeLoopPass(state_);
  EXPECT_EQ(framePixel(5, 5), rgbOf565(color565(8, 12, 22)));
  EXPECT_FALSE(uiDirty || footerDirty || headerClockDirty || scrollingTextDirty);
  EXPECT_EQ(state_.safeDrawCount, 1u);
}

TEST_F(HostLoopTest, SafeLoopIsSilentWithoutVerbose) {
  testing::internal::CaptureStdout();
  for (int i = 0; i < 600; ++i) {
    scrollingTextDirty = true;
    desktopSafeLoopPass(state_);
  }
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("[DESKTOP] main:"), std::string::npos) << out;
  EXPECT_EQ(out.find("heartbeat"), std::string::npos) << out;
}

TEST_F(HostLoopTest, HeartbeatAndSafeLogCadence) {
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  testing::internal::CaptureStdout();
  // Each pass sleeps 10 ms on the test clock: 600 passes are 6 s.
  for (int i = 0; i < 600; ++i) desktopSafeLoopPass(state_);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] heartbeat: running.\n"), 5);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: safe setup/AP loop active.\n"), 1);
}

TEST_F(HostLoopTest, CadenceSurvivesTheMillisecondWrap) {
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  desktopSetTestClock(0xFFFFFF00u);
  state_.lastHeartbeat = millis();
  state_.lastSafeLog = millis();
  testing::internal::CaptureStdout();
  for (int i = 0; i < 350; ++i) desktopSafeLoopPass(state_);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] heartbeat: running.\n"), 3);
  EXPECT_EQ(countOccurrences(out, "safe setup/AP loop active"), 0);
}

TEST_F(HostLoopTest, BootReadyPageShowsTheMode) {
  setupRequired = true;
  drawDesktopBootReadyPage();
  std::vector<uint32_t> setupFrame = readFrame();
  setupRequired = false;
  drawDesktopBootReadyPage();
  std::vector<uint32_t> normalFrame = readFrame();
  // Only the mode line differs.
  int differing = 0, outsideModeLine = 0;
  for (int y = 0; y < SCREEN_H; ++y) {
    for (int x = 0; x < SCREEN_W; ++x) {
      size_t i = (size_t)y * SCREEN_W + x;
      if (setupFrame[i] == normalFrame[i]) continue;
      ++differing;
      if (y < 186 || y >= 193) ++outsideModeLine;
    }
  }
  EXPECT_GT(differing, 0);
  EXPECT_EQ(outsideModeLine, 0);
  // The mode line reads as the same text drawn on its own.
  tft.fillScreen(TFT_BLACK);
  tft.setTextFont(1);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(color565(220, 230, 245), color565(8, 12, 22));
  tft.drawString("Mode: desktop normal simulation", 52, 186);
  std::vector<uint32_t> alone = readFrame();
  for (int y = 186; y < 193; ++y) {
    for (int x = 52; x < 52 + 31 * 6; ++x) {
      size_t i = (size_t)y * SCREEN_W + x;
      ASSERT_EQ(alone[i], normalFrame[i]) << x << "," << y;
    }
  }
}

TEST_F(HostLoopTest, BootReadyPageTextsSitWhereTheyBelong) {
  struct Line {
    const char* text;
    int font, x, y;
    uint16_t fg, bg;
  };
  const uint16_t page = color565(8, 12, 22), band = color565(18, 28, 45);
  const uint16_t info = color565(220, 230, 245), warn = color565(255, 190, 70),
                 hint = color565(160, 175, 195);
  const Line lines[] = {
      {"Qsodeck - DESKTOP", 2, 52, 56, color565(70, 200, 255), band},
      {"SDL2 backend is running", 1, 52, 92, TFT_WHITE, band},
      {"Runtime size: 800 x 480", 1, 52, 160, info, page},
      {"Mode: desktop setup simulation", 1, 52, 186, info, page},
      {"AP/Web stub: http://127.0.0.1/", 1, 52, 212, info, page},
      {"Storage: SD", 1, 52, 238, info, page},
      {"Desktop safe loop is active.", 1, 52, 292, warn, page},
      {"No real HTTP listener is started in this desktop stub.", 1, 52, 318, warn, page},
      {"Close the SDL window to exit.", 1, 52, 390, hint, page},
      {"If text is readable, the built-in bitmap font works.", 1, 52, 416, hint, page},
  };
  activeStorageLabel = "SD";
  setupRequired = true;
  tft.setTextDatum(MC_DATUM);
  drawDesktopBootReadyPage();
  std::vector<uint32_t> shown = readFrame();
  for (const Line& l : lines) {
    // The same text drawn on its own, top-left anchored, in its colours.
    tft.fillScreen(TFT_BLACK);
    tft.setTextFont(l.font);
    tft.setTextDatum(TL_DATUM);
    tft.setTextColor(l.fg, l.bg);
    int w = tft.drawString(l.text, l.x, l.y);
    int h = tft.glyphH();
    std::vector<uint32_t> alone = readFrame();
    int differing = 0;
    for (int y = l.y; y < l.y + h; ++y) {
      for (int x = l.x; x < l.x + w; ++x) {
        size_t i = (size_t)y * SCREEN_W + x;
        if (alone[i] != shown[i]) ++differing;
      }
    }
    EXPECT_EQ(differing, 0) << l.text;
    // Just past the text box the page (or band) colour shows again.
    EXPECT_EQ(shown[(size_t)l.y * SCREEN_W + l.x + w], rgbOf565(l.bg)) << l.text;
  }
}

TEST_F(HostLoopTest, BootReadyPageFrame) {
  drawDesktopBootReadyPage();
  EXPECT_EQ(framePixel(5, 5), rgbOf565(color565(8, 12, 22)));
  EXPECT_EQ(framePixel(18, 18), rgbOf565(color565(70, 92, 120)));
  EXPECT_EQ(framePixel(781, 461), rgbOf565(color565(70, 92, 120)));
  EXPECT_EQ(framePixel(19, 19), rgbOf565(color565(8, 12, 22)));
  EXPECT_EQ(framePixel(33, 33), rgbOf565(color565(18, 28, 45)));
  EXPECT_EQ(framePixel(767, 127), rgbOf565(color565(18, 28, 45)));
  EXPECT_EQ(tft.textDatum(), TL_DATUM);
}

// Firmware pass

TEST_F(HostLoopTest, LoopTraceAfterSafePassAndFirstReturnOnce) {
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  state_.lastLoopTrace = millis();
  testing::internal::CaptureStdout();
  desktopSafeLoopPass(state_);
  desktopFirmwarePass(state_);  // within 1000 ms, but right after a safe pass
  desktopFirmwarePass(state_);  // within 1000 ms: no trace
  for (int i = 0; i < 100; ++i) desktopFirmwarePass(state_);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: calling Arduino loop().\n"), 2);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: first loop() returned.\n"), 1);
  EXPECT_FALSE(state_.usedSafeDesktopLoop);
}

TEST_F(HostLoopTest, FirstLoopReturnedIsTracedWithoutVerbose) {
  testing::internal::CaptureStdout();
  desktopFirmwarePass(state_);
  desktopFirmwarePass(state_);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: first loop() returned.\n"), 1);
  EXPECT_EQ(countOccurrences(out, "calling Arduino loop()"), 0);
}

// Hold loop

TEST_F(HostLoopTest, HoldLoopEndsOnACloseSeenDuringTheWait) {
  gDesktopHwnd = 1;
  desktopSetCursorSampler(quitAfterSampler);
  gPumpCalls = 0;
  gQuitFromCall = 3;  // the quit is queued by the third pump, seen by the fourth
  testing::internal::CaptureStdout();
  int status = desktopRunHoldLoop();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(gPumpCalls, 4);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: native window close requested. Exiting hold loop.\n"), 1);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: hold loop ended; exiting normally.\n"), 1);
  EXPECT_EQ(gWindow, nullptr);
}

TEST_F(HostLoopTest, HoldLoopPassesAndIdleTrace) {
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  gDesktopHwnd = 1;
  desktopSetCursorSampler(quitAfterSampler);
  gPumpCalls = 0;
  gQuitFromCall = 5 * 11;  // seen by the outer pump of the sixth pass
  testing::internal::CaptureStdout();
  uint32_t start = millis();
  int status = desktopRunHoldLoop();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: Linux hold loop active by QSODECK_DESKTOP_HOLD_LOOP=1.\n"),
            1);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: press Ctrl+C in this terminal to exit.\n"), 1);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] heartbeat: running.\n"), 5);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: desktop display hold mode is idle.\n"), 1);
  EXPECT_EQ(millis() - start, 5u * 10u * 100u);  // ten 100 ms waits per pass
}

TEST_F(HostLoopTest, HoldLoopEndsOnACloseSeenBeforeItStarted) {
  // A close during setup() is taken by a flush's pump; the hold loop must not
  // wait for a second one.
  gDesktopHwnd = 1;
  desktopSetCursorSampler(quitAfterSampler);
  gPumpCalls = 0;
  gQuitFromCall = 20;  // a later close, so that a failure does not hang
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  tft.flush();
  ASSERT_FALSE(gDesktopRunning);
  gPumpCalls = 0;
  testing::internal::CaptureStdout();
  int status = desktopRunHoldLoop();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] main: native window close requested. Exiting hold loop.\n"), 1);
  EXPECT_EQ(gPumpCalls, 0);
  EXPECT_EQ(gWindow, nullptr);
}

TEST(HostLoopFailedDisplay, HoldLoopIsNotEndedByTheFailedDisplay) {
  // A failed window clears gDesktopRunning; the hold loop keeps running until
  // a real close (here SIGTERM, which SDL would turn into a quit).
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  tft = DisplayCompat();
  tft.init();
  ASSERT_TRUE(tft.initFailed());
  ASSERT_FALSE(gDesktopRunning);
  ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0);
  gDesktopHwnd = 1;
  desktopSetCursorSampler(quitAfterSampler);
  gPumpCalls = 0;
  gQuitFromCall = 12;  // first pass and the outer pump of the second
  desktopSetTestClock(5000);
  testing::internal::CaptureStdout();
  int status = desktopRunHoldLoop();
  std::string out = testing::internal::GetCapturedStdout();
  desktopClearTestClock();
  desktopSetCursorSampler(nullptr);
  EXPECT_EQ(status, 1);
  EXPECT_GE(gPumpCalls, 12);
}

TEST_F(HostLoopTest, UiLoopEndsWhenTheWindowCloses) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  testing::internal::CaptureStdout();
  int status = desktopRunUiLoop(state_);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(countOccurrences(out, "[DESKTOP] window closed; exiting normally.\n"), 1);
  EXPECT_EQ(gWindow, nullptr);
  EXPECT_EQ(gRenderer, nullptr);
}

// Exception guard

TEST_F(HostLoopTest, EscapedExceptionIsFatalAndShutsDown) {
  testing::internal::CaptureStdout();
  int status = desktopRunGuarded([]() -> int { throw std::runtime_error("config exploded"); });
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("[DESKTOP][FATAL] exception: config exploded\n"), std::string::npos) << out;
  EXPECT_EQ(gWindow, nullptr);
  EXPECT_EQ(gRenderer, nullptr);
}

TEST_F(HostLoopTest, UnknownExceptionIsFatal) {
  testing::internal::CaptureStdout();
  int status = desktopRunGuarded([]() -> int { throw 42; });
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("[DESKTOP][FATAL] unknown exception.\n"), std::string::npos) << out;
}

TEST_F(HostLoopTest, GuardPassesTheResultThrough) {
  EXPECT_EQ(desktopRunGuarded([]() -> int { return 0; }), 0);
  EXPECT_NE(gWindow, nullptr);  // no shutdown without an exception
}

TEST(HostLoopFailedDisplay, RunEndsWithStatusOne) {
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  tft = DisplayCompat();
  tft.init();
  ASSERT_TRUE(tft.initFailed());
  DesktopLoopState state;
  testing::internal::CaptureStdout();
  int status = desktopRunUiLoop(state);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("[DESKTOP] window closed; exiting normally.\n"), std::string::npos);
}

// Crash handler

namespace {

struct ChildResult {
  int exitCode = -1;
  std::string out;
};

// Runs fn in a child whose standard output goes into a pipe.
ChildResult runChild(void (*fn)()) {
  ChildResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    fn();
    _exit(0);
  }
  close(fds[1]);
  char buf[512];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof(buf))) > 0) result.out.append(buf, (size_t)n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

int recurseForever(int depth) {
  if (depth < 0) return 0;  // never: the stack runs out first
  volatile char pad[1024];
  pad[0] = (char)depth;
  return recurseForever(depth + 1) + pad[0];
}

}  // namespace

TEST(CrashHandler, FloatingPointSignalExitsWith136AndLogsTheLine) {
  const std::string dir = makeTempDir("/tmp/qsodeck-crash-");
  ASSERT_FALSE(dir.empty());
  ASSERT_EQ(chdir(dir.c_str()), 0);
  ChildResult r = runChild([] {
    setenv("QSODECK_DESKTOP_TRACE", "1", 1);
    desktopInitLog();
    desktopInstallCrashHandlers();
    raise(SIGFPE);
  });
  const std::string line = "[DESKTOP][FATAL] signal 8 caught. Emergency exit without SDL shutdown.\n";
  EXPECT_EQ(r.exitCode, 136);
  EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
  std::string log = readWholeFile(dir + "/desktop.log");
  EXPECT_NE(log.find(line), std::string::npos) << log;
  EXPECT_TRUE(removeTempDir(dir));
}

TEST(CrashHandler, AbortExitsWith134) {
  ChildResult r = runChild([] {
    desktopInstallCrashHandlers();
    abort();
  });
  EXPECT_EQ(r.exitCode, 134);
  EXPECT_NE(r.out.find("[DESKTOP][FATAL] signal 6 caught."), std::string::npos) << r.out;
}

TEST(CrashHandler, StackOverflowIsCaughtOnTheAlternateStack) {
  ChildResult r = runChild([] {
    desktopInstallCrashHandlers();
    recurseForever(0);
  });
  EXPECT_EQ(r.exitCode, 139);
  EXPECT_NE(r.out.find("[DESKTOP][FATAL] signal 11 caught."), std::string::npos) << r.out;
}

TEST(CrashHandler, IllegalInstructionExitsWith132) {
  ChildResult r = runChild([] {
    desktopInstallCrashHandlers();
    raise(SIGILL);
  });
  EXPECT_EQ(r.exitCode, 132);
}

TEST(CrashHandler, SilentWhenTracingIsOff) {
  ChildResult r = runChild([] {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    desktopInstallCrashHandlers();
    raise(SIGSEGV);
  });
  EXPECT_EQ(r.exitCode, 139);
  EXPECT_EQ(r.out, "");
}

TEST(CrashHandler, BrokenPipeDoesNotEndTheProcess) {
  ChildResult r = runChild([] {
    desktopInstallCrashHandlers();
    int fds[2];
    if (pipe(fds) != 0) _exit(3);
    close(fds[0]);
    ssize_t n = write(fds[1], "x", 1);
    _exit(n < 0 && errno == EPIPE ? 0 : 4);
  });
  EXPECT_EQ(r.exitCode, 0);
}

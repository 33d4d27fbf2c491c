// The real program, started in a temporary folder and ended the ways a user
// ends it: SIGTERM, Ctrl+C, a crash signal. Window tests need X (they skip
// without DISPLAY); the failed-display run needs none.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fcntl.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/desktop_program.h"
#include "support/temp_files.h"
#include "support/x_window.h"

namespace {

const int START_TIMEOUT_MS = 90000;
const int EXIT_TIMEOUT_MS = 60000;
const char* BANNER = "\n--- Qsodeck desktop run ---\n";
const char* LOOP_READY = "[DESKTOP] main: entering while loop.\n";

// Output of a shell command (standard output only).
std::string commandOutput(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// Asks the X window to close as a window manager's close button does.
bool closeXWindow(const std::string& windowId) {
  std::string cmd = std::string("python3 '") + QSODECK_SOURCE_DIR + "/tests/support/x_close_window.py' " +
                    windowId + " >/dev/null 2>&1";
  return system(cmd.c_str()) == 0;
}

class DesktopRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("/tmp/qsodeck-e2e-");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    removeTempDir(dir_);  // a leftover temp folder does not fail the test
  }

  // Starts the program in the temp folder with extra environment settings;
  // its standard output goes to "stdout.txt" there.
  void start(const std::vector<std::pair<std::string, std::string>>& env) {
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(120);
      int fd = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) _exit(121);
      dup2(fd, STDOUT_FILENO);
      dup2(fd, STDERR_FILENO);
      unsetenv("SDL_VIDEODRIVER");
      unsetenv("QSODECK_DESKTOP_HOLD_LOOP");
      unsetenv("QSODECK_DESKTOP_SDL_EVENTS");
      unsetenv("QSODECK_DESKTOP_TRACE");
      setenv("QSODECK_DESKTOP_NETWORK", "0", 1);
      unsetenv("QSODECK_STORAGE");
      setenv("QSODECK_ASSETS", "", 1);  // only what the test puts into its sdcard/
      for (const auto& kv : env) setenv(kv.first.c_str(), kv.second.c_str(), 1);
      execl(QSODECK_BINARY_PATH, QSODECK_BINARY_PATH, (char*)nullptr);
      _exit(122);
    }
  }

  std::string log() const { return readWholeFile(dir_ + "/desktop.log"); }
  std::string out() const { return readWholeFile(dir_ + "/stdout.txt"); }

  // Waits until the log holds text; false when the program ended or the
  // time ran out first.
  bool waitForLog(const std::string& text) {
    for (int waited = 0; waited < START_TIMEOUT_MS; waited += 50) {
      if (log().find(text) != std::string::npos) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return log().find(text) != std::string::npos;
      }
      sleepMilliseconds(50);
    }
    return false;
  }

  // Waits for the end of the program; its exit code, 1000 + signal when a
  // signal ended it, or -1 when it did not end in time.
  int waitExit() {
    for (int waited = 0; waited < EXIT_TIMEOUT_MS; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
        return -2;
      }
      sleepMilliseconds(20);
    }
    return -1;
  }

  int stopWith(int sig) {
    if (kill(pid_, sig) != 0) return -3;
    return waitExit();
  }

  std::string dir_;
  pid_t pid_ = -1;
};

}  // namespace

// Normal ends

TEST_F(DesktopRun, SigtermClosesTheWindowNormally) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  start({});
  ASSERT_TRUE(waitForLog(LOOP_READY)) << out();
  EXPECT_EQ(stopWith(SIGTERM), 0) << out();
  std::string text = log();
  EXPECT_EQ(text.find(BANNER), 0u) << text;
  EXPECT_EQ(countOccurrences(text, BANNER), 1);
  EXPECT_NE(text.find("[DESKTOP] process started.\n[DESKTOP] platform: Linux.\n"), std::string::npos);
  EXPECT_NE(text.find("[DESKTOP] main: SDL event polling disabled on Linux; native mouse pump is active. "
                      "Close the window or press Ctrl+C to exit.\n"),
            std::string::npos);
  EXPECT_EQ(countOccurrences(text, "[DESKTOP] window closed; exiting normally.\n"), 1);
  EXPECT_NE(out().find("[DESKTOP] window closed; exiting normally.\n"), std::string::npos);
  EXPECT_EQ(text.find("[DESKTOP][FATAL]"), std::string::npos) << text;
}

TEST_F(DesktopRun, CtrlCClosesNormallyInSdlEventMode) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  start({{"QSODECK_DESKTOP_SDL_EVENTS", "1"}});
  ASSERT_TRUE(waitForLog(LOOP_READY)) << out();
  EXPECT_EQ(stopWith(SIGINT), 0) << out();
  std::string text = log();
  EXPECT_NE(text.find("[DESKTOP] main: SDL event polling enabled by QSODECK_DESKTOP_SDL_EVENTS=1.\n"),
            std::string::npos);
  EXPECT_NE(text.find("[DESKTOP] window closed; exiting normally.\n"), std::string::npos) << text;
}

TEST_F(DesktopRun, HoldLoopEndsOnSigterm) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  start({{"QSODECK_DESKTOP_HOLD_LOOP", "1"}});
  ASSERT_TRUE(waitForLog("[DESKTOP] main: press Ctrl+C in this terminal to exit.\n")) << out();
  EXPECT_EQ(stopWith(SIGTERM), 0) << out();
  std::string text = log();
  EXPECT_NE(text.find("[DESKTOP] main: Linux hold loop active by QSODECK_DESKTOP_HOLD_LOOP=1.\n"),
            std::string::npos);
  EXPECT_NE(text.find("[DESKTOP] main: native window close requested. Exiting hold loop.\n"
                      "[DESKTOP] main: hold loop ended; exiting normally.\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("[DESKTOP] main: desktop UI loop enabled"), std::string::npos);
  EXPECT_EQ(text.find("first loop() returned"), std::string::npos);
}

TEST_F(DesktopRun, OnlyExactlyOneSelectsTheHoldLoop) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  start({{"QSODECK_DESKTOP_HOLD_LOOP", "yes"}});
  ASSERT_TRUE(waitForLog("[DESKTOP] main: first loop() returned.\n")) << out();
  EXPECT_EQ(stopWith(SIGTERM), 0);
  std::string text = log();
  EXPECT_EQ(text.find("hold loop"), std::string::npos) << text;
  EXPECT_NE(text.find("[DESKTOP] main: desktop UI loop enabled; mouse maps to touch."), std::string::npos);
}

TEST_F(DesktopRun, TwoRunsLeaveTwoBanners) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  for (int run = 0; run < 2; ++run) {
    start({});
    ASSERT_TRUE(waitForLog(LOOP_READY)) << out();
    // The second run waits for its own start line.
    if (run == 1) {
      for (int i = 0; i < 600 && countOccurrences(log(), LOOP_READY) < 2; ++i) sleepMilliseconds(100);
    }
    ASSERT_EQ(stopWith(SIGTERM), 0);
  }
  std::string text = log();
  EXPECT_EQ(countOccurrences(text, BANNER), 2);
  EXPECT_EQ(countOccurrences(text, "[DESKTOP] window closed; exiting normally.\n"), 2);
}

TEST_F(DesktopRun, WindowTitleAndSize) {
  PrivateXServer x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb not available";
  start({});
  ASSERT_TRUE(waitForLog(LOOP_READY)) << out();
  std::string id = findXWindow("Qsodeck - Desktop");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(commandOutput("xdotool getwindowname " + id), "Qsodeck - Desktop\n");
  EXPECT_NE(commandOutput("xdotool getwindowgeometry " + id).find("Geometry: 800x480"), std::string::npos);
  EXPECT_EQ(countOccurrences(log(), "[DESKTOP] native window handle captured for non-SDL message pump.\n"), 1)
      << log();
  EXPECT_EQ(stopWith(SIGTERM), 0);
}

TEST_F(DesktopRun, ClosingTheWindowExitsNormally) {
  PrivateXServer x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb not available";
  start({});
  ASSERT_TRUE(waitForLog("[DESKTOP] main: first loop() returned.\n")) << out();
  std::string id = findXWindow("Qsodeck - Desktop");
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(closeXWindow(id));
  EXPECT_EQ(waitExit(), 0) << out();
  std::string text = log();
  EXPECT_EQ(countOccurrences(text, "[DESKTOP] window closed; exiting normally.\n"), 1) << text;
  EXPECT_EQ(text.find("[DESKTOP][FATAL]"), std::string::npos) << text;
}

TEST_F(DesktopRun, ClosingTheWindowEndsTheHoldLoop) {
  PrivateXServer x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb not available";
  start({{"QSODECK_DESKTOP_HOLD_LOOP", "1"}});
  ASSERT_TRUE(waitForLog("[DESKTOP] main: press Ctrl+C in this terminal to exit.\n")) << out();
  std::string id = findXWindow("Qsodeck - Desktop");
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(closeXWindow(id));
  EXPECT_EQ(waitExit(), 0) << out();
  EXPECT_NE(log().find("[DESKTOP] main: native window close requested. Exiting hold loop.\n"
                       "[DESKTOP] main: hold loop ended; exiting normally.\n"),
            std::string::npos)
      << log();
}

// The default software window shows its frames through the X server's own
// framebuffer: no OpenGL driver (Mesa's swrast/llvmpipe and LLVM, tens of
// megabytes) is mapped into the process.
TEST_F(DesktopRun, SoftwareWindowLoadsNoOpenGlDriver) {
  PrivateXServer x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb not available";
  unsetenv("SDL_FRAMEBUFFER_ACCELERATION");  // SDL lets a user's own setting win
  start({});
  ASSERT_TRUE(waitForLog("[DESKTOP] main: first loop() returned.\n")) << out();
  std::string maps = readWholeFile("/proc/" + std::to_string(pid_) + "/maps");
  ASSERT_FALSE(maps.empty());
  for (const char* driver : {"_dri.so", "libLLVM", "libGLX", "libGL.so", "libEGL"}) {
    EXPECT_EQ(maps.find(driver), std::string::npos) << driver << " is mapped";
  }
  EXPECT_NE(log().find("[DESKTOP] SDL renderer ready (software).\n"), std::string::npos) << log();
  EXPECT_EQ(stopWith(SIGTERM), 0);
}

// Crashes

TEST_F(DesktopRun, SegmentationFaultExitsWith139) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  start({});
  ASSERT_TRUE(waitForLog(LOOP_READY)) << out();
  EXPECT_EQ(stopWith(SIGSEGV), 139);
  std::string text = log();
  EXPECT_NE(text.find("[DESKTOP][FATAL] signal 11 caught. Emergency exit without SDL shutdown.\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("window closed"), std::string::npos);
}

TEST_F(DesktopRun, AbortExitsWith134) {
  if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
  start({{"QSODECK_DESKTOP_HOLD_LOOP", "1"}});
  ASSERT_TRUE(waitForLog("hold loop active")) << out();
  EXPECT_EQ(stopWith(SIGABRT), 134);
  EXPECT_NE(log().find("[DESKTOP][FATAL] signal 6 caught."), std::string::npos);
}

// Failures

TEST_F(DesktopRun, FailedDisplayIsNotASuccess) {
  start({{"SDL_VIDEODRIVER", "no-such-driver"}});
  int code = waitExit();
  EXPECT_EQ(code, 1) << out();
  std::string text = log();
  EXPECT_NE(text.find("[DESKTOP][FATAL] SDL_Init failed: "), std::string::npos) << text;
  EXPECT_NE(text.find("[DESKTOP] window closed; exiting normally.\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("first loop() returned"), std::string::npos);
}

// Trace log: switches, the 2047-byte cut, banners per opening, Serial mirror.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host/trace_log.h"
#include "support/desktop_program.h"
#include "support/temp_files.h"

namespace {

const char* const BANNER = "\n--- Qsodeck desktop run ---\n";

// Runs each test in a fresh empty directory so desktop.log starts absent.
class TraceLogTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("/tmp/qsodeck_trace_");
    ASSERT_FALSE(dir_.empty());
    ASSERT_NE(getcwd(oldCwd_, sizeof(oldCwd_)), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    unsetenv("QSODECK_DESKTOP_TRACE");
    unsetenv("QSODECK_DESKTOP_VERBOSE");
    unsetenv("QSODECK_DESKTOP_HTTP_TRACE");
  }
  void TearDown() override {
    desktopCloseLog();
    ASSERT_EQ(chdir(oldCwd_), 0);
    ASSERT_TRUE(removeTempDir(dir_));
  }
  static std::string readLog() {
    std::ifstream in("desktop.log", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static bool logExists() {
    struct stat st;
    return stat("desktop.log", &st) == 0;
  }
  std::string dir_;
  char oldCwd_[4096];
};

}  // namespace

// Switches

TEST_F(TraceLogTest, TraceSwitchOffOnlyForExactZero) {
  EXPECT_TRUE(desktopTraceEnabled());
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  EXPECT_FALSE(desktopTraceEnabled());
  for (const char* v : {"", "00", " 0", "0 ", "false", "off", "1"}) {
    setenv("QSODECK_DESKTOP_TRACE", v, 1);
    EXPECT_TRUE(desktopTraceEnabled()) << "value '" << v << "'";
  }
}

TEST_F(TraceLogTest, VerboseAndHttpOnlyForExactOne) {
  EXPECT_FALSE(desktopVerboseTraceEnabled());
  EXPECT_FALSE(desktopHttpTraceEnabled());
  setenv("QSODECK_DESKTOP_VERBOSE", "1", 1);
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  EXPECT_TRUE(desktopVerboseTraceEnabled());
  EXPECT_TRUE(desktopHttpTraceEnabled());
  for (const char* v : {"", "01", "true", "yes", "1 ", "2"}) {
    setenv("QSODECK_DESKTOP_VERBOSE", v, 1);
    setenv("QSODECK_DESKTOP_HTTP_TRACE", v, 1);
    EXPECT_FALSE(desktopVerboseTraceEnabled()) << "value '" << v << "'";
    EXPECT_FALSE(desktopHttpTraceEnabled()) << "value '" << v << "'";
  }
}

TEST_F(TraceLogTest, DisabledTraceIsSilentButSerialStillWrites) {
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  testing::internal::CaptureStdout();
  desktopTrace("[DESKTOP] setup: entered.\n");
  Serial.begin(115200);
  Serial.println("Boot start");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Boot start\n");
  EXPECT_EQ(readLog(), std::string(BANNER) + "Boot start\n");
}

TEST_F(TraceLogTest, SwitchIsReadAgainOnEveryCall) {
  testing::internal::CaptureStdout();
  desktopTrace("[DESKTOP] one\n");
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  desktopTrace("[DESKTOP] two\n");
  unsetenv("QSODECK_DESKTOP_TRACE");
  desktopTrace("[DESKTOP] three\n");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[DESKTOP] one\n[DESKTOP] three\n");
  EXPECT_EQ(readLog(), std::string(BANNER) + "[DESKTOP] one\n[DESKTOP] three\n");
}

// Console and file mirror

TEST_F(TraceLogTest, TraceGoesToConsoleAndLogVerbatim) {
  testing::internal::CaptureStdout();
  desktopTrace("[DESKTOP] platform: %s.\n", "Linux");
  desktopTrace("[DESKTOP][WARN] code %d\n", -98);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[DESKTOP] platform: Linux.\n[DESKTOP][WARN] code -98\n");
  EXPECT_EQ(readLog(), std::string(BANNER) + out);
}

TEST_F(TraceLogTest, LongTraceIsCutTo2047Bytes) {
  std::string body(5000, 'x');
  testing::internal::CaptureStdout();
  desktopTrace("[DESKTOP] %s\n", body.c_str());
  std::string out = testing::internal::GetCapturedStdout();
  std::string expected = ("[DESKTOP] " + body).substr(0, 2047);
  EXPECT_EQ(out, expected);
  EXPECT_EQ(readLog(), std::string(BANNER) + expected);
}

TEST_F(TraceLogTest, TraceOfExactly2047BytesIsWhole) {
  std::string body(2046, 'y');
  testing::internal::CaptureStdout();
  desktopTrace("%s\n", body.c_str());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, body + "\n");
}

TEST_F(TraceLogTest, EmptyOrNullTraceWritesNothing) {
  testing::internal::CaptureStdout();
  desktopTrace("%s", "");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat"
  const char* none = nullptr;
  desktopTrace(none);
#pragma GCC diagnostic pop
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(logExists());
}

TEST_F(TraceLogTest, SerialWritesReturnCounts) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(Serial.write((uint8_t)'A'), 1u);
  const uint8_t bytes[] = {'b', 0, 'c'};
  EXPECT_EQ(Serial.write(bytes, 3), 3u);
  EXPECT_EQ(Serial.write(bytes, 0), 0u);
  EXPECT_EQ(Serial.print(42), 2u);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, std::string("Ab\0c42", 6));
  EXPECT_EQ(readLog(), std::string(BANNER) + std::string("Ab\0c42", 6));
}

TEST_F(TraceLogTest, SerialPrintfIsCutAt1023) {
  std::string body(1500, 'z');
  testing::internal::CaptureStdout();
  size_t n = Serial.printf("%s", body.c_str());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(n, 1500u);
  EXPECT_EQ(out, std::string(1023, 'z'));
}

// Log file lifecycle

TEST_F(TraceLogTest, NothingOpensTheLogUntilNeeded) {
  EXPECT_EQ(desktopLogFile(), nullptr);
  desktopLogRaw(nullptr, 5);
  desktopLogRaw("abc", 0);
  EXPECT_EQ(desktopLogFile(), nullptr);
  EXPECT_FALSE(logExists());
  desktopInitLog();
  EXPECT_NE(desktopLogFile(), nullptr);
  EXPECT_EQ(readLog(), BANNER);
  desktopInitLog();
  EXPECT_EQ(readLog(), BANNER);
}

TEST_F(TraceLogTest, ReopeningAfterCloseWritesASecondBanner) {
  desktopLogRaw("first\n", 6);
  desktopCloseLog();
  EXPECT_EQ(desktopLogFile(), nullptr);
  desktopCloseLog();
  desktopLogRaw("second\n", 7);
  std::string log = readLog();
  EXPECT_EQ(log, std::string(BANNER) + "first\n" + BANNER + "second\n");
  EXPECT_EQ(countOccurrences(log, "--- Qsodeck desktop run ---"), 2);
}

TEST_F(TraceLogTest, ExistingLogIsAppendedTo) {
  {
    std::ofstream old("desktop.log", std::ios::binary);
    old << "older run\n";
  }
  desktopLogRaw("new\n", 4);
  EXPECT_EQ(readLog(), std::string("older run\n") + BANNER + "new\n");
}

TEST_F(TraceLogTest, FailedOpenKeepsConsoleAndRetriesLater) {
  ASSERT_EQ(mkdir("desktop.log", 0755), 0);  // a directory cannot be opened for appending
  testing::internal::CaptureStdout();
  desktopTrace("[DESKTOP] while blocked\n");
  EXPECT_EQ(desktopLogFile(), nullptr);
  ASSERT_EQ(rmdir("desktop.log"), 0);
  desktopTrace("[DESKTOP] after\n");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[DESKTOP] while blocked\n[DESKTOP] after\n");
  EXPECT_NE(desktopLogFile(), nullptr);
  EXPECT_EQ(readLog(), std::string(BANNER) + "[DESKTOP] after\n");
}

TEST_F(TraceLogTest, EveryWriteIsFlushedAtOnce) {
  desktopTrace("[DESKTOP] flushed\n");
  // Read through a separate handle while the log stays open.
  EXPECT_NE(desktopLogFile(), nullptr);
  EXPECT_EQ(readLog(), std::string(BANNER) + "[DESKTOP] flushed\n");
}

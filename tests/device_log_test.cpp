// Device log ring, its serial mirror, the fetch statistics with their
// rate-limited messages, and the age texts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/device_log.h"
#include "host/runtime.h"

namespace {

// Messages of the ring, oldest first.
std::vector<std::string> ringMessages() {
  std::vector<std::string> out;
  for (uint8_t i = 0; i < webLogCount; i++) out.push_back(webLogEntryAt(i)->message.c_str());
  return out;
}

std::string newestMessage() {
  if (webLogCount == 0) return "";
  return webLogEntryAt(webLogCount - 1)->message.c_str();
}

// Counts lines of the captured serial output that contain needle.
int countLines(const std::string& text, const std::string& needle) {
  int n = 0;
  size_t pos = 0;
  while ((pos = text.find(needle, pos)) != std::string::npos) {
    n++;
    pos += needle.size();
  }
  return n;
}

class DeviceLogTest : public ::testing::Test {
 protected:
  void SetUp() override { desktopSetTestClock(1000); }
  void TearDown() override { desktopClearTestClock(); }
};

}  // namespace

// Ring

TEST_F(DeviceLogTest, StartsEmpty) {
  EXPECT_EQ(webLogCount, 0);
  EXPECT_EQ(webLogHead, 0);
  EXPECT_EQ(webLogEntryAt(0), nullptr);
}

TEST_F(DeviceLogTest, StoresTimeLevelTagAndMessage) {
  desktopSetTestClock(4242);
  addWebLog("WARN", "API", "Something happened.", false);
  ASSERT_EQ(webLogCount, 1);
  const WebLogEntry* e = webLogEntryAt(0);
  EXPECT_EQ(e->ms, 4242u);
  EXPECT_STREQ(e->level.c_str(), "WARN");
  EXPECT_STREQ(e->tag.c_str(), "API");
  EXPECT_STREQ(e->message.c_str(), "Something happened.");
}

TEST_F(DeviceLogTest, NinthEntryOverwritesTheFirstAndHeadWraps) {
  for (int i = 1; i <= 8; i++) addWebLog("INFO", "T", "m" + String(i), false);
  EXPECT_EQ(webLogCount, 8);
  EXPECT_EQ(webLogHead, 0);
  EXPECT_STREQ(webLogBuffer[0].message.c_str(), "m1");
  addWebLog("INFO", "T", "m9", false);
  EXPECT_EQ(webLogCount, 8);
  EXPECT_EQ(webLogHead, 1);
  EXPECT_STREQ(webLogBuffer[0].message.c_str(), "m9");
  std::vector<std::string> expected = {"m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9"};
  EXPECT_EQ(ringMessages(), expected);
}

TEST_F(DeviceLogTest, HeadGoesFromSevenBackToZero) {
  for (int i = 0; i < 7; i++) addWebLog("INFO", "", "x", false);
  EXPECT_EQ(webLogHead, 7);
  addWebLog("INFO", "", "y", false);
  EXPECT_EQ(webLogHead, 0);
  for (int i = 0; i < 17; i++) addWebLog("INFO", "", "z" + String(i), false);
  EXPECT_EQ(webLogCount, 8);
  EXPECT_EQ(webLogHead, 1);
  EXPECT_EQ(newestMessage(), "z16");
}

TEST_F(DeviceLogTest, ClearEmptiesTheRingButKeepsStatistics) {
  addWebLog("INFO", "", "a", false);
  noteApiFetchResult(true, 200, 5);
  clearWebLog();
  EXPECT_EQ(webLogCount, 0);
  EXPECT_EQ(webLogHead, 0);
  EXPECT_EQ(diagnosticsState.fetchOk, 1u);
}

// Message cleaning

TEST_F(DeviceLogTest, MessageOf220CharactersIsKept) {
  String msg;
  for (int i = 0; i < 220; i++) msg += (char)('a' + i % 26);
  addWebLog("INFO", "", msg, false);
  EXPECT_EQ(webLogEntryAt(0)->message, msg);
}

TEST_F(DeviceLogTest, MessageOf221CharactersIsCutTo217PlusDots) {
  String msg;
  for (int i = 0; i < 221; i++) msg += (char)('a' + i % 26);
  addWebLog("INFO", "", msg, false);
  const String& stored = webLogEntryAt(0)->message;
  EXPECT_EQ(stored.length(), 220u);
  EXPECT_EQ(stored, msg.substring(0, 217) + "...");
}

TEST_F(DeviceLogTest, VeryLongMessageIsCutToo) {
  String msg;
  for (int i = 0; i < 5000; i++) msg += 'x';
  addWebLog("INFO", "", msg, false);
  EXPECT_EQ(webLogEntryAt(0)->message.length(), 220u);
  EXPECT_TRUE(webLogEntryAt(0)->message.endsWith("..."));
}

TEST_F(DeviceLogTest, LineBreaksBecomeBlanksInRingAndMirror) {
  testing::internal::CaptureStdout();
  addWebLog("INFO", "CONFIG", "line one\nline two\r\nend\r", true);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_STREQ(webLogEntryAt(0)->message.c_str(), "line one line two  end ");
  EXPECT_EQ(out, "[INFO][CONFIG] line one line two  end \n");
}

TEST_F(DeviceLogTest, LineBreaksCountBeforeTheCut) {
  String msg = "a\nb";
  for (int i = 0; i < 300; i++) msg += '\n';
  addWebLog("INFO", "", msg, false);
  const String& stored = webLogEntryAt(0)->message;
  EXPECT_EQ(stored.length(), 220u);
  EXPECT_EQ(stored.indexOf('\n'), -1);
  EXPECT_TRUE(stored.startsWith("a b   "));
}

TEST_F(DeviceLogTest, LevelAndTagAreTrimmedAndEmptyLevelIsInfo) {
  addWebLog("  ", "  BOOT \t", "x", false);
  EXPECT_STREQ(webLogEntryAt(0)->level.c_str(), "INFO");
  EXPECT_STREQ(webLogEntryAt(0)->tag.c_str(), "BOOT");
  addWebLog(" WARN ", "", "y", false);
  EXPECT_STREQ(webLogEntryAt(1)->level.c_str(), "WARN");
}

// Serial mirror

TEST_F(DeviceLogTest, MirrorPrintsLevelTagAndMessage) {
  testing::internal::CaptureStdout();
  addWebLog("INFO", "BOOT", "Boot start.", true);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[INFO][BOOT] Boot start.\n");
}

TEST_F(DeviceLogTest, EmptyTagPrintsNoTagBrackets) {
  testing::internal::CaptureStdout();
  addWebLog("", "  ", "plain", true);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[INFO] plain\n");
}

TEST_F(DeviceLogTest, NoMirrorPrintsNothing) {
  testing::internal::CaptureStdout();
  addWebLog("INFO", "X", "quiet", false);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "");
  EXPECT_EQ(webLogCount, 1);
}

// API fetch results

TEST_F(DeviceLogTest, SecondFailureLineReadsAsInTheExample) {
  noteApiFetchResult(false, -1, 4000);
  testing::internal::CaptureStdout();
  noteApiFetchResult(false, -1, 5003);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[WARN][API] Hotspot API failed (HTTP -1, 5003 ms, streak 2).\n");
}

TEST_F(DeviceLogTest, StatisticsAreCounted) {
  desktopSetTestClock(5000);
  EXPECT_EQ(noteApiFetchResult(true, 200, 12), 200);
  desktopSetTestClock(6000);
  EXPECT_EQ(noteApiFetchResult(false, 503, 40), 503);
  EXPECT_EQ(noteApiFetchResult(false, 503, 41), 503);
  const DiagnosticsState& d = diagnosticsState;
  EXPECT_EQ(d.fetchOk, 1u);
  EXPECT_EQ(d.fetchFail, 2u);
  EXPECT_EQ(d.consecutiveFetchFailures, 2u);
  EXPECT_EQ(d.lastApiLatencyMs, 41u);
  EXPECT_EQ(d.lastApiStatusCode, 503);
  EXPECT_EQ(d.lastFetchMillis, 6000u);
  EXPECT_EQ(d.lastFetchSuccessMillis, 5000u);
}

TEST_F(DeviceLogTest, TwentyFailuresLogStreaks1To3And10And20Only) {
  testing::internal::CaptureStdout();
  for (int i = 0; i < 20; i++) noteApiFetchResult(false, 500, 100);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(countLines(out, "Hotspot API failed"), 5);
  for (int streak : {1, 2, 3, 10, 20}) {
    std::string line =
        "[WARN][API] Hotspot API failed (HTTP 500, 100 ms, streak " + std::to_string(streak) + ").\n";
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(out.find("streak 4)"), std::string::npos);
  EXPECT_EQ(out.find("streak 11)"), std::string::npos);
  EXPECT_EQ(diagnosticsState.consecutiveFetchFailures, 20u);
}

TEST_F(DeviceLogTest, SuccessAfterFailuresLogsOnceAndResetsTheStreak) {
  for (int i = 0; i < 20; i++) noteApiFetchResult(false, 500, 100);
  testing::internal::CaptureStdout();
  noteApiFetchResult(true, 200, 31);
  noteApiFetchResult(true, 200, 32);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[INFO][API] Hotspot API OK (HTTP 200, 31 ms).\n");
  EXPECT_EQ(diagnosticsState.consecutiveFetchFailures, 0u);
  // The next failure is streak 1 again.
  testing::internal::CaptureStdout();
  noteApiFetchResult(false, 500, 7);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[WARN][API] Hotspot API failed (HTTP 500, 7 ms, streak 1).\n");
}

TEST_F(DeviceLogTest, RepeatedIdenticalSuccessesLogOnlyTheFirst) {
  for (int i = 0; i < 50; i++) noteApiFetchResult(true, 200, 10 + i);
  EXPECT_EQ(webLogCount, 1);
  EXPECT_STREQ(webLogEntryAt(0)->message.c_str(), "Hotspot API OK (HTTP 200, 10 ms).");
  EXPECT_STREQ(webLogEntryAt(0)->level.c_str(), "INFO");
  EXPECT_STREQ(webLogEntryAt(0)->tag.c_str(), "API");
}

TEST_F(DeviceLogTest, ChangedCodeLogsEvenInTheMiddleOfAStreak) {
  for (int i = 0; i < 5; i++) noteApiFetchResult(false, 500, 1);
  EXPECT_EQ(webLogCount, 3);
  noteApiFetchResult(false, -2, 1);
  EXPECT_EQ(webLogCount, 4);
  EXPECT_EQ(newestMessage(), "Hotspot API failed (HTTP -2, 1 ms, streak 6).");
  noteApiFetchResult(true, 201, 1);
  noteApiFetchResult(true, 200, 1);
  EXPECT_EQ(newestMessage(), "Hotspot API OK (HTTP 200, 1 ms).");
}

// Weather fetch results

TEST_F(DeviceLogTest, WeatherFailuresLogWhileTotalIsAtMostThree) {
  noteWeatherFetchResult(false, 401);
  noteWeatherFetchResult(false, 401);
  noteWeatherFetchResult(true, 200);
  noteWeatherFetchResult(false, 401);  // changed state: logged (total 3)
  noteWeatherFetchResult(false, 401);  // total 4, unchanged: silent
  noteWeatherFetchResult(true, 200);
  noteWeatherFetchResult(false, 401);  // changed state: logged
  noteWeatherFetchResult(false, 401);  // total 6, unchanged: silent
  std::vector<std::string> expected = {
      "Weather refresh failed (HTTP 401).", "Weather refresh failed (HTTP 401).",
      "Weather refresh OK (HTTP 200).",     "Weather refresh failed (HTTP 401).",
      "Weather refresh OK (HTTP 200).",     "Weather refresh failed (HTTP 401).",
  };
  EXPECT_EQ(ringMessages(), expected);
  EXPECT_EQ(diagnosticsState.weatherFail, 6u);
  EXPECT_EQ(diagnosticsState.weatherOk, 2u);
  EXPECT_STREQ(webLogEntryAt(0)->tag.c_str(), "WEATHER");
  EXPECT_STREQ(webLogEntryAt(0)->level.c_str(), "WARN");
}

TEST_F(DeviceLogTest, WeatherTimesAndCodes) {
  desktopSetTestClock(7000);
  noteWeatherFetchResult(true, 200);
  desktopSetTestClock(9000);
  noteWeatherFetchResult(false, -1);
  EXPECT_EQ(diagnosticsState.lastWeatherAttemptMillis, 9000u);
  EXPECT_EQ(diagnosticsState.lastWeatherSuccessMillis, 7000u);
  EXPECT_EQ(diagnosticsState.lastWeatherHttpCode, -1);
  EXPECT_EQ(newestMessage(), "Weather refresh failed (HTTP -1).");
}

// Solar-data fetch results

TEST_F(DeviceLogTest, HamqslLogsOnlyChanges) {
  EXPECT_EQ(noteHamqslFetchResult(false, 500), 500);
  noteHamqslFetchResult(false, 500);
  noteHamqslFetchResult(false, 500);
  noteHamqslFetchResult(true, 200);
  noteHamqslFetchResult(true, 200);
  noteHamqslFetchResult(false, 404);
  std::vector<std::string> expected = {"HAMQSL solar XML fetch failed (HTTP 500).",
                                       "HAMQSL solar XML fetch OK (HTTP 200).",
                                       "HAMQSL solar XML fetch failed (HTTP 404)."};
  EXPECT_EQ(ringMessages(), expected);
  EXPECT_STREQ(webLogEntryAt(1)->tag.c_str(), "HAMQSL");
  EXPECT_STREQ(webLogEntryAt(1)->level.c_str(), "INFO");
}

// Age texts

TEST_F(DeviceLogTest, LogAgeExamples) {
  desktopSetTestClock(10000000);
  EXPECT_STREQ(formatLogAgeBrief(10000000 - 3725000).c_str(), "1h 2m ago");
  EXPECT_STREQ(formatLogAgeBrief(10000000 - 125000).c_str(), "2m 5s ago");
  EXPECT_STREQ(formatLogAgeBrief(10000000 - 59999).c_str(), "59s ago");
  EXPECT_STREQ(formatLogAgeBrief(10000000 - 3600000).c_str(), "1h 0m ago");
  EXPECT_STREQ(formatLogAgeBrief(10000000).c_str(), "0s ago");
}

TEST_F(DeviceLogTest, LogAgeOfZeroOrFutureIsZero) {
  desktopSetTestClock(50000);
  EXPECT_STREQ(formatLogAgeBrief(0).c_str(), "0s ago");
  EXPECT_STREQ(formatLogAgeBrief(60000).c_str(), "0s ago");
}

TEST_F(DeviceLogTest, LogAgeAcrossTheClockWrap) {
  // Entry written 5 s before millis() wrapped, read 10 s after the wrap.
  desktopSetTestClock(10000);
  EXPECT_STREQ(formatLogAgeBrief(0xFFFFFFFFu - 4999).c_str(), "15s ago");
}

TEST_F(DeviceLogTest, MillisAgoBands) {
  desktopSetTestClock(200000000);
  uint32_t now = 200000000;
  EXPECT_STREQ(formatMillisAgoBrief(0).c_str(), "Never");
  EXPECT_STREQ(formatMillisAgoBrief(now).c_str(), "Just now");
  EXPECT_STREQ(formatMillisAgoBrief(now - 999).c_str(), "Just now");
  EXPECT_STREQ(formatMillisAgoBrief(now - 1000).c_str(), "1s ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 59999).c_str(), "59s ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 60000).c_str(), "1m ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 3599999).c_str(), "59m ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 3600000).c_str(), "1h ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 86399999).c_str(), "23h ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 86400000).c_str(), "1d ago");
  EXPECT_STREQ(formatMillisAgoBrief(now - 190000000).c_str(), "2d ago");
}

TEST_F(DeviceLogTest, MillisAgoAcrossTheClockWrap) {
  desktopSetTestClock(2000);
  EXPECT_STREQ(formatMillisAgoBrief(0xFFFFFFFFu - 60000).c_str(), "1m ago");
}

// Runtime functions: clock, ranges, character tests, strlcpy, time, Print,
// Stream, IPAddress and the board substitutes with their fixed results.
#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/board_stubs.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "support/capture_print.h"

namespace {

// A Stream over a fixed text.
class TextStream : public Stream {
 public:
  explicit TextStream(std::string t) : text(std::move(t)) {}
  size_t write(uint8_t) override { return 0; }
  int available() override { return (int)(text.size() - pos); }
  int read() override { return pos < text.size() ? (unsigned char)text[pos++] : -1; }
  std::string text;
  size_t pos = 0;
};

// A Stream that claims bytes but has none to give.
class LyingStream : public Stream {
 public:
  size_t write(uint8_t) override { return 0; }
  int available() override { return 5; }
  int read() override { return -1; }
};

}  // namespace

// Clock

TEST(RuntimeClock, MillisFollowsBootClockTruncatedTo32Bits) {
  struct timespec ts;
  clock_gettime(CLOCK_BOOTTIME, &ts);
  uint64_t before = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
  uint32_t m = millis();
  clock_gettime(CLOCK_BOOTTIME, &ts);
  uint64_t after = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
  EXPECT_LE((uint32_t)(m - (uint32_t)before), (uint32_t)(after - before));
}

TEST(RuntimeClock, DelayWaitsAtLeastTheGivenTime) {
  uint32_t start = millis();
  delay(20);
  EXPECT_GE((uint32_t)(millis() - start), 20u);
}

TEST(RuntimeClock, TestClockIsExactAndDelayAdvancesIt) {
  desktopSetTestClock(1234);
  EXPECT_TRUE(desktopTestClockActive());
  EXPECT_EQ(millis(), 1234u);
  EXPECT_EQ(millis(), 1234u);
  delay(700);
  EXPECT_EQ(millis(), 1934u);
  desktopSetTestClock(0xFFFFFFF0u);
  delay(0x20);
  EXPECT_EQ(millis(), 0x10u);
  desktopClearTestClock();
  EXPECT_FALSE(desktopTestClockActive());
}

TEST(RuntimeClock, UnsignedDifferenceSurvivesTheWrap) {
  desktopSetTestClock(0xFFFFFF00u);
  uint32_t last = millis();
  desktopSetTestClock(0x00000100u);
  EXPECT_EQ((uint32_t)(millis() - last), 0x200u);
  EXPECT_TRUE((uint32_t)(millis() - last) >= 500u);
  desktopClearTestClock();
}

TEST(RuntimeClock, ClearedTestClockReturnsToRealTime) {
  desktopSetTestClock(5);
  desktopClearTestClock();
  struct timespec ts;
  clock_gettime(CLOCK_BOOTTIME, &ts);
  uint32_t real = (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
  EXPECT_LE((uint32_t)(millis() - real), 1000u);
}

// Ranges

TEST(RuntimeRange, MinMax) {
  EXPECT_EQ(min(3, 4), 3);
  EXPECT_EQ(max(3, 4), 4);
  EXPECT_EQ(min(-1L, 1L), -1L);
  EXPECT_EQ(max(2.5f, 1.5f), 2.5f);
  EXPECT_EQ(min<uint32_t>(7u, 0xFFFFFFFFu), 7u);
}

TEST(RuntimeRange, ConstrainEachType) {
  EXPECT_EQ(constrain(5, 0, 3), 3);
  EXPECT_EQ(constrain(-5, 0, 3), 0);
  EXPECT_EQ(constrain(2, 0, 3), 2);
  EXPECT_EQ(constrain(100000L, 0L, 65535L), 65535L);
  EXPECT_FLOAT_EQ(constrain(1.5f, 0.0f, 1.0f), 1.0f);
  EXPECT_EQ(constrain((unsigned char)250, (unsigned char)10, (unsigned char)200), 200);
  EXPECT_EQ(constrain((unsigned short)5, (unsigned short)10, (unsigned short)2000), 10);
  EXPECT_EQ(constrain(7L, 0, 10), 7L);
}

TEST(RuntimeRange, MapTableCases) {
  EXPECT_EQ(map(5, 0, 10, 0, 100), 50);
  EXPECT_EQ(map(5, 3, 3, 7, 100), 7);
  EXPECT_EQ(map(0, 0, 10, 100, 0), 100);
  EXPECT_EQ(map(10, 0, 10, 100, 0), 0);
  EXPECT_EQ(map(1, 0, 3, 0, 10), 3);    // 10/3 truncates
  EXPECT_EQ(map(-1, 0, 3, 0, 10), -3);  // toward zero, not down
  EXPECT_EQ(map(20, 0, 10, 0, 100), 200);
}

// Hostile: products beyond 32 bits must not overflow.
TEST(RuntimeRange, MapDoesNotOverflowOnLargeSpans) {
  EXPECT_EQ(map(2000000000L, 0L, 2000000000L, 0L, 2000000000L), 2000000000L);
  EXPECT_EQ(map(65535, 0, 65535, -100, 0), 0);
  EXPECT_EQ(map(1000000, 0, 4000000, 0, 4000000), 1000000);
  EXPECT_EQ(map(LONG_MAX, 0, LONG_MAX, 0, 100), 100);
}

// Character tests

TEST(RuntimeChars, DigitAlphaSpace) {
  EXPECT_TRUE(isDigit('0'));
  EXPECT_TRUE(isDigit('9'));
  EXPECT_FALSE(isDigit('a'));
  EXPECT_TRUE(isAlpha('Q'));
  EXPECT_FALSE(isAlpha('1'));
  EXPECT_TRUE(isSpace(' '));
  EXPECT_TRUE(isSpace('\t'));
  EXPECT_TRUE(isSpace('\v'));
  EXPECT_FALSE(isSpace('x'));
}

// Hostile: bytes 128..255 arrive as negative chars; they are no letters,
// digits or spaces in the C locale and must not index outside the tables.
TEST(RuntimeChars, HighBytesAreUnsigned) {
  for (int b = 128; b < 256; ++b) {
    char c = (char)b;
    EXPECT_FALSE(isDigit(c)) << b;
    EXPECT_FALSE(isAlpha(c)) << b;
    EXPECT_FALSE(isSpace(c)) << b;
  }
  EXPECT_FALSE(isDigit((char)('0' | 0x80)));
}

// strlcpy

TEST(RuntimeStrlcpy, TableCases) {
  char buf[3] = {'x', 'x', 'x'};
  EXPECT_EQ(strlcpy(buf, "hello", sizeof(buf)), 5u);
  EXPECT_STREQ(buf, "he");
  char big[16];
  EXPECT_EQ(strlcpy(big, "hello", sizeof(big)), 5u);
  EXPECT_STREQ(big, "hello");
  EXPECT_EQ(strlcpy(big, nullptr, sizeof(big)), 0u);
  EXPECT_STREQ(big, "");
  big[0] = 'K';
  EXPECT_EQ(strlcpy(big, "abc", 0), 3u);
  EXPECT_EQ(big[0], 'K');
  EXPECT_EQ(strlcpy(nullptr, "abc", 10), 3u);
  EXPECT_EQ(strlcpy(big, "abc", 1), 3u);
  EXPECT_STREQ(big, "");
}

// Time

TEST(RuntimeTime, GmtimeOfKnownInstant) {
  time_t t = 1700000000;  // 2023-11-14 22:13:20 UTC
  struct tm out;
  ASSERT_NE(desktop_gmtime_r(&t, &out), nullptr);
  EXPECT_EQ(out.tm_year, 123);
  EXPECT_EQ(out.tm_mon, 10);
  EXPECT_EQ(out.tm_mday, 14);
  EXPECT_EQ(out.tm_hour, 22);
  EXPECT_EQ(out.tm_min, 13);
  EXPECT_EQ(out.tm_sec, 20);
}

TEST(RuntimeTime, LocaltimeUsesHostZone) {
  setenv("TZ", "UTC0", 1);
  tzset();
  time_t t = 86400;
  struct tm out;
  ASSERT_NE(desktop_localtime_r(&t, &out), nullptr);
  EXPECT_EQ(out.tm_mday, 2);
  EXPECT_EQ(out.tm_hour, 0);
  setenv("TZ", "CET-1", 1);
  tzset();
  ASSERT_NE(desktop_localtime_r(&t, &out), nullptr);
  EXPECT_EQ(out.tm_hour, 1);
}

TEST(RuntimeTime, NullArgumentsGiveNull) {
  time_t t = 0;
  struct tm out;
  EXPECT_EQ(desktop_localtime_r(nullptr, &out), nullptr);
  EXPECT_EQ(desktop_localtime_r(&t, nullptr), nullptr);
  EXPECT_EQ(desktop_gmtime_r(nullptr, &out), nullptr);
  EXPECT_EQ(desktop_gmtime_r(&t, nullptr), nullptr);
}

TEST(RuntimeTime, GetLocalTimeIsNowAndNeverWaits) {
  EXPECT_FALSE(getLocalTime(nullptr));
  struct tm out;
  memset(&out, 0, sizeof(out));
  EXPECT_TRUE(getLocalTime(&out, 0));
  EXPECT_GE(out.tm_year, 120);
}

TEST(RuntimeTime, ConfigTzTimeLeavesHostZone) {
  setenv("TZ", "UTC0", 1);
  tzset();
  configTzTime("CET-1CEST,M3.5.0/2,M10.5.0/3", "pool.ntp.org", "time.nist.gov");
  time_t t = 0;
  struct tm out;
  ASSERT_NE(desktop_localtime_r(&t, &out), nullptr);
  EXPECT_EQ(out.tm_hour, 0);
  EXPECT_STREQ(getenv("TZ"), "UTC0");
}

// Print

TEST(RuntimePrint, PrintForms) {
  CapturePrint p;
  EXPECT_EQ(p.print("ab"), 2u);
  EXPECT_EQ(p.print((const char*)nullptr), 0u);
  EXPECT_EQ(p.write((const char*)nullptr), 0u);
  EXPECT_EQ(p.print(String("cd")), 2u);
  EXPECT_EQ(p.print('e'), 1u);
  EXPECT_EQ(p.println(), 1u);
  EXPECT_EQ(p.println("x"), 2u);
  EXPECT_EQ(p.println(String("yz")), 3u);
  EXPECT_EQ(p.print(42), 2u);
  EXPECT_EQ(p.print(255, 16), 2u);
  EXPECT_EQ(p.println(1.5), 5u);
  EXPECT_EQ(p.text, "abcde\nx\nyz\n42FF1.50\n");
}

TEST(RuntimePrint, BufferWriteGoesThroughOneByteWrite) {
  CapturePrint p;
  const uint8_t bytes[] = {'a', 0, 'b'};
  EXPECT_EQ(p.write(bytes, 3), 3u);
  EXPECT_EQ(p.text, std::string("a\0b", 3));
  EXPECT_EQ(p.write((const uint8_t*)nullptr, 3), 0u);
}

TEST(RuntimePrint, PrintfCutsAt1023ButReportsFullCount) {
  CapturePrint p;
  EXPECT_EQ(p.printf("%d-%s", 7, "x"), 3u);
  EXPECT_EQ(p.text, "7-x");
  p.text.clear();
  std::string longText(3000, 'q');
  EXPECT_EQ(p.printf("%s!", longText.c_str()), 3001u);
  EXPECT_EQ(p.text.size(), 1023u);
  EXPECT_EQ(p.text, std::string(1023, 'q'));
  p.text.clear();
  EXPECT_EQ(p.printf("%s", ""), 0u);
  EXPECT_TRUE(p.text.empty());
}

// Stream

TEST(RuntimeStream, BaseStreamHasNothing) {
  class Bare : public Stream {
   public:
    size_t write(uint8_t) override { return 1; }
  } s;
  EXPECT_EQ(s.available(), 0);
  EXPECT_EQ(s.read(), -1);
  uint8_t buf[4];
  EXPECT_EQ(s.readBytes(buf, 4), 0u);
}

TEST(RuntimeStream, ReadBytesStopsAtCountOrEnd) {
  TextStream s("hello");
  char buf[8] = {0};
  EXPECT_EQ(s.readBytes(buf, 3), 3u);
  EXPECT_EQ(std::string(buf, 3), "hel");
  EXPECT_EQ(s.readBytes(buf, 8), 2u);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(s.readBytes(buf, 8), 0u);
  LyingStream liar;
  EXPECT_EQ(liar.readBytes(buf, 8), 0u);
}

TEST(RuntimeStream, ReadStringAndUntil) {
  TextStream s("line1\nline2\xFF");
  EXPECT_EQ(s.readStringUntil('\n'), "line1");
  EXPECT_EQ(s.readString(), "line2\xFF");
}

// Small value types

TEST(RuntimeTypes, IpAddressKeepsText) {
  EXPECT_EQ(IPAddress("127.0.0.1").toString(), "127.0.0.1");
  EXPECT_EQ(IPAddress(192, 168, 1, 255).toString(), "192.168.1.255");
  EXPECT_TRUE(IPAddress(10, 0, 0, 1) == IPAddress("10.0.0.1"));
}

TEST(RuntimeTypes, TouchPointIsSigned16) {
  TS_Point p(-5, 799, 1);
  EXPECT_EQ(p.x, -5);
  EXPECT_EQ(p.y, 799);
  EXPECT_EQ(p.z, 1);
  TS_Point zero;
  EXPECT_EQ(zero.x, 0);
  EXPECT_TRUE(zero != p);
}

// Board substitutes

TEST(BoardStubs, WiFiFixedResults) {
  WiFiClass wifi;
  EXPECT_EQ(wifi.status(), 3);
  EXPECT_EQ(wifi.RSSI(), -42);
  EXPECT_EQ(wifi.SSID(0), "DESKTOP");
  EXPECT_EQ(wifi.SSID(), "DESKTOP");
  EXPECT_EQ(wifi.SSID(1), "");
  EXPECT_EQ(wifi.localIP().toString(), "127.0.0.1");
  EXPECT_EQ(wifi.softAPIP().toString(), "127.0.0.1");
  EXPECT_EQ(wifi.scanNetworks(), 1);
  wifi.disconnect();
  EXPECT_EQ(wifi.status(), 6);
  wifi.mode(WIFI_AP_STA);
  wifi.persistent(false);
  wifi.setAutoReconnect(true);
  wifi.softAPdisconnect(true);
  EXPECT_EQ(wifi.status(), 6);
  wifi.begin("any", "pass");
  EXPECT_EQ(wifi.status(), WL_CONNECTED);
  EXPECT_EQ(WiFi.status(), WL_CONNECTED);
}

TEST(BoardStubs, EspUpdateAndResetReason) {
  EXPECT_EQ(ESP.getFreeHeap(), 134217728u);
  UpdateClass up;
  EXPECT_TRUE(up.begin(1000));
  EXPECT_EQ(up.getError(), 0);
  uint8_t data[5] = {1, 2, 3, 4, 5};
  EXPECT_EQ(up.write(data, 5), 5u);
  EXPECT_TRUE(up.end(true));
  up.abort();
  EXPECT_EQ(up.getError(), 12);
  EXPECT_TRUE(up.begin());
  EXPECT_EQ(up.getError(), 0);
  EXPECT_EQ((int)rtc_get_reset_reason(0), 0);
  EXPECT_EQ((int)rtc_get_reset_reason(1), 0);
}

// Tasks are real, named threads; the recursive mutex still never blocks.
TEST(BoardStubs, TasksRunOnNamedThreadsAndMutexNeverBlocks) {
  static std::atomic<int> ran{0};
  static char name[16] = "";
  static int seven = 7;
  TaskHandle_t handle = nullptr;
  BaseType_t r = xTaskCreatePinnedToCore(
      [](void* p) {
        pthread_getname_np(pthread_self(), name, sizeof(name));
        ran.store(*(int*)p);
      },
      "a task with a long name", 4096, &seven, 1, &handle, 0);
  EXPECT_EQ(r, pdPASS);
  EXPECT_NE(handle, nullptr);
  EXPECT_TRUE(desktopWaitForTasks(5000));
  EXPECT_EQ(ran.load(), 7);
  EXPECT_STREQ(name, "a task with a l");  // the system keeps 15 bytes
  EXPECT_EQ(desktopRunningTaskCount(), 0);
  handle = (TaskHandle_t)&ran;
  EXPECT_EQ(xTaskCreatePinnedToCore(nullptr, "none", 1, nullptr, 1, &handle, 1), pdFAIL);
  EXPECT_EQ(handle, nullptr);
  vTaskDelete(nullptr);
  SemaphoreHandle_t m = xSemaphoreCreateRecursiveMutex();
  EXPECT_NE(m, nullptr);
  EXPECT_EQ(xSemaphoreTakeRecursive(m, pdMS_TO_TICKS(30000)), pdTRUE);
  EXPECT_EQ(xSemaphoreTakeRecursive(m, 0), pdTRUE);
  xSemaphoreGiveRecursive(m);
  xSemaphoreGiveRecursive(m);
  // After the stop at shut-down no task starts any more.
  EXPECT_TRUE(desktopStopTasks(1000));
  EXPECT_TRUE(desktopTaskStopRequested());
  EXPECT_EQ(xTaskCreatePinnedToCore([](void*) {}, "late", 1, nullptr, 1, &handle, 1), pdFAIL);
  EXPECT_EQ(handle, nullptr);
}

// The decoder is real (tests/images_test.cpp); without callbacks it opens nothing.
TEST(BoardStubs, PngDecoderWithoutCallbacksOpensNothing) {
  PNG png;
  EXPECT_EQ(png.open("/x.png", nullptr, nullptr, nullptr, nullptr, nullptr), PNG_INVALID_PARAMETER);
  EXPECT_EQ(png.decode(nullptr, 0), PNG_INVALID_PARAMETER);
  EXPECT_EQ(png.getWidth(), 0);
  EXPECT_EQ(png.getHeight(), 0);
  EXPECT_EQ(png.getPixelType(), 0);
  EXPECT_EQ(png.hasAlpha(), 0);
  png.close();
}

TEST(BoardStubs, WebServerArgumentsAreEmpty) {
  WebServer server(80);
  EXPECT_EQ(server.arg("ssid"), "");
  EXPECT_FALSE(server.hasArg("ssid"));
  server.on("/", []() {});
  server.sendHeader("Location", "/");
  server.handleClient();
}

TEST(BoardStubs, WebServerStreamFileReadsToTheEndInPieces) {
  struct FakeFile {
    size_t left = 1000;
    std::vector<size_t> asked;
    size_t read(uint8_t* buf, size_t n) {
      asked.push_back(n);
      size_t k = left < n ? left : n;
      memset(buf, 0, k);
      left -= k;
      return k;
    }
  } file;
  WebServer server;
  EXPECT_EQ(server.streamFile(file, "text/plain"), 1000u);
  EXPECT_EQ(file.left, 0u);
  ASSERT_FALSE(file.asked.empty());
  for (size_t n : file.asked) EXPECT_EQ(n, 256u);
}

TEST(BoardStubs, WebServerLinesGoToSerial) {
  testing::internal::CaptureStdout();
  WebServer server;
  server.begin();
  server.send(200, "text/html", String("<p>hi</p>"));
  server.send(404);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "Desktop WebServer stub active; no HTTP listener is started.\n"
            "[WebServer stub] send 200 text/html (9 bytes)\n"
            "[WebServer stub] send 404  (0 bytes)\n");
}

TEST(BoardStubs, ClientsAndSpiAreInert) {
  WiFiClientSecure client;
  client.setInsecure();
  client.stop();
  EXPECT_FALSE(client.connected());
  SPIClass spi(VSPI);
  spi.begin(18, 19, 23, 5);
}

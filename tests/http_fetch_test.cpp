// Text fetch: codes, headers, network lock and redirect targets.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "core/app.h"
#include "core/config.h"
#include "enrichment/target_lists.h"
#include "host/storage.h"
#include "hotspot/http_fetch.h"
#include "support/local_http_server.h"
#include "support/temp_files.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

int takes = 0;
int gives = 0;
TickType_t lastWait = 0;
bool lockAvailable = true;

BaseType_t fakeTake(SemaphoreHandle_t, TickType_t wait) {
  lastWait = wait;
  if (!lockAvailable) return pdFALSE;
  ++takes;
  return pdTRUE;
}

BaseType_t fakeGive(SemaphoreHandle_t) {
  ++gives;
  return pdTRUE;
}

class HttpFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "QSODECK_DESKTOP_TRACE"})
      unsetenv(v);
    cfg.deviceCallsign = "DL1ABC";
    networkMutex = xSemaphoreCreateRecursiveMutex();
    networkLockTake = fakeTake;
    networkLockGive = fakeGive;
    takes = gives = 0;
    lastWait = 0;
    lockAvailable = true;
  }
  void TearDown() override {
    networkLockTake = xSemaphoreTakeRecursive;
    networkLockGive = xSemaphoreGiveRecursive;
  }
};

LocalHttpServer::Handler answerWith(const std::string& raw) {
  return [raw](const LocalHttpRequest&, int fd, LocalHttpServer&) { LocalHttpServer::sendAll(fd, raw); };
}

// Seen in real answers

TEST_F(HttpFetchTest, OkAnswerWithAllHeaders) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "[]")));
  String payload = "stale";
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/api/last_heard.php"), payload, code, "application/json", "tok-1"));
  EXPECT_EQ(code, 200);
  EXPECT_EQ(payload, "[]");
  ASSERT_EQ(server.requests().size(), 1u);
  LocalHttpRequest req = server.requests()[0];
  EXPECT_EQ(req.header("User-Agent"), "Qsodeck/0.0.1.8 (operator=DL1ABC)");
  EXPECT_FALSE(req.hasHeader("Connection"));  // HTTP/1.1: the connection may be kept
  EXPECT_EQ(req.header("Accept"), "application/json");
  EXPECT_EQ(req.header("X-Display-Token"), "tok-1");
  EXPECT_EQ(req.header("Pragma"), "no-cache");
}

TEST_F(HttpFetchTest, ExactHeaderSet) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "[]")));
  String payload;
  int code = 0;
  ASSERT_TRUE(httpGetString(server.url("/api/"), payload, code, "application/json", "tok-1"));
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_EQ(req.version, "HTTP/1.1");
  std::vector<std::string> names;
  for (const auto& h : req.headers) names.push_back(h.first);
  std::vector<std::string> expected = {"Host", "User-Agent", "Pragma", "Accept", "X-Display-Token"};
  EXPECT_EQ(names, expected) << req.raw;
}

TEST_F(HttpFetchTest, NoAcceptOrTokenWhenEmpty) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "<html></html>")));
  String payload;
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/mmdvmhost/repeaterinfo.php"), payload, code));
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_FALSE(req.hasHeader("Accept"));
  EXPECT_FALSE(req.hasHeader("X-Display-Token"));
}

TEST_F(HttpFetchTest, FallbackCallsignInUserAgent) {
  cfg.deviceCallsign = "   ";
  EXPECT_EQ(httpFetchUserAgent(), "Qsodeck/0.0.1.8 (operator=99DEV01)");
}

TEST_F(HttpFetchTest, UrlIsTrimmed) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "x")));
  String payload;
  int code = 0;
  EXPECT_TRUE(httpGetString(String("  ") + server.url("/a").c_str() + " \r\n", payload, code));
  EXPECT_EQ(server.requests().at(0).target, "/a");
}

TEST_F(HttpFetchTest, NotFoundIsFalseWithEmptyPayload) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(404, "Not Found", "<h1>missing</h1>")));
  String payload = "old";
  int code = 0;
  EXPECT_FALSE(httpGetString(server.url("/x"), payload, code));
  EXPECT_EQ(code, 404);
  EXPECT_EQ(payload, "");
}

TEST_F(HttpFetchTest, EmptyOkBodyIsTrue) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "")));
  String payload = "old";
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/x"), payload, code));
  EXPECT_EQ(code, 200);
  EXPECT_EQ(payload, "");
}

TEST_F(HttpFetchTest, RedirectIsFollowedToTheAnswer) {
  LocalHttpServer server([](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
    if (req.target == "/api/") {
      LocalHttpServer::sendAll(fd,
                               LocalHttpServer::response(301, "Moved", "", "Location: /api/index.php\r\n"));
    } else {
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(200, "OK", "[{\"callsign\":\"W1JDB\"}]"));
    }
  });
  String payload;
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/api/"), payload, code, "application/json"));
  EXPECT_EQ(payload, "[{\"callsign\":\"W1JDB\"}]");
  EXPECT_EQ(takes, 1);
  EXPECT_EQ(gives, 1);
}

// Transport failures

TEST_F(HttpFetchTest, UnreachableIsMinusTwo) {
  String payload;
  int code = 0;
  CaptureStdout();
  EXPECT_FALSE(httpGetString("http://127.0.0.1:" + std::to_string(unusedLocalPort()) + "/", payload, code));
  GetCapturedStdout();
  EXPECT_EQ(code, -2);
  EXPECT_EQ(gives, 1);
}

TEST_F(HttpFetchTest, EmptyUrlDoesNotStart) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "x")));
  String payload = "old";
  int code = 0;
  EXPECT_FALSE(httpGetString("   ", payload, code));
  EXPECT_EQ(code, -1);
  EXPECT_EQ(payload, "");
  EXPECT_EQ(takes, gives);
}

TEST_F(HttpFetchTest, TruncatedAnswerIsNotAPayload) {
  LocalHttpServer server(answerWith("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n[{\"callsign\":"));
  String payload;
  int code = 0;
  CaptureStdout();
  EXPECT_FALSE(httpGetString(server.url("/"), payload, code));
  GetCapturedStdout();
  EXPECT_EQ(code, -2);
  EXPECT_EQ(payload, "");
}

TEST_F(HttpFetchTest, EndlessRedirectsFail) {
  LocalHttpServer server([](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
    LocalHttpServer::sendAll(
        fd, LocalHttpServer::response(302, "Found", "", "Location: " + req.target + "1\r\n"));
  });
  String payload;
  int code = 0;
  CaptureStdout();
  EXPECT_FALSE(httpGetString(server.url("/r"), payload, code));
  GetCapturedStdout();
  EXPECT_EQ(code, -2);
}

// Hostile: a callsign with line breaks must not add header lines

TEST_F(HttpFetchTest, CallsignLineBreaksStayOutOfTheRequest) {
  cfg.deviceCallsign = "DL1ABC\r\nX-Injected: 1";
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "x")));
  String payload;
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/"), payload, code));
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_FALSE(req.hasHeader("X-Injected")) << req.raw;
  EXPECT_EQ(req.header("User-Agent"), "Qsodeck/0.0.1.8 (operator=DL1ABCX-Injected: 1)");
}

TEST_F(HttpFetchTest, ListDownloadCleansTheUserAgentToo) {
  const std::string dir = makeTempDir("/tmp/qsodeck-fetch-");
  ASSERT_FALSE(dir.empty());
  SD.setRoot((dir + "/sdcard").c_str());
  ASSERT_TRUE(SD.begin());
  cfg.deviceCallsign = "DL1ABC\r\nX-Injected: 1";
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "262|Germany\n")));
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_TRUE(httpDownloadToSdFile(server.url("/list/").c_str(), "/lookup/dmr.raw", code, bytes, error));
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_FALSE(req.hasHeader("X-Injected")) << req.raw;
  EXPECT_EQ(req.header("User-Agent"), "Qsodeck/0.0.1.8 (operator=DL1ABCX-Injected: 1)");
  EXPECT_TRUE(removeTempDir(dir));
}

// Network lock

TEST_F(HttpFetchTest, BusyLockGivesMinus98WithoutRequest) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "x")));
  lockAvailable = false;
  String payload = "old";
  int code = 0;
  EXPECT_FALSE(httpGetString(server.url("/"), payload, code));
  EXPECT_EQ(code, -98);
  EXPECT_EQ(payload, "");
  EXPECT_EQ(lastWait, pdMS_TO_TICKS(30000));
  EXPECT_EQ(gives, 0);
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpFetchTest, LockIsReleasedAfterEachFetch) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(500, "Error", "x")));
  String payload;
  int code = 0;
  EXPECT_FALSE(httpGetString(server.url("/"), payload, code));
  EXPECT_FALSE(httpGetString(server.url("/"), payload, code));
  EXPECT_EQ(code, 500);
  EXPECT_EQ(takes, 2);
  EXPECT_EQ(gives, 2);
}

TEST_F(HttpFetchTest, NoMutexCountsAsLocked) {
  networkMutex = nullptr;
  lockAvailable = false;
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "x")));
  String payload;
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/"), payload, code));
  EXPECT_EQ(takes, 0);
  EXPECT_EQ(gives, 0);
  NetworkGuard guard(10);
  EXPECT_TRUE(guard);
}

TEST_F(HttpFetchTest, NestedUseFromOneThreadWorks) {
  networkLockTake = xSemaphoreTakeRecursive;
  networkLockGive = xSemaphoreGiveRecursive;
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "inner")));
  NetworkGuard outer(NETWORK_LOCK_TIMEOUT_MS);
  ASSERT_TRUE(outer);
  String payload;
  int code = 0;
  EXPECT_TRUE(httpGetString(server.url("/"), payload, code));
  EXPECT_EQ(payload, "inner");
}

TEST_F(HttpFetchTest, GuardGivesBackOnlyWhatItTook) {
  {
    NetworkGuard held(5);
    EXPECT_TRUE(held.locked);
  }
  EXPECT_EQ(gives, 1);
  lockAvailable = false;
  {
    NetworkGuard missed(5);
    EXPECT_FALSE(missed);
  }
  EXPECT_EQ(gives, 1);
}

// Redirect targets

TEST(ResolveRedirectUrl, Table) {
  struct Case {
    const char* current;
    const char* location;
    const char* expected;
  } cases[] = {
      {"http://pi-star.local/mmdvmhost/repeaterinfo.php", "radioinfo.php",
       "http://pi-star.local/mmdvmhost/radioinfo.php"},
      {"http://pi-star.local:8080/api/last_heard.php?x=1/2", "/login.php",
       "http://pi-star.local:8080/login.php"},
      {"https://host/a/b", "//cdn.example/x", "https://cdn.example/x"},
      {"http://host/a/b", "//cdn.example/x", "http://cdn.example/x"},
      {"HTTPS://host/a", "//cdn/x", "https://cdn/x"},
      {"http://host/a", "HTTPS://other/y", "HTTPS://other/y"},
      {"http://host/a", "  http://other/y  ", "http://other/y"},
      {"http://host", "page.php", "http://host/page.php"},
      {"http://host?q=/x", "page.php", "http://host/page.php"},
      {"http://host/dir/?q=a/b", "next", "http://host/dir/next"},
      {"host/dir/file", "next", "next"},
      {"http://host/a", "", ""},
      {"http://host/a", "   ", ""},
      {"  http://host/dir/file  ", "x.php", "http://host/dir/x.php"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(resolveRedirectUrl(c.current, c.location), c.expected) << c.current << " + " << c.location;
  }
}

}  // namespace

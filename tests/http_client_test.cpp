// HTTP transport against servers on 127.0.0.1 that the tests start themselves.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "host/http_client.h"
#include "support/desktop_program.h"
#include "support/local_http_server.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

const size_t CAP = HTTP_BODY_LIMIT_BYTES;

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy",
          "NO_PROXY", "QSODECK_DESKTOP_HTTP_TRACE", "QSODECK_DESKTOP_VERBOSE", "QSODECK_DESKTOP_TRACE"}) {
      unsetenv(v);
    }
  }
};

LocalHttpServer::Handler answerWith(const std::string& raw) {
  return [raw](const LocalHttpRequest&, int fd, LocalHttpServer&) { LocalHttpServer::sendAll(fd, raw); };
}

// Seen in real answers

TEST_F(HttpClientTest, OkAnswerGivesBodyAndStatus) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "[{\"callsign\":\"DL1ABC\"}]")));
  HTTPClient http;
  ASSERT_TRUE(http.begin(server.url("/api/last_heard.php")));
  CaptureStdout();
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(GetCapturedStdout(), "");  // success lines only with the HTTP trace switch
  EXPECT_EQ(http.getString(), "[{\"callsign\":\"DL1ABC\"}]");
  EXPECT_EQ(http.getSize(), 23);
}

TEST_F(HttpClientTest, SuccessTraceWithHttpTraceSwitch) {
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "hello")));
  HTTPClient http;
  http.begin(server.url("/x"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(GetCapturedStdout(), "[DESKTOP][HTTP] GET " + server.url("/x") + " -> HTTP 200, 5 bytes\n");
}

TEST_F(HttpClientTest, NotFoundKeepsErrorPageAndIsASuccessfulRequest) {
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  LocalHttpServer server(answerWith(LocalHttpServer::response(404, "Not Found", "<h1>404</h1>")));
  HTTPClient http;
  http.begin(server.url("/missing"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), 404);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(http.getString(), "<h1>404</h1>");
  EXPECT_EQ(out, "[DESKTOP][HTTP] GET " + server.url("/missing") + " -> HTTP 404, 12 bytes\n");
  EXPECT_EQ(countOccurrences(out, "GET failed"), 0);
}

TEST_F(HttpClientTest, ServerErrorStatusIsReported) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(500, "Internal Server Error", "oops")));
  HTTPClient http;
  http.begin(server.url("/"));
  EXPECT_EQ(http.GET(), 500);
  EXPECT_EQ(http.getString(), "oops");
}

TEST_F(HttpClientTest, BodyEndingAtCloseWithoutLengthIsComplete) {
  LocalHttpServer server(answerWith("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nno length given"));
  HTTPClient http;
  http.begin(server.url("/"));
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(http.getString(), "no length given");
}

TEST_F(HttpClientTest, ChunkedBodyIsJoined) {
  LocalHttpServer server(answerWith(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"));
  HTTPClient http;
  http.begin(server.url("/"));
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(http.getString(), "hello world");
}

TEST_F(HttpClientTest, RedirectIsFollowed) {
  LocalHttpServer server([](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
    if (req.target == "/old") {
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(302, "Found", "", "Location: /new?x=1\r\n"));
    } else {
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(200, "OK", "moved here " + req.target));
    }
  });
  HTTPClient http;
  http.begin(server.url("/old"));
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(http.getString(), "moved here /new?x=1");
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(http.header("Location"), "");  // headers of the final answer only
}

TEST_F(HttpClientTest, HeadersOfFinalAnswerAreReadable) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "x", "X-Thing:  value here \r\n")));
  HTTPClient http;
  http.begin(server.url("/"));
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(http.header("x-thing"), "value here");
  EXPECT_EQ(http.header("Content-Length"), "1");
  EXPECT_EQ(http.header("Missing"), "");
}

TEST_F(HttpClientTest, EndlessRedirectsFailAfterTen) {
  LocalHttpServer server([](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
    LocalHttpServer::sendAll(
        fd, LocalHttpServer::response(302, "Found", "", "Location: " + req.target + "x\r\n"));
  });
  HTTPClient http;
  http.begin(server.url("/r"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(server.requests().size(), 11u);
  EXPECT_NE(out.find("(47: "), std::string::npos) << out;
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpClientTest, RedirectToOtherSchemeIsRefused) {
  LocalHttpServer server(
      answerWith(LocalHttpServer::response(301, "Moved", "", "Location: ftp://127.0.0.1/x\r\n")));
  HTTPClient http;
  http.begin(server.url("/"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  GetCapturedStdout();
}

// Transport failures

TEST_F(HttpClientTest, UnreachablePortGivesMinusTwoAndOneFailureLine) {
  std::string url = "http://127.0.0.1:" + std::to_string(unusedLocalPort()) + "/api/last_heard.php";
  HTTPClient http;
  http.begin(url);
  http.setConnectTimeout(1000);
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(out, "[DESKTOP][HTTP] GET failed: " + url +
                     " -> code -2 curl_easy_perform failed (7: Couldn't connect to server)\n");
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpClientTest, FailureLineIsSilencedByTraceSwitch) {
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  HTTPClient http;
  http.begin("http://127.0.0.1:" + std::to_string(unusedLocalPort()) + "/");
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_EQ(GetCapturedStdout(), "");
}

TEST_F(HttpClientTest, UnsupportedSchemeFails) {
  HTTPClient http;
  http.begin("gopher://127.0.0.1/");
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_NE(
      GetCapturedStdout().find("GET failed: gopher://127.0.0.1/ -> code -2 curl_easy_perform failed (1: "),
      std::string::npos);
}

TEST_F(HttpClientTest, ClosedWithoutAnswerFails) {
  LocalHttpServer server([](const LocalHttpRequest&, int, LocalHttpServer&) {});
  HTTPClient http;
  http.begin(server.url("/"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_NE(GetCapturedStdout().find("(52: "), std::string::npos);
}

// Truncated

TEST_F(HttpClientTest, BodyShorterThanContentLengthFails) {
  LocalHttpServer server(answerWith("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n[{\"callsign\":\"DL1"));
  HTTPClient http;
  http.begin(server.url("/"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("(18: "), std::string::npos) << out;
  EXPECT_EQ(http.getString(), "");
  EXPECT_EQ(http.getSize(), 0);
}

TEST_F(HttpClientTest, ChunkedBodyCutOffFails) {
  LocalHttpServer server(answerWith("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc"));
  HTTPClient http;
  http.begin(server.url("/"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  GetCapturedStdout();
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpClientTest, ResetWithoutLengthFails) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer&) {
    LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n[{\"callsign\":\"DL1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    linger hard{1, 0};  // close with a reset instead of an orderly end
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
  });
  HTTPClient http;
  http.begin(server.url("/"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("(56: "), std::string::npos) << out;
  EXPECT_EQ(http.getString(), "");
}

// Hostile: oversized and slow answers

TEST_F(HttpClientTest, AnnouncedBodyOverTheCapFails) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer&) {
    LocalHttpServer::sendAll(fd,
                             "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(CAP + 1) + "\r\n\r\n");
    LocalHttpServer::sendAll(fd, std::string(CAP + 1, 'a'));
  });
  HTTPClient http;
  http.begin(server.url("/big"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("GET failed: " + server.url("/big") + " -> code -2 "), std::string::npos);
  EXPECT_NE(out.find("16777216"), std::string::npos) << out;
  EXPECT_EQ(http.getSize(), 0);
}

TEST_F(HttpClientTest, UnannouncedBodyOverTheCapIsStoppedAndDropped) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer&) {
    LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    std::string block(65536, 'b');
    for (size_t sent = 0; sent <= CAP; sent += block.size()) {
      if (!LocalHttpServer::sendAll(fd, block)) return;  // the client hung up
    }
  });
  HTTPClient http;
  http.begin(server.url("/endless"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("(23: "), std::string::npos) << out;
  EXPECT_NE(out.find("16777216-byte limit"), std::string::npos) << out;
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpClientTest, BodyExactlyAtTheCapIsKept) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer&) {
    LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    LocalHttpServer::sendAll(fd, std::string(CAP, 'c'));
  });
  HTTPClient http;
  http.begin(server.url("/"));
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ((size_t)http.getSize(), CAP);
}

TEST_F(HttpClientTest, SilentServerEndsAtIdleTimeout) {
  LocalHttpServer server([](const LocalHttpRequest&, int, LocalHttpServer& s) {
    for (int i = 0; i < 100 && !s.stopping(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  });
  HTTPClient http;
  http.begin(server.url("/"));
  http.setTimeout(1000);
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_NE(GetCapturedStdout().find("(28: "), std::string::npos);
}

TEST_F(HttpClientTest, TricklingServerEndsAtIdleTimeout) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer& s) {
    LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
    for (int i = 0; i < 1000 && !s.stopping(); ++i) {
      if (!LocalHttpServer::sendAll(fd, "x")) return;
      for (int w = 0; w < 60 && !s.stopping(); ++w)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  HTTPClient http;
  http.begin(server.url("/"));
  http.setTimeout(1000);
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_NE(GetCapturedStdout().find("(28: "), std::string::npos);
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpClientTest, LivelyTrickleEndsAtRequestLimit) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer& s) {
    LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    for (int i = 0; i < 100000 && !s.stopping(); ++i) {
      if (!LocalHttpServer::sendAll(fd, std::string(20, 'y'))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  HTTPClient http;
  http.begin(server.url("/"));
  http.setTimeout(1000);
  http.setRequestLimit(1500);
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_NE(GetCapturedStdout().find("(28: "), std::string::npos);
}

// Request rules

TEST_F(HttpClientTest, ExactRequestHeadersWithoutCallerHeaders) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "ok")));
  HTTPClient http;
  http.begin(server.url("/mmdvmhost/repeaterinfo.php"));
  ASSERT_EQ(http.GET(), 200);
  ASSERT_EQ(server.requests().size(), 1u);
  LocalHttpRequest req = server.requests()[0];
  EXPECT_EQ(req.method, "GET");
  EXPECT_EQ(req.target, "/mmdvmhost/repeaterinfo.php");
  EXPECT_EQ(req.version, "HTTP/1.1");
  ASSERT_EQ(req.headers.size(), 3u) << req.raw;
  EXPECT_EQ(req.headers[0].first, "Host");
  EXPECT_EQ(req.headers[0].second, "127.0.0.1:" + std::to_string(server.port()));
  EXPECT_EQ(req.header("User-Agent"), "Qsodeck-Desktop");
  EXPECT_EQ(req.header("Pragma"), "no-cache");
  EXPECT_FALSE(req.hasHeader("Accept"));
}

TEST_F(HttpClientTest, CallerHeadersAndUserAgentAreSentOnce) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "ok")));
  HTTPClient http;
  http.begin(server.url("/api/"));
  http.setUserAgent("Qsodeck/0.0.1.8 (operator=DL1ABC)");
  http.setUserAgent("");  // ignored
  http.addHeader("Connection", "close");
  http.addHeader("Accept", "application/json");
  http.addHeader("X-Display-Token", "abc123");
  http.addHeader("", "dropped");
  ASSERT_EQ(http.GET(), 200);
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_EQ(req.header("User-Agent"), "Qsodeck/0.0.1.8 (operator=DL1ABC)");
  EXPECT_EQ(req.header("Accept"), "application/json");
  EXPECT_EQ(countOccurrences(req.raw, "Accept:"), 1);
  EXPECT_EQ(req.header("Connection"), "close");
  EXPECT_EQ(req.header("X-Display-Token"), "abc123");
  EXPECT_EQ(countOccurrences(req.raw, "dropped"), 0);
  EXPECT_EQ(req.headers.size(), 6u) << req.raw;
}

// A header whose value is empty (or only line breaks, which are removed) still
// goes out, with an empty value, as the caller asked.
TEST_F(HttpClientTest, EmptyHeaderValuesAreSentEmpty) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "ok")));
  HTTPClient http;
  http.begin(server.url("/"));
  http.addHeader("X-Empty", "");
  http.addHeader("X-Display-Token", "\r\n");
  http.addHeader("X-Spaces", "   ");
  ASSERT_EQ(http.GET(), 200);
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_TRUE(req.hasHeader("X-Empty")) << req.raw;
  EXPECT_EQ(req.header("X-Empty"), "");
  EXPECT_TRUE(req.hasHeader("X-Display-Token")) << req.raw;
  EXPECT_EQ(req.header("X-Display-Token"), "");
  EXPECT_TRUE(req.hasHeader("X-Spaces")) << req.raw;
  EXPECT_FALSE(req.hasHeader("Accept"));
  EXPECT_EQ(req.headers.size(), 6u) << req.raw;
}

TEST_F(HttpClientTest, EmptyAcceptValueReplacesTheDefault) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "ok")));
  HTTPClient http;
  http.begin(server.url("/"));
  http.addHeader("Accept", "");
  ASSERT_EQ(http.GET(), 200);
  LocalHttpRequest req = server.requests().at(0);
  EXPECT_EQ(countOccurrences(req.raw, "Accept:"), 1) << req.raw;
  EXPECT_EQ(req.header("Accept"), "");
}

TEST_F(HttpClientTest, LineBreaksInHeadersAreRemoved) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "ok")));
  HTTPClient http;
  http.begin(server.url("/"));
  http.setUserAgent("Qsodeck\r\nX-Agent-Injected: 1");
  http.addHeader("X-Name\r\nX-Name-Injected: 1\r\n", "v");
  http.addHeader("X-Token", "abc\r\n\r\nGET /evil HTTP/1.1\r\nX-Value-Injected: 1");
  ASSERT_EQ(http.GET(), 200);
  ASSERT_EQ(server.requests().size(), 1u);
  LocalHttpRequest req = server.requests()[0];
  EXPECT_FALSE(req.hasHeader("X-Agent-Injected"));
  EXPECT_FALSE(req.hasHeader("X-Name-Injected"));
  EXPECT_FALSE(req.hasHeader("X-Value-Injected"));
  EXPECT_EQ(req.header("User-Agent"), "QsodeckX-Agent-Injected: 1");
  EXPECT_EQ(req.header("X-NameX-Name-Injected"), "1: v");
  EXPECT_EQ(req.header("X-Token"), "abcGET /evil HTTP/1.1X-Value-Injected: 1");
}

TEST_F(HttpClientTest, ProxyFromEnvironmentIsUsed) {
  LocalHttpServer proxy(answerWith(LocalHttpServer::response(200, "OK", "via proxy")));
  setenv("http_proxy", proxy.url("").c_str(), 1);
  HTTPClient http;
  http.begin("http://dashboard.invalid/api/last_heard.php");
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(http.getString(), "via proxy");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].target, "http://dashboard.invalid/api/last_heard.php");
}

TEST_F(HttpClientTest, EmptyUrlDoesNotBegin) {
  HTTPClient http;
  EXPECT_FALSE(http.begin(""));
}

// Local files

TEST_F(HttpClientTest, FileUrlServesExactBytes) {
  char path[] = "/tmp/qsodeck-http-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::string data("[{\"a\":1}]\0\xff", 11);
  ASSERT_EQ(write(fd, data.data(), data.size()), (ssize_t)data.size());
  close(fd);
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  HTTPClient http;
  http.begin(std::string("file://") + path);
  CaptureStdout();
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(http.getString().str(), data);
  unlink(path);
}

TEST_F(HttpClientTest, FileUrlMissingIs404) {
  HTTPClient http;
  http.begin("file:///nonexistent/qsodeck/none.json");
  CaptureStdout();
  EXPECT_EQ(http.GET(), 404);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(http.getString(), "");
}

// A named pipe without a writer would block the open for ever.
TEST_F(HttpClientTest, FileUrlOfAPipeIsNotFoundWithoutWaiting) {
  char dir[] = "/tmp/qsodeck-http-fifo-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string fifo = std::string(dir) + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  alarm(20);  // a hang ends the test process instead of the whole run
  HTTPClient http;
  http.begin("file://" + fifo);
  EXPECT_EQ(http.GET(), 404);
  alarm(0);
  EXPECT_EQ(http.getString(), "");
  unlink(fifo.c_str());
  rmdir(dir);
}

TEST_F(HttpClientTest, FileUrlOfAFolderIsNotFound) {
  HTTPClient http;
  http.begin("file:///tmp");
  EXPECT_EQ(http.GET(), 404);
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpClientTest, FileUrlOverTheCapFails) {
  char path[] = "/tmp/qsodeck-http-big-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, (off_t)CAP + 1), 0);
  close(fd);
  HTTPClient http;
  http.begin(std::string("file://") + path);
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("GET failed: file://"), std::string::npos);
  EXPECT_NE(out.find("16777216-byte limit"), std::string::npos) << out;
  EXPECT_EQ(http.getSize(), 0);
  unlink(path);
}

TEST_F(HttpClientTest, StreamRewindsOnEveryCall) {
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "abcdef")));
  HTTPClient http;
  http.begin(server.url("/"));
  ASSERT_EQ(http.GET(), 200);
  Stream* s = http.getStreamPtr();
  EXPECT_TRUE(http.connected());
  EXPECT_EQ(s->read(), 'a');
  char buf[8] = {0};
  EXPECT_EQ(s->readBytes(buf, 3), 3u);
  EXPECT_STREQ(buf, "bcd");
  EXPECT_EQ(s->available(), 2);
  s = http.getStreamPtr();
  EXPECT_EQ(s->available(), 6);
  EXPECT_EQ(s->read(), 'a');
  EXPECT_EQ(s->readBytes(buf, 8), 5u);
  EXPECT_EQ(s->read(), -1);
  EXPECT_FALSE(http.connected());
}

// Streamed GET: the body goes to a sink piece by piece

// A body whose every byte depends on its position, so that a lost, doubled
// or reordered piece shows.
std::string patternedBody(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = (char)('a' + (i * 7 + i / 251) % 26);
  return body;
}

// Collects what a streamed GET hands over; refuses the piece after `acceptPieces`.
struct CollectingSink {
  std::string data;
  int pieces = 0;
  int acceptPieces = -1;  // -1: every piece
  HttpBodySink sink() {
    return [this](const char* bytes, size_t len) {
      if (acceptPieces >= 0 && pieces >= acceptPieces) return false;
      ++pieces;
      data.append(bytes, len);
      return true;
    };
  }
};

TEST_F(HttpClientTest, StreamedAnswersArriveInOrderOrEndWithTheReason) {
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  const std::string big = patternedBody(300000);
  struct Case {
    const char* name;
    std::string raw;    // what the server sends
    int silentMs;       // then the server says nothing for this long
    int acceptPieces;   // sink refuses after this many pieces (-1: never)
    int code;           // returned code
    int status;         // status line kept in the response
    size_t bytes;       // body bytes the sink took: a prefix of `body`
    std::string body;   // the body as sent
    const char* trace;  // part of the trace line
  } cases[] = {
      {"announced length", LocalHttpServer::response(200, "OK", big), 0, -1, 200, 200, big.size(), big,
       " -> HTTP 200, 300000 bytes\n"},
      {"until close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big, 0, -1, 200, 200, big.size(), big,
       " -> HTTP 200, 300000 bytes\n"},
      {"chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", 0, -1,
       200, 200, 11, "hello world", " -> HTTP 200, 11 bytes\n"},
      {"error page", LocalHttpServer::response(404, "Not Found", "<h1>404</h1>"), 0, -1, 404, 404, 12,
       "<h1>404</h1>", " -> HTTP 404, 12 bytes\n"},
      {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + big.substr(0, 100), 0, -1, -2, 200,
       100, big, " -> code -2 curl_easy_perform failed (18: "},
      {"stalls", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + big.substr(0, 1), 8000, -1, -2, 200, 1,
       big, " -> code -2 curl_easy_perform failed (28: "},
      {"sink refuses", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big, 0, 1, -2, 200, 0, big,
       "; stopped by the receiver\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalHttpServer server([&c](const LocalHttpRequest&, int fd, LocalHttpServer& s) {
      LocalHttpServer::sendAll(fd, c.raw);
      for (int w = 0; w < c.silentMs && !s.stopping(); w += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    DesktopHttpRequest request;
    request.url = server.url("/list/").c_str();
    request.readTimeoutMs = 1000;
    CollectingSink collected;
    collected.acceptPieces = c.acceptPieces;
    DesktopHttpResponse response;
    CaptureStdout();
    int code = desktopHttpGetStream(request, collected.sink(), response);
    std::string out = GetCapturedStdout();
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(response.code, c.code);
    EXPECT_EQ(response.status, c.status);
    size_t taken = c.acceptPieces == 1 ? collected.data.size() : c.bytes;  // one piece of unknown size
    EXPECT_EQ(collected.data, c.body.substr(0, taken));
    EXPECT_EQ(response.bodyBytes, taken);
    EXPECT_EQ(response.sinkStopped, c.acceptPieces >= 0);
    EXPECT_EQ(response.body, "");  // nothing is kept in memory
    EXPECT_NE(out.find(c.trace), std::string::npos) << out;
    EXPECT_EQ(countOccurrences(out, "[DESKTOP][HTTP] GET"), 1) << out;
  }
}

TEST_F(HttpClientTest, StreamedAnswersSplitIntoSeveralPieces) {
  const std::string big = patternedBody(300000);
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", big)));
  DesktopHttpRequest request;
  request.url = server.url("/").c_str();
  CollectingSink collected;
  DesktopHttpResponse response;
  ASSERT_EQ(desktopHttpGetStream(request, collected.sink(), response), 200);
  EXPECT_GT(collected.pieces, 1);  // never gathered into one piece first
  EXPECT_EQ(collected.data, big);
}

TEST_F(HttpClientTest, StreamedTrickleEndsAtTheRequestLimit) {
  LocalHttpServer server([](const LocalHttpRequest&, int fd, LocalHttpServer& s) {
    LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    for (int i = 0; i < 5000 && !s.stopping(); ++i) {
      if (!LocalHttpServer::sendAll(fd, std::string(20, 'y'))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  DesktopHttpRequest request;
  request.url = server.url("/").c_str();
  request.readTimeoutMs = 1000;
  request.requestLimitMs = 1500;
  CollectingSink collected;
  DesktopHttpResponse response;
  CaptureStdout();
  EXPECT_EQ(desktopHttpGetStream(request, collected.sink(), response), -2);
  EXPECT_NE(GetCapturedStdout().find("(28: "), std::string::npos);
  EXPECT_EQ(response.status, 200);
  EXPECT_GT(collected.data.size(), 0u);  // lively all the time, yet ended
}

TEST_F(HttpClientTest, CapStopsAStreamedAnswer) {
  struct Case {
    const char* name;
    bool announced;
  } cases[] = {{"announced", true}, {"unannounced", false}};
  const std::string block = patternedBody(65536);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalHttpServer server([&](const LocalHttpRequest&, int fd, LocalHttpServer&) {
      std::string length =
          c.announced ? "Content-Length: " + std::to_string(CAP + block.size()) + "\r\n" : "";
      LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n");
      for (size_t sent = 0; sent <= CAP; sent += block.size()) {
        if (!LocalHttpServer::sendAll(fd, block)) return;  // the client hung up
      }
    });
    DesktopHttpRequest request;
    request.url = server.url("/endless").c_str();
    CollectingSink collected;
    DesktopHttpResponse response;
    CaptureStdout();
    EXPECT_EQ(desktopHttpGetStream(request, collected.sink(), response), -2);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("16777216-byte limit"), std::string::npos) << out;
    EXPECT_LE(collected.data.size(), CAP);
    if (c.announced) {
      EXPECT_EQ(collected.data.size(), 0u);  // refused before any byte
    } else {
      EXPECT_GT(collected.data.size(), CAP - block.size());  // streamed up to the cap
    }
    for (size_t at = 0; at < collected.data.size(); at += block.size()) {
      size_t n = std::min(block.size(), collected.data.size() - at);
      ASSERT_EQ(collected.data.compare(at, n, block, 0, n), 0) << "in order, at " << at;
    }
  }
}

TEST_F(HttpClientTest, StreamedRedirectsFollowUpToTheLimitAndNeverReachTheSink) {
  LocalHttpServer server([](const LocalHttpRequest& req, int fd, LocalHttpServer&) {
    if (req.target == "/r3") {
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(200, "OK", "the list"));
    } else {
      std::string next = "/r" + std::to_string(req.target[2] - '0' + 1);
      LocalHttpServer::sendAll(
          fd, LocalHttpServer::response(302, "Found", "moved", "Location: " + next + "\r\n"));
    }
  });
  struct Case {
    long maxRedirects;
    int code;
    const char* body;
  } cases[] = {{3, 200, "the list"}, {2, -2, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.maxRedirects);
    DesktopHttpRequest request;
    request.url = server.url("/r0").c_str();
    request.maxRedirects = c.maxRedirects;
    request.http10 = true;
    CollectingSink collected;
    DesktopHttpResponse response;
    CaptureStdout();
    EXPECT_EQ(desktopHttpGetStream(request, collected.sink(), response), c.code);
    GetCapturedStdout();
    EXPECT_EQ(collected.data, c.body);
  }
  for (const LocalHttpRequest& req : server.requests()) EXPECT_EQ(req.version, "HTTP/1.0");
}

TEST_F(HttpClientTest, StreamedLocalFiles) {
  char dir[] = "/tmp/qsodeck-http-stream-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string d = dir;
  const std::string data = patternedBody(20000);  // more than one read piece
  FILE* f = fopen((d + "/list.html").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fwrite(data.data(), 1, data.size(), f), data.size());
  fclose(f);
  f = fopen((d + "/big").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fclose(f);
  ASSERT_EQ(truncate((d + "/big").c_str(), (off_t)CAP + 1), 0);  // sparse: no disk space
  struct Case {
    const char* file;
    int acceptPieces;
    int code;
    std::string delivered;
    const char* trace;  // "" for no trace line
  } cases[] = {
      {"/list.html", -1, 200, data, ""},
      {"/missing", -1, 404, "", ""},
      {"", -1, 404, "", ""},  // the folder itself
      {"/big", -1, -2, "", "local file exceeds the 16777216-byte limit"},
      {"/list.html", 1, -2, data.substr(0, 8192), "local file read stopped by the receiver"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " / " + std::to_string(c.acceptPieces));
    DesktopHttpRequest request;
    request.url = ("file://" + d + c.file).c_str();
    CollectingSink collected;
    collected.acceptPieces = c.acceptPieces;
    DesktopHttpResponse response;
    CaptureStdout();
    EXPECT_EQ(desktopHttpGetStream(request, collected.sink(), response), c.code);
    std::string out = GetCapturedStdout();
    EXPECT_EQ(collected.data, c.delivered);
    EXPECT_EQ(response.bodyBytes, c.delivered.size());
    if (*c.trace == '\0') {
      EXPECT_EQ(out, "");
    } else {
      EXPECT_NE(out.find("GET failed: file://" + d), std::string::npos) << out;
      EXPECT_NE(out.find(c.trace), std::string::npos) << out;
    }
  }
  unlink((d + "/list.html").c_str());
  unlink((d + "/big").c_str());
  rmdir(dir);
}

// Secrets stay out of the log

TEST(HttpRedaction, QueryKeysAndTokens) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"https://api.example.org/data/2.5/weather?lat=1&lon=2&appid=0123abcd&units=metric",
       "https://api.example.org/data/2.5/weather?lat=1&lon=2&appid=***&units=metric"},
      {"http://h/x?APIKEY=s1&ApiKey=s2&api_key=s3&KEY=s4&Token=s5",
       "http://h/x?APIKEY=***&ApiKey=***&api_key=***&KEY=***&Token=***"},
      {"http://h/x?keyword=keep&monkey=keep&tokens=keep", "http://h/x?keyword=keep&monkey=keep&tokens=keep"},
      {"http://h/x?key=&token", "http://h/x?key=***&token"},
      {"http://h/x?q=1&api%5Fkey=s#frag?key=v", "http://h/x?q=1&api%5Fkey=***#frag?key=v"},
      {"http://h/api/users?callsign=DL1ABC", "http://h/api/users?callsign=DL1ABC"},
      {"http://user:pw@h:8080/x?token=t", "http://user:***@h:8080/x?token=***"},
      {"http://h/no-query", "http://h/no-query"},
      {"", ""},
      {"?", "?"},
      {"http://h/x?&&key=a&&", "http://h/x?&&key=***&&"},
      {"http://h/x?next=http://u:pw@h2/", "http://h/x?next=http://u:pw@h2/"},
      {"h:8/x?key=1&v=a://u:pw@h", "h:8/x?key=***&v=a://u:pw@h"},
  };
  for (const Case& c : cases) EXPECT_EQ(redactUrlSecrets(c.in), c.out) << c.in;
}

TEST_F(HttpClientTest, FailureTraceHidesKey) {
  std::string base = "http://127.0.0.1:" + std::to_string(unusedLocalPort());
  HTTPClient http;
  http.begin(base + "/data?lat=50&appid=SECRETVALUE");
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(out.find("SECRETVALUE"), std::string::npos);
  EXPECT_NE(out.find(base + "/data?lat=50&appid=*** -> code -2"), std::string::npos) << out;
}

TEST_F(HttpClientTest, SuccessTraceHidesToken) {
  setenv("QSODECK_DESKTOP_HTTP_TRACE", "1", 1);
  LocalHttpServer server(answerWith(LocalHttpServer::response(200, "OK", "{}")));
  HTTPClient http;
  http.begin(server.url("/alerts?token=TOPSECRET"));
  CaptureStdout();
  EXPECT_EQ(http.GET(), 200);
  EXPECT_EQ(GetCapturedStdout(),
            "[DESKTOP][HTTP] GET " + server.url("/alerts?token=***") + " -> HTTP 200, 2 bytes\n");
  EXPECT_EQ(server.requests().at(0).target, "/alerts?token=TOPSECRET");  // the request itself is unchanged
}

}  // namespace

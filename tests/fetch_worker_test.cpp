// Requests off the main thread: answers come back to the main thread once,
// in request order within a source while other sources overlap; a busy
// source takes no second request; answers of an old configuration are
// dropped; shutdown ends even a trickling transfer at once.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/app.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/http_fetch.h"
#include "support/local_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start) {
  return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// "/slow/<ms>/<body>" answers <body> after <ms>; "/trickle" sends one byte
// every 200 ms for a minute; anything else answers its path at once.
class FetchWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    // Each server answers one connection at a time; a second one stands for
    // another service.
    auto handler = [](const LocalHttpRequest& req, int fd, LocalHttpServer& srv) {
      if (req.target == "/trickle") {
        LocalHttpServer::sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 300\r\n\r\n");
        for (int i = 0; i < 300 && !srv.stopping(); ++i) {
          if (!LocalHttpServer::sendAll(fd, "x")) return;
          usleep(200000);
        }
        return;
      }
      std::string body = req.target;
      if (req.target.compare(0, 6, "/slow/") == 0) {
        const size_t slash = req.target.find('/', 6);
        usleep(1000 * std::stoi(req.target.substr(6, slash - 6)));
        body = req.target.substr(slash + 1);
      }
      LocalHttpServer::sendAll(fd, LocalHttpServer::response(200, "OK", body));
    };
    server_.reset(new LocalHttpServer(handler));
    otherServer_.reset(new LocalHttpServer(handler));
  }
  void TearDown() override {
    stopFetchWorkers();
    allowFetches();
  }
  String url(const std::string& path) { return String(server_->url(path).c_str()); }
  String otherUrl(const std::string& path) { return String(otherServer_->url(path).c_str()); }

  // Starts a request whose handler records its body and thread.
  bool fetch(FetchChannel channel, const std::string& path, bool other = false) {
    return startFetch(channel, other ? otherUrl(path) : url(path), "", "", [this](const FetchAnswer& a) {
      bodies_.push_back(a.ok ? std::string(a.payload.c_str()) : "code " + std::to_string(a.code));
      threads_.push_back(std::this_thread::get_id());
    });
  }

  std::unique_ptr<LocalHttpServer> server_;
  std::unique_ptr<LocalHttpServer> otherServer_;
  std::vector<std::string> bodies_;
  std::vector<std::thread::id> threads_;
};

TEST_F(FetchWorkerTest, AnswersComeBackOnceOnTheMainThreadInRequestOrderPerSource) {
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/slow/400/first"));
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/second"));
  ASSERT_TRUE(fetch(FETCH_CHANNEL_WEATHER, "/slow/100/weather", true));
  EXPECT_TRUE(fetchChannelBusy(FETCH_CHANNEL_HOTSPOT));
  EXPECT_FALSE(fetchChannelBusy(FETCH_CHANNEL_RADIOID));
  // Nothing is applied before the main thread asks.
  usleep(150000);
  EXPECT_TRUE(bodies_.empty());
  ASSERT_TRUE(waitForFetchesIdle(5000));
  // The weather source overlapped the slow hotspot request; the hotspot's
  // second request waited for its first.
  const std::vector<std::string> expected = {"weather", "first", "/second"};
  EXPECT_EQ(bodies_, expected);
  for (const std::thread::id& id : threads_) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_FALSE(fetchChannelBusy(FETCH_CHANNEL_HOTSPOT));
  EXPECT_EQ(0, processFetchAnswers());  // each handler ran exactly once
  EXPECT_EQ(3u, bodies_.size());
}

TEST_F(FetchWorkerTest, FailuresArriveAsCodes) {
  ASSERT_TRUE(fetch(FETCH_CHANNEL_APRS, "/x"));
  ASSERT_TRUE(startFetch(
      FETCH_CHANNEL_ADSB, String(("http://127.0.0.1:" + std::to_string(unusedLocalPort()) + "/").c_str()), "",
      "", [this](const FetchAnswer& a) { bodies_.push_back("code " + std::to_string(a.code)); }));
  ASSERT_TRUE(waitForFetchesIdle(10000));
  ASSERT_EQ(2u, bodies_.size());
  EXPECT_NE(bodies_.end(), std::find(bodies_.begin(), bodies_.end(), "/x"));
  EXPECT_NE(bodies_.end(), std::find(bodies_.begin(), bodies_.end(), "code -2"));
}

TEST_F(FetchWorkerTest, AnswersOfAnOldConfigurationAreDropped) {
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/slow/300/old"));
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/queued-old"));
  dropFetchAnswers();
  EXPECT_FALSE(fetchChannelBusy(FETCH_CHANNEL_HOTSPOT));  // free for the new configuration
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/new"));
  ASSERT_TRUE(waitForFetchesIdle(5000));
  const std::vector<std::string> expected = {"/new"};
  EXPECT_EQ(bodies_, expected);
  // The queued request of the old configuration was never sent.
  for (const LocalHttpRequest& r : server_->requests()) EXPECT_NE(r.target, "/queued-old");
}

TEST_F(FetchWorkerTest, ShutdownEndsATricklingTransferAtOnceAndRefusesMore) {
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/trickle"));
  usleep(300000);  // the transfer is running
  const Clock::time_point start = Clock::now();
  stopFetchWorkers();
  // Far inside the minute the trickle would take (the bound is for a hang,
  // not a speed measurement).
  EXPECT_LT(msSince(start), 5000);
  EXPECT_FALSE(fetch(FETCH_CHANNEL_HOTSPOT, "/after"));
  EXPECT_EQ(0, processFetchAnswers());
  EXPECT_TRUE(bodies_.empty());
  allowFetches();
  ASSERT_TRUE(fetch(FETCH_CHANNEL_HOTSPOT, "/again"));
  ASSERT_TRUE(waitForFetchesIdle(5000));
  const std::vector<std::string> expected = {"/again"};
  EXPECT_EQ(bodies_, expected);
}

// What a dashboard does with a connection after its answer.
enum class AfterAnswer { KEEP, CLOSE_SAYING_SO, CLOSE_SILENTLY };

// A dashboard that keeps each connection open for further requests
// (HTTP/1.1 keep-alive), or closes it after every answer (announced with
// "Connection: close" or not), and counts the connections and requests.
class KeepAliveServer {
 public:
  explicit KeepAliveServer(AfterAnswer after) : after_(after) {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (bind(listenFd_, (sockaddr*)&addr, sizeof(addr)) != 0 || listen(listenFd_, 8) != 0 ||
        getsockname(listenFd_, (sockaddr*)&addr, &len) != 0)
      return;
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~KeepAliveServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(listenFd_);
  }
  String url(const std::string& path) const {
    return String(("http://127.0.0.1:" + std::to_string(port_) + path).c_str());
  }
  int connections() const { return connections_.load(); }
  int requests() const { return requests_.load(); }

 private:
  // One thread serves every connection, a poll over all of them.
  void serve() {
    std::vector<pollfd> fds;
    std::vector<std::string> pending;
    while (!stop_) {
      std::vector<pollfd> set = {{listenFd_, POLLIN, 0}};
      set.insert(set.end(), fds.begin(), fds.end());
      if (poll(set.data(), set.size(), 50) <= 0) continue;
      if (set[0].revents & POLLIN) {
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd >= 0) {
          ++connections_;
          fds.push_back({fd, POLLIN, 0});
          pending.push_back("");
        }
      }
      // The connections polled (one accepted just now waits for the next round).
      for (size_t i = set.size() - 1; i-- > 0;) {
        if (!(set[i + 1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        if (!answerWhatArrived(fds[i].fd, pending[i])) {
          close(fds[i].fd);
          fds.erase(fds.begin() + (long)i);
          pending.erase(pending.begin() + (long)i);
        }
      }
    }
    for (const pollfd& p : fds) close(p.fd);
  }
  // Reads what came and answers every complete request head; false when
  // the connection ends.
  bool answerWhatArrived(int fd, std::string& buffer) {
    char chunk[2048];
    const ssize_t n = read(fd, chunk, sizeof(chunk));
    if (n <= 0) return false;
    buffer.append(chunk, (size_t)n);
    for (size_t end = buffer.find("\r\n\r\n"); end != std::string::npos; end = buffer.find("\r\n\r\n")) {
      buffer.erase(0, end + 4);
      const std::string body = "[" + std::to_string(++requests_) + "]";
      const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                                 std::to_string(body.size()) +
                                 (after_ == AfterAnswer::CLOSE_SAYING_SO ? "\r\nConnection: close" : "") +
                                 "\r\n\r\n" + body;
      if (!LocalHttpServer::sendAll(fd, answer) || after_ != AfterAnswer::KEEP) return false;
    }
    return true;
  }

  AfterAnswer after_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

// Polls one channel ten times, one request after the other; the bodies
// that came back.
std::vector<std::string> tenPolls(const KeepAliveServer& server) {
  std::vector<std::string> bodies;
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(startFetch(FETCH_CHANNEL_HOTSPOT, server.url("/api/last_heard.php"), "application/json", "",
                           [&bodies](const FetchAnswer& a) {
                             bodies.push_back(a.ok ? a.payload.c_str() : "code " + std::to_string(a.code));
                           }));
    EXPECT_TRUE(waitForFetchesIdle());
  }
  return bodies;
}

const std::vector<std::string> TEN_ANSWERS = {"[1]", "[2]", "[3]", "[4]", "[5]",
                                              "[6]", "[7]", "[8]", "[9]", "[10]"};

TEST_F(FetchWorkerTest, AChannelKeepsItsConnectionAndReopensOneTheServerClosed) {
  KeepAliveServer keeping(AfterAnswer::KEEP);
  EXPECT_EQ(tenPolls(keeping), TEN_ANSWERS);
  EXPECT_EQ(keeping.requests(), 10);
  EXPECT_EQ(keeping.connections(), 1);

  KeepAliveServer closing(AfterAnswer::CLOSE_SAYING_SO);
  EXPECT_EQ(tenPolls(closing), TEN_ANSWERS);
  EXPECT_EQ(closing.connections(), 10);
  // A server that drops the kept connection without a word: reopened too.
  KeepAliveServer dropping(AfterAnswer::CLOSE_SILENTLY);
  EXPECT_EQ(tenPolls(dropping), TEN_ANSWERS);
  EXPECT_EQ(dropping.connections(), 10);

  // Another channel has a connection of its own.
  ASSERT_TRUE(startFetch(FETCH_CHANNEL_SVXLINK, keeping.url("/"), "", "", [](const FetchAnswer& a) {
    EXPECT_TRUE(a.ok);
  }));
  EXPECT_TRUE(waitForFetchesIdle());
  EXPECT_EQ(keeping.connections(), 2);
  // A server that went away and came back on another port: reached anew.
  KeepAliveServer again(AfterAnswer::KEEP);
  EXPECT_EQ(tenPolls(again), TEN_ANSWERS);
  EXPECT_EQ(again.connections(), 1);
}

}  // namespace

#pragma once

// A tiny HTTP server on 127.0.0.1 for tests: every connection is handed to a
// test-supplied function that writes whatever raw bytes the test wants
// (complete answers, cut bodies, trickles, nothing at all).

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct LocalHttpRequest {
  std::string method;
  std::string target;  // path and query as sent
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;  // in order, as sent
  std::string raw;                                           // request head as received

  // Value of the first header with that name (any case); "" when absent.
  std::string header(const std::string& name) const;
  // True when a header with that name (any case) was sent.
  bool hasHeader(const std::string& name) const;
};

class LocalHttpServer {
 public:
  // Called once per connection with the parsed request head and the socket.
  // The connection is closed when the function returns (reset instead of
  // ended when the handler set SO_LINGER to zero).
  using Handler = std::function<void(const LocalHttpRequest&, int fd, LocalHttpServer&)>;

  explicit LocalHttpServer(Handler handler);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string url(const std::string& path) const;
  // Requests received so far.
  std::vector<LocalHttpRequest> requests();
  // True once the server is shutting down (long handlers should stop).
  bool stopping() const { return stop_.load(); }

  // Writes all bytes; false when the peer went away.
  static bool sendAll(int fd, const std::string& data);
  // A complete HTTP/1.1 answer with Content-Length and "Connection: close".
  static std::string response(int code, const std::string& reason, const std::string& body,
                              const std::string& extraHeaders = "");

 private:
  void serve();
  void handleConnection(int fd);

  Handler handler_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<LocalHttpRequest> requests_;
};

// A TCP port on 127.0.0.1 on which nothing listens (bound once, then freed).
int unusedLocalPort();

// One plain GET over a socket, for talking to test servers without the
// program's own client; returns the body ("" on failure), status into *status.
std::string simpleHttpGet(int port, const std::string& target, int* status = nullptr);

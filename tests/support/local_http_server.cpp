#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

const int ACCEPT_POLL_MS = 50;
const int REQUEST_READ_TIMEOUT_MS = 5000;

int listenOnLoopback(int* portOut) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof(addr);
  if (bind(fd, (sockaddr*)&addr, sizeof(addr)) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, (sockaddr*)&addr, &len) != 0) {
    close(fd);
    return -1;
  }
  *portOut = ntohs(addr.sin_port);
  return fd;
}

// Reads until the blank line that ends the request head.
std::string readRequestHead(int fd) {
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, REQUEST_READ_TIMEOUT_MS) <= 0) break;
    ssize_t got = recv(fd, buf, sizeof(buf), 0);
    if (got <= 0) break;
    head.append(buf, (size_t)got);
  }
  return head;
}

LocalHttpRequest parseRequestHead(const std::string& head) {
  LocalHttpRequest req;
  req.raw = head;
  size_t lineEnd = head.find("\r\n");
  std::string first = head.substr(0, lineEnd);
  size_t s1 = first.find(' ');
  size_t s2 = first.find(' ', s1 == std::string::npos ? 0 : s1 + 1);
  if (s1 != std::string::npos && s2 != std::string::npos) {
    req.method = first.substr(0, s1);
    req.target = first.substr(s1 + 1, s2 - s1 - 1);
    req.version = first.substr(s2 + 1);
  }
  size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
  while (pos < head.size()) {
    size_t end = head.find("\r\n", pos);
    if (end == std::string::npos || end == pos) break;
    std::string line = head.substr(pos, end - pos);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      size_t v = line.find_first_not_of(' ', colon + 1);
      req.headers.emplace_back(line.substr(0, colon), v == std::string::npos ? "" : line.substr(v));
    }
    pos = end + 2;
  }
  return req;
}

}  // namespace

std::string LocalHttpRequest::header(const std::string& name) const {
  for (const auto& h : headers) {
    if (strcasecmp(h.first.c_str(), name.c_str()) == 0) return h.second;
  }
  return std::string();
}

bool LocalHttpRequest::hasHeader(const std::string& name) const {
  for (const auto& h : headers) {
    if (strcasecmp(h.first.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

LocalHttpServer::LocalHttpServer(Handler handler) : handler_(std::move(handler)) {
  signal(SIGPIPE, SIG_IGN);
  listenFd_ = listenOnLoopback(&port_);
  if (listenFd_ >= 0) thread_ = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) close(listenFd_);
}

std::string LocalHttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<LocalHttpRequest> LocalHttpServer::requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LocalHttpServer::serve() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, ACCEPT_POLL_MS) <= 0) continue;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    handleConnection(fd);
  }
}

void LocalHttpServer::handleConnection(int fd) {
  std::string head = readRequestHead(fd);
  if (!head.empty()) {
    LocalHttpRequest req = parseRequestHead(head);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(req);
    }
    handler_(req, fd, *this);
  }
  // A handler that set a zero linger wants the connection reset: no orderly
  // end first.
  linger l{};
  socklen_t len = sizeof(l);
  bool reset = getsockopt(fd, SOL_SOCKET, SO_LINGER, &l, &len) == 0 && l.l_onoff && l.l_linger == 0;
  if (!reset) shutdown(fd, SHUT_WR);
  close(fd);
}

bool LocalHttpServer::sendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += (size_t)n;
  }
  return true;
}

std::string LocalHttpServer::response(int code, const std::string& reason, const std::string& body,
                                      const std::string& extraHeaders) {
  return "HTTP/1.1 " + std::to_string(code) + " " + reason +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" + extraHeaders +
         "\r\n" + body;
}

int unusedLocalPort() {
  int port = 0;
  int fd = listenOnLoopback(&port);
  if (fd >= 0) close(fd);
  return port;
}

std::string simpleHttpGet(int port, const std::string& target, int* status) {
  if (status) *status = 0;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::string();
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons((uint16_t)port);
  std::string answer;
  if (connect(fd, (sockaddr*)&addr, sizeof(addr)) == 0) {
    std::string req = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    LocalHttpServer::sendAll(fd, req);
    char buf[4096];
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, REQUEST_READ_TIMEOUT_MS) <= 0) break;
      ssize_t got = recv(fd, buf, sizeof(buf), 0);
      if (got <= 0) break;
      answer.append(buf, (size_t)got);
    }
  }
  close(fd);
  size_t split = answer.find("\r\n\r\n");
  if (split == std::string::npos) return std::string();
  if (status && answer.compare(0, 5, "HTTP/") == 0) {
    size_t sp = answer.find(' ');
    if (sp != std::string::npos) *status = atoi(answer.c_str() + sp + 1);
  }
  return answer.substr(split + 4);
}

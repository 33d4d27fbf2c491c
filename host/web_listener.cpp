// HTTP listener: cpp-httplib on its own thread, requests handed to the main
// thread through a queue (the loop is woken for each one).
#include "host/web_listener.h"

#include <errno.h>
#include <pthread.h>
#include <string.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <httplib.h>

#include "host/desktop_main.h"

namespace {

const int WEB_SERVER_THREADS = 4;
const time_t WEB_READ_TIMEOUT_S = 10;
const time_t WEB_KEEP_ALIVE_S = 5;
const int LISTEN_START_WAIT_STEPS = 2000;  // 1 ms each

// One request on its way to the main thread and its answer on the way back.
struct Exchange {
  WebRequest request;
  WebResponse response;
  bool answered = false;
};

struct ListenerShared {
  std::mutex mutex;
  std::condition_variable answered;
  std::deque<std::shared_ptr<Exchange>> waiting;
  bool stopping = false;
};

ListenerShared& shared() {
  static ListenerShared* s = new ListenerShared;  // never destroyed: a server thread may still leave
  return *s;
}

std::unique_ptr<httplib::Server> server;
std::thread serverThread;
WebPrepareFn prepareHook = nullptr;

WebRequest requestFrom(const httplib::Request& req) {
  WebRequest r;
  r.method = req.method;
  r.path = req.path;
  size_t q = req.target.find('?');
  if (q != std::string::npos) r.query = req.target.substr(q + 1);
  r.contentType = req.get_header_value("Content-Type");
  r.cookie = req.get_header_value("Cookie");
  r.remoteAddr = req.remote_addr;
  if (req.is_multipart_form_data()) {
    for (const auto& item : req.files) {
      if (item.second.filename.empty()) {
        r.multipartFields.emplace_back(item.first, item.second.content);
      } else {
        r.uploads.push_back(WebUpload{item.first, item.second.filename, item.second.content});
      }
    }
  } else {
    r.body = req.body;
  }
  return r;
}

void sendBusy(httplib::Response& res) {
  res.status = 503;
  res.set_content("The program is busy; try again.\n", "text/plain; charset=utf-8");
}

// Server thread: queue the request, wake the main loop, wait for the answer.
void handOver(const httplib::Request& req, httplib::Response& res) {
  auto ex = std::make_shared<Exchange>();
  ex->request = requestFrom(req);
  if (prepareHook != nullptr) prepareHook(ex->request);
  ListenerShared& s = shared();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.stopping) {
    sendBusy(res);
    return;
  }
  s.waiting.push_back(ex);
  lock.unlock();
  desktopWakeMainLoop();
  lock.lock();
  bool done = s.answered.wait_for(lock, std::chrono::milliseconds(WEB_ANSWER_TIMEOUT_MS),
                                  [&] { return ex->answered || s.stopping; });
  if (!done || !ex->answered) {
    // Not answered: take it off the queue so the main thread never sees it.
    for (auto it = s.waiting.begin(); it != s.waiting.end(); ++it) {
      if (*it == ex) {
        s.waiting.erase(it);
        break;
      }
    }
    sendBusy(res);
    return;
  }
  res.status = ex->response.status;
  for (const auto& h : ex->response.headers) res.set_header(h.first.c_str(), h.second);
  res.set_content(ex->response.body, ex->response.contentType.c_str());
}

void configureServer(httplib::Server& svr) {
  svr.new_task_queue = [] { return new httplib::ThreadPool(WEB_SERVER_THREADS); };
  svr.set_payload_max_length(WEB_REQUEST_BODY_MAX_BYTES);
  svr.set_read_timeout(WEB_READ_TIMEOUT_S, 0);
  svr.set_write_timeout(WEB_READ_TIMEOUT_S, 0);
  svr.set_keep_alive_timeout(WEB_KEEP_ALIVE_S);
  // Answers the library makes itself (413, 400) carry the same guards.
  svr.set_default_headers({{"X-Frame-Options", "DENY"},
                           {"Content-Security-Policy", "default-src 'self'"},
                           {"X-Content-Type-Options", "nosniff"},
                           {"Referrer-Policy", "no-referrer"}});
  svr.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const char* text = res.status == 413   ? "413 Request too large (at most 256 KB).\n"
                       : res.status == 404 ? "404 Not found.\n"
                                           : "Request refused.\n";
    res.set_content(text, "text/plain; charset=utf-8");
  });
  auto handler = [](const httplib::Request& req, httplib::Response& res) { handOver(req, res); };
  const char* ANY = ".*";
  svr.Get(ANY, handler);
  svr.Post(ANY, handler);
  svr.Put(ANY, handler);
  svr.Delete(ANY, handler);
  svr.Patch(ANY, handler);
}

}  // namespace

bool webListenerStart(const String& bind, uint16_t port, WebPrepareFn prepare, String& error) {
  webListenerStop();
  {
    std::lock_guard<std::mutex> lock(shared().mutex);
    shared().stopping = false;
  }
  prepareHook = prepare;
  server.reset(new httplib::Server);
  configureServer(*server);
  errno = 0;
  if (port == 0 || !server->bind_to_port(bind.c_str(), port)) {
    int err = errno;
    if (err == EADDRINUSE) {
      error = "port " + String((unsigned)port) + " is in use";
    } else if (port == 0) {
      error = "port 0 is not a port";
    } else {
      error = "cannot listen on " + bind + ":" + String((unsigned)port) + " (" +
              (err != 0 ? String(strerror(err)) : String("bad address")) + ")";
    }
    server.reset();
    return false;
  }
  httplib::Server* svr = server.get();
  serverThread = std::thread([svr] { svr->listen_after_bind(); });
  pthread_setname_np(serverThread.native_handle(), "web-listener");
  // A stop before the thread is inside its accept loop would be lost and
  // the join would wait forever: return only once it runs.
  for (int i = 0; i < LISTEN_START_WAIT_STEPS && !svr->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void webListenerStop() {
  ListenerShared& s = shared();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stopping = true;
    s.waiting.clear();
  }
  s.answered.notify_all();
  if (server) server->stop();
  if (serverThread.joinable()) serverThread.join();
  server.reset();
}

bool webListenerRunning() { return server != nullptr && serverThread.joinable(); }

bool webListenerWaiting() {
  ListenerShared& s = shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  return !s.waiting.empty();
}

int webListenerServe(WebHandlerFn handler) {
  ListenerShared& s = shared();
  int served = 0;
  for (;;) {
    std::shared_ptr<Exchange> ex;
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      if (s.waiting.empty()) break;
      ex = s.waiting.front();
      s.waiting.pop_front();
    }
    WebResponse response;
    try {
      handler(ex->request, response);
    } catch (const std::exception&) {
      response = WebResponse();
      response.status = 500;
      response.contentType = "text/plain; charset=utf-8";
      response.body = "500 Internal error.\n";
    }
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      ex->response = std::move(response);
      ex->answered = true;
    }
    s.answered.notify_all();
    ++served;
  }
  return served;
}

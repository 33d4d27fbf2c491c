// The settings site: listener start and stop in step with the
// configuration, and the routing of each request with the access rules
// (session, CSRF token) in front of every page.
#include "core/web_server.h"
#include "web/web_server.h"

#include "core/config.h"
#include "core/device_log.h"
#include "network/wifi.h"
#include "core/view.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "web/web_pages.h"

namespace {

// A change of the listener's address waits this long, so that the answer of
// the save that changed it still goes out on the old one.
const uint32_t WEB_RESTART_DELAY_MS = 500;

struct ListenerConfig {
  bool enabled = false;
  String bind;
  uint16_t port = 0;
  bool operator==(const ListenerConfig& o) const {
    return enabled == o.enabled && bind == o.bind && port == o.port;
  }
};

ListenerConfig running;          // what the listener was started with
bool restartPending = false;
uint32_t restartAt = 0;

ListenerConfig wanted() {
  ListenerConfig c;
  c.enabled = cfg.webUiEnabled;
  c.bind = cfg.webUiBind;
  c.port = cfg.webUiPort;
  return c;
}

String urlHost(const String& bind) {
  if (bind == "0.0.0.0" || bind == "::") return stationAddressText();
  return bind.indexOf(':') >= 0 ? "[" + bind + "]" : bind;
}

void startListener() {
  running = wanted();
  webUiUrl = "";
  if (!running.enabled) {
    webListenerStop();
    webUiSetupCode = "";
    return;
  }
  String error;
  if (!webListenerStart(running.bind, running.port, webPrepareRequest, error)) {
    addWebLog("WARN", "WEB", "Web UI not started: " + error + ". Change web_ui_port or free the port.", true);
    webUiSetupCode = "";
    return;
  }
  webUiUrl = "http://" + urlHost(running.bind) + ":" + String((unsigned)running.port) + "/";
  webAccessStart();
  addWebLog("INFO", "WEB", "Web UI listening on " + running.bind + ":" + String((unsigned)running.port) + ".", true);
}

// The csrf field of a URL-encoded or multipart form.
std::string csrfOf(const WebRequest& req) {
  for (const auto& f : req.multipartFields) {
    if (f.first == "csrf") return f.second;
  }
  if (req.contentType.find("application/x-www-form-urlencoded") == 0) {
    return fieldValue(parseUrlEncoded(req.body), "csrf");
  }
  return std::string();
}

void refuse(WebResponse& res, int status, const char* text) {
  res.status = status;
  res.contentType = "text/plain; charset=utf-8";
  res.body = text;
}

void routeSignedIn(const WebRequest& req, WebSession& session, WebResponse& res) {
  const std::string& p = req.path;
  const bool get = req.method == "GET" || req.method == "HEAD";
  const bool post = req.method == "POST";
  if (post && !webCsrfMatches(session, csrfOf(req))) {
    return refuse(res, 403, "403 Forbidden: the form's csrf token is missing or wrong. Reload the page and try again.\n");
  }
  if (p == "/" && get) return webStatusPage(session, res);
  if (p == "/settings" && (get || post)) return webSettingsPage(req, session, res);
  if (p == "/log" && get) return webLogPage(session, res);
  if (p == "/export" && (get || post)) return webExport(req, session, res);
  if (p == "/import" && (get || post)) return webImport(req, session, res);
  if (p == "/screen.png" && get) return webScreenPng(res);
  if (p == "/logout" && post) return webLogout(session, res);
  if (p == "/login" && get) return webRedirect(res, "/");
  if (p == "/" || p == "/settings" || p == "/log" || p == "/screen.png" || p == "/logout") {
    return refuse(res, 405, "405 Method not allowed.\n");
  }
  refuse(res, 404, "404 Not found.\n");
}

void handleRequest(const WebRequest& req, WebResponse& res) {
  if (req.path == "/style.css") {
    res.contentType = "text/css; charset=utf-8";
    res.body = webStylesheet();
    return;
  }
  WebSession* session = webSessionOf(req);
  // Signing in again (another tab, another password) changes no setting: no token needed.
  if (req.path == "/login" && req.method == "POST") return webLoginPage(req, res);
  if (session == nullptr) {
    if (req.path == "/login") return webLoginPage(req, res);
    if (req.method == "GET" && req.path != "/screen.png" && req.path != "/export") return webRedirect(res, "/login");
    return refuse(res, 401, "401 Unauthorized: sign in at /login first.\n");
  }
  res.headers.emplace_back("Cache-Control", "no-store");
  routeSignedIn(req, *session, res);
}

// The INFO page shows the setup code: redraw it when the code comes or goes.
void redrawInfoPageOnCodeChange() {
  static String shown;
  if (shown == webUiSetupCode) return;
  shown = webUiSetupCode;
  if (currentPage == PAGE_INFO) requestRedraw();
}

}  // namespace

void setupWebServer() { startListener(); }

void handleWebClientSafely(uint32_t maxMillis) {
  (void)maxMillis;
  if (!(wanted() == running)) {
    if (!restartPending) {
      restartPending = true;
      restartAt = millis() + WEB_RESTART_DELAY_MS;
    } else if ((int32_t)(millis() - restartAt) >= 0) {
      restartPending = false;
      startListener();
      return;
    }
  } else {
    restartPending = false;
  }
  if (webListenerRunning()) {
    webAccessTick();
    webListenerServe(handleRequest);
  }
  redrawInfoPageOnCodeChange();
}

void stopWebServer() {
  webListenerStop();
  webUiUrl = "";
}

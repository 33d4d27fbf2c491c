#include "hotspot/http_fetch.h"

#include <string.h>

#include <chrono>
#include <thread>

#include "core/app.h"
#include "host/http_client.h"
#include "host/runtime.h"
#include "host/version.h"
#include "hotspot/heard.h"

NetworkLockTakeFn networkLockTake = xSemaphoreTakeRecursive;
NetworkLockGiveFn networkLockGive = xSemaphoreGiveRecursive;

namespace {

bool startsWithIgnoreCase(const String& text, const char* prefix) {
  String head = text.substring(0, (int)strlen(prefix));
  return head.equalsIgnoreCase(String(prefix));
}

bool isRedirectStatus(int code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// One request of httpGetString, under the lock. Fills payload (200 only),
// code and the Location value of a redirect answer.
void fetchOnce(const String& url, String& payload, int& code, String& location,
               const HttpFetchRequest& request, HttpSession* session) {
  HTTPClient http;
  http.setSession(session);
  http.setConnectTimeout(HTTP_FETCH_CONNECT_TIMEOUT_MS);
  http.setTimeout(HTTP_FETCH_READ_TIMEOUT_MS);
  http.useHTTP10(true);
  http.setReuse(false);
  WiFiClient plain;
  WiFiClientSecure secure;
  bool https = startsWithIgnoreCase(url, "https://");
  if (https) secure.setInsecure();
  bool begun = https ? http.begin(secure, url) : http.begin(plain, url);
  if (!begun) {
    code = HTTP_FETCH_NOT_STARTED;
    plain.stop();
    secure.stop();
    return;
  }
  http.setUserAgent(request.userAgent);
  if (!request.accept.isEmpty()) http.addHeader("Accept", request.accept);
  if (!request.token.isEmpty()) http.addHeader("X-Display-Token", request.token);
  code = http.GET();
  if (code == 200) payload = http.getString();
  if (isRedirectStatus(code)) location = http.header("Location");
  http.end();
  plain.stop();
  secure.stop();
}

}  // namespace

NetworkGuard::NetworkGuard(uint32_t timeoutMs) : locked(false), holdsMutex_(false) {
  if (networkMutex == nullptr) {
    locked = true;
    return;
  }
  holdsMutex_ = networkLockTake(networkMutex, pdMS_TO_TICKS(timeoutMs)) == pdTRUE;
  locked = holdsMutex_;
}

NetworkGuard::~NetworkGuard() {
  if (holdsMutex_ && networkMutex != nullptr) networkLockGive(networkMutex);
}

String httpFetchUserAgent() {
  return String("Qsodeck/") + QSODECK_VERSION + " (operator=" + getDeviceCallsign() + ")";
}

bool httpGetString(const String& url, String& payload, int& codeOut, const String& accept,
                   const String& token) {
  return httpGetStringWith(HttpFetchRequest{url, accept, token, httpFetchUserAgent()}, payload, codeOut);
}

bool httpGetStringWith(const HttpFetchRequest& request, String& payload, int& codeOut, HttpSession* session) {
  payload = "";
  codeOut = 0;
  String current = request.url;
  current.trim();
  for (int redirects = 0;;) {
    payload = "";
    codeOut = 0;
    String location;
    {
      NetworkGuard guard(NETWORK_LOCK_TIMEOUT_MS);
      if (!guard) {
        codeOut = HTTP_FETCH_NETWORK_BUSY;
        return false;
      }
      fetchOnce(current, payload, codeOut, location, request, session);
    }
    if (codeOut == 200) return true;
    if (!isRedirectStatus(codeOut) || location.isEmpty()) return false;
    String next = resolveRedirectUrl(current, location);
    if (next.isEmpty() || next == current) return false;
    current = next;
    // A real pause: this also runs on request workers, which leave the
    // program's clock alone.
    std::this_thread::sleep_for(std::chrono::milliseconds(HTTP_FETCH_REDIRECT_PAUSE_MS));
    if (++redirects > HTTP_FETCH_MAX_REDIRECTS) return false;
  }
}

String resolveRedirectUrl(const String& currentUrl, const String& locationHeader) {
  String location = locationHeader;
  location.trim();
  if (location.isEmpty()) return String();
  if (startsWithIgnoreCase(location, "http://") || startsWithIgnoreCase(location, "https://"))
    return location;
  String current = currentUrl;
  current.trim();
  String scheme = startsWithIgnoreCase(current, "https://") ? "https:" : "http:";
  if (location.startsWith("//")) return scheme + location;
  int sep = current.indexOf("://");
  if (sep < 0) return location;
  int hostStart = sep + 3;
  // The origin ends where the path (or, without one, the query) begins.
  int pathStart = hostStart;
  while (pathStart < (int)current.length() && strchr("/?#", current[pathStart]) == nullptr) ++pathStart;
  String origin = current.substring(0, pathStart);
  if (location.startsWith("/")) return origin + location;
  String base = current;
  int query = base.indexOf('?');
  if (query >= 0) base = base.substring(0, query);
  int lastSlash = base.lastIndexOf('/');
  if (lastSlash < hostStart) {
    base = origin + "/";
  } else {
    base = base.substring(0, lastSlash + 1);
  }
  return base + location;
}

#pragma once

// Text fetch over HTTP shared by every poll of the program: one GET with fixed
// time-outs and headers under the network lock, redirects resolved here.

#include <stdint.h>

#include "host/board_stubs.h"
#include "host/wstring.h"

// Waiting limit for the network lock.
static const uint32_t NETWORK_LOCK_TIMEOUT_MS = 30000;  // 30 s
// Connect and read time-outs of one fetch.
static const int HTTP_FETCH_CONNECT_TIMEOUT_MS = 3000;
static const int HTTP_FETCH_READ_TIMEOUT_MS = 3000;
// Redirects resolved by httpGetString after the first request (four requests in all).
static const int HTTP_FETCH_MAX_REDIRECTS = 3;
// Pause before following a redirect (the lock is not held meanwhile).
static const uint32_t HTTP_FETCH_REDIRECT_PAUSE_MS = 10;
// Result codes besides HTTP statuses.
static const int HTTP_FETCH_NOT_STARTED = -1;
static const int HTTP_FETCH_TRANSPORT_FAILED = -2;
static const int HTTP_FETCH_NETWORK_BUSY = -98;

// The lock operations NetworkGuard uses: the board's recursive mutex calls.
// Tests point them at their own functions to simulate a lock held elsewhere.
typedef BaseType_t (*NetworkLockTakeFn)(SemaphoreHandle_t mutex, TickType_t waitTicks);
typedef BaseType_t (*NetworkLockGiveFn)(SemaphoreHandle_t mutex);
extern NetworkLockTakeFn networkLockTake;
extern NetworkLockGiveFn networkLockGive;

// Scoped holder of networkMutex. Without a mutex it counts as locked.
class NetworkGuard {
 public:
  explicit NetworkGuard(uint32_t timeoutMs);
  ~NetworkGuard();
  NetworkGuard(const NetworkGuard&) = delete;
  NetworkGuard& operator=(const NetworkGuard&) = delete;
  // True when the lock is held (or there is no lock).
  explicit operator bool() const { return locked; }

  bool locked;

 private:
  bool holdsMutex_;
};

// "Qsodeck/<version> (operator=<device callsign>)".
String httpFetchUserAgent();

// GET url (trimmed) into payload. True only for a 200 answer; codeOut holds
// the status, -1 when the request did not start, -2 on a transport failure,
// -98 when the network lock was busy. payload is empty unless 200.
// accept: Accept header value (none when empty); token: X-Display-Token value.
bool httpGetString(const String& url, String& payload, int& codeOut, const String& accept = "",
                   const String& token = "");

// One GET with everything it needs, taken on the main thread so that a
// request worker reads no program state.
struct HttpFetchRequest {
  String url;
  String accept;     // Accept header value (none when empty)
  String token;      // X-Display-Token value (none when empty)
  String userAgent;  // httpFetchUserAgent() at the time of the request
};

// httpGetString for a prepared request; safe on any thread. With a session
// (a request channel's) the GET reuses its open connection.
class HttpSession;
bool httpGetStringWith(const HttpFetchRequest& request, String& payload, int& codeOut,
                       HttpSession* session = nullptr);

// Absolute URL of a redirect target; empty when the Location value is empty.
String resolveRedirectUrl(const String& currentUrl, const String& locationHeader);

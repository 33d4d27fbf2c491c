// Who may use the settings pages: the password (kept as a hash in
// web_ui_password), the one-time setup code for the first browser, session
// cookies with their CSRF tokens, and the lock-out after wrong passwords.
// Main thread, except where a function says otherwise.
#pragma once

#include <stdint.h>

#include <string>

#include "host/web_listener.h"

static const char* const WEB_SESSION_COOKIE = "qsodeck_session";
static const uint32_t WEB_SESSION_IDLE_MS = 12u * 60u * 60u * 1000u;  // 12 h
static const int WEB_SESSIONS_MAX = 32;
static const uint32_t WEB_SETUP_CODE_VALID_MS = 10u * 60u * 1000u;  // 10 min
static const int WEB_LOGIN_FAILURES_MAX = 5;                       // within the window below
static const uint32_t WEB_LOGIN_WINDOW_MS = 60000;                  // also the lock-out time
static const size_t WEB_PASSWORD_MIN_BYTES = 8;

// One signed-in browser.
struct WebSession {
  std::string token;  // cookie value
  std::string csrf;   // form field "csrf" of every change
  uint32_t lastSeenMillis = 0;
};

// A new setup code, valid for WEB_SETUP_CODE_VALID_MS, when no password is
// set; otherwise none. Shown through webUiSetupCode.
void webAccessStart();
// Expires the setup code and idle sessions; keeps the hash the server
// thread checks passwords against in step with the configuration.
void webAccessTick();
// True while a password is set.
bool webPasswordSet();
// True while the setup code may be used.
bool webSetupCodeActive();
// True when code is the current setup code (constant time).
bool webSetupCodeMatches(const std::string& code);
// Ends the setup code (the password was set).
void webSetupCodeUsed();

// The session of the request's cookie (its idle time restarts), or null.
WebSession* webSessionOf(const WebRequest& request);
// A new session; its cookie header value in cookieHeader.
WebSession& webSessionCreate(std::string& cookieHeader);
// Ends the session; cookieHeader receives the header that clears the cookie.
void webSessionEnd(const WebSession& session, std::string& cookieHeader);
// Ends every session but keep; returns where keep now lives (references to
// sessions taken before are no longer valid).
WebSession& webSessionsEndOthers(const WebSession& keep);
// True when the form's csrf field is the session's token.
bool webCsrfMatches(const WebSession& session, const std::string& formToken);

// True while the address is locked out after too many wrong passwords;
// secondsLeft receives the time left. Any thread.
bool webLoginLocked(const std::string& address, uint32_t& secondsLeft);
// Counts one wrong password or code of the address. Any thread.
void webLoginFailed(const std::string& address);

// Server thread (prepare hook): checks the field "password" (or
// "current_password") of a login, change or export against the stored hash,
// and hashes a new password ("new_password", or "web_ui_password" of a
// settings save), so that the main thread never runs the slow hash.
// Results: prepared "password_ok" = "1"/"0", "new_password_hash".
void webPrepareRequest(WebRequest& request);
// The prepared value of key, or empty.
std::string webPrepared(const WebRequest& request, const char* key);

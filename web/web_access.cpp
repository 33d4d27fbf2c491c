#include "web/web_access.h"

#include <map>
#include <mutex>
#include <vector>

#include "core/config.h"
#include "core/web_server.h"
#include "host/password_hash.h"
#include "host/runtime.h"
#include "web/web_form.h"

namespace {

std::vector<WebSession> sessions;
std::string setupCode;
uint32_t setupCodeIssuedAt = 0;

// Shared with the server thread.
struct ThreadShared {
  std::mutex mutex;
  std::string passwordHash;                                // copy of web_ui_password
  std::map<std::string, std::vector<uint32_t>> failures;  // address -> times of wrong passwords
};
ThreadShared& shared() {
  static ThreadShared* s = new ThreadShared;  // never destroyed: the server thread may still run
  return *s;
}

bool elapsed(uint32_t since, uint32_t ms) { return (uint32_t)(millis() - since) >= ms; }

void dropOldFailures(std::vector<uint32_t>& times) {
  std::vector<uint32_t> kept;
  for (uint32_t t : times) {
    if (!elapsed(t, WEB_LOGIN_WINDOW_MS)) kept.push_back(t);
  }
  times.swap(kept);
}

std::string cookieHeaderFor(const std::string& value, const char* extra) {
  return std::string(WEB_SESSION_COOKIE) + "=" + value + "; Path=/; HttpOnly; SameSite=Strict" + extra;
}

}  // namespace

void webAccessStart() {
  setupCode.clear();
  webUiSetupCode = "";
  webAccessTick();
  if (webPasswordSet()) return;
  setupCode = randomSixDigitCode();
  setupCodeIssuedAt = millis();
  webUiSetupCode = String(setupCode);
}

void webAccessTick() {
  {
    std::lock_guard<std::mutex> lock(shared().mutex);
    if (shared().passwordHash != cfg.webUiPassword.str()) shared().passwordHash = cfg.webUiPassword.str();
  }
  if (!setupCode.empty() && (webPasswordSet() || elapsed(setupCodeIssuedAt, WEB_SETUP_CODE_VALID_MS))) {
    webSetupCodeUsed();
  }
  for (size_t i = 0; i < sessions.size();) {
    if (elapsed(sessions[i].lastSeenMillis, WEB_SESSION_IDLE_MS)) {
      sessions.erase(sessions.begin() + (long)i);
    } else {
      ++i;
    }
  }
}

bool webPasswordSet() { return looksLikePasswordHash(cfg.webUiPassword.str()); }

bool webSetupCodeActive() { return !setupCode.empty() && !webPasswordSet(); }

bool webSetupCodeMatches(const std::string& code) {
  return webSetupCodeActive() && !elapsed(setupCodeIssuedAt, WEB_SETUP_CODE_VALID_MS) &&
         constantTimeEquals(code, setupCode);
}

void webSetupCodeUsed() {
  setupCode.clear();
  webUiSetupCode = "";
}

WebSession* webSessionOf(const WebRequest& request) {
  std::string token = cookieValue(request.cookie, WEB_SESSION_COOKIE);
  if (token.empty()) return nullptr;
  for (WebSession& s : sessions) {
    if (constantTimeEquals(s.token, token) && !elapsed(s.lastSeenMillis, WEB_SESSION_IDLE_MS)) {
      s.lastSeenMillis = millis();
      return &s;
    }
  }
  return nullptr;
}

WebSession& webSessionCreate(std::string& cookieHeader) {
  if ((int)sessions.size() >= WEB_SESSIONS_MAX) {
    size_t oldest = 0;
    for (size_t i = 1; i < sessions.size(); ++i) {
      if ((uint32_t)(millis() - sessions[i].lastSeenMillis) > (uint32_t)(millis() - sessions[oldest].lastSeenMillis))
        oldest = i;
    }
    sessions.erase(sessions.begin() + (long)oldest);
  }
  WebSession s;
  s.token = randomHexToken(32);
  s.csrf = randomHexToken(32);
  s.lastSeenMillis = millis();
  sessions.push_back(s);
  cookieHeader = cookieHeaderFor(s.token, "");
  return sessions.back();
}

void webSessionEnd(const WebSession& session, std::string& cookieHeader) {
  std::string token = session.token;
  for (size_t i = 0; i < sessions.size(); ++i) {
    if (sessions[i].token == token) {
      sessions.erase(sessions.begin() + (long)i);
      break;
    }
  }
  cookieHeader = cookieHeaderFor("", "; Max-Age=0");
}

WebSession& webSessionsEndOthers(const WebSession& keep) {
  WebSession copy = keep;
  sessions.assign(1, copy);
  return sessions.front();
}

bool webCsrfMatches(const WebSession& session, const std::string& formToken) {
  return !formToken.empty() && constantTimeEquals(session.csrf, formToken);
}

bool webLoginLocked(const std::string& address, uint32_t& secondsLeft) {
  std::lock_guard<std::mutex> lock(shared().mutex);
  auto it = shared().failures.find(address);
  if (it == shared().failures.end()) return false;
  dropOldFailures(it->second);
  if ((int)it->second.size() < WEB_LOGIN_FAILURES_MAX) return false;
  uint32_t last = it->second.back();
  uint32_t gone = (uint32_t)(millis() - last);
  secondsLeft = (WEB_LOGIN_WINDOW_MS - (gone < WEB_LOGIN_WINDOW_MS ? gone : WEB_LOGIN_WINDOW_MS) + 999) / 1000;
  if (secondsLeft == 0) secondsLeft = 1;
  return true;
}

void webLoginFailed(const std::string& address) {
  std::lock_guard<std::mutex> lock(shared().mutex);
  if (shared().failures.size() > 4096) shared().failures.clear();  // bounded under a flood of addresses
  std::vector<uint32_t>& times = shared().failures[address];
  dropOldFailures(times);
  times.push_back(millis());
}

void webPrepareRequest(WebRequest& request) {
  if (request.method != "POST" || request.contentType.find("application/x-www-form-urlencoded") != 0) return;
  WebFields fields = parseUrlEncoded(request.body);
  uint32_t secondsLeft = 0;
  std::string password = fieldValue(fields, "password", fieldValue(fields, "current_password"));
  if (!password.empty() && !webLoginLocked(request.remoteAddr, secondsLeft)) {
    std::string hash;
    {
      std::lock_guard<std::mutex> lock(shared().mutex);
      hash = shared().passwordHash;
    }
    request.prepared.emplace_back("password_ok", verifyPassword(hash, password) ? "1" : "0");
  }
  std::string fresh = fieldValue(fields, "new_password");
  if (fresh.empty() && request.path == "/settings") fresh = fieldValue(fields, "web_ui_password");
  if (fresh.size() >= WEB_PASSWORD_MIN_BYTES) request.prepared.emplace_back("new_password_hash", hashPassword(fresh));
}

std::string webPrepared(const WebRequest& request, const char* key) {
  for (const auto& p : request.prepared) {
    if (p.first == key) return p.second;
  }
  return std::string();
}

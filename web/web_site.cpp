// The frame of every page, the stylesheet, and signing in and out.
#include "core/config.h"
#include "core/device_log.h"
#include "web/web_pages.h"

namespace {

const char* const STYLESHEET = R"CSS(
:root{--bg:#0b1220;--panel:#141f33;--line:#2b3b57;--text:#e6edf7;--sub:#9fb0c8;--accent:#35c2ff;--warn:#ffbe46;--bad:#ff6b6b;--good:#58d68d}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--text);font:15px/1.45 system-ui,sans-serif}
header{display:flex;flex-wrap:wrap;align-items:center;gap:.4em 1em;padding:.6em 1em;background:var(--panel);border-bottom:1px solid var(--line)}
header b{color:var(--accent);font-size:1.15em;margin-right:.5em}
nav{display:flex;flex-wrap:wrap;gap:.3em .9em;align-items:center}
nav a{color:var(--text);text-decoration:none}nav a:hover{color:var(--accent)}
nav form{margin:0}
main{max-width:60em;margin:0 auto;padding:1em}
h1{font-size:1.35em;margin:.3em 0 .6em}h2{font-size:1.1em;margin:1.4em 0 .4em;color:var(--accent)}
a{color:var(--accent)}
table{border-collapse:collapse;width:100%}
th,td{text-align:left;padding:.35em .5em;border-bottom:1px solid var(--line);vertical-align:top}
th{color:var(--sub);font-weight:600}
code{background:#1d2a42;padding:0 .25em;border-radius:3px}
fieldset{border:1px solid var(--line);border-radius:8px;margin:0 0 1em;padding:.4em .9em .8em;background:var(--panel)}
legend{color:var(--accent);font-weight:600;padding:0 .3em}
.field{display:grid;grid-template-columns:minmax(12em,18em) 1fr;gap:.2em 1em;padding:.55em 0;border-bottom:1px solid var(--line)}
.field:last-child{border-bottom:0}
.field label{font-family:ui-monospace,monospace;font-size:.92em;word-break:break-all}
.field small{grid-column:2;color:var(--sub)}
@media (max-width:40em){.field{grid-template-columns:1fr}.field small{grid-column:1}}
input[type=text],input[type=password],input[type=number],select{width:100%;padding:.4em;border-radius:5px;border:1px solid var(--line);background:#0e1828;color:var(--text);font:inherit}
input[type=checkbox]{width:1.3em;height:1.3em}
button{padding:.45em 1.1em;border-radius:6px;border:1px solid var(--accent);background:#12324a;color:var(--text);font:inherit;cursor:pointer}
.bar{position:sticky;bottom:0;background:var(--bg);padding:.6em 0;border-top:1px solid var(--line)}
.msg{padding:.6em .9em;border-radius:6px;margin:.6em 0;background:var(--panel);border-left:4px solid var(--accent)}
.msg.bad{border-color:var(--bad)}.msg.good{border-color:var(--good)}
.err{color:var(--bad);font-weight:600}.note{color:var(--warn)}
.on{color:var(--good)}.off{color:var(--sub)}.fail{color:var(--bad)}
.toc a{margin-right:.8em}
pre{white-space:pre-wrap;word-break:break-all;background:var(--panel);padding:.6em;border-radius:6px;font-size:.85em}
.login{max-width:24em;margin:2em auto}
.login .field{grid-template-columns:1fr}
img.screen{max-width:100%;border:1px solid var(--line);border-radius:6px}
)CSS";

std::string loginField(const char* name, const char* label, const char* type, const char* autocomplete) {
  return std::string("<div class=field><label for=") + name + ">" + label + "</label><input id=" + name +
         " name=" + name + " type=" + type + " autocomplete=" + autocomplete + " required></div>";
}

std::string loginForm(const std::string& message, bool bad) {
  std::string body = "<div class=login><h1>Sign in</h1>";
  if (!message.empty()) body += std::string("<p class=\"msg") + (bad ? " bad" : "") + "\">" + htmlEscape(message) + "</p>";
  body += "<form method=post action=/login><fieldset>";
  if (webSetupCodeActive()) {
    body += "<p>No password is set yet. Enter the six-digit code shown on the INFO page of the panel and choose "
            "a password (at least 8 characters).</p>";
    body += loginField("code", "Code from the INFO page", "text", "one-time-code");
    body += loginField("new_password", "New password", "password", "new-password");
    body += loginField("new_password_confirm", "New password again", "password", "new-password");
  } else if (webPasswordSet()) {
    body += loginField("password", "Password", "password", "current-password");
  } else {
    body += "<p>No password is set and the setup code has expired. Restart the program for a new code, or put "
            "<code>web_ui_password</code> into <code>config.json</code>.</p>";
  }
  body += "</fieldset><button>Sign in</button></form></div>";
  return webPageShell("Sign in", nullptr, body);
}

// The first password, set with the code from the INFO page.
bool setFirstPassword(const WebRequest& req, const WebFields& form, std::string& why) {
  if (!webSetupCodeMatches(fieldValue(form, "code"))) {
    why = "The code is wrong or has expired.";
    return false;
  }
  std::string fresh = fieldValue(form, "new_password");
  if (fresh.size() < WEB_PASSWORD_MIN_BYTES) {
    why = "The password must have at least 8 characters.";
    return false;
  }
  if (fresh != fieldValue(form, "new_password_confirm")) {
    why = "The two passwords differ.";
    return false;
  }
  std::string hash = webPrepared(req, "new_password_hash");
  if (hash.empty()) {
    why = "The password could not be stored; try again.";
    return false;
  }
  ConfigEditOutcome outcome;
  applyConfigForm({{"web_ui_password", hash}}, {}, outcome);
  if (!outcome.saved) {
    why = outcome.error;
    return false;
  }
  webSetupCodeUsed();
  addWebLog("INFO", "WEB", "Web UI password set with the setup code.", true);
  return true;
}

void startSession(WebResponse& res, const char* where) {
  std::string cookie;
  webSessionCreate(cookie);
  res.headers.emplace_back("Set-Cookie", cookie);
  webRedirect(res, where);
}

}  // namespace

const char* webStylesheet() { return STYLESHEET; }

std::string webCsrfField(const WebSession& session) {
  return "<input type=hidden name=csrf value=\"" + htmlEscape(session.csrf) + "\">";
}

std::string webPageShell(const std::string& title, const WebSession* session, const std::string& body) {
  std::string html =
      "<!doctype html><html lang=en><head><meta charset=utf-8>"
      "<meta name=viewport content=\"width=device-width,initial-scale=1\"><title>Qsodeck - " +
      htmlEscape(title) + "</title><link rel=stylesheet href=/style.css></head><body><header><b>Qsodeck</b>";
  if (session != nullptr) {
    html += "<nav><a href=/>Status</a><a href=/settings>Settings</a><a href=/log>Log</a>"
            "<a href=/export>Export</a><a href=/import>Import</a><form method=post action=/logout>" +
            webCsrfField(*session) + "<button>Log out</button></form></nav>";
  }
  html += "</header><main>" + body + "</main></body></html>\n";
  return html;
}

void webSendHtml(WebResponse& res, int status, const std::string& html) {
  res.status = status;
  res.contentType = "text/html; charset=utf-8";
  res.body = html;
}

void webRedirect(WebResponse& res, const std::string& location) {
  res.status = 303;
  res.headers.emplace_back("Location", location);
  res.contentType = "text/plain; charset=utf-8";
  res.body = "See " + location + "\n";
}

void webLoginPage(const WebRequest& req, WebResponse& res) {
  res.headers.emplace_back("Cache-Control", "no-store");
  if (req.method != "POST") return webSendHtml(res, 200, loginForm("", false));
  uint32_t secondsLeft = 0;
  if (webLoginLocked(req.remoteAddr, secondsLeft)) {
    res.headers.emplace_back("Retry-After", std::to_string(secondsLeft));
    return webSendHtml(res, 429, loginForm("Too many wrong passwords. Try again in " +
                                               std::to_string(secondsLeft) + " s.", true));
  }
  WebFields form = parseUrlEncoded(req.body);
  if (webSetupCodeActive()) {
    std::string why;
    if (setFirstPassword(req, form, why)) return startSession(res, "/settings");
    webLoginFailed(req.remoteAddr);
    return webSendHtml(res, 401, loginForm(why, true));
  }
  if (webPasswordSet() && webPrepared(req, "password_ok") == "1") return startSession(res, "/");
  webLoginFailed(req.remoteAddr);
  addWebLog("WARN", "WEB", "Wrong web UI password from " + String(req.remoteAddr) + ".", true);
  webSendHtml(res, 401, loginForm("Wrong password.", true));
}

void webLogout(const WebSession& session, WebResponse& res) {
  std::string cookie;
  webSessionEnd(session, cookie);
  res.headers.emplace_back("Set-Cookie", cookie);
  webRedirect(res, "/login");
}

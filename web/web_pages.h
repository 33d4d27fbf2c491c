// The pages of the settings site and their shared frame. Every function
// runs on the main thread and fills a response.
#pragma once

#include <string>

#include "core/config_edit.h"
#include "host/web_listener.h"
#include "web/web_access.h"
#include "web/web_form.h"

// The whole HTML document: head with the stylesheet, the navigation (with
// the log-out form when session is not null) and body.
std::string webPageShell(const std::string& title, const WebSession* session, const std::string& body);
// The stylesheet of every page.
const char* webStylesheet();
// A hidden csrf field for the session's forms.
std::string webCsrfField(const WebSession& session);
// Sets an HTML answer.
void webSendHtml(WebResponse& res, int status, const std::string& html);
// Sets a redirect (303 See Other) to location.
void webRedirect(WebResponse& res, const std::string& location);

// GET and POST /login (also the first-password form while the setup code
// is active).
void webLoginPage(const WebRequest& req, WebResponse& res);
// POST /logout.
void webLogout(const WebSession& session, WebResponse& res);
// GET / : every source with its state, and the program.
void webStatusPage(const WebSession& session, WebResponse& res);
// GET /log : device log and the last trace lines.
void webLogPage(const WebSession& session, WebResponse& res);
// GET /settings and POST /settings.
void webSettingsPage(const WebRequest& req, const WebSession& session, WebResponse& res);
// GET /export (download; ?secrets=1 asks for the password first) and POST /export.
void webExport(const WebRequest& req, const WebSession& session, WebResponse& res);
// GET /import (the upload form) and POST /import (multipart upload).
void webImport(const WebRequest& req, const WebSession& session, WebResponse& res);
// GET /screen.png : the panel's frame.
void webScreenPng(WebResponse& res);

// The outcome of a save or import as HTML (changes, adjusted and refused values).
std::string webOutcomeHtml(const ConfigEditOutcome& outcome);
// Lines of the device log and the trace with every configured secret value
// replaced by "***".
std::string webRedactSecrets(const std::string& text);

// The HTTP listener of the settings pages: a server on a thread of its own
// that hands every request to the main thread and waits for its answer.
// The pages themselves live above this layer; they see only the plain
// records below, never the server library.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "host/wstring.h"

// Request bodies above this size are refused with 413 before a page sees them.
static const size_t WEB_REQUEST_BODY_MAX_BYTES = 256u * 1024u;
// A request the main thread has not answered within this time gets 503.
static const uint32_t WEB_ANSWER_TIMEOUT_MS = 15000;

// One uploaded file of a multipart form.
struct WebUpload {
  std::string field;     // form field name
  std::string filename;  // name the browser sent
  std::string content;   // the file's bytes
};

// One request as the pages see it.
struct WebRequest {
  std::string method;       // "GET", "POST", ...
  std::string path;         // without the query
  std::string query;        // raw text after "?", may be empty
  std::string contentType;  // of the body
  std::string body;         // raw body (empty for multipart forms)
  std::string cookie;       // raw Cookie header
  std::string remoteAddr;   // peer address
  // Text fields and files of a multipart form (empty otherwise).
  std::vector<std::pair<std::string, std::string>> multipartFields;
  std::vector<WebUpload> uploads;
  // Results of the slow work done by the prepare hook on the server thread
  // (for example a password check); free key/value pairs.
  std::vector<std::pair<std::string, std::string>> prepared;
};

// One answer.
struct WebResponse {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// Runs on the server thread before the request is queued: slow work that
// needs no program state (password hashing). May be null.
typedef void (*WebPrepareFn)(WebRequest& request);
// Runs on the main thread and fills the answer.
typedef void (*WebHandlerFn)(const WebRequest& request, WebResponse& response);

// Binds bind:port and starts the server thread. False (with the reason in
// error, for example "port 8080 is in use") when the address cannot be
// bound; nothing runs then. A running listener is stopped first.
bool webListenerStart(const String& bind, uint16_t port, WebPrepareFn prepare, String& error);
// Stops the server thread and answers every waiting request with 503.
void webListenerStop();
// True while the server thread runs.
bool webListenerRunning();
// Main thread: answers every waiting request with handler; returns how many.
int webListenerServe(WebHandlerFn handler);
// True when a request waits for the main thread.
bool webListenerWaiting();

#pragma once

// HTTP transport of the desktop host: one blocking GET through libcurl with
// the whole body in memory or streamed to a sink piece by piece, or a local
// file for "file://" URLs.

#include <stddef.h>
#include <stdint.h>

#include <functional>

#include "host/runtime.h"
#include "host/wstring.h"

// Largest response body kept in memory; a longer one fails the request.
static const size_t HTTP_BODY_LIMIT_BYTES = 16777216;  // 16 MiB
// Connect time-out used when the caller gives zero or less.
static const int HTTP_CONNECT_TIMEOUT_DEFAULT_MS = 5000;
// Idle (read) time-out used when the caller gives zero or less.
static const int HTTP_READ_TIMEOUT_DEFAULT_MS = 15000;
// No request, however lively, takes longer than this.
static const int HTTP_REQUEST_LIMIT_MS = 30000;  // 30 s
// Redirects followed by one GET.
static const long HTTP_MAX_REDIRECTS = 10;
// Certificates the server chain must lead to.
static const char* const HTTP_CA_BUNDLE_PATH = "/etc/ssl/certs/ca-certificates.crt";
// User agent sent when none was set.
static const char* const HTTP_DEFAULT_USER_AGENT = "Qsodeck-Desktop";

// Read-only stream over a byte text (the body of the last GET).
class MemoryStream : public Stream {
 public:
  // Replaces the data and rewinds.
  void setData(const String& text);
  // Moves the read position back to the start.
  void rewind() { pos_ = 0; }
  // Bytes left to read.
  int available() override;
  // Next byte 0..255, or -1 at the end.
  int read() override;
  // Copies min(n, bytes left) and advances; returns the count.
  size_t readBytes(uint8_t* buf, size_t n) override;
  using Stream::readBytes;
  // The stream is read-only: writes store nothing.
  size_t write(uint8_t b) override { return 0; }
  using Print::write;

 private:
  String data_;
  unsigned int pos_ = 0;
};

// Everything one GET needs, and what it brought back.
struct DesktopHttpRequest {
  String url;
  String headers;  // "Name: value\r\n" entries
  String userAgent;
  int connectTimeoutMs = HTTP_CONNECT_TIMEOUT_DEFAULT_MS;
  int readTimeoutMs = HTTP_READ_TIMEOUT_DEFAULT_MS;  // also the stall limit of a body
  int requestLimitMs = HTTP_REQUEST_LIMIT_MS;
  String caBundlePath;  // empty: HTTP_CA_BUNDLE_PATH
  bool http10 = false;  // request line "HTTP/1.0" instead of "HTTP/1.1"
  long maxRedirects = HTTP_MAX_REDIRECTS;
};

struct DesktopHttpResponse {
  String body;  // empty for a streamed GET
  int code = 0;
  String error;
  String headers;        // header lines of the final response, "Name: value\r\n" each
  int status = 0;        // status line of the final response, kept when the body broke off later (0: none)
  size_t bodyBytes = 0;  // body bytes received (kept or handed to the sink)
  bool sinkStopped = false;  // the sink refused a piece and so ended the transfer
};

// The connection of one request channel: a libcurl handle kept from one GET
// to the next, so that a request to the same origin reuses the open
// connection (keep-alive); one the server closed is opened again. Every
// request still sets all its rules (time-outs, caps, TLS) afresh. Used by one
// thread at a time.
class HttpSession {
 public:
  HttpSession();
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  struct Handles;
  // The kept handles (null until the first request).
  Handles* handles() { return handles_; }
  void setHandles(Handles* h) { handles_ = h; }

 private:
  Handles* handles_ = nullptr;
};

// Receives the body of a streamed GET piece by piece, in order; returning
// false stops the transfer, which then fails.
typedef std::function<bool(const char* data, size_t len)> HttpBodySink;

// One GET through libcurl. True when the transfer completed with a status of
// 100..599; a transfer broken after the status line, a body over the limit or
// a transport error is false with the libcurl error in `error`.
// With a session the transfer runs on its kept connection.
bool desktopHttpGetWithCurl(const DesktopHttpRequest& request, DesktopHttpResponse& response,
                            HttpSession* session = nullptr);

// The streamed GET: like HTTPClient::GET, with the same request rules (body
// cap, time-outs with readTimeoutMs as the stall limit, whole-request limit,
// certificates, redirects, proxy, header cleaning) and trace lines, but the
// body goes to the sink as it arrives and is never held whole. "file://"
// URLs stream the local file (200, 404 when it cannot be read). Returns the
// code: the status of a complete answer, 200/404 for a file, -2 when the
// transfer failed or broke off (the sink may have had part of the body).
int desktopHttpGetStream(const DesktopHttpRequest& request, const HttpBodySink& sink,
                         DesktopHttpResponse& response);

// The URL with the values of key and token query parameters (appid, apikey,
// api_key, key, token, any letter case) and any user-info password replaced
// by "***", for trace lines.
String redactUrlSecrets(const String& url);

// Sets libcurl (and its TLS library) up once; the first transfer does it
// too. Request workers call it on the main thread before they start.
void desktopHttpGlobalInit();

// While aborted is true every running and new transfer ends at once with
// code -2 and no trace line (the program shuts down); false allows them again.
void desktopHttpAbortTransfers(bool aborted);
bool desktopHttpTransfersAborted();

// Replaces the certificate bundle used when a request names none (tests use a
// bundle of their own); null or empty restores HTTP_CA_BUNDLE_PATH.
void desktopHttpSetCaBundle(const char* path);

// Text with every CR and LF removed (header names, values, user agents).
String stripHeaderLineBreaks(const String& text);

// The firmware's HTTP client: one instance per request.
class HTTPClient {
 public:
  HTTPClient();

  // Stores the URL; true when it is not empty. The client object is not used.
  template <typename Client>
  bool begin(Client& client, const String& url) {
    return begin(url);
  }
  bool begin(const String& url);
  // Connect time-out in ms (zero or less: 5000).
  void setConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
  // Idle time-out in ms while waiting for data (zero or less: 15000).
  void setTimeout(int ms) { readTimeoutMs_ = ms; }
  // Replaces the User-Agent unless ua is empty; CR and LF are removed.
  void setUserAgent(const String& ua);
  // Appends a request header; ignored when the name is empty. CR and LF are removed.
  void addHeader(const String& name, const String& value);
  void useHTTP10(bool on = true) {}
  void setReuse(bool on) {}
  void end() {}
  // The channel's session whose connection GET uses (null: a connection of
  // its own, closed after the request).
  void setSession(HttpSession* session) { session_ = session; }
  // Whole-request limit in ms (default 30000); zero or less keeps the default.
  void setRequestLimit(int ms) { requestLimitMs_ = ms; }
  // Certificate bundle for https (default HTTP_CA_BUNDLE_PATH).
  void setCaBundle(const String& path) { caBundlePath_ = path; }

  // Performs the request; returns the status, 200/404 for "file://", or -2.
  int GET();
  // Copy of the body.
  String getString() const { return body_; }
  // Body length in bytes.
  int getSize() const { return (int)body_.length(); }
  // The body as a stream, rewound to its start on every call.
  Stream* getStreamPtr();
  // True while bytes remain unread in the body stream.
  bool connected();
  // Value of a header of the final response ("" when absent).
  String header(const char* name) const;

 private:
  int getLocalFile();

  String url_;
  String body_;
  int code_;
  int connectTimeoutMs_;
  int readTimeoutMs_;
  String userAgent_;
  String headers_;
  MemoryStream stream_;
  int requestLimitMs_;
  String caBundlePath_;
  String responseHeaders_;
  HttpSession* session_ = nullptr;
};

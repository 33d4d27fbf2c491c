#include "core/web_server.h"

namespace {

// The configuration web server (port 80 on the board).
WebServer server(80);

}  // namespace

// The desktop registers no pages: with no listener nothing could reach them.
// begin() writes "Desktop WebServer stub active; no HTTP listener is started."
void setupWebServer() { server.begin(); }

// No listener, so no client can be waiting; handleClient() returns at once.
void handleWebClientSafely(uint32_t maxMillis) {
  (void)maxMillis;
  server.handleClient();
}

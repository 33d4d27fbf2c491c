#pragma once

// The board's configuration web pages. The desktop host starts no HTTP
// listener: the server object is the board substitute, whose begin() only
// says so on the serial console and whose client handling does nothing.

#include "host/board_stubs.h"

// Registers the web pages and starts the server.
void setupWebServer();

// Serves pending web clients; maxMillis bounds the time spent (the desktop
// has no clients, so nothing is ever served).
void handleWebClientSafely(uint32_t maxMillis);

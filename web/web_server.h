// The settings pages in the browser: started, served and stopped by the
// program's start-up and main cycle.
#pragma once

#include <stdint.h>

// Starts the listener when web_ui_enabled (a port in use gives a device-log
// line and the program runs on without the pages). Sets webUiUrl and, while
// no password is set, webUiSetupCode (core/web_server.h).
void setupWebServer();
// Answers the requests waiting for the main thread and keeps the listener in
// step with the configuration; maxMillis is not used (each answer is short).
void handleWebClientSafely(uint32_t maxMillis);
// Stops the listener (at shutdown).
void stopWebServer();

#pragma once

// The settings pages in the browser. The pages and their listener are
// defined above this folder (web/); the start-up and the main cycle call
// these three functions, and the panel shows the two texts below.

#include <stdint.h>

#include "host/wstring.h"

// Starts the listener when web_ui_enabled (a port in use gives a device-log
// line and the program runs on without the pages).
void setupWebServer();
// Answers the requests waiting for the main thread and keeps the listener in
// step with the configuration; maxMillis is not used (each answer is short).
void handleWebClientSafely(uint32_t maxMillis);
// Stops the listener (at shutdown).
void stopWebServer();

// Address of the settings page ("http://127.0.0.1:8080/"); empty while off.
extern String webUiUrl;
// The one-time six-digit code that lets the first browser set the password,
// shown on the INFO page; empty when a password is set, the page is off or
// the code expired.
extern String webUiSetupCode;

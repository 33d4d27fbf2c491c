#pragma once

// What the panel shows of the settings pages in the browser (web/ runs
// them): their address for the boot line and the one-time code for the
// INFO page.

#include "host/wstring.h"

// Address of the settings page ("http://127.0.0.1:8080/"); empty while off.
extern String webUiUrl;
// The one-time six-digit code that lets the first browser set the password,
// shown on the INFO page; empty when a password is set, the page is off or
// the code expired.
extern String webUiSetupCode;

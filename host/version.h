#pragma once

// Program version, shown on the ABOUT page and sent in the HTTP user agent.
#define QSODECK_VERSION "0.0.1.8"

// Returns the version text, for code that prefers a function to a macro.
const char* qsodeckVersion();

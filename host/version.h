#pragma once

// Program version, shown on the ABOUT page, printed by --version and sent in
// the HTTP user agent. The build passes CMake's project version.
#ifndef QSODECK_VERSION
#define QSODECK_VERSION "unknown"
#endif

// Returns the version text, for code that prefers a function to a macro.
const char* qsodeckVersion();

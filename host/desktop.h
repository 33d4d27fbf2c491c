#pragma once

// Umbrella header of the desktop host: the board runtime substitutes, the
// trace log, the JSON document layer, the display surface with its font,
// pointer input, file storage, the HTTP client and the process entry.
#include "host/board_stubs.h"
#include "host/desktop_json.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "host/font5x7.h"
#include "host/http_client.h"
#include "host/input.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "host/version.h"
#include "host/wstring.h"

#pragma once

// Umbrella header of the desktop host: the board runtime substitutes, the
// trace log, the JSON document layer and the other host modules.
#include "host/board_stubs.h"
#include "host/desktop_json.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "host/wstring.h"

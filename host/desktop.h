#pragma once

// Umbrella header of the desktop host: the board runtime substitutes, the
// trace log and the other host modules.
#include "host/runtime.h"
#include "host/trace_log.h"
#include "host/wstring.h"

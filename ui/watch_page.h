// Pieces shared by the pages of the watch sources.
#pragma once

#include "ui/draw.h"

// The REFRESH button of the watch pages (top right of the page card).
static const ScreenRect WATCH_REFRESH_BUTTON = {555, 88, 195, 44};

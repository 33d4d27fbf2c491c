// The weather alert popup over every page.
#pragma once

#include "core/view.h"

extern const ViewOverlay ALERT_OVERLAY;

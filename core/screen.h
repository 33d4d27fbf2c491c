// The screen as start-up and the main cycle drive it. The page code in ui/
// defines these; core/ sees the screen only through this header.
#pragma once

#include "host/wstring.h"

// Reads the touch point once and handles taps and gestures.
void handleTouch();
// True while a finger is down (the main cycle keeps its fast pace then).
bool touchPressActive();
// Full render of the current page and its overlays, then presents the frame.
void redrawCurrentPage(bool fullRedraw);
// Clock box at the right of the header.
void drawHeaderClockBox();
// Footer band with the current footer message.
void drawFooter();
// Repaints only the scrolling strips of the current page; false when a full
// redraw is needed instead.
bool redrawScrollingTextAreasForCurrentPage();
// Shows the boot step status at progress toProgress and presents it.
void animateBootProgress(const String& status, int fromProgress, int toProgress, int frameDelay);
// Orientation, background, brightness and a redraw request.
void applyDisplaySettings();

// The weather alert popup over every page.
#pragma once

#include <stdint.h>

#include "core/view.h"
#include "host/wstring.h"
#include "ui/draw.h"

// Popup, content box and buttons (PREV, CLOSE, NEXT) on the 800 x 480 screen.
static const ScreenRect ALERT_POPUP_RECT = {25, 42, 750, 396};
static const int ALERT_POPUP_BUTTON_COUNT = 3;
static const int ALERT_POPUP_PREV_BUTTON = 0;
static const int ALERT_POPUP_CLOSE_BUTTON = 1;
static const int ALERT_POPUP_NEXT_BUTTON = 2;
// Taps above this line (the popup's middle) scroll up, the others down.
static const int ALERT_POPUP_MIDDLE_Y = 240;
// Lines scrolled by a tap beside the buttons and by a vertical drag.
static const int ALERT_POPUP_TAP_SCROLL_LINES = 2;
static const int ALERT_POPUP_DRAG_SCROLL_LINES = 3;

extern const ViewOverlay ALERT_OVERLAY;

// Button index (0 PREV, 1 CLOSE, 2 NEXT) and its rectangle.
ScreenRect alertPopupButtonRect(int index);
ScreenRect alertPopupPrevButtonRect();
ScreenRect alertPopupCloseButtonRect();
ScreenRect alertPopupNextButtonRect();
ScreenRect alertPopupContentBoxRect();
// Border and title colour: bad for a severe or extreme alert, else warn.
uint16_t alertPopupColour();
// "Severity: <word>.\n" and the detail lines, or a note when the source
// gave neither.
String alertPopupBodyText();

// Draws the popup over the current page while an alert is shown.
void drawAlertToastOverlay();
// A tap while the popup shows: CLOSE closes it, PREV/NEXT page through the
// body, other taps scroll it (above the middle up, else down). Every tap is
// taken: true.
bool handleAlertPopupTap(int x, int y);
// Scrolls the body by deltaLines within its length; redraws when it moved.
void changeAlertPopupScroll(int deltaLines);

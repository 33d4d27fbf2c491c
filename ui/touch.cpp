#include "ui/touch.h"

// PENDING: reads the touch point and dispatches taps, scrolls and swipes.
void handleTouch() {}

bool pointInRect(int px, int py, int x, int y, int w, int h) {
  return px >= x && px < x + w && py >= y && py < y + h;
}

// PENDING: hit test of the five switchable mode buttons.
bool liveModeButtonTouchHit(int x, int y, String& label) {
  (void)x;
  (void)y;
  (void)label;
  return false;
}

// PENDING: opens the mode confirmation for a known mode status.
void openModeConfirmPopup(const String& label) { (void)label; }

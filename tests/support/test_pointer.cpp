#include "support/test_pointer.h"

#include <SDL.h>

#include "host/input.h"

namespace {

int gSampleX = 0;
int gSampleY = 0;
bool gSampleDown = false;

// Cursor sampler for window systems that report the global cursor.
bool testSampler(int* x, int* y, bool* leftDown) {
  *x = gSampleX;
  *y = gSampleY;
  *leftDown = gSampleDown;
  return true;
}

}  // namespace

void pushPointerEvent(Uint32 type, int x, int y, Uint32 which) {
  SDL_Event e;
  SDL_zero(e);
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion.which = which;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = SDL_BUTTON_LMASK;
  } else {
    e.button.which = which;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
  }
  SDL_PushEvent(&e);
}

void installTestPointer() {
  gSampleDown = false;
  desktopSetCursorSampler(testSampler);
}

void removeTestPointer() { desktopSetCursorSampler(nullptr); }

void testPointerDown(int x, int y) {
  pushPointerEvent(gSampleDown ? SDL_MOUSEMOTION : SDL_MOUSEBUTTONDOWN, x, y);
  gSampleX = x;
  gSampleY = y;
  gSampleDown = true;
}

void testPointerUp() {
  pushPointerEvent(SDL_MOUSEBUTTONUP, gSampleX, gSampleY);
  gSampleDown = false;
}

// A finger on the test window: presses, moves and releases reach the
// program's touch reader the way the window system delivers them (an SDL
// event and the global cursor sample together).
#pragma once

#include <SDL.h>

// Queues a left-button pointer event (SDL_MOUSEMOTION with the button held,
// SDL_MOUSEBUTTONDOWN or SDL_MOUSEBUTTONUP) at window point (x, y) the way
// the window system delivers it; which is SDL_TOUCH_MOUSEID for the events
// SDL makes from a touch.
void pushPointerEvent(Uint32 type, int x, int y, Uint32 which = 0);

// Puts the test cursor sampler in place, finger up; removeTestPointer takes
// it away again (call it in TearDown).
void installTestPointer();
void removeTestPointer();

// Presses at (x, y), or moves there while held.
void testPointerDown(int x, int y);
// Lifts the finger where it is.
void testPointerUp();

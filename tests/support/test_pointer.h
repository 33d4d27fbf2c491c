// A finger on the test window: presses, moves and releases reach the
// program's touch reader the way the window system delivers them (an SDL
// event and the global cursor sample together).
#pragma once

// Puts the test cursor sampler in place, finger up; removeTestPointer takes
// it away again (call it in TearDown).
void installTestPointer();
void removeTestPointer();

// Presses at (x, y), or moves there while held.
void testPointerDown(int x, int y);
// Lifts the finger where it is.
void testPointerUp();

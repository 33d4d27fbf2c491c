#pragma once

// The parts of a frame drawn since it was last shown: a short list of
// rectangles inside the frame, merged where they overlap or touch. When the
// list would grow past its cap, or the rectangles cover most of the frame,
// it gives up and stands for the whole frame (one full update is cheaper
// than many small ones then).

#include <stdint.h>

struct DirtyRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// Most separate rectangles kept before the whole frame counts as drawn.
static const int DIRTY_RECTS_CAP = 16;
// Share of the frame (in percent) above which the whole frame counts as drawn.
static const int DIRTY_RECTS_FULL_PERCENT = 60;

struct DirtyRects {
  int frameW = 0;
  int frameH = 0;
  bool full = false;  // the whole frame was drawn (or the list gave up)
  int count = 0;      // rectangles in rects when not full
  DirtyRect rects[DIRTY_RECTS_CAP];
};

// An empty list for a frame of w x h pixels.
void dirtyRectsReset(DirtyRects& d, int frameW, int frameH);
// Notes a drawn rectangle (any coordinates; what lies outside the frame is
// cut off, nothing is noted for an empty or invisible one).
void dirtyRectsAdd(DirtyRects& d, int x, int y, int w, int h);
// Notes that the whole frame was drawn.
void dirtyRectsAddFull(DirtyRects& d);
// True when nothing was drawn since the last reset.
bool dirtyRectsEmpty(const DirtyRects& d);
// Forgets everything (after the drawn parts were shown).
void dirtyRectsClear(DirtyRects& d);

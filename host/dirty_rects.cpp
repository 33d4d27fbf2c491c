#include "host/dirty_rects.h"

namespace {

bool overlapsOrTouches(const DirtyRect& a, const DirtyRect& b) {
  return a.x <= b.x + b.w && b.x <= a.x + a.w && a.y <= b.y + b.h && b.y <= a.y + a.h;
}

DirtyRect unionOf(const DirtyRect& a, const DirtyRect& b) {
  const int x0 = a.x < b.x ? a.x : b.x;
  const int y0 = a.y < b.y ? a.y : b.y;
  const int x1 = a.x + a.w > b.x + b.w ? a.x + a.w : b.x + b.w;
  const int y1 = a.y + a.h > b.y + b.h ? a.y + a.h : b.y + b.h;
  DirtyRect u;
  u.x = x0;
  u.y = y0;
  u.w = x1 - x0;
  u.h = y1 - y0;
  return u;
}

long long areaSum(const DirtyRects& d) {
  long long sum = 0;
  for (int i = 0; i < d.count; ++i) sum += (long long)d.rects[i].w * d.rects[i].h;
  return sum;
}

// Merges r into the list: every rectangle it overlaps or touches is taken
// into it (repeatedly, as the union grows), then it is appended.
void mergeIn(DirtyRects& d, DirtyRect r) {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int i = 0; i < d.count; ++i) {
      if (!overlapsOrTouches(d.rects[i], r)) continue;
      r = unionOf(d.rects[i], r);
      d.rects[i] = d.rects[--d.count];
      merged = true;
      break;
    }
  }
  if (d.count == DIRTY_RECTS_CAP) {
    dirtyRectsAddFull(d);
    return;
  }
  d.rects[d.count++] = r;
  if (areaSum(d) * 100 > (long long)d.frameW * d.frameH * DIRTY_RECTS_FULL_PERCENT) dirtyRectsAddFull(d);
}

}  // namespace

void dirtyRectsReset(DirtyRects& d, int frameW, int frameH) {
  d.frameW = frameW > 0 ? frameW : 0;
  d.frameH = frameH > 0 ? frameH : 0;
  dirtyRectsClear(d);
}

void dirtyRectsAdd(DirtyRects& d, int x, int y, int w, int h) {
  if (d.full || w <= 0 || h <= 0) return;
  long long x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
  long long x1 = (long long)x + w, y1 = (long long)y + h;
  if (x1 > d.frameW) x1 = d.frameW;
  if (y1 > d.frameH) y1 = d.frameH;
  if (x0 >= x1 || y0 >= y1) return;
  DirtyRect r;
  r.x = (int)x0;
  r.y = (int)y0;
  r.w = (int)(x1 - x0);
  r.h = (int)(y1 - y0);
  // Already covered: nothing to note.
  for (int i = 0; i < d.count; ++i) {
    const DirtyRect& c = d.rects[i];
    if (r.x >= c.x && r.y >= c.y && r.x + r.w <= c.x + c.w && r.y + r.h <= c.y + c.h) return;
  }
  mergeIn(d, r);
}

void dirtyRectsAddFull(DirtyRects& d) {
  d.full = true;
  d.count = 0;
}

bool dirtyRectsEmpty(const DirtyRects& d) { return !d.full && d.count == 0; }

void dirtyRectsClear(DirtyRects& d) {
  d.full = false;
  d.count = 0;
}

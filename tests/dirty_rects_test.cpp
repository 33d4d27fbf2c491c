// The drawn-rectangle list of the display: merging, the cap, and the rule
// that matters: after any sequence of draws, copying only the noted
// rectangles to what is shown leaves exactly the whole frame on screen.
#include "host/dirty_rects.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const int W = 80;
const int H = 48;

// A frame and what the window shows of it.
struct Screens {
  std::vector<int> frame = std::vector<int>(W * H, 0);
  std::vector<int> shown = std::vector<int>(W * H, 0);

  void draw(DirtyRects& d, int x, int y, int w, int h, int value) {
    for (int yy = y; yy < y + h; ++yy) {
      for (int xx = x; xx < x + w; ++xx) {
        if (xx >= 0 && yy >= 0 && xx < W && yy < H) frame[yy * W + xx] = value;
      }
    }
    dirtyRectsAdd(d, x, y, w, h);
  }
  void present(DirtyRects& d) {
    if (d.full) {
      shown = frame;
    } else {
      for (int i = 0; i < d.count; ++i) {
        const DirtyRect& r = d.rects[i];
        ASSERT_GE(r.x, 0);
        ASSERT_GE(r.y, 0);
        ASSERT_LE(r.x + r.w, W);
        ASSERT_LE(r.y + r.h, H);
        for (int yy = r.y; yy < r.y + r.h; ++yy) {
          for (int xx = r.x; xx < r.x + r.w; ++xx) shown[yy * W + xx] = frame[yy * W + xx];
        }
      }
    }
    dirtyRectsClear(d);
  }
};

TEST(DirtyRects, AnySequenceOfDrawsPresentsTheWholeFrame) {
  std::mt19937 rng(27);
  for (int round = 0; round < 300; ++round) {
    DirtyRects d;
    dirtyRectsReset(d, W, H);
    Screens s;
    int value = 1;
    const int presents = 1 + (int)(rng() % 6);
    for (int p = 0; p < presents; ++p) {
      const int draws = (int)(rng() % 40);
      for (int i = 0; i < draws; ++i) {
        // Small boxes mostly, some lines, some off the edges or empty.
        const int x = (int)(rng() % (W + 20)) - 10, y = (int)(rng() % (H + 20)) - 10;
        const int w = (int)(rng() % 4 == 0 ? rng() % W : rng() % 8) - 1;
        const int h = (int)(rng() % 4 == 0 ? 1 : rng() % 6);
        s.draw(d, x, y, w, h, value++);
      }
      s.present(d);
      ASSERT_EQ(s.shown, s.frame) << "round " << round << " present " << p;
      EXPECT_TRUE(dirtyRectsEmpty(d));
    }
  }
}

TEST(DirtyRects, NothingDrawnNothingToShow) {
  DirtyRects d;
  dirtyRectsReset(d, W, H);
  EXPECT_TRUE(dirtyRectsEmpty(d));
  dirtyRectsAdd(d, 10, 10, 0, 5);
  dirtyRectsAdd(d, 10, 10, 5, -1);
  dirtyRectsAdd(d, -20, 5, 10, 5);   // left of the frame
  dirtyRectsAdd(d, W, 5, 10, 5);     // right of it
  dirtyRectsAdd(d, 5, H + 3, 10, 5);  // below it
  EXPECT_TRUE(dirtyRectsEmpty(d));
}

TEST(DirtyRects, OverlappingAndTouchingBoxesMergeContainedOnesAreDropped) {
  DirtyRects d;
  dirtyRectsReset(d, W, H);
  dirtyRectsAdd(d, 2, 2, 10, 4);
  dirtyRectsAdd(d, 4, 3, 2, 2);  // inside the first
  ASSERT_EQ(d.count, 1);
  dirtyRectsAdd(d, 12, 2, 5, 4);  // touches its right edge
  ASSERT_EQ(d.count, 1);
  EXPECT_EQ(d.rects[0].x, 2);
  EXPECT_EQ(d.rects[0].w, 15);
  dirtyRectsAdd(d, 40, 30, 3, 3);  // apart
  ASSERT_EQ(d.count, 2);
  // A box bridging both takes them into one.
  dirtyRectsAdd(d, 10, 5, 31, 26);
  ASSERT_EQ(d.count, 1);
  EXPECT_EQ(d.rects[0].x, 2);
  EXPECT_EQ(d.rects[0].y, 2);
  EXPECT_EQ(d.rects[0].w, 41);
  EXPECT_EQ(d.rects[0].h, 31);
  EXPECT_FALSE(d.full);
}

TEST(DirtyRects, ClippedToTheFrame) {
  DirtyRects d;
  dirtyRectsReset(d, W, H);
  dirtyRectsAdd(d, -5, -5, 10, 10);
  ASSERT_EQ(d.count, 1);
  EXPECT_EQ(d.rects[0].x, 0);
  EXPECT_EQ(d.rects[0].y, 0);
  EXPECT_EQ(d.rects[0].w, 5);
  EXPECT_EQ(d.rects[0].h, 5);
  dirtyRectsAdd(d, W - 2, H - 1, 2147483647, 2147483647);  // no overflow
  ASSERT_EQ(d.count, 2);
  EXPECT_EQ(d.rects[1].w, 2);
  EXPECT_EQ(d.rects[1].h, 1);
}

TEST(DirtyRects, TooManyOrTooLargeFallsBackToTheWholeFrame) {
  DirtyRects d;
  dirtyRectsReset(d, W, H);
  for (int i = 0; i < DIRTY_RECTS_CAP; ++i) dirtyRectsAdd(d, (i % 8) * 10, (i / 8) * 10, 1, 1);
  EXPECT_EQ(d.count, DIRTY_RECTS_CAP);
  EXPECT_FALSE(d.full);
  dirtyRectsAdd(d, 5, 40, 1, 1);
  EXPECT_TRUE(d.full);
  EXPECT_FALSE(dirtyRectsEmpty(d));
  dirtyRectsAdd(d, 1, 1, 1, 1);  // still the whole frame
  EXPECT_TRUE(d.full);
  dirtyRectsClear(d);
  EXPECT_TRUE(dirtyRectsEmpty(d));

  dirtyRectsAdd(d, 0, 0, W, H * DIRTY_RECTS_FULL_PERCENT / 100 + 1);
  EXPECT_TRUE(d.full);
  dirtyRectsClear(d);
  dirtyRectsAddFull(d);
  EXPECT_TRUE(d.full);
}

}  // namespace

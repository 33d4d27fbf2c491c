// Where the 800 x 480 frame lands on panels of the sizes sold for the Pi
// (and a desktop window), turned four ways, and which frame pixel a point
// on the panel falls on.
#include <gtest/gtest.h>

#include <math.h>

#include "host/panel_transform.h"

namespace {

struct LayoutCase {
  int outW, outH, turn;
  int picX, picY, picW, picH;
  int copyX, copyY, copyW, copyH;
  bool smooth;
};

// Sizes of real panels: the 7" DSI (800 x 480), HDMI panels (1024 x 600,
// 1280 x 720), Touch Display 2 (720 x 1280), a full HD monitor.
const LayoutCase LAYOUTS[] = {
    {800, 480, 0, 0, 0, 800, 480, 0, 0, 800, 480, false},
    {800, 480, 180, 0, 0, 800, 480, 0, 0, 800, 480, false},
    {1024, 600, 0, 12, 0, 1000, 600, 12, 0, 1000, 600, true},
    {1280, 720, 0, 40, 0, 1200, 720, 40, 0, 1200, 720, true},
    {1920, 1080, 0, 160, 60, 1600, 960, 160, 60, 1600, 960, false},  // whole 2x, not 2.25x
    {480, 800, 90, 0, 0, 480, 800, -160, 160, 800, 480, false},
    {720, 1280, 90, 0, 40, 720, 1200, -240, 280, 1200, 720, true},
    {720, 1280, 0, 0, 424, 720, 432, 0, 424, 720, 432, true},  // portrait panel left unturned
    {1024, 600, 270, 332, 0, 360, 600, 212, 120, 600, 360, true},
    {800, 480, 45, 0, 0, 800, 480, 0, 0, 800, 480, false},  // no such turn: none
};

struct PointCase {
  int outW, outH, turn;
  double x, y;
  int fx, fy;
  bool inside;
};

const PointCase POINTS[] = {
    // Corners of the plain panel and just off it.
    {800, 480, 0, 0.5, 0.5, 0, 0, true},
    {800, 480, 0, 799.5, 479.5, 799, 479, true},
    {800, 480, 0, -0.5, 10.5, -1, 10, false},
    {800, 480, 180, 0.5, 0.5, 799, 479, true},
    // Letterboxed 1024 x 600: borders of 12 pixels left and right.
    {1024, 600, 0, 5, 300, -6, 240, false},
    {1024, 600, 0, 1019, 300, 805, 240, false},
    {1024, 600, 0, 12.5, 0.5, 0, 0, true},
    {1024, 600, 0, 1011.5, 599.5, 799, 479, true},
    {1024, 600, 0, 287.625, 45.625, 220, 36, true},  // the HEARD tab
    // Portrait 480 x 800 (turned 90 clockwise): the frame's top left is at
    // the panel's top right, its tabs run down the right-hand side.
    {480, 800, 90, 479.5, 0.5, 0, 0, true},
    {480, 800, 90, 0.5, 0.5, 0, 479, true},
    {480, 800, 90, 0.5, 799.5, 799, 479, true},
    {480, 800, 90, 479.5, 799.5, 799, 0, true},
    {480, 800, 90, 443.5, 220.5, 220, 36, true},
    {480, 800, 270, 0.5, 799.5, 0, 0, true},
    {480, 800, 270, 0.5, 0.5, 799, 0, true},
    // Touch Display 2 turned: 40-pixel bands above and below.
    {720, 1280, 90, 360, 20, 0, 0, false},
    {720, 1280, 90, 360, 1260, 0, 0, false},
    {720, 1280, 90, 719.5, 40.5, 0, 0, true},
};

}  // namespace

TEST(PanelLayout, RealPanelSizes) {
  for (const LayoutCase& c : LAYOUTS) {
    const PanelLayout l = panelLayout(c.outW, c.outH, c.turn);
    SCOPED_TRACE(testing::Message() << c.outW << "x" << c.outH << " turn " << c.turn);
    EXPECT_EQ(l.picX, c.picX);
    EXPECT_EQ(l.picY, c.picY);
    EXPECT_EQ(l.picW, c.picW);
    EXPECT_EQ(l.picH, c.picH);
    EXPECT_EQ(l.copyX, c.copyX);
    EXPECT_EQ(l.copyY, c.copyY);
    EXPECT_EQ(l.copyW, c.copyW);
    EXPECT_EQ(l.copyH, c.copyH);
    EXPECT_EQ(l.smooth, c.smooth);
  }
}

TEST(PanelLayout, PointsOnThePanelLandOnTheFramePixelUnderThem) {
  for (const PointCase& c : POINTS) {
    const PanelLayout l = panelLayout(c.outW, c.outH, c.turn);
    int fx = 0, fy = 0;
    bool inside = panelOutputToFrame(l, c.x, c.y, fx, fy);
    SCOPED_TRACE(testing::Message() << c.outW << "x" << c.outH << " turn " << c.turn << " at " << c.x << ","
                                    << c.y);
    EXPECT_EQ(inside, c.inside);
    if (c.inside) {
      EXPECT_EQ(fx, c.fx);
      EXPECT_EQ(fy, c.fy);
    }
  }
}

TEST(PanelLayout, EveryFramePixelMapsThereAndBack) {
  const int sizes[][2] = {{800, 480}, {1024, 600}, {1280, 720}, {720, 1280}, {480, 800}, {1920, 1080}};
  for (const auto& size : sizes) {
    for (int turn : {0, 90, 180, 270}) {
      const PanelLayout l = panelLayout(size[0], size[1], turn);
      int wrong = 0;
      for (int fy = 0; fy < 480; fy += 7) {
        for (int fx = 0; fx < 800; fx += 7) {
          double x = 0, y = 0;
          panelFrameToOutput(l, fx, fy, x, y);
          int bx = -1, by = -1;
          if (!panelOutputToFrame(l, x, y, bx, by) || bx != fx || by != fy) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << size[0] << "x" << size[1] << " turn " << turn;
    }
  }
}

TEST(PanelSettings, FlipTurnsThePictureOnlyWithoutRotation) {
  struct Case {
    int rotation;
    bool flip;
    int picture, touch;
  } cases[] = {
      {0, false, 0, 0},    {0, true, 180, 0},    {90, false, 90, 90},  {90, true, 90, 90},
      {180, true, 180, 180}, {270, false, 270, 270}, {45, false, 0, 0},  {-90, true, 180, 0},
  };
  for (const Case& c : cases) {
    PanelSettings s;
    s.rotationDeg = c.rotation;
    s.flip = c.flip;
    EXPECT_EQ(panelPictureTurn(s), c.picture) << c.rotation << " flip " << c.flip;
    EXPECT_EQ(panelTouchTurn(s), c.touch) << c.rotation << " flip " << c.flip;
  }
}

// Hostile: a pointer far outside the window, or no number at all; an output
// without area.
TEST(PanelLayout, FarOffPointsAndEmptyOutputsMapNowhere) {
  int fx = 0, fy = 0;
  EXPECT_FALSE(panelOutputToFrame(panelLayout(0, 480, 0), 10, 10, fx, fy));
  EXPECT_FALSE(panelOutputToFrame(panelLayout(800, -5, 0), 10, 10, fx, fy));
  const PanelLayout l = panelLayout(1024, 600, 90);
  const double points[][2] = {{1e300, -1e300}, {2147483647.5, -2147483648.0}, {NAN, 10}, {-INFINITY, INFINITY}};
  for (const auto& p : points) {
    EXPECT_FALSE(panelOutputToFrame(l, p[0], p[1], fx, fy)) << p[0] << "," << p[1];
    EXPECT_LE(fx < 0 ? -fx : fx, 1001 * 800);
    EXPECT_LE(fy < 0 ? -fy : fy, 1001 * 480);
  }
}

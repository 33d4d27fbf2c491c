#pragma once

// Where the 800 x 480 frame lands on the output (a window or a whole panel)
// and back: the frame is turned clockwise by 0, 90, 180 or 270 degrees,
// scaled to fit with its aspect kept, and centred; the rest of the output is
// border. Pure arithmetic, no SDL, so every (size, turn, point) case can be
// checked in a table.
//
// Scaling rule: below twice the frame size the picture fills the output
// (fractional scale, drawn with a smooth filter, so strokes stay even
// instead of alternating one and two pixels); from twice upwards the
// largest whole multiple that fits is used (nearest-pixel, every glyph pixel
// stays square). An exact 1:1 output is also nearest-pixel.

// Panel settings of the configuration as the host applies them.
struct PanelSettings {
  bool fullscreen = false;
  int rotationDeg = 0;  // 0, 90, 180 or 270, clockwise
  bool flip = false;    // the firmware's flip_screen
};

// The frame's place on one output.
struct PanelLayout {
  int outW = 0, outH = 0;  // the output, in pixels (or window points)
  int turnDeg = 0;         // clockwise turn of the picture
  int picX = 0, picY = 0;  // the picture's bounding box on the output,
  int picW = 0, picH = 0;  //   after the turn
  // The rectangle to hand to a copy that turns about the rectangle's centre
  // (SDL_RenderCopyEx): the picture before the turn, same centre.
  int copyX = 0, copyY = 0, copyW = 0, copyH = 0;
  bool smooth = false;  // fractional scale: use a smooth filter
};

// 0, 90, 180 or 270 for those values; -1 for anything else.
int panelRotationOrInvalid(int deg);

// The turn the picture gets: rotationDeg when it is not 0, otherwise 180
// when the screen is flipped (a panel mounted upside down), else 0.
int panelPictureTurn(const PanelSettings& s);

// The turn through which input points are mapped back: rotationDeg only. With
// rotation 0 a flipped screen's 180 degrees are left to the firmware's touch
// mirroring, which then lands on what is drawn; with another rotation the
// firmware's mirroring stays on top of the rotation.
int panelTouchTurn(const PanelSettings& s);

// The layout of the frame turned by turnDeg on an outW x outH output; an
// empty picture (all zero sizes) when the output has no area.
PanelLayout panelLayout(int outW, int outH, int turnDeg);

// Maps an output point (x, y in output pixels, fractions allowed; the centre
// of output pixel (px, py) is px + 0.5, py + 0.5) to the frame pixel under
// it. fx, fy are always set (they may lie outside 0..799 x 0..479 for points
// off the picture, bounded to a thousand frames either way); returns true when the point lies on the picture, false
// on the border.
bool panelOutputToFrame(const PanelLayout& l, double x, double y, int& fx, int& fy);

// The output point at the centre of frame pixel (fx, fy).
void panelFrameToOutput(const PanelLayout& l, int fx, int fy, double& x, double& y);

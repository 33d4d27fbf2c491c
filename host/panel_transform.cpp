#include "host/panel_transform.h"

#include <math.h>

#include "host/display.h"

namespace {

// From this scale on, whole multiples keep glyph pixels square.
const double WHOLE_SCALE_FROM = 2.0;
// Bound of frame fractions handed back for points off the picture.
const double FAR_OFF_FRACTION = 1000.0;

bool turnsSideways(int turnDeg) { return turnDeg == 90 || turnDeg == 270; }

// Points far off the picture (a pointer outside the window) stay far off
// without overflowing the conversion to int.
double boundedFraction(double f) {
  if (!(f > -FAR_OFF_FRACTION)) return -FAR_OFF_FRACTION;
  return f > FAR_OFF_FRACTION ? FAR_OFF_FRACTION : f;
}

}  // namespace

int panelRotationOrInvalid(int deg) {
  return (deg == 0 || deg == 90 || deg == 180 || deg == 270) ? deg : -1;
}

int panelPictureTurn(const PanelSettings& s) {
  int r = panelRotationOrInvalid(s.rotationDeg);
  if (r > 0) return r;
  return s.flip ? 180 : 0;
}

int panelTouchTurn(const PanelSettings& s) {
  int r = panelRotationOrInvalid(s.rotationDeg);
  return r > 0 ? r : 0;
}

PanelLayout panelLayout(int outW, int outH, int turnDeg) {
  PanelLayout l;
  l.turnDeg = panelRotationOrInvalid(turnDeg) < 0 ? 0 : turnDeg;
  if (outW <= 0 || outH <= 0) return l;
  l.outW = outW;
  l.outH = outH;
  const bool sideways = turnsSideways(l.turnDeg);
  const int fw = sideways ? SCREEN_H : SCREEN_W;  // frame size after the turn
  const int fh = sideways ? SCREEN_W : SCREEN_H;
  double fit = fmin((double)outW / fw, (double)outH / fh);
  double scale = fit >= WHOLE_SCALE_FROM ? floor(fit) : fit;
  l.smooth = scale != floor(scale);
  l.picW = (int)lround(fw * scale);
  l.picH = (int)lround(fh * scale);
  if (l.picW > outW) l.picW = outW;
  if (l.picH > outH) l.picH = outH;
  if (l.picW < 1) l.picW = 1;
  if (l.picH < 1) l.picH = 1;
  // A turned copy shares its centre with the picture: keep both centres on
  // the same whole or half pixel.
  if (sideways && (l.picW - l.picH) % 2 != 0) l.picH -= 1;
  l.picX = (outW - l.picW) / 2;
  l.picY = (outH - l.picH) / 2;
  l.copyW = sideways ? l.picH : l.picW;
  l.copyH = sideways ? l.picW : l.picH;
  l.copyX = l.picX + (l.picW - l.copyW) / 2;
  l.copyY = l.picY + (l.picH - l.copyH) / 2;
  return l;
}

bool panelOutputToFrame(const PanelLayout& l, double x, double y, int& fx, int& fy) {
  if (l.picW <= 0 || l.picH <= 0) {
    fx = fy = 0;
    return false;
  }
  const double u = (x - l.picX) / l.picW;  // 0..1 across the picture
  const double v = (y - l.picY) / l.picH;
  double fu = u, fv = v;  // the same point as fractions of the frame
  switch (l.turnDeg) {
    case 90:
      fu = v;
      fv = 1.0 - u;
      break;
    case 180:
      fu = 1.0 - u;
      fv = 1.0 - v;
      break;
    case 270:
      fu = 1.0 - v;
      fv = u;
      break;
    default: break;
  }
  fx = (int)floor(boundedFraction(fu) * SCREEN_W);
  fy = (int)floor(boundedFraction(fv) * SCREEN_H);
  return u >= 0 && u < 1 && v >= 0 && v < 1;
}

void panelFrameToOutput(const PanelLayout& l, int fx, int fy, double& x, double& y) {
  const double fu = (fx + 0.5) / SCREEN_W;
  const double fv = (fy + 0.5) / SCREEN_H;
  double u = fu, v = fv;
  switch (l.turnDeg) {
    case 90:
      u = 1.0 - fv;
      v = fu;
      break;
    case 180:
      u = 1.0 - fu;
      v = 1.0 - fv;
      break;
    case 270:
      u = fv;
      v = 1.0 - fu;
      break;
    default: break;
  }
  x = l.picX + u * l.picW;
  y = l.picY + v * l.picH;
}

// Drawing primitives of the touch interface: soft panels, label/value rows,
// compact value boxes and the text functions that fit any string into a
// pixel width in the current font (tilde cut, slice, wrap, marquee).
#pragma once

#include <stdint.h>

#include "core/app.h"
#include "core/text_fit.h"
#include "host/wstring.h"

// A screen rectangle: the one geometry of a control, used by its drawer and
// by its hit-test.
struct ScreenRect {
  int x, y, w, h;
  // True for x <= px < x + w and y <= py < y + h.
  bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
  // The same with the right and bottom edges included (hit areas that reach
  // one pixel past what is drawn).
  bool containsInclusive(int px, int py) const { return px >= x && px <= x + w && py >= y && py <= y + h; }
};

// Reference panel size used only to scale corner radii.
static const int UI_REF_W = 320;
static const int UI_REF_H = 240;
// Wrapping never produces more lines than this.
static const int WRAPPED_TEXT_MAX_LINES = 160;

// scrollingTextActiveFrame (core/app.h) is set by any marquee frame that
// really scrolls during the current render.

// Corner radius in screen pixels for a radius given in 320 x 240 units.
int scaledUiRadius(int radius);

// Round panel with fill, outline and a faint inner highlight.
void fillSoftPanel(int x, int y, int w, int h, uint16_t fill, uint16_t border, int radius);
// Round panel (radius 16) with fill and one outline.
void fillPanel(int x, int y, int w, int h, uint16_t fill, uint16_t border);
// Label panel (190 wide) and value panel side by side, 44 high; value cut by characters.
void drawInfoRow(int x, int y, int w, const String& label, const String& value, uint16_t labelBg,
                 uint16_t valueBg, uint16_t labelColor, uint16_t valueColor);
// Like drawInfoRow with a chosen label width; both texts cut by pixels.
void drawInfoRowSized(int x, int y, int w, int labelW, const String& label, const String& value,
                      uint16_t labelBg, uint16_t valueBg, uint16_t labelColor, uint16_t valueColor);
// Label at (x, y) and value at (x + 195, y) in font 2 on bg, no fitting.
void drawLabelValue(int x, int y, const String& label, const String& value, uint16_t labelColor,
                    uint16_t valueColor, uint16_t bg);
// Small soft panel with an optional label and a fitted or scrolling value.
void drawCompactValueBox(int x, int y, int w, int h, const String& label, const String& value, int labelFont,
                         int valueFont, int valueXOffset, uint16_t labelColor, uint16_t valueColor,
                         bool scrollValue);

// "CALL - Name" caller line from a callsign and an operator name.
String formatCallsignName(const String& callsign, const String& name, int maxNameChars, int maxCallsignChars);
// Pixel cut with a trailing "~" in the current font; "-" for empty text.
String fitTextInCurrentFont(const String& s, int maxWidth);
// Longest prefix of s (untrimmed) at most maxWidth pixels wide.
String fitTextSliceInCurrentFont(const String& s, int maxWidth);
// The marquee frame of s to show now in maxWidth pixels.
String scrollingTextFrameInCurrentFont(const String& s, int maxWidth);
// Largest of fonts 4, 2, 1 in which the text fits; font receives the chosen font.
String fitLivePanelPrimaryText(const String& input, int availableWidth, int& font);
// Text prepared for multi-paragraph wrapping.
String normalizeWrappedPopupText(const String& s);
// Next wrapped line of prepared text starting at character pos; advances pos.
String nextWrappedLine(const String& text, int& pos, int maxWidth);
// Number of wrapped lines (at least 1, at most 160) in the current font.
int countWrappedLinesForCurrentFont(const String& s, int maxWidth);
// Same after selecting font.
int countWrappedLinesForFont(const String& s, int maxWidth, int font);

// Title of a page or popup: font 2, accent colour on bg, top-left at (x, y).
void drawPageTitle(const char* title, int x, int y, uint16_t bg);
// Text fitted to maxWidth in font, centred on (cx, cy) in fg on bg; the datum
// goes back to top-left afterwards.
void drawCentredFittedText(const String& text, int cx, int cy, int font, int maxWidth, uint16_t fg,
                           uint16_t bg);
// Draws the current marquee frame of value at (x, y).
void drawScrollingTextInCurrentFont(const String& value, int x, int y, int maxWidth);
// Single-paragraph word wrap, line n at y + n * lineHeight.
void drawWrappedTextInCurrentFont(const String& text, int x, int y, int maxWidth, int maxLines,
                                  int lineHeight);
// Multi-paragraph wrap skipping firstLine lines, at most visibleLines drawn.
void drawWrappedTextWindowCurrentFont(const String& text, int x, int y, int maxWidth, int firstLine,
                                      int visibleLines, int lineHeight);
// Clears one marquee field and draws its current frame in place.
void redrawScrollingTextFieldPartial(const String& value, int x, int y, int maxWidth, int clearHeight,
                                     int font, int datum, uint16_t fg, uint16_t bg);
// Repaints only the value of a label-less compact value box.
void redrawCompactScrollingValueBoxPartial(int x, int y, int w, int h, const String& value,
                                           uint16_t valueColor);

// Font choices for the 800 x 480 screen.
bool displayUsesLargeWatchUiFonts();
bool displayUsesLargeHamqslFonts();
int watchUiTitleFont();
int watchUiButtonFont();
int watchUiHintFont();
int adsbSmallTextFont();
int hamqslSmallTextFont();
int weatherSmallTextFont();
int aprsSmallTextFont();
int svxlinkSmallTextFont();

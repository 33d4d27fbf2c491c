// Rich text of the information popups (weather alerts, APRS stations): a
// body made of lines, where a line "Label: value" whose label is a known
// field name shows the label in the label font and wraps its value beside
// it; other lines wrap at full width. The popups draw it in a scrolling
// window over their content box.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "ui/draw.h"

// Counting stops at these many wrapped lines per value and in all.
static const int RICH_TEXT_MAX_VALUE_LINES = 160;
static const int RICH_TEXT_MAX_LINES = 180;
// Gap between a field's label and its value.
static const int RICH_TEXT_LABEL_GAP_PX = 13;
// The narrowest first line of a field value.
static const int RICH_TEXT_MIN_VALUE_WIDTH_PX = 60;
// A field's colon lies at this index or later, and at this index or earlier.
static const int RICH_TEXT_FIELD_COLON_MIN = 1;
static const int RICH_TEXT_FIELD_COLON_MAX = 18;

// Line height of a font: 24 for fonts 0-1, 36 for 2-3, 60 for 4-5, 80 for
// 6, 104 for 7, 128 above.
int alertPopupLineHeightForFont(int font);
// The body, label and value fonts (1, 2, 1).
int alertPopupBodyFont();
int alertPopupLabelFont();
int alertPopupValueFont();
// Height of one rich-text line: the taller of label and value lines plus 2.
int alertPopupRichLineHeight();

// True for the field names of the popups ("description", "area", "last
// heard", ...), compared trimmed and in any case.
bool alertPopupIsKnownFieldLabel(const String& label);
// Splits a trimmed line at its first ":" when that lies at index 1 to 18
// and the text before it is a known label: label (trimmed, without the
// colon) and value (trimmed). False for any other line.
bool alertPopupSplitFieldLine(const String& line, String& label, String& value);
// The trimmed source line at pos (up to the next line feed); pos moves past
// the line feed.
String alertPopupNextSourceLine(const String& text, int& pos);

// Wrapped lines of a field value (at least 1, at most 160) whose first line
// is firstWidth wide and the others fullWidth, in the value font.
int countAlertPopupFieldValueLines(const String& value, int firstWidth, int fullWidth);
// Wrapped lines of the whole text in maxWidth (at least 1, at most 180);
// blank lines take no line.
int countAlertPopupRichLines(const String& text, int maxWidth);
// Draws the wrapped lines firstLine .. firstLine + visibleLines - 1 of the
// text at (x, y), one every lineHeight pixels: labels in labelColor,
// values and plain lines in valueColor, all on bgColor.
void drawAlertPopupRichTextWindow(const String& text, int x, int y, int maxWidth, int firstLine,
                                  int visibleLines, int lineHeight, uint16_t labelColor, uint16_t valueColor,
                                  uint16_t bgColor);

// The scroll state of one popup's body (the popup's own variables).
struct RichTextScroll {
  int* lines;     // first wrapped line shown
  int* maxLines;  // the largest first line (0 when all fits)
  int* pageStep;  // lines of one window (set when drawn)
};

// The whole content box of a popup: the soft panel (fill panel, border
// mixed towards accentColor), the text window inside it (20 px in, 14 px
// down, rich line height; as many lines as fit above a 44 px margin) and,
// when the text is longer than the window, the page indicator "page/pages"
// at the box's bottom left in accentColor. Sets the maximum and the page
// step and keeps the first line within them.
void drawRichTextContentBox(const String& text, const ScreenRect& box, uint16_t accentColor,
                            uint16_t labelColor, uint16_t valueColor, const RichTextScroll& scroll);
// Lines visible in a content box of this height (at least 1).
int richTextVisibleLinesForBox(int boxHeight);
// "page/pages" of a window: the page of the first line shown, the last
// page once the end is shown.
String richTextPageIndicator(int scrollLines, int maxScrollLines, int visibleLines, int totalLines);
// Moves the first line by deltaLines within 0 .. maximum; true when it moved.
bool changeRichTextScroll(const RichTextScroll& scroll, int deltaLines);

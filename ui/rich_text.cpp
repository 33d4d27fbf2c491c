// Rich text of the information popups: field lines with a label column,
// plain lines, wrapped and windowed for scrolling.
#include "ui/rich_text.h"

#include <string.h>

#include "core/theme.h"
#include "host/display.h"

namespace {

// Field names of the alert and station popups (lower case).
const char* const KNOWN_FIELD_LABELS[] = {
    "severity", "area",     "event",    "description", "instruction", "urgency",    "certainty", "effective",
    "onset",    "expires",  "sender",   "web",         "callsign",    "last heard", "distance",  "position",
    "speed",    "course",   "altitude", "message",     "comment",     "status",     "path",      "source",
    "type",     "name",     "mode",     "dest",        "target",      "timeslot",   "grid",      "country",
    "quality",  "rssi",     "ber",      "loss",        "duration",    "time",       "local",     "utc",
    "rx freq",  "tx freq",  "hex",      "flight",      "squawk",      "aircraft",   "heading",   "track",
    "seen",     "last seen"};

const int TEXT_INSET_X = 20;
const int TEXT_INSET_Y = 14;
const int BOX_TEXT_MARGIN_H = 44;
const int INDICATOR_FROM_BOTTOM = 28;
const int MIN_TEXT_WIDTH = 100;

int maxInt(int a, int b) { return a > b ? a : b; }
int minInt(int a, int b) { return a < b ? a : b; }

// One wrapped line of rich text: a field's first line carries its label,
// and its value starts valueX pixels in.
struct RichRow {
  const String* label;  // null for value continuations and plain lines
  int valueX;
  String text;
};

int textWidthInFont(const String& text, int font) {
  tft.setTextFont(font);
  return tft.textWidth(text);
}

// Wraps prepared text in the value font, the first line firstWidth wide and
// the others fullWidth; visit(text, index) per line, at most maxLines.
// Returns the number of lines, or -1 when visit asked to stop.
template <class Visit>
int wrapValueLines(const String& text, int firstWidth, int fullWidth, int maxLines, Visit visit) {
  int pos = 0;
  int n = 0;
  while (n < maxLines) {
    tft.setTextFont(alertPopupValueFont());
    String line = nextWrappedLine(text, pos, n == 0 ? firstWidth : fullWidth);
    if (line.isEmpty()) break;
    if (!visit(line, n)) return -1;
    ++n;
  }
  return n;
}

// Walks the wrapped lines of the text; visit(row) returns false to stop.
template <class Visit>
void walkRichRows(const String& text, int maxWidth, Visit visit) {
  const String t = normalizeWrappedPopupText(text);
  const int len = (int)t.length();
  int pos = 0;
  int total = 0;
  while (pos < len && total < RICH_TEXT_MAX_LINES) {
    const String line = alertPopupNextSourceLine(t, pos);
    if (line.isEmpty()) continue;
    String label, value;
    const int left = RICH_TEXT_MAX_LINES - total;
    const int valueLimit = minInt(left, RICH_TEXT_MAX_VALUE_LINES);
    int n = 0;
    if (alertPopupSplitFieldLine(line, label, value)) {
      const int offset = textWidthInFont(label + ":", alertPopupLabelFont()) + RICH_TEXT_LABEL_GAP_PX;
      const int first = maxInt(RICH_TEXT_MIN_VALUE_WIDTH_PX, maxWidth - offset);
      n = wrapValueLines(value, first, maxWidth, valueLimit, [&](const String& seg, int i) {
        return visit(RichRow{i == 0 ? &label : nullptr, i == 0 ? offset : 0, seg});
      });
      if (n == 0) n = visit(RichRow{&label, offset, String()}) ? 1 : -1;
    } else {
      n = wrapValueLines(line, maxWidth, maxWidth, valueLimit, [&](const String& seg, int) {
        return visit(RichRow{nullptr, 0, seg});
      });
    }
    if (n < 0) return;
    total += n;
  }
}

}  // namespace

int alertPopupLineHeightForFont(int font) {
  if (font <= 1) return 24;
  if (font <= 3) return 36;
  if (font <= 5) return 60;
  if (font == 6) return 80;
  if (font == 7) return 104;
  return 128;
}

int alertPopupBodyFont() { return 1; }
int alertPopupLabelFont() { return 2; }
int alertPopupValueFont() { return 1; }

int alertPopupRichLineHeight() {
  return maxInt(alertPopupLineHeightForFont(alertPopupLabelFont()),
                alertPopupLineHeightForFont(alertPopupValueFont())) +
         2;
}

bool alertPopupIsKnownFieldLabel(const String& label) {
  String key = label;
  key.trim();
  key.toLowerCase();
  for (const char* known : KNOWN_FIELD_LABELS) {
    if (key == known) return true;
  }
  return false;
}

bool alertPopupSplitFieldLine(const String& line, String& label, String& value) {
  const int colon = line.indexOf(':');
  if (colon < RICH_TEXT_FIELD_COLON_MIN || colon > RICH_TEXT_FIELD_COLON_MAX) return false;
  String candidate = line.substring(0, colon);
  candidate.trim();
  if (!alertPopupIsKnownFieldLabel(candidate)) return false;
  label = candidate;
  value = line.substring(colon + 1);
  value.trim();
  return true;
}

String alertPopupNextSourceLine(const String& text, int& pos) {
  const int len = (int)text.length();
  if (pos < 0) pos = 0;
  if (pos >= len) {
    pos = len;
    return String();
  }
  const int nl = text.indexOf('\n', pos);
  const int end = nl < 0 ? len : nl;
  String line = text.substring(pos, end);
  pos = nl < 0 ? len : nl + 1;
  line.trim();
  return line;
}

int countAlertPopupFieldValueLines(const String& value, int firstWidth, int fullWidth) {
  const String v = normalizeWrappedPopupText(value);
  const int n = wrapValueLines(v, firstWidth, fullWidth, RICH_TEXT_MAX_VALUE_LINES,
                               [](const String&, int) { return true; });
  return maxInt(1, n);
}

int countAlertPopupRichLines(const String& text, int maxWidth) {
  int rows = 0;
  walkRichRows(text, maxWidth, [&](const RichRow&) {
    ++rows;
    return true;
  });
  return maxInt(1, rows);
}

void drawAlertPopupRichTextWindow(const String& text, int x, int y, int maxWidth, int firstLine,
                                  int visibleLines, int lineHeight, uint16_t labelColor, uint16_t valueColor,
                                  uint16_t bgColor) {
  if (visibleLines <= 0) return;
  tft.setTextFont(alertPopupLabelFont());
  const int labelH = tft.fontHeight();
  tft.setTextFont(alertPopupValueFont());
  const int valueDy = maxInt(0, (labelH - tft.fontHeight()) / 2);
  tft.setTextDatum(TL_DATUM);
  int index = 0;
  int drawn = 0;
  walkRichRows(text, maxWidth, [&](const RichRow& row) {
    if (index++ < firstLine) return true;
    const int rowY = y + drawn * lineHeight;
    if (row.label != nullptr) {
      tft.setTextFont(alertPopupLabelFont());
      tft.setTextColor(labelColor, bgColor);
      tft.drawString(*row.label + ":", x, rowY);
    }
    if (!row.text.isEmpty()) {
      tft.setTextFont(alertPopupValueFont());
      tft.setTextColor(valueColor, bgColor);
      tft.drawString(row.text, x + row.valueX, rowY + valueDy);
    }
    return ++drawn < visibleLines;
  });
}

int richTextVisibleLinesForBox(int boxHeight) {
  return maxInt(1, (boxHeight - BOX_TEXT_MARGIN_H) / alertPopupRichLineHeight());
}

String richTextPageIndicator(int scrollLines, int maxScrollLines, int visibleLines, int totalLines) {
  const int visible = maxInt(1, visibleLines);
  const int pages = maxInt(1, (totalLines + visible - 1) / visible);
  int page = minInt(pages, maxInt(0, scrollLines) / visible + 1);
  if (maxScrollLines > 0 && scrollLines >= maxScrollLines) page = pages;
  return String(page) + "/" + String(pages);
}

void drawRichTextContentBox(const String& text, const ScreenRect& box, uint16_t accentColor,
                            uint16_t labelColor, uint16_t valueColor, const RichTextScroll& scroll) {
  fillSoftPanel(box.x, box.y, box.w, box.h, theme.panel, mix565(theme.border, accentColor, 0.28f), 8);
  const int width = maxInt(MIN_TEXT_WIDTH, box.w - 2 * TEXT_INSET_X);
  const int lineHeight = alertPopupRichLineHeight();
  const int visible = richTextVisibleLinesForBox(box.h);
  const int total = countAlertPopupRichLines(text, width);
  *scroll.pageStep = visible;
  *scroll.maxLines = maxInt(0, total - visible);
  *scroll.lines = maxInt(0, minInt(*scroll.lines, *scroll.maxLines));
  drawAlertPopupRichTextWindow(text, box.x + TEXT_INSET_X, box.y + TEXT_INSET_Y, width, *scroll.lines,
                               visible, lineHeight, labelColor, valueColor, theme.panel);
  if (total <= visible) return;
  tft.setTextFont(1);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(accentColor, theme.panel);
  tft.drawString(richTextPageIndicator(*scroll.lines, *scroll.maxLines, visible, total), box.x + TEXT_INSET_X,
                 box.y + box.h - INDICATOR_FROM_BOTTOM);
}

bool changeRichTextScroll(const RichTextScroll& scroll, int deltaLines) {
  const int target = maxInt(0, minInt(*scroll.lines + deltaLines, *scroll.maxLines));
  if (target == *scroll.lines) return false;
  *scroll.lines = target;
  return true;
}

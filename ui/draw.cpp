#include "ui/draw.h"

#include "core/config.h"
#include "core/markup.h"
#include "core/theme.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "host/runtime.h"
#include "hotspot/heard.h"

static const uint16_t WHITE_565 = 0xFFFF;
static const char* const MARQUEE_GAP = "   ";

// ---------------------------------------------------------------- helpers

static int textPixelWidth(const String& s) { return (int)tft.textWidth(s); }

static int maxInt(int a, int b) { return a > b ? a : b; }
static int minInt(int a, int b) { return a < b ? a : b; }

static String trimmedOrDash(const String& s) {
  String t = s;
  t.trim();
  if (t.isEmpty()) t = "-";
  return t;
}

// Tilde loop on an already trimmed, non-empty text.
static String tildeFit(String t, int maxWidth) {
  if (maxWidth < 1 || textPixelWidth(t) <= maxWidth) return t;
  for (;;) {
    if (t.length() < 2) return String("~");
    t.remove((int)t.length() - 1);
    String candidate = t + "~";
    if (textPixelWidth(candidate) <= maxWidth) return candidate;
  }
}

static void drawTextAt(const String& text, int x, int y, int font, int datum, uint16_t fg, uint16_t bg) {
  tft.setTextFont(font);
  tft.setTextDatum(datum);
  tft.setTextColor(fg, bg);
  tft.drawString(text, x, y);
}

// ---------------------------------------------------------------- boxes

int scaledUiRadius(int radius) {
  int rx = (radius * SCREEN_W + UI_REF_W / 2) / UI_REF_W;
  int ry = (radius * SCREEN_H + UI_REF_H / 2) / UI_REF_H;
  return maxInt(1, minInt(rx, ry));
}

void fillSoftPanel(int x, int y, int w, int h, uint16_t fill, uint16_t border, int radius) {
  int r = scaledUiRadius(radius);
  tft.fillRoundRect(x, y, w, h, r, fill);
  tft.drawRoundRect(x, y, w, h, r, border);
  if (w > 2 && h > 2) {
    tft.drawRoundRect(x + 1, y + 1, w - 2, h - 2, maxInt(1, r - 1), mix565(fill, WHITE_565, 0.1f));
  }
}

void fillPanel(int x, int y, int w, int h, uint16_t fill, uint16_t border) {
  tft.fillRoundRect(x, y, w, h, 16, fill);
  tft.drawRoundRect(x, y, w, h, 16, border);
}

void drawInfoRow(int x, int y, int w, const String& label, const String& value, uint16_t labelBg,
                 uint16_t valueBg, uint16_t labelColor, uint16_t valueColor) {
  fillSoftPanel(x, y, 190, 44, labelBg, theme.border, 5);
  fillSoftPanel(x + 200, y, w - 200, 44, valueBg, theme.border, 5);
  String shown = value;
  int budget = maxInt(4, (w - 230) / 6);
  if (budget >= 5 && (int)shown.length() > budget) shown = shown.substring(0, budget - 1) + "~";
  drawTextAt(label, x + 20, y + 22, 2, ML_DATUM, labelColor, labelBg);
  drawTextAt(shown, x + 220, y + 22, 2, ML_DATUM, valueColor, valueBg);
  tft.setTextDatum(TL_DATUM);
}

void drawInfoRowSized(int x, int y, int w, int labelW, const String& label, const String& value,
                      uint16_t labelBg, uint16_t valueBg, uint16_t labelColor, uint16_t valueColor) {
  labelW = constrain(labelW, 70, maxInt(70, w - 100));
  int valueX = x + labelW + 10;
  int valueW = maxInt(60, w - labelW - 10);
  fillSoftPanel(x, y, labelW, 44, labelBg, theme.border, 5);
  fillSoftPanel(valueX, y, valueW, 44, valueBg, theme.border, 5);
  tft.setTextFont(2);
  String fittedLabel = fitTextInCurrentFont(label, maxInt(20, labelW - 30));
  String fittedValue = fitTextInCurrentFont(value, maxInt(20, valueW - 35));
  drawTextAt(fittedLabel, x + 15, y + 22, 2, ML_DATUM, labelColor, labelBg);
  drawTextAt(fittedValue, valueX + 18, y + 22, 2, ML_DATUM, valueColor, valueBg);
  tft.setTextDatum(TL_DATUM);
}

void drawLabelValue(int x, int y, const String& label, const String& value, uint16_t labelColor,
                    uint16_t valueColor, uint16_t bg) {
  drawTextAt(label, x, y, 2, TL_DATUM, labelColor, bg);
  drawTextAt(value, x + 195, y, 2, TL_DATUM, valueColor, bg);
}

void drawCompactValueBox(int x, int y, int w, int h, const String& label, const String& value, int labelFont,
                         int valueFont, int valueXOffset, uint16_t labelColor, uint16_t valueColor,
                         bool scrollValue) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 6);
  int cy = y + h / 2;
  int valueX = x + valueXOffset;
  int valueW = maxInt(30, w - valueXOffset - 15);
  String cleanLabel = label;
  cleanLabel.trim();
  if (!cleanLabel.isEmpty()) {
    drawTextAt(cleanLabel, x + 20, cy, labelFont, ML_DATUM, labelColor, theme.panel2);
  } else {
    valueX = x + 20;
    valueW = maxInt(30, w - 40);
  }
  tft.setTextFont(valueFont);
  String shown =
      scrollValue ? scrollingTextFrameInCurrentFont(value, valueW) : fitTextInCurrentFont(value, valueW);
  drawTextAt(shown, valueX, cy, valueFont, ML_DATUM, valueColor, theme.panel2);
  tft.setTextDatum(TL_DATUM);
}

// ---------------------------------------------------------------- text

String formatCallsignName(const String& callsign, const String& name, int maxNameChars,
                          int maxCallsignChars) {
  String c = normalizeHamCallsign(callsign);
  if (c.isEmpty()) c = "-";
  if (maxCallsignChars != 0) c = clipWithTilde(c, maxCallsignChars);
  String n = name;
  n.trim();
  if (n.isEmpty()) return c;
  if (maxNameChars != 0) n = clipWithTilde(n, maxNameChars);
  return c + " - " + n;
}

String fitTextInCurrentFont(const String& s, int maxWidth) { return tildeFit(trimmedOrDash(s), maxWidth); }

String fitTextSliceInCurrentFont(const String& s, int maxWidth) {
  String result;
  if (maxWidth <= 0) return result;
  for (unsigned int i = 0; i < s.length(); ++i) {
    String extended = result;
    extended += s.charAt(i);
    if (textPixelWidth(extended) > maxWidth) break;
    result = extended;
  }
  while (!result.isEmpty() && textPixelWidth(result) > maxWidth) {
    result.remove((int)result.length() - 1);
  }
  return result;
}

String scrollingTextFrameInCurrentFont(const String& s, int maxWidth) {
  String t = trimmedOrDash(s);
  if (maxWidth <= 0) return String();
  if (textPixelWidth(t) <= maxWidth) return t;
  if (!cfg.scrollingTextEnabled) return tildeFit(t, maxWidth);
  scrollingTextActiveFrame = true;
  String cycle = t + MARQUEE_GAP;
  uint32_t n = cycle.length();
  uint32_t offset = ((uint32_t)millis() / SCROLL_TEXT_STEP_MS) % n;
  String frame = cycle.substring((int)offset) + cycle.substring(0, (int)offset) + t + MARQUEE_GAP;
  return fitTextSliceInCurrentFont(frame, maxWidth);
}

String fitLivePanelPrimaryText(const String& input, int availableWidth, int& font) {
  String t = trimmedOrDash(input);
  static const int FONTS[] = {4, 2, 1};
  for (int f : FONTS) {
    tft.setTextFont(f);
    if (textPixelWidth(t) <= availableWidth) {
      font = f;
      return t;
    }
  }
  font = 1;
  return tildeFit(t, availableWidth);
}

String normalizeWrappedPopupText(const String& s) {
  String t = s;
  t.trim();
  t.replace("\r", "");
  t.replace('\t', ' ');
  t = decodeMarkupEntities(t, MARKUP_POPUP_TEXT_ENTITIES);
  while (t.indexOf("  ") >= 0) t.replace("  ", " ");
  while (t.indexOf("\n ") >= 0 || t.indexOf(" \n") >= 0) {
    t.replace("\n ", "\n");
    t.replace(" \n", "\n");
  }
  while (t.indexOf("\n\n\n") >= 0) t.replace("\n\n\n", "\n\n");
  t.trim();
  return t;
}

// Index of the next c at or after from, or -1.
static int findFrom(const String& text, char c, int from) { return text.indexOf(c, from); }

String nextWrappedLine(const String& text, int& pos, int maxWidth) {
  const int len = (int)text.length();
  if (pos < 0) pos = 0;
  while (pos < len && (text[pos] == ' ' || text[pos] == '\n')) ++pos;
  if (pos >= len) return String();
  String line;
  while (pos < len) {
    while (pos < len && text[pos] == ' ') ++pos;
    if (pos >= len) break;
    if (text[pos] == '\n') {
      ++pos;
      if (!line.isEmpty()) break;
      continue;
    }
    int nextSpace = findFrom(text, ' ', pos);
    int nextNewline = findFrom(text, '\n', pos);
    int brk = len;
    bool forced = false;
    if (nextSpace >= 0) brk = nextSpace;
    if (nextNewline >= 0 && nextNewline < brk) {
      brk = nextNewline;
      forced = true;
    }
    String word = text.substring(pos, brk);
    String candidate = line.isEmpty() ? word : line + " " + word;
    if (textPixelWidth(candidate) > maxWidth) {
      if (!line.isEmpty()) break;
      String slice = fitTextSliceInCurrentFont(word, maxWidth);
      if (slice.isEmpty()) slice = word.substring(0, 1);
      line = slice;
      pos += (int)slice.length();
      break;
    }
    line = candidate;
    pos = brk;
    if (forced) {
      ++pos;
      break;
    }
    if (pos < len && text[pos] == ' ') ++pos;
  }
  return line;
}

int countWrappedLinesForCurrentFont(const String& s, int maxWidth) {
  String t = normalizeWrappedPopupText(s);
  if (t.isEmpty()) return 1;
  int pos = 0;
  int lines = 0;
  while (lines < WRAPPED_TEXT_MAX_LINES) {
    String line = nextWrappedLine(t, pos, maxWidth);
    if (line.isEmpty()) break;
    ++lines;
  }
  return maxInt(1, lines);
}

int countWrappedLinesForFont(const String& s, int maxWidth, int font) {
  tft.setTextFont(font);
  return countWrappedLinesForCurrentFont(s, maxWidth);
}

void drawPageTitle(const char* title, int x, int y, uint16_t bg) {
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.accent, bg);
  tft.drawString(title, x, y);
}

void drawCentredFittedText(const String& text, int cx, int cy, int font, int maxWidth, uint16_t fg,
                           uint16_t bg) {
  tft.setTextFont(font);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(fg, bg);
  tft.drawString(fitTextInCurrentFont(text, maxWidth), cx, cy);
  tft.setTextDatum(TL_DATUM);
}

void drawScrollingTextInCurrentFont(const String& value, int x, int y, int maxWidth) {
  tft.drawString(scrollingTextFrameInCurrentFont(value, maxWidth), x, y);
}

// One line of a single paragraph starting at pos (spaces already skipped).
static String buildWrappedWordLine(const String& t, int& pos, int maxWidth) {
  const int len = (int)t.length();
  String line;
  while (pos < len) {
    int sp = t.indexOf(' ', pos);
    int end = sp < 0 ? len : sp;
    String word = t.substring(pos, end);
    String candidate = line.isEmpty() ? word : line + " " + word;
    if (textPixelWidth(candidate) <= maxWidth) {
      line = candidate;
      pos = end < len ? end + 1 : len;
      continue;
    }
    if (!line.isEmpty()) break;
    // An empty slice (not one character fits) gives an empty line, which
    // ends the drawing.
    line = fitTextSliceInCurrentFont(word, maxWidth);
    pos += (int)line.length();
    break;
  }
  return line;
}

void drawWrappedTextInCurrentFont(const String& text, int x, int y, int maxWidth, int maxLines,
                                  int lineHeight) {
  String t = normalizeSingleLineText(text);
  if (t.isEmpty()) t = "-";
  if (maxWidth <= 0 || maxLines <= 0) return;
  const int len = (int)t.length();
  int pos = 0;
  for (int line = 0; line < maxLines; ++line) {
    while (pos < len && t[pos] == ' ') ++pos;
    if (pos >= len) return;
    if (line == maxLines - 1) {
      tft.drawString(fitTextInCurrentFont(t.substring(pos), maxWidth), x, y + line * lineHeight);
      return;
    }
    String out = buildWrappedWordLine(t, pos, maxWidth);
    if (out.isEmpty()) return;
    tft.drawString(out, x, y + line * lineHeight);
  }
}

void drawWrappedTextWindowCurrentFont(const String& text, int x, int y, int maxWidth, int firstLine,
                                      int visibleLines, int lineHeight) {
  String t = normalizeWrappedPopupText(text);
  if (t.isEmpty()) t = "-";
  int pos = 0;
  int drawn = 0;
  for (int index = 0; index < WRAPPED_TEXT_MAX_LINES && drawn < visibleLines; ++index) {
    String line = nextWrappedLine(t, pos, maxWidth);
    if (line.isEmpty()) break;
    if (index < firstLine) continue;
    tft.drawString(line, x, y + drawn * lineHeight);
    ++drawn;
  }
}

void redrawScrollingTextFieldPartial(const String& value, int x, int y, int maxWidth, int clearHeight,
                                     int font, int datum, uint16_t fg, uint16_t bg) {
  if (maxWidth <= 0 || clearHeight <= 0) return;
  int top = y;
  if (datum == ML_DATUM || datum == MC_DATUM || datum == MR_DATUM) top = y - clearHeight / 2;
  tft.fillRect(x, top, maxWidth, clearHeight, bg);
  tft.setTextFont(font);
  String frame = scrollingTextFrameInCurrentFont(value, maxWidth);
  drawTextAt(frame, x, y, font, datum, fg, bg);
  tft.setTextDatum(TL_DATUM);
}

void redrawCompactScrollingValueBoxPartial(int x, int y, int w, int h, const String& value,
                                           uint16_t valueColor) {
  String v = value;
  v.trim();
  if (v.isEmpty()) v = "-";
  redrawScrollingTextFieldPartial(v, x + 20, y + h / 2, maxInt(30, w - 40), maxInt(1, h - 8), 2, ML_DATUM,
                                  valueColor, theme.panel2);
}

// ---------------------------------------------------------------- fonts

bool displayUsesLargeWatchUiFonts() {
  return maxInt(SCREEN_W, SCREEN_H) >= 800 && minInt(SCREEN_W, SCREEN_H) >= 480;
}
bool displayUsesLargeHamqslFonts() { return displayUsesLargeWatchUiFonts(); }
int watchUiTitleFont() { return 2; }
int watchUiButtonFont() { return 2; }
int watchUiHintFont() { return displayUsesLargeWatchUiFonts() ? 2 : 1; }
int adsbSmallTextFont() { return watchUiHintFont(); }
int hamqslSmallTextFont() { return watchUiHintFont(); }
int weatherSmallTextFont() { return watchUiHintFont(); }
int aprsSmallTextFont() { return watchUiHintFont(); }
int svxlinkSmallTextFont() { return watchUiHintFont(); }

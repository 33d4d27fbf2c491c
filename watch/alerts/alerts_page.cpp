// The weather alert popup: title, headline, the rich-text body in a
// scrolling box, and PREV / CLOSE / NEXT.
#include "watch/alerts/alerts_page.h"

#include "core/theme.h"
#include "host/display.h"
#include "ui/rich_text.h"
#include "watch/alerts/alerts.h"

namespace {

const ScreenRect ALERT_CONTENT_BOX = {55, 178, 690, 156};
const int BUTTON_W = 216;
const int BUTTON_H = 56;
const int BUTTON_Y = 362;
const int BUTTON_X[ALERT_POPUP_BUTTON_COUNT] = {55, 291, 527};
const char* const BUTTON_LABELS[ALERT_POPUP_BUTTON_COUNT] = {"PREV", "CLOSE", "NEXT"};
const int TITLE_INSET_X = 30;
const int TITLE_INSET_Y = 20;
const int HEADLINE_INSET_Y = 62;
const int HEADLINE_WIDTH = 690;
const int HEADLINE_MAX_LINES = 2;
const char* const NO_DETAIL_TEXT = "No detailed alert text was provided by this source.";

RichTextScroll alertPopupScroll() {
  return RichTextScroll{&alertPopupScrollLines, &alertPopupMaxScrollLines, &alertPopupPageStepLines};
}

bool alertPopupCanScroll() { return alertPopupMaxScrollLines > 0; }

int pageStepLines() { return alertPopupPageStepLines > 1 ? alertPopupPageStepLines : 1; }

void drawAlertPopupTitle(uint16_t colour) {
  const ScreenRect& p = ALERT_POPUP_RECT;
  String source = alertToastState.source;
  source.trim();
  if (source.isEmpty()) source = "ALERT";
  tft.setTextFont(watchUiTitleFont());
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(colour, theme.panel2);
  tft.drawString(fitTextInCurrentFont(source, p.w - 2 * TITLE_INSET_X), p.x + TITLE_INSET_X,
                 p.y + TITLE_INSET_Y);
  tft.setTextFont(2);
  tft.setTextColor(theme.text, theme.panel2);
  const int fontLineHeight = alertPopupLineHeightForFont(2);
  const int lineHeight = fontLineHeight > 24 ? fontLineHeight : 24;
  drawWrappedTextInCurrentFont(alertToastState.title, p.x + TITLE_INSET_X, p.y + HEADLINE_INSET_Y,
                               HEADLINE_WIDTH, HEADLINE_MAX_LINES, lineHeight);
}

void drawAlertPopupButton(int index, uint16_t colour) {
  const ScreenRect r = alertPopupButtonRect(index);
  bool usable = true;
  if (index == ALERT_POPUP_PREV_BUTTON) usable = alertPopupScrollLines > 0;
  if (index == ALERT_POPUP_NEXT_BUTTON) usable = alertPopupScrollLines < alertPopupMaxScrollLines;
  uint16_t fill = theme.panel;
  uint16_t textColour = theme.text;
  if (index != ALERT_POPUP_CLOSE_BUTTON) {
    fill = usable ? mix565(theme.panel2, colour, 0.16f) : mix565(theme.panel, theme.subtext, 0.08f);
    if (!usable) textColour = theme.subtext;
  }
  fillSoftPanel(r.x, r.y, r.w, r.h, fill, colour, 7);
  drawCentredFittedText(BUTTON_LABELS[index], r.x + r.w / 2, r.y + r.h / 2, 2, r.w - 20, textColour, fill);
}

void drawAlertPopupIfShown() {
  if (alertToastVisible()) drawAlertToastOverlay();
}

void tapAlertPopup(int x, int y) { handleAlertPopupTap(x, y); }

// Dragging down shows earlier lines, dragging up later ones.
bool dragAlertPopup(int dy) {
  changeAlertPopupScroll(dy >= 0 ? -ALERT_POPUP_DRAG_SCROLL_LINES : ALERT_POPUP_DRAG_SCROLL_LINES);
  return true;
}

}  // namespace

ScreenRect alertPopupButtonRect(int index) {
  if (index < 0 || index >= ALERT_POPUP_BUTTON_COUNT) index = ALERT_POPUP_CLOSE_BUTTON;
  return ScreenRect{BUTTON_X[index], BUTTON_Y, BUTTON_W, BUTTON_H};
}

ScreenRect alertPopupPrevButtonRect() { return alertPopupButtonRect(ALERT_POPUP_PREV_BUTTON); }
ScreenRect alertPopupCloseButtonRect() { return alertPopupButtonRect(ALERT_POPUP_CLOSE_BUTTON); }
ScreenRect alertPopupNextButtonRect() { return alertPopupButtonRect(ALERT_POPUP_NEXT_BUTTON); }
ScreenRect alertPopupContentBoxRect() { return ALERT_CONTENT_BOX; }

uint16_t alertPopupColour() {
  String severity = alertToastState.severity;
  severity.toUpperCase();
  return severity.indexOf("EXTREME") >= 0 || severity.indexOf("SEVERE") >= 0 ? theme.bad : theme.warn;
}

String alertPopupBodyText() {
  String body;
  String severity = alertToastState.severity;
  severity.trim();
  if (!severity.isEmpty()) body = "Severity: " + severity + ".\n";
  body += alertToastState.detail;
  String check = body;
  check.trim();
  if (check.isEmpty()) return String(NO_DETAIL_TEXT);
  return body;
}

void drawAlertToastOverlay() {
  const ScreenRect& p = ALERT_POPUP_RECT;
  const uint16_t colour = alertPopupColour();
  fillSoftPanel(p.x, p.y, p.w, p.h, theme.panel2, colour, 14);
  drawAlertPopupTitle(colour);
  drawRichTextContentBox(alertPopupBodyText(), ALERT_CONTENT_BOX, colour, colour, theme.text,
                         alertPopupScroll());
  for (int i = 0; i < ALERT_POPUP_BUTTON_COUNT; ++i) drawAlertPopupButton(i, colour);
  tft.setTextDatum(TL_DATUM);
}

bool handleAlertPopupTap(int x, int y) {
  if (alertPopupCloseButtonRect().contains(x, y)) {
    clearAlertToast();
    requestRedraw();
    return true;
  }
  if (!alertPopupCanScroll()) return true;
  if (alertPopupPrevButtonRect().contains(x, y)) {
    changeAlertPopupScroll(-pageStepLines());
  } else if (alertPopupNextButtonRect().contains(x, y)) {
    changeAlertPopupScroll(pageStepLines());
  } else {
    changeAlertPopupScroll(y < ALERT_POPUP_MIDDLE_Y ? -ALERT_POPUP_TAP_SCROLL_LINES
                                                    : ALERT_POPUP_TAP_SCROLL_LINES);
  }
  return true;
}

void changeAlertPopupScroll(int deltaLines) {
  if (changeRichTextScroll(alertPopupScroll(), deltaLines)) requestRedraw();
}

const ViewOverlay ALERT_OVERLAY = {OVERLAY_ALERT, alertToastVisible, drawAlertPopupIfShown,
                                   tapAlertPopup, dragAlertPopup,    true};

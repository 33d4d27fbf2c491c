#include "ui/popups.h"

#include "actions/remote_actions.h"
#include "core/backend.h"
#include "core/theme.h"
#include "core/watch_source.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "hotspot/live_session.h"
#include "hotspot/target_display.h"
#include "ui/draw.h"
#include "ui/flags.h"
#include "ui/live_page.h"
#include "ui/page_frame.h"

static const int DETAIL_ROW_Y0 = 140;
static const int DETAIL_ROW_LIMIT_Y = 411;
static const int QUICK_POPUP_X = 87;
static const int QUICK_POPUP_Y = 112;
static const int QUICK_POPUP_W = 625;
static const int QUICK_POPUP_H = 256;

// Characters a detail value may take before it is cut.
static int detailValueChars() {
  tft.setTextFont(2);
  int w = tft.textWidth("W");
  if (w < 6) w = 6;
  const int chars = 480 / w;
  return chars > 28 ? 28 : (chars < 10 ? 10 : chars);
}

static String dashIfBlank(const String& s) {
  String t = s;
  t.trim();
  return t.isEmpty() ? String("-") : t;
}

static String detailModeText(const HeardRecord& r) {
  String raw = r.mode;
  String mode = normalizeModeName(raw);
  if (mode.isEmpty()) return trimSafe(r.mode);
  const String slot = dmrTimeslotLabel(r);
  if (!slot.isEmpty()) mode += String(" ") + slot;
  return mode;
}

void drawDetailPopup(const HeardRecord& r) {
  fillPanel(30, 64, 740, 364, theme.panel2, theme.border);
  String rawMode = r.mode;
  const bool svx = isCurrentWatch(WATCH_SVXLINK) || normalizeModeName(rawMode) == "SVXLINK";
  drawPageTitle(svx ? "SVXLINK DETAILS" : "QSO DETAILS", 55, 84, theme.panel2);
  drawFlagOrPlaceholder(615, 84, 130, 84, countryCodeFromCallsign(r.callsign));

  const int chars = detailValueChars();
  const int pitch = 36;  // the larger of 28 and the font-2 line height
  String country = trimSafe(radioIdDisplayCountryForRecord(r));
  if (country.isEmpty()) country = countryCodeFromCallsign(r.callsign);
  struct Row {
    const char* label;
    String value;
    uint16_t colour;
  };
  const Row rows[] = {
      {"User:", clipWithTilde(dashIfBlank(normalizeHamCallsign(r.callsign)), chars), theme.text},
      {"Name:", dashIfBlank(clipWithTilde(radioIdDisplayNameForRecord(r), chars)), theme.text},
      {"Mode:", clipWithTilde(dashIfBlank(detailModeText(r)), chars), theme.text},
      {"Dest:", clipWithTilde(resolveTargetDisplay(r), chars), theme.text},
      {"Grid:", clipWithTilde(dashIfBlank(r.grid), chars), theme.good},
      {"Cntry:", dashIfBlank(clipWithTilde(country, chars)), theme.text},
      {"Qual:",
       clipWithTilde(
           String("RSSI ") + compactRssiValue(r.rssi) + "  BER " + prettyMetricValue(r.ber, "%", false),
           chars),
       theme.subtext},
  };
  int y = DETAIL_ROW_Y0;
  for (const Row& row : rows) {
    if (y + pitch >= DETAIL_ROW_LIMIT_Y) break;
    drawLabelValue(55, y, row.label, row.value, theme.warn, row.colour, theme.panel2);
    y += pitch;
  }
}

void getModeConfirmPopupLayout(int& popupX, int& popupY, int& popupW, int& popupH, int& noX, int& noY,
                               int& noW, int& noH, int& yesX, int& yesY, int& yesW, int& yesH) {
  popupW = 600;
  popupH = 224;
  popupX = (800 - popupW) / 2;
  popupY = (480 - popupH) / 2;
  noW = yesW = 210;
  noH = yesH = 56;
  noX = popupX + 55;
  noY = yesY = popupY + popupH - 56 - 36;
  yesX = popupX + popupW - 210 - 55;
}

void drawModeConfirmPopup() {
  int px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH;
  getModeConfirmPopupLayout(px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH);
  fillSoftPanel(px, py, pw, ph, theme.panel2, theme.accent, 14);
  drawCentredFittedText("MODE CONTROL", px + pw / 2, py + 44, watchUiTitleFont(), pw - 50, theme.accent,
                        theme.panel2);
  const String question =
      String(modeConfirmEnableRequested ? "Enable " : "Disable ") + modeConfirmTargetLabel + " ?";
  drawCentredFittedText(question, px + pw / 2, py + 100, watchUiButtonFont(), pw - 60, theme.text,
                        theme.panel2);
  fillSoftPanel(noX, noY, noW, noH, theme.panel, theme.border, 8);
  drawCentredFittedText("NO", noX + noW / 2, noY + noH / 2, watchUiButtonFont(), noW - 20, theme.text,
                        theme.panel);
  fillSoftPanel(yesX, yesY, yesW, yesH, theme.panel, theme.good, 8);
  drawCentredFittedText("YES", yesX + yesW / 2, yesY + yesH / 2, watchUiButtonFont(), yesW - 20, theme.good,
                        theme.panel);
}

void quickActionSlotRect(int slot, int& x, int& y, int& w, int& h) {
  x = (slot % 2 == 0) ? 122 : 412;
  y = 180 + 68 * (slot / 2);
  w = 265;
  h = 48;
}

void drawQuickActionsPopup() {
  const bool svx = activeQuickActionIsSvxlink;
  fillSoftPanel(QUICK_POPUP_X, QUICK_POPUP_Y, QUICK_POPUP_W, QUICK_POPUP_H, theme.panel2, theme.accent, 14);
  drawCentredFittedText("QUICK ACTIONS", 399, 144, watchUiTitleFont(), 575, theme.accent, theme.panel2);
  drawCentredFittedText(svx ? "Send DTMF / Preset" : "Run a saved remote preset", 399, 168, watchUiHintFont(),
                        565, theme.subtext, theme.panel2);
  for (int i = 0; i < quickActionSlotLimit(svx); ++i) {
    int x, y, w, h;
    quickActionSlotRect(i, x, y, w, h);
    const bool configured = isQuickActionSlotConfigured(i, svx);
    fillSoftPanel(x, y, w, h, theme.panel, configured ? theme.good : theme.border, 8);
    drawCentredFittedText(configured ? quickActionSlotLabel(i, svx) : String("Empty"), x + 132, y + 24,
                          watchUiButtonFont(), 235, configured ? theme.good : theme.subtext, theme.panel);
  }
}

// ---------------------------------------------------------------- taps

void openQuickActionPopup(bool svxlink) {
  activeQuickActionIsSvxlink = svxlink;
  quickActionPopupOpen = true;
  requestRedraw();
}

// YES starts the toggle; any tap (NO included) closes the popup.
static void tapModeConfirmPopup(int x, int y) {
  int px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH;
  getModeConfirmPopupLayout(px, py, pw, ph, noX, noY, noW, noH, yesX, yesY, yesW, yesH);
  modeConfirmPopupOpen = false;
  requestRedraw();
  if (ScreenRect{yesX, yesY, yesW, yesH}.contains(x, y)) {
    startModeToggleTask(modeConfirmTargetLabel, modeConfirmEnableRequested);
  }
}

// A configured slot runs; an empty one says so and keeps the launcher open;
// anything else closes it.
static void tapQuickActionPopup(int x, int y) {
  if (QUICK_ACTION_CLOSE_AREA.contains(x, y)) {
    quickActionPopupOpen = false;
    requestRedraw();
    return;
  }
  const bool svx = activeQuickActionIsSvxlink;
  for (int i = 0; i < quickActionSlotLimit(svx); ++i) {
    int sx, sy, sw, sh;
    quickActionSlotRect(i, sx, sy, sw, sh);
    if (!ScreenRect{sx, sy, sw, sh}.contains(x, y)) continue;
    if (isQuickActionSlotConfigured(i, svx)) {
      quickActionPopupOpen = false;
      requestRedraw();
      startQuickActionTask(i, svx);
    } else {
      setFooterText("Preset slot is empty.", true);
    }
    return;
  }
  quickActionPopupOpen = false;
  requestRedraw();
}

// Any tap closes the detail popup.
static void tapDetailPopup(int x, int y) {
  (void)x;
  (void)y;
  closeDetailPopup();
  requestRedraw();
}

// The detail popup draws only while its index names a record of the list.
static void drawOpenDetailPopup() {
  if (selectedHeardIndex >= 0 && selectedHeardIndex < shownHeardList().count)
    drawDetailPopup(shownHeardList().records[selectedHeardIndex]);
}

static bool detailPopupIsOpen() { return detailPopupOpen; }
static bool modeConfirmPopupIsOpen() { return modeConfirmPopupOpen; }
static bool quickActionPopupIsOpen() { return quickActionPopupOpen; }

const ViewOverlay DETAIL_POPUP_OVERLAY = {OVERLAY_DETAIL, detailPopupIsOpen, drawOpenDetailPopup,
                                          tapDetailPopup, nullptr,           true};
const ViewOverlay MODE_CONFIRM_OVERLAY = {
    OVERLAY_MODE_CONFIRM, modeConfirmPopupIsOpen, drawModeConfirmPopup, tapModeConfirmPopup, nullptr, true};
const ViewOverlay QUICK_ACTIONS_OVERLAY = {
    OVERLAY_QUICK_ACTIONS, quickActionPopupIsOpen, drawQuickActionsPopup, tapQuickActionPopup, nullptr, true};

#include "ui/live_page.h"

#include <math.h>

#include "actions/remote_actions.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"
#include "hotspot/target_display.h"
#include "ui/draw.h"
#include "ui/flags.h"
#include "ui/page_frame.h"
#include "ui/popups.h"

static const uint16_t WHITE_565 = 0xFFFF;
static const float METER_SWEEP = 0.85f;
static const int METER_RADIUS = 48;
static const long RSSI_SCALE_MIN_DBM = -130;
static const long RSSI_SCALE_MAX_DBM = -70;
static const int METER_LEVEL_MAX = 9;
static const int FREQ_BOX_W = 260;
static const int FREQ_BOX_H = 48;
static const int HZ_DIGITS = 9;
// Least room between a meter strip's label and its value.
static const int METER_LABEL_GAP_PX = 4;

// ---------------------------------------------------------------- small texts

static bool isMissingValueText(const String& t) {
  return t.isEmpty() || t.equalsIgnoreCase("n/a") || t.equalsIgnoreCase("nan") || t.equalsIgnoreCase("null");
}

String prettyMetricValue(const String& value, const String& suffix, bool keepPercent) {
  String t = value;
  t.trim();
  if (isMissingValueText(t)) return String("-");
  if (!keepPercent) t.replace("%", "");
  if (!suffix.isEmpty() && !t.endsWith(suffix)) t += suffix;
  return t;
}

String compactRssiValue(const String& value) {
  String t = value;
  t.trim();
  if (isMissingValueText(t)) return String("-");
  const int open = t.indexOf('(');
  const int close = open >= 0 ? t.indexOf(')', open + 1) : -1;
  if (open >= 0 && close > open) {
    String inner = t.substring(open + 1, close);
    inner.trim();
    if (inner.indexOf("dBm") >= 0) return inner;
  }
  if (t.indexOf("dBm") >= 0) return t;
  return prettyMetricValue(t, " dBm", false);
}

// ---------------------------------------------------------------- mode buttons

void drawModeButton(int x, int y, int w, int h, const String& label, const ModeStatus& status, bool active) {
  const uint16_t colour = modeColor(status, active);
  const uint16_t outline = active ? mix565(colour, WHITE_565, 0.2f) : theme.border;
  fillSoftPanel(x, y, w, h, theme.panel2, outline, 8);
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(colour, theme.panel2);
  tft.drawString(label, x + w / 2, y + h / 2);
  tft.setTextDatum(TL_DATUM);
}

// The six mode buttons: drawn in this order; all but POCSAG can be tapped.
struct LiveModeButton {
  const char* label;
  ScreenRect rect;
  ModeStatus* status;
  const char* liveMode;     // live mode that lights the button
  const char* liveAltMode;  // second spelling of it, or null
  bool switchable;
};
static const LiveModeButton LIVE_MODE_BUTTONS[] = {
    {"DMR", {25, 76, LIVE_MODE_BTN_W, LIVE_MODE_BTN_H}, &modeDMR, "DMR", nullptr, true},
    {"DSTAR", {215, 76, LIVE_MODE_BTN_W, LIVE_MODE_BTN_H}, &modeDSTAR, "DSTAR", "D-STAR", true},
    {"YSF", {25, 124, LIVE_MODE_BTN_W, LIVE_MODE_BTN_H}, &modeYSF, "YSF", "FUSION", true},
    {"P25", {215, 124, LIVE_MODE_BTN_W, LIVE_MODE_BTN_H}, &modeP25, "P25", nullptr, true},
    {"NXDN", {25, 172, LIVE_MODE_BTN_W, LIVE_MODE_BTN_H}, &modeNXDN, "NXDN", nullptr, true},
    {"POCSAG", {215, 172, LIVE_MODE_BTN_W, LIVE_MODE_BTN_H}, &modePOCSAG, "POCSAG", nullptr, false},
};

static void drawModeButtons(bool active, const String& mode) {
  for (const LiveModeButton& b : LIVE_MODE_BUTTONS) {
    const bool on = active && (mode == b.liveMode || (b.liveAltMode != nullptr && mode == b.liveAltMode));
    drawModeButton(b.rect.x, b.rect.y, b.rect.w, b.rect.h, b.label, *b.status, on);
  }
}

bool liveModeButtonTouchHit(int x, int y, String& label) {
  for (const LiveModeButton& b : LIVE_MODE_BUTTONS) {
    if (b.switchable && b.rect.contains(x, y)) {
      label = b.label;
      return true;
    }
  }
  return false;
}

void openModeConfirmPopup(const String& label) {
  if (!cfg.touchModeSshEnabled) {
    setFooterText("Enable touch SSH mode control in the config page first.", true);
    return;
  }
  ModeStatus* status = modeStatusFromTouchLabel(label);
  if (status != nullptr && status->known) {
    modeConfirmTargetLabel = label;
    modeConfirmEnableRequested = !status->enabled;
    modeConfirmPopupOpen = true;
    requestRedraw();
    return;
  }
  setFooterText(String("Cannot toggle ") + label + " because its current state is unknown.", true);
}

// ---------------------------------------------------------------- signal meter

int signalMeterLevel(bool active, const HeardRecord* rec) {
  if (!active) return 1;
  if (rec == nullptr) return 8;
  String t = rec->rssi;
  t.trim();
  if (t.isEmpty()) return 8;
  const long v = t.toInt();
  if (v == 0 && t != "0") return 8;
  // Clamp first: a huge number in the payload must not overflow the mapping.
  const long clamped = constrain(v, RSSI_SCALE_MIN_DBM, RSSI_SCALE_MAX_DBM);
  return (int)constrain(map(clamped, RSSI_SCALE_MIN_DBM, RSSI_SCALE_MAX_DBM, 0, METER_LEVEL_MAX), 0L,
                        (long)METER_LEVEL_MAX);
}

static float meterAngle(float fraction) { return (float)M_PI - fraction * METER_SWEEP * (float)M_PI; }

static void drawMeterDial(int px, int py, int level) {
  for (int i = 0; i <= 6; ++i) {
    const float a = meterAngle(i / 6.0f);
    const float c = cosf(a), s = sinf(a);
    const int inner = METER_RADIUS - 12;
    tft.drawLine(px + (int)lroundf(inner * c), py - (int)lroundf(inner * s),
                 px + (int)lroundf(METER_RADIUS * c), py - (int)lroundf(METER_RADIUS * s),
                 i <= 3 ? theme.subtext : theme.warn);
  }
  const float a = meterAngle(level / (float)METER_LEVEL_MAX);
  const int len = METER_RADIUS - 16;
  tft.drawLine(px, py, px + (int)lroundf(len * cosf(a)), py - (int)lroundf(len * sinf(a)), theme.bad);
  tft.fillCircle(px, py, 6, theme.bad);
}

static void drawMeterStrip(int x, int y, int w, int k, const char* label, const String& value) {
  const int sx = x + 180;
  const int sy = y + 12 + 32 * k;
  const int sw = w - 200;
  fillSoftPanel(sx, sy, sw, 26, theme.panel, theme.border, 4);
  tft.setTextFont(1);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(theme.warn, theme.panel);
  const int labelEnd = x + 193 + tft.drawString(label, x + 193, sy + 13);
  // The value may use all room up to a small gap after the label, so that
  // "-120 dBm" shows whole; only a longer value is cut.
  const int valueRight = sx + sw - 13;
  tft.setTextFont(2);
  tft.setTextDatum(MR_DATUM);
  tft.setTextColor(theme.text, theme.panel);
  int room = valueRight - labelEnd - METER_LABEL_GAP_PX;
  if (room < 1) room = 1;  // a too narrow strip shows "~" rather than the whole text
  tft.drawString(fitTextInCurrentFont(value, room), valueRight, sy + 13);
  tft.setTextDatum(TL_DATUM);
}

void drawSignalMeter(int x, int y, int w, int h, bool active, const HeardRecord* rec) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 8);
  const int px = x + 85;
  const int py = y + h - 28;
  drawMeterDial(px, py, signalMeterLevel(active, rec));
  tft.setTextFont(1);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(theme.text, theme.panel2);
  tft.drawString("QUALITY", px, y + 16);
  const bool show = active && rec != nullptr;
  drawMeterStrip(x, y, w, 0, "RSSI", show ? compactRssiValue(rec->rssi) : String("-"));
  drawMeterStrip(x, y, w, 1, "BER", show ? prettyMetricValue(rec->ber, "%", false) : String("-"));
  drawMeterStrip(x, y, w, 2, "LOSS", show ? prettyMetricValue(rec->loss, "%", true) : String("-"));
}

// ---------------------------------------------------------------- info panel

void drawLiveInfoPanel(int x, int y, int w, int h, const String& callsign, const String& status,
                       const String& target, bool active) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 10);
  String text = callsign;
  text.trim();
  if (text.isEmpty()) text = "-";
  const int sep = text.indexOf(" - ");
  const String flagCallsign = sep > 0 ? text.substring(0, sep) : text;
  drawFlagForCallsign(x + 35, y - 7, 80, 64, flagCallsign);

  int font = 4;
  const String shown = fitLivePanelPrimaryText(text, w - 170 > 90 ? w - 170 : 90, font);
  const int lift = font == 4 ? 20 : (font == 2 ? 18 : 14);
  tft.setTextFont(font);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(active ? theme.warn : theme.text, theme.panel2);
  tft.drawString(shown, x + 145, y + 60 - lift);
  tft.setTextDatum(TL_DATUM);

  const int statusW = (w - 55) / 2;
  const int boxY = y + h - 56;
  drawCompactValueBox(x + 20, boxY, statusW, 48, "", status, 2, 2, 20, theme.warn,
                      active ? theme.good : theme.text, true);
  drawCompactValueBox(x + 20 + statusW + 15, boxY, w - statusW - 55, 48, "", target, 2, 2, 20, theme.warn,
                      theme.text, true);
}

// ---------------------------------------------------------------- DMR timeslots

void drawDmrTimeslotRow(int x, int y, int w, int h, int slot) {
  const bool active = isDmrTimeslotLiveActive(slot);
  const HeardRecord& rec = dmrTimeslotRecord(slot);
  const uint16_t fill = active ? mix565(theme.panel2, theme.live, 0.12f) : theme.panel2;
  fillSoftPanel(x, y, w, h, fill, active ? theme.warn : theme.border, 8);
  String call = normalizeHamCallsign(rec.callsign);
  if (call.isEmpty()) call = "Idle";
  String target = rec.valid ? resolveTargetDisplay(rec) : String("-");
  target.trim();
  if (target.isEmpty()) target = "-";
  const int cy = y + h / 2;
  tft.setTextFont(2);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(active ? theme.warn : theme.subtext, fill);
  tft.drawString(slot == 2 ? "TS2" : "TS1", x + 20, cy);
  tft.setTextColor(active ? theme.text : theme.subtext, fill);
  tft.drawString(clipWithTilde(call, 11), x + 115, cy);
  tft.setTextColor(active ? theme.good : theme.subtext, fill);
  tft.drawString(clipWithTilde(target, 15), x + 355, cy);
  tft.setTextDatum(TL_DATUM);
}

void drawDmrTimeslotLivePanel(int x, int y, int w, int h) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 10);
  const int hr = (h - 24) / 2;
  drawDmrTimeslotRow(x + 15, y + 8, w - 30, hr, 1);
  drawDmrTimeslotRow(x + 15, y + 16 + hr, w - 30, hr, 2);
}

// ---------------------------------------------------------------- frequencies

bool displayCanShowFullFrequency() {
  const int longSide = SCREEN_W > SCREEN_H ? SCREEN_W : SCREEN_H;
  const int shortSide = SCREEN_W > SCREEN_H ? SCREEN_H : SCREEN_W;
  return longSide >= 800 && shortSide >= 480;
}

String frequencyDigitsHzForDisplay(const String& value) {
  String t = value;
  t.trim();
  t.toLowerCase();
  t.replace("mhz", "");
  t.replace(" ", "");
  t.replace(",", ".");
  if (t.isEmpty()) return String();
  String digits;
  int firstPoint = -1;
  for (unsigned int i = 0; i < t.length(); ++i) {
    const char c = t.charAt(i);
    if (c == '.') {
      if (firstPoint < 0) firstPoint = (int)digits.length();
    } else if (c >= '0' && c <= '9') {
      digits += c;
    } else {
      return String();
    }
  }
  const int n = (int)digits.length();
  if (firstPoint >= 0) {
    // Only a MHz value with three whole digits maps onto the Hz form; 23 cm,
    // 6 m and 10 m values keep their own text.
    if (firstPoint != 3) return String();
  } else if (n < 6 || n > HZ_DIGITS) {
    return String();
  }
  while ((int)digits.length() < HZ_DIGITS) digits += '0';
  return digits.substring(0, HZ_DIGITS);
}

String formatFrequencyForBox(const String& value, bool fullPrecision) {
  const String d = frequencyDigitsHzForDisplay(value);
  if (d.length() == (unsigned int)HZ_DIGITS) {
    if (fullPrecision) {
      return d.substring(0, 3) + "." + d.substring(3, 6) + "." + d.substring(6, 9);
    }
    return d.substring(0, 3) + "." + d.substring(3, 7);
  }
  String t = value;
  t.trim();
  if (!fullPrecision && t.length() > 8) t = t.substring(0, 8);
  return t;
}

void drawFrequencyBox(int x, int y, int w, const String& label, const String& value) {
  drawCompactValueBox(x, y, w, FREQ_BOX_H, label, formatFrequencyForBox(value, displayCanShowFullFrequency()),
                      2, 2, 75, theme.warn, theme.good, false);
}

void drawQuickActionLauncherBox(int x, int y, int w) {
  const bool ready = hasConfiguredQuickActions(isCurrentWatch(WATCH_SVXLINK));
  fillSoftPanel(x, y, w, 48, theme.panel2, ready ? theme.accent : theme.border, 6);
  drawCentredFittedText("ACTIONS", x + w / 2, y + 24, watchUiButtonFont(), w - 30,
                        ready ? theme.accent : theme.subtext, theme.panel2);
}

// ---------------------------------------------------------------- page

// Frequency text of the hotspot, else of the heard data, else the fallback.
static String liveFrequencyText(const String& hotspot, const String& heard, const char* fallback) {
  String t = hotspot;
  t.trim();
  if (t.isEmpty()) {
    t = heard;
    t.trim();
  }
  if (t.isEmpty()) t = normalizedBackend() == "wpsd" ? "Auto" : fallback;
  return t;
}

void drawMmdvmLivePage() {
  drawTopTabs();
  const bool active = isLiveActive();
  const HeardRecord rec = active ? shownHeardList().live : HeardRecord();
  String modeText = rec.mode;
  const String mode = active ? normalizeModeName(modeText) : String();
  drawModeButtons(active, mode);
  drawSignalMeter(425, 88, 350, 108, active, active ? &rec : nullptr);

  const String callLine =
      active ? formatCallsignName(rec.callsign, radioIdDisplayNameForRecord(rec), 0, 0) : String("-");
  const String status = liveStatusText(active, rec);
  const String target = active ? resolveTargetDisplay(rec) : String("-");
  const String rx = liveFrequencyText(hotspotRxFreq, currentRxFreq, "438.8000");
  const String tx = liveFrequencyText(hotspotTxFreq, currentTxFreq, "430.8000");

  if (shouldShowDmrTimeslotLivePanel()) {
    drawDmrTimeslotLivePanel(LIVE_PANEL_X, LIVE_PANEL_Y, LIVE_PANEL_W, LIVE_PANEL_H);
  } else {
    drawLiveInfoPanel(LIVE_PANEL_X, LIVE_PANEL_Y, LIVE_PANEL_W, LIVE_PANEL_H, callLine, status, target,
                      active);
  }
  drawFrequencyBox(25, LIVE_BOTTOM_Y, FREQ_BOX_W, "TX", tx);
  drawQuickActionLauncherBox(LIVE_LAUNCHER_BOX.x, LIVE_LAUNCHER_BOX.y, LIVE_LAUNCHER_BOX.w);
  drawFrequencyBox(515, LIVE_BOTTOM_Y, FREQ_BOX_W, "RX", rx);
  drawFooter();
}

void drawLivePage() { activeWatchSourceRow().drawLive(); }

void handleMmdvmLivePageTap(int x, int y) {
  String label;
  if (liveModeButtonTouchHit(x, y, label)) {
    openModeConfirmPopup(label);
  } else if (LIVE_LAUNCHER_TOUCH_AREA.contains(x, y)) {
    if (hasConfiguredQuickActions(false)) {
      openQuickActionPopup(false);
    } else {
      setFooterText("No quick actions are configured yet.", true);
    }
  }
}

bool redrawMmdvmLiveScrollingTextAreas() {
  if (currentPage != PAGE_LIVE || currentWatchSource != WATCH_MMDVM) return false;
  if (anyOverlayOpen()) return false;
  const bool active = isLiveActive();
  const HeardRecord rec = active ? shownHeardList().live : HeardRecord();
  if (shouldShowDmrTimeslotLivePanel()) {
    drawDmrTimeslotLivePanel(LIVE_PANEL_X, LIVE_PANEL_Y, LIVE_PANEL_W, LIVE_PANEL_H);
    return true;
  }
  const String status = liveStatusText(active, rec);
  const String target = active ? resolveTargetDisplay(rec) : String("-");
  redrawCompactScrollingValueBoxPartial(45, 304, 347, 48, status, active ? theme.good : theme.text);
  redrawCompactScrollingValueBoxPartial(407, 304, 348, 48, target, theme.text);
  return true;
}

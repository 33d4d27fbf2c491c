#include "ui/screensaver.h"

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/night_mode.h"
#include "core/theme.h"
#include "core/watch_source.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "host/panel_output.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "hotspot/heard.h"
#include "hotspot/target_display.h"
#include "ui/draw.h"
#include "ui/flags.h"
#include "ui/images.h"
#include "ui/night_face.h"
#include "ui/page_frame.h"
#include "ui/popups.h"

static String lastFrameKey;
bool bootSplashReady = false;
String bootLastStatus;
int bootLastProgress = -1;
int bootLastScanX = -1;

void setBrightnessFromTouchX(int x) {
  cfg.brightness = (uint8_t)constrain(map(x, 280, 632, 0, 255), 0L, 255L);
  applyBrightness();
}

void drawBrightnessSlider() {
  fillSoftPanel(35, 372, 190, 44, theme.panel2, theme.border, 5);
  fillSoftPanel(235, 372, 525, 44, theme.panel2, theme.border, 5);
  tft.setTextFont(2);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(theme.warn, theme.panel2);
  tft.drawString("BRIGHT", 55, 394);
  tft.fillRoundRect(BRIGHT_SLIDER_X, BRIGHT_SLIDER_Y, BRIGHT_SLIDER_W, BRIGHT_SLIDER_H, 8, theme.panel);
  tft.drawRoundRect(BRIGHT_SLIDER_X, BRIGHT_SLIDER_Y, BRIGHT_SLIDER_W, BRIGHT_SLIDER_H, 8, theme.border);
  const int knobX = (int)map(cfg.brightness, 0, 255, 280, 632);
  tft.fillRoundRect(BRIGHT_SLIDER_X, BRIGHT_SLIDER_Y, knobX - BRIGHT_SLIDER_X, BRIGHT_SLIDER_H, 8,
                    theme.accent);
  tft.fillCircle(knobX, 394, 10, theme.warn);
  tft.setTextFont(1);
  tft.setTextDatum(MR_DATUM);
  tft.setTextColor(theme.text, theme.panel2);
  tft.drawString(String((unsigned int)cfg.brightness), 740, 394);
  tft.setTextDatum(TL_DATUM);
}

void applyDisplaySettings() {
  // The host turns the picture (display_rotation, or 180 degrees for a
  // flipped screen); touch points are mirrored by getTouchPoint.
  tft.setRotation(cfg.flipScreen ? 2 : 0);
  PanelSettings panel;
  panel.fullscreen = cfg.displayFullscreen;
  panel.rotationDeg = cfg.displayRotation;
  panel.flip = cfg.flipScreen;
  panelApply(panel, theme.bg);
  tft.fillScreen(theme.bg);
  applyBrightness();
  requestRedraw();
}

// ---------------------------------------------------------------- screensaver

struct ScreensaverContent {
  String clock, date, device, deviceCallsign, operatorLine, flagCallsign, target;
  String weatherText, weatherIcon;
};

void screensaverCardTexts(String& text, String& icon) {
  for (int i = 0; i < WATCH_SOURCE_COUNT && text.isEmpty(); ++i) {
    const WatchSourceRow& row = watchSourceRow((WatchSource)i);
    if (row.screensaverCard) row.screensaverCard(text, icon);
  }
}

static ScreensaverContent screensaverContent() {
  ScreensaverContent c;
  c.clock = getDetailedClockText();
  c.date = getDateText();
  c.deviceCallsign = getDeviceCallsign();
  c.device = normalizeHamCallsign(c.deviceCallsign);
  if (c.device.isEmpty()) c.device = "-";
  const HeardRecord& live = shownHeardList().live;
  if (live.valid) {
    c.operatorLine = formatCallsignName(live.callsign, radioIdDisplayNameForRecord(live), 10, 10);
    c.flagCallsign = live.callsign;
    if (trimSafe(c.flagCallsign).isEmpty()) c.flagCallsign = c.deviceCallsign;
    c.target = resolveTargetDisplay(live);
  } else {
    c.operatorLine = c.device;
    c.flagCallsign = c.deviceCallsign;
    c.target = "Standby";
  }
  if (c.target.length() > 24) c.target = c.target.substring(0, 23) + "~";
  screensaverCardTexts(c.weatherText, c.weatherIcon);
  return c;
}

static void drawScreensaverText(const String& text, int x, int y, int font, uint16_t colour) {
  tft.setTextFont(font);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(colour, TFT_BLACK);
  tft.drawString(text, x, y);
}

static void drawScreensaverBadge(const ScreensaverContent& c, int driftX, int badgeY) {
  const int badgeX = constrain(90 + driftX, 20, 160);
  fillSoftPanel(badgeX, badgeY, 620, 88, theme.panel, theme.border, 14);
  const int flagX = badgeX + 25;
  drawFlagForCallsign(flagX, badgeY + 9, 32, 32, c.flagCallsign);
  const int textX = flagX + 57;
  int maxChars = (620 + badgeX - flagX - 82) / 6;
  if (maxChars < 8) maxChars = 8;
  tft.setTextFont(2);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(theme.warn, theme.panel);
  tft.drawString(clipWithTilde(c.operatorLine, maxChars), textX, badgeY + 31);
  tft.setTextColor(theme.text, theme.panel);
  tft.drawString(clipWithTilde(c.target, maxChars + 2), textX, badgeY + 59);
  tft.setTextDatum(TL_DATUM);
}

// The weather card: shown while weather is configured and has data.
static void drawScreensaverWeatherCard(const ScreensaverContent& c, int cx, int weatherY) {
  if (c.weatherText.isEmpty()) return;
  const int cardW = 270;
  const int cardX = cx - cardW / 2;
  fillSoftPanel(cardX, weatherY - 30, cardW, 60, theme.panel, theme.border, 12);
  int textX = cardX + 25;
  if (!c.weatherIcon.isEmpty() &&
      drawPngFromSD(c.weatherIcon, cardX + 25, weatherY - 20, 24, 24, theme.panel)) {
    textX += 80;
  }
  tft.setTextFont(2);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(theme.text, theme.panel);
  tft.drawString(c.weatherText, textX, weatherY);
  tft.setTextDatum(TL_DATUM);
}

void screensaverDrift(uint32_t t, int& driftX, int& driftY) {
  driftX = 2 * (5 * (int)((t / 12000UL) % 5UL) - 10);
  driftY = 6 * (int)((t / 24000UL) % 5UL) - 12;
}

void drawScreensaver(bool forceClear) {
  if (nightActive) {
    if (forceClear) lastFrameKey = "";
    const uint32_t t = millis();
    const String key = nightFaceKey(t);
    if (key == lastFrameKey) return;
    lastFrameKey = key;
    drawNightFace(t);
    return;
  }
  if (cfg.wxscreensaverEnabled) {
    for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
      const WatchSourceRow& row = watchSourceRow((WatchSource)i);
      if (row.drawScreensaverPage == nullptr) continue;
      row.drawScreensaverPage();
      return;
    }
  }
  if (forceClear) lastFrameKey = "";
  const ScreensaverContent c = screensaverContent();
  const uint32_t t = millis();
  int driftX = 0, driftY = 0;
  screensaverDrift(t, driftX, driftY);
  const String key = c.clock + "|" + c.date + "|" + c.device + "|" + c.operatorLine + "|" + c.target + "|" +
                     c.weatherText + "|" + c.weatherIcon + "|" + String(driftX) + "|" + String(driftY);
  if (key == lastFrameKey && !forceClear) return;
  lastFrameKey = key;
  const int cx = 400 + driftX;
  tft.fillScreen(TFT_BLACK);
  tft.drawFastHLine(45, 20, 710, theme.panel2);
  tft.drawFastHLine(75, 22, 650, theme.border);
  tft.drawFastHLine(45, 460, 710, theme.panel2);
  tft.drawFastHLine(75, 458, 650, theme.border);
  drawScreensaverWeatherCard(c, cx, 80 + driftY);
  drawScreensaverText(c.clock, cx, 172 + driftY, 7, theme.accent);
  drawScreensaverText(c.date, cx, 244 + driftY, 2, theme.subtext);
  drawScreensaverText(c.device, cx, 300 + driftY, 4, theme.warn);
  tft.setTextDatum(TL_DATUM);
  drawScreensaverBadge(c, driftX, 356 + driftY);
}

// ---------------------------------------------------------------- boot splash

static const int BOOT_BAR_X = 90;
static const int BOOT_BAR_Y = 408;
static const int BOOT_BAR_W = 620;
static const int BOOT_BAR_H = 20;
static const int BOOT_RINGS[] = {36, 60, 84, 108};

void drawBootSplashFrame() {
  tft.fillScreen(theme.bg);
  tft.drawRect(30, 32, 740, 416, theme.border);
  tft.drawRect(40, 40, 720, 400, theme.panel2);
  tft.fillCircle(400, 144, 16, theme.accent);
  for (int r : BOOT_RINGS) tft.drawCircle(400, 144, r, theme.border);
  tft.setTextDatum(MC_DATUM);
  tft.setTextFont(4);
  tft.setTextColor(theme.text, theme.bg);
  tft.drawString("MMDVM", 400, 212);
  tft.setTextFont(2);
  tft.setTextColor(theme.subtext, theme.bg);
  tft.drawString("BOOT SEQUENCE", 400, 260);
  tft.setTextDatum(TL_DATUM);
  tft.drawRect(85, 404, 630, 28, theme.border);
  bootSplashReady = true;
  bootLastProgress = -1;
  bootLastScanX = -1;
  bootLastStatus = "";
}

static void drawBootProgressBar(int progress) {
  const int oldW = bootLastProgress < 0 ? 0 : (int)map(bootLastProgress, 0, 100, 0, BOOT_BAR_W);
  const int newW = (int)map(progress, 0, 100, 0, BOOT_BAR_W);
  if (newW > oldW) {
    tft.fillRoundRect(BOOT_BAR_X, BOOT_BAR_Y, newW, BOOT_BAR_H, 10, theme.accent);
  } else if (newW < oldW) {
    tft.fillRect(BOOT_BAR_X + newW, BOOT_BAR_Y, oldW - newW, BOOT_BAR_H, theme.bg);
  }
  tft.fillRect(645, 364, 70, 32, theme.bg);
  tft.setTextFont(2);
  tft.setTextDatum(TR_DATUM);
  tft.setTextColor(theme.text, theme.bg);
  tft.drawString(String(progress) + "%", 715, 364);
  tft.setTextDatum(TL_DATUM);
  bootLastProgress = progress;
}

static void drawBootScanLine(int progress, int frame) {
  const int fillW = (int)map(progress, 0, 100, 0, BOOT_BAR_W);
  if (bootLastScanX >= 0) {
    const bool inFill = bootLastScanX + 2 <= BOOT_BAR_X + fillW;
    tft.fillRect(bootLastScanX, BOOT_BAR_Y, 2, BOOT_BAR_H, inFill ? theme.accent : theme.bg);
    bootLastScanX = -1;
  }
  if (fillW <= 0) return;
  int range = fillW - 4;
  if (range < 1) range = 1;
  const int x = BOOT_BAR_X + (int)(((unsigned)frame * 7u) % (unsigned)range);
  tft.fillRect(x, BOOT_BAR_Y, 2, BOOT_BAR_H, theme.warn);
  bootLastScanX = x;
}

void drawBootSplash(const String& status, int progress, int frame) {
  progress = constrain(progress, 0, 100);
  if (!bootSplashReady) drawBootSplashFrame();
  const int lit = ((frame % 16) / 2) % 3;
  for (int r : BOOT_RINGS) {
    tft.drawCircle(400, 144, r, (r / 24) % 3 == lit ? theme.warn : theme.border);
  }
  if (status != bootLastStatus) {
    tft.fillRect(85, 364, 550, 32, theme.bg);
    tft.setTextFont(2);
    tft.setTextDatum(TL_DATUM);
    tft.setTextColor(theme.subtext, theme.bg);
    tft.drawString(status, 85, 364);
    bootLastStatus = status;
  }
  if (progress != bootLastProgress) drawBootProgressBar(progress);
  drawBootScanLine(progress, frame);
}

void animateBootProgress(const String& status, int fromProgress, int toProgress, int frameDelay) {
  (void)frameDelay;
  if (toProgress < fromProgress) toProgress = fromProgress;
  desktopTrace("[BOOT] %s -> %d%%\n", status.c_str(), toProgress);
  drawBootSplash(status, toProgress, 0);
  tft.flush();
}

// The on-air banner and the watch toast.
#include "ui/on_air_banner.h"

#include "core/theme.h"
#include "core/watch_source.h"
#include "host/display.h"
#include "hotspot/on_air.h"
#include "hotspot/target_display.h"
#include "hotspot/watch_list.h"
#include "ui/flags.h"

namespace {

const int BANNER_RADIUS = 10;
const int BADGE_W = 96;
const int BADGE_INSET = 8;
const int FLAG_GAP = 12;
const int TEXT_GAP = 14;
const int TOAST_RADIUS = 12;
const int TOAST_INSET_X = 20;

void appendPart(String& line, const String& part) {
  const String text = trimmedCopy(part);
  if (text.isEmpty()) return;
  if (!line.isEmpty()) line += "  ";
  line += text;
}

void drawBanner(WatchSource source, const HeardRecord& record) {
  const ScreenRect& r = ON_AIR_BANNER_RECT;
  fillSoftPanel(r.x, r.y, r.w, r.h, theme.panel, theme.rx, BANNER_RADIUS);
  const int badgeX = r.x + BADGE_INSET;
  const int badgeY = r.y + BADGE_INSET;
  const int badgeH = r.h - 2 * BADGE_INSET;
  fillSoftPanel(badgeX, badgeY, BADGE_W, badgeH, theme.rx, theme.rx, 6);
  drawCentredFittedText(source == WATCH_SVXLINK ? "SVX AIR" : "ON AIR", badgeX + BADGE_W / 2, badgeY + badgeH / 2,
                        2, BADGE_W - 8, theme.bg, theme.rx);
  const int flagX = badgeX + BADGE_W + FLAG_GAP;
  drawFlagForCallsign(flagX, r.y + (r.h - FLAG_SIZE_PX) / 2, FLAG_SIZE_PX, FLAG_SIZE_PX, record.callsign);
  const int callX = flagX + FLAG_SIZE_PX + TEXT_GAP;
  const int midY = r.y + r.h / 2;
  tft.setTextDatum(ML_DATUM);
  tft.setTextFont(4);
  tft.setTextColor(theme.text, theme.panel);
  tft.drawString(fitTextInCurrentFont(record.callsign, ON_AIR_BANNER_CALL_W), callX, midY);
  tft.setTextFont(2);
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString(onAirBannerDetailText(record), callX + ON_AIR_BANNER_CALL_W + TEXT_GAP, midY);
  tft.setTextDatum(TL_DATUM);
}

void drawToast() {
  const ScreenRect& r = WATCH_TOAST_RECT;
  fillSoftPanel(r.x, r.y, r.w, r.h, theme.panel2, theme.warn, TOAST_RADIUS);
  tft.setTextDatum(TL_DATUM);
  tft.setTextFont(2);
  tft.setTextColor(theme.warn, theme.panel2);
  tft.drawString(fitTextInCurrentFont(watchToast.title, r.w - 2 * TOAST_INSET_X), r.x + TOAST_INSET_X, r.y + 10);
  tft.setTextColor(theme.text, theme.panel2);
  tft.drawString(fitTextInCurrentFont(watchToast.detail, r.w - 2 * TOAST_INSET_X), r.x + TOAST_INSET_X,
                 r.y + 34);
}

}  // namespace

String onAirBannerDetailText(const HeardRecord& record) {
  String line;
  appendPart(line, record.name);
  String mode = record.mode;
  if (!trimmedCopy(mode).isEmpty()) appendPart(line, normalizeModeName(mode));
  if (!trimmedCopy(record.target).isEmpty()) appendPart(line, resolveTargetDisplay(record));
  if (line.isEmpty()) return line;
  tft.setTextFont(2);
  return fitTextInCurrentFont(line, ON_AIR_BANNER_DETAIL_W);
}

void drawCallWatchDecorations() {
  WatchSource source = WATCH_MMDVM;
  HeardRecord record;
  if (onAirBannerRecord(source, record)) drawBanner(source, record);
  if (watchToast.visible) drawToast();
}

bool tapCallWatchDecorations(int x, int y) {
  if (watchToast.visible && WATCH_TOAST_RECT.contains(x, y)) {
    closeWatchToast();
    return true;
  }
  WatchSource source = WATCH_MMDVM;
  HeardRecord record;
  if (!ON_AIR_BANNER_RECT.contains(x, y) || !onAirBannerRecord(source, record)) return false;
  setCurrentWatchSource((int)source);
  currentPage = PAGE_LIVE;
  const WatchSourceRow& row = watchSourceRow(source);
  if (row.selected) row.selected(PAGE_LIVE);
  requestRedraw();
  return true;
}

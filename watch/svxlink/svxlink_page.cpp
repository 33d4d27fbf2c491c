// SvxLink watch pages: the node status page (LIVE) and "SVXLINK HEARD".
#include "watch/svxlink/svxlink_page.h"

#include "actions/remote_actions.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/watch_source.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "hotspot/heard.h"
#include "hotspot/heard_browse.h"
#include "hotspot/target_display.h"
#include "ui/draw.h"
#include "ui/flags.h"
#include "ui/page_frame.h"
#include "ui/paged_list.h"
#include "ui/popups.h"
#include "watch/svxlink/svxlink.h"

// Controls of the node page: the APRS alert button (only while the talker
// is the APRS station) and the ACTIONS launcher.
static const ScreenRect SVXLINK_APRS_BUTTON = {430, 88, 120, 44};
static const ScreenRect SVXLINK_ACTIONS_BUTTON = {565, 88, 190, 44};
// Panels of the node page.
static const ScreenRect SVXLINK_HEADER_PANEL = {20, 76, 760, 68};
static const ScreenRect SVXLINK_RADIO_PANEL = {20, 156, 365, 68};
static const ScreenRect SVXLINK_REFLECTOR_PANEL = {415, 156, 365, 68};
static const ScreenRect SVXLINK_CARD = {20, 236, 760, 100};
static const ScreenRect SVXLINK_TG_PANEL = {20, 348, 760, 88};
// Talkgroup values: x, scrolling width; labels above them.
static const int SVXLINK_TG_LABEL_Y = 362;
static const int SVXLINK_TG_VALUE_Y = 398;
static const int SVXLINK_TG_VALUE_H = 34;
// The status box between the page buttons of the heard page.
static const ScreenRect SVXLINK_HEARD_STATUS_BOX = {110, 152, 425, 40};
// Row texts of the heard page.
static const int SVXLINK_ROW_CALL_X = 50;
static const int SVXLINK_ROW_TARGET_X = 245;
static const int SVXLINK_ROW_TARGET_W = 330;
static const int SVXLINK_ROW_TIME_X = 595;
static const int SVXLINK_ROW_TEXT_DY = 10;
static const int SVXLINK_ROW_TEXT_H = 28;

static const char* const WAITING_TEXT = "Waiting for SVXLink activity";

// ---------------------------------------------------------------- node page

// Colour of the radio state: TX, RX, else listening.
static uint16_t svxlinkRadioStateColour() {
  String status = svxlinkRadioStatus;
  status.toUpperCase();
  if (status.indexOf("TX") >= 0) return theme.tx;
  if (status.indexOf("RX") >= 0) return theme.rx;
  return theme.good;
}

// A reflector link that is down is shown as a fault, an unknown one as a
// warning, a working one as good.
static uint16_t svxlinkReflectorStateColour() {
  if (svxlinkReflectorStatus.equalsIgnoreCase("Connected")) return theme.good;
  if (svxlinkReflectorStatus.equalsIgnoreCase("Not connected")) return theme.bad;
  return theme.warn;
}

// The record the last-heard card shows: the live record, else the newest of
// the list; false when neither has a callsign.
static bool svxlinkCardRecord(HeardRecord& out) {
  const HeardList& node = svxlinkHeard();
  if (node.live.valid && !normalizeHamCallsign(node.live.callsign).isEmpty()) {
    out = node.live;
    return true;
  }
  if (node.count > 0 && node.records[0].valid && !normalizeHamCallsign(node.records[0].callsign).isEmpty()) {
    out = node.records[0];
    return true;
  }
  return false;
}

// Second line of the card: target and time of day.
static String svxlinkCardDetailLine(const HeardRecord* rec) {
  if (rec == nullptr) return String(WAITING_TEXT);
  return resolveTargetDisplay(*rec) + "  " + svxlinkHeardTimeText(rec->timeUtc);
}

static void drawSvxlinkCardDetailLine(int x, int y, int w, int h, const HeardRecord* rec) {
  const int width = w - 117 > 100 ? w - 117 : 100;
  redrawScrollingTextFieldPartial(svxlinkCardDetailLine(rec), x + 87, y + h - 28, width, 24,
                                  svxlinkSmallTextFont(), TL_DATUM, theme.subtext, theme.panel2);
}

void drawSvxlinkLastHeardCard(int x, int y, int w, int h) {
  fillSoftPanel(x, y, w, h, theme.panel2, theme.border, 10);
  HeardRecord rec;
  const bool haveRecord = svxlinkCardRecord(rec);
  const int flagX = x + 30;
  const int flagY = constrain(y + 19, y + 10, y + h - 42);
  drawFlagForCallsign(flagX, flagY, FLAG_SIZE_PX, FLAG_SIZE_PX,
                      haveRecord ? rec.callsign : getDeviceCallsign());

  const int textX = flagX + 57;
  const int textW = x + w - flagX - 87 > 100 ? x + w - flagX - 87 : 100;
  const String first = haveRecord ? formatCallsignName(rec.callsign, radioIdDisplayNameForRecord(rec), 0, 0)
                                  : String("No last heard yet");
  int font = 4;
  const String shown = fitLivePanelPrimaryText(first, textW, font);
  tft.setTextFont(font);
  tft.setTextDatum(ML_DATUM);
  tft.setTextColor(haveRecord ? theme.warn : theme.text, theme.panel2);
  tft.drawString(shown, textX, y + 36 + (font >= 4 ? 2 : 0));
  tft.setTextDatum(TL_DATUM);
  drawSvxlinkCardDetailLine(x, y, w, h, haveRecord ? &rec : nullptr);
}

static void drawSvxlinkHeaderPanel() {
  const ScreenRect& p = SVXLINK_HEADER_PANEL;
  fillSoftPanel(p.x, p.y, p.w, p.h, theme.panel, theme.border, 12);
  const bool aprs = svxlinkAprsAlertVisible();
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString(String("Host: ") + clipWithTilde(displayBackendHost(), aprs ? 14 : 20), 45, 98);
  if (aprs) {
    const ScreenRect& b = SVXLINK_APRS_BUTTON;
    fillSoftPanel(b.x, b.y, b.w, b.h, theme.panel2, theme.accent, 8);
    drawCentredFittedText("APRS", b.x + b.w / 2, b.y + b.h / 2, 2, b.w - 20, theme.accent, theme.panel2);
  }
  const bool ready = hasConfiguredQuickActions(true);
  const ScreenRect& a = SVXLINK_ACTIONS_BUTTON;
  fillSoftPanel(a.x, a.y, a.w, a.h, theme.panel2, ready ? theme.good : theme.border, 8);
  drawCentredFittedText("ACTIONS", a.x + a.w / 2, a.y + a.h / 2, 2, a.w - 30,
                        ready ? theme.good : theme.subtext, theme.panel2);
}

// One state panel: the value in font 2 and its caption below.
static void drawSvxlinkStatePanel(const ScreenRect& p, const String& value, uint16_t colour,
                                  const char* caption) {
  fillSoftPanel(p.x, p.y, p.w, p.h, theme.panel, theme.border, 10);
  const int cx = p.x + (p.w + 1) / 2;  // 203 and 598
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(colour, theme.panel);
  tft.drawString(value, cx, p.y + 24);
  tft.setTextFont(svxlinkSmallTextFont());
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString(caption, cx, p.y + 54);
  tft.setTextDatum(TL_DATUM);
}

static String valueOrDash(const String& value) {
  String t = trimSafe(value);
  return t.isEmpty() ? String("-") : t;
}

// The three talkgroup values as marquee fields (also the strip repaint).
static void drawSvxlinkTalkgroupValues() {
  const int y = SVXLINK_TG_VALUE_Y;
  redrawScrollingTextFieldPartial(valueOrDash(svxlinkDefaultTg), 45, y, 210, SVXLINK_TG_VALUE_H, 2, ML_DATUM,
                                  theme.text, theme.panel);
  redrawScrollingTextFieldPartial(valueOrDash(svxlinkMonitorTgs), 280, y, 270, SVXLINK_TG_VALUE_H, 2,
                                  ML_DATUM, theme.warn, theme.panel);
  redrawScrollingTextFieldPartial(valueOrDash(svxlinkActiveTg), 575, y, 180, SVXLINK_TG_VALUE_H, 2, ML_DATUM,
                                  theme.accent, theme.panel);
}

static void drawSvxlinkTalkgroupPanel() {
  const ScreenRect& p = SVXLINK_TG_PANEL;
  fillSoftPanel(p.x, p.y, p.w, p.h, theme.panel, theme.border, 10);
  tft.setTextFont(svxlinkSmallTextFont());
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString("TG default", 45, SVXLINK_TG_LABEL_Y);
  tft.drawString("TG monitor", 280, SVXLINK_TG_LABEL_Y);
  tft.drawString("TG active", 575, SVXLINK_TG_LABEL_Y);
  drawSvxlinkTalkgroupValues();
}

void drawSvxlinkLivePage() {
  drawTopTabs();
  drawSvxlinkHeaderPanel();
  const String radio = trimSafe(svxlinkRadioStatus);
  drawSvxlinkStatePanel(SVXLINK_RADIO_PANEL, clipWithTilde(radio.isEmpty() ? String("LISTEN") : radio, 12),
                        svxlinkRadioStateColour(), "Radio status");
  const String reflector = trimSafe(svxlinkReflectorStatus);
  drawSvxlinkStatePanel(SVXLINK_REFLECTOR_PANEL,
                        clipWithTilde(reflector.isEmpty() ? String("Unknown") : reflector, 14),
                        svxlinkReflectorStateColour(), "Reflector");
  drawSvxlinkLastHeardCard(SVXLINK_CARD.x, SVXLINK_CARD.y, SVXLINK_CARD.w, SVXLINK_CARD.h);
  drawSvxlinkTalkgroupPanel();
  drawFooter();
}

bool redrawSvxlinkLiveScrollingTextAreas() {
  if (currentPage != PAGE_LIVE || !isCurrentWatch(WATCH_SVXLINK) || anyOverlayOpen()) return false;
  HeardRecord rec;
  const bool haveRecord = svxlinkCardRecord(rec);
  drawSvxlinkCardDetailLine(SVXLINK_CARD.x, SVXLINK_CARD.y, SVXLINK_CARD.w, SVXLINK_CARD.h,
                            haveRecord ? &rec : nullptr);
  drawSvxlinkTalkgroupValues();
  return true;
}

// ---------------------------------------------------------------- heard page

// Time of a row: the time of day alone ("21:04:40" of "21:04:40 08 Dec").
static String svxlinkRowTimeText(const String& timeUtc) {
  String t = trimSafe(svxlinkHeardTimeText(timeUtc));
  const int space = t.indexOf(' ');
  return space > 0 ? t.substring(0, space) : t;
}

static void drawSvxlinkHeardRow(int item, const ScreenRect& row, uint16_t fill, const void* context) {
  (void)context;
  const HeardRecord& rec = svxlinkHeard().records[item];
  const int y = row.y + SVXLINK_ROW_TEXT_DY;
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.accent, fill);
  tft.drawString(clipWithTilde(normalizeHamCallsign(rec.callsign), 9), SVXLINK_ROW_CALL_X, y);
  redrawScrollingTextFieldPartial(resolveTargetDisplay(rec), SVXLINK_ROW_TARGET_X, y, SVXLINK_ROW_TARGET_W,
                                  SVXLINK_ROW_TEXT_H, 2, TL_DATUM, theme.warn, fill);
  tft.setTextFont(2);
  tft.setTextColor(theme.subtext, fill);
  tft.drawString(clipWithTilde(svxlinkRowTimeText(rec.timeUtc), 8), SVXLINK_ROW_TIME_X, y);
}

// Pages of four rows over the whole heard list (the SvxLink page has no filter).
static PagedList svxlinkHeardPagedList() {
  normalizeSvxlinkHeardBrowseState();
  const int count = svxlinkHeard().count < MAX_HEARD ? svxlinkHeard().count : MAX_HEARD;
  return PagedList{&HEARD_LIST_LAYOUT, count < 0 ? 0 : count, &lastHeardPageIndex, drawSvxlinkHeardRow,
                   nullptr};
}

void drawSvxlinkHeardPage() {
  drawTopTabs();
  const PagedList list = svxlinkHeardPagedList();
  fillSoftPanel(15, 72, 770, 368, theme.panel, theme.border, 12);
  drawPageTitle("SVXLINK HEARD", 40, 92, theme.panel);
  const String reflector = trimSafe(svxlinkReflectorStatus);
  tft.setTextFont(watchUiHintFont());
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString(fitTextInCurrentFont(
                     reflector.isEmpty() ? String("Tap rows for details") : "Reflector: " + reflector, 715),
                 40, 128);
  drawPagedListButton(SVXLINK_HEARD_STATUS_BOX,
                      clipWithTilde(reflector.isEmpty() ? String("SVXLINK") : reflector, 22), theme.warn);
  drawPagedList(list);
  if (list.itemCount == 0) {
    tft.setTextFont(2);
    tft.setTextDatum(TL_DATUM);
    tft.setTextColor(theme.subtext, theme.panel);
    tft.drawString("No SVXLink traffic yet", 45, 236);
  }
  drawFooter();
}

bool redrawSvxlinkHeardScrollingTextAreas() {
  if (currentPage != PAGE_LAST || !isCurrentWatch(WATCH_SVXLINK) || anyOverlayOpen()) return false;
  const PagedList list = svxlinkHeardPagedList();
  const int start = pagedListPageStart(list);
  const int rows = pagedListRowsOnPage(list);
  for (int r = 0; r < rows; ++r) {
    const ScreenRect row = pagedListRowRect(*list.layout, r);
    redrawScrollingTextFieldPartial(resolveTargetDisplay(svxlinkHeard().records[start + r]),
                                    SVXLINK_ROW_TARGET_X,
                                    row.y + SVXLINK_ROW_TEXT_DY, SVXLINK_ROW_TARGET_W, SVXLINK_ROW_TEXT_H, 2,
                                    TL_DATUM, theme.warn, list.layout->rowFill(r));
  }
  return true;
}

// ---------------------------------------------------------------- taps

static void tapSvxlinkLivePage(int x, int y) {
  if (svxlinkAprsAlertVisible() && SVXLINK_APRS_BUTTON.contains(x, y)) {
    openSvxlinkAprsCommentPopup();
    return;
  }
  if (!SVXLINK_ACTIONS_BUTTON.contains(x, y)) return;
  if (hasConfiguredQuickActions(true)) {
    openQuickActionPopup(true);
  } else {
    setFooterText("No SVXLink actions are configured yet.", true);
  }
}

// A row opens its detail popup.
static void tapSvxlinkHeardPage(int x, int y) {
  const PagedList list = svxlinkHeardPagedList();
  const int item = tapPagedList(list, x, y);
  if (item >= 0) openDetailPopup(item);
}

static WatchSourceRow svxlinkWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_SVXLINK;
  row.buttonLabel = "SVXLINK";
  row.footerName = "SVXLink";
  row.startLive = {"svxlink_live", "SVXLink LIVE", {"svx", "svx-live", "svxlink", "svxlink-live", "svxlink-watch", nullptr}};
  row.startHeard = {"svxlink_last", "SVXLink HEARD", {"svx-last", "svx-heard", "svxlink-last", "svxlink-heard", nullptr}};
  row.startReady = svxlinkFeatureEnabled;
  row.startSwitchedOn = [] { return cfg.svxlinkEnabled; };
  row.heardTabLabel = "HEARD";
  row.available = svxlinkFeatureEnabled;
  row.chooserOpensTargetPage = true;
  row.poll = pollSvxlinkWatch;
  row.screensaverPoll = fetchSvxlinkData;
  row.pollIntervalMs = svxlinkPollIntervalMs;
  row.screensaverPollIntervalMs = svxlinkScreensaverPollIntervalMs;
  row.heardList = svxlinkHeard;
  row.drawLive = drawSvxlinkLivePage;
  row.drawHeard = drawSvxlinkHeardPage;
  row.tapLive = tapSvxlinkLivePage;
  row.tapHeard = tapSvxlinkHeardPage;
  row.redrawLiveStrips = redrawSvxlinkLiveScrollingTextAreas;
  row.redrawHeardStrips = redrawSvxlinkHeardScrollingTextAreas;
  return row;
}

const WatchSourceRow SVXLINK_WATCH_ROW = svxlinkWatchRow();

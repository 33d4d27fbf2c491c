#include "ui/heard_page.h"

#include <ctype.h>

#include "core/backend.h"
#include "core/theme.h"
#include "enrichment/radioid.h"
#include "host/display.h"
#include "hotspot/target_display.h"
#include "ui/draw.h"
#include "ui/page_frame.h"

LastHeardFilter lastHeardFilter = LAST_HEARD_FILTER_ALL;
LastHeardSort lastHeardSort = LAST_HEARD_SORT_NEWEST;
int lastHeardPageIndex = 0;

static const char* const FILTER_LABELS[LAST_HEARD_FILTER_COUNT] = {"ALL", "DMR",  "DSTAR", "YSF",
                                                                   "P25", "NXDN", "POCSAG"};
static const char* const SORT_LABELS[LAST_HEARD_SORT_COUNT] = {"NEWEST", "CALL", "MODE"};
static const int ROW_Y0 = 208;
static const int ROW_PITCH = 56;

const char* getLastHeardFilterLabel() {
  const int f = (int)lastHeardFilter;
  return (f >= 0 && f < LAST_HEARD_FILTER_COUNT) ? FILTER_LABELS[f] : "ALL";
}

const char* getLastHeardSortLabel() {
  const int s = (int)lastHeardSort;
  return (s >= 0 && s < LAST_HEARD_SORT_COUNT) ? SORT_LABELS[s] : "NEWEST";
}

static String normalizedMode(const HeardRecord& rec) {
  String raw = rec.mode;
  return normalizeModeName(raw);
}

bool heardRecordMatchesLastHeardFilter(const HeardRecord& rec) {
  const int f = (int)lastHeardFilter;
  if (f <= LAST_HEARD_FILTER_ALL || f >= LAST_HEARD_FILTER_COUNT) return true;
  return normalizedMode(rec) == FILTER_LABELS[f];
}

int compareLastHeardField(const String& a, const String& b) {
  String ua = a, ub = b;
  ua.toUpperCase();
  ub.toUpperCase();
  const unsigned int n = ua.length() < ub.length() ? ua.length() : ub.length();
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned char ca = (unsigned char)ua.charAt(i);
    const unsigned char cb = (unsigned char)ub.charAt(i);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (ua.length() == ub.length()) return 0;
  return ua.length() < ub.length() ? -1 : 1;
}

// Positive when record a sorts after record b in the current sort order.
static int compareForSort(const HeardRecord& a, const HeardRecord& b) {
  int c = 0;
  if (lastHeardSort == LAST_HEARD_SORT_MODE) {
    c = compareLastHeardField(normalizedMode(a), normalizedMode(b));
    if (c != 0) return c;
  }
  c = compareLastHeardField(a.callsign, b.callsign);
  if (c != 0) return c;
  return compareLastHeardField(a.timeUtc, b.timeUtc);
}

int buildLastHeardVisibleIndices(int* outIndices, int maxCount) {
  if (outIndices == nullptr || maxCount < 1) return 0;
  int count = 0;
  const int total = heardCount < MAX_HEARD ? heardCount : MAX_HEARD;
  for (int i = 0; i < total && count < maxCount; ++i) {
    if (heardRecordMatchesLastHeardFilter(heardList[i])) outIndices[count++] = i;
  }
  const bool sorted = lastHeardSort == LAST_HEARD_SORT_CALLSIGN || lastHeardSort == LAST_HEARD_SORT_MODE;
  if (!sorted || count <= 1) return count;
  for (int i = 0; i < count - 1; ++i) {
    for (int j = i + 1; j < count; ++j) {
      if (compareForSort(heardList[outIndices[i]], heardList[outIndices[j]]) > 0) {
        const int t = outIndices[i];
        outIndices[i] = outIndices[j];
        outIndices[j] = t;
      }
    }
  }
  return count;
}

int lastHeardPageCount(int visible) {
  return visible <= 0 ? 0 : (visible + LAST_HEARD_ROWS_PER_PAGE - 1) / LAST_HEARD_ROWS_PER_PAGE;
}

static void clampPage(int rows) {
  int maxPage = rows > 0 ? (rows - 1) / LAST_HEARD_ROWS_PER_PAGE : 0;
  if (lastHeardPageIndex < 0) lastHeardPageIndex = 0;
  if (lastHeardPageIndex > maxPage) lastHeardPageIndex = maxPage;
}

void normalizeLastHeardBrowseState() {
  int indices[MAX_HEARD];
  clampPage(buildLastHeardVisibleIndices(indices, MAX_HEARD));
}

void normalizeSvxlinkHeardBrowseState() { clampPage(heardCount); }

// ---------------------------------------------------------------- drawing

static void drawNavButton(int x, int w, const String& label, int cx, uint16_t colour) {
  fillSoftPanel(x, 152, w, 40, theme.panel2, theme.border, 6);
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(colour, theme.panel2);
  tft.drawString(label, cx, 172);
  tft.setTextDatum(TL_DATUM);
}

String lastHeardTimeText(const String& timeUtc) {
  String t = timeUtc.length() >= 12 ? timeUtc.substring(11) : timeUtc;
  return clipWithTilde(t, 6);
}

static void drawHeardRow(int r, const HeardRecord& rec) {
  const int y = ROW_Y0 + ROW_PITCH * r;
  const uint16_t fill = (r % 2 == 0) ? theme.panel2 : mix565(theme.panel2, theme.bg, 0.18f);
  fillSoftPanel(35, y, 730, 48, fill, theme.border, 6);
  tft.setTextFont(2);
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(theme.accent, fill);
  tft.drawString(clipWithTilde(normalizeHamCallsign(rec.callsign), 9), 50, y + 10);
  tft.setTextColor(theme.warn, fill);
  tft.drawString(clipWithTilde(normalizedMode(rec), 6), 230, y + 10);
  tft.setTextColor(theme.text, fill);
  tft.drawString(clipWithTilde(resolveTargetDisplay(rec), 13), 340, y + 10);
  tft.setTextColor(theme.subtext, fill);
  tft.drawString(lastHeardTimeText(rec.timeUtc), 625, y + 10);
}

static void drawMmdvmLastPage() {
  drawTopTabs();
  normalizeLastHeardBrowseState();
  fillSoftPanel(15, 72, 770, 368, theme.panel, theme.border, 12);
  drawPageTitle("LAST HEARD", 40, 92, theme.panel);
  tft.setTextFont(watchUiHintFont());
  tft.setTextColor(theme.subtext, theme.panel);
  tft.drawString("Tap rows / Filter, sort and browse pages", 40, 128);

  int indices[MAX_HEARD];
  const int visible = buildLastHeardVisibleIndices(indices, MAX_HEARD);
  const int pageCount = lastHeardPageCount(visible);
  const int pageStart = lastHeardPageIndex * LAST_HEARD_ROWS_PER_PAGE;
  int rows = visible - pageStart;
  if (rows > LAST_HEARD_ROWS_PER_PAGE) rows = LAST_HEARD_ROWS_PER_PAGE;
  if (rows < 0) rows = 0;

  drawNavButton(35, 60, "<", 65, lastHeardPageIndex == 0 ? theme.subtext : theme.text);
  drawNavButton(110, 170, getLastHeardFilterLabel(), 195, theme.warn);
  drawNavButton(295, 240, getLastHeardSortLabel(), 415, theme.text);
  String pageText("--");
  if (visible > 0) {
    pageText = String(lastHeardPageIndex + 1) + "/" + String(pageCount > 1 ? pageCount : 1);
  }
  drawNavButton(550, 140, pageText, 620, theme.subtext);
  const bool hasNext = lastHeardPageIndex + 1 < pageCount;
  drawNavButton(705, 60, ">", 735, hasNext ? theme.text : theme.subtext);

  for (int r = 0; r < rows; ++r) drawHeardRow(r, heardList[indices[pageStart + r]]);
  if (visible == 0) {
    tft.setTextFont(2);
    tft.setTextDatum(TL_DATUM);
    tft.setTextColor(theme.subtext, theme.panel);
    tft.drawString(heardCount > 0 ? "No rows match this filter" : "No traffic received yet", 45, 236);
  }
  drawFooter();
}

void drawLastPage() {
  if (isWeatherBackend()) return drawWatchSourcePendingPage("FORECAST", "WEATHER");
  if (isHamqslBackend()) return drawWatchSourcePendingPage("LIVE", "HAMQSL");
  if (isSvxlinkBackend()) return drawWatchSourcePendingPage("HEARD", "SVXLINK");
  if (isAprsBackend()) return drawWatchSourcePendingPage("RADAR", "APRS");
  if (isAdsbBackend()) return drawWatchSourcePendingPage("RADAR", "ADSB");
  drawMmdvmLastPage();
}

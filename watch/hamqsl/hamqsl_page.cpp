// HamQSL watch page: solar indices, HF band conditions by day and night and
// the first VHF phenomenon.
#include "watch/hamqsl/hamqsl_page.h"

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "ui/draw.h"
#include "ui/page_frame.h"
#include "ui/watch_page.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/weather/weather_page.h"

namespace {

const int BAND_COLUMN_W = 145;

bool containsAny(const String& lower, const char* const* words, int count) {
  for (int i = 0; i < count; ++i) {
    if (lower.indexOf(words[i]) >= 0) return true;
  }
  return false;
}

String dashIfEmpty(const String& s) { return s.isEmpty() ? String("-") : s; }

String statusLine() {
  if (!hamqslConfigured()) return String("Configure HAMQSL in Web UI");
  return String("HamQSL.com N0NBH - ") + hamqslLastUpdatedText();
}

void drawDisabledPanel() {
  fillSoftPanel(40, 172, 720, 200, theme.panel2, mix565(theme.warn, theme.border, 0.5f), 12);
  drawWeatherText("SOL", 400, 224, 4, MC_DATUM, theme.warn, theme.panel2);
  drawWeatherText("HAMQSL is disabled", 400, 290, 2, MC_DATUM, theme.text, theme.panel2);
  drawWeatherText("Enable it in Web UI > HAMQSL", 400, 332, hamqslSmallTextFont(), MC_DATUM, theme.subtext,
                  theme.panel2, 680);
}

void drawSetupPanel() {
  fillSoftPanel(40, 164, 720, 144, theme.panel2, mix565(theme.warn, theme.border, 0.45f), 12);
  drawWeatherText("HAMQSL setup incomplete", 70, 192, 2, TL_DATUM, theme.warn, theme.panel2);
  drawWeatherText("Add the solar XML URL in Web UI.", 70, 240, hamqslSmallTextFont(), TL_DATUM, theme.subtext,
                  theme.panel2, 660);
  String url = cfg.hamqslUrl;
  url.trim();
  drawInfoRowSized(40, 340, 720, 165, "SOURCE", url.isEmpty() ? "Missing" : "Ready", theme.panel2,
                   theme.panel2, theme.warn, url.isEmpty() ? theme.bad : theme.good);
}

void drawMetricCards() {
  const HamqslState& s = hamqslState;
  const int font = hamqslSmallTextFont();
  const String ak = String("A") + dashIfEmpty(s.aIndex) + " K" + dashIfEmpty(s.kIndex);
  const String noise = s.signalNoise.isEmpty() ? s.geomagField : s.signalNoise;
  drawWeatherMetricCardSized(40, 152, 170, 92, "SFI", s.solarFlux, theme.text, font);
  drawWeatherMetricCardSized(225, 152, 170, 92, "SUN", s.sunspots, theme.text, font);
  drawWeatherMetricCardSized(410, 152, 170, 92, "A/K", ak, theme.text, font);
  drawWeatherMetricCardSized(595, 152, 165, 92, "NOISE", noise, hamqslConditionColor(noise), font);
}

void drawBandBox() {
  const uint16_t fill = mix565(theme.panel2, theme.accent, 0.06f);
  fillSoftPanel(40, 256, 720, 140, fill, mix565(theme.border, theme.accent, 0.3f), 10);
  const int small = hamqslSmallTextFont();
  drawWeatherText("HF BAND CONDITIONS", 60, 270, small, TL_DATUM, theme.accent, fill, 320);
  drawWeatherText("DAY", 395, 270, small, TL_DATUM, theme.subtext, fill);
  drawWeatherText("NIGHT", 555, 270, small, TL_DATUM, theme.subtext, fill);
  for (int i = 0; i < hamqslState.hfBandCount; ++i) {
    const HamqslBandCondition& band = hamqslState.hfBands[i];
    const int y = 300 + 22 * i;
    drawWeatherText(band.name, 60, y, small, TL_DATUM, theme.text, fill, 320);
    drawWeatherText(dashIfEmpty(band.day), 395, y, small, TL_DATUM, hamqslConditionColor(band.day), fill,
                    BAND_COLUMN_W);
    drawWeatherText(dashIfEmpty(band.night), 555, y, small, TL_DATUM, hamqslConditionColor(band.night), fill,
                    BAND_COLUMN_W);
  }
}

// "X A1.0  foF2 4.8  VHF Aurora: Band Closed"
String bottomLine() {
  const HamqslState& s = hamqslState;
  String line = String("X ") + dashIfEmpty(s.xray);
  if (hamqslValueKnown(s.muf)) {
    line += String("  MUF ") + s.muf;
  } else if (hamqslValueKnown(s.fof2)) {
    line += String("  foF2 ") + s.fof2;
  }
  if (s.vhfConditionCount > 0) {
    line += String("  ") + s.vhfConditions[0].name + ": " + s.vhfConditions[0].condition;
  }
  return line;
}

void drawNoData() {
  const HamqslState& s = hamqslState;
  const uint16_t border = s.fetchInProgress ? theme.good : mix565(theme.warn, theme.border, 0.35f);
  fillSoftPanel(40, 164, 720, 172, theme.panel2, border, 12);
  drawWeatherText(s.fetchInProgress ? "Fetching HAMQSL..." : "No HAMQSL data yet", 400, 216, 2, MC_DATUM,
                  s.fetchInProgress ? theme.good : theme.warn, theme.panel2);
  String detail = s.error;
  if (detail.isEmpty()) {
    detail = s.lastHttpCode != 0 ? String("Last HTTP: ") + String(s.lastHttpCode)
                                 : String("Tap REFRESH or wait for auto update");
  }
  drawWeatherText(detail, 400, 264, hamqslSmallTextFont(), MC_DATUM, theme.subtext, theme.panel2, 625);
  drawInfoRowSized(40, 352, 720, 170, "SOURCE", "HAMQSL XML", theme.panel2, theme.panel2, theme.warn,
                   theme.text);
}

}  // namespace

uint16_t hamqslConditionColor(const String& value) {
  static const char* const GOOD[] = {"good", "open", "strong", "high"};
  static const char* const WARN[] = {"fair", "moderate", "active", "possible"};
  static const char* const BAD[] = {"poor", "closed", "low", "none", "quiet"};
  String lower = value;
  lower.toLowerCase();
  if (containsAny(lower, GOOD, 4)) return theme.good;
  if (containsAny(lower, WARN, 4)) return theme.warn;
  if (containsAny(lower, BAD, 5)) return theme.bad;
  return theme.text;
}

void drawHamqslLivePage() {
  drawWeatherPageFrame("HAMQSL WATCH", statusLine());
  if (!hamqslFeatureEnabled()) {
    drawDisabledPanel();
  } else if (!hamqslConfigured()) {
    drawSetupPanel();
  } else if (hamqslState.valid) {
    drawMetricCards();
    drawBandBox();
    drawWeatherText(bottomLine(), 45, 408, hamqslSmallTextFont(), TL_DATUM, theme.subtext, weatherPageFill(),
                    715);
  } else {
    drawNoData();
  }
  drawFooter();
}

static void tapHamqslPage(int x, int y) {
  if (!WATCH_REFRESH_BUTTON.contains(x, y)) return;
  hamqslState.lastAttemptMillis = 0;
  if (fetchHamqslData()) {
    setFooterText("HAMQSL refresh requested", true);
  } else if (!hamqslState.error.isEmpty()) {
    setFooterText(hamqslState.error, true);
  } else if (hamqslState.lastHttpCode != 0) {
    setFooterText(String("HAMQSL HTTP: ") + String(hamqslState.lastHttpCode), true);
  }
  requestRedraw();
}

static WatchSourceRow hamqslWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_HAMQSL;
  row.buttonLabel = "HAMQSL";
  row.footerName = "HAMQSL";
  row.startLive = {"hamqsl_live",
                   "HAMQSL WATCH",
                   {"hamqsl", "ham-qsl", "hamqsl-live", "hamqsl-watch", "solar", "propagation", nullptr}};
  row.startReady = hamqslConfigured;
  row.startSwitchedOn = [] { return cfg.hamqslEnabled; };
  row.heardTabLabel = nullptr;  // one page: the tab row shows WATCH, STATUS, INFO
  row.available = hamqslFeatureEnabled;
  row.switchShowsLivePage = true;
  row.poll = pollHamqslWatch;
  row.screensaverPoll = pollHamqslWatch;  // only when its own refresh is due
  row.backgroundRefreshDue = hamqslBackgroundRefreshDue;
  row.backgroundRefresh = fetchHamqslData;
  row.backgroundCheckMillis = &lastHamqslPollCheck;
  row.selected = hamqslSourceSelected;
  row.configFinalized = hamqslConfigFinalized;
  row.configApplied = hamqslConfigApplied;
  row.drawLive = drawHamqslLivePage;
  row.drawHeard = drawHamqslLivePage;
  row.tapLive = tapHamqslPage;
  row.tapHeard = tapHamqslPage;
  return row;
}

const WatchSourceRow HAMQSL_WATCH_ROW = hamqslWatchRow();

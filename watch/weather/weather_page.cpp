// Weather watch pages: current conditions with icon, temperature, wind and
// metric cards (or the outlook cards), and the three-day outlook list.
#include "watch/weather/weather_page.h"

#include <math.h>

#include "core/app.h"
#include "core/config.h"
#include "core/theme.h"
#include "host/display.h"
#include "ui/draw.h"
#include "ui/images.h"
#include "ui/page_frame.h"
#include "ui/watch_page.h"

namespace {

const int PAGE_X = 20, PAGE_Y = 72, PAGE_W = 760, PAGE_H = 368;
const int STATUS_LINE_W = 490;
const int FORECAST_ROW_Y = 156, FORECAST_ROW_STEP = 86, FORECAST_ROW_H = 76;
const int CARD_ROW_Y = 336, CARD_ROW_H = 96;

String roundedC(float c) { return String(lroundf(c)); }

String rangeText(const WeatherForecastDay& day) {
  return roundedC(day.tempMinC) + "/" + roundedC(day.tempMaxC) + " C";
}

String daySummaryText(const WeatherForecastDay& day) {
  String text = weatherForecastSummaryShort(day.summary);
  if (day.popPercent > 0) text += String(" ") + String(day.popPercent) + "%";
  return text;
}

String statusLine(const char* prefix) {
  if (!weatherConfigured()) return String("Configure OpenWeather in Web UI");
  return String(prefix) + weatherLastUpdatedText();
}

void drawAccentBar(int x, int y, int w) {
  tft.fillRoundRect(x + 13, y + 10, max(2, w - 25), 6, 4, mix565(theme.accent, 0xFFFF, 0.1f));
}

void drawDisabledPanel() {
  fillSoftPanel(40, 172, 720, 200, theme.panel2, mix565(theme.warn, theme.border, 0.5f), 12);
  drawWeatherText("WX", 400, 224, 4, MC_DATUM, theme.warn, theme.panel2);
  drawWeatherText("Weather is disabled", 400, 290, 2, MC_DATUM, theme.text, theme.panel2);
  drawWeatherText("Enable it in Web UI > Settings > Weather", 400, 332, weatherSmallTextFont(), MC_DATUM,
                  theme.subtext, theme.panel2, 680);
}

void drawReadyRow(int y, const char* label, bool ready) {
  drawInfoRowSized(40, y, 720, 165, label, ready ? "Ready" : "Missing", theme.panel2, theme.panel2,
                   theme.warn, ready ? theme.good : theme.bad);
}

bool trimmedSet(const String& s) {
  String t = s;
  t.trim();
  return !t.isEmpty();
}

void drawLiveSetupPanel() {
  fillSoftPanel(40, 164, 720, 116, theme.panel2, mix565(theme.warn, theme.border, 0.45f), 12);
  drawWeatherText("Weather setup incomplete", 70, 188, 2, TL_DATUM, theme.warn, theme.panel2);
  drawWeatherText("Add latitude, longitude and API key.", 70, 232, weatherSmallTextFont(), TL_DATUM,
                  theme.subtext, theme.panel2, 660);
  drawReadyRow(300, "LAT/LON", trimmedSet(cfg.weatherLat) && trimmedSet(cfg.weatherLon));
  drawReadyRow(352, "API KEY", trimmedSet(cfg.weatherApiKey));
}

void drawIconTile() {
  const uint16_t fill = mix565(theme.panel, theme.accent, 0.1f);
  fillSoftPanel(60, 176, 165, 124, fill, mix565(theme.border, theme.accent, 0.3f), 12);
  const String icon = weatherIconPath32();
  if (icon.isEmpty() || !drawPngFromSD(icon, 126, 222, 32, 32, fill)) {
    drawWeatherText("WX", 142, 238, 4, MC_DATUM, theme.accent, fill);
  }
}

void drawHeroPanel() {
  const uint16_t fill = mix565(theme.panel2, theme.accent, 0.08f);
  fillSoftPanel(40, 156, 720, 168, fill, mix565(theme.border, theme.accent, 0.38f), 13);
  drawIconTile();
  const WeatherState& w = weatherState;
  const int small = weatherSmallTextFont();
  drawWeatherText(w.location.isEmpty() ? String("Weather") : w.location, 255, 172, small, TL_DATUM,
                  theme.subtext, fill, 475);
  drawWeatherText(weatherDisplayText(), 255, 202, 4, TL_DATUM, theme.good, fill, 475);
  drawWeatherText(weatherDetailSummary(), 255, 256, 2, TL_DATUM, theme.text, fill, 475);
  const String wind = String("Wind ") + weatherWindText() + "  L/H " + roundedC(w.tempMinC) + "/" +
                      roundedC(w.tempMaxC) + " C";
  drawWeatherText(wind, 255, 296, small, TL_DATUM, theme.subtext, fill, 475);
}

void drawMetricCards() {
  const WeatherState& w = weatherState;
  drawWeatherMetricCard(40, CARD_ROW_Y, 170, CARD_ROW_H, "FEELS", roundedC(w.feelsLikeC) + " C", theme.text);
  drawWeatherMetricCard(225, CARD_ROW_Y, 170, CARD_ROW_H, "HUMID", String(w.humidity) + "%", theme.text);
  drawWeatherMetricCard(410, CARD_ROW_Y, 170, CARD_ROW_H, "HPA",
                        w.pressureHpa < 1 ? String("-") : String(w.pressureHpa), theme.text);
  drawWeatherMetricCard(595, CARD_ROW_Y, 165, CARD_ROW_H, "VIS", weatherVisibilityText(), theme.text);
}

void drawNoDataPanel(int h, bool fetching, const char* fetchingText, const char* idleText, int textY,
                     const String& detail, int detailY) {
  const uint16_t border = fetching ? theme.good : mix565(theme.warn, theme.border, 0.35f);
  fillSoftPanel(40, 164, 720, h, theme.panel2, border, 12);
  drawWeatherText(fetching ? fetchingText : idleText, 400, textY, 2, MC_DATUM,
                  fetching ? theme.good : theme.warn, theme.panel2);
  drawWeatherText(detail, 400, detailY, weatherSmallTextFont(), MC_DATUM, theme.subtext, theme.panel2, 625);
}

void drawLiveNoData() {
  const WeatherState& w = weatherState;
  const String detail = w.lastHttpCode != 0 ? String("Last HTTP: ") + String(w.lastHttpCode)
                                            : String("Tap REFRESH or wait for auto update");
  drawNoDataPanel(160, w.fetchInProgress, "Fetching weather...", "No weather data yet", 216, detail, 264);
  drawInfoRowSized(40, 352, 720, 170, "LOCATION", cfg.weatherLat + ", " + cfg.weatherLon, theme.panel2,
                   theme.panel2, theme.warn, theme.text);
}

}  // namespace

// ---------------------------------------------------------------- shared pieces

uint16_t weatherPageFill() { return mix565(theme.panel, theme.accent, 0.04f); }

void drawWeatherText(const String& text, int x, int y, int font, uint8_t datum, uint16_t fg, uint16_t bg,
                     int maxWidth) {
  tft.setTextFont(font);
  tft.setTextDatum(datum);
  tft.setTextColor(fg, bg);
  tft.drawString(maxWidth > 0 ? fitTextInCurrentFont(text, maxWidth) : text, x, y);
  tft.setTextDatum(TL_DATUM);
}

void drawWeatherPageFrame(const char* title, const String& status) {
  drawTopTabs();
  const uint16_t fill = weatherPageFill();
  fillSoftPanel(PAGE_X, PAGE_Y, PAGE_W, PAGE_H, fill, theme.border, 13);
  drawWeatherText(title, 45, 90, 2, TL_DATUM, theme.accent, fill);
  const ScreenRect& r = WATCH_REFRESH_BUTTON;
  const uint16_t boxFill = mix565(theme.panel2, theme.accent, 0.1f);
  fillSoftPanel(r.x, r.y, r.w, r.h, boxFill, mix565(theme.border, theme.accent, 0.35f), 7);
  drawWeatherText("REFRESH", 652, 110, weatherSmallTextFont(), MC_DATUM, theme.text, boxFill);
  drawWeatherText(status, 45, 128, weatherSmallTextFont(), TL_DATUM, theme.subtext, fill, STATUS_LINE_W);
}

void drawWeatherMetricCardSized(int x, int y, int w, int h, const String& label, const String& value,
                                uint16_t valueColor, int labelFont) {
  const uint16_t fill = mix565(theme.panel2, theme.accent, 0.05f);
  fillSoftPanel(x, y, w, h, fill, mix565(theme.border, theme.accent, 0.22f), 9);
  drawAccentBar(x, y, w);
  drawWeatherText(label, x + 20, y + 22, labelFont, TL_DATUM, theme.subtext, fill, w - 35);
  drawWeatherText(value.isEmpty() ? String("-") : value, x + 20, y + 52, 2, TL_DATUM, valueColor, fill,
                  w - 35);
}

void drawWeatherMetricCard(int x, int y, int w, int h, const String& label, const String& value,
                           uint16_t valueColor) {
  drawWeatherMetricCardSized(x, y, w, h, label, value, valueColor, weatherSmallTextFont());
}

// ---------------------------------------------------------------- outlook days

static const WeatherForecastDay* forecastDay(int index) {
  if (index < 0 || index >= weatherState.forecastCount || index >= WEATHER_FORECAST_DAY_COUNT) return nullptr;
  const WeatherForecastDay& day = weatherState.forecast[index];
  return day.valid ? &day : nullptr;
}

static String dayLabelText(const WeatherForecastDay& day) {
  return day.dayLabel.isEmpty() ? String("DAY") : day.dayLabel;
}

// The day's 32 px icon at (x, y), or "WX" centred on (wxX, wxY).
static void drawForecastIcon(int index, int x, int y, int wxX, int wxY, uint16_t fill) {
  const String icon = weatherForecastIconPath(index);
  if (icon.isEmpty() || !drawPngFromSD(icon, x, y, 32, 32, fill)) {
    drawWeatherText("WX", wxX, wxY, 2, MC_DATUM, theme.accent, fill);
  }
}

void drawWeatherForecastListRow(int x, int y, int w, int h, int index) {
  const WeatherForecastDay* day = forecastDay(index);
  if (day == nullptr) return;
  const uint16_t fill = mix565(theme.panel2, theme.accent, 0.06f);
  fillSoftPanel(x, y, w, h, fill, mix565(theme.border, theme.accent, 0.25f), 9);
  drawAccentBar(x, y, w);
  drawWeatherText(dayLabelText(*day), x + 20, y + 24, 2, TL_DATUM, theme.accent, fill, 115);
  drawForecastIcon(index, x + 145, y + max(0, (h - 64) / 2), x + 185, y + h / 2, fill);
  const int textW = max(100, w - 275);
  drawWeatherText(rangeText(*day), x + 250, y + 20, 2, TL_DATUM, theme.text, fill, textW);
  drawWeatherText(daySummaryText(*day), x + 250, y + 54, weatherSmallTextFont(), TL_DATUM, theme.subtext,
                  fill, textW);
}

void drawWeatherForecastCard(int x, int y, int w, int h, int index) {
  const WeatherForecastDay* day = forecastDay(index);
  if (day == nullptr) return;
  const uint16_t fill = mix565(theme.panel2, theme.accent, 0.06f);
  fillSoftPanel(x, y, w, h, fill, mix565(theme.border, theme.accent, 0.25f), 9);
  drawAccentBar(x, y, w);
  drawWeatherText(dayLabelText(*day), x + 20, y + 16, 2, TL_DATUM, theme.accent, fill, 80);
  drawForecastIcon(index, x + 20, y + 44, x + 60, y + h / 2, fill);
  const int textW = max(60, w - 135);
  drawWeatherText(rangeText(*day), x + 115, y + 36, 2, TL_DATUM, theme.text, fill, textW);
  drawWeatherText(daySummaryText(*day), x + 115, y + 68, weatherSmallTextFont(), TL_DATUM, theme.subtext,
                  fill, textW);
}

void drawWeatherForecastRow(int index) {
  drawWeatherForecastListRow(40, FORECAST_ROW_Y + FORECAST_ROW_STEP * index, 720, FORECAST_ROW_H, index);
}

// ---------------------------------------------------------------- pages

void drawWeatherLivePage() {
  drawWeatherPageFrame("WEATHER WATCH", statusLine("Updated "));
  if (!weatherFeatureEnabled()) {
    drawDisabledPanel();
  } else if (!weatherConfigured()) {
    drawLiveSetupPanel();
  } else if (weatherState.valid) {
    drawHeroPanel();
    if (displayUsesLargeWatchUiFonts() && weatherState.forecastCount > 0) {
      for (int i = 0; i < WEATHER_FORECAST_DAY_COUNT; ++i)
        drawWeatherForecastCard(40 + 245 * i, CARD_ROW_Y, 230, CARD_ROW_H, i);
    } else {
      drawMetricCards();
    }
  } else {
    drawLiveNoData();
  }
  drawFooter();
}

static void drawForecastSetupPanel() {
  fillSoftPanel(40, 164, 720, 180, theme.panel2, mix565(theme.warn, theme.border, 0.45f), 12);
  drawWeatherText("Weather setup incomplete", 70, 192, 2, TL_DATUM, theme.warn, theme.panel2);
  const int small = weatherSmallTextFont();
  drawWeatherText("Add latitude, longitude and API key.", 70, 244, small, TL_DATUM, theme.subtext,
                  theme.panel2, 660);
  drawWeatherText("Forecast uses OpenWeather 5-day data.", 70, 284, small, TL_DATUM, theme.subtext,
                  theme.panel2, 660);
}

static void drawForecastDays() {
  for (int i = 0; i < weatherState.forecastCount && i < WEATHER_FORECAST_DAY_COUNT; ++i)
    drawWeatherForecastRow(i);
  const String line =
      weatherState.valid ? String("Current ") + roundedC(weatherState.tempC) + " C  " + weatherDetailSummary()
                         : String("Forecast from OpenWeather 5-day / 3-hour data");
  drawWeatherText(line, 45, 408, weatherSmallTextFont(), TL_DATUM, theme.subtext, weatherPageFill(), 715);
}

static void drawForecastNoData() {
  const WeatherState& w = weatherState;
  String detail = w.forecastError;
  if (detail.isEmpty()) {
    detail = w.forecastLastHttpCode != 0 ? String("Forecast HTTP: ") + String(w.forecastLastHttpCode)
                                         : String("Tap REFRESH or wait for auto update");
  }
  // The forecast request runs on its own: its page shows it as fetching too.
  const bool fetching = w.fetchInProgress || w.forecastFetchInProgress;
  drawNoDataPanel(200, fetching, "Fetching forecast...", "No forecast data yet", 220, detail, 272);
}

void drawWeatherForecastPage() {
  drawWeatherPageFrame("WEATHER FORECAST", statusLine("Next days - "));
  if (!weatherFeatureEnabled()) {
    drawDisabledPanel();
  } else if (!weatherConfigured()) {
    drawForecastSetupPanel();
  } else if (weatherState.forecastCount > 0) {
    drawForecastDays();
  } else {
    drawForecastNoData();
  }
  drawFooter();
}

// ---------------------------------------------------------------- taps

static void tapWeatherLivePage(int x, int y) {
  if (!WATCH_REFRESH_BUTTON.contains(x, y)) return;
  weatherState.lastAttemptMillis = 0;
  if (fetchWeatherData()) {
    setFooterText("Weather refresh requested", true);
  } else if (weatherState.lastHttpCode != 0) {
    setFooterText(String("Weather HTTP: ") + String(weatherState.lastHttpCode), true);
  }
  requestRedraw();
}

static void tapWeatherForecastPage(int x, int y) {
  if (!WATCH_REFRESH_BUTTON.contains(x, y)) return;
  WeatherState& w = weatherState;
  w.lastAttemptMillis = 0;
  if (fetchWeatherForecastData()) {
    setFooterText("Weather forecast refresh requested", true);
  } else if (!w.forecastError.isEmpty()) {
    setFooterText(w.forecastError, true);
  } else if (w.forecastLastHttpCode != 0) {
    setFooterText(String("Forecast HTTP: ") + String(w.forecastLastHttpCode), true);
  } else {
    setFooterText("Weather forecast refresh failed", true);
  }
  requestRedraw();
}

// The screensaver's weather card: shown while weather is configured and
// has data.
static void weatherScreensaverCard(String& text, String& icon) {
  if (!weatherConfigured()) return;
  text = weatherDisplayText();
  icon = weatherIconPath();
}

static WatchSourceRow weatherWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_WEATHER;
  row.buttonLabel = "WEATHER";
  row.footerName = "Weather";
  row.startLive = {"weather_live", "Weather WATCH", {"wx", "weather", "weather-live", "weather-watch", nullptr}};
  row.startReady = weatherConfigured;
  row.startSwitchedOn = [] { return cfg.weatherEnabled; };
  row.heardTabLabel = "Cast";
  row.available = weatherFeatureEnabled;
  row.switchShowsLivePage = true;
  row.chooserOpensTargetPage = true;
  row.poll = pollWeatherWatch;
  row.screensaverPoll = pollWeatherWatch;  // only when its own refresh is due
  row.backgroundRefreshDue = weatherBackgroundRefreshDue;
  row.backgroundRefresh = fetchWeatherData;
  row.backgroundCheckMillis = &lastWeatherPollCheck;
  row.selected = weatherSourceSelected;
  row.heardTabTapped = weatherHeardTabTapped;
  row.configFinalized = weatherConfigFinalized;
  row.configApplied = weatherConfigApplied;
  row.drawLive = drawWeatherLivePage;
  row.drawHeard = drawWeatherForecastPage;
  row.tapLive = tapWeatherLivePage;
  row.tapHeard = tapWeatherForecastPage;
  row.screensaverCard = weatherScreensaverCard;
  row.drawScreensaverPage = drawWeatherLivePage;
  return row;
}

const WatchSourceRow WEATHER_WATCH_ROW = weatherWatchRow();

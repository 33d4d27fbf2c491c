// Weather watch pages.
#include "watch/weather/weather_page.h"

#include "core/app.h"
#include "ui/page_frame.h"
#include "ui/watch_page.h"
#include "watch/weather/weather.h"

// PENDING: the current-weather page (icon, temperature, wind, REFRESH).
void drawWeatherLivePage() { drawWatchSourcePendingPage("LIVE", "WEATHER"); }

// PENDING: the three-day forecast cards.
void drawWeatherForecastPage() { drawWatchSourcePendingPage("FORECAST", "WEATHER"); }

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

// PENDING: REFRESH fetches the forecast once the forecast fetcher exists.
static void tapWeatherForecastPage(int x, int y) {
  (void)x;
  (void)y;
}

static WatchSourceRow weatherWatchRow() {
  WatchSourceRow row = {};
  row.source = WATCH_WEATHER;
  row.buttonLabel = "WEATHER";
  row.footerName = "Weather";
  row.heardTabLabel = "Cast";
  row.available = weatherFeatureEnabled;
  row.switchShowsLivePage = true;
  row.chooserOpensTargetPage = true;
  row.poll = pollWeatherWatch;
  row.screensaverPoll = fetchWeatherData;
  row.backgroundRefreshDue = weatherBackgroundRefreshDue;
  row.backgroundRefresh = fetchWeatherData;
  row.backgroundCheckMillis = &lastWeatherPollCheck;
  row.selected = weatherSourceSelected;
  row.configFinalized = weatherConfigFinalized;
  row.configApplied = weatherConfigApplied;
  row.drawLive = drawWeatherLivePage;
  row.drawHeard = drawWeatherForecastPage;
  row.tapLive = tapWeatherLivePage;
  row.tapHeard = tapWeatherForecastPage;
  return row;
}

const WatchSourceRow WEATHER_WATCH_ROW = weatherWatchRow();

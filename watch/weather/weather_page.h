// Weather watch pages: "WEATHER WATCH" (LIVE) and "WEATHER FORECAST"
// (HEARD), with the metric card and the page frame that the HamQSL page
// shares.
#pragma once

#include <stdint.h>

#include "core/watch_source.h"
#include "host/wstring.h"
#include "watch/weather/weather.h"

extern const WatchSourceRow WEATHER_WATCH_ROW;

void drawWeatherLivePage();
void drawWeatherForecastPage();

// Fill colour of the watch page card (the background of its loose texts).
uint16_t weatherPageFill();
// Tabs, the page card, the title, the REFRESH box and the status line
// (fitted to 490 px in the small font).
void drawWeatherPageFrame(const char* title, const String& statusLine);
// Text helper of the watch pages: fitted to maxWidth (none when 0), in
// font and fg on bg at (x, y) with the datum; the datum goes back to
// top-left afterwards.
void drawWeatherText(const String& text, int x, int y, int font, uint8_t datum, uint16_t fg, uint16_t bg,
                     int maxWidth = 0);

// A card with an accent bar, a label (labelFont) and a value in font 2
// (valueColor, "-" when empty). drawWeatherMetricCard uses the small font.
void drawWeatherMetricCardSized(int x, int y, int w, int h, const String& label, const String& value,
                                uint16_t valueColor, int labelFont);
void drawWeatherMetricCard(int x, int y, int w, int h, const String& label, const String& value,
                           uint16_t valueColor);
// One outlook day as a list row (forecast page) or as a card (the weather
// page with large fonts); nothing for an invalid day.
void drawWeatherForecastListRow(int x, int y, int w, int h, int index);
void drawWeatherForecastCard(int x, int y, int w, int h, int index);
// Outlook day index in its place on the forecast page.
void drawWeatherForecastRow(int index);

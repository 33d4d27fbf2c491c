// Theme colours: the fifteen RGB565 colours of the interface, derived from
// one base colour and overridden one by one from the configuration.
#pragma once

#include <stdint.h>

#include <string>

#include "host/wstring.h"

class JsonObjectConst;

struct Theme {
  uint16_t bg;
  uint16_t panel;
  uint16_t panel2;
  uint16_t border;
  uint16_t text;
  uint16_t subtext;
  uint16_t accent;
  uint16_t good;
  uint16_t warn;
  uint16_t bad;
  uint16_t live;
  uint16_t rx;
  uint16_t tx;
  uint16_t tabIdle;
  uint16_t tabActive;
};

// Number of colours and their JSON keys in write order.
static constexpr int THEME_COLOR_COUNT = 15;
extern const char *const THEME_COLOR_KEYS[THEME_COLOR_COUNT];

// The one theme of the process.
extern Theme theme;

// Field of `t` stored under THEME_COLOR_KEYS[index] (index 0..14).
uint16_t &themeColorField(Theme &t, int index);

// 8-bit components to RGB565.
uint16_t rgb888To565(uint8_t r, uint8_t g, uint8_t b);
// Blends a towards b by t (clamped to 0..1), each channel in its own width,
// truncating toward zero.
uint16_t mix565(uint16_t a, uint16_t b, float t);
// Parses "#RRGGBB", "RRGGBB", "0xRRGGBB" (trimmed); out565 is unchanged on
// failure.
bool parseHexColor(String s, uint16_t &out565);
// "#RRGGBB" of an RGB565 colour (upper-case hex).
String color565ToHex(uint16_t c);

// Assigns the fixed default colours.
void setDefaultTheme();
// Derives the theme from a base colour; nothing changes when it does not parse.
void applyBaseThemeColor(const String &baseColorHex);
// Applies the per-colour overrides of the "theme" object of a configuration text.
void desktopLoadThemeOverrides(const std::string &json);

// Override of one colour from a parsed configuration object; false (target
// unchanged) when the key is missing or does not parse. The desktop reads
// the configuration with its own scanner, so no start-up path uses these two.
bool loadThemeColor(const JsonObjectConst &json, const char *key, uint16_t &target);
// Applies the "theme" object of CONFIG_FILE through the document parser;
// false when the file cannot be opened or parsed (always on the desktop).
bool loadThemeFromJson();

// Theme colours: defaults, derivation from the base colour, per-colour
// overrides and the hex text conversions used by the configuration file.
#include "core/theme.h"

#include <stdio.h>
#include <stdlib.h>

#include "core/config.h"
#include "core/config_file.h"
#include "host/desktop_json.h"
#include "host/storage.h"

Theme theme;

const char *const THEME_COLOR_KEYS[THEME_COLOR_COUNT] = {
    "bg",   "panel", "panel2", "border", "text", "subtext", "accent",   "good",
    "warn", "bad",   "live",   "rx",     "tx",   "tabIdle", "tabActive"};

namespace {

const uint16_t THEME_BLACK_565 = 0x0000;
const uint16_t THEME_WHITE_565 = 0xFFFF;
const uint16_t THEME_SILVER_565 = 0xC618;  // 192,192,192
const uint16_t THEME_YELLOW_565 = 0xFFE0;
const uint16_t THEME_GREEN_565 = 0x07E0;
const uint16_t THEME_RED_565 = 0xF800;
const uint16_t THEME_BLUE_565 = 0x001F;

const long HEX_COLOR_MAX = 0xFFFFFF;

// One channel blended in its own width; the product is exact in double.
int mixChannel(int a, int b, float t) {
  double delta = (double)(b - a) * (double)t;
  return a + (int)delta;  // conversion truncates toward zero
}

}  // namespace

uint16_t &themeColorField(Theme &t, int index) {
  switch (index) {
    case 0: return t.bg;
    case 1: return t.panel;
    case 2: return t.panel2;
    case 3: return t.border;
    case 4: return t.text;
    case 5: return t.subtext;
    case 6: return t.accent;
    case 7: return t.good;
    case 8: return t.warn;
    case 9: return t.bad;
    case 10: return t.live;
    case 11: return t.rx;
    case 12: return t.tx;
    case 13: return t.tabIdle;
    default: return t.tabActive;
  }
}

uint16_t rgb888To565(uint8_t r, uint8_t g, uint8_t b) {
  return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

uint16_t mix565(uint16_t a, uint16_t b, float t) {
  if (!(t >= 0.0f)) t = 0.0f;  // also catches NaN
  if (t > 1.0f) t = 1.0f;
  int r = mixChannel((a >> 11) & 0x1F, (b >> 11) & 0x1F, t);
  int g = mixChannel((a >> 5) & 0x3F, (b >> 5) & 0x3F, t);
  int bl = mixChannel(a & 0x1F, b & 0x1F, t);
  return (uint16_t)(((r & 0x1F) << 11) | ((g & 0x3F) << 5) | (bl & 0x1F));
}

bool parseHexColor(String s, uint16_t &out565) {
  s.trim();
  if (s.startsWith("#")) {
    s = s.substring(1);
  } else if (s.startsWith("0x") || s.startsWith("0X")) {
    s = s.substring(2);
  }
  if (s.length() != 6) return false;
  const char *start = s.c_str();
  char *end = nullptr;
  long value = strtol(start, &end, 16);
  if (end != start + 6 || value < 0 || value > HEX_COLOR_MAX) return false;
  out565 =
      rgb888To565((uint8_t)((value >> 16) & 0xFF), (uint8_t)((value >> 8) & 0xFF), (uint8_t)(value & 0xFF));
  return true;
}

String color565ToHex(uint16_t c) {
  unsigned r = ((c >> 11) & 0x1F) * 255u / 31u;
  unsigned g = ((c >> 5) & 0x3F) * 255u / 63u;
  unsigned b = (c & 0x1F) * 255u / 31u;
  char buf[8];
  snprintf(buf, sizeof(buf), "#%02X%02X%02X", r, g, b);
  return String(buf);
}

void setDefaultTheme() {
  theme.bg = 0x0000;
  theme.panel = 0x18C3;
  theme.panel2 = 0x2104;
  theme.border = 0x4208;
  theme.text = 0xFFFF;
  theme.subtext = 0xC618;
  theme.accent = 0x07FF;
  theme.good = 0x07E0;
  theme.warn = 0xFFE0;
  theme.bad = 0xF800;
  theme.live = 0xFBE0;
  theme.rx = 0x07E0;
  theme.tx = 0x001F;
  theme.tabIdle = 0x39C7;
  theme.tabActive = 0x059F;
}

void applyBaseThemeColor(const String &baseColorHex) {
  uint16_t base = 0;
  if (!parseHexColor(baseColorHex, base)) return;
  theme.accent = base;
  theme.tabActive = base;
  theme.warn = mix565(base, THEME_YELLOW_565, 0.35f);
  theme.good = mix565(base, THEME_GREEN_565, 0.6f);
  theme.bad = mix565(base, THEME_RED_565, 0.65f);
  theme.live = mix565(base, THEME_WHITE_565, 0.4f);
  theme.tx = mix565(base, THEME_BLUE_565, 0.55f);
  theme.rx = mix565(base, THEME_GREEN_565, 0.45f);
  theme.panel = mix565(THEME_BLACK_565, base, 0.16f);
  theme.panel2 = mix565(THEME_BLACK_565, base, 0.1f);
  theme.border = mix565(base, THEME_WHITE_565, 0.22f);
  theme.tabIdle = mix565(THEME_BLACK_565, base, 0.24f);
  theme.subtext = mix565(THEME_SILVER_565, base, 0.08f);
}

void desktopLoadThemeOverrides(const std::string &json) {
  std::string themeObject;
  if (!desktopJsonGetObject(json, "theme", themeObject)) return;
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    String text;
    if (!desktopJsonGetString(themeObject, THEME_COLOR_KEYS[i], text)) continue;
    uint16_t value = 0;
    if (parseHexColor(text, value)) themeColorField(theme, i) = value;
  }
}

bool loadThemeColor(const JsonObjectConst &json, const char *key, uint16_t &target) {
  if (key == nullptr) return false;
  String text = json[key] | String();
  return parseHexColor(text, target);
}

bool loadThemeFromJson() {
  File file = storageOpen(String(CONFIG_FILE), "rb");
  if (!file) return false;
  DynamicJsonDocument doc(8192);
  DeserializationError err = deserializeJson(doc, file);
  file.close();
  if (err) return false;
  JsonObjectConst colours = doc["theme"].as<JsonObjectConst>();
  if (colours.isNull()) return false;
  for (int i = 0; i < THEME_COLOR_COUNT; ++i)
    loadThemeColor(colours, THEME_COLOR_KEYS[i], themeColorField(theme, i));
  return true;
}

// The night face of the screensaver.
#include "ui/night_face.h"

#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"
#include "host/font5x7.h"
#include "ui/screensaver.h"

namespace {

// Rows of the picture before the drift: clock centre, date, temperature.
const int NIGHT_CLOCK_Y = 190;
const int NIGHT_DATE_Y = 282;
const int NIGHT_TEMPERATURE_Y = 326;

struct NightFaceContent {
  String clock, date, temperature;
  int driftX = 0, driftY = 0;
};

NightFaceContent nightFaceContent(uint32_t t) {
  NightFaceContent c;
  c.clock = getDetailedClockText();
  c.date = getDateText();
  String icon;
  screensaverCardTexts(c.temperature, icon);
  screensaverDrift(t, c.driftX, c.driftY);
  return c;
}

// Text in the 5 x 7 font with each dot drawn as a block x block square,
// centred on (cx, cy); one rectangle per horizontal run of dots.
void drawBlockText(const String& text, int cx, int cy, int block, uint16_t colour) {
  const int cellW = (FONT5X7_COLUMNS + 1) * block;
  const int width = (int)text.length() * cellW - block;
  const int left = cx - width / 2;
  const int top = cy - FONT5X7_ROWS * block / 2;
  for (unsigned i = 0; i < text.length(); ++i) {
    const uint8_t* rows = glyphRows((unsigned char)text[i]);
    const int x0 = left + (int)i * cellW;
    for (int r = 0; r < FONT5X7_ROWS; ++r) {
      int col = 0;
      while (col < FONT5X7_COLUMNS) {
        if (!(rows[r] & (0x10 >> col))) {
          ++col;
          continue;
        }
        const int start = col;
        while (col < FONT5X7_COLUMNS && (rows[r] & (0x10 >> col))) ++col;
        tft.fillRect(x0 + start * block, top + r * block, (col - start) * block, block, colour);
      }
    }
  }
}

void drawNightText(const String& text, int cx, int cy, int font, uint16_t colour) {
  tft.setTextFont(font);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(colour, TFT_BLACK);
  tft.drawString(text, cx, cy);
  tft.setTextDatum(TL_DATUM);
}

}  // namespace

String nightFaceKey(uint32_t t) {
  const NightFaceContent c = nightFaceContent(t);
  return "night|" + c.clock + "|" + c.date + "|" + c.temperature + "|" + String(c.driftX) + "|" +
         String(c.driftY);
}

void drawNightFace(uint32_t t) {
  const NightFaceContent c = nightFaceContent(t);
  const int cx = 400 + c.driftX;
  const uint16_t clockColour = mix565(TFT_BLACK, theme.accent, NIGHT_CLOCK_COLOUR_SHARE);
  const uint16_t textColour = mix565(TFT_BLACK, theme.subtext, NIGHT_TEXT_COLOUR_SHARE);
  tft.fillScreen(TFT_BLACK);
  drawBlockText(c.clock, cx, NIGHT_CLOCK_Y + c.driftY, NIGHT_CLOCK_BLOCK_PX, clockColour);
  drawNightText(c.date, cx, NIGHT_DATE_Y + c.driftY, 2, textColour);
  if (!c.temperature.isEmpty())
    drawNightText(c.temperature, cx, NIGHT_TEMPERATURE_Y + c.driftY, 4, textColour);
}

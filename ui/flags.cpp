#include "ui/flags.h"

#include "core/theme.h"
#include "host/display.h"
#include "ui/draw.h"
#include "ui/images.h"

// The caller's flag centred in the box (the BMP drawer adds its own 8 px
// offset); nothing is drawn into a box smaller than the flag.
bool drawFlagForCallsign(int x, int y, int w, int h, const String& callsign) {
  if (w < FLAG_SIZE_PX || h < FLAG_SIZE_PX) return false;
  String path = flagBmpPathFromCode(countryCodeFromCallsign(callsign));
  return drawBmp24FromSD(path, x + (w - FLAG_SIZE_PX) / 2, y + (h - FLAG_SIZE_PX) / 2, FLAG_SIZE_PX,
                         FLAG_SIZE_PX);
}

// A framed flag for the code, or the code itself ("--" when empty) as text.
void drawFlagOrPlaceholder(int x, int y, int w, int h, const String& code) {
  fillPanel(x, y, w, h, theme.panel2, theme.border);
  String c = code;
  c.trim();
  if (c.length() > 0 && drawBmp24FromSD(String("/flags/") + c + ".bmp", x + 28, y + 6, w - 25, h - 20))
    return;
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(theme.accent, theme.panel2);
  tft.drawString(c.length() > 0 ? c : String("--"), x + w / 2, y + h / 2);
}

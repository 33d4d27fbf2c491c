// Pictures from storage on the offscreen software renderer: a 32 x 32 RGBA
// APRS symbol, the weather page's 32-pixel icon and the screensaver's 24-pixel
// one (open, decode, blend, push), the decode alone, and a 32 x 32 BMP flag
// for comparison. Reads the shipped sdcard/ folder of the checkout.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <stdlib.h>

#include "core/theme.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "host/storage.h"
#include "ui/images.h"

namespace {

bool ensureCardAndDisplay() {
  static bool ready = false;
  static bool tried = false;
  if (tried) return ready;
  tried = true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  unsetenv("QSODECK_DESKTOP_ACCEL");
  tft.init();
  setDefaultTheme();
  SD.setRoot(QSODECK_SOURCE_DIR "/sdcard");
  ready = tft.ready() && storageExists("/aprs/131.png") && storageExists("/weather/10d_32.png");
  return ready;
}

void drawFromStorage(benchmark::State& state, const char* path, int box, bool png) {
  if (!ensureCardAndDisplay()) {
    state.SkipWithError("offscreen display or sdcard/ content unavailable");
    return;
  }
  for (auto _ : state) {
    const bool drew = png ? drawPngFromSD(path, 126, 222, box, box, theme.panel)
                          : drawBmp24FromSD(path, 126, 222, box, box);
    if (!drew) {
      state.SkipWithError("picture did not draw");
      return;
    }
    SDL_RenderFlush(gRenderer);  // run the queued drawing, not only queue it
  }
}

void BM_AprsSymbol32Rgba(benchmark::State& state) { drawFromStorage(state, "/aprs/131.png", 32, true); }
BENCHMARK(BM_AprsSymbol32Rgba)->Unit(benchmark::kMicrosecond);

void BM_WeatherPageIcon32(benchmark::State& state) {
  drawFromStorage(state, "/weather/10d_32.png", 32, true);
}
BENCHMARK(BM_WeatherPageIcon32)->Unit(benchmark::kMicrosecond);

void BM_ScreensaverWeatherIcon24(benchmark::State& state) {
  drawFromStorage(state, "/weather/10d.png", 24, true);
}
BENCHMARK(BM_ScreensaverWeatherIcon24)->Unit(benchmark::kMicrosecond);

void BM_Flag32Bmp(benchmark::State& state) { drawFromStorage(state, "/flags/de.bmp", 32, false); }
BENCHMARK(BM_Flag32Bmp)->Unit(benchmark::kMicrosecond);

int countLine(PNGDRAW*) { return 1; }

// Open and decode only: the lines go to a callback that draws nothing.
void BM_AprsSymbol32DecodeOnly(benchmark::State& state) {
  if (!ensureCardAndDisplay()) {
    state.SkipWithError("offscreen display or sdcard/ content unavailable");
    return;
  }
  PNG png;
  for (auto _ : state) {
    if (png.open("/aprs/131.png", pngOpen, pngClose, pngRead, pngSeek, countLine) != 0 ||
        png.decode(nullptr, 0) != 0) {
      state.SkipWithError("decode failed");
      return;
    }
    png.close();
  }
}
BENCHMARK(BM_AprsSymbol32DecodeOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

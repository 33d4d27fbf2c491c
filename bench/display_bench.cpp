// Drawing speed of the display surface with the software renderer on the
// offscreen driver: a full-screen text-heavy page, single text lines and the
// pixel-by-pixel primitives.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "host/desktop_main.h"
#include "host/display.h"

namespace {

// The renderer queues drawing commands; this runs them, so that a
// benchmark measures the drawing and not only the queueing.
void runQueuedDrawing() { SDL_RenderFlush(gRenderer); }

bool ensureDisplay() {
  static bool ready = false;
  if (!ready) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    unsetenv("QSODECK_DESKTOP_ACCEL");
    tft.init();
    ready = tft.ready();
  }
  return ready;
}

// A page like the HEARD list: header, 12 rows of two font-2 columns and
// small detail lines, footer; about 3,000 characters.
void drawTextPage(int frame) {
  tft.fillScreen(color565(8, 12, 22));
  tft.setTextDatum(TL_DATUM);
  tft.setTextFont(2);
  tft.setTextColor(TFT_WHITE, color565(18, 28, 45));
  tft.fillRect(0, 0, 800, 68, color565(18, 28, 45));
  tft.drawString("LIVE  HEARD  STATUS  INFO", 12, 10);
  tft.setTextDatum(TR_DATUM);
  tft.drawString(frame % 2 ? "12:34" : "12:35", 788, 10);
  tft.setTextDatum(TL_DATUM);
  for (int row = 0; row < 12; ++row) {
    int y = 72 + row * 30;
    tft.setTextFont(2);
    tft.setTextColor(color565(220, 230, 245), color565(8, 12, 22));
    tft.drawString("DL1ABC - Hans Mustermann", 12, y);
    tft.drawString("TG 26298 BAYERN", 420, y);
    tft.setTextFont(1);
    tft.setTextColor(color565(160, 175, 195), color565(8, 12, 22));
    tft.drawString("DMR TS2 | 12:34:56 | 3.2 s | BER 0.0% | RSSI -73 dBm | Germany", 12, y + 16);
  }
  tft.setTextFont(1);
  tft.setTextColor(TFT_WHITE, color565(18, 28, 45));
  tft.fillRect(0, 444, 800, 36, color565(18, 28, 45));
  tft.drawString("Desktop: http://127.0.0.1/  last poll ok  12 records", 12, 458);
}

void BM_FullScreenTextRedraw(benchmark::State& state) {
  if (!ensureDisplay()) {
    state.SkipWithError("display not ready");
    return;
  }
  int frame = 0;
  for (auto _ : state) {
    drawTextPage(frame++);
    tft.flush();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("frames");
}
BENCHMARK(BM_FullScreenTextRedraw)->Unit(benchmark::kMillisecond);

void BM_DrawStringLine(benchmark::State& state) {
  if (!ensureDisplay()) {
    state.SkipWithError("display not ready");
    return;
  }
  tft.setTextFont((uint8_t)state.range(0));
  tft.setTextDatum(TL_DATUM);
  tft.setTextColor(TFT_WHITE, TFT_BLACK);
  const String line("QSODECK DESKTOP 0123456789 ABCDEFGHIJKLMNOP");
  for (auto _ : state) {
    benchmark::DoNotOptimize(tft.drawString(line, 10, 200));
    runQueuedDrawing();
  }
  state.SetItemsProcessed(state.iterations() * line.length());
}
BENCHMARK(BM_DrawStringLine)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_FillCircle(benchmark::State& state) {
  if (!ensureDisplay()) {
    state.SkipWithError("display not ready");
    return;
  }
  for (auto _ : state) {
    tft.fillCircle(400, 240, (int)state.range(0), 0xF800);
    runQueuedDrawing();
  }
}
BENCHMARK(BM_FillCircle)->Arg(8)->Arg(80)->Unit(benchmark::kMicrosecond);

void BM_PushImage(benchmark::State& state) {
  if (!ensureDisplay()) {
    state.SkipWithError("display not ready");
    return;
  }
  int side = (int)state.range(0);
  std::vector<uint16_t> img((size_t)side * side);
  for (size_t i = 0; i < img.size(); ++i) img[i] = (uint16_t)(i * 2654435761u);
  for (auto _ : state) {
    tft.pushImage(100, 100, side, side, img.data());
    runQueuedDrawing();
  }
  state.SetItemsProcessed(state.iterations() * img.size());
}
BENCHMARK(BM_PushImage)->Arg(32)->Arg(128)->Unit(benchmark::kMicrosecond);

}  // namespace

// libFuzzer target: OpenWeatherMap current-weather and forecast answers.
#include "fuzz/watch_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWeatherInput(data, size);
  return 0;
}

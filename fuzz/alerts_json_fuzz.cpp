// libFuzzer target: the JSON readers of NINA, MeteoAlarm EDR and NOAA.
#include "fuzz/alerts_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzAlertJsonInput(data, size);
  return 0;
}

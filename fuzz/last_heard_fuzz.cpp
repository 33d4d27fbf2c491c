// libFuzzer target: last-heard answers of the hotspot dashboards.
#include "fuzz/fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzLastHeardInput(data, size);
  return 0;
}

// libFuzzer target: dashboard status pages (first byte "W" for WPSD).
#include "fuzz/fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzDashboardStatusInput(data, size);
  return 0;
}

// libFuzzer target: SvxLink node answers (dashboard pages; a first byte "{"
// or "[" reads the input as a JSON bridge answer).
#include "fuzz/svxlink_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzSvxlinkDashboardInput(data, size);
  return 0;
}

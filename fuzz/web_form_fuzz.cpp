// libFuzzer target: what a browser sends the settings page (forms, cookies,
// uploaded configuration files).
#include "fuzz/web_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzWebInput(data, size);
  return 0;
}

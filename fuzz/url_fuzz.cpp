// libFuzzer target: URLs in trace lines and redirect targets.
#include "fuzz/url_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzUrlInput(data, size);
  return 0;
}

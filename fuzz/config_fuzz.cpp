// libFuzzer target: configuration files read by the raw scanner.
#include "fuzz/config_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzConfigInput(data, size);
  return 0;
}

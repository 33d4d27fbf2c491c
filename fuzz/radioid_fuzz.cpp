// libFuzzer target: RadioID users API answers.
#include "fuzz/enrichment_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzRadioIdInput(data, size);
  return 0;
}

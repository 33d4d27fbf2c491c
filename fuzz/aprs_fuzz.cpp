// libFuzzer target: APRS position API answers.
#include "fuzz/aprs_adsb_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzAprsInput(data, size);
  return 0;
}

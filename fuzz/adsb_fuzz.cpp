// libFuzzer target: dump1090 / readsb aircraft lists.
#include "fuzz/aprs_adsb_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzAdsbInput(data, size);
  return 0;
}

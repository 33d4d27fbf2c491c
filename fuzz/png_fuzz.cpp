// libFuzzer target: PNG files drawn from storage (libpng decoder, line
// callback, blending and the box test).
#include "fuzz/png_fuzz_entry_points.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QSODECK_DESKTOP_TRACE", "0", 1);
  return fuzzPngSetUp() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzPngInput(data, size);
  return 0;
}

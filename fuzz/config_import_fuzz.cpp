// libFuzzer target: configuration files uploaded for import.
#include "fuzz/config_fuzz_entry_points.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  SD.setRoot("fuzz-sdcard");
  SD.begin();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzConfigImportInput(data, size);
  return 0;
}

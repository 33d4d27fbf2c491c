// libFuzzer target: downloaded target-list pages and text lists.
#include "fuzz/enrichment_fuzz_entry_points.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SD.setRoot("fuzz-sdcard");
  SD.begin();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzTargetListInput(data, size);
  return 0;
}

// libFuzzer target: HamQSL solar XML documents.
#include "fuzz/watch_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzHamqslInput(data, size);
  return 0;
}

// libFuzzer target: the XML reader of the MeteoAlarm Atom feed.
#include "fuzz/alerts_fuzz_entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzAlertXmlInput(data, size);
  return 0;
}

// libFuzzer target: the SSH known-hosts file on the card.
#include "fuzz/ssh_fuzz_entry_points.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SD.setRoot("fuzz-sdcard");
  SD.begin();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzSshKnownHostsInput(data, size);
  return 0;
}

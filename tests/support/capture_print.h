// A Print target for tests: records every byte that reaches the one-byte
// write, like a file opened for writing.
#pragma once

#include <stdint.h>

#include <string>

#include "host/runtime.h"

class CapturePrint : public Print {
 public:
  using Print::write;
  size_t write(uint8_t b) override {
    text += (char)b;
    return 1;
  }
  std::string text;
};

// PNG writing on libpng: the settings page serves the panel's frame.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Encodes w x h 8-bit RGB triples (row by row) as a PNG file in out; false
// when the sizes do not match the pixels or libpng fails.
bool encodePngRgb(const std::vector<uint8_t>& rgb, int w, int h, std::string& out);

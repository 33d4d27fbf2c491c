// Golden frames: the 800 x 480 frame compared pixel by pixel with a
// committed reference image. References are stored as 8-bit palette BMP
// files with RLE8 compression (flat interface colours compress well and
// any image viewer opens them); on a mismatch the actual frame and a diff
// image are written as plain 24-bit BMP files into the working directory.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// An image as 0xRRGGBB values, row by row.
struct GoldenImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// Writes an RLE8 palette BMP; false when the image has more than 256
// colours or the file cannot be written.
bool writeRle8Bmp(const std::string& path, const GoldenImage& image);
// Writes an uncompressed 24-bit BMP.
bool write24Bmp(const std::string& path, const GoldenImage& image);
// Reads an RLE8 palette BMP written by writeRle8Bmp (or any RLE8 / 8-bit
// uncompressed BMP); false for anything else.
bool readPaletteBmp(const std::string& path, GoldenImage& out);

// Result of comparing a frame with its reference.
struct GoldenResult {
  bool ok = false;
  bool referenceMissing = false;
  int mismatchedPixels = 0;
  std::string message;  // what happened and where the images went
};

// Compares the frame with tests/data/golden/<name>.bmp. With the environment
// variable QSODECK_UPDATE_GOLDEN=1 the reference is (re)written instead.
// On a mismatch writes <name>_actual.bmp and <name>_diff.bmp (mismatches in
// red over a dimmed copy) into the working directory.
GoldenResult compareWithGolden(const std::string& name, const GoldenImage& frame);

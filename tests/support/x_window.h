// The program's real window on the X display, seen and driven from outside
// with the X tools a user has: xdotool (find, move the pointer, click) and
// ImageMagick's import (screenshots). For end-to-end tests under Xvfb.
#pragma once

#include <stdint.h>

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// A private X server (Xvfb, 1024 x 768, 24-bit unless told another screen
// such as "1280x720x24") for one test, so that the windows, screenshots and
// pointer of tests running in parallel never meet. While it lives, DISPLAY
// of this process names it; child processes and the X tools below inherit
// it. The previous DISPLAY comes back afterwards.
class PrivateXServer {
 public:
  explicit PrivateXServer(const char* screen = "1024x768x24");
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// A screenshot as 0xRRGGBB values, row by row.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// Id of the first visible window whose name matches title (xdotool search
// --name), waiting up to timeoutMs; "" when none appeared.
std::string findXWindow(const std::string& title, int timeoutMs = 10000);

// Captures the window's contents into a binary PPM at ppmPath and reads it
// back; false when import failed or the file is not a readable PPM.
bool captureXWindow(const std::string& windowId, const std::string& ppmPath, RgbImage& out);

// Captures the window into ppmPath every 150 ms until done(shot) holds or
// timeoutMs passed, and returns the last capture (empty when a capture
// failed); a PNG copy of it is left as pngPath for a human to look at.
RgbImage captureXWindowWhen(const std::string& windowId, const std::string& ppmPath, const std::string& pngPath,
                            const std::function<bool(const RgbImage&)>& done, int timeoutMs = 10000);

// Reads a binary (P6, 8-bit) PPM file.
bool readPpmFile(const std::string& path, RgbImage& out);

// Writes a binary (P6, 8-bit) PPM file.
bool writePpmFile(const std::string& path, const RgbImage& image);

// Converts a picture file to PNG (ImageMagick convert); false on failure.
bool convertToPng(const std::string& from, const std::string& pngPath);

// Moves the pointer to (x, y) inside the window and clicks the left button
// (press, a short hold, release), the way a user taps the panel.
bool clickXWindow(const std::string& windowId, int x, int y);

// Moves the pointer to (x, y) inside the window without clicking.
bool movePointerInXWindow(const std::string& windowId, int x, int y);

// Number of distinct colours inside the rectangle (clipped to the image).
int distinctColours(const RgbImage& image, int x, int y, int w, int h);

// Number of pixels inside the rectangle whose colour differs from rgb.
int pixelsOtherThan(const RgbImage& image, int x, int y, int w, int h, uint32_t rgb);

// The most frequent colour inside the rectangle.
uint32_t dominantColour(const RgbImage& image, int x, int y, int w, int h);

// Compares the shapes drawn in the rectangle of two images, whatever their
// colours: a pixel counts as drawn when it differs from the rectangle's
// dominant colour. Number of pixels drawn in one image and not in the other
// (-1 when the sizes differ).
int differingShapes(const RgbImage& a, const RgbImage& b, int x, int y, int w, int h);

// Number of pixels inside the rectangle that differ between two images of
// the same size (-1 when the sizes differ).
int differingPixels(const RgbImage& a, const RgbImage& b, int x, int y, int w, int h);

// The line-by-line PNG decoder with file callbacks, on libpng. Every colour
// type and bit depth is expanded to 8-bit RGB or RGBA lines; the whole image
// is decoded and checked before the first line goes to the line callback, so
// a damaged file delivers no line at all.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Decoder results (0 is success).
const int PNG_SUCCESS = 0;
const int PNG_INVALID_PARAMETER = 1;
const int PNG_DECODE_ERROR = 2;
const int PNG_MEM_ERROR = 3;
const int PNG_INVALID_FILE = 5;
const int PNG_TOO_BIG = 6;
const int PNG_QUIT_EARLY = 7;

// Byte order of getLineAsRGB565: host order, or bytes swapped.
const int PNG_RGB565_LITTLE_ENDIAN = 0;
const int PNG_RGB565_BIG_ENDIAN = 1;

// Layout of the lines the decoder delivers (getPixelType, PNGDRAW::iPixelType).
const int PNG_PIXEL_TRUECOLOR = 2;        // 8-bit R, G, B
const int PNG_PIXEL_TRUECOLOR_ALPHA = 6;  // 8-bit R, G, B, A (straight alpha)

// No side longer than this is opened: no box on the screen is that large.
const uint32_t PNG_DECODER_MAX_SIDE_PX = 8192;
// Most bytes of decoded pixels one image may take.
const size_t PNG_DECODER_MAX_IMAGE_BYTES = 32u * 1024u * 1024u;
// Most bytes one ancillary chunk (text, colour profile) may take.
const size_t PNG_DECODER_MAX_CHUNK_BYTES = 1024u * 1024u;

// The open file as the file callbacks see it.
struct PNGFILE {
  int32_t iPos = 0;
  int32_t iSize = 0;
  uint8_t* pData = nullptr;
  void* fHandle = nullptr;
};

// One decoded line as the line callback sees it.
struct PNGDRAW {
  int y = 0;           // line number, 0 at the top
  int iWidth = 0;      // pixels in the line
  int iPitch = 0;      // bytes in the line
  int iPixelType = 0;  // PNG_PIXEL_TRUECOLOR or PNG_PIXEL_TRUECOLOR_ALPHA
  int iHasAlpha = 0;
  int iBpp = 0;  // bits per pixel: 24 or 32
  uint8_t* pPalette = nullptr;
  uint16_t* pFastPalette = nullptr;
  uint8_t* pPixels = nullptr;
  void* pUser = nullptr;
};

typedef void* PNG_OPEN_CALLBACK(const char* filename, int32_t* sizeOut);
typedef void PNG_CLOSE_CALLBACK(void* handle);
typedef int32_t PNG_READ_CALLBACK(PNGFILE* file, uint8_t* buf, int32_t len);
typedef int32_t PNG_SEEK_CALLBACK(PNGFILE* file, int32_t position);
typedef int PNG_DRAW_CALLBACK(PNGDRAW* draw);

struct PngReader;

class PNG {
 public:
  PNG() = default;
  ~PNG();
  PNG(const PNG&) = delete;
  PNG& operator=(const PNG&) = delete;

  // Opens the file through the callbacks and reads the header up to the
  // image data (no pixel memory yet). 0 on success; otherwise an error code,
  // the decoder holds nothing and the close callback has been called for a
  // file the open callback opened. Open, read and draw callbacks are required.
  int open(const char* filename, PNG_OPEN_CALLBACK* openFn, PNG_CLOSE_CALLBACK* closeFn,
           PNG_READ_CALLBACK* readFn, PNG_SEEK_CALLBACK* seekFn, PNG_DRAW_CALLBACK* drawFn);
  // Decodes the whole image, then hands it to the line callback top to
  // bottom, one line per call. 0 when every line was delivered; a damaged or
  // truncated file delivers no line and gives PNG_DECODE_ERROR; a callback
  // returning 0 stops the delivery (PNG_QUIT_EARLY). One decode per open.
  int decode(void* user, int options);
  // Frees the decoder state and closes the file (close callback). Safe to repeat.
  void close();

  // Image size from the header; 0 before a successful open.
  int getWidth() const { return width_; }
  int getHeight() const { return height_; }
  // Layout of the delivered lines: PNG_PIXEL_TRUECOLOR_ALPHA when the image
  // has any transparency (an alpha channel or a transparent colour), else
  // PNG_PIXEL_TRUECOLOR; 0 before a successful open.
  int getPixelType() const { return pixelType_; }
  // 1 when the image has an alpha channel or a transparent colour.
  int hasAlpha() const { return hasAlpha_ ? 1 : 0; }
  // Result code of the last failed open or decode (0 when none failed).
  int getLastError() const { return lastError_; }
  // Text of libpng's last complaint about the file ("" when none).
  const char* lastMessage() const { return message_; }
  // Most bytes the decoder held at once since the last open (libpng state
  // and pixels).
  size_t peakAllocatedBytes() const;

  // Converts a delivered line to RGB565 in pixels (draw->iWidth values), in
  // host byte order or swapped. The alpha channel is ignored: blending
  // belongs to the caller. background is accepted and not used.
  void getLineAsRGB565(PNGDRAW* draw, uint16_t* pixels, int endianness, uint32_t background);

 private:
  int fail(int code);

  PngReader* reader_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int pixelType_ = 0;
  bool hasAlpha_ = false;
  bool decoded_ = false;
  int lastError_ = 0;
  size_t lastPeakBytes_ = 0;
  char message_[96] = {0};
};

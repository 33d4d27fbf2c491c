#include "host/png_decoder.h"

#include <png.h>
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

// libpng reports errors by longjmp back to the last setjmp. Every libpng call
// that can fail runs in one of the small functions marked "setjmp frame"
// below: they hold no object with a destructor, and the only frames a jump
// can cross are libpng's own and the C-style read callback, whose file read
// has returned before it raises the error. The line callback is called only
// after the last libpng call of a decode, outside every such frame.

// Decoder state of one open file; plain data, freed by PNG::close.
struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PNGFILE file;
  PNG_CLOSE_CALLBACK* closeFn = nullptr;
  PNG_READ_CALLBACK* readFn = nullptr;
  PNG_SEEK_CALLBACK* seekFn = nullptr;
  PNG_DRAW_CALLBACK* drawFn = nullptr;
  size_t bytesInUse = 0;
  size_t peakBytes = 0;
  uint8_t* image = nullptr;
  png_bytep* rows = nullptr;
  char* message = nullptr;  // the owning decoder's message buffer
  size_t messageSize = 0;
};

namespace {

// Room kept in front of every block for its size (keeps malloc's alignment).
const size_t ALLOC_HEADER_BYTES = alignof(max_align_t);

void* readerAlloc(PngReader* r, size_t n) {
  if (n == 0 || n > SIZE_MAX - ALLOC_HEADER_BYTES) return nullptr;
  unsigned char* block = (unsigned char*)malloc(n + ALLOC_HEADER_BYTES);
  if (block == nullptr) return nullptr;
  memcpy(block, &n, sizeof(n));
  r->bytesInUse += n;
  if (r->bytesInUse > r->peakBytes) r->peakBytes = r->bytesInUse;
  return block + ALLOC_HEADER_BYTES;
}

void readerFree(PngReader* r, void* p) {
  if (p == nullptr) return;
  unsigned char* block = (unsigned char*)p - ALLOC_HEADER_BYTES;
  size_t n = 0;
  memcpy(&n, block, sizeof(n));
  r->bytesInUse -= n;
  free(block);
}

png_voidp libpngMalloc(png_structp png, png_alloc_size_t size) {
  return readerAlloc((PngReader*)png_get_mem_ptr(png), size);
}

void libpngFree(png_structp png, png_voidp p) { readerFree((PngReader*)png_get_mem_ptr(png), p); }

void libpngError(png_structp png, png_const_charp msg) {
  PngReader* r = (PngReader*)png_get_error_ptr(png);
  if (r != nullptr && r->message != nullptr && r->messageSize > 0) {
    snprintf(r->message, r->messageSize, "%s", msg != nullptr ? msg : "");
  }
  png_longjmp(png, 1);
}

void libpngWarning(png_structp png, png_const_charp msg) {}

// Feeds libpng from the read callback; a file that ends early is an error.
void libpngRead(png_structp png, png_bytep out, size_t length) {
  PngReader* r = (PngReader*)png_get_io_ptr(png);
  size_t got = 0;
  while (got < length) {
    size_t want = length - got;
    if (want > (size_t)INT32_MAX) want = (size_t)INT32_MAX;
    const int32_t n = r->readFn(&r->file, out + got, (int32_t)want);
    if (n <= 0 || (size_t)n > want) png_error(png, "file ends inside the image");
    got += (size_t)n;
    r->file.iPos = (int32_t)((int64_t)r->file.iPos + n > INT32_MAX ? INT32_MAX : r->file.iPos + n);
  }
}

// setjmp frame: signature, header and every chunk before the image data.
bool readHeader(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_set_user_limits(r->png, PNG_DECODER_MAX_SIDE_PX, PNG_DECODER_MAX_SIDE_PX);
  png_set_chunk_malloc_max(r->png, PNG_DECODER_MAX_CHUNK_BYTES);
  png_read_info(r->png, r->info);
  return true;
}

// setjmp frame: every format becomes 8-bit RGB, or RGBA when the image has
// any transparency; interlaced images are put together by libpng.
bool prepareRows(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_set_expand(r->png);
  png_set_scale_16(r->png);
  png_set_gray_to_rgb(r->png);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  return true;
}

// setjmp frame: all pixel rows, then the rest of the file up to its end
// marker, so that a damaged or cut-off file is known before any line is used.
bool readAllRows(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_read_image(r->png, r->rows);
  png_read_end(r->png, nullptr);
  return true;
}

void releasePixels(PngReader* r) {
  readerFree(r, r->rows);
  readerFree(r, r->image);
  r->rows = nullptr;
  r->image = nullptr;
}

}  // namespace

PNG::~PNG() { close(); }

int PNG::fail(int code) {
  close();
  width_ = height_ = pixelType_ = 0;
  hasAlpha_ = false;
  lastError_ = code;
  return code;
}

int PNG::open(const char* filename, PNG_OPEN_CALLBACK* openFn, PNG_CLOSE_CALLBACK* closeFn,
              PNG_READ_CALLBACK* readFn, PNG_SEEK_CALLBACK* seekFn, PNG_DRAW_CALLBACK* drawFn) {
  close();
  decoded_ = false;
  lastPeakBytes_ = 0;
  message_[0] = 0;
  if (filename == nullptr || openFn == nullptr || readFn == nullptr || drawFn == nullptr) {
    return fail(PNG_INVALID_PARAMETER);
  }
  reader_ = new (std::nothrow) PngReader();
  if (reader_ == nullptr) return fail(PNG_MEM_ERROR);
  PngReader* r = reader_;
  r->closeFn = closeFn;
  r->readFn = readFn;
  r->seekFn = seekFn;
  r->drawFn = drawFn;
  r->message = message_;
  r->messageSize = sizeof(message_);
  int32_t size = 0;
  r->file.fHandle = openFn(filename, &size);
  if (r->file.fHandle == nullptr) return fail(PNG_INVALID_FILE);
  r->file.iSize = size;
  r->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, r, libpngError, libpngWarning, r, libpngMalloc,
                                    libpngFree);
  if (r->png == nullptr) return fail(PNG_MEM_ERROR);
  r->info = png_create_info_struct(r->png);
  if (r->info == nullptr) return fail(PNG_MEM_ERROR);
  png_set_read_fn(r->png, r, libpngRead);
  if (!readHeader(r)) return fail(PNG_INVALID_FILE);
  width_ = (int)png_get_image_width(r->png, r->info);
  height_ = (int)png_get_image_height(r->png, r->info);
  const int colourType = png_get_color_type(r->png, r->info);
  hasAlpha_ = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(r->png, r->info, PNG_INFO_tRNS) != 0;
  pixelType_ = hasAlpha_ ? PNG_PIXEL_TRUECOLOR_ALPHA : PNG_PIXEL_TRUECOLOR;
  lastError_ = PNG_SUCCESS;
  return PNG_SUCCESS;
}

int PNG::decode(void* user, int options) {
  if (reader_ == nullptr || decoded_) {
    lastError_ = PNG_INVALID_PARAMETER;
    return lastError_;
  }
  decoded_ = true;
  PngReader* r = reader_;
  if (!prepareRows(r)) return lastError_ = PNG_DECODE_ERROR;
  const int channels = png_get_channels(r->png, r->info);
  const size_t rowBytes = png_get_rowbytes(r->png, r->info);
  if (png_get_bit_depth(r->png, r->info) != 8 || channels != (hasAlpha_ ? 4 : 3) ||
      rowBytes != (size_t)width_ * (size_t)channels || width_ <= 0 || height_ <= 0) {
    return lastError_ = PNG_DECODE_ERROR;
  }
  if (rowBytes > PNG_DECODER_MAX_IMAGE_BYTES / (size_t)height_) return lastError_ = PNG_TOO_BIG;
  r->image = (uint8_t*)readerAlloc(r, rowBytes * (size_t)height_);
  r->rows = (png_bytep*)readerAlloc(r, sizeof(png_bytep) * (size_t)height_);
  if (r->image == nullptr || r->rows == nullptr) {
    releasePixels(r);
    return lastError_ = PNG_MEM_ERROR;
  }
  for (int y = 0; y < height_; ++y) r->rows[y] = r->image + (size_t)y * rowBytes;
  if (!readAllRows(r)) {
    releasePixels(r);
    return lastError_ = PNG_DECODE_ERROR;
  }
  PNGDRAW line;
  line.iWidth = width_;
  line.iPitch = (int)rowBytes;
  line.iPixelType = pixelType_;
  line.iHasAlpha = hasAlpha_ ? 1 : 0;
  line.iBpp = channels * 8;
  line.pUser = user;
  int result = PNG_SUCCESS;
  for (int y = 0; y < height_; ++y) {
    line.y = y;
    line.pPixels = r->rows[y];
    if (r->drawFn(&line) == 0) {
      result = PNG_QUIT_EARLY;
      break;
    }
  }
  releasePixels(r);
  lastError_ = result;
  return result;
}

void PNG::close() {
  PngReader* r = reader_;
  if (r == nullptr) return;
  reader_ = nullptr;
  releasePixels(r);
  if (r->png != nullptr) png_destroy_read_struct(&r->png, r->info != nullptr ? &r->info : nullptr, nullptr);
  lastPeakBytes_ = r->peakBytes;
  if (r->file.fHandle != nullptr && r->closeFn != nullptr) r->closeFn(r->file.fHandle);
  delete r;
}

size_t PNG::peakAllocatedBytes() const { return reader_ != nullptr ? reader_->peakBytes : lastPeakBytes_; }

void PNG::getLineAsRGB565(PNGDRAW* draw, uint16_t* pixels, int endianness, uint32_t background) {
  if (draw == nullptr || pixels == nullptr || draw->pPixels == nullptr || draw->iWidth <= 0) return;
  const int step = draw->iBpp == 32 ? 4 : 3;
  const uint8_t* p = draw->pPixels;
  for (int i = 0; i < draw->iWidth; ++i, p += step) {
    uint16_t c = (uint16_t)(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
    if (endianness == PNG_RGB565_BIG_ENDIAN) c = (uint16_t)((c >> 8) | (c << 8));
    pixels[i] = c;
  }
}

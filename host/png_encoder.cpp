#include "host/png_encoder.h"

#include <png.h>

namespace {

void appendToString(png_structp png, png_bytep data, png_size_t length) {
  std::string* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void noFlush(png_structp) {}

}  // namespace

bool encodePngRgb(const std::vector<uint8_t>& rgb, int w, int h, std::string& out) {
  if (w <= 0 || h <= 0 || rgb.size() != (size_t)w * (size_t)h * 3) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  out.clear();
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out.clear();
    return false;
  }
  png_set_write_fn(png, &out, appendToString, noFlush);
  png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    png_write_row(png, const_cast<png_bytep>(&rgb[(size_t)y * (size_t)w * 3]));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

#include "tools/headless/PngFile.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace vt {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool WritePngFile(const std::string& path, const Bitmap32& picture) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(size_t(picture.Width()) * 3);
  // libpng reports its errors by a long jump back here; nothing with a destructor is created
  // between this point and the jumps.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, png_uint_32(picture.Width()), png_uint_32(picture.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t* pixels = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      row[size_t(x) * 3 + 0] = png_byte(pixels[x] >> 16);
      row[size_t(x) * 3 + 1] = png_byte(pixels[x] >> 8);
      row[size_t(x) * 3 + 2] = png_byte(pixels[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(file.get()) == 0;
}

}  // namespace vt

#include "tools/assetgen/PngReader.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vt {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

Canvas ReadPng(const std::string& path) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) throw std::runtime_error("cannot open " + path);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_stdio(&image, file.get())) {
    throw std::runtime_error(path + ": " + image.message);
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  const png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    throw std::runtime_error(path + ": " + image.message);
  }
  const int w = int(image.width);
  const int h = int(image.height);
  Canvas canvas(w, h, FColor{});
  size_t i = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, i += 3) {
      canvas.SetPixel(x, y, FColor::Rgb(rgb[i], rgb[i + 1], rgb[i + 2]));
    }
  }
  return canvas;
}

}  // namespace vt

// vantorel-screenshot: writes what an X display shows (its root window) to a PNG file.
// Used by the run script where no display is set, and by the end-to-end tests.
//
//   vantorel-screenshot FILE.png [DISPLAY]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <vector>

namespace {

int ShiftOf(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

bool WritePng(const char* path, int width, int height, const std::vector<unsigned char>& rgb) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(&rgb[size_t(y) * size_t(width) * 3]));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: vantorel-screenshot FILE.png [DISPLAY]\n");
    return 2;
  }
  Display* display = XOpenDisplay(argc == 3 ? argv[2] : nullptr);
  if (!display) {
    std::fprintf(stderr, "vantorel-screenshot: cannot open the display\n");
    return 1;
  }
  Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  XImage* image = XGetImage(display, root, 0, 0, unsigned(attributes.width),
                            unsigned(attributes.height), AllPlanes, ZPixmap);
  if (!image) {
    std::fprintf(stderr, "vantorel-screenshot: cannot read the screen\n");
    XCloseDisplay(display);
    return 1;
  }
  int rs = ShiftOf(image->red_mask), gs = ShiftOf(image->green_mask), bs = ShiftOf(image->blue_mask);
  auto scale = [](unsigned long v, unsigned long mask, int shift) {
    unsigned long max = mask >> shift;
    return static_cast<unsigned char>(max ? (v * 255 + max / 2) / max : 0);
  };
  std::vector<unsigned char> rgb(size_t(image->width) * size_t(image->height) * 3);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      unsigned char* out = &rgb[(size_t(y) * size_t(image->width) + size_t(x)) * 3];
      out[0] = scale((p & image->red_mask) >> rs, image->red_mask, rs);
      out[1] = scale((p & image->green_mask) >> gs, image->green_mask, gs);
      out[2] = scale((p & image->blue_mask) >> bs, image->blue_mask, bs);
    }
  }
  int width = image->width, height = image->height;
  XDestroyImage(image);
  XCloseDisplay(display);
  if (!WritePng(argv[1], width, height, rgb)) {
    std::fprintf(stderr, "vantorel-screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

#include "tools/assetgen/BmpWriter.h"

#include <png.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vt {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Both headers; the caller appends the palette, if any, and the rows.
std::vector<uint8_t> Headers(int width, int height, int bits, uint32_t paletteEntries) {
  const uint32_t stride = (uint32_t(width) * uint32_t(bits) / 8 + 3) & ~3u;
  const uint32_t offset = 14 + 40 + paletteEntries * 4;
  const uint32_t imageSize = stride * uint32_t(height);
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, uint32_t(width));
  Put32(out, uint32_t(height));
  Put16(out, 1);
  Put16(out, uint32_t(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 3780);  // 96 pixels per inch
  Put32(out, 3780);
  Put32(out, paletteEntries);
  Put32(out, 0);
  return out;
}

void PadRow(std::vector<uint8_t>& out, size_t rowStart) {
  while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

uint32_t PixelRgb(const std::vector<uint8_t>& rgb, int width, int x, int y) {
  const size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
  return uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2];
}

// A pixel as 0xAARRGGBB with the alpha of an icon: opaque where the canvas is at least half
// covered, and all zero elsewhere.
uint32_t MaskedPixel(const Canvas& canvas, const std::vector<uint8_t>& rgb, int x, int y) {
  return canvas.AlphaAt(x, y) >= 0.5f ? 0xFF000000u | PixelRgb(rgb, canvas.Width(), x, y) : 0u;
}

// A PNG file's bytes of the picture with the alpha WriteBmp32 gives it.
std::vector<uint8_t> PngBytes(const Canvas& canvas) {
  const std::vector<uint8_t> rgb = canvas.ToRgb8(Dither::None);
  std::vector<uint8_t> rgba;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      const uint32_t pixel = MaskedPixel(canvas, rgb, x, y);
      for (int shift : {16, 8, 0, 24}) rgba.push_back(uint8_t(pixel >> shift));
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(canvas.Width());
  image.height = png_uint_32(canvas.Height());
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  std::vector<uint8_t> out;
  if (png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) {
    out.resize(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr);
  }
  if (out.empty()) throw std::runtime_error(std::string("cannot make a PNG: ") + image.message);
  return out;
}

// The 32-bit rows of a bitmap, bottom-up, with both headers in front.
std::vector<uint8_t> Bmp32Bytes(const Canvas& canvas) {
  const int w = canvas.Width();
  const int h = canvas.Height();
  const std::vector<uint8_t> rgb = canvas.ToRgb8(Dither::None);
  std::vector<uint8_t> out = Headers(w, h, 32, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) Put32(out, MaskedPixel(canvas, rgb, x, y));
  }
  return out;
}

}  // namespace

void WriteBmp24(const std::string& path, const Canvas& canvas) {
  const int w = canvas.Width();
  const int h = canvas.Height();
  const std::vector<uint8_t> rgb = canvas.ToRgb8(Dither::None);
  std::vector<uint8_t> out = Headers(w, h, 24, 0);
  for (int y = h - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < w; ++x) {
      const uint32_t c = PixelRgb(rgb, w, x, y);
      out.push_back(uint8_t(c));
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c >> 16));
    }
    PadRow(out, start);
  }
  Save(path, out);
}

void WriteBmp8(const std::string& path, const Canvas& canvas) {
  const int w = canvas.Width();
  const int h = canvas.Height();
  const std::vector<uint8_t> rgb = canvas.ToRgb8(Dither::None);
  std::map<uint32_t, uint8_t> index;
  std::vector<uint32_t> palette;
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t c = PixelRgb(rgb, w, x, y);
      if (index.count(c)) continue;
      if (palette.size() == 256) throw std::runtime_error(path + ": more than 256 colours");
      index[c] = uint8_t(palette.size());
      palette.push_back(c);
    }
  }
  palette.resize(256, 0);
  std::vector<uint8_t> out = Headers(w, h, 8, 256);
  for (uint32_t c : palette) Put32(out, c);  // blue, green, red, reserved
  for (int y = h - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < w; ++x) out.push_back(index[PixelRgb(rgb, w, x, y)]);
    PadRow(out, start);
  }
  Save(path, out);
}

void WriteBmp32(const std::string& path, const Canvas& canvas) {
  Save(path, Bmp32Bytes(canvas));
}

void WriteIco(const std::string& path, const std::vector<Canvas>& images) {
  // An icon image is the bitmap without its file header, its height counting the colour rows
  // and the 1-bit AND mask below them. The mask is all zeros: the alpha channel says it all.
  // The 256-pixel image is a PNG file instead, as Windows takes it: a bitmap would be 270 KB.
  std::vector<std::vector<uint8_t>> dibs;
  for (const Canvas& canvas : images) {
    const int w = canvas.Width();
    const int h = canvas.Height();
    if (w > 256 || h > 256) throw std::runtime_error("an icon is at most 256 pixels: " + path);
    if (w == 256) {
      dibs.push_back(PngBytes(canvas));
      continue;
    }
    std::vector<uint8_t> dib = Bmp32Bytes(canvas);
    dib.erase(dib.begin(), dib.begin() + 14);
    const uint32_t doubled = uint32_t(h) * 2;
    for (int i = 0; i < 4; ++i) dib[8 + i] = uint8_t(doubled >> (8 * i));
    const size_t maskStride = (size_t(w) + 31) / 32 * 4;
    dib.resize(dib.size() + maskStride * size_t(h), 0);
    dibs.push_back(std::move(dib));
  }

  std::vector<uint8_t> out;
  Put16(out, 0);  // ICONDIR: reserved, type 1 (icon), the number of images
  Put16(out, 1);
  Put16(out, uint32_t(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(uint8_t(images[i].Width() & 0xFF));  // 0 stands for 256
    out.push_back(uint8_t(images[i].Height() & 0xFF));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 32);
    Put32(out, uint32_t(dibs[i].size()));
    Put32(out, offset);
    offset += uint32_t(dibs[i].size());
  }
  for (const std::vector<uint8_t>& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
  Save(path, out);
}

}  // namespace vt

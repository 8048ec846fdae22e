#pragma once

#include <cstdint>
#include <vector>

#include "widgets/Color.h"
#include "widgets/Geometry.h"

namespace vt {

// A 32-bit pixel buffer, rows top to bottom, each pixel 0x00RRGGBB.
class Bitmap32 {
 public:
  Bitmap32() = default;
  Bitmap32(int width, int height, TColor fill = 0)
      : m_width(width > 0 ? width : 0),
        m_height(height > 0 ? height : 0),
        m_pixels(size_t(m_width) * size_t(m_height), fill) {}

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool IsEmpty() const { return m_width == 0 || m_height == 0; }
  Rect Bounds() const { return {0, 0, m_width, m_height}; }

  uint32_t* Row(int y) { return m_pixels.data() + size_t(y) * size_t(m_width); }
  const uint32_t* Row(int y) const { return m_pixels.data() + size_t(y) * size_t(m_width); }
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, uint32_t c) { Row(y)[x] = c; }
  uint32_t* Data() { return m_pixels.data(); }
  const uint32_t* Data() const { return m_pixels.data(); }

  // Keeps the buffer's memory when the size does not grow.
  void Resize(int width, int height, TColor fill = 0) {
    m_width = width > 0 ? width : 0;
    m_height = height > 0 ? height : 0;
    m_pixels.assign(size_t(m_width) * size_t(m_height), fill);
  }

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<uint32_t> m_pixels;
};

}  // namespace vt

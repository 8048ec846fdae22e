#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "widgets/Color.h"
#include "widgets/Geometry.h"

namespace vt {

// A 32-bit pixel buffer, rows top to bottom, each pixel 0x00RRGGBB. It owns its pixels, or
// lies over memory that somebody else owns and keeps alive (a frame in memory the display
// reads); a copy always owns its pixels.
class Bitmap32 {
 public:
  Bitmap32() = default;
  Bitmap32(int width, int height, TColor fill = 0)
      : m_width(width > 0 ? width : 0),
        m_height(height > 0 ? height : 0),
        m_pixels(size_t(m_width) * size_t(m_height), fill),
        m_data(m_pixels.data()) {}
  // Over width x height pixels at memory, rows following one another without a gap.
  Bitmap32(uint32_t* memory, int width, int height)
      : m_width(width > 0 ? width : 0), m_height(height > 0 ? height : 0), m_data(memory) {}

  Bitmap32(const Bitmap32& other)
      : m_width(other.m_width),
        m_height(other.m_height),
        m_pixels(other.Data(), other.Data() + other.PixelCount()),
        m_data(m_pixels.data()) {}
  Bitmap32(Bitmap32&& other) noexcept
      : m_width(other.m_width),
        m_height(other.m_height),
        m_pixels(std::move(other.m_pixels)),
        m_data(other.m_data) {
    other.Clear();
  }
  Bitmap32& operator=(const Bitmap32& other) {
    if (this != &other) {
      m_pixels.assign(other.Data(), other.Data() + other.PixelCount());
      m_width = other.m_width;
      m_height = other.m_height;
      m_data = m_pixels.data();
    }
    return *this;
  }
  Bitmap32& operator=(Bitmap32&& other) noexcept {
    if (this != &other) {
      m_pixels = std::move(other.m_pixels);
      m_width = other.m_width;
      m_height = other.m_height;
      m_data = other.m_data;
      other.Clear();
    }
    return *this;
  }

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool IsEmpty() const { return m_width == 0 || m_height == 0; }
  Rect Bounds() const { return {0, 0, m_width, m_height}; }

  uint32_t* Row(int y) { return m_data + size_t(y) * size_t(m_width); }
  const uint32_t* Row(int y) const { return m_data + size_t(y) * size_t(m_width); }
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, uint32_t c) { Row(y)[x] = c; }
  uint32_t* Data() { return m_data; }
  const uint32_t* Data() const { return m_data; }

  // Keeps the buffer's memory when the size does not grow; a bitmap over borrowed memory
  // gets pixels of its own.
  void Resize(int width, int height, TColor fill = 0) {
    m_width = width > 0 ? width : 0;
    m_height = height > 0 ? height : 0;
    m_pixels.assign(PixelCount(), fill);
    m_data = m_pixels.data();
  }
  void Fill(TColor color) { std::fill_n(m_data, PixelCount(), color); }

 private:
  size_t PixelCount() const { return size_t(m_width) * size_t(m_height); }
  void Clear() {
    m_width = m_height = 0;
    m_pixels.clear();
    m_data = nullptr;
  }

  int m_width = 0;
  int m_height = 0;
  std::vector<uint32_t> m_pixels;
  uint32_t* m_data = nullptr;  // m_pixels' memory, or the borrowed memory
};

}  // namespace vt

#include "widgets/Painter.h"

#include <algorithm>

namespace vt {

Painter::Painter(Bitmap32& target) : m_target(target) {
  m_state.clip = target.Bounds();
}

void Painter::Translate(int dx, int dy) {
  m_state.origin.x += dx;
  m_state.origin.y += dy;
}

void Painter::AddClip(const Rect& local) {
  m_state.clip = m_state.clip.Intersected(local.Translated(m_state.origin.x, m_state.origin.y));
}

void Painter::FillRect(const Rect& local, TColor color) {
  Rect r = local.Translated(m_state.origin.x, m_state.origin.y).Intersected(m_state.clip);
  for (int y = r.top; y < r.Bottom(); ++y) {
    std::fill_n(m_target.Row(y) + r.left, r.width, color);
  }
}

void Painter::DrawFrame(const Rect& local, TColor top_left, TColor bottom_right) {
  if (local.IsEmpty()) return;
  FillRect({local.left, local.top, local.width, 1}, top_left);
  FillRect({local.left, local.top, 1, local.height}, top_left);
  FillRect({local.left, local.Bottom() - 1, local.width, 1}, bottom_right);
  FillRect({local.Right() - 1, local.top, 1, local.height}, bottom_right);
}

void Painter::SetPixel(int x, int y, TColor color) {
  x += m_state.origin.x;
  y += m_state.origin.y;
  if (m_state.clip.Contains(x, y)) m_target.SetPixel(x, y, color);
}

// Per channel (src * alpha + dst * (255 - alpha) + 127) / 255, rounded down. Red and blue are
// mixed together in the two 16-bit halves of one word (no sum exceeds 65152, so neither half
// carries into the other), and t / 255 is computed as (t + 1 + (t >> 8)) >> 8, which is exact
// for every t below 65535. Checked, when written, against the plain per-channel division for
// every pair of channel values and every alpha: no difference.
static inline uint32_t Mix(uint32_t dst, TColor src, unsigned alpha) {
  unsigned inv = 255 - alpha;
  uint32_t rb = (src & 0xFF00FFu) * alpha + (dst & 0xFF00FFu) * inv + 0x7F007Fu;
  uint32_t g = GreenOf(src) * alpha + GreenOf(dst) * inv + 0x7Fu;
  rb = ((rb + 0x10001u + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  g = (g + 1 + (g >> 8)) >> 8;
  return rb | (g << 8);
}

void Painter::BlendPixel(int x, int y, TColor color, uint8_t alpha) {
  x += m_state.origin.x;
  y += m_state.origin.y;
  if (alpha == 0 || !m_state.clip.Contains(x, y)) return;
  uint32_t& px = m_target.Row(y)[x];
  px = alpha == 255 ? color : Mix(px, color, alpha);
}

void Painter::BlendMask(int x, int y, const uint8_t* mask, int width, int height, int pitch,
                        TColor color) {
  Rect target = Rect{x + m_state.origin.x, y + m_state.origin.y, width, height};
  Rect r = target.Intersected(m_state.clip);
  for (int ty = r.top; ty < r.Bottom(); ++ty) {
    const uint8_t* src = mask + size_t(ty - target.top) * pitch + (r.left - target.left);
    uint32_t* dst = m_target.Row(ty) + r.left;
    for (int i = 0; i < r.width; ++i) {
      unsigned a = src[i];
      if (a == 0) continue;
      dst[i] = a == 255 ? color : Mix(dst[i], color, a);
    }
  }
}

void Painter::DrawScaled(const Bitmap32& src, const Rect& dst, std::optional<TColor> transparent) {
  if (src.IsEmpty() || dst.IsEmpty()) return;
  Rect target = dst.Translated(m_state.origin.x, m_state.origin.y);
  Rect r = target.Intersected(m_state.clip);
  if (r.IsEmpty()) return;
  // Source column for each destination column of the visible span, computed once.
  std::vector<int> columns(size_t(r.width));
  for (int i = 0; i < r.width; ++i) {
    columns[size_t(i)] = int(int64_t(r.left - target.left + i) * src.Width() / target.width);
  }
  uint32_t key = transparent.value_or(0);
  int last_sy = -1;
  for (int y = r.top; y < r.Bottom(); ++y) {
    const int sy = int(int64_t(y - target.top) * src.Height() / target.height);
    const uint32_t* srow = src.Row(sy);
    uint32_t* drow = m_target.Row(y) + r.left;
    // A row that repeats the source row above it (every other row of a picture drawn twice its
    // height) is a copy of the row just drawn, still in the cache.
    const bool repeats = sy == last_sy;
    last_sy = sy;
    if (repeats && !transparent) {
      std::copy_n(drow - m_target.Width(), r.width, drow);
      continue;
    }
    if (transparent) {
      for (int i = 0; i < r.width; ++i) {
        uint32_t c = srow[columns[size_t(i)]] & 0xFFFFFFu;
        if (c != key) drow[i] = c;
      }
    } else {
      for (int i = 0; i < r.width; ++i) drow[i] = srow[columns[size_t(i)]];
    }
  }
}

void Painter::DrawCopy(const Bitmap32& src, int x, int y, std::optional<TColor> transparent) {
  if (src.IsEmpty()) return;
  Rect target{x + m_state.origin.x, y + m_state.origin.y, src.Width(), src.Height()};
  Rect r = target.Intersected(m_state.clip);
  if (r.IsEmpty()) return;
  const int sx = r.left - target.left;
  uint32_t key = transparent.value_or(0);
  for (int ty = r.top; ty < r.Bottom(); ++ty) {
    const uint32_t* srow = src.Row(ty - target.top) + sx;
    uint32_t* drow = m_target.Row(ty) + r.left;
    if (transparent) {
      for (int i = 0; i < r.width; ++i) {
        uint32_t c = srow[i] & 0xFFFFFFu;
        if (c != key) drow[i] = c;
      }
    } else {
      std::copy_n(srow, r.width, drow);
    }
  }
}

}  // namespace vt

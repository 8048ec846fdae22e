#pragma once

#include <algorithm>
#include <cstdint>

namespace vt {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle in integer pixels; width or height of 0 or less means empty.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  int64_t Area() const { return IsEmpty() ? 0 : int64_t(width) * height; }

  bool Contains(int x, int y) const {
    return x >= left && x < Right() && y >= top && y < Bottom();
  }
  bool Contains(const Rect& r) const {
    return !r.IsEmpty() && r.left >= left && r.top >= top && r.Right() <= Right() &&
           r.Bottom() <= Bottom();
  }
  bool Intersects(const Rect& r) const { return !Intersected(r).IsEmpty(); }

  Rect Intersected(const Rect& r) const {
    int l = std::max(left, r.left), t = std::max(top, r.top);
    int rr = std::min(Right(), r.Right()), b = std::min(Bottom(), r.Bottom());
    if (rr <= l || b <= t) return {};
    return {l, t, rr - l, b - t};
  }
  // The smallest rectangle holding both; an empty operand is ignored.
  Rect United(const Rect& r) const {
    if (IsEmpty()) return r;
    if (r.IsEmpty()) return *this;
    int l = std::min(left, r.left), t = std::min(top, r.top);
    int rr = std::max(Right(), r.Right()), b = std::max(Bottom(), r.Bottom());
    return {l, t, rr - l, b - t};
  }
  Rect Translated(int dx, int dy) const { return {left + dx, top + dy, width, height}; }

  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace vt

#include "tools/assetgen/Canvas.h"

#include <algorithm>
#include <cmath>

namespace vt {

FColor Mix(FColor a, FColor b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

namespace {

float Clamp01(float v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// Length of the overlap of [a0, a1) with [b0, b1).
float Overlap(float a0, float a1, float b0, float b1) {
  return std::max(0.f, std::min(a1, b1) - std::max(a0, b0));
}

// One-dimensional area weights for resampling n source cells into m target cells.
struct Tap {
  int first;
  std::vector<float> weights;
};

std::vector<Tap> AreaTaps(int n, int m) {
  std::vector<Tap> taps(static_cast<size_t>(m));
  const double ratio = double(n) / double(m);
  for (int i = 0; i < m; ++i) {
    const double s0 = i * ratio;
    const double s1 = (i + 1) * ratio;
    Tap& tap = taps[size_t(i)];
    tap.first = int(std::floor(s0));
    const int last = std::min(n - 1, int(std::ceil(s1)) - 1);
    double total = 0;
    for (int j = tap.first; j <= last; ++j) {
      const double w = std::min(s1, double(j + 1)) - std::max(s0, double(j));
      tap.weights.push_back(float(w));
      total += w;
    }
    for (float& w : tap.weights) w = float(w / total);
  }
  return taps;
}

}  // namespace

Canvas::Canvas(int width, int height)
    : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height) * 4, 0.f) {}

Canvas::Canvas(int width, int height, FColor fill) : Canvas(width, height) {
  for (size_t i = 0; i < m_pixels.size(); i += 4) {
    m_pixels[i] = fill.r;
    m_pixels[i + 1] = fill.g;
    m_pixels[i + 2] = fill.b;
    m_pixels[i + 3] = 1;
  }
}

FColor Canvas::ColorAt(int x, int y) const {
  const float* p = &m_pixels[Index(x, y)];
  if (p[3] <= 0) return {};
  return {p[0] / p[3], p[1] / p[3], p[2] / p[3]};
}

void Canvas::SetPixel(int x, int y, FColor c) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  float* p = &m_pixels[Index(x, y)];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = 1;
}

float Canvas::Coverage(float c) const {
  c = Clamp01(c);
  if (!m_antialias) return c >= 0.5f ? 1.f : 0.f;
  return c;
}

void Canvas::Blend(int x, int y, FColor c, float coverage) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height || coverage <= 0) return;
  if (coverage > 1) coverage = 1;
  float* p = &m_pixels[Index(x, y)];
  const float keep = 1 - coverage;
  p[0] = p[0] * keep + c.r * coverage;
  p[1] = p[1] * keep + c.g * coverage;
  p[2] = p[2] * keep + c.b * coverage;
  p[3] = p[3] * keep + coverage;
}

void Canvas::AddLight(int x, int y, FColor c, float amount) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height || amount <= 0) return;
  float* p = &m_pixels[Index(x, y)];
  const float a = p[3];
  p[0] += c.r * amount * a;
  p[1] += c.g * amount * a;
  p[2] += c.b * amount * a;
}

void Canvas::FillRect(float x0, float y0, float x1, float y1, FColor c, float alpha) {
  const int ix0 = std::max(0, int(std::floor(x0)));
  const int iy0 = std::max(0, int(std::floor(y0)));
  const int ix1 = std::min(m_width, int(std::ceil(x1)));
  const int iy1 = std::min(m_height, int(std::ceil(y1)));
  for (int y = iy0; y < iy1; ++y) {
    const float cy = Overlap(float(y), float(y + 1), y0, y1);
    for (int x = ix0; x < ix1; ++x) {
      const float cx = Overlap(float(x), float(x + 1), x0, x1);
      Blend(x, y, c, alpha * Coverage(cx * cy));
    }
  }
}

void Canvas::FillCircle(float cx, float cy, float r, FColor c, float alpha) {
  FillEllipse(cx, cy, r, r, c, alpha);
}

void Canvas::FillEllipse(float cx, float cy, float rx, float ry, FColor c, float alpha) {
  if (rx <= 0 || ry <= 0) return;
  const int x0 = std::max(0, int(std::floor(cx - rx - 1)));
  const int x1 = std::min(m_width - 1, int(std::ceil(cx + rx + 1)));
  const int y0 = std::max(0, int(std::floor(cy - ry - 1)));
  const int y1 = std::min(m_height - 1, int(std::ceil(cy + ry + 1)));
  const float rmin = std::min(rx, ry);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float dx = (x + 0.5f - cx) / rx;
      const float dy = (y + 0.5f - cy) / ry;
      // Distance to the outline in pixels, close enough for the soft edge.
      const float d = (std::sqrt(dx * dx + dy * dy) - 1) * rmin;
      Blend(x, y, c, alpha * Coverage(0.5f - d));
    }
  }
}

void Canvas::FillPolygon(std::span<const PointF> points, FColor c, float alpha) {
  if (points.size() < 3) return;
  float miny = points[0].y;
  float maxy = points[0].y;
  float minx = points[0].x;
  float maxx = points[0].x;
  for (const PointF& p : points) {
    miny = std::min(miny, p.y);
    maxy = std::max(maxy, p.y);
    minx = std::min(minx, p.x);
    maxx = std::max(maxx, p.x);
  }
  const int y0 = std::max(0, int(std::floor(miny)));
  const int y1 = std::min(m_height - 1, int(std::ceil(maxy)));
  const int x0 = std::max(0, int(std::floor(minx)));
  const int x1 = std::min(m_width - 1, int(std::ceil(maxx)));
  if (x1 < x0) return;
  constexpr int kSubRows = 5;
  std::vector<float> cover(size_t(x1 - x0 + 1));
  struct Crossing {
    float x;
    int dir;
  };
  std::vector<Crossing> crossings;
  for (int y = y0; y <= y1; ++y) {
    std::fill(cover.begin(), cover.end(), 0.f);
    for (int k = 0; k < kSubRows; ++k) {
      const float sy = y + (k + 0.5f) / kSubRows;
      crossings.clear();
      for (size_t i = 0; i < points.size(); ++i) {
        const PointF& a = points[i];
        const PointF& b = points[(i + 1) % points.size()];
        if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy)) {
          const float t = (sy - a.y) / (b.y - a.y);
          crossings.push_back({a.x + t * (b.x - a.x), a.y < b.y ? 1 : -1});
        }
      }
      std::sort(crossings.begin(), crossings.end(),
                [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
      int winding = 0;
      for (size_t i = 0; i + 1 < crossings.size(); ++i) {
        winding += crossings[i].dir;
        if (winding == 0) continue;
        const float xa = std::max(crossings[i].x, float(x0));
        const float xb = std::min(crossings[i + 1].x, float(x1 + 1));
        for (int px = int(std::floor(xa)); px < xb && px <= x1; ++px) {
          cover[size_t(px - x0)] += Overlap(float(px), float(px + 1), xa, xb) / kSubRows;
        }
      }
    }
    for (int x = x0; x <= x1; ++x) Blend(x, y, c, alpha * Coverage(cover[size_t(x - x0)]));
  }
}

void Canvas::DrawLine(float x0, float y0, float x1, float y1, float width, FColor c, float alpha) {
  const float half = width / 2;
  const int bx0 = std::max(0, int(std::floor(std::min(x0, x1) - half - 1)));
  const int bx1 = std::min(m_width - 1, int(std::ceil(std::max(x0, x1) + half + 1)));
  const int by0 = std::max(0, int(std::floor(std::min(y0, y1) - half - 1)));
  const int by1 = std::min(m_height - 1, int(std::ceil(std::max(y0, y1) + half + 1)));
  const float dx = x1 - x0;
  const float dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  for (int y = by0; y <= by1; ++y) {
    for (int x = bx0; x <= bx1; ++x) {
      const float px = x + 0.5f - x0;
      const float py = y + 0.5f - y0;
      const float t = len2 > 0 ? Clamp01((px * dx + py * dy) / len2) : 0.f;
      const float ex = px - t * dx;
      const float ey = py - t * dy;
      const float d = std::sqrt(ex * ex + ey * ey);
      // Thin strokes fade rather than vanish.
      const float cov = half < 0.5f ? Clamp01(half * 2 * (1 - d)) : Clamp01(half - d + 0.5f);
      Blend(x, y, c, alpha * Coverage(cov));
    }
  }
}

void Canvas::Glow(float cx, float cy, float radius, FColor c, float strength) {
  const int x0 = std::max(0, int(cx - radius));
  const int x1 = std::min(m_width - 1, int(cx + radius + 1));
  const int y0 = std::max(0, int(cy - radius));
  const int y1 = std::min(m_height - 1, int(cy + radius + 1));
  const float inv = 1.f / (radius * radius);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float dx = x + 0.5f - cx;
      const float dy = y + 0.5f - cy;
      const float q = 1 - (dx * dx + dy * dy) * inv;
      if (q > 0) AddLight(x, y, c, strength * q * q);
    }
  }
}

void Canvas::VerticalGradient(int x0, int y0, int x1, int y1, std::span<const FColor> stops) {
  if (stops.empty() || y1 <= y0) return;
  const float span = float(std::max(1, y1 - y0 - 1));
  for (int y = std::max(0, y0); y < std::min(m_height, y1); ++y) {
    FColor c = stops[0];
    if (stops.size() > 1) {
      const float pos = float(y - y0) / span * float(stops.size() - 1);
      const size_t i = std::min(stops.size() - 2, size_t(pos));
      c = Mix(stops[i], stops[i + 1], pos - float(i));
    }
    for (int x = std::max(0, x0); x < std::min(m_width, x1); ++x) SetPixel(x, y, c);
  }
}

void Canvas::Draw(const Canvas& src, int dx, int dy) {
  DrawStretched(src, dx, dy, src.Width(), src.Height());
}

void Canvas::DrawStretched(const Canvas& src, int dx, int dy, int dw, int dh) {
  if (dw <= 0 || dh <= 0) return;
  for (int y = std::max(0, dy); y < std::min(m_height, dy + dh); ++y) {
    const int sy = int(int64_t(y - dy) * src.Height() / dh);
    for (int x = std::max(0, dx); x < std::min(m_width, dx + dw); ++x) {
      const int sx = int(int64_t(x - dx) * src.Width() / dw);
      const float* s = &src.m_pixels[src.Index(sx, sy)];
      float* d = &m_pixels[Index(x, y)];
      const float keep = 1 - s[3];
      for (int k = 0; k < 4; ++k) d[k] = d[k] * keep + s[k];
    }
  }
}

Canvas Canvas::Resampled(int width, int height) const {
  const std::vector<Tap> xt = AreaTaps(m_width, width);
  const std::vector<Tap> yt = AreaTaps(m_height, height);
  Canvas rows(width, m_height);
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Tap& tap = xt[size_t(x)];
      float* d = &rows.m_pixels[rows.Index(x, y)];
      for (size_t j = 0; j < tap.weights.size(); ++j) {
        const float* s = &m_pixels[Index(tap.first + int(j), y)];
        for (int k = 0; k < 4; ++k) d[k] += s[k] * tap.weights[j];
      }
    }
  }
  Canvas out(width, height);
  for (int y = 0; y < height; ++y) {
    const Tap& tap = yt[size_t(y)];
    for (size_t j = 0; j < tap.weights.size(); ++j) {
      const float w = tap.weights[j];
      const float* s = &rows.m_pixels[rows.Index(0, tap.first + int(j))];
      float* d = &out.m_pixels[out.Index(0, y)];
      for (int i = 0; i < width * 4; ++i) d[i] += s[i] * w;
    }
  }
  return out;
}

void Canvas::Bloom(float threshold, float strength, int radius) {
  constexpr int kStep = 4;
  const int w = (m_width + kStep - 1) / kStep;
  const int h = (m_height + kStep - 1) / kStep;
  std::vector<FColor> small(size_t(w) * size_t(h));
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const FColor c = ColorAt(x, y);
      const float over = c.Luma() - threshold;
      if (over <= 0) continue;
      small[size_t(y / kStep) * size_t(w) + size_t(x / kStep)] =
          small[size_t(y / kStep) * size_t(w) + size_t(x / kStep)] +
          c * (over / c.Luma() / (kStep * kStep));
    }
  }
  // Three box blurs in each direction come close to a Gaussian.
  std::vector<FColor> tmp(small.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        FColor sum;
        for (int k = -radius; k <= radius; ++k) {
          sum = sum + small[size_t(y) * size_t(w) + size_t(std::clamp(x + k, 0, w - 1))];
        }
        tmp[size_t(y) * size_t(w) + size_t(x)] = sum * (1.f / float(2 * radius + 1));
      }
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        FColor sum;
        for (int k = -radius; k <= radius; ++k) {
          sum = sum + tmp[size_t(std::clamp(y + k, 0, h - 1)) * size_t(w) + size_t(x)];
        }
        small[size_t(y) * size_t(w) + size_t(x)] = sum * (1.f / float(2 * radius + 1));
      }
    }
  }
  for (int y = 0; y < m_height; ++y) {
    const float fy = std::clamp((y + 0.5f) / kStep - 0.5f, 0.f, float(h - 1));
    const int y0 = int(fy);
    const int y1 = std::min(h - 1, y0 + 1);
    const float ty = fy - float(y0);
    for (int x = 0; x < m_width; ++x) {
      const float fx = std::clamp((x + 0.5f) / kStep - 0.5f, 0.f, float(w - 1));
      const int x0 = int(fx);
      const int x1 = std::min(w - 1, x0 + 1);
      const float tx = fx - float(x0);
      const FColor top = Mix(small[size_t(y0) * size_t(w) + size_t(x0)],
                             small[size_t(y0) * size_t(w) + size_t(x1)], tx);
      const FColor bottom = Mix(small[size_t(y1) * size_t(w) + size_t(x0)],
                                small[size_t(y1) * size_t(w) + size_t(x1)], tx);
      AddLight(x, y, Mix(top, bottom, ty), strength);
    }
  }
}

Canvas Canvas::FlattenedOnto(FColor ground) const {
  Canvas out(m_width, m_height, ground);
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      if (AlphaAt(x, y) >= 0.5f) out.SetPixel(x, y, ColorAt(x, y));
    }
  }
  return out;
}

std::vector<uint8_t> Canvas::ToRgb8(Dither dither) const {
  // A 4 x 4 Bayer matrix spreads the rounding error of smooth skies, so they do not band.
  static constexpr int kBayer[4][4] = {
      {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  std::vector<uint8_t> out(size_t(m_width) * size_t(m_height) * 3);
  size_t o = 0;
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const FColor c = ColorAt(x, y);
      const float offset =
          dither == Dither::Ordered ? (float(kBayer[y & 3][x & 3]) + 0.5f) / 16.f : 0.5f;
      for (float v : {c.r, c.g, c.b}) {
        out[o++] = uint8_t(std::clamp(std::floor(v + offset), 0.f, 255.f));
      }
    }
  }
  return out;
}

}  // namespace vt

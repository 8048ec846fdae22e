#include "tools/assetgen/StrokeFont.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vt {

namespace {

using Polyline = std::vector<PointF>;

struct Glyph {
  float advance;
  std::vector<Polyline> strokes;
};

// An elliptic arc from angle a0 to a1 in degrees, 0 pointing right and 90 down.
Polyline Arc(float cx, float cy, float rx, float ry, float a0, float a1) {
  Polyline p;
  const int steps = std::max(4, int(std::abs(a1 - a0) / 7.5f));
  for (int i = 0; i <= steps; ++i) {
    const float a = (a0 + (a1 - a0) * float(i) / float(steps)) * std::numbers::pi_v<float> / 180;
    p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return p;
}

Polyline Join(Polyline a, const Polyline& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Cap line at y 0, x-height at y 3, baseline at y 10.
Glyph GlyphFor(char ch) {
  switch (ch) {
    case 'V':
      return {7, {{{0, 0}, {3.5f, 10}, {7, 0}}}};
    case 'a':
      return {5.4f, {Arc(2.6f, 6.5f, 2.6f, 3.5f, 0, 360), {{5.4f, 3}, {5.4f, 10}}}};
    case 'n':
      return {5, {{{0, 3}, {0, 10}}, Join(Arc(2.5f, 6, 2.5f, 3, 180, 360), {{5, 10}})}};
    case 't':
      return {
          3.8f,
          {Join({{1.2f, 0.6f}, {1.2f, 8}}, Arc(2.9f, 8, 1.7f, 2, 180, 90)), {{0, 3}, {3.6f, 3}}}};
    case 'o':
      return {5.4f, {Arc(2.7f, 6.5f, 2.7f, 3.5f, 0, 360)}};
    case 'r':
      return {3.9f, {{{0, 3}, {0, 10}}, Arc(3.9f, 6.6f, 3.9f, 3.6f, 180, 262)}};
    case 'e':
      return {5.4f, {Join({{0.1f, 6.4f}, {5.3f, 6.4f}}, Arc(2.7f, 6.5f, 2.7f, 3.5f, 0, -320))}};
    case 'l':
      return {2.2f, {Join({{0.4f, 0}, {0.4f, 8.4f}}, Arc(2.0f, 8.4f, 1.6f, 1.6f, 180, 90))}};
    case ' ':
      return {3, {}};
    default:
      return {0, {}};
  }
}

float Clamp01(float v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float DistanceToSegment(float px, float py, const StrokeFont::Segment& s) {
  const float dx = s.b.x - s.a.x;
  const float dy = s.b.y - s.a.y;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? ((px - s.a.x) * dx + (py - s.a.y) * dy) / len2 : 0;
  t = Clamp01(t);
  const float ex = px - s.a.x - t * dx;
  const float ey = py - s.a.y - t * dy;
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

std::vector<StrokeFont::Segment> StrokeFont::Layout(std::string_view text, float x, float y) const {
  std::vector<Segment> out;
  float pen = 0;
  for (char ch : text) {
    const Glyph g = GlyphFor(ch);
    for (const Polyline& stroke : g.strokes) {
      for (size_t i = 0; i + 1 < stroke.size(); ++i) {
        out.push_back({{x + (pen + stroke[i].x) * m_unit, y + stroke[i].y * m_unit},
                       {x + (pen + stroke[i + 1].x) * m_unit, y + stroke[i + 1].y * m_unit}});
      }
    }
    pen += g.advance + m_spacing;
  }
  return out;
}

float StrokeFont::TextWidth(std::string_view text) const {
  float pen = 0;
  for (char ch : text) pen += GlyphFor(ch).advance + m_spacing;
  return (pen - m_spacing) * m_unit;
}

void StrokeFont::Paint(Canvas& canvas, const std::vector<Segment>& segments, float width, float dx,
                       float dy, FColor top, FColor bottom, float y0, float y1) {
  if (segments.empty()) return;
  float minx = segments[0].a.x;
  float maxx = minx;
  float miny = segments[0].a.y;
  float maxy = miny;
  for (const Segment& s : segments) {
    minx = std::min({minx, s.a.x, s.b.x});
    maxx = std::max({maxx, s.a.x, s.b.x});
    miny = std::min({miny, s.a.y, s.b.y});
    maxy = std::max({maxy, s.a.y, s.b.y});
  }
  const float half = width / 2;
  const int x0 = std::max(0, int(minx + dx - half - 1));
  const int x1 = std::min(canvas.Width() - 1, int(maxx + dx + half + 1));
  const int ylo = std::max(0, int(miny + dy - half - 1));
  const int yhi = std::min(canvas.Height() - 1, int(maxy + dy + half + 1));
  for (int y = ylo; y <= yhi; ++y) {
    const FColor c = Mix(top, bottom, Clamp01((float(y) - y0) / (y1 - y0)));
    for (int x = x0; x <= x1; ++x) {
      const float px = x + 0.5f - dx;
      const float py = y + 0.5f - dy;
      float d = 1e9f;
      for (const Segment& s : segments) {
        if (px < std::min(s.a.x, s.b.x) - half - 1 || px > std::max(s.a.x, s.b.x) + half + 1 ||
            py < std::min(s.a.y, s.b.y) - half - 1 || py > std::max(s.a.y, s.b.y) + half + 1) {
          continue;
        }
        d = std::min(d, DistanceToSegment(px, py, s));
      }
      canvas.Blend(x, y, c, Clamp01(half - d + 0.5f));
    }
  }
}

}  // namespace vt

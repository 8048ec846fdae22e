#pragma once

#include <string_view>
#include <vector>

#include "tools/assetgen/Canvas.h"

namespace vt {

// A chunky rounded stroke font for the title lettering. Each glyph is a few straight and curved
// strokes on a grid ten units high from cap line to baseline; text is laid out into line
// segments and painted by distance, which gives clean antialiased letters at any size.
class StrokeFont {
 public:
  struct Segment {
    PointF a;
    PointF b;
  };

  // Unit length in pixels, the gap between glyphs in units.
  StrokeFont(float unit, float spacing) : m_unit(unit), m_spacing(spacing) {}

  // The segments of text with its cap line at y and its left edge at x.
  std::vector<Segment> Layout(std::string_view text, float x, float y) const;
  // Width in pixels from the first stroke's centre line to the last one's.
  float TextWidth(std::string_view text) const;

  // Paints the strokes of width `width`, offset by (dx, dy); the colour may vary down the text
  // from top (at y0) to bottom (at y1).
  static void Paint(Canvas& canvas, const std::vector<Segment>& segments, float width, float dx,
                    float dy, FColor top, FColor bottom, float y0, float y1);

 private:
  float m_unit;
  float m_spacing;
};

}  // namespace vt

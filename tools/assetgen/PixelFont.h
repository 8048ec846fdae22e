#pragma once

#include <string_view>

#include "tools/assetgen/Canvas.h"

namespace vt {

// A tiny bitmap font for the floor names and digits that the pictures carry: the floor tabs of
// the building and the panel of the icon. Drawn pixel for pixel, so it stays crisp when the
// program scales the pictures by whole pixels.
class PixelFont {
 public:
  enum class Size { Small3x5, Medium5x7 };

  explicit PixelFont(Size size) : m_size(size) {}

  int GlyphWidth() const { return m_size == Size::Small3x5 ? 3 : 5; }
  int GlyphHeight() const { return m_size == Size::Small3x5 ? 5 : 7; }
  // Width of a text with one blank column between glyphs, each glyph pixel scale x scale.
  int TextWidth(std::string_view text, int scale) const;
  // Draws text with its top-left corner at (x, y); characters without a glyph are skipped.
  void DrawText(Canvas& canvas, int x, int y, std::string_view text, int scale, FColor c) const;

 private:
  // Rows of the glyph, top first, '#' for a set pixel; nullptr when there is none.
  const char* const* Glyph(char ch) const;

  Size m_size;
};

}  // namespace vt

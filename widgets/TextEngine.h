#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Geometry.h"
#include "widgets/Painter.h"
#include "widgets/TFont.h"

namespace vt {

// Text: measuring, line breaking, tabs and drawing, over the platform's glyph source (see
// GlyphSource.h), which finds the faces and rasterises the characters. One engine per
// application.
class TextEngine {
 public:
  TextEngine();
  ~TextEngine();
  TextEngine(const TextEngine&) = delete;
  TextEngine& operator=(const TextEngine&) = delete;

  // Height of one text line in the font, in pixels (the pixel height of the text "0").
  int LineHeight(const TFont& font);
  // Advance width of one line of UTF-8 text; tabs expand to the next multiple of eight
  // average character widths.
  int TextWidth(const TFont& font, std::string_view line);
  // Width and height of text as one block: its widest line by the number of lines ("\n" or
  // "\r\n" separates lines). An empty text measures as one blank.
  Size MeasureText(const TFont& font, std::string_view text);
  // Breaks text into lines no wider than width: at line breaks, at blanks and beside
  // CJK characters; a piece that cannot be broken stays whole on its own line.
  std::vector<std::string> WrapLines(const TFont& font, std::string_view text, int width);
  // Draws one line, antialiased, with its top-left corner at (x, y) in painter coordinates,
  // emboldened when the font is bold and the face has no bold of its own.
  void DrawLine(Painter& painter, const TFont& font, std::string_view line, int x, int y,
                TColor color);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace vt

#include "tools/assetgen/PixelFont.h"

namespace vt {

namespace {

struct GlyphRows {
  char ch;
  const char* rows[7];
};

constexpr GlyphRows kSmall[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"##.", "..#", ".#.", "#..", "###"}}, {'3', {"##.", "..#", ".#.", "..#", "##."}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "##.", "..#", "##."}},
    {'B', {"##.", "#.#", "##.", "#.#", "##."}},
};

constexpr GlyphRows kMedium[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
};

}  // namespace

const char* const* PixelFont::Glyph(char ch) const {
  if (m_size == Size::Small3x5) {
    for (const GlyphRows& g : kSmall) {
      if (g.ch == ch) return g.rows;
    }
  } else {
    for (const GlyphRows& g : kMedium) {
      if (g.ch == ch) return g.rows;
    }
  }
  return nullptr;
}

int PixelFont::TextWidth(std::string_view text, int scale) const {
  if (text.empty()) return 0;
  return int(text.size()) * (GlyphWidth() + 1) * scale - scale;
}

void PixelFont::DrawText(Canvas& canvas, int x, int y, std::string_view text, int scale,
                         FColor c) const {
  for (char ch : text) {
    if (const char* const* rows = Glyph(ch)) {
      for (int gy = 0; gy < GlyphHeight(); ++gy) {
        for (int gx = 0; gx < GlyphWidth(); ++gx) {
          if (rows[gy][gx] != '#') continue;
          canvas.FillRect(float(x + gx * scale), float(y + gy * scale), float(x + (gx + 1) * scale),
                          float(y + (gy + 1) * scale), c);
        }
      }
    }
    x += (GlyphWidth() + 1) * scale;
  }
}

}  // namespace vt

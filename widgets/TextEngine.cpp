#include "widgets/TextEngine.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "widgets/GlyphSource.h"

namespace vt {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr int kTabColumns = 8;

// Decodes the UTF-8 sequence at pos and moves pos past it. A malformed or truncated sequence
// gives U+FFFD and consumes only its valid prefix (at least one byte), so the next sequence
// is read from the first byte that cannot belong to this one.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  auto lead = uint8_t(text[pos]);
  ++pos;
  if (lead < 0x80) return lead;
  int length;
  char32_t cp;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07u;
  } else {
    return kReplacementCharacter;
  }
  for (int k = 1; k < length; ++k) {
    if (pos >= text.size()) return kReplacementCharacter;
    auto byte = uint8_t(text[pos]);
    // The limits on the second byte rule out overlong forms, surrogates and code points
    // beyond U+10FFFF.
    uint8_t low = 0x80, high = 0xBF;
    if (k == 1) {
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    if (byte < low || byte > high) return kReplacementCharacter;
    cp = (cp << 6) | (byte & 0x3Fu);
    ++pos;
  }
  return cp;
}

bool IsBlank(char32_t cp) {
  return cp == U' ' || cp == U'\t';
}

bool IsControl(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

// Characters of the scripts written without spaces: a line may break before and after each.
bool IsCjk(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x2E80 && cp <= 0x9FFF) ||
         (cp >= 0xA000 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    size_t content_end = end > start && text[end - 1] == '\r' ? end - 1 : end;
    lines.push_back(text.substr(start, content_end - start));
    start = end + 1;
  }
}

}  // namespace

struct TextEngine::Impl {
  std::unique_ptr<GlyphSource> glyphs = CreateGlyphSource();

  // Walks a line as runs of printable characters: calls run(x, characters) for each with the
  // pen where it starts, moving the pen to the next tab stop at each tab. Returns the pen at
  // the end of the line.
  template <typename RunFunction>
  int ForEachRun(const TFont& font, std::string_view line, RunFunction run) {
    std::u32string characters;
    int pen = 0;
    auto flush = [&] {
      if (characters.empty()) return;
      run(pen, std::u32string_view(characters));
      pen += glyphs->RunWidth(font, characters);
      characters.clear();
    };
    for (size_t pos = 0; pos < line.size();) {
      char32_t cp = DecodeUtf8(line, pos);
      if (cp == U'\t') {
        flush();
        int tab = kTabColumns * glyphs->AverageCharWidth(font);
        pen = (pen / tab + 1) * tab;
      } else if (!IsControl(cp)) {
        characters.push_back(cp);
      }
    }
    flush();
    return pen;
  }

  int Width(const TFont& font, std::string_view line) {
    return ForEachRun(font, line, [](int, std::u32string_view) {});
  }

  // Greedy filling of one line without line breaks. Blanks at a break are dropped; those at
  // the start of the line and at its end stay.
  void Wrap(const TFont& font, std::string_view line, int width, std::vector<std::string>& out) {
    std::string current;
    std::string gap;
    bool started = false;
    bool broken = false;
    size_t pos = 0;
    while (pos < line.size()) {
      size_t start = pos;
      char32_t cp = DecodeUtf8(line, pos);
      if (IsBlank(cp)) {
        gap.append(line.substr(start, pos - start));
        continue;
      }
      // A piece is one CJK character or a run of other characters up to the next blank or
      // CJK character.
      if (!IsCjk(cp)) {
        for (size_t next = pos; next < line.size();) {
          char32_t following = DecodeUtf8(line, next);
          if (IsBlank(following) || IsCjk(following)) break;
          pos = next;
        }
      }
      std::string_view piece = line.substr(start, pos - start);
      if (!started) {
        current = broken ? std::string() : gap;
        current.append(piece);
        started = true;
      } else {
        std::string candidate = current + gap;
        candidate.append(piece);
        if (Width(font, candidate) <= width) {
          current = std::move(candidate);
        } else {
          out.push_back(std::move(current));
          current.assign(piece);
          broken = true;
        }
      }
      gap.clear();
    }
    if (started) {
      out.push_back(current + gap);
    } else {
      out.push_back(broken ? std::string() : gap);
    }
  }
};

TextEngine::TextEngine() : m_impl(std::make_unique<Impl>()) {}

TextEngine::~TextEngine() = default;

int TextEngine::LineHeight(const TFont& font) {
  return m_impl->glyphs->Metrics(font).line_height;
}

int TextEngine::TextWidth(const TFont& font, std::string_view line) {
  return m_impl->Width(font, line);
}

Size TextEngine::MeasureText(const TFont& font, std::string_view text) {
  int line_height = m_impl->glyphs->Metrics(font).line_height;
  if (text.empty()) return {m_impl->Width(font, " "), line_height};
  std::vector<std::string_view> lines = SplitLines(text);
  int widest = 0;
  for (std::string_view line : lines) widest = std::max(widest, m_impl->Width(font, line));
  return {widest, int(lines.size()) * line_height};
}

std::vector<std::string> TextEngine::WrapLines(const TFont& font, std::string_view text,
                                               int width) {
  std::vector<std::string> out;
  for (std::string_view line : SplitLines(text)) m_impl->Wrap(font, line, width, out);
  return out;
}

void TextEngine::DrawLine(Painter& painter, const TFont& font, std::string_view line, int x, int y,
                          TColor color) {
  int baseline = y + m_impl->glyphs->Metrics(font).ascent;
  m_impl->ForEachRun(font, line, [&](int pen, std::u32string_view run) {
    m_impl->glyphs->RasteriseRun(font, run, [&](const CoverageMask& mask) {
      painter.BlendMask(x + pen + mask.left, baseline - mask.top, mask.coverage, mask.width,
                        mask.height, mask.width, color);
    });
  });
}

}  // namespace vt

#include "widgets/TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "widgets/Exceptions.h"

namespace vt {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
// The form descriptions name this face; IPAPGothic is its proportional counterpart.
constexpr std::string_view kPGothicName = "ＭＳ Ｐゴシック";
constexpr const char* kPGothicSubstitute = "IPAPGothic";
constexpr const char* kJapaneseFallback = "sans-serif:lang=ja";
// A zero height asks for the default size, that of the forms' own font.
constexpr int kDefaultEm = 12;
constexpr int kMaxEm = 2048;
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

// Font units scaled to pixels and rounded; units and em are never negative here but the
// descender is, so round half away from zero.
int ScaleRounded(long units, int em, int units_per_em) {
  long long scaled = (long long)units * em * 2;
  long long denominator = 2LL * units_per_em;
  return int(scaled >= 0 ? (scaled + units_per_em) / denominator
                         : -((-scaled + units_per_em) / denominator));
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

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

}  // namespace

struct TextEngine::Impl {
  struct Face {
    FT_Face face = nullptr;
    bool is_bold = false;  // the face's own design is bold
  };

  struct Glyph {
    int advance = 0;  // whole pixels, emboldening included
    int left = 0;     // bitmap offset right of the pen
    int top = 0;      // bitmap offset above the baseline
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width × height, rows top to bottom
  };

  // One face at one pixel size, with the glyphs drawn from it so far.
  struct Instance {
    Face* face = nullptr;
    int em = 0;
    bool bold = false;
    int ascent = 0;
    int line_height = 0;
    int tab_width = 0;  // 0 until first needed
    std::unordered_map<char32_t, Glyph> glyphs;
  };

  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  std::map<std::pair<std::string, int>, std::unique_ptr<Face>> faces_by_file;
  std::map<std::pair<std::string, bool>, Face*> faces_by_name;
  std::unordered_map<char32_t, Face*> fallback_faces;  // nullptr: no face has the character
  std::map<std::tuple<std::string, bool, int>, std::unique_ptr<Instance>> instances;
  // Labels are drawn and measured many times in a row in the same font.
  Instance* last_instance = nullptr;
  std::string last_name;
  bool last_bold = false;
  int last_height = 0;

  Impl() {
    if (FT_Init_FreeType(&library) != 0) throw EOutOfResources("FreeType cannot be initialised");
    config = FcInitLoadConfigAndFonts();
    if (config == nullptr) {
      FT_Done_FreeType(library);
      throw EOutOfResources("fontconfig cannot be initialised");
    }
  }

  ~Impl() {
    instances.clear();
    for (auto& [key, face] : faces_by_file) FT_Done_Face(face->face);
    FT_Done_FreeType(library);
    FcConfigDestroy(config);
  }

  Face* OpenFace(const FcPattern* match) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    auto key = std::make_pair(std::string(reinterpret_cast<const char*>(file)), index);
    auto found = faces_by_file.find(key);
    if (found != faces_by_file.end()) return found->second.get();
    FT_Face face = nullptr;
    if (FT_New_Face(library, key.first.c_str(), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0 || face->ascender <= face->descender) {
      FT_Done_Face(face);
      return nullptr;
    }
    auto entry = std::make_unique<Face>();
    entry->face = face;
    entry->is_bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    Face* result = entry.get();
    faces_by_file.emplace(std::move(key), std::move(entry));
    return result;
  }

  PatternPtr Match(FcPattern* pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    return PatternPtr(FcFontMatch(config, pattern, &result));
  }

  static bool HasFamily(const FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
      if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
    }
    return false;
  }

  // The face of a family, or nullptr when no installed font carries that family (fontconfig
  // would otherwise answer with an unrelated substitute).
  Face* FindFamily(const char* family, bool bold) {
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    PatternPtr match = Match(pattern.get());
    if (!match || !HasFamily(match.get(), family)) return nullptr;
    return OpenFace(match.get());
  }

  Face* FindJapaneseFallback(bool bold) {
    PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>(kJapaneseFallback)));
    if (!pattern) return nullptr;
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    PatternPtr match = Match(pattern.get());
    return match ? OpenFace(match.get()) : nullptr;
  }

  Face* FaceFor(const std::string& name, bool bold) {
    auto key = std::make_pair(name, bold);
    auto found = faces_by_name.find(key);
    if (found != faces_by_name.end()) return found->second;
    Face* face = nullptr;
    if (name == kPGothicName) {
      face = FindFamily(kPGothicSubstitute, bold);
    } else if (!name.empty()) {
      face = FindFamily(name.c_str(), bold);
    }
    if (face == nullptr) face = FindJapaneseFallback(bold);
    if (face == nullptr) throw EOutOfResources("no font face is available for \"" + name + "\"");
    faces_by_name.emplace(std::move(key), face);
    return face;
  }

  // A face that has the character, for characters the chosen face lacks; asked once per
  // character.
  Face* FallbackFor(char32_t cp) {
    auto found = fallback_faces.find(cp);
    if (found != fallback_faces.end()) return found->second;
    Face* face = nullptr;
    PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>(kJapaneseFallback)));
    FcCharSet* wanted = FcCharSetCreate();
    if (pattern && wanted != nullptr && FcCharSetAddChar(wanted, cp)) {
      FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted);
      PatternPtr match = Match(pattern.get());
      FcCharSet* has = nullptr;
      if (match && FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &has) == FcResultMatch &&
          FcCharSetHasChar(has, cp)) {
        face = OpenFace(match.get());
        if (face != nullptr && FT_Get_Char_Index(face->face, cp) == 0) face = nullptr;
      }
    }
    if (wanted != nullptr) FcCharSetDestroy(wanted);
    fallback_faces.emplace(cp, face);
    return face;
  }

  Instance& InstanceFor(const TFont& font) {
    bool bold = font.IsBold();
    if (last_instance != nullptr && font.Height == last_height && bold == last_bold &&
        font.Name == last_name) {
      return *last_instance;
    }
    auto key = std::make_tuple(font.Name, bold, int(font.Height));
    auto found = instances.find(key);
    Instance* instance;
    if (found != instances.end()) {
      instance = found->second.get();
    } else {
      auto created = std::make_unique<Instance>();
      Face* face = FaceFor(font.Name, bold);
      FT_Face ft = face->face;
      long cell = long(ft->ascender) - ft->descender;
      int em;
      if (font.Height < 0) {
        em = font.Height < -kMaxEm ? kMaxEm : -font.Height;
      } else if (font.Height > 0) {
        // A positive height is the whole cell, ascender to descender.
        long long height = std::min<long long>(font.Height, kMaxEm);
        em = int((height * ft->units_per_EM * 2 + cell) / (2 * cell));
      } else {
        em = kDefaultEm;
      }
      em = std::clamp(em, 1, kMaxEm);
      created->face = face;
      created->em = em;
      created->bold = bold;
      created->ascent = ScaleRounded(ft->ascender, em, ft->units_per_EM);
      created->line_height = ScaleRounded(cell, em, ft->units_per_EM);
      instance = created.get();
      instances.emplace(std::move(key), std::move(created));
    }
    last_instance = instance;
    last_name = font.Name;
    last_bold = bold;
    last_height = font.Height;
    return *instance;
  }

  // Loads, emboldens and renders one glyph of the face at the instance's size. False when
  // FreeType cannot.
  bool Render(const Instance& instance, Face& face, FT_UInt index, Glyph& glyph) {
    FT_Face ft = face.face;
    if (FT_Set_Pixel_Sizes(ft, 0, FT_UInt(instance.em)) != 0) return false;
    if (FT_Load_Glyph(ft, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) return false;
    FT_GlyphSlot slot = ft->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    FT_Pos strength = 0;
    if (instance.bold && !face.is_bold) {
      // The synthetic bold FreeType itself uses: one 24th of the em, which thickens the
      // strokes towards the right and the top and widens the advance by as much.
      strength = FT_MulFix(ft->units_per_EM, ft->size->metrics.y_scale) / 24;
      FT_Outline_EmboldenXY(&slot->outline, strength, strength);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = int((slot->advance.x + strength + 32) >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    // A blank has an advance but no bitmap.
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.buffer == nullptr) return true;
    glyph.width = int(bitmap.width);
    glyph.height = int(bitmap.rows);
    glyph.coverage.assign(size_t(glyph.width) * size_t(glyph.height), 0);
    for (int row = 0; row < glyph.height; ++row) {
      const uint8_t* src = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
      if (bitmap.pitch < 0) src = bitmap.buffer + ptrdiff_t(glyph.height - 1 - row) * -bitmap.pitch;
      std::copy_n(src, glyph.width, glyph.coverage.data() + size_t(row) * size_t(glyph.width));
    }
    return true;
  }

  const Glyph& GlyphFor(Instance& instance, char32_t cp) {
    auto found = instance.glyphs.find(cp);
    if (found != instance.glyphs.end()) return found->second;
    Glyph glyph;
    Face* face = instance.face;
    FT_UInt index = FT_Get_Char_Index(face->face, cp);
    if (index == 0) {
      if (Face* other = FallbackFor(cp)) {
        face = other;
        index = FT_Get_Char_Index(other->face, cp);
      }
    }
    // Whatever fails to render falls back to the chosen face's missing-glyph box.
    if (!Render(instance, *face, index, glyph) && !Render(instance, *instance.face, 0, glyph)) {
      glyph = Glyph{};
    }
    return instance.glyphs.emplace(cp, std::move(glyph)).first->second;
  }

  int TabWidth(Instance& instance) {
    if (instance.tab_width == 0) {
      int average = GlyphFor(instance, U'x').advance;
      if (average <= 0) average = std::max(1, instance.em / 2);
      instance.tab_width = kTabColumns * average;
    }
    return instance.tab_width;
  }

  int Width(Instance& instance, std::string_view line) {
    int pen = 0;
    for (size_t pos = 0; pos < line.size();) {
      char32_t cp = DecodeUtf8(line, pos);
      if (cp == U'\t') {
        int tab = TabWidth(instance);
        pen = (pen / tab + 1) * tab;
      } else if (!IsControl(cp)) {
        pen += GlyphFor(instance, cp).advance;
      }
    }
    return pen;
  }

  // Greedy filling of one line without line breaks. Blanks at a break are dropped; those at
  // the start of the line and at its end stay.
  void Wrap(Instance& instance, std::string_view line, int width, std::vector<std::string>& out) {
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
        if (Width(instance, candidate) <= width) {
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
  return m_impl->InstanceFor(font).line_height;
}

int TextEngine::TextWidth(const TFont& font, std::string_view line) {
  return m_impl->Width(m_impl->InstanceFor(font), line);
}

Size TextEngine::MeasureText(const TFont& font, std::string_view text) {
  Impl::Instance& instance = m_impl->InstanceFor(font);
  if (text.empty()) return {m_impl->Width(instance, " "), instance.line_height};
  std::vector<std::string_view> lines = SplitLines(text);
  int widest = 0;
  for (std::string_view line : lines) widest = std::max(widest, m_impl->Width(instance, line));
  return {widest, int(lines.size()) * instance.line_height};
}

std::vector<std::string> TextEngine::WrapLines(const TFont& font, std::string_view text,
                                               int width) {
  Impl::Instance& instance = m_impl->InstanceFor(font);
  std::vector<std::string> out;
  for (std::string_view line : SplitLines(text)) m_impl->Wrap(instance, line, width, out);
  return out;
}

void TextEngine::DrawLine(Painter& painter, const TFont& font, std::string_view line, int x, int y,
                          TColor color) {
  Impl::Instance& instance = m_impl->InstanceFor(font);
  int baseline = y + instance.ascent;
  int pen = 0;
  for (size_t pos = 0; pos < line.size();) {
    char32_t cp = DecodeUtf8(line, pos);
    if (cp == U'\t') {
      int tab = m_impl->TabWidth(instance);
      pen = (pen / tab + 1) * tab;
      continue;
    }
    if (IsControl(cp)) continue;
    const Impl::Glyph& glyph = m_impl->GlyphFor(instance, cp);
    if (!glyph.coverage.empty()) {
      painter.BlendMask(x + pen + glyph.left, baseline - glyph.top, glyph.coverage.data(),
                        glyph.width, glyph.height, glyph.width, color);
    }
    pen += glyph.advance;
  }
}

}  // namespace vt

// The Linux platform's glyph source: faces found by fontconfig, glyphs rasterised by FreeType.
// - CreateGlyphSource
// - the face "ＭＳ Ｐゴシック" served by IPAPGothic (any Japanese sans-serif face when that is
//   missing), with per-character fallback faces
// - synthetic bold for faces without a bold design
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "widgets/Exceptions.h"
#include "widgets/GlyphSource.h"

namespace vt {

namespace {

// The form descriptions name this face; IPAPGothic is its proportional counterpart.
constexpr std::string_view kPGothicName = "ＭＳ Ｐゴシック";
constexpr const char* kPGothicSubstitute = "IPAPGothic";
constexpr const char* kJapaneseFallback = "sans-serif:lang=ja";
// A zero height asks for the default size, that of the forms' own font.
constexpr int kDefaultEm = 12;
constexpr int kMaxEm = 2048;

// Font units scaled to pixels and rounded; units and em are never negative here but the
// descender is, so round half away from zero.
int ScaleRounded(long units, int em, int units_per_em) {
  long long scaled = (long long)units * em * 2;
  long long denominator = 2LL * units_per_em;
  return int(scaled >= 0 ? (scaled + units_per_em) / denominator
                         : -((-scaled + units_per_em) / denominator));
}

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

class FreeTypeGlyphs final : public GlyphSource {
 public:
  FreeTypeGlyphs() {
    if (FT_Init_FreeType(&m_library) != 0) throw EOutOfResources("FreeType cannot be initialised");
    m_config = FcInitLoadConfigAndFonts();
    if (m_config == nullptr) {
      FT_Done_FreeType(m_library);
      throw EOutOfResources("fontconfig cannot be initialised");
    }
  }

  ~FreeTypeGlyphs() override {
    m_instances.clear();
    for (auto& [key, face] : m_faces_by_file) FT_Done_Face(face->face);
    FT_Done_FreeType(m_library);
    FcConfigDestroy(m_config);
  }

  FreeTypeGlyphs(const FreeTypeGlyphs&) = delete;
  FreeTypeGlyphs& operator=(const FreeTypeGlyphs&) = delete;

  FontMetrics Metrics(const TFont& font) override {
    const Instance& instance = InstanceFor(font);
    return {instance.ascent, instance.line_height};
  }

  int RunWidth(const TFont& font, std::u32string_view run) override {
    Instance& instance = InstanceFor(font);
    int pen = 0;
    for (char32_t cp : run) pen += GlyphFor(instance, cp).advance;
    return pen;
  }

  int AverageCharWidth(const TFont& font) override {
    Instance& instance = InstanceFor(font);
    if (instance.average_width == 0) {
      instance.average_width = GlyphFor(instance, U'x').advance;
      if (instance.average_width <= 0) instance.average_width = std::max(1, instance.em / 2);
    }
    return instance.average_width;
  }

  void RasteriseRun(const TFont& font, std::u32string_view run, const CoverageSink& sink) override {
    Instance& instance = InstanceFor(font);
    int pen = 0;
    for (char32_t cp : run) {
      const Glyph& glyph = GlyphFor(instance, cp);
      if (!glyph.coverage.empty()) {
        sink({pen + glyph.left, glyph.top, glyph.width, glyph.height, glyph.coverage.data()});
      }
      pen += glyph.advance;
    }
  }

 private:
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
    int average_width = 0;  // 0 until first needed
    std::unordered_map<char32_t, Glyph> glyphs;
  };

  Face* OpenFace(const FcPattern* match) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    auto key = std::make_pair(std::string(reinterpret_cast<const char*>(file)), index);
    auto found = m_faces_by_file.find(key);
    if (found != m_faces_by_file.end()) return found->second.get();
    FT_Face face = nullptr;
    if (FT_New_Face(m_library, key.first.c_str(), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0 || face->ascender <= face->descender) {
      FT_Done_Face(face);
      return nullptr;
    }
    auto entry = std::make_unique<Face>();
    entry->face = face;
    entry->is_bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    Face* result = entry.get();
    m_faces_by_file.emplace(std::move(key), std::move(entry));
    return result;
  }

  PatternPtr Match(FcPattern* pattern) {
    FcConfigSubstitute(m_config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    return PatternPtr(FcFontMatch(m_config, pattern, &result));
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
    auto found = m_faces_by_name.find(key);
    if (found != m_faces_by_name.end()) return found->second;
    Face* face = nullptr;
    if (name == kPGothicName) {
      face = FindFamily(kPGothicSubstitute, bold);
    } else if (!name.empty()) {
      face = FindFamily(name.c_str(), bold);
    }
    if (face == nullptr) face = FindJapaneseFallback(bold);
    if (face == nullptr) throw EOutOfResources("no font face is available for \"" + name + "\"");
    m_faces_by_name.emplace(std::move(key), face);
    return face;
  }

  // A face that has the character, for characters the chosen face lacks; asked once per
  // character.
  Face* FallbackFor(char32_t cp) {
    auto found = m_fallback_faces.find(cp);
    if (found != m_fallback_faces.end()) return found->second;
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
    m_fallback_faces.emplace(cp, face);
    return face;
  }

  Instance& InstanceFor(const TFont& font) {
    bool bold = font.IsBold();
    if (m_last_instance != nullptr && font.Height == m_last_height && bold == m_last_bold &&
        font.Name == m_last_name) {
      return *m_last_instance;
    }
    auto key = std::make_tuple(font.Name, bold, int(font.Height));
    auto found = m_instances.find(key);
    Instance* instance;
    if (found != m_instances.end()) {
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
      m_instances.emplace(std::move(key), std::move(created));
    }
    m_last_instance = instance;
    m_last_name = font.Name;
    m_last_bold = bold;
    m_last_height = font.Height;
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

  FT_Library m_library = nullptr;
  FcConfig* m_config = nullptr;
  std::map<std::pair<std::string, int>, std::unique_ptr<Face>> m_faces_by_file;
  std::map<std::pair<std::string, bool>, Face*> m_faces_by_name;
  std::unordered_map<char32_t, Face*> m_fallback_faces;  // nullptr: no face has the character
  std::map<std::tuple<std::string, bool, int>, std::unique_ptr<Instance>> m_instances;
  // Labels are drawn and measured many times in a row in the same font.
  Instance* m_last_instance = nullptr;
  std::string m_last_name;
  bool m_last_bold = false;
  int m_last_height = 0;
};

}  // namespace

std::unique_ptr<GlyphSource> CreateGlyphSource() {
  return std::make_unique<FreeTypeGlyphs>();
}

}  // namespace vt

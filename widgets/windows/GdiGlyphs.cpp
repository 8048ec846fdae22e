// The Windows platform's glyph source, through GDI:
// - CreateGlyphSource
// - fonts from CreateFontW with the face and character set the form asks for; Windows' font
//   mapper picks a substitute where the face is missing, and synthesises bold when asked
// - measuring with GetTextExtentPoint32W
// - rasterising with ExtTextOutW into a DIB section, white on black, read back as coverage
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "widgets/Exceptions.h"
#include "widgets/GlyphSource.h"
#include "widgets/windows/WideStrings.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

// A zero height asks for the default size, that of the forms' own font.
constexpr int kDefaultEm = 12;
constexpr int kMaxHeight = 2048;

std::wstring Utf16FromCodePoints(std::u32string_view run) {
  std::wstring wide;
  wide.reserve(run.size());
  for (char32_t cp : run) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      wide.push_back(wchar_t(0xD800 + (cp >> 10)));
      wide.push_back(wchar_t(0xDC00 + (cp & 0x3FF)));
    } else {
      wide.push_back(wchar_t(cp));
    }
  }
  return wide;
}

class GdiGlyphs final : public GlyphSource {
 public:
  GdiGlyphs() : m_dc(CreateCompatibleDC(nullptr)) {
    if (m_dc == nullptr) throw EOutOfResources("no device context for text");
    m_original_font = GetCurrentObject(m_dc, OBJ_FONT);
    m_original_bitmap = GetCurrentObject(m_dc, OBJ_BITMAP);
    SetBkMode(m_dc, TRANSPARENT);
    SetTextColor(m_dc, RGB(255, 255, 255));
    SetTextAlign(m_dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  }

  ~GdiGlyphs() override {
    SelectObject(m_dc, m_original_font);
    SelectObject(m_dc, m_original_bitmap);
    for (auto& [key, instance] : m_instances) DeleteObject(instance.font);
    if (m_bitmap != nullptr) DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }

  GdiGlyphs(const GdiGlyphs&) = delete;
  GdiGlyphs& operator=(const GdiGlyphs&) = delete;

  FontMetrics Metrics(const TFont& font) override {
    const Instance& instance = Select(font);
    return {int(instance.metrics.tmAscent), int(instance.metrics.tmHeight)};
  }

  int RunWidth(const TFont& font, std::u32string_view run) override {
    Select(font);
    return Extent(Utf16FromCodePoints(run));
  }

  int AverageCharWidth(const TFont& font) override {
    Instance& instance = Select(font);
    if (instance.average_width == 0) {
      instance.average_width = Extent(L"x");
      if (instance.average_width <= 0) {
        int em = int(instance.metrics.tmHeight - instance.metrics.tmInternalLeading);
        instance.average_width = std::max(1, em / 2);
      }
    }
    return instance.average_width;
  }

  void RasteriseRun(const TFont& font, std::u32string_view run, const CoverageSink& sink) override {
    const Instance& instance = Select(font);
    const std::wstring wide = Utf16FromCodePoints(run);
    const int cell = int(instance.metrics.tmHeight);
    // Ink may reach beyond the advance (bold, italic and overhanging glyphs) and above or below
    // the cell (accents); the margins catch it.
    const int margin_x = cell / 2 + int(instance.metrics.tmOverhang);
    const int margin_y = cell / 4;
    const int width = Extent(wide) + 2 * margin_x;
    const int height = cell + 2 * margin_y;
    if (width <= 0 || height <= 0 || !EnsureBitmap(width, height)) return;
    auto* pixels = static_cast<uint32_t*>(m_bits);
    for (int row = 0; row < height; ++row) {
      std::fill_n(pixels + size_t(row) * size_t(m_bitmap_width), width, 0u);
    }
    ExtTextOutW(m_dc, margin_x, margin_y, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    GdiFlush();

    // White text on black: each pixel's brightest channel is its coverage.
    int first = width, last = -1;
    m_coverage.assign(size_t(width) * size_t(height), 0);
    for (int row = 0; row < height; ++row) {
      const uint32_t* src = pixels + size_t(row) * size_t(m_bitmap_width);
      uint8_t* dst = m_coverage.data() + size_t(row) * size_t(width);
      for (int column = 0; column < width; ++column) {
        uint32_t pixel = src[column];
        uint8_t value = std::max({uint8_t(pixel), uint8_t(pixel >> 8), uint8_t(pixel >> 16)});
        dst[column] = value;
        if (value != 0) {
          first = std::min(first, column);
          last = std::max(last, column);
        }
      }
    }
    if (last < first) return;
    // Only the inked columns are handed on, packed row after row.
    const int inked = last - first + 1;
    if (inked != width) {
      for (int row = 0; row < height; ++row) {
        std::memmove(m_coverage.data() + size_t(row) * size_t(inked),
                     m_coverage.data() + size_t(row) * size_t(width) + size_t(first),
                     size_t(inked));
      }
    }
    sink({first - margin_x, int(instance.metrics.tmAscent) + margin_y, inked, height,
          m_coverage.data()});
  }

 private:
  struct Instance {
    HFONT font = nullptr;
    TEXTMETRICW metrics{};
    int average_width = 0;  // 0 until first needed
  };

  // Creates the font on first use and selects it into the device context.
  Instance& Select(const TFont& font) {
    const bool bold = font.IsBold();
    Instance* instance = m_last;
    if (instance == nullptr || font.Height != m_last_height || bold != m_last_bold ||
        font.Charset != m_last_charset || font.Name != m_last_name) {
      auto key = std::make_tuple(font.Name, bold, int(font.Height), font.Charset);
      auto found = m_instances.find(key);
      if (found == m_instances.end()) found = m_instances.emplace(key, Create(font)).first;
      instance = &found->second;
      m_last = instance;
      m_last_name = font.Name;
      m_last_bold = bold;
      m_last_height = font.Height;
      m_last_charset = font.Charset;
    }
    SelectObject(m_dc, instance->font);
    return *instance;
  }

  Instance Create(const TFont& font) {
    // GDI reads the height as the forms mean it: negative the character height, positive the
    // whole cell.
    int height = font.Height == 0 ? -kDefaultEm : std::clamp(font.Height, -kMaxHeight, kMaxHeight);
    Instance instance;
    instance.font =
        CreateFontW(height, 0, 0, 0, font.IsBold() ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                    font.Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, WideFromUtf8(font.Name).c_str());
    if (instance.font == nullptr) {
      throw EOutOfResources("no font face is available for \"" + font.Name + "\"");
    }
    SelectObject(m_dc, instance.font);
    GetTextMetricsW(m_dc, &instance.metrics);
    return instance;
  }

  int Extent(const std::wstring& wide) {
    if (wide.empty()) return 0;
    SIZE size{};
    if (!GetTextExtentPoint32W(m_dc, wide.c_str(), int(wide.size()), &size)) return 0;
    return int(size.cx);
  }

  // A top-down 32-bit DIB section at least width × height, selected into the context.
  bool EnsureBitmap(int width, int height) {
    if (m_bitmap != nullptr && width <= m_bitmap_width && height <= m_bitmap_height) return true;
    width = std::max(width, m_bitmap_width);
    height = std::max(height, m_bitmap_height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownBitmap(width, height, &bits);
    if (bitmap == nullptr) return false;
    SelectObject(m_dc, bitmap);
    if (m_bitmap != nullptr) DeleteObject(m_bitmap);
    m_bitmap = bitmap;
    m_bits = bits;
    m_bitmap_width = width;
    m_bitmap_height = height;
    return true;
  }

  HDC m_dc;
  HGDIOBJ m_original_font = nullptr;
  HGDIOBJ m_original_bitmap = nullptr;
  std::map<std::tuple<std::string, bool, int, uint8_t>, Instance> m_instances;
  // Labels are drawn and measured many times in a row in the same font.
  Instance* m_last = nullptr;
  std::string m_last_name;
  bool m_last_bold = false;
  int m_last_height = 0;
  uint8_t m_last_charset = 0;
  HBITMAP m_bitmap = nullptr;
  void* m_bits = nullptr;
  int m_bitmap_width = 0;
  int m_bitmap_height = 0;
  std::vector<uint8_t> m_coverage;
};

}  // namespace

std::unique_ptr<GlyphSource> CreateGlyphSource() {
  return std::make_unique<GdiGlyphs>();
}

}  // namespace vt

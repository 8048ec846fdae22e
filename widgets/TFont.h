#pragma once

#include <cstdint>
#include <string>

#include "widgets/Color.h"

namespace vt {

constexpr uint8_t SHIFTJIS_CHARSET = 128;
constexpr uint8_t DEFAULT_CHARSET = 1;

enum TFontStyle : unsigned { fsBold = 1u };

// A font as the form descriptions store it. Height is in pixels: negative means the character
// height without internal leading, positive the whole cell height.
struct TFont {
  uint8_t Charset = SHIFTJIS_CHARSET;
  TColor Color = clWindowText;
  int32_t Height = -12;
  std::string Name = "ＭＳ Ｐゴシック";
  unsigned Style = 0;

  bool IsBold() const { return (Style & fsBold) != 0; }
  // Size in points at P pixels per inch: -MulDiv(Height, 72, P).
  int32_t SizeAt(int ppi) const;
  void SetSizeAt(int32_t points, int ppi);
  friend bool operator==(const TFont&, const TFont&) = default;
};

}  // namespace vt

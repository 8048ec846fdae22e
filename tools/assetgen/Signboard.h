#pragma once

#include "tools/assetgen/Canvas.h"

namespace vt {

// The signboard on the roof, 450 x 103: a grey ribbed metal panel carrying the title
// "Vantorel" in large blue letters with a bright green shadow.
Canvas DrawSignboard();

inline constexpr FColor kPanelGrey = FColor::Rgb(155, 157, 154);

}  // namespace vt

#pragma once

#include "tools/assetgen/Canvas.h"

namespace vt {

// The program icon, 32 x 32 with a mask: the car's lime-green front with the floor digits
// across the top (the first lit in red), a grey up arrow and a red down arrow below them, and a
// stick figure at the right. Transparent outside the car's rounded corners.
Canvas DrawIcon();

}  // namespace vt

#pragma once

#include <vector>

#include "tools/assetgen/Canvas.h"

namespace vt {

// The program icon, 32 x 32 with a mask: the car's lime-green front with the floor digits
// across the top (the first lit in red), a grey up arrow and a red down arrow below them, and a
// stick figure at the right. Transparent outside the car's rounded corners.
Canvas DrawIcon();

// The same picture drawn for another size at which Windows shows a program's icon: 16 (lists
// and title bars: six lamps instead of digits), 48 (large icons, the larger digits) and 256
// (extra large icons, smooth edges); 32 gives DrawIcon(). Throws for any other size.
Canvas DrawIcon(int size);

// Every size of the icon file, smallest first.
std::vector<Canvas> DrawIconImages();

}  // namespace vt

#include "widgets/TFont.h"

#include "widgets/Numbers.h"

namespace vt {

int32_t TFont::SizeAt(int ppi) const { return -MulDiv(Height, 72, ppi); }

void TFont::SetSizeAt(int32_t points, int ppi) { Height = -MulDiv(points, ppi, 72); }

}  // namespace vt

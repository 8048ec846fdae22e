#pragma once

#include <string>

#include "tools/assetgen/Canvas.h"

namespace vt {

// Writes a baseline JPEG, 8-bit, three components, without chroma subsampling so that thin
// coloured details stay sharp. The same canvas always gives the same bytes. Throws
// std::runtime_error naming the file when it cannot be written.
void WriteJpeg(const std::string& path, const Canvas& canvas, int quality, Dither dither);

}  // namespace vt

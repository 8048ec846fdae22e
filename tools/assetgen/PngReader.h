#pragma once

#include <string>

#include "tools/assetgen/Canvas.h"

namespace vt {

// Reads any PNG (palette, grey, with or without alpha, 8 or 16 bits) into an opaque canvas;
// transparent parts come out as if over black, which a screenshot never has. Throws
// std::runtime_error naming the file when it cannot be read.
Canvas ReadPng(const std::string& path);

}  // namespace vt

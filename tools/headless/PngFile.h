#pragma once

#include <string>

#include "widgets/Bitmap32.h"

namespace vt {

// Writes a picture as an 8-bit RGB PNG file; false when the file cannot be written.
bool WritePngFile(const std::string& path, const Bitmap32& picture);

}  // namespace vt

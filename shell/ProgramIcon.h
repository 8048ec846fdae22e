#pragma once

#include "widgets/Bitmap32.h"

namespace vt {

class TApplication;

// The program's 32 x 32 icon from the built-in "icon.bmp", with its mask in the top byte of
// each pixel (0xFF shown, 0x00 transparent).
Bitmap32 LoadProgramIcon(TApplication& application);

}  // namespace vt

#pragma once

// The Windows API for the program's Windows files and its Win32 backend. windows.h defines
// macros named like some of the core's own names (CreateWindow, FormatMessage, the character
// sets, the virtual keys); they are removed here so that the core's declarations mean the same
// in every file. The virtual keys keep their values: the core's VK_ names are the Windows codes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// These need windows.h before them.
#include <imm.h>
#include <shellapi.h>
#include <windowsx.h>

#undef CreateWindow
#undef FormatMessage
#undef SHIFTJIS_CHARSET
#undef DEFAULT_CHARSET
#undef VK_BACK
#undef VK_TAB
#undef VK_RETURN
#undef VK_SHIFT
#undef VK_CONTROL
#undef VK_MENU
#undef VK_PAUSE
#undef VK_CAPITAL
#undef VK_ESCAPE
#undef VK_SPACE
#undef VK_PRIOR
#undef VK_NEXT
#undef VK_END
#undef VK_HOME
#undef VK_LEFT
#undef VK_UP
#undef VK_RIGHT
#undef VK_DOWN
#undef VK_INSERT
#undef VK_DELETE
#undef VK_LWIN
#undef VK_RWIN
#undef VK_APPS
#undef VK_F1
#undef VK_F10

#include "widgets/Input.h"

namespace vt {

// A 32-bit DIB section of width × height whose rows run top to bottom, each pixel 0x00RRGGBB as
// in the core's frames; nullptr when it cannot be made.
inline HBITMAP CreateTopDownBitmap(int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace vt

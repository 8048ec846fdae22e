#pragma once

#include <cstdint>

#include "widgets/Input.h"

namespace vt {

// Translates Windows virtual keys and key states into the program's virtual keys and shift
// states. Kept apart from the backend, as on X11, so that the other files only ask for them.
class Win32Keys {
 public:
  // The virtual key of a WM_KEYDOWN or WM_SYSKEYDOWN: Windows' own codes are the program's.
  static uint16_t VirtualKey(uintptr_t wparam);
  // Shift, Ctrl, Alt and the three mouse buttons as the keyboard state has them now.
  static TShiftState KeyShiftState();
  // The same for a mouse message, from its MK_ flags; Alt from the keyboard state.
  static TShiftState MouseShiftState(uintptr_t wparam);
};

}  // namespace vt

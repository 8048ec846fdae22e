#pragma once

#include "widgets/Input.h"

namespace vt {

// Translates X modifier state into the program's shift states; key symbols go through
// XkbKeySyms, which the Wayland backend shares. Kept apart from the backend so that it can be
// checked without a server.
class X11Keys {
 public:
  // Shift, Ctrl, Alt and the three mouse buttons from an X event's state field.
  static TShiftState ShiftState(unsigned int state);
};

}  // namespace vt

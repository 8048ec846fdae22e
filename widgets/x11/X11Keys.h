#pragma once

#include <cstdint>

#include "widgets/Input.h"

namespace vt {

// Translates X key symbols and X modifier state into the program's virtual keys and shift
// states. Kept apart from the backend so that the table can be checked without a server.
class X11Keys {
 public:
  // The virtual key for a key symbol taken from column 0 of the key's map (unshifted).
  // Keys without a code of their own give VK_OEM, so that no key press is lost.
  static uint16_t VirtualKey(unsigned long keysym);
  // Shift, Ctrl, Alt and the three mouse buttons from an X event's state field.
  static TShiftState ShiftState(unsigned int state);
  // The shift flag that a modifier key adds to the state of its own key press (X reports
  // the state before the event, Windows the state after it); 0 for other keys.
  static TShiftState OwnShiftFlag(uint16_t virtual_key);
};

}  // namespace vt

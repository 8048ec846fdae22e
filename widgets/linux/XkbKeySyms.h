#pragma once

#include <cstdint>

#include "widgets/Input.h"

namespace vt {

// Turns key symbols into the program's virtual keys, for both Linux backends: xkbcommon's key
// symbols are X's, value for value. Kept apart from the backends so that the table can be
// checked without a server or a compositor.
class XkbKeySyms {
 public:
  // The virtual key for a key symbol taken from the key's first level (unshifted). Keys
  // without a code of their own give VK_OEM, so that no key press is lost.
  static uint16_t VirtualKey(uint32_t keysym);
  // The shift flag that a modifier key adds to the state of its own key press (X and Wayland
  // report the state before the event, Windows the state after it); 0 for other keys.
  static TShiftState OwnShiftFlag(uint16_t virtual_key);
};

}  // namespace vt

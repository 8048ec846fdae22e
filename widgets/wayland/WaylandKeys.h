#pragma once

#include <cstddef>
#include <cstdint>

#include "widgets/Input.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace vt {

// The seat's keyboard map, through xkbcommon: key codes to the program's virtual keys and the
// modifier state to shift states. Kept apart from the backend so that it can be checked
// without a compositor.
class WaylandKeys {
 public:
  WaylandKeys();
  ~WaylandKeys();
  WaylandKeys(const WaylandKeys&) = delete;
  WaylandKeys& operator=(const WaylandKeys&) = delete;

  // Takes a keymap in xkb's text format, as the compositor's keymap event sends it: size
  // bytes in the file fd, which is closed here. False when it cannot be read; the map before
  // it then stays.
  bool SetKeymap(int fd, uint32_t size);
  // The compositor's modifiers event.
  void SetModifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);

  // The virtual key of a key code of the key event (an evdev code): the key's symbol on the
  // first level of the active layout, unshifted, as the X11 backend takes it. VK_OEM without
  // a keymap, so that no key press is lost.
  uint16_t VirtualKey(uint32_t key) const;
  // Shift, Ctrl and Alt as the modifiers stand before the key's own press takes effect.
  TShiftState ShiftState() const;

 private:
  xkb_context* m_context = nullptr;
  xkb_keymap* m_keymap = nullptr;
  xkb_state* m_state = nullptr;
};

}  // namespace vt

// The Wayland backend's keys: the compositor's xkb keymap and modifier state turned into the
// program's virtual keys and shift states.
#include "widgets/wayland/WaylandKeys.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include "widgets/linux/XkbKeySyms.h"

namespace vt {

namespace {

// Wayland's key codes are evdev's; xkb numbers keys 8 higher, as X does.
constexpr uint32_t kEvdevOffset = 8;

}  // namespace

WaylandKeys::WaylandKeys() : m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

WaylandKeys::~WaylandKeys() {
  xkb_state_unref(m_state);
  xkb_keymap_unref(m_keymap);
  xkb_context_unref(m_context);
}

bool WaylandKeys::SetKeymap(int fd, uint32_t size) {
  xkb_keymap* keymap = nullptr;
  // The text ends with a NUL inside size; a map without one would be read past its end.
  void* text = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
  if (text != MAP_FAILED) {
    const char* chars = static_cast<const char*>(text);
    if (m_context && chars[size - 1] == '\0') {
      keymap = xkb_keymap_new_from_string(m_context, chars, XKB_KEYMAP_FORMAT_TEXT_V1,
                                          XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    munmap(text, size);
  }
  close(fd);
  xkb_state* state = keymap ? xkb_state_new(keymap) : nullptr;
  if (!state) {
    xkb_keymap_unref(keymap);
    return false;
  }
  xkb_state_unref(m_state);
  xkb_keymap_unref(m_keymap);
  m_keymap = keymap;
  m_state = state;
  return true;
}

void WaylandKeys::SetModifiers(uint32_t depressed, uint32_t latched, uint32_t locked,
                               uint32_t group) {
  if (m_state) xkb_state_update_mask(m_state, depressed, latched, locked, 0, 0, group);
}

uint16_t WaylandKeys::VirtualKey(uint32_t key) const {
  if (!m_state) return VK_OEM;
  xkb_keycode_t code = key + kEvdevOffset;
  xkb_layout_index_t layout = xkb_state_key_get_layout(m_state, code);
  if (layout == XKB_LAYOUT_INVALID) return VK_OEM;
  const xkb_keysym_t* symbols = nullptr;
  int count = xkb_keymap_key_get_syms_by_level(m_keymap, code, layout, 0, &symbols);
  return count > 0 ? XkbKeySyms::VirtualKey(symbols[0]) : uint16_t(VK_OEM);
}

TShiftState WaylandKeys::ShiftState() const {
  if (!m_state) return 0;
  auto active = [this](const char* name) {
    return xkb_state_mod_name_is_active(m_state, name, XKB_STATE_MODS_EFFECTIVE) > 0;
  };
  TShiftState shift = 0;
  if (active(XKB_MOD_NAME_SHIFT)) shift |= ssShift;
  if (active(XKB_MOD_NAME_CTRL)) shift |= ssCtrl;
  if (active(XKB_MOD_NAME_ALT)) shift |= ssAlt;
  return shift;
}

}  // namespace vt

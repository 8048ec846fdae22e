// Gives input to KWin as a person would, through its org_kde_kwin_fake_input protocol, which
// KWin honours only for a client that authenticated first (and, outside a test session, one it
// trusts). Says "ready" on standard output once authenticated, then takes one command a line
// and answers each with "ok" once the compositor has read it, or "error" for a command it does
// not know:
//
//   key NAME       the key of this xkb keysym name ("a", "Tab", "Return") pressed and released
//   move X Y       the pointer to a point of the compositor's logical space
//   button CODE    an evdev button code (BTN_LEFT is 272) pressed and released
//   axis AXIS V    a scroll of V on axis 0 (vertical) or 1 (horizontal)
//
// Ends when its standard input closes. KWin removes the fake device of a client that goes, so
// the seat keeps its keyboard and pointer only while this runs.
//
//   fake_input
#include <linux/input-event-codes.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "fake-input-client-protocol.h"

namespace {

constexpr uint32_t kReleased = 0, kPressed = 1;

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto& input = *static_cast<org_kde_kwin_fake_input**>(data);
  if (std::string_view(interface) == org_kde_kwin_fake_input_interface.name && version >= 4) {
    input = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// The evdev code of the first key that gives this keysym at its first level in the default
// keymap, the one KWin starts with; 0 for none.
uint32_t KeyCode(xkb_keymap* keymap, const std::string& name) {
  xkb_keysym_t wanted = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
  if (wanted == XKB_KEY_NoSymbol) return 0;
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
       ++key) {
    const xkb_keysym_t* symbols = nullptr;
    int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &symbols);
    if (count == 1 && symbols[0] == wanted) return key - 8;
  }
  return 0;
}

// Sends one command's requests; false when the command is not known.
bool Send(org_kde_kwin_fake_input* input, xkb_keymap* keymap, const std::string& line) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  if (command == "key") {
    std::string name;
    words >> name;
    uint32_t code = KeyCode(keymap, name);
    if (code == 0) return false;
    org_kde_kwin_fake_input_keyboard_key(input, code, kPressed);
    org_kde_kwin_fake_input_keyboard_key(input, code, kReleased);
    return true;
  }
  if (command == "move") {
    double x = 0, y = 0;
    if (!(words >> x >> y)) return false;
    org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_double(x),
                                                    wl_fixed_from_double(y));
    return true;
  }
  if (command == "button") {
    uint32_t code = 0;
    if (!(words >> code) || code < BTN_MISC || code > BTN_GEAR_UP) return false;
    org_kde_kwin_fake_input_button(input, code, kPressed);
    org_kde_kwin_fake_input_button(input, code, kReleased);
    return true;
  }
  if (command == "axis") {
    uint32_t axis = 0;
    double value = 0;
    if (!(words >> axis >> value) || axis > 1) return false;
    org_kde_kwin_fake_input_axis(input, axis, wl_fixed_from_double(value));
    return true;
  }
  return false;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "fake_input: no Wayland display\n");
    return 1;
  }
  org_kde_kwin_fake_input* input = nullptr;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &input);
  wl_display_roundtrip(display);
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap =
      context ? xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
  if (!input || !keymap) {
    std::fprintf(stderr, "fake_input: %s\n",
                 input ? "no keymap" : "the compositor offers no fake input (version 4)");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(input, "Vantorel tests", "drives the saver under test");
  if (wl_display_roundtrip(display) < 0) return 1;
  std::cout << "ready" << std::endl;

  // Each answer comes after a round trip: by then KWin has handled the requests.
  for (std::string line; std::getline(std::cin, line);) {
    bool known = Send(input, keymap, line);
    if (wl_display_roundtrip(display) < 0) {
      std::fprintf(stderr, "fake_input: the compositor went away\n");
      return 1;
    }
    std::cout << (known ? "ok" : "error") << std::endl;
  }
  org_kde_kwin_fake_input_destroy(input);
  wl_registry_destroy(registry);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  wl_display_disconnect(display);
  return 0;
}

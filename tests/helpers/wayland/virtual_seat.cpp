// Gives a headless compositor's seat a pointer and a keyboard, which it lacks: without them it
// sends its clients no pointer events at all. Holds a virtual pointer and a virtual keyboard
// (with the default xkb keymap) until its standard input closes or a signal ends it, and says
// "ready" on standard output once the compositor has them.
//
//   virtual_seat
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tests/helpers/wayland/HeldUntilStdinCloses.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* pointers = nullptr;
  zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto& globals = *static_cast<Globals*>(data);
  std::string_view kind = interface;
  if (kind == wl_seat_interface.name && !globals.seat) {
    globals.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name) {
    globals.pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  } else if (kind == zwp_virtual_keyboard_manager_v1_interface.name) {
    globals.keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// The default keymap in a memory file, as a keyboard hands it to the compositor; -1 on failure.
int DefaultKeymap(uint32_t* size) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap =
      context ? xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
  char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  int fd = text ? memfd_create("keymap", MFD_CLOEXEC) : -1;
  if (fd >= 0) {
    *size = uint32_t(std::strlen(text) + 1);
    if (write(fd, text, *size) != ssize_t(*size)) {
      close(fd);
      fd = -1;
    }
  }
  std::free(text);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return fd;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "virtual_seat: no Wayland display\n");
    return 1;
  }
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  wl_display_roundtrip(display);
  if (!globals.seat || !globals.pointers || !globals.keyboards) {
    std::fprintf(stderr, "virtual_seat: the compositor offers no virtual pointer or keyboard\n");
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat);
  zwp_virtual_keyboard_v1* keyboard =
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.keyboards, globals.seat);
  uint32_t size = 0;
  int keymap = DefaultKeymap(&size);
  if (keymap < 0) {
    std::fprintf(stderr, "virtual_seat: no keymap\n");
    return 1;
  }
  zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap, size);
  close(keymap);
  if (wl_display_roundtrip(display) < 0) return 1;
  std::printf("ready\n");
  std::fflush(stdout);

  HeldUntilStdinCloses(display);
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwp_virtual_keyboard_v1_destroy(keyboard);
  wl_display_disconnect(display);
  return 0;
}

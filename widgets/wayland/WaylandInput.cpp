// The Wayland backend's input:
// - the seats, and their pointers and keyboards as they come and go;
// - pointer enters and motion as movements, buttons as presses and releases, in the pixels of
//   the window's frame; input over a cover as the full-screen window's own; the wheel ignored;
// - keys through the seat's xkb keymap (see WaylandKeys);
// - the pointer's display count, hiding the pointer on every enter while it is below 0.
#include <linux/input-event-codes.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cmath>

#include "widgets/linux/XkbKeySyms.h"
#include "widgets/wayland/WaylandBackend.h"
#include "widgets/wayland/WaylandKeys.h"

namespace vt {

struct WaylandInputEvents {
  static WaylandBackend::Seat& Of(void* data) { return *static_cast<WaylandBackend::Seat*>(data); }

  static void Capabilities(void* data, wl_seat*, uint32_t capabilities) {
    Of(data).backend->SeatCapabilities(Of(data), capabilities);
  }
  static void Name(void*, wl_seat*, const char*) {}

  static void PointerEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface,
                           wl_fixed_t x, wl_fixed_t y) {
    WaylandBackend::Seat& seat = Of(data);
    seat.pointer_focus = surface;
    seat.enter_serial = serial;
    if (seat.backend->m_cursor_count < 0) seat.backend->HidePointer(seat);
    // The first position the saver learns may come with an enter as well as with a motion.
    seat.backend->PointerAt(seat, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
  }
  static void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
    Of(data).pointer_focus = nullptr;
  }
  static void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    WaylandBackend::Seat& seat = Of(data);
    seat.backend->PointerAt(seat, seat.pointer_focus, wl_fixed_to_double(x), wl_fixed_to_double(y));
  }
  static void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button,
                            uint32_t state) {
    WaylandBackend::Seat& seat = Of(data);
    seat.backend->PointerButton(seat, button, state == WL_POINTER_BUTTON_STATE_PRESSED);
  }
  // The wheel and its tilt reach no handler: they are no buttons.
  static void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
  static void PointerFrame(void*, wl_pointer*) {}
  static void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
  static void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
  static void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
  static void PointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}

  static void Keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
      Of(data).keys->SetKeymap(fd, size);
    } else {
      close(fd);
    }
  }
  static void KeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
    // Keys already held when the focus comes were pressed elsewhere.
    Of(data).keyboard_focus = surface;
  }
  static void KeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
    Of(data).keyboard_focus = nullptr;
  }
  static void Key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Of(data).backend->KeyPressed(Of(data), key);
  }
  static void Modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                        uint32_t locked, uint32_t group) {
    Of(data).keys->SetModifiers(depressed, latched, locked, group);
  }
  static void RepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
};

namespace {

constexpr wl_seat_listener kSeatListener = {
    .capabilities = WaylandInputEvents::Capabilities,
    .name = WaylandInputEvents::Name,
};
constexpr wl_pointer_listener kPointerListener = {
    .enter = WaylandInputEvents::PointerEnter,
    .leave = WaylandInputEvents::PointerLeave,
    .motion = WaylandInputEvents::PointerMotion,
    .button = WaylandInputEvents::PointerButton,
    .axis = WaylandInputEvents::PointerAxis,
    .frame = WaylandInputEvents::PointerFrame,
    .axis_source = WaylandInputEvents::PointerAxisSource,
    .axis_stop = WaylandInputEvents::PointerAxisStop,
    .axis_discrete = WaylandInputEvents::PointerAxisDiscrete,
    .axis_value120 = WaylandInputEvents::PointerAxisValue120,
};
constexpr wl_keyboard_listener kKeyboardListener = {
    .keymap = WaylandInputEvents::Keymap,
    .enter = WaylandInputEvents::KeyboardEnter,
    .leave = WaylandInputEvents::KeyboardLeave,
    .key = WaylandInputEvents::Key,
    .modifiers = WaylandInputEvents::Modifiers,
    .repeat_info = WaylandInputEvents::RepeatInfo,
};

// The pointer's events of version 5 are all handled above, and none later.
constexpr uint32_t kSeatVersion = 5;

struct ButtonMeaning {
  TMouseButton button;
  TShiftState flag;
};

std::optional<ButtonMeaning> MouseButton(uint32_t button) {
  switch (button) {
    case BTN_LEFT:
      return ButtonMeaning{TMouseButton::mbLeft, ssLeft};
    case BTN_RIGHT:
      return ButtonMeaning{TMouseButton::mbRight, ssRight};
    case BTN_MIDDLE:
      return ButtonMeaning{TMouseButton::mbMiddle, ssMiddle};
    case BTN_SIDE:
      return ButtonMeaning{TMouseButton::mbExtra1, 0};
    case BTN_EXTRA:
      return ButtonMeaning{TMouseButton::mbExtra2, 0};
    default:
      return std::nullopt;
  }
}

}  // namespace

void WaylandBackend::AddSeat(uint32_t name, uint32_t version) {
  auto seat = std::make_unique<Seat>();
  seat->backend = this;
  seat->name = name;
  seat->version = std::min(version, kSeatVersion);
  seat->keys = std::make_unique<WaylandKeys>();
  seat->seat = static_cast<wl_seat*>(
      wl_registry_bind(m_globals.registry, name, &wl_seat_interface, seat->version));
  wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
  m_seats[name] = std::move(seat);
}

void WaylandBackend::SeatCapabilities(Seat& seat, uint32_t capabilities) {
  bool release = seat.version >= WL_POINTER_RELEASE_SINCE_VERSION;
  bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
  if (pointer && !seat.pointer) {
    seat.pointer = wl_seat_get_pointer(seat.seat);
    wl_pointer_add_listener(seat.pointer, &kPointerListener, &seat);
  } else if (!pointer && seat.pointer) {
    release ? wl_pointer_release(seat.pointer) : wl_pointer_destroy(seat.pointer);
    seat.pointer = nullptr;
    seat.pointer_focus = nullptr;
  }
  bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
  if (keyboard && !seat.keyboard) {
    seat.keyboard = wl_seat_get_keyboard(seat.seat);
    wl_keyboard_add_listener(seat.keyboard, &kKeyboardListener, &seat);
  } else if (!keyboard && seat.keyboard) {
    release ? wl_keyboard_release(seat.keyboard) : wl_keyboard_destroy(seat.keyboard);
    seat.keyboard = nullptr;
    seat.keyboard_focus = nullptr;
  }
}

void WaylandBackend::RemoveSeat(Seat& seat) {
  SeatCapabilities(seat, 0);
  if (seat.version >= WL_SEAT_RELEASE_SINCE_VERSION) {
    wl_seat_release(seat.seat);
  } else {
    wl_seat_destroy(seat.seat);
  }
  m_seats.erase(seat.name);
}

bool WaylandBackend::InputTarget(wl_surface* surface, double x, double y, InputEvent& event) {
  if (!surface) return false;
  auto* own = static_cast<Surface*>(wl_surface_get_user_data(surface));
  if (!own || !own->window) return false;
  Surface* target = own->cover ? FindWindow(own->window) : own;
  if (!target) return false;
  auto from = m_outputs.find(own->output);
  auto to = m_outputs.find(target->output);
  if (own->cover && from != m_outputs.end() && to != m_outputs.end()) {
    // From the cover's output to the scene's, in the compositor's logical space.
    Rect cover_area = LogicalArea(*from->second);
    Rect scene_area = LogicalArea(*to->second);
    x += cover_area.left - scene_area.left;
    y += cover_area.top - scene_area.top;
  }
  event.window = target->window;
  event.x = int(std::floor(x * target->drawn_scale120 / 120));
  event.y = int(std::floor(y * target->drawn_scale120 / 120));
  return true;
}

void WaylandBackend::PointerAt(Seat& seat, wl_surface* surface, double x, double y) {
  seat.pointer_x = x;
  seat.pointer_y = y;
  InputEvent event;
  if (!InputTarget(surface, x, y, event)) return;
  event.type = EventType::MouseMove;
  event.shift = seat.keys->ShiftState() | seat.buttons;
  Push(event);
}

void WaylandBackend::PointerButton(Seat& seat, uint32_t button, bool pressed) {
  std::optional<ButtonMeaning> meaning = MouseButton(button);
  InputEvent event;
  if (!meaning || !InputTarget(seat.pointer_focus, seat.pointer_x, seat.pointer_y, event)) return;
  // Like the other platforms, the state after the event.
  seat.buttons = pressed ? (seat.buttons | meaning->flag) : (seat.buttons & ~meaning->flag);
  event.type = pressed ? EventType::MouseDown : EventType::MouseUp;
  event.button = meaning->button;
  event.shift = seat.keys->ShiftState() | seat.buttons;
  Push(event);
}

void WaylandBackend::KeyPressed(Seat& seat, uint32_t key) {
  InputEvent event;
  // Keys reach the window whose surface has the focus; over a cover, the scene's.
  if (!InputTarget(seat.keyboard_focus, 0, 0, event)) return;
  event.x = event.y = 0;
  event.type = EventType::KeyDown;
  event.key = seat.keys->VirtualKey(key);
  event.shift = seat.keys->ShiftState() | XkbKeySyms::OwnShiftFlag(event.key) | seat.buttons;
  Push(event);
}

void WaylandBackend::HidePointer(Seat& seat) {
  if (seat.pointer && seat.pointer_focus) {
    wl_pointer_set_cursor(seat.pointer, seat.enter_serial, nullptr, 0, 0);
  }
}

int WaylandBackend::ShowCursor(bool show) {
  m_cursor_count += show ? 1 : -1;
  // Only a surface with a cursor of its own could show the pointer again; the saver ends at
  // that point, and the compositor then shows its own.
  if (m_cursor_count < 0) {
    for (auto& [name, seat] : m_seats) HidePointer(*seat);
  }
  return m_cursor_count;
}

}  // namespace vt

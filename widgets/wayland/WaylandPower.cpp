// The Wayland backend's part in screens that show nothing: a compositor says that a frame was
// shown by answering the frame callback asked with its commit, and answers none while no
// output shows the surface (turned off, or the surface hidden). So each frame asks for one,
// and FrameInUse takes no new frame until it is answered: nothing is painted or sent, and the
// ticks of the scene wait, until the compositor shows the surface again.
#include <wayland-client.h>

#include "widgets/wayland/WaylandBackend.h"

namespace vt {

struct WaylandFrameEvents {
  static void Done(void* data, wl_callback*, uint32_t) {
    auto& surface = *static_cast<WaylandBackend::Surface*>(data);
    surface.backend->FrameShown(surface);
  }
};

namespace {

constexpr wl_callback_listener kFrameListener = {WaylandFrameEvents::Done};

}  // namespace

bool WaylandBackend::FrameInUse(WindowHandle window) {
  const Surface* surface = FindWindow(window);
  return surface && surface->frame;
}

void WaylandBackend::RequestFrame(Surface& surface) {
  if (surface.frame) return;
  surface.frame = wl_surface_frame(surface.surface);
  wl_callback_add_listener(surface.frame, &kFrameListener, &surface);
}

void WaylandBackend::FrameShown(Surface& surface) {
  wl_callback_destroy(surface.frame);
  surface.frame = nullptr;
  if (!surface.window) return;
  InputEvent event;
  event.type = EventType::FrameReleased;
  event.window = surface.window;
  Push(event);
}

}  // namespace vt

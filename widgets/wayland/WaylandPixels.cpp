// The Wayland backend's pixels: the dirty rectangles of a window's frame drawn into a
// shared-memory buffer the compositor has released, damaged and committed (see
// WaylandBuffers). A frame that finds no buffer free is asked for again once one comes back;
// one presented before the surface is configured, once it is. Each frame asks for the
// compositor's word that it was shown (see WaylandPower.cpp).
#include <wayland-client.h>

#include "widgets/wayland/WaylandBackend.h"
#include "viewporter-client-protocol.h"
#include "widgets/wayland/WaylandBuffers.h"

namespace vt {

void WaylandBackend::Present(WindowHandle window, const Bitmap32& frame,
                             const std::vector<Rect>& dirty) {
  Surface* surface = FindWindow(window);
  if (!surface || !Showable(*surface) || frame.IsEmpty()) return;
  if (surface->kind == WindowKind::FullScreen && !surface->has_configure) {
    for (const Rect& rect : dirty) surface->missed = surface->missed.United(rect);
    return;
  }
  if (!surface->buffers) {
    surface->buffers =
        std::make_unique<WaylandBuffers>(m_globals.shm, [this, window](const Rect& missed) {
          InputEvent event;
          event.type = EventType::Expose;
          event.window = window;
          event.rect = missed;
          Push(event);
        });
  }
  std::vector<Rect> damage;
  WaylandBuffers::Buffer* buffer = surface->buffers->Draw(frame, dirty, &damage);
  if (!buffer) return;
  wl_surface_attach(surface->surface, buffer->buffer, 0, 0);
  if (surface->viewport) {
    // Drawn at the exact physical size of a fractional scale, shown at the logical one.
    wl_surface_set_buffer_scale(surface->surface, 1);
    wp_viewport_set_destination(surface->viewport, surface->drawn_size.width,
                                surface->drawn_size.height);
  } else {
    wl_surface_set_buffer_scale(surface->surface, surface->drawn_scale120 / 120);
  }
  if (surface->black) {
    // The black picture before the first frame goes; all of the surface changes.
    wl_buffer_destroy(surface->black);
    surface->black = nullptr;
    surface->black_size = {};
    damage = {frame.Bounds()};
  }
  for (const Rect& rect : damage) {
    wl_surface_damage_buffer(surface->surface, rect.left, rect.top, rect.width, rect.height);
  }
  RequestFrame(*surface);
  wl_surface_commit(surface->surface);
}

}  // namespace vt

// The Wayland backend's windows:
// - the full-screen window: a layer-shell overlay anchored to every edge that takes the
//   keyboard, or a full-screen xdg toplevel; placed by the compositor, which says where and at
//   what size before the first frame;
// - black covers of the same kind over every other output while a full-screen window is shown,
//   following their outputs' sizes;
// - a full-screen window's surface outliving the window, so that a scene laid out again for
//   a changed screen takes it over without a gap;
// - a surface the compositor closes while its output stays, or no output to show on, as
//   nothing to show; the scene's output gone while others remain, as a changed screen, for
//   the scene to be placed anew;
// - the outputs each surface is on, as it enters and leaves them;
// - boxes and pop-ups as subsurfaces above the full-screen window, boxes centred on it;
// - the application's own window, which is never shown, as a record without a surface;
// - no foreign windows: the preview runs on X11.
#include <wayland-client.h>

#include "widgets/Exceptions.h"
#include "widgets/wayland/WaylandBackend.h"
#include "widgets/wayland/WaylandBuffers.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "widgets/wayland/WaylandLayerShell.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vt {

struct WaylandSurfaceEvents {
  static WaylandBackend::Surface& Of(void* data) {
    return *static_cast<WaylandBackend::Surface*>(data);
  }
  static void Enter(void* data, wl_surface*, wl_output* output) {
    Of(data).backend->Entered(Of(data), output);
  }
  static void Leave(void* data, wl_surface*, wl_output* output) {
    Of(data).backend->Left(Of(data), output);
  }
  static void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial,
                             uint32_t width, uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    Of(data).backend->Configured(Of(data), int(width), int(height));
  }
  static void LayerClosed(void* data, zwlr_layer_surface_v1*) {
    Of(data).backend->Closed(Of(data));
  }
  static void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height,
                                wl_array*) {
    Of(data).pending = {width, height};
  }
  static void ToplevelClose(void* data, xdg_toplevel*) { Of(data).backend->CloseAsked(Of(data)); }
  static void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
  static void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
  static void XdgConfigure(void* data, xdg_surface* xdg, uint32_t serial) {
    xdg_surface_ack_configure(xdg, serial);
    WaylandBackend::Surface& surface = Of(data);
    surface.backend->Configured(surface, surface.pending.width, surface.pending.height);
  }
  static void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    Of(data).backend->PreferredScale(Of(data), int(scale));
  }
};

namespace {

constexpr wl_surface_listener kSurfaceListener = {
    .enter = WaylandSurfaceEvents::Enter,
    .leave = WaylandSurfaceEvents::Leave,
};
constexpr zwlr_layer_surface_v1_listener kLayerListener = {
    .configure = WaylandSurfaceEvents::LayerConfigure,
    .closed = WaylandSurfaceEvents::LayerClosed,
};
constexpr xdg_toplevel_listener kToplevelListener = {
    .configure = WaylandSurfaceEvents::ToplevelConfigure,
    .close = WaylandSurfaceEvents::ToplevelClose,
    .configure_bounds = WaylandSurfaceEvents::ToplevelBounds,
    .wm_capabilities = WaylandSurfaceEvents::ToplevelCapabilities,
};
constexpr xdg_surface_listener kXdgSurfaceListener = {
    .configure = WaylandSurfaceEvents::XdgConfigure,
};
constexpr wp_fractional_scale_v1_listener kFractionalScaleListener = {
    .preferred_scale = WaylandSurfaceEvents::PreferredScale,
};

constexpr uint32_t kAllEdges =
    ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
// The compositor's answers to a new surface come within a round trip or two.
constexpr int kPlacingRoundtrips = 3;
// Where a compositor tells nothing at all.
constexpr Size kFallbackSize = {1024, 768};

}  // namespace

std::unique_ptr<WaylandBackend::Surface> WaylandBackend::NewSurface(WindowKind kind) {
  auto surface = std::make_unique<Surface>();
  surface->backend = this;
  surface->kind = kind;
  if (kind != WindowKind::AppWindow) {
    surface->surface = wl_compositor_create_surface(m_globals.compositor);
    wl_surface_add_listener(surface->surface, &kSurfaceListener, surface.get());
  }
  return surface;
}

void WaylandBackend::MakeFullScreen(Surface& surface, wl_output* output) {
  // Drawn at the output's exact size in physical pixels, shown at its logical size. A cover is
  // drawn at its logical size: compositors that stretch a tiny buffer through a viewport
  // (sway's pixman renderer) may leave its last column undrawn.
  if (m_globals.viewporter && m_globals.fractional_scale && !surface.cover) {
    surface.viewport = wp_viewporter_get_viewport(m_globals.viewporter, surface.surface);
    surface.fractional =
        wp_fractional_scale_manager_v1_get_fractional_scale(m_globals.fractional_scale,
                                                            surface.surface);
    wp_fractional_scale_v1_add_listener(surface.fractional, &kFractionalScaleListener, &surface);
  }
  if (m_shell == Shell::Layer) {
    surface.layer =
        zwlr_layer_shell_v1_get_layer_surface(m_globals.layer_shell, surface.surface, output,
                                              ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "vantorel");
    zwlr_layer_surface_v1_add_listener(surface.layer, &kLayerListener, &surface);
    zwlr_layer_surface_v1_set_anchor(surface.layer, kAllEdges);
    // Over panels too, and pushed aside by none of them.
    zwlr_layer_surface_v1_set_exclusive_zone(surface.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        surface.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    surface.xdg = xdg_wm_base_get_xdg_surface(m_globals.wm_base, surface.surface);
    xdg_surface_add_listener(surface.xdg, &kXdgSurfaceListener, &surface);
    surface.toplevel = xdg_surface_get_toplevel(surface.xdg);
    xdg_toplevel_add_listener(surface.toplevel, &kToplevelListener, &surface);
    xdg_toplevel_set_title(surface.toplevel, "Vantorel");
    xdg_toplevel_set_app_id(surface.toplevel, "vantorel");
    xdg_toplevel_set_fullscreen(surface.toplevel, output);
  }
  // The first commit, without a buffer, asks for the first configure.
  wl_surface_commit(surface.surface);
}

void WaylandBackend::Place(Surface& surface) {
  MakeFullScreen(surface, nullptr);
  for (int i = 0; i < kPlacingRoundtrips && !surface.has_configure && Showable(surface) &&
                  Roundtrip();
       ++i) {
  }
  // Mapped, the surface learns its output, and its preferred scale there. No buffer may come
  // before the first configure.
  Size black_at;
  if (surface.has_configure && Showable(surface)) {
    black_at = {std::max(surface.configured.width, 1), std::max(surface.configured.height, 1)};
    ShowBlack(surface, black_at.width, black_at.height);
    for (int i = 0; i < kPlacingRoundtrips &&
                    (!surface.output || (surface.fractional && !surface.preferred_scale120)) &&
                    Showable(surface) && Roundtrip();
         ++i) {
    }
  }
  // No output to show on: sway, for one, closes the surface; a compositor that keeps it would
  // show it nowhere.
  if (m_outputs.empty() || !Showable(surface)) NothingToShow();
  const Output* output = nullptr;
  if (auto it = m_outputs.find(surface.output); it != m_outputs.end()) output = it->second.get();
  // A compositor that says nothing of the output: the one of the configured size, else any.
  for (const auto& [name, known] : m_outputs) {
    if (output) break;
    Rect area = LogicalArea(*known);
    if (Size{area.width, area.height} == surface.configured) output = known.get();
  }
  if (!output && !m_outputs.empty()) output = m_outputs.begin()->second.get();
  if (output) {
    surface.output = output->name;
    // Full-screen xdg toplevels may be left to choose their size.
    Rect area = LogicalArea(*output);
    if (surface.configured.width <= 0 || surface.configured.height <= 0) {
      surface.configured = {area.width, area.height};
    }
  }
  UpdateScale(surface);
  if (surface.configured.width <= 0 || surface.configured.height <= 0) {
    surface.configured = kFallbackSize;
  }
  if (surface.has_configure && Showable(surface) && black_at != surface.configured) {
    ShowBlack(surface, surface.configured.width, surface.configured.height);
  }
}

void WaylandBackend::Configured(Surface& surface, int width, int height) {
  bool first = !surface.has_configure;
  surface.has_configure = true;
  if (width > 0 && height > 0) surface.configured = {width, height};
  if (surface.cover) {
    // A full-screen xdg toplevel may be left to choose its size: its output's.
    auto output = m_outputs.find(surface.output);
    if ((surface.configured.width <= 0 || surface.configured.height <= 0) &&
        output != m_outputs.end()) {
      Rect area = LogicalArea(*output->second);
      surface.configured = {area.width, area.height};
    }
    ShowBlack(surface, surface.configured.width, surface.configured.height);
    return;
  }
  CheckScreen(surface);
  if (first && !surface.missed.IsEmpty()) {
    // Frames came before the surface could take them: they are wanted again.
    InputEvent event;
    event.type = EventType::Expose;
    event.window = surface.window;
    event.rect = surface.missed;
    surface.missed = {};
    Push(event);
  }
}

void WaylandBackend::Closed(Surface& surface) {
  surface.closed = true;
  if (surface.cover) {
    RetireCover(surface.output);
    return;
  }
  // Closed with its output gone, the scene moves to another; closed otherwise (no output to
  // put it on, or for a reason of the compositor's own), it shows nothing any more, nor can
  // input reach it. Which it is may come only with the next events.
  if (!surface.moving) m_scene_closed = true;
}

void WaylandBackend::SettleClosedScene() {
  if (!m_scene_closed) return;
  m_scene_closed = false;
  // A compositor may close the surface before it says that the output is gone: what it still
  // has to say comes within a round trip.
  Roundtrip();
  auto settle = [&](const Surface& surface) {
    if (surface.kind == WindowKind::FullScreen && !surface.cover && surface.closed &&
        !surface.moving) {
      NothingToShow();
    }
  };
  for (const auto& [handle, surface] : m_windows) settle(*surface);
  if (m_placed) settle(*m_placed);
}

void WaylandBackend::RetireCover(uint32_t output) {
  auto it = m_covers.find(output);
  if (it == m_covers.end()) return;
  it->second->closed = true;
  m_retired_covers.push_back(std::move(it->second));
  m_covers.erase(it);
}

void WaylandBackend::ReleaseRetired() {
  for (auto& cover : m_retired_covers) ReleaseSurface(*cover);
  m_retired_covers.clear();
  for (auto& output : m_retired_outputs) {
    if (output->xdg_output) zxdg_output_v1_destroy(output->xdg_output);
    if (output->version >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
      wl_output_release(output->output);
    } else {
      wl_output_destroy(output->output);
    }
  }
  m_retired_outputs.clear();
}

void WaylandBackend::CloseAsked(Surface& surface) {
  if (surface.cover || !surface.window) {
    Closed(surface);
    return;
  }
  InputEvent event;
  event.type = EventType::CloseRequest;
  event.window = surface.window;
  Push(event);
}

void WaylandBackend::Entered(Surface& surface, wl_output* output) {
  const Output* known = FindOutput(output);
  // A cover belongs to its output whatever it enters.
  if (surface.cover || !known) return;
  std::erase(surface.entered, known->name);
  surface.entered.push_back(known->name);
  surface.output = known->name;
  UpdateScale(surface);
}

void WaylandBackend::Left(Surface& surface, wl_output* output) {
  const Output* known = FindOutput(output);
  if (surface.cover || !known) return;
  std::erase(surface.entered, known->name);
  // Still on others: the one entered last is the one it is drawn for.
  if (surface.output == known->name && !surface.entered.empty()) {
    surface.output = surface.entered.back();
    UpdateScale(surface);
  }
}

void WaylandBackend::ShowBlack(Surface& surface, int width, int height) {
  if (width <= 0 || height <= 0 || !Showable(surface)) return;
  Size size = {width, height};
  if (!surface.black || surface.black_size != size) {
    if (surface.black) wl_buffer_destroy(surface.black);
    surface.black = WaylandBuffers::Black(m_globals.shm, size.width, size.height);
    surface.black_size = size;
  }
  wl_surface_attach(surface.surface, surface.black, 0, 0);
  wl_surface_set_buffer_scale(surface.surface, 1);
  // One to one, whatever a frame through the viewport asked for before.
  if (surface.viewport) wp_viewport_set_destination(surface.viewport, width, height);
  wl_surface_damage_buffer(surface.surface, 0, 0, size.width, size.height);
  wl_surface_commit(surface.surface);
}

void WaylandBackend::ReleaseSurface(Surface& surface) {
  for (auto& [name, seat] : m_seats) {
    if (seat->pointer_focus == surface.surface) seat->pointer_focus = nullptr;
    if (seat->keyboard_focus == surface.surface) seat->keyboard_focus = nullptr;
  }
  surface.buffers.reset();
  if (surface.frame) wl_callback_destroy(surface.frame);
  if (surface.black) wl_buffer_destroy(surface.black);
  if (surface.fractional) wp_fractional_scale_v1_destroy(surface.fractional);
  if (surface.viewport) wp_viewport_destroy(surface.viewport);
  if (surface.subsurface) wl_subsurface_destroy(surface.subsurface);
  if (surface.layer) zwlr_layer_surface_v1_destroy(surface.layer);
  if (surface.toplevel) xdg_toplevel_destroy(surface.toplevel);
  if (surface.xdg) xdg_surface_destroy(surface.xdg);
  if (surface.surface) wl_surface_destroy(surface.surface);
  surface.frame = nullptr;
  surface.black = nullptr;
  surface.fractional = nullptr;
  surface.viewport = nullptr;
  surface.subsurface = nullptr;
  surface.layer = nullptr;
  surface.toplevel = nullptr;
  surface.xdg = nullptr;
  surface.surface = nullptr;
}

WaylandBackend::Surface* WaylandBackend::FindWindow(WindowHandle window) {
  auto it = m_windows.find(window);
  return it == m_windows.end() ? nullptr : it->second.get();
}

WaylandBackend::Surface* WaylandBackend::ShownScene() {
  return m_scene ? FindWindow(m_scene) : nullptr;
}

WaylandBackend::Surface* WaylandBackend::BoxParent() {
  if (Surface* shown = ShownScene()) return shown;
  for (auto& [handle, surface] : m_windows) {
    if (surface->kind == WindowKind::FullScreen && Showable(*surface)) return surface.get();
  }
  return m_placed.get();
}

// ---- Windows ----

void WaylandBackend::SetIcon(const Bitmap32&) {
  // Wayland shows no icon a client sets: the compositor finds one by the app id.
}

WindowHandle WaylandBackend::CreateWindow(const WindowRequest& request) {
  std::unique_ptr<Surface> surface;
  switch (request.kind) {
    case WindowKind::FullScreen:
      // One placed on an output that has gone since shows nowhere.
      if (m_placed && (m_placed->moving || !Showable(*m_placed))) {
        ReleaseSurface(*m_placed);
        m_placed.reset();
      }
      if (m_placed) {
        surface = std::move(m_placed);
      } else {
        surface = NewSurface(WindowKind::FullScreen);
        Place(*surface);
      }
      break;
    case WindowKind::Child:
      // Foreign windows are X windows (the preview's host), which a Wayland client cannot
      // name.
      throw EOSError(FormatMessage(FormatMessage("システムエラー。コード：%d.\r\n%s", "0"),
                                   "Wayland has no foreign windows"));
    default:
      surface = NewSurface(request.kind);
      surface->bounds = request.bounds;
      break;
  }
  WindowHandle handle = m_next_handle++;
  surface->window = handle;
  if (request.kind == WindowKind::AppWindow) m_app_window = handle;
  if (request.kind == WindowKind::FullScreen) {
    // The window's scene was laid out for the screen as it stands now.
    surface->drawn_size = surface->configured;
    surface->drawn_scale120 = surface->scale120;
    surface->change_announced = false;
  }
  m_windows[handle] = std::move(surface);
  return handle;
}

void WaylandBackend::DestroyWindow(WindowHandle window) {
  auto it = m_windows.find(window);
  if (it == m_windows.end()) return;
  std::unique_ptr<Surface> surface = std::move(it->second);
  m_windows.erase(it);
  std::erase_if(m_queue, [&](const InputEvent& event) { return event.window == window; });
  if (m_app_window == window) m_app_window = 0;
  bool scene = m_scene == window;
  if (scene) m_scene = 0;
  if (surface->kind == WindowKind::FullScreen && Showable(*surface) && !surface->moving &&
      !m_placed) {
    // The next full-screen window takes the surface over, with its place, its covers and the
    // last frame still showing: a scene laid out again for a new screen comes without a gap.
    // Until then input over it reaches no window.
    surface->window = 0;
    surface->shown = false;
    for (auto& [name, cover] : m_covers) cover->window = 0;
    m_placed = std::move(surface);
    return;
  }
  if (scene) RemoveCovers();
  ReleaseSurface(*surface);
}

void WaylandBackend::ShowWindow(WindowHandle window, bool visible) {
  Surface* surface = FindWindow(window);
  if (!surface || !Showable(*surface) || surface->shown == visible) return;
  surface->shown = visible;
  if (surface->kind == WindowKind::FullScreen) {
    if (visible) {
      if (!surface->has_configure) wl_surface_commit(surface->surface);
      m_scene = window;
      ShowCovers();
      // A pointer that entered while the surface was being placed stands where it entered:
      // the first position the window learns.
      for (auto& [name, seat] : m_seats) {
        if (seat->pointer_focus == surface->surface) {
          PointerAt(*seat, seat->pointer_focus, seat->pointer_x, seat->pointer_y);
        }
      }
      return;
    }
    if (m_scene == window) {
      RemoveCovers();
      m_scene = 0;
    }
    // Unmapped, it waits for a new configure before it shows again.
    surface->has_configure = false;
    surface->buffers.reset();
  } else if (visible) {
    // Shown with its first frame.
    PlaceAbove(*surface);
    return;
  }
  wl_surface_attach(surface->surface, nullptr, 0, 0);
  wl_surface_commit(surface->surface);
}

void WaylandBackend::SetWindowBounds(WindowHandle window, const Rect& bounds) {
  Surface* surface = FindWindow(window);
  if (!surface || surface->kind == WindowKind::FullScreen) return;
  surface->bounds = bounds;
  if (surface->shown) PlaceAbove(*surface);
}

void WaylandBackend::PlaceAbove(Surface& surface) {
  Surface* parent = BoxParent();
  if (!parent || !Showable(*parent) || !m_globals.subcompositor) return;
  if (!surface.subsurface) {
    surface.subsurface =
        wl_subcompositor_get_subsurface(m_globals.subcompositor, surface.surface, parent->surface);
    // Its frames show at once, not with the parent's next one.
    wl_subsurface_set_desync(surface.subsurface);
  }
  // Boxes are drawn one to one, so a box is as large on the screen as its frame says: the
  // parent's logical pixels are the box's pixels.
  const Rect& box = surface.bounds;
  int x = box.left * 120 / parent->drawn_scale120;
  int y = box.top * 120 / parent->drawn_scale120;
  if (surface.kind == WindowKind::Dialog) {
    x = (parent->drawn_size.width - box.width) / 2;
    y = (parent->drawn_size.height - box.height) / 2;
  }
  wl_subsurface_set_position(surface.subsurface, x, y);
  // The position is the parent's state, taken with its next commit.
  wl_surface_commit(parent->surface);
}

bool WaylandBackend::ShowForeignWindow(uint64_t) {
  return false;
}

bool WaylandBackend::GetForeignWindowRect(uint64_t, Rect& outer) {
  outer = {};
  return false;
}

// ---- Covers of the other outputs ----
//
// The scene stays on the output the compositor chose; while it is shown, every other output
// gets a black full-screen surface of the same kind. Their input is the scene's own (see
// InputTarget), so that moving or clicking over any output ends the saver as it does over the
// scene.

void WaylandBackend::ShowCovers() {
  for (auto& [name, cover] : m_covers) cover->window = m_scene;
  for (const auto& [name, output] : m_outputs) {
    if (output->done) AddCover(*output);
  }
}

void WaylandBackend::AddCover(const Output& output) {
  Surface* scene = ShownScene();
  // Without knowing the scene's output, a cover might hide the scene itself.
  if (!scene || !scene->output || output.name == scene->output || m_covers.count(output.name)) {
    return;
  }
  std::unique_ptr<Surface> cover = NewSurface(WindowKind::FullScreen);
  cover->cover = true;
  cover->window = scene->window;
  cover->output = output.name;
  MakeFullScreen(*cover, output.output);
  m_covers[output.name] = std::move(cover);
}

void WaylandBackend::RemoveCovers() {
  for (auto& [name, cover] : m_covers) ReleaseSurface(*cover);
  m_covers.clear();
}

}  // namespace vt

// The Wayland backend's screen:
// - the outputs, with their scale, current mode and logical place (xdg-output), added and
//   removed as the registry announces them; an output that comes while the saver is shown
//   gets a cover; when the scene's own output goes the scene moves to another, laid out for
//   it, and the saver ends only when none remains;
// - the primary screen: the output the compositor puts the full-screen window on, in physical
//   pixels, and 96 pixels per inch times the scale the window is drawn at there; a new scale
//   of that output is announced as a changed screen.
#include <wayland-client.h>

#include <algorithm>

#include "widgets/wayland/WaylandBackend.h"
#include "widgets/wayland/WaylandBuffers.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace vt {

struct WaylandOutputEvents {
  static WaylandBackend::Output& Of(void* data) {
    return *static_cast<WaylandBackend::Output*>(data);
  }
  static void Geometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                       const char*, const char*, int32_t) {
    Of(data).position = {x, y};
  }
  static void Mode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) Of(data).mode = {width, height};
  }
  static void Done(void* data, wl_output*) {
    WaylandBackend::Output& output = Of(data);
    output.backend->OutputDone(output);
  }
  static void Scale(void* data, wl_output*, int32_t factor) {
    Of(data).scale = std::max(factor, 1);
  }
  static void LogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    Of(data).logical.left = x;
    Of(data).logical.top = y;
    Of(data).has_logical = true;
  }
  static void LogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    Of(data).logical.width = width;
    Of(data).logical.height = height;
    Of(data).has_logical = true;
  }
  // Older versions of xdg-output end a description with their own done.
  static void XdgDone(void* data, zxdg_output_v1*) { Done(data, nullptr); }
  static void Name(void*, zxdg_output_v1*, const char*) {}
  static void Description(void*, zxdg_output_v1*, const char*) {}
  static void OutputName(void*, wl_output*, const char*) {}
  static void OutputDescription(void*, wl_output*, const char*) {}
};

namespace {

constexpr wl_output_listener kOutputListener = {
    .geometry = WaylandOutputEvents::Geometry,
    .mode = WaylandOutputEvents::Mode,
    .done = WaylandOutputEvents::Done,
    .scale = WaylandOutputEvents::Scale,
    .name = WaylandOutputEvents::OutputName,
    .description = WaylandOutputEvents::OutputDescription,
};
constexpr zxdg_output_v1_listener kXdgOutputListener = {
    .logical_position = WaylandOutputEvents::LogicalPosition,
    .logical_size = WaylandOutputEvents::LogicalSize,
    .done = WaylandOutputEvents::XdgDone,
    .name = WaylandOutputEvents::Name,
    .description = WaylandOutputEvents::Description,
};

// done and scale came with version 2, release with 3.
constexpr uint32_t kOutputVersion = 3;
constexpr int kDesignPixelsPerInch = 96;

}  // namespace

int WaylandBackend::Scaled(int logical, int scale120) {
  // Halves away from zero, as the compositor rounds a fractional scale's buffer size.
  return int((int64_t(logical) * scale120 + 60) / 120);
}

void WaylandBackend::AddOutput(uint32_t name, uint32_t version) {
  auto output = std::make_unique<Output>();
  output->backend = this;
  output->name = name;
  output->version = std::min(version, kOutputVersion);
  output->output = static_cast<wl_output*>(
      wl_registry_bind(m_globals.registry, name, &wl_output_interface, output->version));
  wl_output_add_listener(output->output, &kOutputListener, output.get());
  DescribeOutput(*output);
  m_outputs[name] = std::move(output);
}

void WaylandBackend::DescribeOutput(Output& output) {
  if (output.xdg_output || !m_globals.output_manager) return;
  output.xdg_output =
      zxdg_output_manager_v1_get_xdg_output(m_globals.output_manager, output.output);
  zxdg_output_v1_add_listener(output.xdg_output, &kXdgOutputListener, &output);
}

void WaylandBackend::OutputDone(Output& output) {
  if (output.removed) return;
  bool first = !output.done;
  output.done = true;
  if (first) AddCover(output);
  // A new scale of a full-screen window's output, where the output's scale is the window's.
  auto follow = [&](Surface& surface) {
    if (surface.kind == WindowKind::FullScreen && surface.output == output.name) {
      UpdateScale(surface);
    }
  };
  for (auto& [handle, surface] : m_windows) follow(*surface);
  if (m_placed) follow(*m_placed);
}

void WaylandBackend::RemoveOutput(uint32_t name) {
  auto it = m_outputs.find(name);
  if (it == m_outputs.end()) return;
  RetireCover(name);
  auto gone = [&](Surface& surface) {
    std::erase(surface.entered, name);
    if (surface.kind != WindowKind::FullScreen || surface.output != name) return;
    surface.output = 0;
    // Another output remains: the scene moves there. Without one, there is nowhere to show.
    if (m_outputs.size() > 1) {
      MoveScene(surface);
    } else {
      NothingToShow();
    }
  };
  for (auto& [handle, surface] : m_windows) gone(*surface);
  if (m_placed) gone(*m_placed);
  it->second->removed = true;
  m_retired_outputs.push_back(std::move(it->second));
  m_outputs.erase(it);
}

Rect WaylandBackend::LogicalArea(const Output& output) const {
  if (output.has_logical) return output.logical;
  return {output.position.x, output.position.y, output.mode.width / output.scale,
          output.mode.height / output.scale};
}

const WaylandBackend::Output* WaylandBackend::FindOutput(wl_output* output) const {
  for (const auto& [name, known] : m_outputs) {
    if (known->output == output) return known.get();
  }
  return nullptr;
}

WaylandBackend::Surface& WaylandBackend::SceneSurface() {
  if (Surface* shown = ShownScene()) return *shown;
  for (auto& [handle, surface] : m_windows) {
    if (surface->kind == WindowKind::FullScreen) return *surface;
  }
  if (!m_placed) {
    m_placed = NewSurface(WindowKind::FullScreen);
    Place(*m_placed);
  }
  return *m_placed;
}

// ---- The scale a full-screen window is drawn at, and changes of its screen ----

void WaylandBackend::PreferredScale(Surface& surface, int scale120) {
  surface.preferred_scale120 = scale120;
  UpdateScale(surface);
}

void WaylandBackend::UpdateScale(Surface& surface) {
  if (surface.cover) return;
  int scale120 = surface.preferred_scale120;
  if (!surface.viewport || scale120 <= 0) {
    // Without a viewport a buffer's scale is a whole number: the output's.
    auto output = m_outputs.find(surface.output);
    scale120 = 120 * (output == m_outputs.end() ? 1 : output->second->scale);
  }
  surface.scale120 = scale120;
  CheckScreen(surface);
}

void WaylandBackend::CheckScreen(Surface& surface) {
  if (surface.configured == surface.drawn_size && surface.scale120 == surface.drawn_scale120) {
    return;
  }
  AnnounceScreenChange(surface);
}

void WaylandBackend::MoveScene(Surface& surface) {
  surface.moving = true;
  AnnounceScreenChange(surface);
}

void WaylandBackend::AnnounceScreenChange(Surface& surface) {
  if (!surface.window || surface.cover || surface.change_announced) return;
  surface.change_announced = true;
  // A compositor that keeps the pointer where it stands on a rescaled output tells of a new
  // logical position with the change: nobody moved it. The scene laid out again learns the
  // position afresh.
  std::erase_if(m_queue, [&](const InputEvent& event) {
    return event.type == EventType::MouseMove && event.window == surface.window;
  });
  InputEvent event;
  event.type = EventType::ScreenChanged;
  event.window = surface.window;
  Push(event);
}

Rect WaylandBackend::PrimaryScreen() {
  const Surface& scene = SceneSurface();
  return {0, 0, Scaled(scene.configured.width, scene.scale120),
          Scaled(scene.configured.height, scene.scale120)};
}

int WaylandBackend::PixelsPerInch() {
  return Scaled(kDesignPixelsPerInch, SceneSurface().scale120);
}

}  // namespace vt

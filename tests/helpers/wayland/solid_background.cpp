// Puts one colour on the background layer of every output, as a wallpaper client does, so
// that a test can tell what a client covers from what nothing covers (a compositor without a
// desktop shell shows black there). Outputs that come later get theirs too. Says "ready" on
// standard output once every output it found at the start has had its first picture, and
// reports on standard error each surface the compositor closes. Ends when its standard input
// closes. With --inhibit-idle, each of its surfaces holds an idle inhibitor, as a video
// player's does, for as long as it runs.
//
//   solid_background RRGGBB [--inhibit-idle]
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <list>
#include <string_view>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "tests/helpers/wayland/HeldUntilStdinCloses.h"
#include "widgets/wayland/WaylandLayerShell.h"

namespace {

struct Client;

struct Output {
  Client* client = nullptr;
  uint32_t name = 0;
  wl_output* output = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  zwp_idle_inhibitor_v1* inhibitor = nullptr;
  wl_buffer* buffer = nullptr;  // the last one given, until the compositor releases it
  bool drawn = false;
};

struct Client {
  uint32_t colour = 0;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* shell = nullptr;
  bool inhibit_idle = false;
  zwp_idle_inhibit_manager_v1* inhibit = nullptr;
  std::list<Output> outputs;
};

void OnRelease(void* data, wl_buffer* buffer) {
  // The compositor keeps what it showed; the memory is no longer needed.
  auto& output = *static_cast<Output*>(data);
  if (output.buffer == buffer) output.buffer = nullptr;
  wl_buffer_destroy(buffer);
}

constexpr wl_buffer_listener kBufferListener = {OnRelease};

// A buffer of the size in the client's colour for the output; null when there is no memory
// for it.
wl_buffer* SolidBuffer(Client& client, Output& output, int width, int height) {
  size_t size = size_t(width) * size_t(height) * 4;
  int fd = memfd_create("background", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, off_t(size)) != 0) {
    if (fd >= 0) close(fd);
    return nullptr;
  }
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  auto* pixels = static_cast<uint32_t*>(memory);
  for (size_t i = 0; i < size / 4; ++i) pixels[i] = client.colour;
  munmap(memory, size);
  wl_shm_pool* pool = wl_shm_create_pool(client.shm, fd, int32_t(size));
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(buffer, &kBufferListener, &output);
  return buffer;
}

void OnConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                 uint32_t height) {
  auto& output = *static_cast<Output*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  wl_buffer* buffer = SolidBuffer(*output.client, output, int(width), int(height));
  if (!buffer) {
    std::fprintf(stderr, "solid_background: no memory for %ux%u\n", width, height);
    std::exit(1);
  }
  wl_surface_attach(output.surface, buffer, 0, 0);
  wl_surface_damage_buffer(output.surface, 0, 0, int32_t(width), int32_t(height));
  wl_surface_commit(output.surface);
  // One the compositor still holds it lets go of as it takes the new one.
  if (output.buffer) wl_buffer_destroy(output.buffer);
  output.buffer = buffer;
  output.drawn = true;
}

void Uncover(Output& output) {
  if (output.inhibitor) zwp_idle_inhibitor_v1_destroy(output.inhibitor);
  if (output.layer) zwlr_layer_surface_v1_destroy(output.layer);
  if (output.surface) wl_surface_destroy(output.surface);
  if (output.buffer) wl_buffer_destroy(output.buffer);
  output.inhibitor = nullptr;
  output.layer = nullptr;
  output.surface = nullptr;
  output.buffer = nullptr;
}

void OnClosed(void* data, zwlr_layer_surface_v1*) {
  auto& output = *static_cast<Output*>(data);
  std::fprintf(stderr, "solid_background: the surface of output %u was closed\n", output.name);
  Uncover(output);
}

constexpr zwlr_layer_surface_v1_listener kLayerListener = {OnConfigure, OnClosed};

void Cover(Client& client, Output& output) {
  output.surface = wl_compositor_create_surface(client.compositor);
  output.layer =
      zwlr_layer_shell_v1_get_layer_surface(client.shell, output.surface, output.output,
                                            ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "background");
  zwlr_layer_surface_v1_set_anchor(
      output.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                        ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_exclusive_zone(output.layer, -1);
  zwlr_layer_surface_v1_add_listener(output.layer, &kLayerListener, &output);
  if (client.inhibit) {
    output.inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(client.inhibit, output.surface);
  }
  wl_surface_commit(output.surface);
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto& client = *static_cast<Client*>(data);
  std::string_view kind = interface;
  if (kind == wl_compositor_interface.name) {
    client.compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (kind == wl_shm_interface.name) {
    client.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (kind == zwlr_layer_shell_v1_interface.name) {
    client.shell = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
  } else if (kind == zwp_idle_inhibit_manager_v1_interface.name && client.inhibit_idle) {
    client.inhibit = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
  } else if (kind == wl_output_interface.name) {
    Output& output = client.outputs.emplace_back();
    output.client = &client;
    output.name = name;
    output.output =
        static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
    // Outputs announced before the globals a surface needs get theirs once all are known.
    if (client.compositor && client.shm && client.shell &&
        (!client.inhibit_idle || client.inhibit)) {
      Cover(client, output);
    }
  }
}

void OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
  auto& client = *static_cast<Client*>(data);
  client.outputs.remove_if([&](Output& output) {
    if (output.name != name) return false;
    std::fprintf(stderr, "solid_background: output %u went%s\n", name,
                 output.layer ? " while its surface was open" : "");
    Uncover(output);
    wl_output_destroy(output.output);
    return true;
  });
}

constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  Client client;
  client.colour = argc >= 2 ? uint32_t(std::strtoul(argv[1], &end, 16)) : 0;
  client.inhibit_idle = argc == 3 && std::string_view(argv[2]) == "--inhibit-idle";
  if (argc < 2 || argc > 3 || *end != '\0' || (argc == 3 && !client.inhibit_idle)) {
    std::fprintf(stderr, "usage: solid_background RRGGBB [--inhibit-idle]\n");
    return 2;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "solid_background: no Wayland display\n");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &client);
  wl_display_roundtrip(display);
  if (!client.compositor || !client.shm || !client.shell) {
    std::fprintf(stderr, "solid_background: the compositor offers no layer shell\n");
    return 1;
  }
  if (client.inhibit_idle && !client.inhibit) {
    std::fprintf(stderr, "solid_background: the compositor offers no idle inhibitor\n");
    return 1;
  }
  for (Output& output : client.outputs) {
    if (!output.layer) Cover(client, output);
  }
  // The first configure, then the first picture read by the compositor.
  for (int i = 0; i < 2; ++i) {
    if (wl_display_roundtrip(display) < 0) return 1;
  }
  for (const Output& output : client.outputs) {
    if (!output.drawn) std::fprintf(stderr, "solid_background: output %u not drawn\n", output.name);
  }
  std::printf("ready\n");
  std::fflush(stdout);

  if (!HeldUntilStdinCloses(display)) {
    std::fprintf(stderr, "solid_background: the compositor went away\n");
    return 1;
  }
  for (Output& output : client.outputs) {
    Uncover(output);
    wl_output_destroy(output.output);
  }
  // Bound at version 1, which has no destroy request.
  wl_proxy_destroy(reinterpret_cast<wl_proxy*>(client.shell));
  wl_shm_destroy(client.shm);
  wl_compositor_destroy(client.compositor);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return 0;
}

// idle_inhibitor: a client that holds the session awake as a video player does: a small
// surface on the top layer of the compositor's output, in the corner, with an idle inhibitor
// (zwp_idle_inhibit_manager_v1) on it. Says "ready" once the compositor has shown the surface,
// and ends, taking the inhibitor with it, when its standard input closes.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <string_view>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "tests/helpers/wayland/HeldUntilStdinCloses.h"
#include "widgets/wayland/WaylandLayerShell.h"

namespace {

constexpr int kSize = 64;
constexpr uint32_t kColour = 0xC03020;

struct Client {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* shell = nullptr;
  zwp_idle_inhibit_manager_v1* inhibit = nullptr;
  wl_surface* surface = nullptr;
  bool configured = false;
};

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
  } else if (kind == zwp_idle_inhibit_manager_v1_interface.name) {
    client.inhibit = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// A buffer of one colour; null when there is no memory for it.
wl_buffer* SolidBuffer(wl_shm* shm) {
  size_t size = size_t(kSize) * kSize * 4;
  int fd = memfd_create("inhibitor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, off_t(size)) != 0) return nullptr;
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) return nullptr;
  for (size_t i = 0; i < size / 4; ++i) static_cast<uint32_t*>(memory)[i] = kColour;
  munmap(memory, size);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(size));
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, kSize, kSize, kSize * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

void OnConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t, uint32_t) {
  auto& client = *static_cast<Client*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  if (client.configured) {
    wl_surface_commit(client.surface);
    return;
  }
  client.configured = true;
  wl_buffer* buffer = SolidBuffer(client.shm);
  if (!buffer) return;
  wl_surface_attach(client.surface, buffer, 0, 0);
  wl_surface_damage_buffer(client.surface, 0, 0, kSize, kSize);
  wl_surface_commit(client.surface);
}

void OnClosed(void*, zwlr_layer_surface_v1*) {
  std::fprintf(stderr, "idle_inhibitor: the compositor closed the surface\n");
}

constexpr zwlr_layer_surface_v1_listener kLayerListener = {OnConfigure, OnClosed};

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "idle_inhibitor: no Wayland display\n");
    return 1;
  }
  Client client;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &client);
  wl_display_roundtrip(display);
  if (!client.compositor || !client.shm || !client.shell || !client.inhibit) {
    std::fprintf(stderr,
                 "idle_inhibitor: the compositor offers no layer shell or idle inhibitor\n");
    return 1;
  }
  client.surface = wl_compositor_create_surface(client.compositor);
  zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
      client.shell, client.surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_TOP, "idle-inhibitor");
  zwlr_layer_surface_v1_set_size(layer, kSize, kSize);
  zwlr_layer_surface_v1_set_anchor(
      layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
  zwlr_layer_surface_v1_add_listener(layer, &kLayerListener, &client);
  zwp_idle_inhibitor_v1* inhibitor =
      zwp_idle_inhibit_manager_v1_create_inhibitor(client.inhibit, client.surface);
  wl_surface_commit(client.surface);
  // The first configure, then the first picture read by the compositor.
  for (int i = 0; i < 2; ++i) {
    if (wl_display_roundtrip(display) < 0) return 1;
  }
  if (!client.configured) {
    std::fprintf(stderr, "idle_inhibitor: the surface was never configured\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  if (!HeldUntilStdinCloses(display)) {
    std::fprintf(stderr, "idle_inhibitor: the compositor went away\n");
    return 1;
  }
  zwp_idle_inhibitor_v1_destroy(inhibitor);
  zwlr_layer_surface_v1_destroy(layer);
  wl_surface_destroy(client.surface);
  wl_display_disconnect(display);
  return 0;
}

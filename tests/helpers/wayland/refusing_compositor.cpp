// A Wayland compositor that refuses every client with a protocol error as soon as it
// connects, so that a test sees what a program makes of the compositor's error.
//
//   refusing_compositor SOCKET-NAME
//
// Listens on SOCKET-NAME in $XDG_RUNTIME_DIR, says "ready" on standard output and serves until
// a signal ends it.
#include <wayland-server.h>

#include <cstdio>

namespace {

void OnClientCreated(wl_listener*, void* data) {
  auto* client = static_cast<wl_client*>(data);
  // Object 1 of every client is its wl_display.
  wl_resource_post_error(wl_client_get_object(client, 1), WL_DISPLAY_ERROR_IMPLEMENTATION,
                         "this compositor takes no clients");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: refusing_compositor SOCKET-NAME\n");
    return 2;
  }
  wl_display* display = wl_display_create();
  if (!display || wl_display_add_socket(display, argv[1]) != 0) {
    std::fprintf(stderr, "refusing_compositor: cannot listen on %s\n", argv[1]);
    return 1;
  }
  wl_listener created{};
  created.notify = OnClientCreated;
  wl_display_add_client_created_listener(display, &created);
  std::printf("ready\n");
  std::fflush(stdout);
  wl_display_run(display);
  wl_display_destroy(display);
  return 0;
}

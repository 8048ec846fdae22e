#pragma once

#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

// What a test helper holds in a compositor lives as long as the helper's standard input stays
// open: a test that dies takes the helper's objects with it. Meanwhile the compositor's
// messages are read and answered. True when standard input closed, false when the compositor
// went away.
inline bool HeldUntilStdinCloses(wl_display* display) {
  for (;;) {
    wl_display_flush(display);
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) {
      char byte;
      if (read(STDIN_FILENO, &byte, 1) <= 0) return true;
    }
    if (fds[0].revents && wl_display_dispatch(display) < 0) return false;
  }
}

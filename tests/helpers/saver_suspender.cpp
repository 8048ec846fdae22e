// saver_suspender: holds the X server's screen saver off as video players do, with
// XScreenSaverSuspend, for as long as it runs. Says "ready" once the server has the request,
// and ends (the server then lets the saver count again) when its standard input closes.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdio>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "saver_suspender: cannot open the display\n");
    return 1;
  }
  int event_base = 0, error_base = 0;
  if (!XScreenSaverQueryExtension(display, &event_base, &error_base)) {
    std::fprintf(stderr, "saver_suspender: no MIT-SCREEN-SAVER extension\n");
    return 1;
  }
  XScreenSaverSuspend(display, True);
  XSync(display, False);
  std::printf("ready\n");
  std::fflush(stdout);
  for (int c = std::getchar(); c != EOF; c = std::getchar()) {
  }
  XCloseDisplay(display);
  return 0;
}

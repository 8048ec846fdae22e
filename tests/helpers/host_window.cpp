// host_window: a stand-in for the desktop's settings dialog, which hosts the preview.
//
//   host_window WIDTH HEIGHT [BORDER]
//
// Creates a top-level window of that size (and border width) on $DISPLAY, maps it, prints its
// id in decimal on standard output and then waits. A line on standard input, or its end,
// destroys the window and ends the program, so a test that dies takes its host with it.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool ParseSize(const char* text, int minimum, int* value) {
  char* end = nullptr;
  long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < minimum || parsed > 10000) return false;
  *value = int(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0, border = 0;
  if (argc < 3 || argc > 4 || !ParseSize(argv[1], 1, &width) || !ParseSize(argv[2], 1, &height) ||
      (argc == 4 && !ParseSize(argv[3], 0, &border))) {
    std::fprintf(stderr, "usage: host_window WIDTH HEIGHT [BORDER]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "host_window: cannot open the display\n");
    return 1;
  }
  int screen = DefaultScreen(display);
  // A plain blue background and a yellow border, so that whatever covers the host shows.
  XSetWindowAttributes attributes{};
  attributes.background_pixel = 0x2040A0;
  attributes.border_pixel = 0xE0E020;
  attributes.event_mask = StructureNotifyMask;
  Window window = XCreateWindow(display, RootWindow(display, screen), 20, 20, unsigned(width),
                                unsigned(height), unsigned(border), DefaultDepth(display, screen),
                                InputOutput, DefaultVisual(display, screen),
                                CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  XStoreName(display, window, "host_window");
  XMapWindow(display, window);
  // Where a window manager runs, the window is mapped only when it says so.
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type == MapNotify && event.xmap.window == window) break;
  }
  std::printf("%lu\n", static_cast<unsigned long>(window));
  std::fflush(stdout);

  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
  XDestroyWindow(display, window);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}

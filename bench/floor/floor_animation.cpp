// floor_animation: the least a 10 Hz animation of the saver's kind costs on an X server, to
// measure the saver against (scripts/measure-cpu.sh --floor).
//
//   floor_animation [--scaled]
//
// A full-screen window on $DISPLAY with one MIT-SHM image of its size. Every 100 ms a
// car-sized rectangle (134 x 98 pixels) moves by a few pixels, as a car tick moves the car;
// the area of its old and new place is put with XShmPutImage, the request flushed, and the
// program sleeps in poll() until the next tick. Nothing else: no toolkit, no events asked for
// but the server's, no completion events. Runs until it is killed.
//
// With --scaled the rectangle and its step grow with the screen's height as the saver's car
// does (268 x 196 pixels at 3840 x 2160): the least that moving a car of the saver's size costs.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kCarWidth = 134;
constexpr int kCarHeight = 98;
constexpr int kStep = 11;  // the car's step at 1920 x 1080
constexpr int kDesignHeight = 1080;
constexpr int64_t kTickMs = 100;

int64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void Fill(XImage* image, int left, int top, int width, int height, uint32_t colour) {
  for (int y = top; y < top + height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image->data + size_t(y) * size_t(image->bytes_per_line));
    std::fill(row + left, row + left + width, colour);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool scaled = argc == 2 && std::strcmp(argv[1], "--scaled") == 0;
  if (argc > 1 && !scaled) {
    std::fprintf(stderr, "usage: floor_animation [--scaled]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "floor_animation: cannot open the display\n");
    return 1;
  }
  int screen = DefaultScreen(display);
  int width = DisplayWidth(display, screen);
  int height = DisplayHeight(display, screen);
  Visual* visual = DefaultVisual(display, screen);
  if (!XShmQueryExtension(display) || DefaultDepth(display, screen) != 24) {
    std::fprintf(stderr, "floor_animation: needs MIT-SHM and a 24-bit screen\n");
    return 1;
  }

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, screen);
  Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                unsigned(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(display, window);
  GC gc = XCreateGC(display, window, 0, nullptr);

  XShmSegmentInfo segment{};
  XImage* image = XShmCreateImage(display, visual, 24, ZPixmap, nullptr, &segment,
                                  unsigned(width), unsigned(height));
  segment.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height),
                         IPC_CREAT | 0600);
  segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
  segment.readOnly = False;
  XShmAttach(display, &segment);
  XSync(display, False);
  shmctl(segment.shmid, IPC_RMID, nullptr);

  // A backdrop once, then only the car's area.
  Fill(image, 0, 0, width, height, 0x204060);
  XShmPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height), False);
  XFlush(display);

  const int scale = scaled ? height : kDesignHeight;
  const int car_width = std::min(width, kCarWidth * scale / kDesignHeight);
  const int car_height = std::min(height, kCarHeight * scale / kDesignHeight);
  const int step = std::max(1, kStep * scale / kDesignHeight);
  const int left = std::min(556 * scale / kDesignHeight, width - car_width);
  const int top_limit = std::max(0, height - car_height);
  int top = 0;
  int direction = 1;
  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  for (int64_t next = NowMs() + kTickMs;; next += kTickMs) {
    for (int64_t now = NowMs(); now < next; now = NowMs()) {
      if (poll(&fd, 1, int(next - now)) > 0) {
        // Whatever the server says (exposures of an override-redirect window) is read and
        // dropped, as a client must.
        while (XPending(display)) {
          XEvent event;
          XNextEvent(display, &event);
        }
      }
    }
    int old_top = top;
    if (top + direction * step < 0 || top + direction * step > top_limit) direction = -direction;
    top += direction * step;
    Fill(image, left, old_top, car_width, car_height, 0x204060);
    Fill(image, left, top, car_width, car_height, 0x80C020);
    int area_top = std::min(old_top, top);
    int area_height = std::max(old_top, top) + car_height - area_top;
    XShmPutImage(display, window, gc, image, left, area_top, left, area_top, unsigned(car_width),
                 unsigned(area_height), False);
    XFlush(display);
  }
}

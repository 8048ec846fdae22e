#include "X11TestSupport.h"

#include <X11/Xutil.h>

#include <algorithm>

namespace vt {

void X11BackendTest::SetUp() {
  std::string error;
  ASSERT_TRUE(m_server.Start(1024, 768, 24, &error)) << error;
}

std::unique_ptr<X11Backend> X11BackendTest::Open(bool allow_shared_memory) const {
  return Open(m_server, allow_shared_memory);
}

std::unique_ptr<X11Backend> X11BackendTest::Open(const XvfbServer& server,
                                                 bool allow_shared_memory) const {
  X11Backend::Options options;
  options.display_name = server.Name();
  options.allow_shared_memory = allow_shared_memory;
  std::string error;
  auto backend = X11Backend::Open(options, &error);
  EXPECT_TRUE(backend) << error;
  return backend;
}

std::optional<InputEvent> X11BackendTest::WaitFor(X11Backend& backend, EventType type,
                                                  int timeout_ms) {
  int64_t deadline = backend.NowMs() + timeout_ms;
  while (auto event = backend.WaitEvent(deadline)) {
    if (event->type == type) return event;
  }
  return std::nullopt;
}

std::vector<InputEvent> X11BackendTest::Collect(X11Backend& backend, std::vector<EventType> types,
                                                int timeout_ms) {
  std::vector<InputEvent> events;
  int64_t deadline = backend.NowMs() + timeout_ms;
  while (auto event = backend.WaitEvent(deadline)) {
    if (std::find(types.begin(), types.end(), event->type) != types.end()) {
      events.push_back(*event);
    }
  }
  return events;
}

bool X11BackendTest::PumpUntil(X11Backend& backend, const std::function<bool()>& check,
                               int timeout_ms) {
  int64_t deadline = backend.NowMs() + timeout_ms;
  while (!check()) {
    if (backend.NowMs() >= deadline) return false;
    backend.WaitEvent(std::min(deadline, backend.NowMs() + 20));
  }
  return true;
}

unsigned long X11BackendTest::RootPixel(Display* display, int x, int y) {
  return RootPixels(display, {x, y, 1, 1}).at(0);
}

std::vector<unsigned long> X11BackendTest::RootPixels(Display* display, const Rect& area) {
  std::vector<unsigned long> pixels;
  XImage* image = XGetImage(display, DefaultRootWindow(display), area.left, area.top,
                            unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.reserve(size_t(area.width) * size_t(area.height));
  for (int y = 0; y < area.height; ++y) {
    for (int x = 0; x < area.width; ++x) pixels.push_back(XGetPixel(image, x, y));
  }
  XDestroyImage(image);
  return pixels;
}

bool IsMapped(Display* display, Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

Rect Geometry(Display* display, Window window) {
  Window root = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
  return {x, y, int(width), int(height)};
}

Window ParentOf(Display* display, Window window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return parent;
}

bool PointerVisible(Display* display) {
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (!image) return true;
  bool visible = false;
  for (size_t i = 0; i < size_t(image->width) * image->height; ++i) {
    if ((image->pixels[i] >> 24) != 0) visible = true;
  }
  XFree(image);
  return visible;
}

}  // namespace vt

#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "XvfbServer.h"
#include "widgets/x11/X11Backend.h"

// clang-format off
// X's headers come last: their macros (None, Expose) would break the headers above. Test
// files take them from here.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>
#include "widgets/x11/X11ErrorTrap.h"
#undef Expose
// clang-format on

namespace vt {

// A test on its own Xvfb (1024 x 768 x 24 unless the test starts another one).
class X11BackendTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::unique_ptr<X11Backend> Open(bool allow_shared_memory = true) const;
  std::unique_ptr<X11Backend> Open(const XvfbServer& server, bool allow_shared_memory) const;
  Display* Test() const { return m_server.Test(); }

  // Pumps the backend's events until one of the type arrives (others are dropped) or the
  // time is up.
  static std::optional<InputEvent> WaitFor(X11Backend& backend, EventType type, int timeout_ms);
  // Every event of the given types that arrives before the time is up, in order.
  static std::vector<InputEvent> Collect(X11Backend& backend, std::vector<EventType> types,
                                         int timeout_ms);
  // Pumps the backend's events until check() holds or the time is up.
  static bool PumpUntil(X11Backend& backend, const std::function<bool()>& check, int timeout_ms);

  // Pixels read back from the root window through the test's own connection.
  static unsigned long RootPixel(Display* display, int x, int y);
  static std::vector<unsigned long> RootPixels(Display* display, const Rect& area);

  XvfbServer m_server;
};

// What the server says of a window: whether it is mapped, its geometry in its parent, its
// parent.
bool IsMapped(Display* display, Window window);
Rect Geometry(Display* display, Window window);
Window ParentOf(Display* display, Window window);
// Whether the pointer's current image shows anything at all.
bool PointerVisible(Display* display);

}  // namespace vt

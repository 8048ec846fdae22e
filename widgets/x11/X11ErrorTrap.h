#pragma once

#include <X11/Xlib.h>

namespace vt {

// Catches the X errors caused by the requests made while it lives, instead of letting them
// reach the default handler (which ends the program). The trap is found by the error
// handler through Xlib's context table of the display, so no global variable is needed;
// traps nest.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request made so far and returns the code of
  // the first error among them, 0 when there was none.
  int Finish();

  // The error handler to install with XSetErrorHandler. Errors outside any trap are
  // reported on standard error and otherwise ignored.
  static int OnError(Display* display, XErrorEvent* event);
  // Errors about this resource outside any trap are expected and not reported: a child of a
  // foreign window goes whenever its host goes, and requests already on their way to it then
  // fail.
  static void ExpectErrorsAbout(Display* display, XID resource);

 private:
  Display* m_display;
  X11ErrorTrap* m_outer = nullptr;
  int m_code = 0;
};

}  // namespace vt

#include "widgets/x11/X11ErrorTrap.h"

#include <X11/Xresource.h>
#include <X11/Xutil.h>

#include <cstdio>

namespace vt {

namespace {

XContext TrapContext() {
  return XStringToContext("vantorel.X11ErrorTrap");
}

XContext ExpectedContext() {
  return XStringToContext("vantorel.X11ErrorTrap.expected");
}

X11ErrorTrap* CurrentTrap(Display* display) {
  XPointer data = nullptr;
  if (XFindContext(display, DefaultRootWindow(display), TrapContext(), &data) != 0) {
    return nullptr;
  }
  return reinterpret_cast<X11ErrorTrap*>(data);
}

void SetCurrentTrap(Display* display, X11ErrorTrap* trap) {
  XDeleteContext(display, DefaultRootWindow(display), TrapContext());
  if (trap) {
    XSaveContext(display, DefaultRootWindow(display), TrapContext(),
                 reinterpret_cast<XPointer>(trap));
  }
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : m_display(display) {
  // Errors of earlier requests belong to whoever made them, not to this trap.
  XSync(m_display, False);
  m_outer = CurrentTrap(m_display);
  SetCurrentTrap(m_display, this);
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(m_display, False);
  SetCurrentTrap(m_display, m_outer);
}

int X11ErrorTrap::Finish() {
  XSync(m_display, False);
  return m_code;
}

int X11ErrorTrap::OnError(Display* display, XErrorEvent* event) {
  if (X11ErrorTrap* trap = CurrentTrap(display)) {
    if (trap->m_code == 0) trap->m_code = event->error_code;
    return 0;
  }
  XPointer expected = nullptr;
  if (XFindContext(display, event->resourceid, ExpectedContext(), &expected) == 0) return 0;
  char text[256] = {};
  XGetErrorText(display, event->error_code, text, sizeof text);
  std::fprintf(stderr, "vantorel: X error %s (request %d.%d, resource 0x%lx)\n", text,
               event->request_code, event->minor_code, event->resourceid);
  return 0;
}

void X11ErrorTrap::ExpectErrorsAbout(Display* display, XID resource) {
  XSaveContext(display, resource, ExpectedContext(), reinterpret_cast<XPointer>(display));
}

}  // namespace vt

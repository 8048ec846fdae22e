#include "idle/X11ServerSaver.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vt {

namespace {

// The only requests that can fail name windows that may be gone by the time they arrive.
int IgnoreError(Display* /*display*/, XErrorEvent* /*error*/) {
  return 0;
}

// Reached where Xlib finds the connection broken: as the starter closes a connection that the
// wait found broken (its saver already ended), or should Xlib find it first. Either way the
// line is the one the starter would say, and the exit code the same. A saver that still runs
// ends with this process.
int ConnectionBroken(Display* display) {
  std::fprintf(stderr, "vantorel: lost the connection to the X display %s\n",
               DisplayString(display));
  std::fflush(stderr);
  _exit(1);
}

}  // namespace

std::unique_ptr<X11ServerSaver> X11ServerSaver::Open(int idle_seconds, IdleEvents& events,
                                                     std::string* error) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    *error = "cannot open the X display \"" + std::string(XDisplayName(nullptr)) + "\"";
    return nullptr;
  }
  XSetErrorHandler(&IgnoreError);
  XSetIOErrorHandler(&ConnectionBroken);
  std::unique_ptr<X11ServerSaver> saver(new X11ServerSaver(display, events, idle_seconds));
  std::string name = DisplayString(display);
  int error_base = 0;
  if (!XScreenSaverQueryExtension(display, &saver->m_event_base, &error_base)) {
    *error = "the X display " + name + " has no MIT-SCREEN-SAVER extension to tell idleness by";
    return nullptr;
  }
  if (saver->DaemonRuns()) {
    *error = "XScreenSaver already runs on the X display " + name +
             " and is its screen saver: choose Vantorel in its settings (xscreensaver-settings) "
             "instead of starting a second saver";
    return nullptr;
  }
  Settings& user = saver->m_user;
  XGetScreenSaver(display, &user.timeout, &user.interval, &user.prefer_blanking,
                  &user.allow_exposures);
  saver->TakeTimer();
  saver->m_taken = true;
  Window root = DefaultRootWindow(display);
  XScreenSaverSelectInput(display, root, ScreenSaverNotifyMask);
  XScreenSaverInfo info{};
  saver->m_on_at_start = XScreenSaverQueryInfo(display, root, &info) && info.state == ScreenSaverOn;
  XSync(display, False);
  return saver;
}

X11ServerSaver::~X11ServerSaver() {
  // A connection that broke cannot give anything back.
  if (m_taken) {
    XSetScreenSaver(m_display, m_user.timeout, m_user.interval, m_user.prefer_blanking,
                    m_user.allow_exposures);
    XSync(m_display, False);
  }
  // On a broken connection this ends the program from the I/O error handler, as said there.
  XCloseDisplay(m_display);
}

void X11ServerSaver::TakeTimer() {
  // No cycling (it would wake the starter every interval) and no blanking or tiling over the
  // scene: the server's saver only counts.
  XSetScreenSaver(m_display, m_idle_seconds, 0, DontPreferBlanking, DontAllowExposures);
}

void X11ServerSaver::SaverEnded() {
  TakeTimer();
  XFlush(m_display);
}

bool X11ServerSaver::DaemonRuns() const {
  Atom version = XInternAtom(m_display, "_SCREENSAVER_VERSION", True);
  if (version == None) return false;
  Window root = DefaultRootWindow(m_display), parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(m_display, root, &root, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, children[i], version, 0, 0, False, AnyPropertyType, &type,
                           &format, &items, &after, &data) == Success) {
      found = type != None;
    }
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

int X11ServerSaver::Fd() const {
  return ConnectionNumber(m_display);
}

void X11ServerSaver::HandleQueued() {
  if (m_on_at_start) {
    m_on_at_start = false;
    m_events.IdleNow();
  }
  while (XQLength(m_display) > 0) {
    XEvent event;
    XNextEvent(m_display, &event);
    if (event.type != m_event_base + ScreenSaverNotify) continue;
    const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
    if (notify.state == ScreenSaverOn) m_events.IdleNow();
    if (notify.state == ScreenSaverOff) m_events.ActiveAgain();
  }
}

void X11ServerSaver::BeforeWait() {
  HandleQueued();
  XFlush(m_display);
}

bool X11ServerSaver::Ready(short revents, std::string* lost) {
  if (revents == 0) return true;
  // A closed connection is found here, before Xlib reads from it, which would end the
  // program from inside its I/O error handler.
  char byte = 0;
  ssize_t peeked = recv(Fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    m_taken = false;
    *lost = "lost the connection to the X display " + std::string(DisplayString(m_display));
    return false;
  }
  XEventsQueued(m_display, QueuedAfterReading);
  HandleQueued();
  return true;
}

}  // namespace vt

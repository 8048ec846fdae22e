// The X11 backend's connection and event loop:
// - opening and closing the connection, with the extensions the other parts use, and the
//   second connection that shared frames are put through;
// - the wait for events on the connection with poll(), the backend's own timers and queue;
// - the monotonic clock;
// - SIGTERM, SIGINT and SIGHUP turned into a close request, through the signal pipe;
// - a lost connection ending the program with exit code 1.
#include "widgets/x11/X11Backend.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iterator>

#include "widgets/linux/MonotonicClock.h"
#include "widgets/x11/X11ErrorTrap.h"
#include "widgets/x11/X11FrameImage.h"

namespace vt {

namespace {

// A wait for a deadline this close ends at once, so that ticks falling due within a
// millisecond of each other run on one wake-up instead of two.
constexpr int64_t kTickSlackMs = 1;

// The backend of a display is kept in Xlib's context table of that display, where the C
// callbacks of Xlib find it.
XContext BackendContext() {
  return XStringToContext("vantorel.X11Backend");
}

// A GC for putting pixels: no GraphicsExpose or NoExpose events come back for its puts.
GC MakePutGC(Display* display) {
  XGCValues values{};
  values.graphics_exposures = False;
  return XCreateGC(display, DefaultRootWindow(display), GCGraphicsExposures, &values);
}

}  // namespace

std::unique_ptr<X11Backend> X11Backend::Open(std::string* error) {
  return Open(Options{}, error);
}

std::unique_ptr<X11Backend> X11Backend::Open(const Options& options, std::string* error) {
  const char* name = options.display_name.empty() ? nullptr : options.display_name.c_str();
  Display* display = XOpenDisplay(name);
  if (!display) {
    if (error) {
      *error = "cannot open the X display \"" + std::string(XDisplayName(name)) + "\"";
    }
    return nullptr;
  }
  return std::unique_ptr<X11Backend>(new X11Backend(display, options));
}

X11Backend::X11Backend(Display* display, const Options& options)
    : m_display(display),
      m_display_name(DisplayString(display)),
      m_screen(DefaultScreen(display)),
      m_root(RootWindow(display, DefaultScreen(display))) {
  XSaveContext(m_display, m_root, BackendContext(), reinterpret_cast<XPointer>(this));
  XSetErrorHandler(&X11ErrorTrap::OnError);
  XSetIOErrorHandler(&X11Backend::OnIOError);
  // A write to a connection the server has closed must end in the I/O error handler, not
  // in death by SIGPIPE.
  struct sigaction current {};
  if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
    std::signal(SIGPIPE, SIG_IGN);
  }
  XrmInitialize();

  struct AtomName {
    const char* name;
    unsigned long* atom;
  };
  const AtomName wanted[] = {
      {"WM_PROTOCOLS", &m_atoms.wm_protocols},
      {"WM_DELETE_WINDOW", &m_atoms.wm_delete_window},
      {"UTF8_STRING", &m_atoms.utf8_string},
      {"_NET_WM_NAME", &m_atoms.net_wm_name},
      {"_NET_WM_PID", &m_atoms.net_wm_pid},
      {"_NET_WM_ICON", &m_atoms.net_wm_icon},
      {"_NET_WM_STATE", &m_atoms.net_wm_state},
      {"_NET_WM_STATE_FULLSCREEN", &m_atoms.net_wm_state_fullscreen},
      {"_NET_WM_STATE_ABOVE", &m_atoms.net_wm_state_above},
      {"_NET_WM_STATE_SKIP_TASKBAR", &m_atoms.net_wm_state_skip_taskbar},
      {"_NET_WM_WINDOW_TYPE", &m_atoms.net_wm_window_type},
      {"_NET_WM_WINDOW_TYPE_DIALOG", &m_atoms.net_wm_window_type_dialog},
      {"_MOTIF_WM_HINTS", &m_atoms.motif_wm_hints},
  };
  constexpr int kAtomCount = int(std::size(wanted));
  char* names[kAtomCount] = {};
  Atom atoms[kAtomCount] = {};
  for (int i = 0; i < kAtomCount; ++i) names[i] = const_cast<char*>(wanted[i].name);
  // One round trip for all of them.
  XInternAtoms(m_display, names, kAtomCount, False, atoms);
  for (int i = 0; i < kAtomCount; ++i) *wanted[i].atom = atoms[i];

  // Shared memory only works when the server runs on this machine.
  bool local = m_display_name.rfind(":", 0) == 0 || m_display_name.rfind("unix:", 0) == 0;
  m_use_shared_memory = options.allow_shared_memory && local && XShmQueryExtension(m_display);

  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (XRRQueryExtension(m_display, &event_base, &error_base) &&
      XRRQueryVersion(m_display, &major, &minor)) {
    m_has_randr_monitors = major > 1 || (major == 1 && minor >= 5);
    m_has_randr_events = major > 1 || (major == 1 && minor >= 2);
    m_randr_event_base = event_base;
  }
  if (XFixesQueryExtension(m_display, &event_base, &error_base)) {
    major = 4;
    minor = 0;
    XFixesQueryVersion(m_display, &major, &minor);
    m_has_xfixes = major >= 4;
  }
  m_has_screen_saver =
      XScreenSaverQueryExtension(m_display, &m_screen_saver_event_base, &error_base);

  m_gc = MakePutGC(m_display);

  char empty_bits[1] = {0};
  Pixmap empty = XCreateBitmapFromData(m_display, m_root, empty_bits, 1, 1);
  XColor black{};
  m_blank_cursor = XCreatePixmapCursor(m_display, empty, empty, &black, &black, 0, 0);
  XFreePixmap(m_display, empty);
}

X11Backend::~X11Backend() {
  {
    // Children may have gone with their hosts already.
    X11ErrorTrap trap(m_display);
    for (const auto& entry : m_covers) XDestroyWindow(m_display, entry.first);
    m_covers.clear();
    for (auto& [window, state] : m_windows) {
      Ungrab(state);
      state.image.reset();
      XDestroyWindow(m_display, window);
    }
    m_windows.clear();
    trap.Finish();
  }
  EndSaverWatch();
  if (m_cursor_hidden && m_has_xfixes) XFixesShowCursor(m_display, m_root);
  if (m_frame_display) {
    XFreeGC(m_frame_display, m_frame_gc);
    XDeleteContext(m_frame_display, DefaultRootWindow(m_frame_display), BackendContext());
    XCloseDisplay(m_frame_display);
  }
  XFreeCursor(m_display, m_blank_cursor);
  XFreeGC(m_display, m_gc);
  XSync(m_display, False);
  XDeleteContext(m_display, m_root, BackendContext());
  XCloseDisplay(m_display);
}

bool X11Backend::OpenFrameConnection() {
  if (m_frame_display) return true;
  if (!m_use_shared_memory) return false;
  Display* display = XOpenDisplay(m_display_name.c_str());
  if (!display || !XShmQueryExtension(display)) {
    if (display) XCloseDisplay(display);
    m_use_shared_memory = false;
    return false;
  }
  m_frame_display = display;
  // A broken connection found here ends the program as one found on the main connection.
  XSaveContext(display, DefaultRootWindow(display), BackendContext(),
               reinterpret_cast<XPointer>(this));
  m_completion_event = XShmGetEventBase(display) + ShmCompletion;
  m_frame_gc = MakePutGC(display);
  return true;
}

int X11Backend::OnIOError(Display* display) {
  XPointer data = nullptr;
  if (XFindContext(display, DefaultRootWindow(display), BackendContext(), &data) == 0) {
    auto* backend = reinterpret_cast<X11Backend*>(data);
    if (backend->m_saver_watch) backend->RestoreSaverThroughNewConnection();
  }
  std::fprintf(stderr, "vantorel: lost the connection to the X display %s\n",
               DisplayString(display));
  std::fflush(stderr);
  _exit(1);
}

// ---- Termination signals ----
//
// A saver killed with SIGTERM, SIGINT or SIGHUP ends as if its application window had been
// asked to close: the windows go, the pointer comes back and the server's saver timeout is
// restored, instead of staying switched off. The wait sees the signal pipe and makes the close
// request.

void X11Backend::TakeSignals() {
  // No application window to close: the program ends as the signal would have ended it, the
  // server's saver timeout restored first.
  if (auto request = m_signals.TakeCloseRequest(m_app_window, [this] { EndSaverWatch(); })) {
    Push(*request);
  }
}

// ---- Time and events ----

int64_t X11Backend::NowMs() {
  return MonotonicMs();
}

void X11Backend::Push(const InputEvent& event) {
  m_queue.push_back(event);
}

int64_t X11Backend::RunTimers(int64_t now) {
  int64_t next = -1;
  auto consider = [&next](int64_t when) {
    if (when >= 0 && (next < 0 || when < next)) next = when;
  };
  if (m_next_grab_try_ms >= 0 && now >= m_next_grab_try_ms) {
    m_next_grab_try_ms = -1;
    for (auto& [window, state] : m_windows) {
      if (state.kind != WindowKind::FullScreen || !state.shown) continue;
      if (state.keyboard_grabbed && state.pointer_grabbed) continue;
      if (now < state.grab_give_up_ms) TryGrab(window, state);
    }
  }
  consider(m_next_grab_try_ms);
  if (m_saver_watch && m_next_saver_check_ms >= 0 && now >= m_next_saver_check_ms) {
    CheckSaverTimeout(now);
  }
  if (m_saver_watch) consider(m_next_saver_check_ms);
  if (m_screens_settle_ms >= 0 && now >= m_screens_settle_ms) {
    m_screens_settle_ms = -1;
    FollowScreens();
  }
  consider(m_screens_settle_ms);
  if (m_power_watch && m_next_power_check_ms >= 0 && now >= m_next_power_check_ms) {
    CheckPower(now);
  }
  // While the monitors are lit the ticks wake the program anyway, and the power is read on
  // one of those wake-ups; while they are dark, it is what wakes the program.
  if (m_dark) consider(m_next_power_check_ms);
  return next;
}

std::optional<InputEvent> X11Backend::WaitEvent(int64_t deadline_ms) {
  // Each look into the connection is a system call, so the wake-up of a tick reads nothing.
  // But Xlib may hold events that no poll would see (those read along with a reply), so the
  // connection is read at the start, whenever Xlib has read a reply since, and when the poll
  // finds something there.
  bool read = true;
  // With no time to wait, a signal that has come goes first, as input does.
  if (deadline_ms >= 0 && NowMs() >= deadline_ms - kTickSlackMs) TakeSignals();
  for (;;) {
    int64_t now = NowMs();
    int64_t next_timer = RunTimers(now);
    if (read || LastKnownRequestProcessed(m_display) != m_processed_request) {
      XEventsQueued(m_display, QueuedAfterReading);
      m_processed_request = LastKnownRequestProcessed(m_display);
    }
    read = false;
    while (m_queue.empty() && XEventsQueued(m_display, QueuedAlready) > 0) {
      XEvent event;
      XNextEvent(m_display, &event);
      HandleEvent(event);
    }
    if (!m_queue.empty()) {
      InputEvent event = m_queue.front();
      m_queue.pop_front();
      return event;
    }
    now = NowMs();
    if (deadline_ms >= 0 && now >= deadline_ms - kTickSlackMs) return std::nullopt;
    // Requests made since the last flush reach the server before the wait. A flush reads
    // the connection too: what it read is looked at first.
    if (NextRequest(m_display) != m_flushed_request) {
      XFlush(m_display);
      m_flushed_request = NextRequest(m_display);
      continue;
    }
    // A completion read along with a reply would not wake the poll either.
    if (RepaintWaits()) {
      TakeCompletions();
      if (!m_queue.empty()) continue;
    }
    int64_t wake = deadline_ms;
    if (next_timer >= 0 && (wake < 0 || next_timer < wake)) wake = next_timer;
    int timeout = -1;
    if (wake >= 0) timeout = int(std::clamp<int64_t>(wake - now, 0, 1 << 30));
    // A broken connection wakes the poll too; reading it then ends in the I/O error handler.
    // A signal wakes it through its pipe, or by interrupting it. The frame connection is
    // only listened to while a repaint waits for a completion on it.
    pollfd fds[3] = {{ConnectionNumber(m_display), POLLIN, 0},
                     {m_signals.ReadFd(), POLLIN, 0},
                     {m_frame_display ? ConnectionNumber(m_frame_display) : -1, POLLIN, 0}};
    if (!RepaintWaits()) fds[2].fd = -1;
    poll(fds, 3, timeout);
    read = fds[0].revents != 0;
    if (fds[1].revents != 0) TakeSignals();
    if (fds[2].revents != 0) TakeCompletions();
  }
}

bool X11Backend::RecordErrorBox(const std::string&, const std::string&) {
  // Hosted, the report on standard error is all there is: no box that nobody could dismiss.
  return m_host.has_value();
}

}  // namespace vt

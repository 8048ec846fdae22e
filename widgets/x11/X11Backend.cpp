#include "widgets/x11/X11Backend.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>

#include "widgets/Exceptions.h"
#include "widgets/x11/X11ErrorTrap.h"
#include "widgets/x11/X11FrameImage.h"
#include "widgets/x11/X11Keys.h"

// X's event type Expose is a macro that would hide EventType::Expose.
constexpr int kExposeEvent = Expose;
#undef Expose

namespace vt {

namespace {

constexpr long kEventMask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            ExposureMask | StructureNotifyMask;
constexpr unsigned kGrabPointerMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
constexpr int64_t kGrabRetryMs = 100;
constexpr int64_t kGrabGiveUpMs = 5000;
constexpr uint32_t kScreenSaveCommand = 0xF140;
constexpr int kDefaultPixelsPerInch = 96;
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the signal pipe of the backend that takes termination signals. A signal
// handler can reach nothing but a value like this one, so it alone lives outside the backend.
std::atomic<int> signal_pipe_write{-1};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

void OnTerminationSignal(int signal) {
  int fd = signal_pipe_write.load();
  if (fd < 0) return;
  int saved_errno = errno;
  auto byte = static_cast<unsigned char>(signal);
  // A full pipe holds a request already.
  ssize_t written = write(fd, &byte, 1);
  (void)written;
  errno = saved_errno;
}

// The backend of a display is kept in Xlib's context table of that display, where the C
// callbacks of Xlib find it.
XContext BackendContext() {
  return XStringToContext("vantorel.X11Backend");
}

Window AsWindow(uint64_t handle) {
  return Window(handle);
}

// X refuses windows without area.
unsigned Extent(int value) {
  return unsigned(std::max(value, 1));
}

std::optional<TMouseButton> MouseButton(unsigned int button) {
  switch (button) {
    case Button1:
      return TMouseButton::mbLeft;
    case Button2:
      return TMouseButton::mbMiddle;
    case Button3:
      return TMouseButton::mbRight;
    case 8:
      return TMouseButton::mbExtra1;
    case 9:
      return TMouseButton::mbExtra2;
    default:
      // Buttons 4 to 7 are the wheel and its tilt: no button at all.
      return std::nullopt;
  }
}

TShiftState ButtonFlag(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbLeft:
      return ssLeft;
    case TMouseButton::mbRight:
      return ssRight;
    case TMouseButton::mbMiddle:
      return ssMiddle;
    default:
      return 0;
  }
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
  }
  if (XFixesQueryExtension(m_display, &event_base, &error_base)) {
    major = 4;
    minor = 0;
    XFixesQueryVersion(m_display, &major, &minor);
    m_has_xfixes = major >= 4;
  }
  m_has_screen_saver =
      XScreenSaverQueryExtension(m_display, &m_screen_saver_event_base, &error_base);

  XGCValues values{};
  values.graphics_exposures = False;
  m_gc = XCreateGC(m_display, m_root, GCGraphicsExposures, &values);

  char empty_bits[1] = {0};
  Pixmap empty = XCreateBitmapFromData(m_display, m_root, empty_bits, 1, 1);
  XColor black{};
  m_blank_cursor = XCreatePixmapCursor(m_display, empty, empty, &black, &black, 0, 0);
  XFreePixmap(m_display, empty);

  InstallSignalHandlers();
}

X11Backend::~X11Backend() {
  {
    // Children may have gone with their hosts already.
    X11ErrorTrap trap(m_display);
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
  XFreeCursor(m_display, m_blank_cursor);
  XFreeGC(m_display, m_gc);
  XSync(m_display, False);
  XDeleteContext(m_display, m_root, BackendContext());
  XCloseDisplay(m_display);
  RemoveSignalHandlers();
}

// ---- Screen ----

Rect X11Backend::PrimaryScreen() {
  if (m_has_randr_monitors) {
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(m_display, m_root, True, &count);
    if (monitors) {
      std::optional<Rect> found;
      for (int i = 0; i < count && !found; ++i) {
        if (monitors[i].primary) {
          found = Rect{monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height};
        }
      }
      if (!found && count > 0) {
        found = Rect{monitors[0].x, monitors[0].y, monitors[0].width, monitors[0].height};
      }
      XRRFreeMonitors(monitors);
      if (found) return *found;
    }
  }
  Window root = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (XGetGeometry(m_display, m_root, &root, &x, &y, &width, &height, &border, &depth)) {
    return {0, 0, int(width), int(height)};
  }
  return {0, 0, DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
}

int X11Backend::PixelsPerInch() {
  int result = kDefaultPixelsPerInch;
  const char* resources = XResourceManagerString(m_display);
  if (!resources) return result;
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (!database) return result;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    std::string text(value.addr);
    size_t start = text.find_first_not_of(" \t");
    double dpi = 0;
    if (start != std::string::npos &&
        std::from_chars(text.data() + start, text.data() + text.size(), dpi).ec == std::errc() &&
        dpi >= 1 && dpi < 10000) {
      result = int(dpi + 0.5);
    }
  }
  XrmDestroyDatabase(database);
  return result;
}

// ---- Windows ----

void X11Backend::SetIcon(const Bitmap32& icon) {
  m_icon.clear();
  if (!icon.IsEmpty()) {
    m_icon.reserve(2 + size_t(icon.Width()) * size_t(icon.Height()));
    m_icon.push_back(icon.Width());
    m_icon.push_back(icon.Height());
    // The pixels carry their alpha in the top byte already, as _NET_WM_ICON wants it.
    for (int y = 0; y < icon.Height(); ++y) {
      const uint32_t* row = icon.Row(y);
      for (int x = 0; x < icon.Width(); ++x) m_icon.push_back(long(row[x]));
    }
  }
  for (const auto& [window, state] : m_windows) {
    if (IsTopLevel(state.kind)) SetIconProperty(window);
  }
  XFlush(m_display);
}

WindowHandle X11Backend::CreateWindow(const WindowRequest& request) {
  Rect bounds = request.bounds;
  Window parent = m_root;
  XSetWindowAttributes attributes{};
  unsigned long mask = CWEventMask | CWColormap | CWBorderPixel | CWBackPixmap;
  attributes.event_mask = kEventMask;
  attributes.colormap = DefaultColormap(m_display, m_screen);
  attributes.border_pixel = 0;
  // No background: the server would clear every exposed area just before it is repainted.
  attributes.background_pixmap = None;
  switch (request.kind) {
    case WindowKind::AppWindow:
      if (bounds.IsEmpty()) bounds = {0, 0, 1, 1};
      break;
    case WindowKind::FullScreen:
      bounds = PrimaryScreen();
      attributes.override_redirect = True;
      mask |= CWOverrideRedirect;
      break;
    case WindowKind::Popup:
      break;
    case WindowKind::Child:
      parent = AsWindow(request.foreign_parent);
      break;
    case WindowKind::Dialog: {
      Rect screen = PrimaryScreen();
      bounds.left = screen.left + (screen.width - bounds.width) / 2;
      bounds.top = screen.top + (screen.height - bounds.height) / 2;
      break;
    }
  }
  if (m_cursor_hidden) {
    attributes.cursor = m_blank_cursor;
    mask |= CWCursor;
  }

  Window window = 0;
  {
    // The parent of a child window is somebody else's window and may name nothing.
    X11ErrorTrap trap(m_display);
    window = XCreateWindow(m_display, parent, bounds.left, bounds.top, Extent(bounds.width),
                           Extent(bounds.height), 0, DefaultDepth(m_display, m_screen), InputOutput,
                           DefaultVisual(m_display, m_screen), mask, &attributes);
    if (int code = trap.Finish(); code != 0) {
      char text[256] = {};
      XGetErrorText(m_display, code, text, sizeof text);
      throw EOSError(FormatMessage(
          FormatMessage("システムエラー。コード：%d.\r\n%s", std::to_string(code)), text));
    }
  }

  if (request.kind == WindowKind::Child) X11ErrorTrap::ExpectErrorsAbout(m_display, window);
  WindowState& state = m_windows[window];
  state.kind = request.kind;
  state.width = int(Extent(bounds.width));
  state.height = int(Extent(bounds.height));
  if (IsTopLevel(request.kind)) SetTopLevelProperties(window, request, bounds);
  if (request.kind == WindowKind::AppWindow) {
    // Every other top-level window joins the new leader's group.
    m_app_window = window;
    for (const auto& [other, other_state] : m_windows) {
      if (IsTopLevel(other_state.kind)) SetOwnerHints(other, other_state);
    }
  }
  XFlush(m_display);
  return window;
}

void X11Backend::SetTopLevelProperties(Window window, const WindowRequest& request, const Rect& bounds) {
  const auto* title = reinterpret_cast<const unsigned char*>(request.title.c_str());
  int title_length = int(request.title.size());
  XChangeProperty(m_display, window, XA_WM_NAME, m_atoms.utf8_string, 8, PropModeReplace, title,
                  title_length);
  XChangeProperty(m_display, window, m_atoms.net_wm_name, m_atoms.utf8_string, 8, PropModeReplace,
                  title, title_length);

  char res_name[] = "vantorel";
  char res_class[] = "Vantorel";
  XClassHint class_hint{res_name, res_class};
  XSetClassHint(m_display, window, &class_hint);

  Atom protocols[] = {m_atoms.wm_delete_window};
  XSetWMProtocols(m_display, window, protocols, 1);

  long pid = long(getpid());
  XChangeProperty(m_display, window, m_atoms.net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pid), 1);
  // _NET_WM_PID means something only together with the machine's name.
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    XChangeProperty(m_display, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(host), int(std::strlen(host)));
  }

  switch (request.kind) {
    case WindowKind::FullScreen: {
      Atom states[] = {m_atoms.net_wm_state_fullscreen, m_atoms.net_wm_state_above,
                       m_atoms.net_wm_state_skip_taskbar};
      XChangeProperty(m_display, window, m_atoms.net_wm_state, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(states), 3);
      break;
    }
    case WindowKind::Popup: {
      // flags = decorations given, decorations = none.
      long motif[5] = {2, 0, 0, 0, 0};
      XChangeProperty(m_display, window, m_atoms.motif_wm_hints, m_atoms.motif_wm_hints, 32,
                      PropModeReplace, reinterpret_cast<unsigned char*>(motif), 5);
      break;
    }
    case WindowKind::Dialog: {
      Atom type = m_atoms.net_wm_window_type_dialog;
      XChangeProperty(m_display, window, m_atoms.net_wm_window_type, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&type), 1);
      SetDialogSizeHints(window, bounds);
      break;
    }
    default:
      break;
  }
  WindowState& state = m_windows[window];
  SetOwnerHints(window, state);
  if (!m_icon.empty()) SetIconProperty(window);
}

void X11Backend::SetOwnerHints(Window window, const WindowState& state) {
  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = True;
  hints.initial_state = NormalState;
  Window leader = m_app_window ? m_app_window : (state.kind == WindowKind::AppWindow ? window : 0);
  if (leader) {
    hints.flags |= WindowGroupHint;
    hints.window_group = leader;
  }
  XSetWMHints(m_display, window, &hints);
  if (state.kind == WindowKind::Dialog && m_app_window) {
    XSetTransientForHint(m_display, window, m_app_window);
  }
}

void X11Backend::SetIconProperty(Window window) {
  if (m_icon.empty()) {
    XDeleteProperty(m_display, window, m_atoms.net_wm_icon);
    return;
  }
  XChangeProperty(m_display, window, m_atoms.net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(m_icon.data()), int(m_icon.size()));
}

void X11Backend::SetDialogSizeHints(Window window, const Rect& bounds) {
  XSizeHints* hints = XAllocSizeHints();
  if (!hints) return;
  hints->flags = PPosition | PSize | PMinSize | PMaxSize;
  hints->x = bounds.left;
  hints->y = bounds.top;
  hints->width = hints->min_width = hints->max_width = int(Extent(bounds.width));
  hints->height = hints->min_height = hints->max_height = int(Extent(bounds.height));
  XSetWMNormalHints(m_display, window, hints);
  XFree(hints);
}

void X11Backend::DestroyWindow(WindowHandle handle) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end()) return;
  ReleaseWindow(it->first, it->second);
  Window window = it->first;
  m_windows.erase(it);
  std::erase_if(m_queue, [&](const InputEvent& event) { return event.window == handle; });
  {
    // A child may have gone with its host already.
    X11ErrorTrap trap(m_display);
    XDestroyWindow(m_display, window);
    trap.Finish();
  }
}

void X11Backend::ReleaseWindow(Window window, WindowState& state) {
  Ungrab(state);
  state.image.reset();
  state.shown = false;
  if (window == m_app_window) m_app_window = 0;
  if (window == m_saver_window) PickSaverWindow();
}

void X11Backend::PickSaverWindow() {
  m_saver_window = 0;
  for (const auto& [window, state] : m_windows) {
    if (state.kind == WindowKind::FullScreen && state.shown) {
      m_saver_window = window;
      return;
    }
  }
  EndSaverWatch();
}

void X11Backend::ShowWindow(WindowHandle handle, bool visible) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end()) return;
  Window window = it->first;
  WindowState& state = it->second;
  if (visible) {
    XMapRaised(m_display, window);
    state.shown = true;
    if (state.kind == WindowKind::FullScreen) {
      XRaiseWindow(m_display, window);
      state.grab_give_up_ms = NowMs() + kGrabGiveUpMs;
      TryGrab(window, state);
      if (!m_saver_watch) BeginSaverWatch(window);
    }
  } else {
    Ungrab(state);
    XUnmapWindow(m_display, window);
    state.shown = false;
    if (window == m_saver_window) PickSaverWindow();
  }
  XFlush(m_display);
}

void X11Backend::SetWindowBounds(WindowHandle handle, const Rect& bounds) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end()) return;
  XMoveResizeWindow(m_display, it->first, bounds.left, bounds.top, Extent(bounds.width),
                    Extent(bounds.height));
  it->second.width = int(Extent(bounds.width));
  it->second.height = int(Extent(bounds.height));
  if (it->second.kind == WindowKind::Dialog) SetDialogSizeHints(it->first, bounds);
  XFlush(m_display);
}

void X11Backend::Present(WindowHandle handle, const Bitmap32& frame,
                         const std::vector<Rect>& dirty) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end() || frame.IsEmpty()) return;
  WindowState& state = it->second;
  if (!state.image) {
    state.image =
        std::make_unique<X11FrameImage>(m_display, DefaultVisual(m_display, m_screen),
                                        DefaultDepth(m_display, m_screen), m_use_shared_memory);
  }
  state.image->Put(it->first, m_gc, frame, dirty);
  // A server that refused our memory once will refuse it for every window.
  if (m_use_shared_memory && !state.image->UsesSharedMemory()) m_use_shared_memory = false;
  XFlush(m_display);
}

bool X11Backend::UsesSharedMemory(WindowHandle handle) const {
  auto it = m_windows.find(AsWindow(handle));
  return it != m_windows.end() && it->second.image && it->second.image->UsesSharedMemory();
}

// ---- Input grabs ----

void X11Backend::TryGrab(Window window, WindowState& state) {
  if (!state.keyboard_grabbed) {
    state.keyboard_grabbed = XGrabKeyboard(m_display, window, True, GrabModeAsync, GrabModeAsync,
                                           CurrentTime) == GrabSuccess;
  }
  if (!state.pointer_grabbed) {
    state.pointer_grabbed =
        XGrabPointer(m_display, window, True, kGrabPointerMask, GrabModeAsync, GrabModeAsync, None,
                     m_cursor_hidden ? m_blank_cursor : None, CurrentTime) == GrabSuccess;
  }
  if (!state.keyboard_grabbed || !state.pointer_grabbed) {
    // Somebody else holds the keyboard or the pointer: try again soon, without waiting here.
    m_next_grab_try_ms = NowMs() + kGrabRetryMs;
  }
}

void X11Backend::Ungrab(WindowState& state) {
  if (state.keyboard_grabbed) XUngrabKeyboard(m_display, CurrentTime);
  if (state.pointer_grabbed) XUngrabPointer(m_display, CurrentTime);
  state.keyboard_grabbed = false;
  state.pointer_grabbed = false;
}

// ---- The server's screen saver ----
//
// While a full-screen window is shown, the server's saver timeout is switched off, so the
// server never blanks over it, and restored when the window is hidden or destroyed, when the
// backend ends, and even when the connection breaks (through a fresh connection). The power
// saving of the monitor (DPMS) runs on its own timers and is left alone: the saver is not held
// off by calling XResetScreenSaver again and again, nor by XScreenSaverSuspend, as both would
// hold DPMS off as well. A process killed outright cannot restore the setting.
//
// The form still hears of the moment the server's saver would have started: when the input
// idle time reaches the old timeout, the full-screen window gets SysCommand 0xF140. A form
// that handles it (answer 1) keeps the server's saver off; any other answer lets it start,
// as the system would. A saver that starts anyway (activated by another client) is announced
// by the XScreenSaver extension and reported the same way; answered with 1, it is reset at
// once.

void X11Backend::BeginSaverWatch(Window window) {
  m_saver_window = window;
  m_saver_watch = true;
  XGetScreenSaver(m_display, &m_saved_saver.timeout, &m_saved_saver.interval,
                  &m_saved_saver.prefer_blanking, &m_saved_saver.allow_exposures);
  XSetScreenSaver(m_display, 0, m_saved_saver.interval, m_saved_saver.prefer_blanking,
                  m_saved_saver.allow_exposures);
  m_saver_request = SaverRequest::Nothing;
  m_saver_command_sent = false;
  m_last_idle_ms = 0;
  m_next_saver_check_ms = -1;
  if (m_has_screen_saver) {
    XScreenSaverSelectInput(m_display, m_root, ScreenSaverNotifyMask);
    if (m_saved_saver.timeout > 0) m_next_saver_check_ms = NowMs();
  }
}

void X11Backend::EndSaverWatch() {
  if (!m_saver_watch) return;
  m_saver_watch = false;
  m_saver_window = 0;
  m_saver_request = SaverRequest::Nothing;
  m_next_saver_check_ms = -1;
  XSetScreenSaver(m_display, m_saved_saver.timeout, m_saved_saver.interval,
                  m_saved_saver.prefer_blanking, m_saved_saver.allow_exposures);
  if (m_has_screen_saver) XScreenSaverSelectInput(m_display, m_root, 0);
  XFlush(m_display);
}

void X11Backend::CheckSaverTimeout(int64_t now) {
  XScreenSaverInfo info{};
  if (!XScreenSaverQueryInfo(m_display, m_root, &info)) {
    m_next_saver_check_ms = -1;
    return;
  }
  int64_t idle = int64_t(info.idle);
  int64_t timeout = int64_t(m_saved_saver.timeout) * 1000;
  // Input since the last look starts a new idle period.
  if (idle < m_last_idle_ms) m_saver_command_sent = false;
  m_last_idle_ms = idle;
  if (!m_saver_command_sent && idle >= timeout) {
    m_saver_command_sent = true;
    m_saver_request = SaverRequest::Timeout;
    InputEvent event;
    event.type = EventType::SysCommand;
    event.window = m_saver_window;
    event.command = kScreenSaveCommand;
    Push(event);
  }
  m_next_saver_check_ms =
      now + (m_saver_command_sent ? timeout : std::max<int64_t>(timeout - idle, 10));
}

void X11Backend::AnswerSysCommand(WindowHandle window, uint32_t command, intptr_t result) {
  if (command != kScreenSaveCommand || window != m_saver_window) return;
  SaverRequest request = m_saver_request;
  m_saver_request = SaverRequest::Nothing;
  if (request == SaverRequest::Activated && result == 1) {
    XResetScreenSaver(m_display);
  } else if (request == SaverRequest::Timeout && result != 1) {
    XForceScreenSaver(m_display, ScreenSaverActive);
  }
  XFlush(m_display);
}

void X11Backend::RestoreSaverThroughNewConnection() const {
  Display* other = XOpenDisplay(m_display_name.c_str());
  if (!other) return;
  XSetScreenSaver(other, m_saved_saver.timeout, m_saved_saver.interval,
                  m_saved_saver.prefer_blanking, m_saved_saver.allow_exposures);
  XCloseDisplay(other);
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
// restored, instead of staying switched off. The handler only writes the signal's number
// into a pipe; the wait sees the pipe and makes the close request. A signal that whoever
// started the program set to be ignored (nohup, a background job's SIGINT) stays ignored.

void X11Backend::InstallSignalHandlers() {
  int fds[2] = {-1, -1};
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  m_signal_read = fds[0];
  m_signal_write = fds[1];
  m_outer_signal_write = signal_pipe_write.exchange(m_signal_write);
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kTerminationSignals) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0) continue;
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN) continue;
    if (sigaction(signal, &action, &previous) == 0) {
      m_previous_signal_actions.emplace_back(signal, previous);
    }
  }
}

void X11Backend::RemoveSignalHandlers() {
  for (auto it = m_previous_signal_actions.rbegin(); it != m_previous_signal_actions.rend(); ++it) {
    sigaction(it->first, &it->second, nullptr);
  }
  m_previous_signal_actions.clear();
  int own = m_signal_write;
  signal_pipe_write.compare_exchange_strong(own, m_outer_signal_write);
  if (m_signal_read >= 0) close(m_signal_read);
  if (m_signal_write >= 0) close(m_signal_write);
  m_signal_read = m_signal_write = m_outer_signal_write = -1;
}

void X11Backend::TakeSignals() {
  if (m_signal_read < 0) return;
  unsigned char bytes[16];
  int last = 0;
  for (ssize_t count; (count = read(m_signal_read, bytes, sizeof bytes)) > 0;) {
    last = bytes[count - 1];
  }
  if (last == 0) return;
  if (m_app_window) {
    InputEvent event;
    event.type = EventType::CloseRequest;
    event.window = m_app_window;
    Push(event);
    return;
  }
  // No application window to close: end as the signal would have, the saver timeout restored.
  EndSaverWatch();
  RemoveSignalHandlers();
  raise(last);
}

// ---- Pointer ----

int X11Backend::ShowCursor(bool show) {
  m_cursor_count += show ? 1 : -1;
  bool hide = m_cursor_count < 0;
  if (hide != m_cursor_hidden) {
    m_cursor_hidden = hide;
    ApplyCursor();
  }
  return m_cursor_count;
}

void X11Backend::ApplyCursor() {
  if (m_has_xfixes) {
    if (m_cursor_hidden) {
      XFixesHideCursor(m_display, m_root);
    } else {
      XFixesShowCursor(m_display, m_root);
    }
  }
  // The empty cursor hides the pointer over our windows where XFixes is missing.
  for (const auto& [window, state] : m_windows) {
    if (m_cursor_hidden) {
      XDefineCursor(m_display, window, m_blank_cursor);
    } else {
      XUndefineCursor(m_display, window);
    }
    if (state.pointer_grabbed) {
      XChangeActivePointerGrab(m_display, kGrabPointerMask, m_cursor_hidden ? m_blank_cursor : None,
                               CurrentTime);
    }
  }
  XFlush(m_display);
}

// ---- Foreign windows ----

bool X11Backend::ShowForeignWindow(uint64_t handle) {
  X11ErrorTrap trap(m_display);
  XMapWindow(m_display, AsWindow(handle));
  return trap.Finish() == 0;
}

bool X11Backend::GetForeignWindowRect(uint64_t handle, Rect& outer) {
  outer = {};
  X11ErrorTrap trap(m_display);
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(m_display, AsWindow(handle), &attributes)) return false;
  int border = attributes.border_width;
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(m_display, AsWindow(handle), m_root, -border, -border, &x, &y,
                             &child)) {
    return false;
  }
  if (trap.Finish() != 0) return false;
  outer = {x, y, attributes.width + 2 * border, attributes.height + 2 * border};
  return true;
}

// ---- Time and events ----

int64_t X11Backend::NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
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
  return next;
}

std::optional<InputEvent> X11Backend::WaitEvent(int64_t deadline_ms) {
  for (;;) {
    int64_t now = NowMs();
    int64_t next_timer = RunTimers(now);
    TakeSignals();
    while (m_queue.empty() && XPending(m_display) > 0) {
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
    if (deadline_ms >= 0 && now >= deadline_ms) return std::nullopt;
    int64_t wake = deadline_ms;
    if (next_timer >= 0 && (wake < 0 || next_timer < wake)) wake = next_timer;
    int timeout = -1;
    if (wake >= 0) timeout = int(std::clamp<int64_t>(wake - now, 0, 1 << 30));
    // A broken connection wakes the poll too; XPending then ends in the I/O error handler.
    // A signal wakes it through its pipe, or by interrupting it.
    pollfd fds[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {m_signal_read, POLLIN, 0}};
    poll(fds, m_signal_read >= 0 ? 2 : 1, timeout);
  }
}

void X11Backend::HandleEvent(XEvent& event) {
  if (event.type == m_screen_saver_event_base + ScreenSaverNotify && m_has_screen_saver) {
    const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
    if (m_saver_watch && m_saver_window && notify.state == ScreenSaverOn) {
      m_saver_request = SaverRequest::Activated;
      InputEvent out;
      out.type = EventType::SysCommand;
      out.window = m_saver_window;
      out.command = kScreenSaveCommand;
      Push(out);
    }
    return;
  }
  auto it = m_windows.find(event.xany.window);
  if (it == m_windows.end()) return;
  Window window = it->first;
  WindowState& state = it->second;
  InputEvent out;
  out.window = window;
  switch (event.type) {
    case KeyPress: {
      KeySym keysym = XLookupKeysym(&event.xkey, 0);
      out.type = EventType::KeyDown;
      out.key = X11Keys::VirtualKey(keysym);
      out.shift = X11Keys::ShiftState(event.xkey.state) | X11Keys::OwnShiftFlag(out.key);
      out.x = event.xkey.x;
      out.y = event.xkey.y;
      Push(out);
      break;
    }
    case ButtonPress:
    case ButtonRelease: {
      std::optional<TMouseButton> button = MouseButton(event.xbutton.button);
      if (!button) break;
      bool press = event.type == ButtonPress;
      out.type = press ? EventType::MouseDown : EventType::MouseUp;
      out.button = *button;
      out.x = event.xbutton.x;
      out.y = event.xbutton.y;
      // X gives the state before the event; the widget layer expects it after.
      out.shift = X11Keys::ShiftState(event.xbutton.state);
      out.shift = press ? (out.shift | ButtonFlag(*button)) : (out.shift & ~ButtonFlag(*button));
      Push(out);
      break;
    }
    case MotionNotify:
      out.type = EventType::MouseMove;
      out.x = event.xmotion.x;
      out.y = event.xmotion.y;
      out.shift = X11Keys::ShiftState(event.xmotion.state);
      Push(out);
      break;
    case kExposeEvent: {
      Rect area{event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height};
      state.pending_expose = state.pending_expose.United(area);
      if (event.xexpose.count == 0 && !state.pending_expose.IsEmpty()) {
        out.type = EventType::Expose;
        out.rect = state.pending_expose;
        state.pending_expose = {};
        Push(out);
      }
      break;
    }
    case ConfigureNotify:
      if (event.xconfigure.window != window) break;
      if (event.xconfigure.width != state.width || event.xconfigure.height != state.height) {
        state.width = event.xconfigure.width;
        state.height = event.xconfigure.height;
        out.type = EventType::Resized;
        out.width = state.width;
        out.height = state.height;
        Push(out);
      }
      break;
    case ClientMessage:
      if (event.xclient.message_type == m_atoms.wm_protocols && event.xclient.format == 32 &&
          Atom(event.xclient.data.l[0]) == m_atoms.wm_delete_window) {
        out.type = EventType::CloseRequest;
        Push(out);
      }
      break;
    case MapNotify:
      if (state.kind == WindowKind::Dialog && event.xmap.window == window) {
        // Keys must reach the box even while the full-screen window holds the keyboard.
        X11ErrorTrap trap(m_display);
        XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
        trap.Finish();
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window != window) break;
      // Not destroyed by us (those are forgotten first): a child gone with its host.
      ReleaseWindow(window, state);
      m_windows.erase(it);
      out.type = EventType::Destroyed;
      Push(out);
      break;
    default:
      break;
  }
}

bool X11Backend::RecordErrorBox(const std::string&, const std::string&) {
  return false;
}

}  // namespace vt

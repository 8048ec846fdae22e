// The X11 backend's windows:
// - the application's unmapped group leader, the full-screen override-redirect window,
//   borderless pop-ups, children of foreign windows and framed dialogs;
// - each top-level window's name, class, protocols, process id, icon and group;
// - showing, hiding, moving and destroying them;
// - foreign windows: mapping the preview's host and reading its outer rectangle.
#include "widgets/x11/X11Backend.h"
// Xlib only after the backend's header: its macro Expose would hide EventType::Expose.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "widgets/Exceptions.h"
#include "widgets/x11/X11ErrorTrap.h"
#include "widgets/x11/X11FrameImage.h"

namespace vt {

namespace {

constexpr long kInputMask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
constexpr long kEventMask = kInputMask | ExposureMask | StructureNotifyMask;

// X refuses windows without area.
unsigned Extent(int value) {
  return unsigned(std::max(value, 1));
}

}  // namespace

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
      if (m_host) {
        // Input belongs to the daemon that hosts the saver.
        parent = *m_host;
        attributes.event_mask = kEventMask & ~kInputMask;
      }
      // A child of the root, hosted or not, stays out of the window manager's hands.
      attributes.override_redirect = parent == m_root;
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
    if (int code = trap.Finish(); code != 0) ThrowOSError(code);
  }

  if (request.kind == WindowKind::Child) X11ErrorTrap::ExpectErrorsAbout(m_display, window);
  WindowState& state = m_windows[window];
  state.kind = request.kind;
  state.width = int(Extent(bounds.width));
  state.height = int(Extent(bounds.height));
  if (request.kind == WindowKind::FullScreen) state.screen = bounds;
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

void X11Backend::ThrowOSError(int code) const {
  char text[256] = {};
  XGetErrorText(m_display, code, text, sizeof text);
  throw EOSError(FormatMessage(
      FormatMessage("システムエラー。コード：%d.\r\n%s", std::to_string(code)), text));
}

void X11Backend::SetTopLevelProperties(Window window, const WindowRequest& request,
                                       const Rect& bounds) {
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
  RemoveCovers(window);
}

void X11Backend::ShowWindow(WindowHandle handle, bool visible) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end()) return;
  Window window = it->first;
  WindowState& state = it->second;
  if (visible) {
    XMapRaised(m_display, window);
    state.shown = true;
    if (state.kind == WindowKind::FullScreen && m_host) {
      // On the root window a saver draws on the desktop, below every other window.
      if (*m_host == m_root) XLowerWindow(m_display, window);
    } else if (state.kind == WindowKind::FullScreen) {
      XRaiseWindow(m_display, window);
      ShowCovers(window);
      BeginGrab(window, state);
      if (!m_saver_watch) BeginSaverWatch(window);
    }
  } else {
    Ungrab(state);
    XUnmapWindow(m_display, window);
    state.shown = false;
    if (window == m_saver_window) PickSaverWindow();
    RemoveCovers(window);
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

void X11Backend::FollowHost(int width, int height) {
  m_host_area = {0, 0, width, height};
  for (auto& [window, state] : m_windows) {
    if (state.kind != WindowKind::FullScreen) continue;
    if (state.width == width && state.height == height) continue;
    XResizeWindow(m_display, window, Extent(width), Extent(height));
    state.width = int(Extent(width));
    state.height = int(Extent(height));
    InputEvent event;
    event.type = EventType::Resized;
    event.window = window;
    event.width = state.width;
    event.height = state.height;
    Push(event);
  }
  XFlush(m_display);
}

// ---- Covers of the other monitors ----
//
// The scene stays on the primary monitor; while it is shown, every other monitor gets a black
// override-redirect window, so that nothing of the desktop shows. Their input is the
// full-screen window's own (see RetargetCoverInput), so that moving or clicking over any
// monitor ends the saver as it does over the scene.

void X11Backend::ShowCovers(Window owner) {
  std::vector<Rect> monitors = Monitors();
  m_covered_monitors = monitors;
  std::vector<Rect> wanted;
  if (monitors.size() >= 2) {
    for (auto monitor = monitors.begin() + 1; monitor != monitors.end(); ++monitor) {
      // A monitor showing part of the primary one (a clone) would hide the scene.
      if (monitor->Intersected(monitors.front()).IsEmpty()) wanted.push_back(*monitor);
    }
  }
  const Point origin =
      monitors.empty() ? Point{} : Point{monitors.front().left, monitors.front().top};
  std::erase_if(m_covers, [&](const auto& entry) {
    const Cover& cover = entry.second;
    if (cover.owner != owner) return false;
    auto kept = std::find(wanted.begin(), wanted.end(), cover.monitor);
    if (kept != wanted.end() &&
        cover.offset == Point{kept->left - origin.x, kept->top - origin.y}) {
      wanted.erase(kept);
      return false;
    }
    XDestroyWindow(m_display, entry.first);
    return true;
  });
  XSetWindowAttributes attributes{};
  unsigned long mask = CWEventMask | CWBackPixel | CWBorderPixel | CWOverrideRedirect;
  attributes.event_mask = kInputMask;
  attributes.background_pixel = BlackPixel(m_display, m_screen);
  attributes.border_pixel = 0;
  attributes.override_redirect = True;
  if (m_cursor_hidden) {
    attributes.cursor = m_blank_cursor;
    mask |= CWCursor;
  }
  for (const Rect& monitor : wanted) {
    Window cover = XCreateWindow(m_display, m_root, monitor.left, monitor.top,
                                 Extent(monitor.width), Extent(monitor.height), 0, CopyFromParent,
                                 InputOutput, CopyFromParent, mask, &attributes);
    m_covers[cover] = {owner, {monitor.left - origin.x, monitor.top - origin.y}, monitor};
    XMapWindow(m_display, cover);
  }
  // A new window starts above all others: each cover goes right below the scene, so that no
  // cover, new or left from before, lies over it.
  std::vector<Window> stack = {owner};
  for (const auto& [cover, state] : m_covers) {
    if (state.owner == owner) stack.push_back(cover);
  }
  if (stack.size() > 1) XRestackWindows(m_display, stack.data(), int(stack.size()));
}

void X11Backend::RemoveCovers(Window owner) {
  std::erase_if(m_covers, [&](const auto& entry) {
    if (entry.second.owner != owner) return false;
    XDestroyWindow(m_display, entry.first);
    return true;
  });
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

}  // namespace vt

// The X11 backend's screen:
// - the primary monitor (XRandR primary, else the first monitor, else the root window);
// - while a full-screen window is shown, the monitors followed as they change (RandR's screen,
//   CRTC and output changes, and the root window's ConfigureNotify, which is all a server
//   sends for monitors set or deleted): once a burst has settled, a new rectangle of the
//   window's monitor is announced as a changed screen, and the covers of the others follow;
// - pixels per inch from the Xft.dpi resource;
// - the server's own screen saver kept from blanking over the full-screen window, and the
//   system command that announces it.
#include "widgets/x11/X11Backend.h"
// Xlib only after the backend's header: its macro Expose would hide EventType::Expose.
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <charconv>

#include "widgets/x11/X11ErrorTrap.h"

namespace vt {

namespace {

constexpr uint32_t kScreenSaveCommand = 0xF140;
constexpr int kDefaultPixelsPerInch = 96;
// A monitor plugged in or docked changes the screen in a burst of events (xrandr deletes a
// monitor and sets it again to redefine it): the monitors are read once it is over.
constexpr int64_t kScreensSettleMs = 250;

}  // namespace

std::vector<Rect> X11Backend::Monitors() {
  std::vector<Rect> result;
  if (!m_has_randr_monitors) return result;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(m_display, m_root, True, &count);
  if (!monitors) return result;
  for (int i = 0; i < count; ++i) {
    Rect area{monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height};
    if (monitors[i].primary) {
      result.insert(result.begin(), area);
    } else {
      result.push_back(area);
    }
  }
  XRRFreeMonitors(monitors);
  return result;
}

Rect X11Backend::PrimaryScreen() {
  if (m_host) return m_host_area;
  return ScreenArea();
}

Rect X11Backend::ScreenArea() {
  std::vector<Rect> monitors = Monitors();
  if (!monitors.empty()) return monitors.front();
  Window root = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (XGetGeometry(m_display, m_root, &root, &x, &y, &width, &height, &border, &depth)) {
    return {0, 0, int(width), int(height)};
  }
  return {0, 0, DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
}

// ---- Monitors that change while a full-screen window is shown ----

void X11Backend::WatchScreens() {
  if (m_watching_screens) return;
  m_watching_screens = true;
  if (m_has_randr_events) {
    XRRSelectInput(m_display, m_root,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  XSelectInput(m_display, m_root, StructureNotifyMask);
}

bool X11Backend::HandleScreenEvent(XEvent& event) {
  bool randr = m_has_randr_events && (event.type == m_randr_event_base + RRScreenChangeNotify ||
                                      event.type == m_randr_event_base + RRNotify);
  bool root = event.type == ConfigureNotify && event.xconfigure.window == m_root;
  if (!randr && !root) return false;
  // Xlib's own idea of the screen's size follows the server's.
  XRRUpdateConfiguration(&event);
  if (m_watching_screens) m_screens_settle_ms = NowMs() + kScreensSettleMs;
  return true;
}

void X11Backend::FollowScreens() {
  auto it = m_windows.find(m_saver_window);
  if (!m_saver_watch || it == m_windows.end()) return;
  WindowState& state = it->second;
  if (ScreenArea() != state.screen) {
    // Laid out anew for its monitor, as a saver started there would be; the covers come with
    // the window made for it.
    if (state.screen_change_sent) return;
    state.screen_change_sent = true;
    InputEvent event;
    event.type = EventType::ScreenChanged;
    event.window = it->first;
    Push(event);
    return;
  }
  if (Monitors() != m_covered_monitors) ShowCovers(it->first);
}

// ---- A saver hosted by a saver daemon ----
//
// The daemon blanks every monitor with a window of its own, starts one copy of the program for
// each and owns the screen meanwhile: it holds the grabs, hides the pointer, keeps the server's
// saver off and ends the program with SIGTERM. So the hosted saver only draws, into a child of
// the host that it resizes with the host, and takes no input at all: any input is the daemon's
// to see. Nobody could dismiss a box there, so reports go to standard error alone.

void X11Backend::HostSaver(uint64_t host) {
  Window window = host ? Window(host) : m_root;
  // Hosted from here on, so that even the failure below is reported without a box.
  m_host = window;
  X11ErrorTrap trap(m_display);
  XWindowAttributes attributes{};
  bool found = XGetWindowAttributes(m_display, window, &attributes);
  // Size changes and the host's end come as events of the host's structure.
  XSelectInput(m_display, window, StructureNotifyMask);
  int code = trap.Finish();
  if (!found || code != 0) ThrowOSError(code != 0 ? code : BadWindow);
  m_host_area = {0, 0, attributes.width, attributes.height};
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
  WatchScreens();
  BeginPowerWatch();
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
  m_screens_settle_ms = -1;
  EndPowerWatch();
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
    PushSaverCommand(SaverRequest::Timeout);
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

bool X11Backend::HandleServerSaverEvent(const XEvent& event) {
  if (!m_has_screen_saver || event.type != m_screen_saver_event_base + ScreenSaverNotify) {
    return false;
  }
  const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
  if (m_saver_watch && m_saver_window && notify.state == ScreenSaverOn) {
    PushSaverCommand(SaverRequest::Activated);
  }
  return true;
}

void X11Backend::PushSaverCommand(SaverRequest request) {
  m_saver_request = request;
  InputEvent event;
  event.type = EventType::SysCommand;
  event.window = m_saver_window;
  event.command = kScreenSaveCommand;
  Push(event);
}

void X11Backend::RestoreSaverThroughNewConnection() const {
  Display* other = XOpenDisplay(m_display_name.c_str());
  if (!other) return;
  XSetScreenSaver(other, m_saved_saver.timeout, m_saved_saver.interval,
                  m_saved_saver.prefer_blanking, m_saved_saver.allow_exposures);
  XCloseDisplay(other);
}

}  // namespace vt

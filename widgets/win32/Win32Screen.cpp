// The Win32 backend's screen questions and system commands:
// - the primary monitor (the one at the origin) and its rectangle; every monitor, for the
//   covers of the others
// - the monitors followed once a burst of display changes has settled: a new primary
//   rectangle, or a full-screen window resized by the system, is announced as a changed
//   screen, for the scene to be laid out anew for it; otherwise the covers follow
// - the screen's logical pixels per inch, LOGPIXELSY
// - WM_SYSCOMMAND handed to the widget layer at once, while its sender waits: a command the
//   form handles (the platform's saver, SC_SCREENSAVE, answered 1) is answered without
//   DefWindowProc; every other one, monitor power above all, goes on to DefWindowProc
#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

Rect Win32Backend::PrimaryScreen() {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const RECT& area = info.rcMonitor;
  return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

std::vector<Rect> Win32Backend::Monitors() {
  std::vector<Rect> monitors;
  auto add = [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    const RECT& area = info.rcMonitor;
    auto& found = *reinterpret_cast<std::vector<Rect>*>(list);
    Rect rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
      found.insert(found.begin(), rect);
    } else {
      found.push_back(rect);
    }
    return TRUE;
  };
  EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

void Win32Backend::FollowScreens() {
  Rect primary = PrimaryScreen();
  std::vector<Rect> monitors = Monitors();
  for (auto& [window, state] : m_windows) {
    if (state.kind != WindowKind::FullScreen || !IsWindowVisible(window)) continue;
    if (primary != state.screen) {
      ScreenResized(window, state);
    } else if (monitors != m_covered_monitors) {
      ShowCovers(window);
    }
  }
}

void Win32Backend::ScreenResized(HWND window, WindowState& state) {
  if (state.screen_change_sent) return;
  state.screen_change_sent = true;
  InputEvent event;
  event.type = EventType::ScreenChanged;
  event.window = WindowHandle(window);
  Push(event);
}

int Win32Backend::PixelsPerInch() {
  HDC screen = GetDC(nullptr);
  int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi > 0 ? ppi : 96;
}

bool Win32Backend::DispatchSysCommand(HWND window, uint32_t command, LRESULT& result) {
  // A command that arrives while one is being answered goes to the system's own handling.
  if (!m_dispatch || m_dispatching) return false;
  InputEvent event;
  event.type = EventType::SysCommand;
  event.window = WindowHandle(window);
  event.command = command;
  m_answer = {true, false, 0};
  m_dispatching = true;
  m_dispatch(event);
  m_dispatching = false;
  SysCommandAnswer answer = m_answer;
  m_answer = {};
  if (!answer.given || answer.result == 0) return false;
  result = answer.result;
  return true;
}

void Win32Backend::AnswerSysCommand(WindowHandle, uint32_t, intptr_t result) {
  if (!m_answer.pending) return;
  m_answer.given = true;
  m_answer.result = result;
}

}  // namespace vt

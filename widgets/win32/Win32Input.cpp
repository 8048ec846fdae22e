// The Win32 backend's window procedure, which only translates messages into the core's events:
// - keys: WM_KEYDOWN and WM_SYSKEYDOWN (Alt and F10 included), kept from DefWindowProc so
//   that they open no system menu
// - mouse: the L, R, M and X button presses and releases, WM_MOUSEMOVE with signed client
//   coordinates; the wheel is no press and goes nowhere
// - WM_CLOSE as a close request, WM_DESTROY from outside (a child with its host) as Destroyed,
//   a size changed by others as Resized
// - the full-screen window losing the foreground to another program (WM_ACTIVATE inactive,
//   WM_ACTIVATEAPP FALSE) as a close request: a saver that keeps standing over the desktop
//   while the keys go elsewhere could no longer be ended
// - the covers of the other monitors: their input is the full-screen window's, moved into its
//   coordinates; a click on one takes no activation and they show no pointer
// - WM_PAINT, WM_SYSCOMMAND, WM_DISPLAYCHANGE and WM_POWERBROADCAST, handed to the pixels,
//   screen and power files
// - ShowCursor, the real call
#include "widgets/win32/Win32Backend.h"
#include "widgets/win32/Win32Keys.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

LRESULT CALLBACK Win32Backend::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* backend = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (backend == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return backend->HandleMessage(window, message, wparam, lparam);
}

LRESULT Win32Backend::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_POWERBROADCAST && HandlePowerBroadcast(wparam, lparam)) return TRUE;
  if (message == WM_DISPLAYCHANGE) {
    // Every top-level window hears of it: the monitors are read once the burst has settled.
    SetTimer(m_message_window, kScreensTimerId, kScreensSettleMs, nullptr);
  }
  if (window == m_message_window) {
    if (message == WM_TIMER && wparam == kBoxTimerId) {
      RunBoxTimers();
      return 0;
    }
    if (message == WM_TIMER && wparam == kScreensTimerId) {
      KillTimer(m_message_window, kScreensTimerId);
      FollowScreens();
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (auto cover = m_covers.find(window); cover != m_covers.end()) {
    return HandleCoverMessage(window, cover->second, message, wparam, lparam);
  }
  auto found = m_windows.find(window);
  // Messages sent while CreateWindowExW runs come before the window is known.
  if (found == m_windows.end()) return DefWindowProcW(window, message, wparam, lparam);
  WindowState& state = found->second;
  WatchForeground(window, state, message, wparam, lparam);

  if (TranslateKey(window, message, wparam)) return 0;
  if (TranslateMouse(window, message, wparam, lparam)) {
    // The X button messages ask to be answered TRUE.
    return (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) ? TRUE : 0;
  }
  InputEvent event;
  event.window = WindowHandle(window);
  switch (message) {
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      return 0;
    case WM_CLOSE:
      event.type = EventType::CloseRequest;
      Push(event);
      return 0;
    case WM_DESTROY:
      if (!state.destroying) {
        event.type = EventType::Destroyed;
        Push(event);
      }
      return 0;
    case WM_NCDESTROY:
      ReleaseWindow(window);
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_SIZE: {
      int width = LOWORD(lparam);
      int height = HIWORD(lparam);
      if (wparam != SIZE_MINIMIZED && (width != state.width || height != state.height)) {
        state.width = width;
        state.height = height;
        if (state.kind == WindowKind::FullScreen) {
          ScreenResized(window, state);
          return 0;
        }
        event.type = EventType::Resized;
        event.width = width;
        event.height = height;
        Push(event);
      }
      return 0;
    }
    case WM_PAINT:
      Paint(window, state);
      return 0;
    case WM_ERASEBKGND:
      // The frame covers every pixel; erasing first would only flicker.
      return 1;
    case WM_SYSCOMMAND: {
      LRESULT result = 0;
      if (DispatchSysCommand(window, uint32_t(wparam), result)) return result;
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool Win32Backend::TranslateKey(HWND window, UINT message, WPARAM wparam) {
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return false;
  InputEvent event;
  event.type = EventType::KeyDown;
  event.window = WindowHandle(window);
  event.key = Win32Keys::VirtualKey(wparam);
  event.shift = Win32Keys::KeyShiftState();
  Push(event);
  return true;
}

LRESULT Win32Backend::HandleCoverMessage(HWND window, const Cover& cover, UINT message,
                                         WPARAM wparam, LPARAM lparam) {
  HWND owner = cover.owner;
  if (TranslateKey(owner, message, wparam)) return 0;
  if (TranslateMouse(owner, message, wparam, lparam, cover.offset)) {
    return (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) ? TRUE : 0;
  }
  switch (message) {
    case WM_MOUSEACTIVATE:
      // The scene keeps the keyboard.
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CLOSE:
      return 0;
    case WM_NCDESTROY:
      m_covers.erase(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Win32Backend::WatchForeground(HWND window, WindowState& state, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  bool lost = false;
  if (message == WM_ACTIVATE) {
    if (LOWORD(wparam) != WA_INACTIVE) {
      state.active = true;
      return;
    }
    // Our own message box taking the keyboard is no loss; the window being activated is
    // named only when it belongs to this thread.
    HWND next = reinterpret_cast<HWND>(lparam);
    lost = next == nullptr || GetWindowThreadProcessId(next, nullptr) != GetCurrentThreadId();
  } else if (message == WM_ACTIVATEAPP) {
    lost = wparam == FALSE;
  } else {
    return;
  }
  // Each loss is reported once, and only by the window that was active: one that gave the
  // keyboard to our own error box is not, and gets it back when the box goes (ShowMessageBox).
  bool report = state.active && lost && state.kind == WindowKind::FullScreen && !state.destroying;
  state.active = false;
  if (!report) return;
  InputEvent event;
  event.type = EventType::CloseRequest;
  event.window = WindowHandle(window);
  Push(event);
}

bool Win32Backend::TranslateMouse(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                  Point offset) {
  InputEvent event;
  switch (message) {
    case WM_MOUSEMOVE:
      event.type = EventType::MouseMove;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      event.type = EventType::MouseDown;
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
      event.type = EventType::MouseUp;
      break;
    default:
      return false;
  }
  switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      event.button = TMouseButton::mbRight;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      event.button = TMouseButton::mbMiddle;
      break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
      event.button =
          GET_XBUTTON_WPARAM(wparam) == XBUTTON2 ? TMouseButton::mbExtra2 : TMouseButton::mbExtra1;
      break;
    default:
      event.button = TMouseButton::mbLeft;
      break;
  }
  event.window = WindowHandle(window);
  // Client coordinates are signed: left of or above the window they are negative.
  event.x = GET_X_LPARAM(lparam) + offset.x;
  event.y = GET_Y_LPARAM(lparam) + offset.y;
  event.shift = Win32Keys::MouseShiftState(GET_KEYSTATE_WPARAM(wparam));
  Push(event);
  return true;
}

void Win32Backend::Push(const InputEvent& event) {
  m_queue.push_back(event);
}

int Win32Backend::ShowCursor(bool show) {
  m_cursor_count += show ? 1 : -1;
  return ::ShowCursor(show ? TRUE : FALSE);
}

}  // namespace vt

// The Win32 backend's windows:
// - CreateWindow for each kind: the application's hidden window, the topmost full-screen
//   pop-up over the primary monitor with no input context (an East Asian input method would
//   take the first key for itself), borderless pop-ups, WS_CHILD windows of a foreign host
//   (EOSError with the system's code and text when the host names no window) and framed
//   dialogs; top-level windows are owned by the application's window, so that it alone
//   stands for the program on the task bar
// - destroy, show, bounds
// - the black covers of the other monitors, shown and removed with the full-screen window
// - the icon: the resource icon of the window class, or one made from the core's picture
// - the foreign host window: ShowWindow and GetWindowRect
#include <algorithm>
#include <string>
#include <vector>

#include "widgets/Exceptions.h"
#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/WideStrings.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

HWND AsWindow(uint64_t handle) {
  return reinterpret_cast<HWND>(uintptr_t(handle));
}

// The system's text for an error code, in the system's language, without the line break and
// full stop that end it (the error box adds its own).
std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return Utf8FromWide(text);
}

[[noreturn]] void ThrowLastError() {
  DWORD code = GetLastError();
  if (code == 0) throw EOSError("OS 機能呼び出しの失敗");
  throw EOSError(
      FormatMessage(FormatMessage("システムエラー。コード：%d.\r\n%s", std::to_string(code)),
                    SystemErrorText(code)));
}

// An icon from a 32-bit picture, fully opaque.
HICON IconFromBitmap(const Bitmap32& picture) {
  void* bits = nullptr;
  HBITMAP color = CreateTopDownBitmap(picture.Width(), picture.Height(), &bits);
  if (color == nullptr) return nullptr;
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      pixels[size_t(y) * size_t(picture.Width()) + size_t(x)] = picture.Pixel(x, y) | 0xFF000000u;
    }
  }
  // An AND mask of zeros: every pixel shows the colour bitmap. Rows of a monochrome bitmap are
  // padded to 16 bits.
  std::vector<uint8_t> clear(size_t((picture.Width() + 15) / 16 * 2) * size_t(picture.Height()));
  HBITMAP mask = CreateBitmap(picture.Width(), picture.Height(), 1, 1, clear.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  if (mask != nullptr) DeleteObject(mask);
  return icon;
}

}  // namespace

void Win32Backend::SetIcon(const Bitmap32& icon) {
  // The resource icon is the program's own; the picture stands in only where it is missing.
  if (m_icon_from_resource || icon.IsEmpty()) return;
  HICON made = IconFromBitmap(icon);
  if (made == nullptr) return;
  if (m_icon != nullptr) DestroyIcon(m_icon);
  m_icon = made;
  m_small_icon = made;
  for (const auto& [window, state] : m_windows) {
    if (state.kind == WindowKind::Child) continue;
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_small_icon));
  }
}

WindowHandle Win32Backend::CreateWindow(const WindowRequest& request) {
  DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  HWND parent = m_app_window;
  Rect bounds = request.bounds;
  switch (request.kind) {
    case WindowKind::AppWindow:
      style |= WS_POPUP;
      parent = nullptr;
      bounds = {0, 0, 0, 0};
      break;
    case WindowKind::FullScreen:
      style |= WS_POPUP;
      ex_style |= WS_EX_TOPMOST;
      bounds = PrimaryScreen();
      break;
    case WindowKind::Popup:
      style |= WS_POPUP;
      break;
    case WindowKind::Child:
      style = (style | WS_CHILD) & ~WS_CLIPSIBLINGS;
      parent = AsWindow(request.foreign_parent);
      break;
    case WindowKind::Dialog: {
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      ex_style |= WS_EX_DLGMODALFRAME;
      // The frame goes around the client area the widget layer draws.
      RECT outer{0, 0, bounds.width, bounds.height};
      AdjustWindowRectEx(&outer, style, FALSE, ex_style);
      Rect screen = PrimaryScreen();
      int width = outer.right - outer.left;
      int height = outer.bottom - outer.top;
      bounds = {screen.left + (screen.width - width) / 2, screen.top + (screen.height - height) / 2,
                width, height};
      break;
    }
  }
  SetLastError(0);
  HWND window = CreateWindowExW(ex_style, kWindowClass, WideFromUtf8(request.title).c_str(), style,
                                bounds.left, bounds.top, bounds.width, bounds.height, parent,
                                nullptr, m_instance, this);
  if (window == nullptr) ThrowLastError();

  WindowState& state = m_windows[window];
  state.kind = request.kind;
  RECT client{};
  GetClientRect(window, &client);
  state.width = client.right;
  state.height = client.bottom;
  if (request.kind == WindowKind::AppWindow) m_app_window = window;
  if (request.kind == WindowKind::FullScreen) {
    ImmAssociateContext(window, nullptr);
    state.screen = bounds;
  }
  if (request.kind != WindowKind::Child && !m_icon_from_resource && m_icon != nullptr) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_small_icon));
  }
  return WindowHandle(window);
}

void Win32Backend::DestroyWindow(WindowHandle handle) {
  HWND window = AsWindow(handle);
  auto found = m_windows.find(window);
  if (found == m_windows.end()) return;
  found->second.destroying = true;
  if (window == m_app_window) m_app_window = nullptr;
  RemoveCovers(window);
  ::DestroyWindow(window);
}

void Win32Backend::ShowWindow(WindowHandle handle, bool visible) {
  HWND window = AsWindow(handle);
  auto found = m_windows.find(window);
  if (found == m_windows.end()) return;
  if (!visible) {
    RemoveCovers(window);
    ::ShowWindow(window, SW_HIDE);
    return;
  }
  if (found->second.kind == WindowKind::FullScreen) {
    // Over the whole primary monitor and above every other window, the covers included, with
    // the keyboard.
    ShowCovers(window);
    Rect screen = PrimaryScreen();
    SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top, screen.width, screen.height,
                 SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    SetFocus(window);
    return;
  }
  ::ShowWindow(window, found->second.kind == WindowKind::Child ? SW_SHOWNA : SW_SHOW);
}

void Win32Backend::SetWindowBounds(WindowHandle handle, const Rect& bounds) {
  HWND window = AsWindow(handle);
  auto found = m_windows.find(window);
  if (found == m_windows.end()) return;
  WindowState& state = found->second;
  Rect outer = bounds;
  if (state.kind == WindowKind::Dialog) {
    RECT frame{0, 0, bounds.width, bounds.height};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    outer.width = frame.right - frame.left;
    outer.height = frame.bottom - frame.top;
  }
  // Set first, so that the WM_SIZE this sends is not taken for a change made by others.
  state.width = bounds.width;
  state.height = bounds.height;
  SetWindowPos(window, nullptr, outer.left, outer.top, outer.width, outer.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Covers of the other monitors ----
//
// The scene stays on the primary monitor; while it is shown, every other monitor gets a black
// topmost window, so that nothing of the desktop shows and no click there reaches another
// program. Their input is the full-screen window's own (see HandleCoverMessage), so that moving
// or clicking over any monitor ends the saver as it does over the scene. Each lies right below
// the full-screen window: where a monitor overlaps the primary one, the scene shows, and a box
// above the scene stays above it.

void Win32Backend::ShowCovers(HWND owner) {
  std::vector<Rect> monitors = Monitors();
  m_covered_monitors = monitors;
  std::vector<Rect> wanted;
  if (monitors.size() >= 2) wanted.assign(monitors.begin() + 1, monitors.end());
  const Point origin =
      monitors.empty() ? Point{} : Point{monitors.front().left, monitors.front().top};
  std::vector<HWND> gone;
  for (const auto& [cover, state] : m_covers) {
    if (state.owner != owner) continue;
    auto kept = std::find(wanted.begin(), wanted.end(), state.monitor);
    if (kept != wanted.end() &&
        state.offset == Point{kept->left - origin.x, kept->top - origin.y}) {
      wanted.erase(kept);
    } else {
      gone.push_back(cover);
    }
  }
  // Each leaves m_covers as it goes (WM_NCDESTROY).
  for (HWND cover : gone) ::DestroyWindow(cover);
  for (const Rect& monitor : wanted) {
    HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass,
                                 L"", WS_POPUP, monitor.left, monitor.top, monitor.width,
                                 monitor.height, m_app_window, nullptr, m_instance, this);
    if (cover == nullptr) continue;
    m_covers[cover] = {owner, {monitor.left - origin.x, monitor.top - origin.y}, monitor};
    SetWindowPos(cover, owner, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
}

void Win32Backend::RemoveCovers(HWND owner) {
  std::vector<HWND> covers;
  for (const auto& [cover, state] : m_covers) {
    if (state.owner == owner) covers.push_back(cover);
  }
  // Each leaves m_covers as it goes (WM_NCDESTROY).
  for (HWND cover : covers) ::DestroyWindow(cover);
}

bool Win32Backend::ShowForeignWindow(uint64_t handle) {
  HWND window = AsWindow(handle);
  if (!IsWindow(window)) return false;
  ::ShowWindow(window, SW_SHOW);
  return true;
}

bool Win32Backend::GetForeignWindowRect(uint64_t handle, Rect& outer) {
  RECT rect{};
  if (!GetWindowRect(AsWindow(handle), &rect)) return false;
  outer = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  return true;
}

void Win32Backend::ReleaseWindow(HWND window) {
  auto found = m_windows.find(window);
  if (found == m_windows.end()) return;
  RemoveCovers(window);
  ReleaseSurface(found->second.surface);
  if (window == m_app_window) m_app_window = nullptr;
  m_windows.erase(found);
}

}  // namespace vt

// The Win32 backend's frame:
// - Open: the window class for every window of the program, with the resource icon, the class
//   of the black monitor covers, and the backend's own message-only window
// - the event loop: WaitEvent on MsgWaitForMultipleObjectsEx, the monotonic clock
// - the error box: MessageBoxW, with the program's other windows disabled while it is open
//   and timers driven by WM_TIMER on the message window, since the box's own loop dispatches
//   window messages only
// - the hook through which messages that need an answer at once reach the widget layer
// - the message window's timers: the ticks under a message box, and the settling of display
//   changes
#include "widgets/win32/Win32Backend.h"

#include <algorithm>
#include <utility>

#include "widgets/windows/WideStrings.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

// The program's icon resource.
constexpr int kIconResource = 100;

}  // namespace

std::unique_ptr<Win32Backend> Win32Backend::Open(std::string* error) {
  std::unique_ptr<Win32Backend> backend(new Win32Backend(GetModuleHandleW(nullptr)));
  if (!backend->Initialise(error)) return nullptr;
  return backend;
}

Win32Backend::Win32Backend(HINSTANCE instance) : m_instance(instance) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  m_clock_frequency = frequency.QuadPart;
}

bool Win32Backend::Initialise(std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  };
  // Shared icons belong to the system and are never destroyed.
  m_icon = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                         LR_SHARED));
  m_small_icon = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(kIconResource),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  m_icon_from_resource = m_icon != nullptr;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  // No CS_DBLCLKS: a second click is a second press.
  window_class.lpfnWndProc = &Win32Backend::WindowProcedure;
  window_class.hInstance = m_instance;
  window_class.hIcon = m_icon;
  window_class.hIconSm = m_small_icon;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  m_class = RegisterClassExW(&window_class);
  // Another backend of the same program (a test) may have registered it already.
  if (m_class == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return fail("cannot register the window class");
  }
  // Covers are erased black by the system and show no pointer of their own.
  window_class.hIcon = nullptr;
  window_class.hIconSm = nullptr;
  window_class.hCursor = nullptr;
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = kCoverClass;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return fail("cannot register the cover class");
  }

  m_message_window =
      CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, m_instance, this);
  if (m_message_window == nullptr) return fail("cannot create the message window");
  RegisterForPower();
  return true;
}

Win32Backend::~Win32Backend() {
  std::vector<HWND> covers;
  for (const auto& [cover, state] : m_covers) covers.push_back(cover);
  for (HWND cover : covers) ::DestroyWindow(cover);
  std::vector<HWND> windows;
  for (const auto& [window, state] : m_windows) windows.push_back(window);
  for (HWND window : windows) {
    auto found = m_windows.find(window);
    if (found == m_windows.end()) continue;  // went with its parent
    found->second.destroying = true;
    ::DestroyWindow(window);
  }
  UnregisterForPower();
  if (m_message_window != nullptr) ::DestroyWindow(m_message_window);
  // The pointer comes back however the program ends.
  for (; m_cursor_count < 0; ++m_cursor_count) ::ShowCursor(TRUE);
  for (; m_cursor_count > 0; --m_cursor_count) ::ShowCursor(FALSE);
  if (!m_icon_from_resource) {
    if (m_icon != nullptr) DestroyIcon(m_icon);
    if (m_small_icon != nullptr && m_small_icon != m_icon) DestroyIcon(m_small_icon);
  }
}

int64_t Win32Backend::NowMs() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return int64_t(counter.QuadPart / m_clock_frequency * 1000 +
                 counter.QuadPart % m_clock_frequency * 1000 / m_clock_frequency);
}

std::optional<InputEvent> Win32Backend::WaitEvent(int64_t deadline_ms) {
  for (;;) {
    MSG message;
    while (m_queue.empty() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Someone asked the thread to quit: as a close request of the application.
        InputEvent event;
        event.type = EventType::CloseRequest;
        event.window = WindowHandle(m_app_window);
        Push(event);
        break;
      }
      DispatchMessageW(&message);
    }
    if (!m_queue.empty()) {
      InputEvent event = m_queue.front();
      m_queue.pop_front();
      return event;
    }
    int64_t now = NowMs();
    if (deadline_ms >= 0 && now >= deadline_ms) return std::nullopt;
    DWORD timeout = INFINITE;
    if (deadline_ms >= 0) timeout = DWORD(std::min<int64_t>(deadline_ms - now, 0x7FFFFFFF));
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool Win32Backend::RecordErrorBox(const std::string&, const std::string&) {
  return false;
}

bool Win32Backend::ShowMessageBox(WindowHandle owner, const std::string& title,
                                  const std::string& text,
                                  const std::function<int64_t()>& run_due_timers) {
  // A box with an owner leaves the program's other windows without input while it is open;
  // one without is modal for the whole thread.
  UINT style = MB_OK | MB_ICONERROR | MB_TOPMOST;
  std::vector<HWND> disabled;
  if (owner != 0) {
    disabled = DisableTopLevelWindows();
  } else {
    style |= MB_TASKMODAL;
  }
  const std::function<int64_t()>* outer = m_box_timers;
  m_box_timers = &run_due_timers;
  ScheduleBoxTimer(run_due_timers());
  MessageBoxW(reinterpret_cast<HWND>(owner), WideFromUtf8(text).c_str(),
              WideFromUtf8(title).c_str(), style);
  KillTimer(m_message_window, kBoxTimerId);
  m_box_timers = outer;
  for (HWND window : disabled) {
    if (m_windows.count(window) != 0) EnableWindow(window, TRUE);
  }
  // The system gave the foreground away when the box went, while the saver was still disabled:
  // the saver takes it back, so that keys reach it again.
  for (const auto& [window, state] : m_windows) {
    if (state.kind == WindowKind::FullScreen && IsWindowVisible(window)) {
      SetForegroundWindow(window);
      SetFocus(window);
    }
  }
  return true;
}

std::vector<HWND> Win32Backend::DisableTopLevelWindows() {
  std::vector<HWND> disabled;
  for (const auto& [window, state] : m_windows) {
    if (state.kind == WindowKind::Child || !IsWindowVisible(window) || !IsWindowEnabled(window)) {
      continue;
    }
    EnableWindow(window, FALSE);
    disabled.push_back(window);
  }
  return disabled;
}

void Win32Backend::RunBoxTimers() {
  KillTimer(m_message_window, kBoxTimerId);
  if (m_box_timers != nullptr) ScheduleBoxTimer((*m_box_timers)());
}

void Win32Backend::ScheduleBoxTimer(int64_t due_ms) {
  if (due_ms < 0) {
    KillTimer(m_message_window, kBoxTimerId);
    return;
  }
  int64_t delay = std::clamp<int64_t>(due_ms - NowMs(), USER_TIMER_MINIMUM, 0x7FFFFFFF);
  SetTimer(m_message_window, kBoxTimerId, UINT(delay), nullptr);
}

void Win32Backend::SetImmediateDispatch(std::function<void(const InputEvent&)> dispatch) {
  m_dispatch = std::move(dispatch);
}

}  // namespace vt

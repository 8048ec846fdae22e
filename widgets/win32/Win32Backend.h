#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/Backend.h"

// The Windows API's own handle types, declared here so that users of the backend need no
// Windows header.
struct HWND__;
struct HICON__;
struct HINSTANCE__;

namespace vt {

// The widget layer's platform on Windows, through the Win32 API:
// - screen: the primary monitor, every monitor, and LOGPIXELSY of the screen; the monitors
//   followed as the system announces their changes (WM_DISPLAYCHANGE): a new primary
//   rectangle, or a full-screen window resized by the system, is a changed screen, and the
//   covers of the other monitors follow theirs;
// - the console display's power (GUID_CONSOLE_DISPLAY_STATE): no frame is taken while it is
//   off;
// - windows: one window class for every window of the program, with the program's icon; the
//   application's hidden window, the topmost full-screen pop-up (with no input context, and a
//   black cover over every other monitor while it is shown), borderless pop-ups, children of
//   foreign windows and framed dialogs;
// - pixels: each window's frame lent to the widget layer, its dirty rectangles and WM_PAINT's
//   invalid rectangle put on the screen from there with SetDIBitsToDevice;
// - the real ShowCursor, balanced when the backend goes;
// - messages translated to the core's events in one window procedure; WM_SYSCOMMAND answered
//   at once through the application; the full-screen window losing the foreground to another
//   program is a close request, as the system's own savers take it;
// - the event loop on MsgWaitForMultipleObjectsEx, a monotonic clock, and MessageBoxW as the
//   error box, with timers kept ticking by WM_TIMER while its modal loop runs.
class Win32Backend : public Backend {
 public:
  // Registers the window classes and makes the backend's own message window. Returns nullptr,
  // with the reason in *error, when that fails.
  static std::unique_ptr<Win32Backend> Open(std::string* error);
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  Rect PrimaryScreen() override;
  int PixelsPerInch() override;

  void SetIcon(const Bitmap32& icon) override;
  WindowHandle CreateWindow(const WindowRequest& request) override;
  void DestroyWindow(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool visible) override;
  // The size given here is the size the window has from now on: only changes made by others
  // (the host of a child) are reported as Resized.
  void SetWindowBounds(WindowHandle window, const Rect& bounds) override;
  void Present(WindowHandle window, const Bitmap32& frame, const std::vector<Rect>& dirty) override;
  Bitmap32* LendFrame(WindowHandle window, int width, int height) override;
  bool FrameInUse(WindowHandle window) override;

  int ShowCursor(bool show) override;

  bool ShowForeignWindow(uint64_t handle) override;
  bool GetForeignWindowRect(uint64_t handle, Rect& outer) override;

  void AnswerSysCommand(WindowHandle window, uint32_t command, intptr_t result) override;

  int64_t NowMs() override;
  std::optional<InputEvent> WaitEvent(int64_t deadline_ms) override;

  bool RecordErrorBox(const std::string& title, const std::string& text) override;
  bool ShowMessageBox(WindowHandle owner, const std::string& title, const std::string& text,
                      const std::function<int64_t()>& run_due_timers) override;
  void SetImmediateDispatch(std::function<void(const InputEvent&)> dispatch) override;

 private:
  // A window's frame, which the widget layer paints in and WM_PAINT is answered from.
  struct Surface {
    Bitmap32 frame;
  };

  struct WindowState {
    WindowKind kind = WindowKind::Popup;
    int width = 0;
    int height = 0;
    bool destroying = false;  // destroyed by the widget layer, not from outside
    bool active = false;      // the active window of the program while it has the foreground
    Surface surface;
    Rect screen;  // full-screen window: the monitor it was made for
    bool screen_change_sent = false;
  };

  // A black window over a monitor other than the primary one, shown with a full-screen window.
  struct Cover {
    HWND__* owner = nullptr;  // the full-screen window
    Point offset;             // the cover's origin in the owner's coordinates
    Rect monitor;
  };

  // The answer the widget layer gave to the system command being dispatched.
  struct SysCommandAnswer {
    bool pending = false;
    bool given = false;
    intptr_t result = 0;
  };

  // The timer of the backend's message window that runs the ticks while a message box is open.
  static constexpr uintptr_t kBoxTimerId = 1;
  // The timer of the message window that lets a burst of display changes settle.
  static constexpr uintptr_t kScreensTimerId = 2;
  static constexpr unsigned kScreensSettleMs = 250;
  // The class of every window of the program.
  static constexpr const wchar_t* kWindowClass = L"VantorelWindow";
  // The class of the covers: black, with no pointer of its own.
  static constexpr const wchar_t* kCoverClass = L"VantorelCover";

  explicit Win32Backend(HINSTANCE__* instance);
  bool Initialise(std::string* error);

  static intptr_t __stdcall WindowProcedure(HWND__* window, unsigned message, uintptr_t wparam,
                                            intptr_t lparam);
  intptr_t HandleMessage(HWND__* window, unsigned message, uintptr_t wparam, intptr_t lparam);
  // Translations of the input messages; true when the message was one of them.
  bool TranslateKey(HWND__* window, unsigned message, uintptr_t wparam);
  // The mouse event is target's, its position moved by offset.
  bool TranslateMouse(HWND__* target, unsigned message, uintptr_t wparam, intptr_t lparam,
                      Point offset = {});
  void Push(const InputEvent& event);
  // WM_ACTIVATE and WM_ACTIVATEAPP: a full-screen window that loses the foreground to another
  // program asks to close. The messages go on to DefWindowProc.
  void WatchForeground(HWND__* window, WindowState& state, unsigned message, uintptr_t wparam,
                       intptr_t lparam);

  // Every monitor's rectangle, the primary one first.
  std::vector<Rect> Monitors();
  // Covers every monitor but the primary one, keeping the covers of monitors that stay, each
  // right below the owner.
  void ShowCovers(HWND__* owner);
  void RemoveCovers(HWND__* owner);
  // A cover's messages: its input is its owner's, in the owner's coordinates.
  intptr_t HandleCoverMessage(HWND__* window, const Cover& cover, unsigned message,
                              uintptr_t wparam, intptr_t lparam);

  // Once the display changes have settled: a full-screen window's monitor changed is
  // announced, the covers of the others made again. Win32Screen.cpp.
  void FollowScreens();
  // A size given by the system to a full-screen window: its screen changed.
  void ScreenResized(HWND__* window, WindowState& state);

  // The console display's power, Win32Power.cpp.
  void RegisterForPower();
  void UnregisterForPower();
  // WM_POWERBROADCAST with the display's state; true when it was that.
  bool HandlePowerBroadcast(uintptr_t wparam, intptr_t lparam);
  // Dark: no frame is taken; lit again: the frames held back are released.
  void SetDark(bool dark);

  // System commands go through the widget layer at once; true when it handled the command.
  bool DispatchSysCommand(HWND__* window, uint32_t command, intptr_t& result);

  // The windows of the program that a message box disables, and enables again after it.
  std::vector<HWND__*> DisableTopLevelWindows();
  // WM_TIMER on the backend's own window while a message box is open.
  void RunBoxTimers();
  void ScheduleBoxTimer(int64_t due_ms);

  void Paint(HWND__* window, WindowState& state);
  static void ReleaseSurface(Surface& surface);
  void ReleaseWindow(HWND__* window);

  HINSTANCE__* m_instance;
  uint16_t m_class = 0;
  HWND__* m_message_window = nullptr;
  HICON__* m_icon = nullptr;
  HICON__* m_small_icon = nullptr;
  bool m_icon_from_resource = false;

  std::map<HWND__*, WindowState> m_windows;
  std::map<HWND__*, Cover> m_covers;
  std::vector<Rect> m_covered_monitors;  // the monitors as the covers were made for them
  void* m_power_notification = nullptr;  // the registration for the display's power
  bool m_dark = false;                   // the console display is off: no frame is taken
  HWND__* m_app_window = nullptr;
  std::deque<InputEvent> m_queue;

  std::function<void(const InputEvent&)> m_dispatch;
  bool m_dispatching = false;
  SysCommandAnswer m_answer;

  const std::function<int64_t()>* m_box_timers = nullptr;  // set while a message box is open

  int m_cursor_count = 0;  // this backend's own ShowCursor calls, net
  int64_t m_clock_frequency = 0;
};

}  // namespace vt

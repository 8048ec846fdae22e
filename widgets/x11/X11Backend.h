#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/linux/SignalPipe.h"

// Xlib's own types, declared here so that users of the backend need no X11 header.
struct _XDisplay;
struct _XGC;
union _XEvent;

namespace vt {

class X11FrameImage;

// The widget layer's platform on an X server, through Xlib. Its methods are spread by concern:
// X11Backend.cpp (connection, event loop, time, signals), X11Window.cpp, X11Input.cpp,
// X11Pixels.cpp, X11Screen.cpp and X11Power.cpp.
// - screen: the XRandR primary monitor (else the first monitor, else the root window) and
//   the Xft.dpi resource; while a full-screen window is shown, monitors that change are
//   followed: a new primary rectangle is announced as ScreenChanged, the covers of the others
//   are made again;
// - windows: the application's unmapped group leader, the full-screen override-redirect
//   window that grabs keyboard and pointer, borderless pop-ups, children of foreign windows
//   and framed dialogs, each top-level one with its name, class, icon and WM_DELETE_WINDOW;
// - pixels: frames lent to the widget layer in memory shared with the server (MIT-SHM) and
//   put on the screen from there, or XPutImage where shared memory fails; an exposed area of
//   a window whose frame is held there is put again from it, without the widget layer;
// - the monitors' power (DPMS) while a full-screen window is shown: no frame is taken while
//   they are off;
// - pointer hiding with XFixes and an empty cursor;
// - the X server's own screen saver kept from blanking over the full-screen window;
// - input translated to virtual keys and mouse buttons, a monotonic clock, and a wait on
//   the connection with poll();
// - black windows of the program's own over every other monitor while a full-screen window
//   is shown, whose input counts as the full-screen window's;
// - a saver hosted in a saver daemon's window: a child window that follows the host's size,
//   takes no input and no grab, leaves the pointer and the server's saver alone, reports
//   errors on standard error only and ends when the host goes;
// - X errors trapped where they are expected; a lost connection ends the program with exit
//   code 1 after one line on standard error;
// - SIGTERM, SIGINT and SIGHUP turned into a close request of the application's window, so
//   that a saver ended from outside still restores what it changed.
class X11Backend : public Backend {
 public:
  struct Options {
    std::string display_name;  // empty: $DISPLAY
    bool allow_shared_memory = true;
  };

  // Connects to $DISPLAY. Returns nullptr, with the reason in *error, when there is none.
  static std::unique_ptr<X11Backend> Open(std::string* error);
  static std::unique_ptr<X11Backend> Open(const Options& options, std::string* error);
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  Rect PrimaryScreen() override;
  int PixelsPerInch() override;

  void SetIcon(const Bitmap32& icon) override;
  WindowHandle CreateWindow(const WindowRequest& request) override;
  void DestroyWindow(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool visible) override;
  // The size given here is the size the window has from now on: only changes made by others
  // (the window manager, the host of a child) are reported as Resized.
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

  void HostSaver(uint64_t host) override;

  // Whether the window's frame lies in memory shared with the server.
  bool UsesSharedMemory(WindowHandle window) const;

 private:
  struct Atoms {
    unsigned long wm_protocols = 0;
    unsigned long wm_delete_window = 0;
    unsigned long utf8_string = 0;
    unsigned long net_wm_name = 0;
    unsigned long net_wm_pid = 0;
    unsigned long net_wm_icon = 0;
    unsigned long net_wm_state = 0;
    unsigned long net_wm_state_fullscreen = 0;
    unsigned long net_wm_state_above = 0;
    unsigned long net_wm_state_skip_taskbar = 0;
    unsigned long net_wm_window_type = 0;
    unsigned long net_wm_window_type_dialog = 0;
    unsigned long motif_wm_hints = 0;
  };

  struct WindowState {
    WindowKind kind = WindowKind::Popup;
    int width = 0;
    int height = 0;
    bool shown = false;
    bool keyboard_grabbed = false;
    bool pointer_grabbed = false;
    int64_t grab_give_up_ms = 0;  // full-screen window: retry failed grabs until then
    Rect pending_expose;          // exposed area collected until the last Expose of a series
    std::unique_ptr<X11FrameImage> image;  // the lent frame, in shared memory
    bool presented = false;                // the image holds a whole frame that was presented
    bool repaint_waits = false;            // for the completion of the image's last put
    Rect screen;                           // full-screen window: the monitor it was made for
    bool screen_change_sent = false;
  };

  // The request the last SysCommand event stands for, waiting for its answer.
  enum class SaverRequest { Nothing, Timeout, Activated };

  struct SaverSettings {
    int timeout = 0;
    int interval = 0;
    int prefer_blanking = 0;
    int allow_exposures = 0;
  };

  // A black window over a monitor other than the primary one, shown with a full-screen window.
  struct Cover {
    unsigned long owner = 0;  // the full-screen window
    Point offset;             // the cover's origin in the owner's coordinates
    Rect monitor;
  };

  X11Backend(_XDisplay* display, const Options& options);

  // The XRandR monitors, the primary one first; empty without XRandR monitors.
  std::vector<Rect> Monitors();
  // The monitor a full-screen window covers: the primary one, else the first one, else the
  // root window.
  Rect ScreenArea();

  // Changes of the monitors while a full-screen window is shown, X11Screen.cpp.
  void WatchScreens();
  // A RandR event or the root window's ConfigureNotify; false for any other event.
  bool HandleScreenEvent(_XEvent& event);
  // Once a burst of changes has settled: the full-screen window's monitor moved or resized is
  // announced, the covers of the others made again.
  void FollowScreens();

  // The monitors' power, X11Power.cpp.
  void BeginPowerWatch();
  void EndPowerWatch();
  // Reads the monitors' power level again.
  void CheckPower(int64_t now);
  // Dark: no frame is taken; lit again: the frames held back are released.
  void SetDark(bool dark);
  // The host's size changed: the full-screen windows follow it.
  void FollowHost(int width, int height);

  // Covers every monitor but the owner's, keeping the covers of monitors that stay, and stacks
  // them right below the owner, which stays where it is among the other windows (a box above
  // it stays above it).
  void ShowCovers(unsigned long owner);
  void RemoveCovers(unsigned long owner);
  // Puts an exposed area of a window back from the frame held for it; false when it holds
  // none, and the widget layer has to paint it.
  bool AnswerExpose(unsigned long window, WindowState& state, const Rect& area);
  // Makes input over a cover the owner's input, in the owner's coordinates.
  void RetargetCoverInput(_XEvent& event) const;

  [[noreturn]] void ThrowOSError(int code) const;
  void SetTopLevelProperties(unsigned long window, const WindowRequest& request,
                             const Rect& bounds);
  void SetOwnerHints(unsigned long window, const WindowState& state);
  void SetIconProperty(unsigned long window);
  void SetDialogSizeHints(unsigned long window, const Rect& bounds);
  bool IsTopLevel(WindowKind kind) const { return kind != WindowKind::Child; }

  static unsigned long AsWindow(WindowHandle handle) { return (unsigned long)handle; }

  // Grabs keyboard and pointer for a full-screen window being shown, retrying for a while.
  void BeginGrab(unsigned long window, WindowState& state);
  void TryGrab(unsigned long window, WindowState& state);
  void Ungrab(WindowState& state);
  // Lets go of everything the backend holds for a window that is about to go away.
  void ReleaseWindow(unsigned long window, WindowState& state);
  // After the saver's window went away: another shown full-screen window takes its part, or
  // the watch ends.
  void PickSaverWindow();

  void BeginSaverWatch(unsigned long window);
  void EndSaverWatch();
  void CheckSaverTimeout(int64_t now);
  void RestoreSaverThroughNewConnection() const;
  // Turns the server's announcement of its saver into a system command; false for any other
  // event.
  bool HandleServerSaverEvent(const _XEvent& event);
  // Tells the saver's window that the server's saver would start, for the request's answer.
  void PushSaverCommand(SaverRequest request);

  // The connection for the puts of shared frames, opened on first need; false when frames
  // are not shared.
  bool OpenFrameConnection();
  // Reads the completion events that have come on it, without waiting, and reports the
  // frames that a repaint waited for as released.
  void TakeCompletions();
  bool RepaintWaits() const;

  void ApplyCursor();
  void Push(const InputEvent& event);
  void HandleEvent(_XEvent& event);
  // Runs the due retries and checks; returns the time of the next one, -1 when none.
  int64_t RunTimers(int64_t now);

  static int OnIOError(_XDisplay* display);

  // Turns the termination signals that arrived since the last look into a close request.
  void TakeSignals();

  _XDisplay* m_display;
  std::string m_display_name;
  int m_screen = 0;
  unsigned long m_root = 0;
  _XGC* m_gc = nullptr;
  Atoms m_atoms;
  bool m_use_shared_memory = false;
  bool m_has_randr_monitors = false;
  bool m_has_randr_events = false;  // RandR 1.2: screen, CRTC and output changes
  int m_randr_event_base = 0;
  bool m_has_xfixes = false;
  bool m_has_screen_saver = false;
  int m_screen_saver_event_base = 0;
  // The puts of shared frames and their completion events go through a connection of their
  // own: a completion on the main one would wake the event loop after every frame. This one
  // is read when the next frame is due, and listened to only while a repaint waits on it.
  _XDisplay* m_frame_display = nullptr;
  _XGC* m_frame_gc = nullptr;
  int m_completion_event = 0;

  std::map<unsigned long, WindowState> m_windows;
  std::map<unsigned long, Cover> m_covers;
  std::vector<Rect> m_covered_monitors;  // the monitors as the covers were made for them
  bool m_watching_screens = false;
  int64_t m_screens_settle_ms = -1;     // when the last burst of monitor changes has settled
  std::optional<unsigned long> m_host;  // the daemon's window of a hosted saver
  Rect m_host_area;
  unsigned long m_app_window = 0;
  std::vector<long> m_icon;  // _NET_WM_ICON: width, height, then ARGB pixels
  std::deque<InputEvent> m_queue;
  unsigned long m_flushed_request = 0;    // the next request's number at the last flush
  unsigned long m_processed_request = 0;  // the last request answered, at the last read
  int64_t m_next_grab_try_ms = -1;

  int m_cursor_count = 0;
  bool m_cursor_hidden = false;
  unsigned long m_blank_cursor = 0;

  bool m_saver_watch = false;
  unsigned long m_saver_window = 0;
  SaverSettings m_saved_saver;
  SaverRequest m_saver_request = SaverRequest::Nothing;
  bool m_saver_command_sent = false;
  int64_t m_last_idle_ms = 0;
  int64_t m_next_saver_check_ms = -1;

  // DPMS: watched while a full-screen window is shown, on a server that has it.
  bool m_power_watch = false;
  bool m_dark = false;  // every monitor is powered down: no frame is taken
  int64_t m_next_power_check_ms = -1;

  // Termination signals reach the event loop through a pipe that the wait watches.
  SignalPipe m_signals;
};

}  // namespace vt

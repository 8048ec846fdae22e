#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Geometry.h"
#include "widgets/Input.h"

namespace vt {

using WindowHandle = uint64_t;  // 0 is no window

// What kind of window the widget layer asks for.
enum class WindowKind {
  AppWindow,   // the application's own window: top-level, never shown
  FullScreen,  // borderless, maximised: covers the primary monitor above everything, grabs input
  Popup,       // borderless top-level window at the given bounds
  Child,       // a child of a foreign window (the preview host)
  Dialog,      // a message box: framed, transient for the application's window, centred
};

struct WindowRequest {
  WindowKind kind = WindowKind::Popup;
  std::string title;
  Rect bounds;                   // for Child: relative to the parent's client area
  uint64_t foreign_parent = 0;   // for Child: the host window's id
};

enum class EventType {
  KeyDown,       // key: virtual key; shift
  MouseDown,     // button, x, y (window client coordinates), shift
  MouseUp,       // button, x, y, shift
  MouseMove,     // x, y, shift
  Expose,        // rect: the window needs these pixels again
  Resized,       // width, height: the window's size changed
  CloseRequest,  // the platform asks the window to close
  Destroyed,     // the window is gone (for a child: destroyed with its host)
  SysCommand,    // command: a system command code (0xF140 when the platform's saver would start)
  DisplayLost,   // the connection to the display is broken; the program must end
  // The platform takes the window's frames again, which FrameInUse held back.
  FrameReleased,
  // The screen a full-screen window covers has a new size, place or number of pixels per
  // inch, or is gone while another remains: PrimaryScreen and PixelsPerInch answer for the
  // screen it is to cover now, and a scene laid out for the old one is to be laid out again.
  ScreenChanged,
};

struct InputEvent {
  EventType type = EventType::Expose;
  WindowHandle window = 0;
  int x = 0;
  int y = 0;
  uint16_t key = 0;
  TShiftState shift = 0;
  TMouseButton button = TMouseButton::mbLeft;
  Rect rect;
  int width = 0;
  int height = 0;
  uint32_t command = 0;
};

// The platform under the widget layer: windows, pixels on screen, input, time and a few
// questions about the screen. One object keeps all of a backend's state.
class Backend {
 public:
  virtual ~Backend() = default;

  // Screen
  virtual Rect PrimaryScreen() = 0;  // the primary monitor, in root coordinates
  virtual int PixelsPerInch() = 0;   // logical pixels per inch, vertical

  // Windows
  virtual void SetIcon(const Bitmap32& icon) = 0;  // for every top-level window, now and later
  // Creates a window, hidden. Throws EOSError when it cannot (a foreign parent that names no
  // window, for instance).
  virtual WindowHandle CreateWindow(const WindowRequest& request) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  virtual void ShowWindow(WindowHandle window, bool visible) = 0;
  virtual void SetWindowBounds(WindowHandle window, const Rect& bounds) = 0;
  // Puts the dirty rectangles of a window's frame on the screen; frame is the window's size.
  virtual void Present(WindowHandle window, const Bitmap32& frame,
                       const std::vector<Rect>& dirty) = 0;
  // The memory a window's frame is painted in, lent by a backend that puts pixels on the
  // screen from memory of its own (shared with the display server, say), so that Present
  // copies nothing; nullptr when it lends none, and the widget layer keeps the frame itself.
  // The memory stays the window's, pixels and all, until the next call for that window or
  // the window's end.
  virtual Bitmap32* LendFrame(WindowHandle /*window*/, int /*width*/, int /*height*/) {
    return nullptr;
  }
  // True while the platform takes no new frame of the window: it may still read a lent frame
  // that was presented, it has not shown the last one yet, or no screen shows the window at
  // all (powered down). The widget layer then paints nothing and sends nothing, the ticks of
  // a main form's timers wait, and the backend sends FrameReleased once it takes frames again.
  virtual bool FrameInUse(WindowHandle /*window*/) { return false; }

  // The pointer's display count, starting at 0; the pointer is hidden over every window of
  // the program while it is below 0. Returns the new count.
  virtual int ShowCursor(bool show) = 0;

  // Foreign windows (the preview host). Failures are reported by the result only.
  virtual bool ShowForeignWindow(uint64_t handle) = 0;
  virtual bool GetForeignWindowRect(uint64_t handle, Rect& outer) = 0;

  // The answer to a SysCommand event: 1 when the form handled it. For the platform's own
  // saver (0xF140) a handled command keeps that saver from starting.
  virtual void AnswerSysCommand(WindowHandle window, uint32_t command, intptr_t result) = 0;

  // Time, in milliseconds on a monotonic clock.
  virtual int64_t NowMs() = 0;
  // Waits for the next event until the clock reaches deadline_ms (no limit when negative).
  // Returns nullopt when the deadline passed without an event; a backend on a real clock may
  // end the wait up to a millisecond early, so that ticks falling due within a millisecond of
  // each other run on one wake-up.
  virtual std::optional<InputEvent> WaitEvent(int64_t deadline_ms) = 0;
  // Why the display was lost, for the one line the program ends with; "" when the platform
  // cannot tell.
  virtual std::string LostReason() { return ""; }

  // A saver hosted in a saver daemon's window (host 0: the root window). From then on the
  // screen is the host's area, and the FullScreen window becomes a child covering the host and
  // following its size, with no input, no grab, the pointer and the platform's own saver left
  // alone; error boxes are only reported (as RecordErrorBox says), and the host's destruction
  // is a close request of the application's window. Throws EOSError when host names no window.
  virtual void HostSaver(uint64_t host) { (void)host; }

  // Error boxes. A backend that cannot show one (the headless one) records the report and
  // returns true, and the widget layer then goes on as if the box was dismissed at once.
  virtual bool RecordErrorBox(const std::string& title, const std::string& text) = 0;

  // The full-screen saver's claim to the session: false when another saver of this program
  // already shows in it, so that two idle periods never pile savers up. A platform that
  // never starts two (Windows, the X saver daemons) keeps the default.
  virtual bool ClaimSaver() { return true; }

  // Platforms whose own modal loops run out of reach of WaitEvent (Windows). The defaults
  // suit every other backend.
  //
  // Shows the platform's own message box (an error icon and OK; owner 0 for none) and returns
  // true once it is dismissed; false when the platform has none, and the widget layer then
  // draws its own. While the box's loop runs, the backend calls run_due_timers whenever a
  // tick may be due; it runs the due ticks, repaints, and returns the clock time of the next
  // tick (negative when no timer runs).
  virtual bool ShowMessageBox(WindowHandle /*owner*/, const std::string& /*title*/,
                              const std::string& /*text*/,
                              const std::function<int64_t()>& /*run_due_timers*/) {
    return false;
  }
  // Events that the platform wants answered before WaitEvent could return them (a system
  // command waits for its answer) are handed to dispatch at once. nullptr: none.
  virtual void SetImmediateDispatch(std::function<void(const InputEvent&)> /*dispatch*/) {}
};

}  // namespace vt

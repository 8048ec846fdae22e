// The X11 backend's input:
// - X events translated into the widget layer's input events (virtual keys, mouse buttons,
//   exposures, size changes, close requests, windows destroyed from outside);
// - the keyboard and pointer grabs of the full-screen window, retried from a timer;
// - the pointer's display count, hiding it with XFixes and an empty cursor.
#include "widgets/x11/X11Backend.h"
// Xlib only after the backend's header: its macro Expose would hide EventType::Expose.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>

#include "widgets/linux/XkbKeySyms.h"
#include "widgets/x11/X11ErrorTrap.h"
#include "widgets/x11/X11FrameImage.h"
#include "widgets/x11/X11Keys.h"

// X's event type Expose is a macro that would hide EventType::Expose.
constexpr int kExposeEvent = Expose;
#undef Expose

namespace vt {

namespace {

constexpr unsigned kGrabPointerMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
constexpr int64_t kGrabRetryMs = 100;
constexpr int64_t kGrabGiveUpMs = 5000;

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

void X11Backend::HandleEvent(XEvent& event) {
  // Input powers the monitors up: the frames may be taken again.
  if (m_dark) CheckPower(NowMs());
  if (HandleServerSaverEvent(event)) return;
  if (m_host && event.xany.window == *m_host) {
    if (event.type == ConfigureNotify) {
      FollowHost(event.xconfigure.width, event.xconfigure.height);
    } else if (event.type == DestroyNotify && m_app_window) {
      // The daemon took its window away: nothing is left to draw into.
      InputEvent out;
      out.type = EventType::CloseRequest;
      out.window = m_app_window;
      Push(out);
    }
    return;
  }
  if (HandleScreenEvent(event)) return;
  RetargetCoverInput(event);
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
      out.key = XkbKeySyms::VirtualKey(uint32_t(keysym));
      out.shift = X11Keys::ShiftState(event.xkey.state) | XkbKeySyms::OwnShiftFlag(out.key);
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
        Rect exposed = state.pending_expose;
        state.pending_expose = {};
        if (AnswerExpose(window, state, exposed)) break;
        out.type = EventType::Expose;
        out.rect = exposed;
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

void X11Backend::RetargetCoverInput(XEvent& event) const {
  auto cover = m_covers.find(event.xany.window);
  if (cover == m_covers.end()) return;
  // Key, button and motion events have the window and position at the same names.
  auto retarget = [&cover](auto& input) {
    input.window = cover->second.owner;
    input.x += cover->second.offset.x;
    input.y += cover->second.offset.y;
  };
  if (event.type == KeyPress) retarget(event.xkey);
  if (event.type == ButtonPress || event.type == ButtonRelease) retarget(event.xbutton);
  if (event.type == MotionNotify) retarget(event.xmotion);
}

void X11Backend::BeginGrab(Window window, WindowState& state) {
  state.grab_give_up_ms = NowMs() + kGrabGiveUpMs;
  TryGrab(window, state);
}

void X11Backend::Ungrab(WindowState& state) {
  if (state.keyboard_grabbed) XUngrabKeyboard(m_display, CurrentTime);
  if (state.pointer_grabbed) XUngrabPointer(m_display, CurrentTime);
  state.keyboard_grabbed = false;
  state.pointer_grabbed = false;
}

// ---- Pointer ----

int X11Backend::ShowCursor(bool show) {
  m_cursor_count += show ? 1 : -1;
  bool hide = m_cursor_count < 0;
  // The daemon hosting the saver looks after the pointer.
  if (hide != m_cursor_hidden && !m_host) {
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
  auto apply = [this](Window window) {
    if (m_cursor_hidden) {
      XDefineCursor(m_display, window, m_blank_cursor);
    } else {
      XUndefineCursor(m_display, window);
    }
  };
  for (const auto& entry : m_covers) apply(entry.first);
  for (const auto& [window, state] : m_windows) {
    apply(window);
    if (state.pointer_grabbed) {
      XChangeActivePointerGrab(m_display, kGrabPointerMask, m_cursor_hidden ? m_blank_cursor : None,
                               CurrentTime);
    }
  }
  XFlush(m_display);
}

}  // namespace vt

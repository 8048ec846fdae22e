// The X11 backend's pixels:
// - each window's frame lent to the widget layer in memory shared with the server (MIT-SHM,
//   see X11FrameImage), its dirty rectangles put on the screen straight from there;
// - the puts of shared frames and their completion events on a connection of their own,
//   read when the next frame is due, so that a completion never wakes the program;
// - XPutImage from the widget layer's own frame where shared memory fails;
// - an exposed area put back from the shared frame, which holds the whole picture once it has
//   been presented: the widget layer paints nothing for it (it would paint every pixel of a
//   window just mapped a second time);
// - no frame taken while the monitors are dark (see X11Power.cpp).
#include "widgets/x11/X11Backend.h"
// Xlib only after the backend's header: its macro Expose would hide EventType::Expose.
#include <X11/Xlib.h>

#include "widgets/x11/X11ErrorTrap.h"
#include "widgets/x11/X11FrameImage.h"

namespace vt {

Bitmap32* X11Backend::LendFrame(WindowHandle handle, int width, int height) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end() || width <= 0 || height <= 0 || !OpenFrameConnection()) {
    return nullptr;
  }
  WindowState& state = it->second;
  // The widget layer paints all of the memory it is lent before it presents it.
  state.presented = false;
  if (state.image) {
    Bitmap32* frame = state.image->Frame();
    if (frame && frame->Width() == width && frame->Height() == height) return frame;
  }
  state.image.reset();
  state.repaint_waits = false;
  const int screen = DefaultScreen(m_frame_display);
  auto image =
      std::make_unique<X11FrameImage>(m_frame_display, DefaultVisual(m_frame_display, screen),
                                      DefaultDepth(m_frame_display, screen), width, height);
  if (!image->Frame()) {
    // A server that refuses our memory, or our layout, refuses it for every window.
    m_use_shared_memory = false;
    return nullptr;
  }
  // A window inside somebody else's goes whenever that one goes, puts on their way and all.
  if (state.kind == WindowKind::Child || m_host) {
    X11ErrorTrap::ExpectErrorsAbout(m_frame_display, it->first);
  }
  state.image = std::move(image);
  return state.image->Frame();
}

bool X11Backend::FrameInUse(WindowHandle handle) {
  // Nobody would see a frame: none is taken until the monitors light up (FrameReleased).
  if (m_dark) return true;
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end() || !it->second.image || !it->second.image->InUse()) return false;
  // The completion of the last frame has come long ago, as a rule; it only has to be read.
  TakeCompletions();
  WindowState& state = it->second;
  state.repaint_waits = state.image->InUse();
  return state.repaint_waits;
}

void X11Backend::Present(WindowHandle handle, const Bitmap32& frame,
                         const std::vector<Rect>& dirty) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end() || frame.IsEmpty()) return;
  std::vector<Rect> rects;
  for (const Rect& r : dirty) {
    Rect clipped = r.Intersected(frame.Bounds());
    if (!clipped.IsEmpty()) rects.push_back(clipped);
  }
  if (rects.empty()) return;
  WindowState& state = it->second;
  if (state.image && state.image->Holds(frame)) {
    state.image->Put(it->first, m_frame_gc, rects);
    XFlush(m_frame_display);
    state.presented = true;
    return;
  }
  X11FrameImage::PutPlain(m_display, DefaultVisual(m_display, m_screen),
                          DefaultDepth(m_display, m_screen), it->first, m_gc, frame, rects);
  XFlush(m_display);
}

bool X11Backend::AnswerExpose(Window window, WindowState& state, const Rect& area) {
  Bitmap32* frame = state.image ? state.image->Frame() : nullptr;
  if (!state.presented || !frame) return false;
  // The memory is not written while a put reads it, so it holds a whole frame even then.
  Rect inside = area.Intersected(frame->Bounds());
  if (!inside.IsEmpty()) {
    state.image->Put(window, m_frame_gc, {inside});
    XFlush(m_frame_display);
  }
  return true;
}

void X11Backend::TakeCompletions() {
  if (!m_frame_display) return;
  // One read of the connection; its events are handled without reading it again.
  for (int queued = XEventsQueued(m_frame_display, QueuedAfterReading); queued > 0; --queued) {
    XEvent event;
    XNextEvent(m_frame_display, &event);
    if (event.type != m_completion_event) continue;
    const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
    auto it = m_windows.find(done.drawable);
    if (it == m_windows.end() || !it->second.image || !it->second.image->Complete(done)) continue;
    if (!it->second.repaint_waits) continue;
    it->second.repaint_waits = false;
    InputEvent released;
    released.type = EventType::FrameReleased;
    released.window = it->first;
    Push(released);
  }
}

bool X11Backend::RepaintWaits() const {
  for (const auto& entry : m_windows) {
    if (entry.second.repaint_waits) return true;
  }
  return false;
}

bool X11Backend::UsesSharedMemory(WindowHandle handle) const {
  auto it = m_windows.find(AsWindow(handle));
  return it != m_windows.end() && it->second.image && it->second.image->Frame();
}

}  // namespace vt

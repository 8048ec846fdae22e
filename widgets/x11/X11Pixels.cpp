// The X11 backend's pixels: the dirty rectangles of a window's frame put on the screen through
// MIT-SHM, or through XPutImage where shared memory fails (see X11FrameImage).
#include "widgets/x11/X11Backend.h"
// Xlib only after the backend's header: its macro Expose would hide EventType::Expose.
#include <X11/Xlib.h>

#include "widgets/x11/X11FrameImage.h"

namespace vt {

void X11Backend::Present(WindowHandle handle, const Bitmap32& frame,
                         const std::vector<Rect>& dirty) {
  auto it = m_windows.find(AsWindow(handle));
  if (it == m_windows.end() || frame.IsEmpty()) return;
  WindowState& state = it->second;
  if (!state.image) {
    state.image =
        std::make_unique<X11FrameImage>(m_display, DefaultVisual(m_display, m_screen),
                                        DefaultDepth(m_display, m_screen), m_use_shared_memory);
  }
  state.image->Put(it->first, m_gc, frame, dirty);
  // A server that refused our memory once will refuse it for every window.
  if (m_use_shared_memory && !state.image->UsesSharedMemory()) m_use_shared_memory = false;
  XFlush(m_display);
}

bool X11Backend::UsesSharedMemory(WindowHandle handle) const {
  auto it = m_windows.find(AsWindow(handle));
  return it != m_windows.end() && it->second.image && it->second.image->UsesSharedMemory();
}

}  // namespace vt

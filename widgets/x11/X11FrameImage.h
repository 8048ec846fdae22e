#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Geometry.h"

namespace vt {

// A window's frame in memory shared with the X server (MIT-SHM): the widget layer paints into
// it and the server reads the dirty rectangles from it, so that no pixel is copied on the way.
// The server reads when it handles a put, some time after the put is made: the last put of a
// frame asks for a completion event, and until that comes the memory is in use and must not
// be written. Only for a server whose pixels have the frame's own 32-bit layout.
//
// Without shared memory, PutPlain sends the pixels in the requests themselves, converting
// them where the server's layout differs (16-bit, for instance).
class X11FrameImage {
 public:
  // Makes a frame of width x height in a segment attached on display; Frame() is nullptr when
  // that fails (the server cannot reach our memory, or its layout is not the frame's).
  X11FrameImage(Display* display, Visual* visual, int depth, int width, int height);
  ~X11FrameImage();
  X11FrameImage(const X11FrameImage&) = delete;
  X11FrameImage& operator=(const X11FrameImage&) = delete;

  Bitmap32* Frame() { return m_image ? &m_frame : nullptr; }
  bool Holds(const Bitmap32& frame) const { return m_image && frame.Data() == m_frame.Data(); }
  // Sends rectangles of the frame (inside it) to the same place in drawable. Does not flush.
  void Put(Drawable drawable, GC gc, const std::vector<Rect>& rects);
  bool InUse() const { return m_in_use; }
  // Takes a completion event of the display; true when it ends this frame's use.
  bool Complete(const XShmCompletionEvent& event);

  // Sends rectangles of frame (inside it) to the same place in drawable, in the requests
  // themselves. Does not flush.
  static void PutPlain(Display* display, Visual* visual, int depth, Drawable drawable, GC gc,
                       const Bitmap32& frame, const std::vector<Rect>& rects);

 private:
  void Release();

  Display* m_display;
  XImage* m_image = nullptr;
  XShmSegmentInfo m_shm_info{};  // the image keeps a pointer to it
  Bitmap32 m_frame;              // over the segment
  bool m_in_use = false;
};

}  // namespace vt

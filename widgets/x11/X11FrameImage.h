#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Geometry.h"

namespace vt {

// Puts rectangles of a window's frame (0x00RRGGBB pixels) on the screen. It keeps one
// MIT-SHM image per window when shared memory is allowed and works, and otherwise sends the
// pixels in the requests themselves. Frames in the server's own 32-bit layout are copied row
// by row; any other TrueColor layout (16-bit, for instance) is converted pixel by pixel.
class X11FrameImage {
 public:
  X11FrameImage(Display* display, Visual* visual, int depth, bool try_shared_memory);
  ~X11FrameImage();
  X11FrameImage(const X11FrameImage&) = delete;
  X11FrameImage& operator=(const X11FrameImage&) = delete;

  // Sends the dirty rectangles of frame, clipped to it, to the same place in the drawable.
  // Does not flush.
  void Put(Drawable drawable, GC gc, const Bitmap32& frame, const std::vector<Rect>& dirty);
  // Whether the last Put went through shared memory.
  bool UsesSharedMemory() const { return m_shm_image != nullptr; }

 private:
  bool EnsureSharedImage(int width, int height);
  void ReleaseSharedImage();
  void PutShared(Drawable drawable, GC gc, const Bitmap32& frame, const std::vector<Rect>& rects);
  void PutPlain(Drawable drawable, GC gc, const Bitmap32& frame, const std::vector<Rect>& rects);
  // Whether pixels of image can be copied from a frame without conversion.
  bool IsDirect(const XImage* image) const;
  // Writes the rectangle r of frame into image at (x, y).
  void Store(XImage* image, int x, int y, const Bitmap32& frame, const Rect& r) const;
  unsigned long Convert(uint32_t rgb) const;

  Display* m_display;
  Visual* m_visual;
  int m_depth;
  bool m_try_shared_memory;
  XImage* m_shm_image = nullptr;
  XShmSegmentInfo m_shm_info{};
  // A put from the segment may not have been read by the server yet.
  bool m_shm_busy = false;
  std::vector<char> m_buffer;
};

}  // namespace vt

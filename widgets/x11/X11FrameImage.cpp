#include "widgets/x11/X11FrameImage.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "widgets/x11/X11ErrorTrap.h"

namespace vt {

namespace {

constexpr int kNativeByteOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

// Scales an 8-bit channel to the bits of a visual's mask.
unsigned long Channel(uint32_t value8, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  unsigned long v = bits <= 8 ? (value8 >> (8 - bits)) : (value8 << (bits - 8));
  return (v << shift) & mask;
}

}  // namespace

X11FrameImage::X11FrameImage(Display* display, Visual* visual, int depth, bool try_shared_memory)
    : m_display(display),
      m_visual(visual),
      m_depth(depth),
      m_try_shared_memory(try_shared_memory) {}

X11FrameImage::~X11FrameImage() {
  ReleaseSharedImage();
}

void X11FrameImage::Put(Drawable drawable, GC gc, const Bitmap32& frame,
                        const std::vector<Rect>& dirty) {
  // Only TrueColor-like visuals can show the frame; elsewhere the window stays as it is.
  if (m_visual->c_class != TrueColor && m_visual->c_class != DirectColor) return;
  std::vector<Rect> rects;
  for (const Rect& r : dirty) {
    Rect clipped = r.Intersected(frame.Bounds());
    if (!clipped.IsEmpty()) rects.push_back(clipped);
  }
  if (rects.empty()) return;
  if (m_try_shared_memory && EnsureSharedImage(frame.Width(), frame.Height())) {
    PutShared(drawable, gc, frame, rects);
  } else {
    PutPlain(drawable, gc, frame, rects);
  }
}

bool X11FrameImage::EnsureSharedImage(int width, int height) {
  if (m_shm_image && m_shm_image->width >= width && m_shm_image->height >= height) return true;
  // Discard the segment when this frame shows it must grow.
  if (m_shm_image) {
    width = std::max(width, m_shm_image->width);
    height = std::max(height, m_shm_image->height);
    ReleaseSharedImage();
  }
  // The image keeps a pointer to the segment's description: it must be the member.
  XShmSegmentInfo& info = m_shm_info;
  info = {};
  XImage* image = XShmCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, nullptr, &info,
                                  unsigned(width), unsigned(height));
  if (!image) {
    m_try_shared_memory = false;
    return false;
  }
  info.shmid =
      shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(image->height), IPC_CREAT | 0600);
  if (info.shmid < 0) {
    XDestroyImage(image);
    m_try_shared_memory = false;
    return false;
  }
  info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
  if (info.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(info.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    m_try_shared_memory = false;
    return false;
  }
  image->data = info.shmaddr;
  info.readOnly = False;
  int error = 0;
  {
    X11ErrorTrap trap(m_display);
    XShmAttach(m_display, &info);
    error = trap.Finish();
  }
  // Marked for removal at once: the segment then goes away with the last attachment, even
  // if the program dies.
  shmctl(info.shmid, IPC_RMID, nullptr);
  if (error != 0) {
    // The server cannot reach our memory (another host or another namespace).
    shmdt(info.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    info = {};
    m_try_shared_memory = false;
    return false;
  }
  m_shm_image = image;
  m_shm_busy = false;
  return true;
}

void X11FrameImage::ReleaseSharedImage() {
  if (!m_shm_image) return;
  XShmDetach(m_display, &m_shm_info);
  shmdt(m_shm_info.shmaddr);
  m_shm_image->data = nullptr;
  XDestroyImage(m_shm_image);
  m_shm_image = nullptr;
  m_shm_info = {};
  m_shm_busy = false;
}

void X11FrameImage::PutShared(Drawable drawable, GC gc, const Bitmap32& frame,
                              const std::vector<Rect>& rects) {
  // The server reads the segment when it handles the put; wait for it before writing again.
  if (m_shm_busy) XSync(m_display, False);
  for (const Rect& r : rects) {
    Store(m_shm_image, r.left, r.top, frame, r);
    XShmPutImage(m_display, drawable, gc, m_shm_image, r.left, r.top, r.left, r.top,
                 unsigned(r.width), unsigned(r.height), False);
  }
  m_shm_busy = true;
}

void X11FrameImage::PutPlain(Drawable drawable, GC gc, const Bitmap32& frame,
                             const std::vector<Rect>& rects) {
  // XPutImage copies the pixels into the request before it returns, so the frame itself can
  // be wrapped when its layout is the server's.
  XImage* wrapper =
      XCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, 0,
                   const_cast<char*>(reinterpret_cast<const char*>(frame.Data())),
                   unsigned(frame.Width()), unsigned(frame.Height()), 32, frame.Width() * 4);
  if (wrapper) {
    // Xlib swaps the bytes on the way when the server's order differs from ours.
    wrapper->byte_order = kNativeByteOrder;
    if (wrapper->bits_per_pixel == 32 && IsDirect(wrapper)) {
      for (const Rect& r : rects) {
        XPutImage(m_display, drawable, gc, wrapper, r.left, r.top, r.left, r.top, unsigned(r.width),
                  unsigned(r.height));
      }
      wrapper->data = nullptr;
      XDestroyImage(wrapper);
      return;
    }
    wrapper->data = nullptr;
    XDestroyImage(wrapper);
  }
  for (const Rect& r : rects) {
    XImage* image = XCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, 0, nullptr,
                                 unsigned(r.width), unsigned(r.height), 32, 0);
    if (!image) return;
    m_buffer.resize(size_t(image->bytes_per_line) * size_t(r.height));
    image->data = m_buffer.data();
    Store(image, 0, 0, frame, r);
    XPutImage(m_display, drawable, gc, image, 0, 0, r.left, r.top, unsigned(r.width),
              unsigned(r.height));
    image->data = nullptr;
    XDestroyImage(image);
  }
}

bool X11FrameImage::IsDirect(const XImage* image) const {
  return image->bits_per_pixel == 32 && image->byte_order == kNativeByteOrder &&
         m_visual->red_mask == 0xFF0000 && m_visual->green_mask == 0x00FF00 &&
         m_visual->blue_mask == 0x0000FF;
}

void X11FrameImage::Store(XImage* image, int x, int y, const Bitmap32& frame, const Rect& r) const {
  if (IsDirect(image)) {
    for (int row = 0; row < r.height; ++row) {
      char* dst = image->data + size_t(y + row) * size_t(image->bytes_per_line) + size_t(x) * 4;
      std::memcpy(dst, frame.Row(r.top + row) + r.left, size_t(r.width) * 4);
    }
    return;
  }
  for (int row = 0; row < r.height; ++row) {
    const uint32_t* src = frame.Row(r.top + row) + r.left;
    for (int col = 0; col < r.width; ++col) {
      XPutPixel(image, x + col, y + row, Convert(src[col]));
    }
  }
}

unsigned long X11FrameImage::Convert(uint32_t rgb) const {
  return Channel((rgb >> 16) & 0xFF, m_visual->red_mask) |
         Channel((rgb >> 8) & 0xFF, m_visual->green_mask) |
         Channel(rgb & 0xFF, m_visual->blue_mask);
}

}  // namespace vt

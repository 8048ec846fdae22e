#include "widgets/x11/X11FrameImage.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>

#include "widgets/x11/X11ErrorTrap.h"

namespace vt {

namespace {

constexpr int kNativeByteOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

// Whether the server takes pixels of image as the frame holds them.
bool IsDirect(const XImage* image, const Visual* visual) {
  return image->bits_per_pixel == 32 && image->byte_order == kNativeByteOrder &&
         visual->red_mask == 0xFF0000 && visual->green_mask == 0x00FF00 &&
         visual->blue_mask == 0x0000FF;
}

// Scales an 8-bit channel to the bits of a visual's mask.
unsigned long Channel(uint32_t value8, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  unsigned long v = bits <= 8 ? (value8 >> (8 - bits)) : (value8 << (bits - 8));
  return (v << shift) & mask;
}

unsigned long Convert(uint32_t rgb, const Visual* visual) {
  return Channel((rgb >> 16) & 0xFF, visual->red_mask) |
         Channel((rgb >> 8) & 0xFF, visual->green_mask) | Channel(rgb & 0xFF, visual->blue_mask);
}

}  // namespace

X11FrameImage::X11FrameImage(Display* display, Visual* visual, int depth, int width, int height)
    : m_display(display) {
  XShmSegmentInfo& info = m_shm_info;
  XImage* image = XShmCreateImage(m_display, visual, unsigned(depth), ZPixmap, nullptr, &info,
                                  unsigned(width), unsigned(height));
  if (!image) return;
  // The frame's rows follow one another without a gap: 32 bits a pixel, no padding.
  if (!IsDirect(image, visual) || image->bytes_per_line != width * 4) {
    XDestroyImage(image);
    return;
  }
  info.shmid =
      shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(image->height), IPC_CREAT | 0600);
  if (info.shmid < 0) {
    XDestroyImage(image);
    return;
  }
  info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
  if (info.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(info.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    return;
  }
  image->data = info.shmaddr;
  info.readOnly = True;
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
    return;
  }
  m_image = image;
  m_frame = Bitmap32(reinterpret_cast<uint32_t*>(info.shmaddr), width, height);
}

X11FrameImage::~X11FrameImage() {
  if (!m_image) return;
  // The server handles the detach after every put made before it, so a put on its way still
  // reads the segment through the server's own attachment. It must have reached the window
  // before the window goes, though, or it fails.
  XShmDetach(m_display, &m_shm_info);
  if (m_in_use) {
    XSync(m_display, False);
  } else {
    XFlush(m_display);
  }
  shmdt(m_shm_info.shmaddr);
  m_image->data = nullptr;
  XDestroyImage(m_image);
}

void X11FrameImage::Put(Drawable drawable, GC gc, const std::vector<Rect>& rects) {
  if (!m_image || rects.empty()) return;
  // The server handles the puts in order: the completion of the last one ends them all.
  for (size_t i = 0; i < rects.size(); ++i) {
    const Rect& r = rects[i];
    XShmPutImage(m_display, drawable, gc, m_image, r.left, r.top, r.left, r.top, unsigned(r.width),
                 unsigned(r.height), i + 1 == rects.size() ? True : False);
  }
  m_in_use = true;
}

bool X11FrameImage::Complete(const XShmCompletionEvent& event) {
  if (!m_image || !m_in_use || event.shmseg != m_shm_info.shmseg) return false;
  m_in_use = false;
  return true;
}

void X11FrameImage::PutPlain(Display* display, Visual* visual, int depth, Drawable drawable, GC gc,
                             const Bitmap32& frame, const std::vector<Rect>& rects) {
  // Only TrueColor-like visuals can show the frame; elsewhere the window stays as it is.
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return;
  // XPutImage copies the pixels into the request before it returns, so the frame itself can
  // be wrapped; Xlib swaps the bytes on the way when the server's order differs from ours.
  XImage* wrapper =
      XCreateImage(display, visual, unsigned(depth), ZPixmap, 0,
                   const_cast<char*>(reinterpret_cast<const char*>(frame.Data())),
                   unsigned(frame.Width()), unsigned(frame.Height()), 32, frame.Width() * 4);
  if (!wrapper) return;
  wrapper->byte_order = kNativeByteOrder;
  const bool direct = IsDirect(wrapper, visual);
  if (direct) {
    for (const Rect& r : rects) {
      XPutImage(display, drawable, gc, wrapper, r.left, r.top, r.left, r.top, unsigned(r.width),
                unsigned(r.height));
    }
  }
  wrapper->data = nullptr;
  XDestroyImage(wrapper);
  if (direct) return;
  // Any other TrueColor layout gets each pixel converted.
  std::vector<char> buffer;
  for (const Rect& r : rects) {
    XImage* image = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, nullptr,
                                 unsigned(r.width), unsigned(r.height), 32, 0);
    if (!image) return;
    buffer.resize(size_t(image->bytes_per_line) * size_t(r.height));
    image->data = buffer.data();
    for (int row = 0; row < r.height; ++row) {
      const uint32_t* src = frame.Row(r.top + row) + r.left;
      for (int col = 0; col < r.width; ++col) XPutPixel(image, col, row, Convert(src[col], visual));
    }
    XPutImage(display, drawable, gc, image, 0, 0, r.left, r.top, unsigned(r.width),
              unsigned(r.height));
    image->data = nullptr;
    XDestroyImage(image);
  }
}

}  // namespace vt

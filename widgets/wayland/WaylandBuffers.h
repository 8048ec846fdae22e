#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Geometry.h"

struct wl_buffer;
struct wl_shm;

namespace vt {

// The shared-memory buffers of one surface, at most two, in the compositor's XRGB8888 layout
// (the frame's own). A frame is drawn only into a buffer that the compositor has released;
// whatever changed since that buffer was last drawn is copied into it too, so that a buffer
// always holds the whole frame when it is attached. When the compositor holds both, the
// frame's changes wait: once a buffer comes back, the callback asks for them again.
class WaylandBuffers {
 public:
  struct Buffer {
    WaylandBuffers* owner = nullptr;
    wl_buffer* buffer = nullptr;  // nullptr without a compositor
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool busy = false;        // attached, and not released by the compositor yet
    std::vector<Rect> stale;  // where it differs from the last frame drawn
  };

  // shm nullptr: buffers in memory only, for use without a compositor. missed_released: a
  // buffer came back after frames that found none, with the area those frames changed.
  WaylandBuffers(wl_shm* shm, std::function<void(const Rect&)> missed_released);
  ~WaylandBuffers();
  WaylandBuffers(const WaylandBuffers&) = delete;
  WaylandBuffers& operator=(const WaylandBuffers&) = delete;

  // Brings a released buffer up to date with frame, whose dirty rectangles changed since the
  // last call, and marks it busy: the caller attaches it and commits. *damage gets what
  // differs from the buffer attached before. nullptr when the compositor holds every buffer.
  Buffer* Draw(const Bitmap32& frame, const std::vector<Rect>& dirty, std::vector<Rect>* damage);
  // The compositor's release of a buffer.
  void Released(Buffer& buffer);

  // A black buffer of the given size, for a surface that shows nothing else.
  static wl_buffer* Black(wl_shm* shm, int width, int height);

  int Count() const { return int(m_buffers.size()); }
  const Buffer& At(int index) const { return *m_buffers[size_t(index)]; }

 private:
  static constexpr int kMaxBuffers = 2;

  bool Allocate(int width, int height);
  void Destroy(Buffer& buffer);
  static void AddStale(Buffer& buffer, const Rect& area);

  wl_shm* m_shm;
  std::function<void(const Rect&)> m_missed_released;
  std::vector<std::unique_ptr<Buffer>> m_buffers;
  Rect m_missed;  // what frames that found no buffer changed
};

}  // namespace vt

// The Wayland backend's shared-memory buffers: frames in memory files shared with the
// compositor, reused only after the compositor has released them.
#include "widgets/wayland/WaylandBuffers.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace vt {

namespace {

// The byte XRGB8888 leaves unused, set: tools that read a buffer back as ARGB (screenshots,
// recorders) see an opaque picture.
constexpr uint32_t kOpaque = 0xff000000;

// More rectangles than this in a buffer's stale list are merged into one.
constexpr size_t kMaxStaleRects = 16;

void OnBufferRelease(void* data, wl_buffer* /*buffer*/) {
  auto* buffer = static_cast<WaylandBuffers::Buffer*>(data);
  buffer->owner->Released(*buffer);
}

constexpr wl_buffer_listener kBufferListener = {OnBufferRelease};

size_t ByteSize(int width, int height) {
  return size_t(width) * size_t(height) * sizeof(uint32_t);
}

}  // namespace

WaylandBuffers::WaylandBuffers(wl_shm* shm, std::function<void(const Rect&)> missed_released)
    : m_shm(shm), m_missed_released(std::move(missed_released)) {}

WaylandBuffers::~WaylandBuffers() {
  for (auto& buffer : m_buffers) Destroy(*buffer);
}

bool WaylandBuffers::Allocate(int width, int height) {
  const size_t size = ByteSize(width, height);
  int fd = memfd_create("vantorel-frame", MFD_CLOEXEC);
  if (fd < 0) return false;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, off_t(size)) == 0) {
    memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (memory == MAP_FAILED) {
    close(fd);
    return false;
  }
  auto buffer = std::make_unique<Buffer>();
  buffer->owner = this;
  buffer->pixels = static_cast<uint32_t*>(memory);
  buffer->width = width;
  buffer->height = height;
  buffer->stale.push_back({0, 0, width, height});
  if (m_shm) {
    wl_shm_pool* pool = wl_shm_create_pool(m_shm, fd, int32_t(size));
    buffer->buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    wl_buffer_add_listener(buffer->buffer, &kBufferListener, buffer.get());
  }
  close(fd);
  m_buffers.push_back(std::move(buffer));
  return true;
}

wl_buffer* WaylandBuffers::Black(wl_shm* shm, int width, int height) {
  const size_t size = ByteSize(width, height);
  int fd = memfd_create("vantorel-black", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  wl_buffer* buffer = nullptr;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, off_t(size)) == 0) {
    memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (memory != MAP_FAILED) {
    auto* pixels = static_cast<uint32_t*>(memory);
    std::fill(pixels, pixels + size / sizeof(uint32_t), kOpaque);
    munmap(memory, size);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(size));
    buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
  }
  close(fd);
  return buffer;
}

void WaylandBuffers::Destroy(Buffer& buffer) {
  // The compositor keeps what it needs of a buffer it still shows.
  if (buffer.buffer) wl_buffer_destroy(buffer.buffer);
  munmap(buffer.pixels, ByteSize(buffer.width, buffer.height));
  buffer.buffer = nullptr;
  buffer.pixels = nullptr;
}

void WaylandBuffers::AddStale(Buffer& buffer, const Rect& area) {
  if (area.IsEmpty()) return;
  for (const Rect& stale : buffer.stale) {
    if (stale.Contains(area)) return;
  }
  if (buffer.stale.size() < kMaxStaleRects) {
    buffer.stale.push_back(area);
    return;
  }
  Rect all = area;
  for (const Rect& stale : buffer.stale) all = all.United(stale);
  buffer.stale = {all};
}

WaylandBuffers::Buffer* WaylandBuffers::Draw(const Bitmap32& frame, const std::vector<Rect>& dirty,
                                             std::vector<Rect>* damage) {
  if (frame.IsEmpty()) return nullptr;
  if (!m_buffers.empty() &&
      (m_buffers[0]->width != frame.Width() || m_buffers[0]->height != frame.Height())) {
    for (auto& buffer : m_buffers) Destroy(*buffer);
    m_buffers.clear();
    m_missed = {};
  }
  std::vector<Rect> changed;
  for (const Rect& rect : dirty) {
    Rect area = rect.Intersected(frame.Bounds());
    if (area.IsEmpty()) continue;
    changed.push_back(area);
    for (auto& buffer : m_buffers) AddStale(*buffer, area);
  }

  Buffer* chosen = nullptr;
  for (auto& buffer : m_buffers) {
    if (!buffer->busy) {
      chosen = buffer.get();
      break;
    }
  }
  if (!chosen && Count() < kMaxBuffers && Allocate(frame.Width(), frame.Height())) {
    chosen = m_buffers.back().get();
  }
  if (!chosen) {
    for (const Rect& area : changed) m_missed = m_missed.United(area);
    return nullptr;
  }

  for (const Rect& area : chosen->stale) {
    for (int y = area.top; y < area.Bottom(); ++y) {
      const uint32_t* from = frame.Row(y) + area.left;
      uint32_t* to = chosen->pixels + size_t(y) * size_t(chosen->width) + size_t(area.left);
      for (int x = 0; x < area.width; ++x) to[x] = from[x] | kOpaque;
    }
  }
  chosen->stale.clear();
  chosen->busy = true;
  if (damage) {
    *damage = changed;
    if (!m_missed.IsEmpty()) damage->push_back(m_missed);
  }
  m_missed = {};
  return chosen;
}

void WaylandBuffers::Released(Buffer& buffer) {
  buffer.busy = false;
  if (m_missed.IsEmpty() || !m_missed_released) return;
  Rect missed = m_missed;
  m_missed = {};
  m_missed_released(missed);
}

}  // namespace vt

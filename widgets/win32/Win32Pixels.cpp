// The Win32 backend's pixels:
// - each window's last frame in a top-down 32-bit DIB section (the frame's own 0x00RRGGBB
//   layout), so that WM_PAINT is answered without the widget layer
// - Present: only the dirty rectangles copied into it and put on the screen with BitBlt
// - WM_PAINT: the invalid rectangle from it
#include <algorithm>
#include <cstring>

#include "widgets/win32/Win32Api.h"
#include "widgets/win32/Win32Backend.h"

namespace vt {

void Win32Backend::Present(WindowHandle handle, const Bitmap32& frame,
                           const std::vector<Rect>& dirty) {
  HWND window = reinterpret_cast<HWND>(uintptr_t(handle));
  auto found = m_windows.find(window);
  if (found == m_windows.end() || frame.IsEmpty()) return;
  Surface& surface = found->second.surface;
  std::vector<Rect> rects;
  if (surface.width != frame.Width() || surface.height != frame.Height()) {
    // A new size: the whole frame, whatever is dirty.
    if (!ResizeSurface(surface, frame.Width(), frame.Height())) return;
    rects.push_back(frame.Bounds());
  } else {
    for (const Rect& rect : dirty) {
      Rect inside = rect.Intersected(frame.Bounds());
      if (!inside.IsEmpty()) rects.push_back(inside);
    }
  }
  if (rects.empty()) return;
  HDC dc = GetDC(window);
  for (const Rect& rect : rects) {
    CopyToSurface(surface, frame, rect);
    BitBlt(dc, rect.left, rect.top, rect.width, rect.height, surface.dc, rect.left, rect.top,
           SRCCOPY);
  }
  ReleaseDC(window, dc);
}

void Win32Backend::Paint(HWND window, WindowState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const RECT& area = paint.rcPaint;
  if (state.surface.dc != nullptr) {
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
           state.surface.dc, area.left, area.top, SRCCOPY);
  }
  EndPaint(window, &paint);
}

void Win32Backend::CopyToSurface(Surface& surface, const Bitmap32& frame, const Rect& rect) {
  for (int y = rect.top; y < rect.Bottom(); ++y) {
    std::memcpy(surface.bits + size_t(y) * size_t(surface.width) + size_t(rect.left),
                frame.Row(y) + rect.left, size_t(rect.width) * sizeof(uint32_t));
  }
}

bool Win32Backend::ResizeSurface(Surface& surface, int width, int height) {
  ReleaseSurface(surface);
  void* bits = nullptr;
  HBITMAP bitmap = CreateTopDownBitmap(width, height, &bits);
  if (bitmap == nullptr) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    DeleteObject(bitmap);
    return false;
  }
  SelectObject(dc, bitmap);
  surface = {dc, bitmap, static_cast<uint32_t*>(bits), width, height};
  return true;
}

void Win32Backend::ReleaseSurface(Surface& surface) {
  // Deleting the context first lets go of the bitmap selected into it.
  if (surface.dc != nullptr) DeleteDC(surface.dc);
  if (surface.bitmap != nullptr) DeleteObject(surface.bitmap);
  surface = {};
}

}  // namespace vt

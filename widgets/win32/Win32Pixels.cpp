// The Win32 backend's pixels:
// - each window's frame lent to the widget layer, which paints straight into it
// - Present: only the dirty rectangles put on the screen with SetDIBitsToDevice, from the
//   frame itself (a frame the widget layer keeps on its own is copied in first)
// - WM_PAINT: the invalid rectangle from the same frame, without the widget layer
#include <algorithm>

#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

// Puts a rectangle of frame (inside it) on dc at the same place. The bits handed over are the
// rectangle's rows only, described as a top-down DIB of the frame's width, so that every
// reading of a top-down DIB's origin gives the same rows.
void PutRect(HDC dc, const Bitmap32& frame, const Rect& rect) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = frame.Width();
  info.bmiHeader.biHeight = -rect.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, rect.left, rect.top, DWORD(rect.width), DWORD(rect.height), rect.left, 0, 0,
                    UINT(rect.height), frame.Row(rect.top), &info, DIB_RGB_COLORS);
}

}  // namespace

Bitmap32* Win32Backend::LendFrame(WindowHandle handle, int width, int height) {
  auto found = m_windows.find(reinterpret_cast<HWND>(uintptr_t(handle)));
  if (found == m_windows.end()) return nullptr;
  Bitmap32& frame = found->second.surface.frame;
  if (frame.Width() != width || frame.Height() != height) frame.Resize(width, height);
  return &frame;
}

void Win32Backend::Present(WindowHandle handle, const Bitmap32& frame,
                           const std::vector<Rect>& dirty) {
  HWND window = reinterpret_cast<HWND>(uintptr_t(handle));
  auto found = m_windows.find(window);
  if (found == m_windows.end() || frame.IsEmpty()) return;
  Bitmap32& own = found->second.surface.frame;
  std::vector<Rect> rects;
  for (const Rect& rect : dirty) {
    Rect inside = rect.Intersected(frame.Bounds());
    if (!inside.IsEmpty()) rects.push_back(inside);
  }
  if (&frame != &own && (own.Width() != frame.Width() || own.Height() != frame.Height())) {
    // A frame the widget layer keeps on its own, of a new size: kept whole, to answer
    // WM_PAINT from.
    own = frame;
    rects = {frame.Bounds()};
  } else if (&frame != &own) {
    for (const Rect& rect : rects) {
      for (int y = rect.top; y < rect.Bottom(); ++y) {
        std::copy_n(frame.Row(y) + rect.left, rect.width, own.Row(y) + rect.left);
      }
    }
  }
  if (rects.empty()) return;
  HDC dc = GetDC(window);
  for (const Rect& rect : rects) PutRect(dc, own, rect);
  ReleaseDC(window, dc);
}

void Win32Backend::Paint(HWND window, WindowState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const Bitmap32& frame = state.surface.frame;
  const RECT& area = paint.rcPaint;
  Rect rect = Rect{area.left, area.top, area.right - area.left, area.bottom - area.top}.Intersected(
      frame.Bounds());
  if (!rect.IsEmpty()) PutRect(dc, frame, rect);
  EndPaint(window, &paint);
}

void Win32Backend::ReleaseSurface(Surface& surface) {
  surface = {};
}

}  // namespace vt

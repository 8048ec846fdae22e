// The headless backend: windows as in-memory pictures, a virtual clock, injected input and
// recorded error boxes. Every widget and simulation test runs on it, and so does the
// headless driver.
#include "widgets/headless/HeadlessBackend.h"

#include <algorithm>

#include "widgets/Exceptions.h"

namespace vt {

HeadlessBackend::HeadlessBackend(Size screen, int ppi) : m_screen(screen), m_ppi(ppi) {}

WindowHandle HeadlessBackend::CreateWindow(const WindowRequest& request) {
  if (request.kind == WindowKind::Child && !m_foreign.count(request.foreign_parent)) {
    throw EOSError("システムエラー。コード：3.\r\nBadWindow (invalid Window parameter)");
  }
  WindowHandle handle = m_next_handle++;
  Window& w = m_windows[handle];
  w.request = request;
  w.bounds = request.kind == WindowKind::FullScreen ? PrimaryScreen() : request.bounds;
  w.screen.Resize(std::max(w.bounds.width, 0), std::max(w.bounds.height, 0));
  return handle;
}

void HeadlessBackend::DestroyWindow(WindowHandle window) { m_windows.erase(window); }

void HeadlessBackend::ShowWindow(WindowHandle window, bool visible) {
  auto it = m_windows.find(window);
  if (it != m_windows.end()) it->second.visible = visible;
}

void HeadlessBackend::SetWindowBounds(WindowHandle window, const Rect& bounds) {
  auto it = m_windows.find(window);
  if (it == m_windows.end()) return;
  it->second.bounds = bounds;
}

void HeadlessBackend::Present(WindowHandle window, const Bitmap32& frame,
                              const std::vector<Rect>& dirty) {
  auto it = m_windows.find(window);
  if (it == m_windows.end()) return;
  Bitmap32& screen = it->second.screen;
  if (screen.Width() != frame.Width() || screen.Height() != frame.Height()) {
    screen.Resize(frame.Width(), frame.Height());
  }
  ++m_present_calls;
  for (const Rect& d : dirty) {
    Rect r = d.Intersected(frame.Bounds());
    m_presented_pixels += r.Area();
    for (int y = r.top; y < r.Bottom(); ++y) {
      std::copy_n(frame.Row(y) + r.left, r.width, screen.Row(y) + r.left);
    }
  }
}

bool HeadlessBackend::ShowForeignWindow(uint64_t handle) { return m_foreign.count(handle) > 0; }

bool HeadlessBackend::GetForeignWindowRect(uint64_t handle, Rect& outer) {
  auto it = m_foreign.find(handle);
  if (it == m_foreign.end()) return false;
  outer = it->second;
  return true;
}

void HeadlessBackend::AnswerSysCommand(WindowHandle, uint32_t command, intptr_t result) {
  m_sys_command_answers.emplace_back(command, result);
}

std::optional<InputEvent> HeadlessBackend::WaitEvent(int64_t deadline_ms) {
  if (!m_events.empty()) {
    InputEvent e = m_events.front();
    m_events.pop_front();
    return e;
  }
  // Nothing can arrive from outside: time jumps straight to the deadline.
  if (deadline_ms > m_now) m_now = deadline_ms;
  return std::nullopt;
}

bool HeadlessBackend::RecordErrorBox(const std::string& title, const std::string& text) {
  m_error_boxes.push_back({m_now, title, text});
  if (OnErrorBox) OnErrorBox(m_error_boxes.back());
  return true;
}

const HeadlessBackend::Window* HeadlessBackend::FindWindow(WindowHandle window) const {
  auto it = m_windows.find(window);
  return it == m_windows.end() ? nullptr : &it->second;
}

}  // namespace vt

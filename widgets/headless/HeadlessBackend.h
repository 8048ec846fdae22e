#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "widgets/Backend.h"

namespace vt {

// A backend with no display: a virtual clock that jumps to each deadline, windows kept as
// in-memory pictures of what was presented, injected input, and error boxes recorded and
// dismissed at once. Unit tests and the headless driver run on it.
class HeadlessBackend : public Backend {
 public:
  struct Window {
    WindowRequest request;
    Rect bounds;
    bool visible = false;
    Bitmap32 screen;  // what Present has put on the "screen" so far
  };
  struct ErrorBoxRecord {
    int64_t time_ms = 0;
    std::string title;
    std::string text;
  };

  explicit HeadlessBackend(Size screen = {1024, 768}, int ppi = 96);

  Rect PrimaryScreen() override { return {0, 0, m_screen.width, m_screen.height}; }
  int PixelsPerInch() override { return m_ppi; }
  void SetIcon(const Bitmap32& icon) override { m_icon = icon; }
  WindowHandle CreateWindow(const WindowRequest& request) override;
  void DestroyWindow(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool visible) override;
  void SetWindowBounds(WindowHandle window, const Rect& bounds) override;
  void Present(WindowHandle window, const Bitmap32& frame, const std::vector<Rect>& dirty) override;
  int ShowCursor(bool show) override { return m_cursor_count += show ? 1 : -1; }
  bool ShowForeignWindow(uint64_t handle) override;
  bool GetForeignWindowRect(uint64_t handle, Rect& outer) override;
  void AnswerSysCommand(WindowHandle window, uint32_t command, intptr_t result) override;
  int64_t NowMs() override { return m_now; }
  std::optional<InputEvent> WaitEvent(int64_t deadline_ms) override;
  bool RecordErrorBox(const std::string& title, const std::string& text) override;

  // Test and driver controls.
  void PostEvent(const InputEvent& event) { m_events.push_back(event); }
  void SetNow(int64_t ms) { m_now = ms; }
  void AddForeignWindow(uint64_t handle, const Rect& outer) { m_foreign[handle] = outer; }
  void RemoveForeignWindow(uint64_t handle) { m_foreign.erase(handle); }
  const Window* FindWindow(WindowHandle window) const;
  int CursorCount() const { return m_cursor_count; }
  const std::vector<ErrorBoxRecord>& ErrorBoxes() const { return m_error_boxes; }
  // Called for every recorded error box, as it happens.
  std::function<void(const ErrorBoxRecord&)> OnErrorBox;
  const Bitmap32& Icon() const { return m_icon; }
  // Pixels handed to Present since the last reset, summed over its dirty rectangles.
  int64_t PresentedPixels() const { return m_presented_pixels; }
  int64_t PresentCalls() const { return m_present_calls; }
  void ResetPresentStats() { m_presented_pixels = 0; m_present_calls = 0; }
  const std::vector<std::pair<uint32_t, intptr_t>>& SysCommandAnswers() const {
    return m_sys_command_answers;
  }

 private:
  Size m_screen;
  int m_ppi;
  int64_t m_now = 0;
  int m_cursor_count = 0;
  WindowHandle m_next_handle = 1;
  std::map<WindowHandle, Window> m_windows;
  std::map<uint64_t, Rect> m_foreign;
  std::deque<InputEvent> m_events;
  std::vector<ErrorBoxRecord> m_error_boxes;
  std::vector<std::pair<uint32_t, intptr_t>> m_sys_command_answers;
  Bitmap32 m_icon;
  int64_t m_presented_pixels = 0;
  int64_t m_present_calls = 0;
};

}  // namespace vt

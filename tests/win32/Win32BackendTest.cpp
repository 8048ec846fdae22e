// The Win32 backend where Windows can fail in its own way: the message box's own loop, system
// commands answered while their sender waits, foreign host windows, message translation and
// the pixels of dirty rectangles.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "widgets/Exceptions.h"
#include "widgets/win32/Win32Api.h"
#include "widgets/win32/Win32Backend.h"

namespace vt {
namespace {

HWND AsWindow(WindowHandle handle) {
  return reinterpret_cast<HWND>(uintptr_t(handle));
}

class Win32Backends : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    m_backend = Win32Backend::Open(&error);
    ASSERT_TRUE(m_backend) << error;
  }

  WindowHandle Create(WindowKind kind, Rect bounds = {10, 10, 40, 30}, uint64_t parent = 0) {
    WindowRequest request;
    request.kind = kind;
    request.title = "Win32 test";
    request.bounds = bounds;
    request.foreign_parent = parent;
    return m_backend->CreateWindow(request);
  }

  // The events that arrive within a short while.
  std::vector<InputEvent> Events() {
    std::vector<InputEvent> events;
    const int64_t deadline = m_backend->NowMs() + 200;
    while (std::optional<InputEvent> event = m_backend->WaitEvent(deadline)) {
      events.push_back(*event);
    }
    return events;
  }

  // A pixel of the window as it is on the screen now.
  static COLORREF ShownPixel(WindowHandle window, int x, int y) {
    HDC dc = GetDC(AsWindow(window));
    COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(AsWindow(window), dc);
    return pixel;
  }
  // Has the whole window painted again, as when it is shown again.
  static void PaintAgain(WindowHandle window) {
    InvalidateRect(AsWindow(window), nullptr, TRUE);
    UpdateWindow(AsWindow(window));
  }

  std::unique_ptr<Win32Backend> m_backend;
};

TEST_F(Win32Backends, message_box_keeps_timers_ticking_with_the_other_windows_disabled) {
  WindowHandle app = Create(WindowKind::AppWindow);
  WindowHandle form = Create(WindowKind::Popup);
  m_backend->ShowWindow(form, true);
  int ticks = 0;
  bool form_disabled = true;
  auto run_due_timers = [&]() -> int64_t {
    form_disabled = form_disabled && !IsWindowEnabled(AsWindow(form));
    // Dismisses the box as a person would, once the timers have ticked a few times.
    if (++ticks == 4) {
      if (HWND box = FindWindowW(L"#32770", L"Box title")) PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return m_backend->NowMs() + 20;
  };
  // Should the ticks stop, the box is dismissed from another thread, and the test fails
  // instead of waiting for ever.
  std::promise<void> box_closed;
  std::thread guard([done = box_closed.get_future()] {
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
      if (HWND box = FindWindowW(L"#32770", L"Box title")) PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  });
  EXPECT_TRUE(
      m_backend->ShowMessageBox(app, "Box title", "ファイル は開けません.", run_due_timers));
  box_closed.set_value();
  guard.join();
  EXPECT_GE(ticks, 4);
  EXPECT_TRUE(form_disabled);
  EXPECT_TRUE(IsWindowEnabled(AsWindow(form)));
}

TEST_F(Win32Backends, system_commands_reach_the_form_while_their_sender_waits) {
  WindowHandle saver = Create(WindowKind::FullScreen);
  m_backend->ShowWindow(saver, true);
  std::vector<uint32_t> seen;
  m_backend->SetImmediateDispatch([&](const InputEvent& event) {
    ASSERT_EQ(event.type, EventType::SysCommand);
    seen.push_back(event.command);
    m_backend->AnswerSysCommand(event.window, event.command, event.command == 0xF140 ? 1 : 0);
  });
  EXPECT_EQ(SendMessageW(AsWindow(saver), WM_SYSCOMMAND, SC_SCREENSAVE, 0), 1);
  // Monitor power is not the form's: the system's own handling answers it.
  EXPECT_EQ(SendMessageW(AsWindow(saver), WM_SYSCOMMAND, SC_MONITORPOWER, -1), 0);
  EXPECT_EQ(seen, (std::vector<uint32_t>{SC_SCREENSAVE, SC_MONITORPOWER}));
  m_backend->SetImmediateDispatch(nullptr);

  RECT outer{};
  GetWindowRect(AsWindow(saver), &outer);
  const Rect screen = m_backend->PrimaryScreen();
  EXPECT_EQ((Rect{outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top}),
            screen);
  EXPECT_TRUE(GetWindowLongW(AsWindow(saver), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Win32Backends, child_of_a_handle_that_names_no_window_is_a_system_error) {
  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  DestroyWindow(gone);
  try {
    Create(WindowKind::Child, {0, 0, 10, 10}, uint64_t(uintptr_t(gone)));
    ADD_FAILURE() << "a child of a destroyed window was made";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Kind(), "EOSError");
    EXPECT_EQ(error.Message().rfind("システムエラー。コード：1400.\r\n", 0), 0u) << error.Message();
    EXPECT_GT(error.Message().size(), std::string("システムエラー。コード：1400.\r\n").size());
  }
}

TEST_F(Win32Backends, child_goes_with_its_host_and_is_reported_destroyed) {
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_TRUE(m_backend->ShowForeignWindow(uint64_t(uintptr_t(host))));
  Rect outer;
  ASSERT_TRUE(m_backend->GetForeignWindowRect(uint64_t(uintptr_t(host)), outer));
  EXPECT_EQ(outer, (Rect{0, 0, 152, 112}));
  WindowHandle child = Create(WindowKind::Child, {0, 0, 152, 112}, uint64_t(uintptr_t(host)));
  EXPECT_EQ(GetParent(AsWindow(child)), host);
  DestroyWindow(host);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, EventType::Destroyed);
  EXPECT_EQ(events[0].window, child);
}

TEST_F(Win32Backends, messages_become_the_cores_events_and_the_wheel_none) {
  HWND window = AsWindow(Create(WindowKind::Popup));
  PostMessageW(window, WM_KEYDOWN, 0x09, 0);                   // Tab
  PostMessageW(window, WM_SYSKEYDOWN, 0x79, 0);                // F10, a system key
  PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);  // no press
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 7));
  PostMessageW(window, WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(3, 4));
  PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(1, 2));
  PostMessageW(window, WM_CLOSE, 0, 0);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].type, EventType::KeyDown);
  EXPECT_EQ(events[0].key, VK_TAB);
  EXPECT_EQ(events[1].key, VK_F10);
  EXPECT_EQ(events[2].type, EventType::MouseMove);
  EXPECT_EQ(events[2].x, -5);
  EXPECT_EQ(events[2].y, 7);
  EXPECT_EQ(events[3].type, EventType::MouseDown);
  EXPECT_EQ(events[3].button, TMouseButton::mbExtra2);
  EXPECT_EQ(events[4].button, TMouseButton::mbRight);
  EXPECT_EQ(events[4].shift & (ssShift | ssRight), ssShift | ssRight);
  EXPECT_EQ(events[5].type, EventType::CloseRequest);
}

TEST_F(Win32Backends, present_puts_only_the_dirty_rectangles_on_the_screen) {
  WindowHandle handle = Create(WindowKind::Popup, {50, 50, 40, 30});
  m_backend->ShowWindow(handle, true);
  Bitmap32 frame(40, 30, 0xFF0000);
  m_backend->Present(handle, frame, {frame.Bounds()});
  frame.Resize(40, 30, 0x0000FF);
  m_backend->Present(handle, frame, {{0, 0, 10, 10}});
  Events();  // lets the system paint what it would
  EXPECT_EQ(ShownPixel(handle, 5, 5), RGB(0, 0, 255));
  EXPECT_EQ(ShownPixel(handle, 20, 20), RGB(255, 0, 0));
  // A part of the window shown again comes from the last frame, without the widget layer.
  PaintAgain(handle);
  EXPECT_EQ(ShownPixel(handle, 20, 20), RGB(255, 0, 0));
}

TEST_F(Win32Backends, lent_frame_is_painted_in_put_on_the_screen_and_repaints_the_window) {
  WindowHandle handle = Create(WindowKind::Popup, {50, 50, 40, 30});
  m_backend->ShowWindow(handle, true);
  Bitmap32* frame = m_backend->LendFrame(handle, 40, 30);
  ASSERT_NE(frame, nullptr);
  frame->Fill(0xFF0000);
  m_backend->Present(handle, *frame, {frame->Bounds()});
  Events();  // lets the system paint what it would
  // The same memory, pixels and all, for as long as the size stays.
  ASSERT_EQ(m_backend->LendFrame(handle, 40, 30), frame);
  EXPECT_EQ(frame->Pixel(39, 29), 0xFF0000u);
  frame->Fill(0x00FF00);
  m_backend->Present(handle, *frame, {{0, 0, 10, 10}});
  EXPECT_EQ(ShownPixel(handle, 5, 5), RGB(0, 255, 0));
  EXPECT_EQ(ShownPixel(handle, 20, 20), RGB(255, 0, 0));
  // The window shown again comes from the frame as it is now.
  PaintAgain(handle);
  EXPECT_EQ(ShownPixel(handle, 20, 20), RGB(0, 255, 0));
  EXPECT_EQ(ShownPixel(handle, 39, 29), RGB(0, 255, 0));
}

TEST_F(Win32Backends, every_top_level_window_carries_the_icon) {
  // From the program's icon resource through the window class, or, where a program has none,
  // from the core's picture.
  auto has_icon = [](WindowHandle window, WPARAM which, int class_index) {
    return SendMessageW(AsWindow(window), WM_GETICON, which, 0) != 0 ||
           GetClassLongPtrW(AsWindow(window), class_index) != 0;
  };
  WindowHandle before = Create(WindowKind::Popup);
  m_backend->SetIcon(Bitmap32(32, 32, 0x00C000));
  WindowHandle after = Create(WindowKind::FullScreen);
  for (WindowHandle window : {before, after}) {
    EXPECT_TRUE(has_icon(window, ICON_BIG, GCLP_HICON));
    EXPECT_TRUE(has_icon(window, ICON_SMALL, GCLP_HICONSM));
  }
}

}  // namespace
}  // namespace vt

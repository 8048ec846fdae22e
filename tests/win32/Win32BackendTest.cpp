// The Win32 backend where Windows can fail in its own way: the message box's own loop, system
// commands answered while their sender waits, foreign host windows, message translation and
// the pixels of dirty rectangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <future>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "widgets/Exceptions.h"
#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/Win32Api.h"

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
    // The box adds its own full stop to the system's text.
    EXPECT_NE(error.Message().back(), '.');
    EXPECT_GT(static_cast<unsigned char>(error.Message().back()), ' ');
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

// ---- What the system and the user see: pixels, sizes, owners, input and what is given back

// A frame whose every pixel differs from its neighbours, and from the same place of a frame
// of another seed.
Bitmap32 Pattern(int width, int height, uint32_t seed) {
  Bitmap32 frame(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      frame.SetPixel(x, y,
                     (uint32_t(x * 7 + seed * 40) & 0xFF) << 16 |
                         (uint32_t(y * 5 + seed * 90) & 0xFF) << 8 |
                         (uint32_t(x ^ y ^ (seed * 16)) & 0xFF));
    }
  }
  return frame;
}

// Checks the window's client area, read back from the screen, against every pixel of expected.
void ExpectWindowShows(HWND window, const Bitmap32& expected) {
  RECT client{};
  GetClientRect(window, &client);
  ASSERT_EQ((Size{int(client.right), int(client.bottom)}),
            (Size{expected.Width(), expected.Height()}));
  HDC dc = GetDC(window);
  for (int y = 0; y < expected.Height(); ++y) {
    for (int x = 0; x < expected.Width(); ++x) {
      COLORREF c = GetPixel(dc, x, y);
      uint32_t shown = uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
      if (shown != expected.Pixel(x, y)) {
        ReleaseDC(window, dc);
        FAIL() << "pixel " << x << "," << y << " shows " << std::hex << shown << " instead of "
               << expected.Pixel(x, y);
      }
    }
  }
  ReleaseDC(window, dc);
}

TEST_F(Win32Backends, dirty_rectangles_away_from_the_origin_come_from_their_place_in_the_frame) {
  WindowHandle handle = Create(WindowKind::Popup, {50, 50, 40, 30});
  HWND window = AsWindow(handle);
  m_backend->ShowWindow(handle, true);
  const Bitmap32 first = Pattern(40, 30, 1), second = Pattern(40, 30, 2);
  m_backend->Present(handle, first, {first.Bounds()});
  // The system paints the newly shown window once; after that only the presents draw.
  Events();
  const std::vector<Rect> dirty{{25, 12, 10, 8}, {3, 20, 6, 10}, {36, -5, 20, 9}};
  m_backend->Present(handle, second, dirty);
  Bitmap32 expected = first;
  for (const Rect& rect : dirty) {
    Rect inside = rect.Intersected(expected.Bounds());
    for (int y = inside.top; y < inside.Bottom(); ++y) {
      std::copy_n(second.Row(y) + inside.left, inside.width, expected.Row(y) + inside.left);
    }
  }
  ExpectWindowShows(window, expected);
  // Shown again, a part away from the origin comes from the frame kept for the window, and so
  // does all of it: the presents changed nothing else there.
  RECT part{20, 10, 38, 26};
  InvalidateRect(window, &part, TRUE);
  UpdateWindow(window);
  ExpectWindowShows(window, expected);
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  ExpectWindowShows(window, expected);
}

TEST_F(Win32Backends, a_window_that_grows_or_shrinks_in_either_dimension_shows_its_whole_frame) {
  WindowHandle handle = Create(WindowKind::Popup, {50, 50, 40, 30});
  m_backend->ShowWindow(handle, true);
  m_backend->Present(handle, Pattern(40, 30, 1), {{0, 0, 40, 30}});
  // In turn painted into the frame the backend lends, as the widget layer does, and kept by
  // the caller; each lent one after a change in one dimension only.
  for (auto [size, lend] : {std::pair{Size{100, 30}, true},
                            {Size{100, 90}, false},
                            {Size{100, 40}, true},
                            {Size{30, 20}, false}}) {
    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
    m_backend->SetWindowBounds(handle, {50, 50, size.width, size.height});
    Events();  // what the system paints of the new size, before the frame comes
    const Bitmap32 pattern = Pattern(size.width, size.height, uint32_t(size.width + size.height));
    Bitmap32* lent = lend ? m_backend->LendFrame(handle, size.width, size.height) : nullptr;
    if (lend) {
      ASSERT_NE(lent, nullptr);
      ASSERT_EQ((Size{lent->Width(), lent->Height()}), size);
      std::copy_n(pattern.Data(), size_t(size.width) * size_t(size.height), lent->Data());
    }
    const Bitmap32& frame = lend ? *lent : pattern;
    m_backend->Present(handle, frame, {frame.Bounds()});
    ExpectWindowShows(AsWindow(handle), frame);
    // Shown again, all of it comes from the frame kept at the new size.
    InvalidateRect(AsWindow(handle), nullptr, TRUE);
    UpdateWindow(AsWindow(handle));
    ExpectWindowShows(AsWindow(handle), frame);
  }
}

TEST_F(Win32Backends, mouse_messages_carry_their_button_position_and_each_modifier) {
  HWND window = AsWindow(Create(WindowKind::Popup));
  // The X button messages are answered TRUE, the others 0.
  EXPECT_EQ(SendMessageW(window, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(1, 2)), TRUE);
  EXPECT_EQ(SendMessageW(window, WM_MBUTTONDOWN, MK_MBUTTON | MK_CONTROL, MAKELPARAM(4, 5)), 0);
  PostMessageW(window, WM_MBUTTONUP, MK_CONTROL, MAKELPARAM(4, 5));
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(6, -7));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(6, 7));
  PostMessageW(window, WM_RBUTTONUP, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(8, 9));
  PostMessageW(window, WM_MOUSEMOVE, MK_RBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(30, 20));
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 7u);
  const struct {
    EventType type;
    TMouseButton button;
    TShiftState shift;
    int x, y;
  } expected[] = {
      {EventType::MouseUp, TMouseButton::mbExtra1, 0, 1, 2},
      {EventType::MouseDown, TMouseButton::mbMiddle, ssMiddle | ssCtrl, 4, 5},
      {EventType::MouseUp, TMouseButton::mbMiddle, ssCtrl, 4, 5},
      {EventType::MouseDown, TMouseButton::mbLeft, ssLeft | ssShift, 6, -7},
      {EventType::MouseUp, TMouseButton::mbLeft, 0, 6, 7},
      {EventType::MouseUp, TMouseButton::mbRight, ssLeft | ssMiddle, 8, 9},
      {EventType::MouseMove, TMouseButton::mbLeft, ssRight | ssShift | ssCtrl, 30, 20},
  };
  for (size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].type, expected[i].type);
    if (expected[i].type != EventType::MouseMove) {
      EXPECT_EQ(events[i].button, expected[i].button);
    }
    EXPECT_EQ(events[i].shift, expected[i].shift);
    EXPECT_EQ(events[i].x, expected[i].x);
    EXPECT_EQ(events[i].y, expected[i].y);
    EXPECT_EQ(events[i].window, WindowHandle(window));
  }
}

TEST_F(Win32Backends, key_messages_carry_the_modifiers_held) {
  HWND window = AsWindow(Create(WindowKind::Popup));
  const struct {
    std::vector<int> held;
    TShiftState shift;
  } cases[] = {
      {{}, 0},
      {{0x10}, ssShift},  // VK_SHIFT
      {{0x11}, ssCtrl},   // VK_CONTROL
      {{0x12}, ssAlt},    // VK_MENU
      {{0x01}, ssLeft},   // VK_LBUTTON
      {{0x02, 0x04}, ssRight | ssMiddle},
      {{0x10, 0x11, 0x12}, ssShift | ssCtrl | ssAlt},
  };
  // A mouse message takes its buttons, Shift and Ctrl from its own flags, only Alt from the
  // keyboard.
  for (const auto& c : cases) {
    BYTE keys[256] = {};
    for (int key : c.held) keys[key] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    SendMessageW(window, WM_KEYDOWN, 'K', 0);
    SendMessageW(window, WM_MOUSEMOVE, MK_MBUTTON, MAKELPARAM(1, 1));
  }
  BYTE none[256] = {};
  SetKeyboardState(none);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 2 * std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[2 * i].type, EventType::KeyDown);
    EXPECT_EQ(events[2 * i].key, 'K');
    EXPECT_EQ(events[2 * i].shift, cases[i].shift);
    EXPECT_EQ(events[2 * i + 1].type, EventType::MouseMove);
    EXPECT_EQ(events[2 * i + 1].shift, ssMiddle | (cases[i].shift & ssAlt));
  }
}

TEST_F(Win32Backends, a_size_changed_by_others_is_reported_in_either_dimension) {
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                              nullptr, nullptr, nullptr);
  WindowHandle child = Create(WindowKind::Child, {0, 0, 200, 150}, uint64_t(uintptr_t(host)));
  Events();
  // The host changes the height only, then the width only.
  SetWindowPos(AsWindow(child), nullptr, 0, 0, 200, 120, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(AsWindow(child), nullptr, 0, 0, 180, 120, SWP_NOZORDER | SWP_NOACTIVATE);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 2u);
  for (const InputEvent& event : events) {
    EXPECT_EQ(event.type, EventType::Resized);
    EXPECT_EQ(event.window, child);
  }
  EXPECT_EQ((Size{events[0].width, events[0].height}), (Size{200, 120}));
  EXPECT_EQ((Size{events[1].width, events[1].height}), (Size{180, 120}));
  m_backend->DestroyWindow(child);
  DestroyWindow(host);
  // A host that is gone can be neither shown nor measured.
  Rect outer{1, 2, 3, 4};
  EXPECT_FALSE(m_backend->ShowForeignWindow(uint64_t(uintptr_t(host))));
  EXPECT_FALSE(m_backend->GetForeignWindowRect(uint64_t(uintptr_t(host)), outer));
}

TEST_F(Win32Backends, a_full_screen_window_the_system_resizes_has_its_screen_changed) {
  WindowHandle full = Create(WindowKind::FullScreen);
  m_backend->ShowWindow(full, true);
  Events();
  // As the system does when a display change leaves the window larger than its monitor.
  SetWindowPos(AsWindow(full), nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, EventType::ScreenChanged);
  EXPECT_EQ(events[0].window, full);
  // Announced once: the scene laid out anew comes with a window of its own.
  SetWindowPos(AsWindow(full), nullptr, 0, 0, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(Events().empty());
}

// WM_POWERBROADCAST as the system sends it for a power setting registered for: the setting's
// GUID and its value.
LRESULT TellPowerSetting(WindowHandle window, const GUID& setting, DWORD value) {
  std::vector<uint8_t> message(offsetof(POWERBROADCAST_SETTING, Data) + sizeof value);
  auto* header = reinterpret_cast<POWERBROADCAST_SETTING*>(message.data());
  header->PowerSetting = setting;
  header->DataLength = sizeof value;
  std::memcpy(header->Data, &value, sizeof value);
  return SendMessageW(AsWindow(window), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                      reinterpret_cast<LPARAM>(message.data()));
}

TEST_F(Win32Backends, the_display_turned_off_takes_no_frame_until_it_is_on_or_dimmed_again) {
  const GUID display = {
      0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
  const GUID power_source = {
      0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};
  WindowHandle full = Create(WindowKind::FullScreen);
  m_backend->ShowWindow(full, true);
  Events();
  EXPECT_FALSE(m_backend->FrameInUse(full));
  auto released = [&] {
    std::vector<InputEvent> events = Events();
    return std::count_if(events.begin(), events.end(), [&](const InputEvent& event) {
      return event.type == EventType::FrameReleased && event.window == full;
    });
  };

  EXPECT_EQ(TellPowerSetting(full, display, 0), TRUE);
  EXPECT_TRUE(m_backend->FrameInUse(full));
  EXPECT_EQ(released(), 0);
  // Another setting with the same value says nothing of the display.
  TellPowerSetting(full, power_source, 1);
  EXPECT_TRUE(m_backend->FrameInUse(full));
  // Dimmed, the display shows the scene again.
  EXPECT_EQ(TellPowerSetting(full, display, 2), TRUE);
  EXPECT_FALSE(m_backend->FrameInUse(full));
  EXPECT_EQ(released(), 1);
  TellPowerSetting(full, display, 0);
  TellPowerSetting(full, display, 1);
  EXPECT_FALSE(m_backend->FrameInUse(full));
  EXPECT_EQ(released(), 1);
}

TEST_F(Win32Backends, a_system_command_the_form_leaves_gets_the_systems_own_handling) {
  WindowHandle popup = Create(WindowKind::Popup);
  m_backend->SetImmediateDispatch([&](const InputEvent& event) {
    m_backend->AnswerSysCommand(event.window, event.command, 0);
  });
  // The system closes a window on SC_CLOSE by sending it WM_CLOSE.
  SendMessageW(AsWindow(popup), WM_SYSCOMMAND, SC_CLOSE, 0);
  m_backend->SetImmediateDispatch(nullptr);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, EventType::CloseRequest);
  EXPECT_EQ(events[0].window, popup);
}

TEST_F(Win32Backends, a_window_minimised_and_restored_by_others_reports_no_resize) {
  WindowHandle handle = Create(WindowKind::Popup, {30, 40, 120, 90});
  HWND window = AsWindow(handle);
  m_backend->ShowWindow(handle, true);
  Events();
  ::ShowWindow(window, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(window));
  ::ShowWindow(window, SW_RESTORE);
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(Events().empty());
}

TEST_F(Win32Backends, popup_takes_its_bounds_and_the_programs_own_changes_are_not_reported) {
  WindowHandle handle = Create(WindowKind::Popup, {30, 40, 120, 90});
  HWND window = AsWindow(handle);
  auto outer = [&] {
    RECT r{};
    GetWindowRect(window, &r);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  EXPECT_EQ(outer(), (Rect{30, 40, 120, 90}));
  EXPECT_FALSE(IsWindowVisible(window));
  m_backend->ShowWindow(handle, true);
  EXPECT_TRUE(IsWindowVisible(window));
  m_backend->SetWindowBounds(handle, {35, 45, 100, 80});
  EXPECT_EQ(outer(), (Rect{35, 45, 100, 80}));
  m_backend->ShowWindow(handle, false);
  EXPECT_FALSE(IsWindowVisible(window));
  m_backend->DestroyWindow(handle);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(Events().empty());
}

TEST_F(Win32Backends, a_box_is_centred_around_the_client_size_asked_for_and_keeps_a_new_one) {
  HWND box = AsWindow(Create(WindowKind::Dialog, {0, 0, 300, 200}));
  auto client = [&] {
    RECT r{};
    GetClientRect(box, &r);
    return Size{int(r.right), int(r.bottom)};
  };
  EXPECT_EQ(client(), (Size{300, 200}));
  RECT outer{};
  GetWindowRect(box, &outer);
  const Rect screen = m_backend->PrimaryScreen();
  EXPECT_GT(outer.bottom - outer.top, 200);  // a caption above the client area
  EXPECT_EQ(outer.left, screen.left + (screen.width - (outer.right - outer.left)) / 2);
  EXPECT_EQ(outer.top, screen.top + (screen.height - (outer.bottom - outer.top)) / 2);
  m_backend->SetWindowBounds(WindowHandle(box), {int(outer.left), int(outer.top), 320, 240});
  EXPECT_EQ(client(), (Size{320, 240}));
}

TEST_F(Win32Backends, every_top_level_window_is_owned_by_the_application_window) {
  WindowHandle app = Create(WindowKind::AppWindow);
  for (WindowKind kind : {WindowKind::Popup, WindowKind::FullScreen, WindowKind::Dialog}) {
    EXPECT_EQ(GetWindow(AsWindow(Create(kind)), GW_OWNER), AsWindow(app));
  }
  // Asked to quit, the thread's loop gives a close request of the application.
  PostQuitMessage(0);
  std::vector<InputEvent> events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, EventType::CloseRequest);
  EXPECT_EQ(events[0].window, app);
}

TEST_F(Win32Backends, screen_answers_are_the_systems_and_the_clock_counts_milliseconds) {
  EXPECT_EQ(m_backend->PrimaryScreen(),
            (Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  // The full-screen window covers the primary monitor from the start, before it is shown.
  RECT outer{};
  GetWindowRect(AsWindow(Create(WindowKind::FullScreen, {5, 5, 10, 10})), &outer);
  EXPECT_EQ((Rect{outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top}),
            m_backend->PrimaryScreen());
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(m_backend->PixelsPerInch(), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  std::set<int64_t> seen;
  const ULONGLONG end = GetTickCount64() + 300;
  while (GetTickCount64() < end) {
    seen.insert(m_backend->NowMs());
    Sleep(1);
  }
  EXPECT_GE(seen.size(), 10u);  // a clock of whole seconds would give one or two
  EXPECT_GE(*seen.rbegin() - *seen.begin(), 250);
}

TEST_F(Win32Backends, wait_ends_at_its_deadline_or_as_soon_as_a_message_comes) {
  int64_t start = m_backend->NowMs();
  EXPECT_FALSE(m_backend->WaitEvent(start + 150));
  const int64_t end = m_backend->NowMs();
  EXPECT_GE(end, start + 150);
  EXPECT_FALSE(m_backend->WaitEvent(end - 10));  // a deadline passed already
  // A key posted by another thread while the loop sleeps wakes it.
  HWND window = AsWindow(Create(WindowKind::Popup));
  std::thread poster([window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    PostMessageW(window, WM_KEYDOWN, 'Q', 0);
  });
  start = m_backend->NowMs();
  std::optional<InputEvent> event = m_backend->WaitEvent(start + 5000);
  poster.join();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->type, EventType::KeyDown);
  EXPECT_EQ(event->key, 'Q');
  EXPECT_LT(m_backend->NowMs() - start, 2500);
}

TEST_F(Win32Backends, the_pointer_is_given_back_as_it_was_when_the_backend_goes) {
  // The thread's display count, left as it was.
  auto display_count = [] {
    int count = ::ShowCursor(TRUE);
    ::ShowCursor(FALSE);
    return count - 1;
  };
  const int before = display_count();
  EXPECT_EQ(m_backend->ShowCursor(false), before - 1);
  EXPECT_EQ(m_backend->ShowCursor(false), before - 2);
  m_backend.reset();
  EXPECT_EQ(display_count(), before);
  std::string error;
  m_backend = Win32Backend::Open(&error);
  ASSERT_TRUE(m_backend) << error;
  EXPECT_EQ(m_backend->ShowCursor(true), before + 1);
  m_backend.reset();
  EXPECT_EQ(display_count(), before);
}

// The saver's own error box takes the keyboard from it for a while: that is no other program
// taking the foreground, and the saver has the keyboard again once the box goes.
TEST_F(Win32Backends, the_saver_outlives_its_own_error_box_and_has_the_keyboard_after_it) {
  WindowHandle app = Create(WindowKind::AppWindow);
  WindowHandle saver = Create(WindowKind::FullScreen);
  m_backend->ShowWindow(saver, true);
  SetForegroundWindow(AsWindow(saver));
  Events();
  ASSERT_EQ(GetForegroundWindow(), AsWindow(saver));
  bool box_had_keyboard = false;
  auto run_due_timers = [&]() -> int64_t {
    if (HWND box = FindWindowW(L"#32770", L"Own box")) {
      box_had_keyboard = GetForegroundWindow() == box;
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return m_backend->NowMs() + 20;
  };
  EXPECT_TRUE(m_backend->ShowMessageBox(app, "Own box", "box", run_due_timers));
  EXPECT_TRUE(box_had_keyboard);
  std::vector<InputEvent> events = Events();
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const InputEvent& e) { return e.type == EventType::CloseRequest; }),
            0);
  EXPECT_EQ(GetForegroundWindow(), AsWindow(saver));
  EXPECT_EQ(GetFocus(), AsWindow(saver));
}

TEST_F(Win32Backends, a_message_box_leaves_disabled_what_the_program_disabled) {
  WindowHandle app = Create(WindowKind::AppWindow);
  WindowHandle held = Create(WindowKind::Popup);
  WindowHandle hidden = Create(WindowKind::Popup);
  m_backend->ShowWindow(held, true);
  EnableWindow(AsWindow(held), FALSE);
  bool hidden_enabled = true;
  auto run_due_timers = [&]() -> int64_t {
    hidden_enabled = hidden_enabled && IsWindowEnabled(AsWindow(hidden));
    if (HWND box = FindWindowW(L"#32770", L"Held")) PostMessageW(box, WM_COMMAND, IDOK, 0);
    return m_backend->NowMs() + 20;
  };
  EXPECT_TRUE(m_backend->ShowMessageBox(app, "Held", "box", run_due_timers));
  EXPECT_FALSE(IsWindowEnabled(AsWindow(held)));
  EXPECT_TRUE(hidden_enabled);  // a hidden window takes no input anyway
  EXPECT_TRUE(IsWindowEnabled(AsWindow(hidden)));
}

}  // namespace
}  // namespace vt

#include <gtest/gtest.h>

#include "X11TestSupport.h"

namespace vt {
namespace {

class X11Input : public X11BackendTest {
 protected:
  void SetUp() override {
    X11BackendTest::SetUp();
    m_backend = Open();
    ASSERT_TRUE(m_backend);
  }

  // A shown full-screen window that has been exposed (it holds keyboard and pointer).
  WindowHandle ShowFullScreen() {
    WindowHandle window = m_backend->CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
    m_backend->ShowWindow(window, true);
    EXPECT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
    return window;
  }

  std::vector<InputEvent> KeyDowns(const std::string& keys, size_t expected) {
    EXPECT_EQ(m_server.Run("xdotool key " + keys), 0);
    std::vector<InputEvent> events;
    int64_t deadline = m_backend->NowMs() + 2000;
    while (events.size() < expected) {
      auto event = m_backend->WaitEvent(deadline);
      if (!event) break;
      if (event->type == EventType::KeyDown) events.push_back(*event);
    }
    return events;
  }

  // Moves the pointer and waits until the move has arrived.
  void MoveTo(int x, int y) {
    ASSERT_EQ(m_server.Run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y)), 0);
    ASSERT_TRUE(WaitFor(*m_backend, EventType::MouseMove, 2000));
  }

  // Grabs the keyboard for the test's own connection, as another program would.
  int GrabKeyboard() {
    return XGrabKeyboard(Test(), DefaultRootWindow(Test()), False, GrabModeAsync, GrabModeAsync,
                         CurrentTime);
  }

  std::unique_ptr<X11Backend> m_backend;
};

TEST_F(X11Input, keys_give_their_codes_and_the_modifier_flags_held) {
  WindowHandle window = ShowFullScreen();
  struct Press {
    uint16_t key;
    TShiftState shift;
  };
  const struct {
    const char* behaviour;
    const char* keys;
    std::vector<Press> presses;
  } cases[] = {
      {"tab key gives VK_TAB", "Tab", {{VK_TAB, 0}}},
      {"shift alone and a shifted letter are two presses",
       "shift+a",
       {{VK_SHIFT, ssShift}, {'A', ssShift}}},
      {"shift+tab is shift then tab", "shift+Tab", {{VK_SHIFT, ssShift}, {VK_TAB, ssShift}}},
      {"control and alt set their flags",
       "ctrl+alt+x",
       {{VK_CONTROL, ssCtrl}, {VK_MENU, ssCtrl | ssAlt}, {'X', ssCtrl | ssAlt}}},
      {"every key gives a press even without a code of its own",
       "Escape Return Left KP_Down F5 7 bracketleft super",
       {{VK_ESCAPE, 0},
        {VK_RETURN, 0},
        {VK_LEFT, 0},
        {VK_DOWN, 0},
        {uint16_t(VK_F1 + 4), 0},
        {'7', 0},
        {VK_OEM, 0},
        {VK_LWIN, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.behaviour);
    auto events = KeyDowns(c.keys, c.presses.size());
    ASSERT_EQ(events.size(), c.presses.size());
    for (size_t i = 0; i < events.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(events[i].window, window);
      EXPECT_EQ(events[i].key, c.presses[i].key);
      EXPECT_EQ(events[i].shift, c.presses[i].shift);
    }
  }
}

TEST_F(X11Input, pointer_motion_reports_window_coordinates) {
  WindowHandle popup =
      m_backend->CreateWindow({WindowKind::Popup, "Popup", {100, 50, 200, 100}, 0});
  m_backend->ShowWindow(popup, true);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
  ASSERT_EQ(m_server.Run("xdotool mousemove 150 80"), 0);
  auto move = WaitFor(*m_backend, EventType::MouseMove, 2000);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->window, popup);
  EXPECT_EQ(move->x, 50);
  EXPECT_EQ(move->y, 30);
}

TEST_F(X11Input, entering_a_window_is_no_movement) {
  ASSERT_EQ(m_server.Run("xdotool mousemove 500 500"), 0);
  WindowHandle popup =
      m_backend->CreateWindow({WindowKind::Popup, "Popup", {400, 400, 200, 200}, 0});
  m_backend->ShowWindow(popup, true);
  // The window appears under the pointer: the pointer enters it without moving.
  auto events = Collect(*m_backend, {EventType::MouseMove}, 500);
  EXPECT_TRUE(events.empty());
}

TEST_F(X11Input, buttons_one_two_three_are_left_middle_right) {
  ShowFullScreen();
  MoveTo(300, 200);
  ASSERT_EQ(m_server.Run("xdotool click 1 click 2 click 3"), 0);
  auto events = Collect(*m_backend, {EventType::MouseDown, EventType::MouseUp}, 1000);
  ASSERT_EQ(events.size(), 6u);
  TMouseButton expected[] = {TMouseButton::mbLeft, TMouseButton::mbMiddle, TMouseButton::mbRight};
  TShiftState flags[] = {ssLeft, ssMiddle, ssRight};
  for (size_t i = 0; i < 3; ++i) {
    const InputEvent& down = events[2 * i];
    const InputEvent& up = events[2 * i + 1];
    EXPECT_EQ(down.type, EventType::MouseDown);
    EXPECT_EQ(down.button, expected[i]);
    EXPECT_EQ(down.shift, flags[i]);
    EXPECT_EQ(down.x, 300);
    EXPECT_EQ(down.y, 200);
    EXPECT_EQ(up.type, EventType::MouseUp);
    EXPECT_EQ(up.button, expected[i]);
    EXPECT_EQ(up.shift, 0u);
  }
}

TEST_F(X11Input, wheel_and_tilt_give_nothing_at_all) {
  ShowFullScreen();
  MoveTo(300, 200);
  ASSERT_EQ(m_server.Run("xdotool click 4 click 5 click 6 click 7 click 1"), 0);
  auto events = Collect(
      *m_backend,
      {EventType::MouseDown, EventType::MouseUp, EventType::MouseMove, EventType::KeyDown}, 1000);
  // Only the left click after the wheel arrives.
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, EventType::MouseDown);
  EXPECT_EQ(events[0].button, TMouseButton::mbLeft);
  EXPECT_EQ(events[1].type, EventType::MouseUp);
}

TEST_F(X11Input, side_buttons_are_the_extra_buttons) {
  ShowFullScreen();
  MoveTo(10, 10);
  ASSERT_EQ(m_server.Run("xdotool click 8 click 9"), 0);
  auto events = Collect(*m_backend, {EventType::MouseDown}, 1000);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].button, TMouseButton::mbExtra1);
  EXPECT_EQ(events[1].button, TMouseButton::mbExtra2);
}

TEST_F(X11Input, full_screen_window_takes_input_over_other_windows) {
  // Another program's window under the pointer and in the keyboard focus.
  Window other = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 0, 0, 400, 400, 0, 0, 0);
  XSelectInput(Test(), other, KeyPressMask | ButtonPressMask);
  XMapRaised(Test(), other);
  XSync(Test(), False);
  XSetInputFocus(Test(), other, RevertToParent, CurrentTime);
  XSync(Test(), False);
  WindowHandle window = ShowFullScreen();
  // The other window is raised over the saver by its program: the grab still holds.
  XRaiseWindow(Test(), other);
  XSync(Test(), False);
  ASSERT_EQ(m_server.Run("xdotool mousemove 100 100 click 1 key space"), 0);
  auto down = WaitFor(*m_backend, EventType::MouseDown, 2000);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->window, window);
  auto key = WaitFor(*m_backend, EventType::KeyDown, 2000);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->window, window);
  EXPECT_EQ(key->key, VK_SPACE);
}

TEST_F(X11Input, box_over_the_full_screen_window_gets_its_keys_and_clicks) {
  WindowHandle full = ShowFullScreen();
  WindowHandle app = m_backend->CreateWindow({WindowKind::AppWindow, "Vantorel", {}, 0});
  m_backend->ShowWindow(app, false);
  WindowHandle box = m_backend->CreateWindow({WindowKind::Dialog, "Vantorel", {0, 0, 200, 100}, 0});
  m_backend->ShowWindow(box, true);
  auto expose = WaitFor(*m_backend, EventType::Expose, 2000);
  ASSERT_TRUE(expose);
  EXPECT_EQ(expose->window, box);
  // The box lies at (412, 334) in the middle of the screen.
  ASSERT_EQ(m_server.Run("xdotool mousemove 420 340 click 1 mousemove 10 10 click 1 key Return"),
            0);
  auto events = Collect(*m_backend, {EventType::MouseDown, EventType::KeyDown}, 1000);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].window, box);
  EXPECT_EQ(events[0].x, 8);
  EXPECT_EQ(events[0].y, 6);
  EXPECT_EQ(events[1].window, full);
  EXPECT_EQ(events[2].window, box);
  EXPECT_EQ(events[2].key, VK_RETURN);
}

TEST_F(X11Input, grab_held_by_another_program_is_taken_when_released) {
  ASSERT_EQ(GrabKeyboard(), GrabSuccess);
  WindowHandle window = m_backend->CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
  m_backend->ShowWindow(window, true);
  // The show returned at once; the backend keeps trying while it waits for events.
  Collect(*m_backend, {}, 300);
  XUngrabKeyboard(Test(), CurrentTime);
  XSync(Test(), False);
  bool taken = PumpUntil(
      *m_backend,
      [&] {
        int result = GrabKeyboard();
        if (result == GrabSuccess) {
          XUngrabKeyboard(Test(), CurrentTime);
          XSync(Test(), False);
        }
        return result == AlreadyGrabbed;
      },
      2000);
  EXPECT_TRUE(taken);
  auto events = KeyDowns("Tab", 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].window, window);
}

TEST_F(X11Input, hiding_the_full_screen_window_lets_go_of_the_grabs) {
  WindowHandle window = ShowFullScreen();
  Window root = DefaultRootWindow(Test());
  EXPECT_EQ(GrabKeyboard(), AlreadyGrabbed);
  m_backend->ShowWindow(window, false);
  EXPECT_TRUE(PumpUntil(
      *m_backend,
      [&] {
        return XGrabPointer(Test(), root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                            None, None, CurrentTime) == GrabSuccess;
      },
      2000));
  EXPECT_EQ(GrabKeyboard(), GrabSuccess);
}

TEST_F(X11Input, wait_returns_nothing_at_the_deadline_and_not_before) {
  int64_t start = m_backend->NowMs();
  EXPECT_FALSE(m_backend->WaitEvent(start + 150));
  int64_t end = m_backend->NowMs();
  EXPECT_GE(end, start + 150);
  // A deadline already passed returns at once.
  EXPECT_FALSE(m_backend->WaitEvent(end - 10));
}

}  // namespace
}  // namespace vt

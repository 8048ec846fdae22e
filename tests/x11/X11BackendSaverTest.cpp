#include <gtest/gtest.h>

#include "X11TestSupport.h"

namespace vt {
namespace {

class X11Saver : public X11BackendTest {
 protected:
  void SetUp() override {
    X11BackendTest::SetUp();
    // As "xset s 2": the server's saver starts after two idle seconds.
    XSetScreenSaver(Test(), 2, 0, PreferBlanking, AllowExposures);
    XSync(Test(), False);
    m_backend = Open();
    ASSERT_TRUE(m_backend);
  }

  int ServerSaverState() const {
    XScreenSaverInfo info{};
    XScreenSaverQueryInfo(Test(), DefaultRootWindow(Test()), &info);
    return info.state;
  }

  int ServerSaverTimeout() const {
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(Test(), &timeout, &interval, &blanking, &exposures);
    return timeout;
  }

  WindowHandle ShowFullScreen(uint32_t colour) {
    WindowHandle window = m_backend->CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
    m_backend->ShowWindow(window, true);
    Bitmap32 frame(1024, 768, colour);
    m_backend->Present(window, frame, {frame.Bounds()});
    return window;
  }

  std::unique_ptr<X11Backend> m_backend;
};

TEST_F(X11Saver, server_saver_starts_when_no_full_screen_window_is_shown) {
  // The check of the tests below can see a saver that starts.
  WindowHandle popup = m_backend->CreateWindow({WindowKind::Popup, "Popup", {0, 0, 100, 100}, 0});
  m_backend->ShowWindow(popup, true);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverState() == ScreenSaverOn; }, 4000));
  EXPECT_FALSE(WaitFor(*m_backend, EventType::SysCommand, 100));
}

TEST_F(X11Saver, handled_screen_save_command_keeps_the_server_saver_off) {
  WindowHandle window = ShowFullScreen(0x804020);
  int64_t start = m_backend->NowMs();
  auto command = WaitFor(*m_backend, EventType::SysCommand, 3500);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->window, window);
  EXPECT_EQ(command->command, 0xF140u);
  // It comes when the server's saver would have started.
  EXPECT_GE(m_backend->NowMs() - start, 1500);
  m_backend->AnswerSysCommand(window, 0xF140, 1);
  EXPECT_FALSE(PumpUntil(
      *m_backend, [&] { return ServerSaverState() == ScreenSaverOn; },
      int(start + 4500 - m_backend->NowMs())));
  EXPECT_EQ(RootPixel(Test(), 512, 384), 0x804020u);
  // Once the window is gone the server's own setting is back.
  EXPECT_EQ(ServerSaverTimeout(), 0);
  m_backend->DestroyWindow(window);
  XSync(Test(), False);
  EXPECT_EQ(ServerSaverTimeout(), 2);
}

TEST_F(X11Saver, after_input_the_screen_save_command_comes_again_once_idle_again) {
  WindowHandle window = ShowFullScreen(0x204080);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::SysCommand, 3500));
  m_backend->AnswerSysCommand(window, 0xF140, 1);
  // Once for each idle period: nothing more while nobody touches anything.
  EXPECT_FALSE(WaitFor(*m_backend, EventType::SysCommand, 1000));
  ASSERT_EQ(m_server.Run("xdotool mousemove 10 10 mousemove 20 20"), 0);
  const int64_t input = m_backend->NowMs();
  auto again = WaitFor(*m_backend, EventType::SysCommand, 4000);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->window, window);
  EXPECT_GE(m_backend->NowMs() - input, 1500);
}

TEST_F(X11Saver, unhandled_screen_save_command_lets_the_server_saver_start) {
  WindowHandle window = ShowFullScreen(0x000000);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::SysCommand, 3500));
  m_backend->AnswerSysCommand(window, 0xF140, 0);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverState() == ScreenSaverOn; }, 2000));
}

TEST_F(X11Saver, saver_started_by_another_program_is_reported_and_stopped) {
  WindowHandle window = ShowFullScreen(0x102030);
  XForceScreenSaver(Test(), ScreenSaverActive);
  XSync(Test(), False);
  auto command = WaitFor(*m_backend, EventType::SysCommand, 1000);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->window, window);
  EXPECT_EQ(command->command, 0xF140u);
  EXPECT_EQ(ServerSaverState(), ScreenSaverOn);
  m_backend->AnswerSysCommand(window, 0xF140, 1);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverState() != ScreenSaverOn; }, 2000));
}

TEST_F(X11Saver, hiding_the_full_screen_window_restores_the_server_setting) {
  WindowHandle window = ShowFullScreen(0x000000);
  XSync(Test(), False);
  ASSERT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverTimeout() == 0; }, 1000));
  m_backend->ShowWindow(window, false);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverTimeout() == 2; }, 1000));
}

TEST_F(X11Saver, closing_the_backend_restores_the_server_setting) {
  ShowFullScreen(0x000000);
  ASSERT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverTimeout() == 0; }, 1000));
  m_backend.reset();
  EXPECT_EQ(ServerSaverTimeout(), 2);
}

TEST_F(X11Saver, another_full_screen_window_keeps_the_server_saver_off_until_it_goes_too) {
  WindowHandle first = ShowFullScreen(0x000000);
  WindowHandle second = ShowFullScreen(0x000000);
  ASSERT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverTimeout() == 0; }, 1000));
  m_backend->DestroyWindow(first);
  EXPECT_FALSE(PumpUntil(
      *m_backend, [&] { return ServerSaverTimeout() != 0; }, 300));
  m_backend->ShowWindow(second, false);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return ServerSaverTimeout() == 2; }, 1000));
}

// ---- Pointer ----

using X11Cursor = X11BackendTest;

TEST_F(X11Cursor, display_count_goes_down_and_up_by_one) {
  auto backend = Open();
  EXPECT_EQ(backend->ShowCursor(false), -1);
  EXPECT_EQ(backend->ShowCursor(false), -2);
  EXPECT_EQ(backend->ShowCursor(true), -1);
  EXPECT_EQ(backend->ShowCursor(true), 0);
  EXPECT_EQ(backend->ShowCursor(true), 1);
  EXPECT_EQ(backend->ShowCursor(false), 0);
}

TEST_F(X11Cursor, pointer_is_empty_over_our_windows_while_the_count_is_negative) {
  auto backend = Open();
  WindowHandle popup = backend->CreateWindow({WindowKind::Popup, "Popup", {100, 100, 200, 200}, 0});
  backend->ShowWindow(popup, true);
  ASSERT_TRUE(WaitFor(*backend, EventType::Expose, 2000));
  ASSERT_EQ(m_server.Run("xdotool mousemove 150 150"), 0);
  ASSERT_TRUE(WaitFor(*backend, EventType::MouseMove, 2000));
  EXPECT_TRUE(PointerVisible(Test()));
  backend->ShowCursor(false);
  EXPECT_TRUE(PumpUntil(
      *backend, [&] { return !PointerVisible(Test()); }, 2000));
  // A window made while the pointer is hidden hides it too.
  WindowHandle later = backend->CreateWindow({WindowKind::Popup, "Later", {400, 400, 50, 50}, 0});
  backend->ShowWindow(later, true);
  ASSERT_EQ(m_server.Run("xdotool mousemove 420 420"), 0);
  ASSERT_TRUE(WaitFor(*backend, EventType::MouseMove, 2000));
  EXPECT_FALSE(PointerVisible(Test()));
  backend->ShowCursor(true);
  EXPECT_TRUE(PumpUntil(
      *backend, [&] { return PointerVisible(Test()); }, 2000));
}

}  // namespace
}  // namespace vt

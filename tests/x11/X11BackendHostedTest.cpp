// The saver hosted by a saver daemon: in the daemon's window it draws into a child that
// follows the host's size, takes no input, leaves the pointer, the grabs and the server's saver
// to the daemon, reports without a box and ends only when the host goes; on the root window it
// lies below every other window.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "X11TestSupport.h"
#include "widgets/Exceptions.h"

namespace vt {
namespace {

int ServerSaverTimeout(Display* display) {
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(display, &timeout, &interval, &blanking, &exposures);
  return timeout;
}

class X11Hosted : public X11BackendTest {
 protected:
  void SetUp() override {
    X11BackendTest::SetUp();
    XSetScreenSaver(Test(), 300, 0, PreferBlanking, AllowExposures);
    m_host = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 50, 40, 300, 200, 0, 0, 0);
    XMapWindow(Test(), m_host);
    XSync(Test(), False);
    m_backend = Open();
    ASSERT_TRUE(m_backend);
    m_backend->HostSaver(m_host);
    m_app = m_backend->CreateWindow({WindowKind::AppWindow, "Vantorel", {}, 0});
    m_saver = m_backend->CreateWindow({WindowKind::FullScreen, "ElevatorScrForm", {}, 0});
    m_backend->ShowWindow(m_saver, true);
    ASSERT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
  }

  Window m_host = 0;
  std::unique_ptr<X11Backend> m_backend;
  WindowHandle m_app = 0;
  WindowHandle m_saver = 0;
};

TEST_F(X11Hosted, the_saver_covers_its_host_and_follows_its_size_in_either_dimension) {
  EXPECT_EQ(m_backend->PrimaryScreen(), (Rect{0, 0, 300, 200}));
  EXPECT_EQ(ParentOf(Test(), m_saver), m_host);
  EXPECT_EQ(Geometry(Test(), m_saver), (Rect{0, 0, 300, 200}));
  Bitmap32 frame(300, 200, 0xC03020);
  m_backend->Present(m_saver, frame, {frame.Bounds()});
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return RootPixel(Test(), 50 + 299, 40 + 199) == 0xC03020; }, 2000));
  for (Size size : {Size{300, 260}, Size{340, 260}}) {
    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
    XResizeWindow(Test(), m_host, unsigned(size.width), unsigned(size.height));
    XSync(Test(), False);
    auto resized = WaitFor(*m_backend, EventType::Resized, 2000);
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->window, m_saver);
    EXPECT_EQ((Size{resized->width, resized->height}), size);
    EXPECT_EQ(m_backend->PrimaryScreen(), (Rect{0, 0, size.width, size.height}));
    EXPECT_TRUE(PumpUntil(
        *m_backend,
        [&] {
          return Geometry(Test(), m_saver) == Rect{0, 0, size.width, size.height};
        },
        2000));
  }
}

TEST_F(X11Hosted, the_saver_takes_no_input_and_leaves_pointer_grabs_and_server_saver_alone) {
  EXPECT_EQ(m_backend->ShowCursor(false), -1);
  ASSERT_EQ(m_server.Run("xdotool mousemove 150 150 sleep 0.1 mousemove 160 150 click 1 key a"), 0);
  EXPECT_TRUE(
      Collect(*m_backend,
              {EventType::MouseMove, EventType::MouseDown, EventType::MouseUp, EventType::KeyDown},
              500)
          .empty());
  EXPECT_TRUE(PointerVisible(Test()));
  Window root = DefaultRootWindow(Test());
  EXPECT_EQ(XGrabKeyboard(Test(), root, False, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(Test(), CurrentTime);
  EXPECT_EQ(ServerSaverTimeout(Test()), 300);
  // Nobody could dismiss a box there: the report on standard error is all.
  EXPECT_TRUE(m_backend->RecordErrorBox("Vantorel", "report"));
  EXPECT_FALSE(Open()->RecordErrorBox("Vantorel", "report"));
}

TEST_F(X11Hosted, the_saver_ends_when_its_host_is_destroyed_not_when_it_is_unmapped) {
  Bitmap32* frame = m_backend->LendFrame(m_saver, 300, 200);
  ASSERT_NE(frame, nullptr);
  XUnmapWindow(Test(), m_host);
  XSync(Test(), False);
  EXPECT_FALSE(WaitFor(*m_backend, EventType::CloseRequest, 500));
  XMapWindow(Test(), m_host);
  XSync(Test(), False);
  EXPECT_FALSE(WaitFor(*m_backend, EventType::CloseRequest, 300));
  testing::internal::CaptureStderr();
  XDestroyWindow(Test(), m_host);
  XSync(Test(), False);
  // A frame on its way to the window that went with the host.
  frame->Fill(0x102030);
  m_backend->Present(m_saver, *frame, {frame->Bounds()});
  auto close = WaitFor(*m_backend, EventType::CloseRequest, 2000);
  m_backend.reset();
  // The host going is the daemon's usual way of ending the saver, not a fault to report.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_TRUE(close);
  EXPECT_EQ(close->window, m_app);
}

using X11OnTheRoot = X11BackendTest;

TEST_F(X11OnTheRoot, a_host_that_does_not_exist_is_a_system_error) {
  auto backend = Open();
  ASSERT_TRUE(backend);
  try {
    backend->HostSaver(0x7fffffff);
    FAIL() << "no error";
  } catch (const EOSError& error) {
    EXPECT_EQ(error.Message().rfind("システムエラー。コード：3.\r\n", 0), 0u) << error.Message();
  }
}

TEST_F(X11OnTheRoot, the_saver_covers_the_screen_below_every_other_window) {
  Window other = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 10, 10, 100, 100, 0, 0, 0);
  XMapRaised(Test(), other);
  XSync(Test(), False);
  auto backend = Open();
  ASSERT_TRUE(backend);
  backend->HostSaver(0);
  WindowHandle saver = backend->CreateWindow({WindowKind::FullScreen, "ElevatorScrForm", {}, 0});
  backend->ShowWindow(saver, true);
  ASSERT_TRUE(WaitFor(*backend, EventType::Expose, 2000));
  EXPECT_EQ(Geometry(Test(), saver), (Rect{0, 0, 1024, 768}));
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Test(), saver, &attributes));
  EXPECT_TRUE(attributes.override_redirect);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(Test(), DefaultRootWindow(Test()), &root, &parent, &children, &count));
  std::vector<Window> stack(children, children + count);
  XFree(children);
  auto place = [&](Window window) { return std::find(stack.begin(), stack.end(), window); };
  ASSERT_NE(place(saver), stack.end());
  EXPECT_LT(place(saver), place(other));
  backend->ShowCursor(false);
  EXPECT_TRUE(Collect(*backend, {EventType::MouseMove}, 200).empty());
  EXPECT_TRUE(PointerVisible(Test()));
}

}  // namespace
}  // namespace vt

// A saver hosted in a daemon's window: the screen is the host, the full-screen window its
// child that follows it, nothing is grabbed or hidden, no box is shown, and the host's end
// is a close request.
#include <gtest/gtest.h>

#include "X11TestSupport.h"
#include "widgets/Exceptions.h"

namespace vt {
namespace {

class X11Hosted : public X11BackendTest {
 protected:
  void SetUp() override {
    X11BackendTest::SetUp();
    m_backend = Open();
    ASSERT_TRUE(m_backend);
    m_host = XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 10, 10, 500, 300, 0, 0, 0);
    XMapWindow(Test(), m_host);
    XSync(Test(), False);
  }

  std::unique_ptr<X11Backend> m_backend;
  Window m_host = 0;
};

TEST_F(X11Hosted, full_screen_window_is_a_child_of_the_host_and_follows_its_size) {
  m_backend->HostSaver(m_host);
  EXPECT_EQ(m_backend->PrimaryScreen(), (Rect{0, 0, 500, 300}));
  WindowHandle app = m_backend->CreateWindow({WindowKind::AppWindow, "Vantorel", {}, 0});
  WindowHandle saver = m_backend->CreateWindow({WindowKind::FullScreen, "Vantorel", {}, 0});
  m_backend->ShowWindow(saver, true);

  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(Test(), saver, &root, &parent, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parent, m_host);
  // Nothing grabbed: the daemon holds the grabs.
  EXPECT_EQ(XGrabKeyboard(Test(), m_host, True, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(Test(), CurrentTime);
  EXPECT_EQ(
      XGrabPointer(Test(), m_host, True, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
      GrabSuccess);
  XUngrabPointer(Test(), CurrentTime);
  EXPECT_TRUE(m_backend->RecordErrorBox("Vantorel", "no box"));

  XResizeWindow(Test(), m_host, 640, 480);
  XSync(Test(), False);
  std::optional<InputEvent> resized = WaitFor(*m_backend, EventType::Resized, 5000);
  ASSERT_TRUE(resized);
  EXPECT_EQ(resized->window, saver);
  EXPECT_EQ(resized->width, 640);
  EXPECT_EQ(resized->height, 480);
  EXPECT_EQ(m_backend->PrimaryScreen(), (Rect{0, 0, 640, 480}));

  XDestroyWindow(Test(), m_host);
  XSync(Test(), False);
  std::optional<InputEvent> close = WaitFor(*m_backend, EventType::CloseRequest, 5000);
  ASSERT_TRUE(close);
  EXPECT_EQ(close->window, app);
}

TEST_F(X11Hosted, a_host_that_names_no_window_is_a_system_error) {
  EXPECT_THROW(m_backend->HostSaver(m_host + 1000), EOSError);
  // Hosted all the same, so that the report of the failure opens no box.
  EXPECT_TRUE(m_backend->RecordErrorBox("Vantorel", "no box"));
}

}  // namespace
}  // namespace vt

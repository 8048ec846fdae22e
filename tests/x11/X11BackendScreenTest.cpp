#include <gtest/gtest.h>

#include "X11TestSupport.h"

namespace vt {
namespace {

class PrimaryScreenSize : public ::testing::TestWithParam<Size> {};

TEST_P(PrimaryScreenSize, primary_screen_is_the_screen_xvfb_was_given) {
  XvfbServer server;
  std::string error;
  ASSERT_TRUE(server.Start(GetParam().width, GetParam().height, 24, &error)) << error;
  X11Backend::Options options;
  options.display_name = server.Name();
  auto backend = X11Backend::Open(options, &error);
  ASSERT_TRUE(backend) << error;
  EXPECT_EQ(backend->PrimaryScreen(), (Rect{0, 0, GetParam().width, GetParam().height}));
}

INSTANTIATE_TEST_SUITE_P(X11Backend, PrimaryScreenSize,
                         ::testing::Values(Size{1024, 768}, Size{1920, 1080}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

class X11Screen : public X11BackendTest {
 protected:
  // A backend on a server whose primary monitor is 800 x 600 at (100, 50), not the first.
  std::unique_ptr<X11Backend> OpenWithSideMonitor() {
    EXPECT_EQ(m_server.Run("xrandr --setmonitor '*SIDE' 800/200x600/150+100+50 none"), 0);
    return Open();
  }
};

TEST_F(X11Screen, primary_monitor_wins_over_the_first_one) {
  auto backend = OpenWithSideMonitor();
  ASSERT_TRUE(backend);
  EXPECT_EQ(backend->PrimaryScreen(), (Rect{100, 50, 800, 600}));
}

TEST_F(X11Screen, full_screen_window_covers_the_primary_monitor_at_its_origin) {
  auto backend = OpenWithSideMonitor();
  ASSERT_TRUE(backend);
  WindowHandle window = backend->CreateWindow({WindowKind::FullScreen, "Vantorel", {}, 0});
  Window root = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  ASSERT_TRUE(XGetGeometry(Test(), window, &root, &x, &y, &width, &height, &border, &depth));
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);
  EXPECT_EQ(width, 800u);
  EXPECT_EQ(height, 600u);
}

TEST_F(X11Screen, pixels_per_inch_follows_xft_dpi_rounded_and_is_96_without_a_number) {
  // Each backend reads the resources as they are when it connects; the first finds none.
  const struct {
    const char* xft_dpi;
    int expected;
  } cases[] = {{nullptr, 96}, {"120", 120}, {"143.6", 144}, {"large", 96}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xft_dpi ? c.xft_dpi : "no Xft.dpi");
    if (c.xft_dpi) {
      ASSERT_EQ(
          m_server.Run(std::string("sh -c 'echo Xft.dpi: ") + c.xft_dpi + " | xrdb -nocpp -merge'"),
          0);
    }
    auto backend = Open();
    ASSERT_TRUE(backend);
    EXPECT_EQ(backend->PixelsPerInch(), c.expected);
  }
}

// Two monitors side by side, the primary one on the right: while the scene is shown the left
// one is covered by a black window whose input is the scene's, in the scene's coordinates.
class X11Covers : public X11BackendTest {
 protected:
  void SetUp() override {
    X11BackendTest::SetUp();
    ASSERT_EQ(m_server.Run("xrandr --setmonitor LEFT 512/100x768/150+0+0 screen"), 0);
    ASSERT_EQ(m_server.Run("xrandr --setmonitor '*RIGHT' 512/100x768/150+512+0 none"), 0);
    m_backend = Open();
    ASSERT_TRUE(m_backend);
  }
  // Whether a mapped window of the program, not the scene, lies exactly over the area.
  bool Covered(const Rect& area) const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(Test(), DefaultRootWindow(Test()), &root, &parent, &children, &count)) {
      return false;
    }
    bool covered = false;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes{};
      covered = covered ||
                (XGetWindowAttributes(Test(), children[i], &attributes) &&
                 attributes.map_state == IsViewable && attributes.override_redirect &&
                 Rect{attributes.x, attributes.y, attributes.width, attributes.height} == area);
    }
    if (children) XFree(children);
    return covered;
  }

  std::unique_ptr<X11Backend> m_backend;
};

TEST_F(X11Covers, the_other_monitor_is_black_while_the_scene_shows_and_its_input_is_the_scenes) {
  const Rect left{0, 0, 512, 768};
  WindowHandle saver = m_backend->CreateWindow({WindowKind::FullScreen, "Vantorel", {}, 0});
  EXPECT_EQ(m_backend->PrimaryScreen(), (Rect{512, 0, 512, 768}));
  EXPECT_EQ(Geometry(Test(), saver), (Rect{512, 0, 512, 768}));
  EXPECT_FALSE(Covered(left));
  m_backend->ShowWindow(saver, true);
  ASSERT_TRUE(WaitFor(*m_backend, EventType::Expose, 2000));
  Bitmap32 frame(512, 768, 0x3060C0);
  m_backend->Present(saver, frame, {frame.Bounds()});
  ASSERT_TRUE(PumpUntil(
      *m_backend, [&] { return RootPixel(Test(), 1023, 767) == 0x3060C0; }, 2000));
  EXPECT_TRUE(Covered(left));
  EXPECT_EQ(RootPixels(Test(), {0, 0, 512, 768}), std::vector<unsigned long>(512 * 768, 0));

  ASSERT_EQ(m_server.Run("xdotool mousemove 100 300"), 0);
  auto move = WaitFor(*m_backend, EventType::MouseMove, 2000);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->window, saver);
  EXPECT_EQ((Point{move->x, move->y}), (Point{100 - 512, 300}));
  ASSERT_EQ(m_server.Run("xdotool click 3"), 0);
  auto click = WaitFor(*m_backend, EventType::MouseDown, 2000);
  ASSERT_TRUE(click);
  EXPECT_EQ(click->window, saver);
  EXPECT_EQ(click->button, TMouseButton::mbRight);
  EXPECT_EQ((Point{click->x, click->y}), (Point{100 - 512, 300}));
  auto release = WaitFor(*m_backend, EventType::MouseUp, 2000);
  ASSERT_TRUE(release);
  EXPECT_EQ(release->window, saver);
  EXPECT_EQ((Point{release->x, release->y}), (Point{100 - 512, 300}));
  ASSERT_EQ(m_server.Run("xdotool key Tab"), 0);
  auto key = WaitFor(*m_backend, EventType::KeyDown, 2000);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->window, saver);
  EXPECT_EQ(key->key, VK_TAB);

  // Hidden, the scene takes its cover along; shown again, it brings it back.
  m_backend->ShowWindow(saver, false);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return !Covered(left); }, 2000));
  m_backend->ShowWindow(saver, true);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return Covered(left); }, 2000));
  m_backend->DestroyWindow(saver);
  EXPECT_TRUE(PumpUntil(
      *m_backend, [&] { return !Covered(left); }, 2000));
}

TEST(X11BackendOpen, no_display_gives_no_backend_and_a_reason) {
  X11Backend::Options options;
  options.display_name = ":3999";
  std::string error;
  auto backend = X11Backend::Open(options, &error);
  EXPECT_FALSE(backend);
  EXPECT_NE(error.find(":3999"), std::string::npos) << error;
}

}  // namespace
}  // namespace vt

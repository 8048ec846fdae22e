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

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "X11TestSupport.h"

namespace vt {
namespace {

// Paints a pattern whose every pixel differs from its neighbours, so that a shifted or
// swapped channel shows.
void PaintPattern(Bitmap32& frame) {
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      uint32_t r = uint32_t(x * 7 + y) & 0xFF, g = uint32_t(y * 5 + x * 3) & 0xFF;
      uint32_t b = uint32_t(x ^ y) & 0xFF;
      frame.SetPixel(x, y, (r << 16) | (g << 8) | b);
    }
  }
}

std::vector<unsigned long> Pixels(const Bitmap32& frame, const Rect& area) {
  std::vector<unsigned long> pixels;
  for (int y = area.top; y < area.Bottom(); ++y) {
    for (int x = area.left; x < area.Right(); ++x) pixels.push_back(frame.Pixel(x, y));
  }
  return pixels;
}

enum class Transport { SharedMemory, Plain };

std::string TransportName(const ::testing::TestParamInfo<Transport>& info) {
  return info.param == Transport::SharedMemory ? "shared_memory" : "put_image";
}

class X11Present : public X11BackendTest, public ::testing::WithParamInterface<Transport> {
 protected:
  bool Shared() const { return GetParam() == Transport::SharedMemory; }

  // A shown window that has been exposed: full-screen unless bounds of a popup are given.
  WindowHandle Show(X11Backend& backend, const std::optional<Rect>& popup = std::nullopt) {
    WindowHandle window = popup ? backend.CreateWindow({WindowKind::Popup, "Popup", *popup, 0})
                                : backend.CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
    backend.ShowWindow(window, true);
    EXPECT_TRUE(WaitFor(backend, EventType::Expose, 2000));
    return window;
  }

  // The frame to paint in, as the widget layer gets it: the memory the backend lends, or
  // without shared memory a frame of its own. Painting waits, as the widget layer's does,
  // until the server has read the frame last presented.
  Bitmap32& Frame(X11Backend& backend, WindowHandle window, int width, int height) {
    EXPECT_TRUE(PumpUntil(
        backend, [&] { return !backend.FrameInUse(window); }, 2000));
    if (Bitmap32* lent = backend.LendFrame(window, width, height)) return *lent;
    if (m_own.Width() != width || m_own.Height() != height) m_own.Resize(width, height);
    return m_own;
  }

  bool ScreenShows(X11Backend& backend, int x, int y, unsigned long pixel) {
    return PumpUntil(
        backend, [&] { return RootPixel(Test(), x, y) == pixel; }, 2000);
  }

  Bitmap32 m_own;
};

TEST_P(X11Present, full_screen_frame_reaches_the_screen_pixel_for_pixel) {
  auto backend = Open(Shared());
  WindowHandle window = Show(*backend);
  Bitmap32& frame = Frame(*backend, window, 1024, 768);
  PaintPattern(frame);
  backend->Present(window, frame, {frame.Bounds()});
  EXPECT_EQ(backend->UsesSharedMemory(window), Shared());
  ASSERT_TRUE(ScreenShows(*backend, 1023, 767, frame.Pixel(1023, 767)));
  EXPECT_EQ(RootPixels(Test(), frame.Bounds()), Pixels(frame, frame.Bounds()));
}

TEST_P(X11Present, only_dirty_rectangles_are_sent) {
  auto backend = Open(Shared());
  WindowHandle window = Show(*backend);
  Frame(*backend, window, 1024, 768).Fill(0xFF0000);
  backend->Present(window, Frame(*backend, window, 1024, 768), {{0, 0, 1024, 768}});
  ASSERT_TRUE(ScreenShows(*backend, 500, 400, 0xFF0000));
  Bitmap32& frame = Frame(*backend, window, 1024, 768);
  frame.Fill(0x0000FF);
  Rect dirty{100, 100, 20, 10};
  backend->Present(window, frame, {dirty});
  ASSERT_TRUE(ScreenShows(*backend, 100, 100, 0x0000FF));
  Rect around{90, 90, 40, 30};
  std::vector<unsigned long> pixels = RootPixels(Test(), around);
  for (int y = around.top; y < around.Bottom(); ++y) {
    for (int x = around.left; x < around.Right(); ++x) {
      unsigned long expected = dirty.Contains(x, y) ? 0x0000FF : 0xFF0000;
      ASSERT_EQ(pixels[size_t(y - around.top) * 40 + size_t(x - around.left)], expected)
          << x << "," << y;
    }
  }
  EXPECT_EQ(RootPixel(Test(), 0, 0), 0xFF0000u);
  EXPECT_EQ(RootPixel(Test(), 1023, 767), 0xFF0000u);
}

TEST_P(X11Present, dirty_rectangles_are_clipped_to_the_frame) {
  auto backend = Open(Shared());
  WindowHandle window = Show(*backend, Rect{100, 100, 64, 64});
  Frame(*backend, window, 64, 64).Fill(0x00FF00);
  backend->Present(window, Frame(*backend, window, 64, 64), {{0, 0, 64, 64}});
  ASSERT_TRUE(ScreenShows(*backend, 100, 100, 0x00FF00));
  Bitmap32& frame = Frame(*backend, window, 64, 64);
  frame.Fill(0x123456);
  backend->Present(window, frame, {{-10, -10, 20, 20}, {60, 60, 50, 50}, {200, 0, 5, 5}});
  ASSERT_TRUE(ScreenShows(*backend, 163, 163, 0x123456));
  EXPECT_EQ(RootPixel(Test(), 100, 100), 0x123456u);
  EXPECT_EQ(RootPixel(Test(), 109, 109), 0x123456u);
  EXPECT_EQ(RootPixel(Test(), 110, 110), 0x00FF00u);
  EXPECT_EQ(RootPixel(Test(), 159, 159), 0x00FF00u);
  EXPECT_EQ(RootPixel(Test(), 160, 160), 0x123456u);
  // Nothing outside the window was touched.
  EXPECT_NE(RootPixel(Test(), 164, 164), 0x123456u);
}

TEST_P(X11Present, growing_window_gets_a_larger_image) {
  auto backend = Open(Shared());
  WindowHandle window = Show(*backend, Rect{0, 0, 100, 100});
  Bitmap32& small = Frame(*backend, window, 100, 100);
  PaintPattern(small);
  backend->Present(window, small, {small.Bounds()});
  ASSERT_TRUE(ScreenShows(*backend, 99, 99, small.Pixel(99, 99)));
  backend->SetWindowBounds(window, {0, 0, 300, 200});
  Bitmap32& large = Frame(*backend, window, 300, 200);
  PaintPattern(large);
  for (int x = 0; x < 300; ++x) large.SetPixel(x, 199, 0xABCDEF);
  backend->Present(window, large, {large.Bounds()});
  EXPECT_EQ(backend->UsesSharedMemory(window), Shared());
  ASSERT_TRUE(ScreenShows(*backend, 299, 199, 0xABCDEF));
  EXPECT_EQ(RootPixels(Test(), large.Bounds()), Pixels(large, large.Bounds()));
  // Taller only: the whole new height is painted and shown.
  backend->SetWindowBounds(window, {0, 0, 300, 260});
  Bitmap32& taller = Frame(*backend, window, 300, 260);
  ASSERT_EQ(taller.Height(), 260);
  PaintPattern(taller);
  for (int x = 0; x < 300; ++x) taller.SetPixel(x, 259, 0x13579B);
  backend->Present(window, taller, {taller.Bounds()});
  ASSERT_TRUE(ScreenShows(*backend, 299, 259, 0x13579B));
  EXPECT_EQ(RootPixels(Test(), taller.Bounds()), Pixels(taller, taller.Bounds()));
}

TEST_P(X11Present, frames_in_a_row_each_arrive_whole) {
  auto backend = Open(Shared());
  WindowHandle window = Show(*backend);
  Rect band{0, 300, 1024, 100};
  for (uint32_t colour : {0x111111u, 0x222222u, 0x333333u}) {
    Bitmap32& frame = Frame(*backend, window, 1024, 768);
    frame.Fill(colour);
    backend->Present(window, frame, {band});
  }
  ASSERT_TRUE(ScreenShows(*backend, 1023, 399, 0x333333));
  std::vector<unsigned long> pixels = RootPixels(Test(), band);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0x333333ul), long(pixels.size()));
}

INSTANTIATE_TEST_SUITE_P(X11Backend, X11Present,
                         ::testing::Values(Transport::SharedMemory, Transport::Plain),
                         TransportName);

// While the server still has to read a shared frame (here: it serves another client alone),
// the frame stays in use, and its release wakes the waiting program; what was presented
// then reaches the screen pixel for pixel.
TEST_F(X11BackendTest, shared_frame_stays_in_use_until_the_server_has_read_it) {
  auto backend = Open(true);
  WindowHandle window = backend->CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
  backend->ShowWindow(window, true);
  ASSERT_TRUE(WaitFor(*backend, EventType::Expose, 2000));
  Bitmap32* frame = backend->LendFrame(window, 1024, 768);
  ASSERT_NE(frame, nullptr);
  frame->Fill(0x404040);
  backend->Present(window, *frame, {frame->Bounds()});
  ASSERT_TRUE(PumpUntil(
      *backend, [&] { return !backend->FrameInUse(window); }, 2000));

  XGrabServer(Test());
  XSync(Test(), False);
  PaintPattern(*frame);
  backend->Present(window, *frame, {frame->Bounds()});
  EXPECT_TRUE(backend->FrameInUse(window));
  EXPECT_FALSE(WaitFor(*backend, EventType::FrameReleased, 300));
  EXPECT_TRUE(backend->FrameInUse(window));
  XUngrabServer(Test());
  XSync(Test(), False);

  std::optional<InputEvent> released = WaitFor(*backend, EventType::FrameReleased, 2000);
  ASSERT_TRUE(released);
  EXPECT_EQ(released->window, window);
  EXPECT_FALSE(backend->FrameInUse(window));
  EXPECT_EQ(RootPixels(Test(), frame->Bounds()), Pixels(*frame, frame->Bounds()));
}

class X11Present16 : public X11Present {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(m_server.Start(320, 240, 16, &error)) << error;
  }
};

TEST_P(X11Present16, sixteen_bit_screen_gets_converted_pixels) {
  auto backend = Open(Shared());
  WindowHandle window = Show(*backend);
  // No frame in shared memory: the server's pixels are not laid out as the frame's.
  EXPECT_EQ(backend->LendFrame(window, 320, 240), nullptr);
  Bitmap32 frame(320, 240, 0x345678);
  frame.SetPixel(10, 20, 0xFFFFFF);
  frame.SetPixel(11, 20, 0xFF0000);
  frame.SetPixel(12, 20, 0x00FF00);
  frame.SetPixel(13, 20, 0x0000FF);
  backend->Present(window, frame, {frame.Bounds()});
  // 5 bits of red, 6 of green, 5 of blue.
  unsigned long background = (0x34ul >> 3) << 11 | (0x56ul >> 2) << 5 | (0x78ul >> 3);
  ASSERT_TRUE(ScreenShows(*backend, 319, 239, background));
  EXPECT_EQ(RootPixel(Test(), 10, 20), 0xFFFFul);
  EXPECT_EQ(RootPixel(Test(), 11, 20), 0xF800ul);
  EXPECT_EQ(RootPixel(Test(), 12, 20), 0x07E0ul);
  EXPECT_EQ(RootPixel(Test(), 13, 20), 0x001Ful);
  EXPECT_EQ(RootPixel(Test(), 0, 0), background);
  // A dirty rectangle away from the origin is converted from its own place in the frame.
  frame.Fill(0x0000FF);
  frame.SetPixel(100, 50, 0xFFFFFF);
  backend->Present(window, frame, {{100, 50, 20, 10}});
  ASSERT_TRUE(ScreenShows(*backend, 119, 59, 0x001F));
  EXPECT_EQ(RootPixel(Test(), 100, 50), 0xFFFFul);
  EXPECT_EQ(RootPixel(Test(), 101, 51), 0x001Ful);
  EXPECT_EQ(RootPixel(Test(), 99, 50), background);
  EXPECT_EQ(RootPixel(Test(), 120, 60), background);
}

INSTANTIATE_TEST_SUITE_P(X11Backend, X11Present16,
                         ::testing::Values(Transport::SharedMemory, Transport::Plain),
                         TransportName);

}  // namespace
}  // namespace vt

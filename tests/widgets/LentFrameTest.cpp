// Frames painted in memory that the backend lends, as the X11 and Win32 backends do: the
// form paints straight into it, leaves it alone while the platform still reads it, and what
// reaches the screen is what a whole repaint paints.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TImage.h"

namespace vt::test {
namespace {

// Lends each window a frame of its own and, once told to, holds every presented frame in use
// until the test releases it, as a display server does until it has read the pixels.
class LendingBackend : public HeadlessBackend {
 public:
  LendingBackend() : HeadlessBackend({640, 480}) {}

  Bitmap32* LendFrame(WindowHandle window, int width, int height) override {
    Bitmap32& frame = m_frames[window];
    // Fresh memory holds anything: the form has to paint every pixel it shows.
    if (frame.Width() != width || frame.Height() != height) {
      frame = Bitmap32(width, height, 0x5A5A5A);
    }
    return &frame;
  }
  bool FrameInUse(WindowHandle window) override {
    if (!m_in_use.count(window)) return false;
    m_waiting.insert(window);
    return true;
  }
  void Present(WindowHandle window, const Bitmap32& frame,
               const std::vector<Rect>& dirty) override {
    HeadlessBackend::Present(window, frame, dirty);
    if (m_hold) m_in_use.insert(window);
  }

  void Hold() { m_hold = true; }
  void Release(WindowHandle window) {
    m_in_use.erase(window);
    if (!m_waiting.erase(window)) return;
    InputEvent released;
    released.type = EventType::FrameReleased;
    released.window = window;
    PostEvent(released);
  }
  const Bitmap32& Lent(WindowHandle window) { return m_frames[window]; }

 private:
  std::map<WindowHandle, Bitmap32> m_frames;
  std::set<WindowHandle> m_in_use;
  std::set<WindowHandle> m_waiting;
  bool m_hold = false;
};

class LentFrameTest : public WidgetTest {
 protected:
  LentFrameTest() : WidgetTest(std::make_unique<LendingBackend>()) {}
  LendingBackend& Backend() { return static_cast<LendingBackend&>(m_backend); }

  // A form with a blue square on it, shown and painted once.
  void SetUp() override {
    m_form = MakePlainForm(120, 90, "clWhite");
    m_square = m_form->CreateOwned<TImage>();
    m_square->Picture().Assign(BitmapGraphic(Bitmap32(10, 10, 0x0000FF)));
    m_square->SetBounds(5, 5, 10, 10);
    m_square->SetParent(m_form);
    ShowAndPaint();
  }

  // Pixels on the screen that a whole repaint paints otherwise.
  int ScreenDiffersFromRepaint() {
    const Bitmap32 shown = m_backend.FindWindow(m_form->Handle())->screen;
    const Bitmap32& whole = Repaint(*m_form);
    if (shown.Width() != whole.Width() || shown.Height() != whole.Height()) return -1;
    int differing = 0;
    for (int y = 0; y < shown.Height(); ++y) {
      for (int x = 0; x < shown.Width(); ++x) differing += shown.Pixel(x, y) != whole.Pixel(x, y);
    }
    return differing;
  }

  TestForm* m_form = nullptr;
  TImage* m_square = nullptr;
};

TEST_F(LentFrameTest, form_paints_into_the_lent_memory_and_shows_every_pixel) {
  EXPECT_EQ(m_form->Frame().Data(), Backend().Lent(m_form->Handle()).Data());
  EXPECT_EQ(m_form->Frame().Pixel(60, 60), clWhite);
  EXPECT_EQ(m_form->Frame().Pixel(7, 7), 0x0000FFu);
  EXPECT_EQ(ScreenDiffersFromRepaint(), 0);
}

TEST_F(LentFrameTest, repaint_waits_while_the_frame_is_in_use_and_comes_with_its_release) {
  Backend().Hold();
  m_square->SetLeft(40);
  m_app.RunUntil(10);
  const int64_t presents = m_backend.PresentCalls();
  // The frame is in use now: a change waits, with its rectangles, however long it takes.
  m_square->SetLeft(80);
  m_app.RunUntil(1000);
  EXPECT_EQ(m_backend.PresentCalls(), presents);
  EXPECT_FALSE(m_form->DirtyRects().empty());
  EXPECT_EQ(m_form->Frame().Pixel(85, 7), clWhite);

  Backend().Release(m_form->Handle());
  m_app.RunUntil(1010);
  EXPECT_EQ(m_backend.PresentCalls(), presents + 1);
  EXPECT_TRUE(m_form->DirtyRects().empty());
  EXPECT_EQ(m_backend.FindWindow(m_form->Handle())->screen.Pixel(85, 7), 0x0000FFu);
  EXPECT_EQ(m_backend.FindWindow(m_form->Handle())->screen.Pixel(45, 7), clWhite);
  EXPECT_EQ(ScreenDiffersFromRepaint(), 0);
}

TEST_F(LentFrameTest, resized_form_paints_all_of_a_new_lent_frame) {
  m_form->SetBounds(0, 0, 200, 150);
  m_app.RunUntil(10);
  EXPECT_EQ(m_form->Frame().Data(), Backend().Lent(m_form->Handle()).Data());
  EXPECT_EQ(m_form->Frame().Width(), 200);
  EXPECT_EQ(m_form->Frame().Pixel(199, 149), clWhite);
  EXPECT_EQ(ScreenDiffersFromRepaint(), 0);
}

}  // namespace
}  // namespace vt::test

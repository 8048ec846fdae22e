// A surface's two shared-memory buffers, without a compositor: a buffer the compositor holds
// is never drawn into, a buffer that comes back gets what it missed, and frames that find no
// buffer are asked for again once one comes back; the byte the pixel format leaves unused is
// set, so that what reads a buffer back as alpha sees it opaque.
#include <gtest/gtest.h>

#include <vector>

#include "widgets/wayland/WaylandBuffers.h"

namespace vt {
namespace {

class WaylandBuffersTest : public ::testing::Test {
 protected:
  WaylandBuffersTest()
      : m_buffers(nullptr, [this](const Rect& missed) { m_asked.push_back(missed); }),
        m_frame(64, 48, 0x808080) {}

  // Paints an area of the frame and hands the change to the buffers.
  WaylandBuffers::Buffer* Paint(const Rect& area, uint32_t colour) {
    for (int y = area.top; y < area.Bottom(); ++y) {
      for (int x = area.left; x < area.Right(); ++x) m_frame.SetPixel(x, y, colour);
    }
    return m_buffers.Draw(m_frame, {area}, &m_damage);
  }
  // Every pixel of the frame, opaque.
  bool HoldsTheFrame(const WaylandBuffers::Buffer& buffer) const {
    if (buffer.width != m_frame.Width() || buffer.height != m_frame.Height()) return false;
    for (size_t i = 0; i < size_t(m_frame.Width()) * size_t(m_frame.Height()); ++i) {
      if (buffer.pixels[i] != (m_frame.Data()[i] | 0xFF000000u)) return false;
    }
    return true;
  }

  WaylandBuffers m_buffers;
  Bitmap32 m_frame;
  std::vector<Rect> m_damage;
  std::vector<Rect> m_asked;
};

TEST_F(WaylandBuffersTest, AHeldBufferIsLeftAloneAndTheOtherOneTakesTheWholeFrame) {
  WaylandBuffers::Buffer* first = Paint(m_frame.Bounds(), 0xFF0000);
  ASSERT_TRUE(first);
  EXPECT_TRUE(HoldsTheFrame(*first));
  EXPECT_TRUE(first->busy);
  WaylandBuffers::Buffer* second = Paint({10, 10, 5, 5}, 0x00FF00);
  ASSERT_TRUE(second);
  EXPECT_NE(second, first);
  EXPECT_TRUE(HoldsTheFrame(*second));
  EXPECT_EQ(first->pixels[10 * 64 + 10], 0xFFFF0000u);
  EXPECT_EQ(m_damage, (std::vector<Rect>{{10, 10, 5, 5}}));
  EXPECT_EQ(m_buffers.Count(), 2);
}

TEST_F(WaylandBuffersTest, ABufferThatComesBackGetsWhatItMissedAndOnlyTheChangeIsDamaged) {
  WaylandBuffers::Buffer* first = Paint(m_frame.Bounds(), 0xFF0000);
  WaylandBuffers::Buffer* second = Paint({10, 10, 5, 5}, 0x00FF00);
  m_buffers.Released(*first);
  EXPECT_EQ(Paint({40, 30, 8, 8}, 0x0000FF), first);
  EXPECT_TRUE(HoldsTheFrame(*first));
  EXPECT_EQ(m_damage, (std::vector<Rect>{{40, 30, 8, 8}}));
  m_buffers.Released(*second);
  EXPECT_EQ(Paint({0, 0, 1, 1}, 0xFFFFFF), second);
  EXPECT_TRUE(HoldsTheFrame(*second));
  EXPECT_EQ(m_buffers.Count(), 2);
  EXPECT_TRUE(m_asked.empty());
}

TEST_F(WaylandBuffersTest, FramesThatFindNoBufferAreAskedForOnceABufferComesBack) {
  WaylandBuffers::Buffer* first = Paint(m_frame.Bounds(), 0xFF0000);
  WaylandBuffers::Buffer* second = Paint({10, 10, 5, 5}, 0x00FF00);
  EXPECT_EQ(Paint({20, 20, 4, 4}, 0x0000FF), nullptr);
  EXPECT_EQ(Paint({30, 20, 4, 4}, 0x0000FF), nullptr);
  EXPECT_EQ(m_buffers.Count(), 2);
  EXPECT_TRUE(m_asked.empty());
  m_buffers.Released(*second);
  ASSERT_EQ(m_asked, (std::vector<Rect>{{20, 20, 14, 4}}));
  m_buffers.Released(*first);
  ASSERT_EQ(m_asked.size(), 1u);
  // Asked again, the area goes into a buffer, which holds the frame.
  WaylandBuffers::Buffer* next = m_buffers.Draw(m_frame, {m_asked[0]}, &m_damage);
  ASSERT_TRUE(next);
  EXPECT_TRUE(HoldsTheFrame(*next));
}

TEST_F(WaylandBuffersTest, AFrameOfAnotherSizeGetsNewBuffers) {
  Paint(m_frame.Bounds(), 0xFF0000);
  m_frame.Resize(32, 16, 0x123456);
  WaylandBuffers::Buffer* resized = m_buffers.Draw(m_frame, {m_frame.Bounds()}, &m_damage);
  ASSERT_TRUE(resized);
  EXPECT_TRUE(HoldsTheFrame(*resized));
  EXPECT_EQ(m_buffers.Count(), 1);
}

}  // namespace
}  // namespace vt

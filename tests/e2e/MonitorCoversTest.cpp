// "/s" on two and three monitors side by side: the scene on the primary one (in the middle),
// the others covered by black windows that hide the pointer, take input like the scene and go
// with it.
#include "EndToEndTest.h"

// clang-format off
// X's headers come last: their macros would break the headers above.
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

class MonitorCovers : public EndToEndTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override { StartDisplay(640 * GetParam(), 480); }
  static Rect Monitor(int i) { return {i * 640, 0, 640, 480}; }
  bool Covered(const Rect& monitor) const {
    for (const ProgramWindow& window : ChildrenOf(DefaultRootWindow(X()))) {
      if (window.viewable && window.bounds == monitor) return true;
    }
    return false;
  }
};

TEST_P(MonitorCovers, OtherMonitorsAreBlackAndTheirInputEndsTheSaver) {
  const int primary = GetParam() / 2;
  SplitIntoMonitors(GetParam(), primary);
  ASSERT_FALSE(HasFatalFailure());
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  EXPECT_EQ(ViewableWindowNamed("ElevatorScrForm")->bounds, Monitor(primary));
  for (int i = 0; i < GetParam(); ++i) {
    if (i == primary) continue;
    Rect monitor = Monitor(i);
    EXPECT_TRUE(WaitUntil([&] { return Covered(monitor); }, 5s)) << "monitor " << i;
    for (auto [x, y] : {std::pair{1, 1}, {320, 240}, {638, 478}}) {
      EXPECT_EQ(ScreenPixel(monitor.left + x, y), 0u) << "monitor " << i;
    }
  }

  // Over monitor 0, never the primary one, the first movement only records where the pointer
  // was, as over the scene; the next one ends the saver.
  ASSERT_EQ(Run("xdotool mousemove 100 100"), 0);
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_TRUE(PointerIsBlank());
  ASSERT_EQ(Run("xdotool mousemove 140 100"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(ProgramWindows().empty());
  EXPECT_FALSE(Covered(Monitor(0)));
}

INSTANTIATE_TEST_SUITE_P(Monitors, MonitorCovers, ::testing::Values(2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param) + "Monitors";
                         });

}  // namespace
}  // namespace vt

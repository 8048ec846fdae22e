// "/s" on two and three monitors side by side: the scene on the primary one, and the others
// covered by black windows of the program's that hide the pointer, take input like the scene
// and go with it.
#include "EndToEndTest.h"

// clang-format off
// X's headers come last: their macros would break the headers above.
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

constexpr int kMonitorWidth = 640, kMonitorHeight = 480;

class MonitorCovers : public EndToEndTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    StartDisplay(kMonitorWidth * GetParam(), kMonitorHeight);
    ASSERT_FALSE(HasFatalFailure());
    // The primary monitor in the middle, so that with three there are covers on both sides;
    // the first monitor takes over the server's own output, so that none spans them all.
    for (int i = 0; i < GetParam(); ++i) {
      Rect area = Monitor(i);
      std::string geometry = std::to_string(area.width) + "/200x" + std::to_string(area.height) +
                             "/150+" + std::to_string(area.left) + "+0";
      ASSERT_EQ(Run("xrandr --setmonitor '" + std::string(i == Primary() ? "*" : "") + "M" +
                    std::to_string(i) + "' " + geometry + (i == 0 ? " screen" : " none")),
                0);
    }
  }

  int Primary() const { return GetParam() / 2; }
  static Rect Monitor(int i) { return {i * kMonitorWidth, 0, kMonitorWidth, kMonitorHeight}; }
  bool Covered(const Rect& monitor) const {
    for (const ProgramWindow& window : ChildrenOf(DefaultRootWindow(X()))) {
      if (window.viewable && window.bounds == monitor) return true;
    }
    return false;
  }
};

TEST_P(MonitorCovers, OtherMonitorsAreBlackAndTheirInputEndsTheSaver) {
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  std::optional<ProgramWindow> scene = ViewableWindowNamed("ElevatorScrForm");
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->bounds, Monitor(Primary()));

  // Monitor 0 is never the primary one.
  Rect side = Monitor(0);
  for (int i = 0; i < GetParam(); ++i) {
    if (i == Primary()) continue;
    Rect monitor = Monitor(i);
    EXPECT_TRUE(WaitUntil([&] { return Covered(monitor); }, 5s)) << "monitor " << i;
    for (auto [x, y] : {std::pair{1, 1},
                        {monitor.width / 2, monitor.height / 2},
                        {monitor.width - 2, monitor.height - 2}}) {
      EXPECT_EQ(ScreenPixel(monitor.left + x, monitor.top + y), 0u) << "monitor " << i;
    }
  }

  // The first movement over a cover only records where the pointer was, as over the scene.
  auto move_to = [&](int x) {
    return Run("xdotool mousemove " + std::to_string(side.left + x) + " 100");
  };
  ASSERT_EQ(move_to(100), 0);
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_TRUE(PointerIsBlank());
  ASSERT_EQ(move_to(140), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(ProgramWindows().empty());
  EXPECT_FALSE(Covered(side));
}

INSTANTIATE_TEST_SUITE_P(Monitors, MonitorCovers, ::testing::Values(2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param) + "Monitors";
                         });

}  // namespace
}  // namespace vt

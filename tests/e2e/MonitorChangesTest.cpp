// "/s" while the monitors change under it, as docking a laptop or a monitor dropping off its
// cable does: a monitor added is covered in black, one removed is uncovered, a primary monitor
// that shrinks or moves gets the whole building laid out for it, and input anywhere still ends
// the saver. The monitors are XRandR's, set and deleted with xrandr on an Xvfb started with
// -noreset (which keeps them when the last client goes).
#include "EndToEndTest.h"
#include "SceneChecks.h"

// clang-format off
// X's headers come last: their macros would break the headers above.
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

// What the desktop shows where no window covers it.
constexpr uint32_t kDesktop = 0x204060;

// A monitor for xrandr --setmonitor: its name (a leading "*" makes it the primary one), its
// place, and the output it takes ("screen", Xvfb's only one, or "none").
std::string MonitorArguments(const std::string& name, const Rect& area, const std::string& output) {
  return "'" + name + "' " + std::to_string(area.width) + "/300x" + std::to_string(area.height) +
         "/200+" + std::to_string(area.left) + "+" + std::to_string(area.top) + " " + output;
}

Bitmap32 Crop(const Bitmap32& screen, const Rect& area) {
  Bitmap32 part(area.width, area.height);
  for (int y = 0; y < area.height; ++y) {
    for (int x = 0; x < area.width; ++x) {
      part.SetPixel(x, y, screen.Pixel(area.left + x, area.top + y));
    }
  }
  return part;
}

class MonitorChanges : public EndToEndTest {
 protected:
  // A screen of the size with the desktop's colour, its monitors as given.
  void Start(int width, int height, const std::vector<std::string>& monitors) {
    StartDisplay(width, height);
    ASSERT_EQ(Run("xsetroot -solid '#204060'"), 0);
    for (const std::string& monitor : monitors) {
      ASSERT_EQ(Run("xrandr --setmonitor " + monitor), 0);
    }
  }
  void SetUp() override {}

  // How many pixels of the area show the desktop, and how many anything but black.
  std::pair<int, int> DesktopAndNotBlack(const Rect& area) const {
    Bitmap32 screen = Screen();
    int desktop = 0, not_black = 0;
    for (int y = area.top; y < area.Bottom(); ++y) {
      for (int x = area.left; x < area.Right(); ++x) {
        desktop += screen.Pixel(x, y) == kDesktop;
        not_black += screen.Pixel(x, y) != 0;
      }
    }
    return {desktop, not_black};
  }
  bool ShowsOnly(const Rect& area, uint32_t colour) const {
    auto [desktop, not_black] = DesktopAndNotBlack(area);
    return colour == 0 ? not_black == 0 : desktop == area.width * area.height;
  }

  // The scene laid out for the monitor, with the whole building where the layout puts it.
  void ExpectScene(const Rect& monitor, const SceneLayout& layout) {
    EXPECT_TRUE(WaitUntil(
        [&] {
          std::optional<ProgramWindow> scene = ViewableWindowNamed("ElevatorScrForm");
          return scene && scene->bounds == monitor && ScenePainted(layout, [&](int x, int y) {
                   return ScreenPixel(monitor.left + x, monitor.top + y);
                 });
        },
        10s))
        << "no scene laid out for " << monitor.width << " x " << monitor.height;
    Bitmap32 scene = Crop(Screen(), monitor);
    ExpectCarOnAFloorLine(scene, layout);
    ExpectShaftWhereTheBuildingPutsIt(scene, layout);
    ExpectSignboardWhereItStands(scene, layout);
  }
};

TEST_F(MonitorChanges, AMonitorAddedIsBlackAtOnceAndOneRemovedShowsTheDesktopAgain) {
  const Rect primary{0, 0, 1024, 768}, added{1024, 0, 640, 480};
  Start(1664, 768, {MonitorArguments("*P", primary, "screen")});
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  ASSERT_TRUE(ShowsOnly(added, kDesktop));

  ASSERT_EQ(Run("xrandr --setmonitor " + MonitorArguments("Q", added, "none")), 0);
  EXPECT_TRUE(WaitUntil([&] { return ShowsOnly(added, 0); }, 1s))
      << DesktopAndNotBlack(added).first << " pixels of the desktop show on the new monitor";
  // The cover lies below the scene, as every cover does.
  int scene_level = -1, cover_level = -1;
  for (const ProgramWindow& window : ChildrenOf(DefaultRootWindow(X()))) {
    if (window.viewable && window.bounds == primary) scene_level = window.stacking;
    if (window.viewable && window.bounds == added) cover_level = window.stacking;
  }
  EXPECT_LT(cover_level, scene_level);
  EXPECT_GE(cover_level, 0);
  // Input over it is the saver's: the first movement is recorded, the second ends it.
  ASSERT_EQ(Run("xdotool mousemove 1300 200"), 0);
  EXPECT_TRUE(KeepsRunning(saver));

  ASSERT_EQ(Run("xrandr --delmonitor Q"), 0);
  EXPECT_TRUE(WaitUntil([&] { return ShowsOnly(added, kDesktop); }, 5s));
  // The scene stood through all of it, laid out once.
  ExpectScene(primary, kLayout1024x768);

  ASSERT_EQ(Run("xrandr --setmonitor " + MonitorArguments("Q", added, "none")), 0);
  ASSERT_TRUE(WaitUntil([&] { return ShowsOnly(added, 0); }, 5s));
  ASSERT_EQ(Run("xdotool mousemove 1310 200"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(ProgramWindows().empty());
}

TEST_F(MonitorChanges, APrimaryMonitorThatShrinksGetsTheWholeBuildingLaidOutForIt) {
  const Rect large{0, 0, 1920, 1080}, small{0, 0, 1280, 720};
  Start(1920, 1080, {MonitorArguments("*P", large, "screen")});
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  ExpectScene(large, kLayout1920x1080);

  // A monitor is not redefined in place: it is deleted and set again.
  ASSERT_EQ(Run("xrandr --delmonitor P"), 0);
  ASSERT_EQ(Run("xrandr --setmonitor " + MonitorArguments("*P", small, "screen")), 0);
  ExpectScene(small, kLayout1280x720);
  // Nothing of the old, larger scene is left around it: that is no monitor's now.
  EXPECT_TRUE(ShowsOnly({1280, 0, 640, 1080}, kDesktop));
  EXPECT_EQ(ProgramWindows().size(), 2u) << "the application's window and the scene";

  ASSERT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

TEST_F(MonitorChanges, ThePrimaryMovedToAnotherMonitorTakesTheSceneAndLeavesACover) {
  const Rect left{0, 0, 1280, 720}, right{1280, 0, 1024, 768};
  Start(2304, 768, {MonitorArguments("*A", left, "screen"), MonitorArguments("B", right, "none")});
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  ExpectScene(left, kLayout1280x720);
  EXPECT_TRUE(WaitUntil([&] { return ShowsOnly(right, 0); }, 5s));

  ASSERT_EQ(Run("xrandr --delmonitor A --delmonitor B"), 0);
  ASSERT_EQ(Run("xrandr --setmonitor " + MonitorArguments("A", left, "none") + " --setmonitor " +
                MonitorArguments("*B", right, "screen")),
            0);
  ExpectScene(right, kLayout1024x768);
  EXPECT_TRUE(WaitUntil([&] { return ShowsOnly(left, 0); }, 5s));
  EXPECT_TRUE(PointerIsBlank());

  // Over the monitor the scene left, now covered, input ends the saver.
  ASSERT_EQ(Run("xdotool mousemove 100 100"), 0);
  EXPECT_TRUE(KeepsRunning(saver));
  ASSERT_EQ(Run("xdotool mousemove 140 100"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(ProgramWindows().empty());
}

}  // namespace
}  // namespace vt

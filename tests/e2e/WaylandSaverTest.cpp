// "/s" in a Wayland session, under a real headless sway: the scene on the output the
// compositor picks and black on the others, also on one added while it runs; the scene laid
// out for 192 pixels per inch on an output of scale 2; full-screen xdg toplevels where the
// layer shell is not to be used; the box of a missing data folder above the saver.
#include <filesystem>

#include "WaylandEndToEndTest.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

class WaylandSaver : public WaylandEndToEndTest {
 protected:
  // The scene of the 1024 x 768 output where the layout puts it, and nothing but black on
  // the other one.
  void ExpectSceneAndCover() {
    Bitmap32 scene = m_sway.Screenshot(0);
    ExpectCarOnAFloorLine(scene, kLayout1024x768);
    ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1024x768);
    ExpectSignboardWhereItStands(scene, kLayout1024x768);
    EXPECT_TRUE(m_sway.WaitForColour(1, kBlack, 5s));
  }
};

TEST_F(WaylandSaver, TheSceneIsOnTheFocusedOutputAndTheOtherOneIsBlack) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ExpectSceneAndCover();
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(saver);
}

TEST_F(WaylandSaver, FullScreenToplevelsShowTheSameWhereTheLayerShellIsNotUsed) {
  ChildProcess& saver = StartInSession({"/s"}, {"VANTOREL_WAYLAND_SHELL=xdg"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ExpectSceneAndCover();
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(saver);
}

TEST_F(WaylandSaver, AnOutputAddedWhileItRunsTurnsBlack) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ASSERT_EQ(m_sway.Run("swaymsg -q create_output"), 0);
  // Black, and still black once the new output's background has had time to come.
  EXPECT_TRUE(m_sway.WaitForColour(2, kBlack, 10s));
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_TRUE(m_sway.ShowsOnly(2, kBlack));
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(saver, {0, 1, 2});
}

TEST_F(WaylandSaver, WithoutTheDataFolderOneBoxAboveTheSaverThenTheSceneWhichEndsOnAKey) {
  std::filesystem::remove_all(m_sway.Folder() + "/VantorelData");
  ChildProcess& saver = StartInSession({"/s"});
  auto icon_pixels = [&] { return IconPixels(0); };
  // The box's icon, a disc of radius 16 with a white cross, over the black of the saver.
  ASSERT_TRUE(WaitUntil([&] { return icon_pixels() > 500 || !saver.Running(); }, 20s))
      << ErrorOutput(saver);
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  EXPECT_LT(icon_pixels(), 32u * 32u);
  Bitmap32 screen = m_sway.Screenshot(0);
  for (auto [x, y] : {std::pair{0, 0}, {1023, 0}, {0, 767}, {1023, 767}}) {
    EXPECT_EQ(screen.Pixel(x, y), kBlack) << x << "," << y;
  }
  std::string line = ErrorOutput(saver);
  std::string head = "Vantorel: ファイル " + m_sway.Folder() + "/VantorelData/mirso";
  EXPECT_EQ(line.substr(0, head.size()), head) << line;

  EXPECT_TRUE(KeepsRunning(saver, 300ms));
  EXPECT_TRUE(m_sway.Key("Return"));
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  EXPECT_EQ(icon_pixels(), 0u);
  // No second box: the rooftop character is not even tried once the backdrop failed.
  EXPECT_TRUE(KeepsRunning(saver, 300ms));
  EXPECT_EQ(ErrorOutput(saver), line);
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(m_sway.WaitForBackground(0, 5s));
}

class WaylandHighDensity : public WaylandEndToEndTest {
 protected:
  std::vector<SwaySession::Output> Outputs() const override { return {{1920, 1080, 2}}; }
};

TEST_F(WaylandHighDensity, AnOutputOfScaleTwoShowsTheSceneAtItsFullSizeLaidOutFor192Dpi) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1920x1080At192)) << ErrorOutput(saver);
  Bitmap32 scene = m_sway.Screenshot(0);
  EXPECT_EQ(scene.Width(), 1920);
  EXPECT_EQ(scene.Height(), 1080);
  ExpectCarOnAFloorLine(scene, kLayout1920x1080At192);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1920x1080At192);
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(saver, {0});
}

}  // namespace
}  // namespace vt

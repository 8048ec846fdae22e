// "/s" in a Wayland session whose outputs change or go: the scene laid out again for its
// output's new size or scale, covers that follow theirs, the scene moved to another output when
// its own goes (also under an error box), and an end with exit code 0 when nothing is left to
// show on, so that no invisible saver outlives the user's return.
#include <filesystem>

#include "WaylandEndToEndTest.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

class WaylandWithoutOutputs : public WaylandEndToEndTest {
 protected:
  // A laptop whose only screen the compositor turned off when its lid closed.
  std::vector<SwaySession::Output> Outputs() const override { return {}; }
};

TEST_F(WaylandWithoutOutputs, TheSaverEndsAtOnceWithExitCodeZero) {
  ChildProcess& saver = StartInSession({"/s"});
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

// In a nested sway, whose outputs can be unplugged.
class WaylandOutputGoes : public WaylandEndToEndTest {
 protected:
  bool StartSession(std::string* error) override { return m_sway.StartNested(Outputs(), error); }
};

TEST_F(WaylandOutputGoes, TheScenesOutputUnpluggedMovesTheSceneToTheOtherLaidOutForIt) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ASSERT_TRUE(m_sway.WaitForColour(1, kBlack, 5s));
  ASSERT_TRUE(m_sway.RemoveOutput(0));
  ASSERT_TRUE(WaitForScene(saver, kLayout800x600, 1)) << ErrorOutput(saver);
  Bitmap32 scene = m_sway.Screenshot(1);
  ExpectCarOnAFloorLine(scene, kLayout800x600);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout800x600);
  ExpectSignboardWhereItStands(scene, kLayout800x600);
  // Input there ends it, as anywhere.
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
  EXPECT_TRUE(m_sway.WaitForBackground(1, 5s));
}

TEST_F(WaylandOutputGoes, TheScenesOutputUnpluggedUnderAnErrorBoxMovesSceneAndBoxToTheOther) {
  std::filesystem::remove_all(m_sway.Folder() + "/VantorelData");
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitUntil([&] { return IconPixels(0) > 500 || !saver.Running(); }, 20s));
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  ASSERT_TRUE(m_sway.RemoveOutput(0));
  // The scene starts again there, with the same box over it.
  EXPECT_TRUE(WaitUntil([&] { return IconPixels(1) > 500 || !saver.Running(); }, 20s));
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  EXPECT_TRUE(m_sway.Key("Return"));
  EXPECT_TRUE(WaitForScene(saver, kLayout800x600, 1)) << ErrorOutput(saver);
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  // The box's line for each start, and nothing else.
  std::string output = ErrorOutput(saver);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2) << output;
  EXPECT_TRUE(m_sway.WaitForBackground(1, 5s));
}

class WaylandOnlyOutputGoes : public WaylandOutputGoes {
 protected:
  std::vector<SwaySession::Output> Outputs() const override { return {{1024, 768}}; }
};

TEST_F(WaylandOnlyOutputGoes, TheOnlyOutputUnpluggedEndsTheSaverWithExitCodeZero) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ASSERT_TRUE(m_sway.RemoveOutput(0));
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

class WaylandOutputChanges : public WaylandEndToEndTest {
 protected:
  std::vector<SwaySession::Output> Outputs() const override { return {{1920, 1080}, {800, 600}}; }
};

// At scale 2 the scene is laid out for the output's pixel height and drawn at its density; an
// output of 1920 x 1080 is 540 high at 96 pixels per inch, too low to take the whole scene,
// one of 2560 x 1600 shows it all.
TEST_F(WaylandOutputChanges, AScaleOfTwoLaysTheSceneOutAgainFor192PixelsPerInch) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1920x1080)) << ErrorOutput(saver);
  ASSERT_EQ(m_sway.Run("swaymsg -q output HEADLESS-1 scale 2"), 0);
  ASSERT_TRUE(WaitForScene(saver, kLayout1920x1080At192)) << ErrorOutput(saver);
  Bitmap32 scene = m_sway.Screenshot(0);
  ExpectCarOnAFloorLine(scene, kLayout1920x1080At192);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1920x1080At192);
  EXPECT_TRUE(m_sway.ShowsOnly(1, kBlack));
  ASSERT_EQ(m_sway.Run("swaymsg -q output HEADLESS-1 resolution 2560x1600"), 0);
  ASSERT_TRUE(WaitForScene(saver, kLayout2560x1600At192)) << ErrorOutput(saver);
  scene = m_sway.Screenshot(0);
  ExpectCarOnAFloorLine(scene, kLayout2560x1600At192);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout2560x1600At192);
  ExpectSignboardWhereItStands(scene, kLayout2560x1600At192);
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(saver);
}

TEST_F(WaylandOutputChanges, NewSizesLayTheSceneOutAgainAndTheCoverFollowsItsOutput) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1920x1080)) << ErrorOutput(saver);
  // The cover's output grows first, then the scene's shrinks; side by side all the while.
  ASSERT_EQ(m_sway.Run("swaymsg -q output HEADLESS-2 position 1920 0 resolution 1024x768 scale 2"),
            0);
  ASSERT_EQ(m_sway.Run("swaymsg -q output HEADLESS-1 resolution 1280x720"), 0);
  ASSERT_TRUE(WaitForScene(saver, kLayout1280x720)) << ErrorOutput(saver);
  Bitmap32 scene = m_sway.Screenshot(0);
  ExpectCarOnAFloorLine(scene, kLayout1280x720);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1280x720);
  ExpectSignboardWhereItStands(scene, kLayout1280x720);
  Bitmap32 cover = m_sway.Screenshot(1);
  EXPECT_EQ(cover.Width(), 1024);
  EXPECT_TRUE(m_sway.ShowsOnly(1, kBlack));
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(saver);
}

// A full-screen window the compositor moves to another output, of another scale: it leaves the
// first output and enters the other, whose scale it is drawn at from then on.
class WaylandWindowMoves : public WaylandEndToEndTest {
 protected:
  std::vector<SwaySession::Output> Outputs() const override {
    return {{1024, 768}, {1920, 1080, 2}};
  }
};

TEST_F(WaylandWindowMoves, AWindowMovedToAnOutputOfScaleTwoIsLaidOutForItsScale) {
  ChildProcess& saver = StartInSession({"/s"}, {"VANTOREL_WAYLAND_SHELL=xdg"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ASSERT_EQ(m_sway.Run("swaymsg -q '[app_id=vantorel] move container to output HEADLESS-2'"), 0);
  ASSERT_TRUE(WaitForScene(saver, kLayout1920x1080At192, 1)) << ErrorOutput(saver);
  Bitmap32 scene = m_sway.Screenshot(1);
  ExpectCarOnAFloorLine(scene, kLayout1920x1080At192);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1920x1080At192);
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

}  // namespace
}  // namespace vt

// "/s" in a Wayland session of KDE's KWin, headless: the scene on the output with the pointer
// and black on the other, also through full-screen xdg toplevels; the input that ends it and
// the input that does not; the scene laid out for 144 pixels per inch on an output of scale
// 1.5.
#include <signal.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "KWinTest.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

// Each test starts with the saver showing its scene.
class KWinSaver : public KWinTest {
 protected:
  void SetUp() override {
    KWinTest::SetUp();
    if (!HasFatalFailure() && !IsSkipped()) StartSaver();
  }
};

TEST_F(KWinSaver, TheSceneIsOnTheOutputWithThePointerAndTheOtherOneIsBlack) {
  Bitmap32 scene = Session().Screenshot(0);
  ExpectCarOnAFloorLine(scene, kLayout1280x720);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1280x720);
  ExpectSignboardWhereItStands(scene, kLayout1280x720);
  EXPECT_TRUE(Session().WaitForColour(1, kBlack, 5s));
  EXPECT_TRUE(Session().Key("a"));
  ExpectEndedCleanly(*m_saver);
}

// What the README has Plasma users do: swayidle speaks KWin's idle protocol.
TEST_F(KWinTest, SwayidleStartsTheSaverThroughKWinsIdleProtocol) {
  std::string exit_file = Session().Folder() + "/exit-code";
  ChildProcess::Options options = Session().AsUser(
      {"/usr/bin/swayidle", "timeout", "1", Session().Program() + " /s; echo $? >" + exit_file});
  ChildProcess& idle = Launch(options, "swayidle");
  ASSERT_TRUE(WaitForScene(idle, kLayout1280x720)) << ErrorOutput(idle);
  EXPECT_TRUE(Session().WaitForColour(1, kBlack, 5s));
  EXPECT_TRUE(Session().Key("a"));
  // The shell makes the file before echo writes into it.
  auto exit_code = [&] {
    std::ifstream code(exit_file);
    return std::string((std::istreambuf_iterator<char>(code)), std::istreambuf_iterator<char>());
  };
  EXPECT_TRUE(WaitUntil([&] { return !exit_code().empty(); }, 10s));
  idle.Signal(SIGTERM);
  EXPECT_EQ(exit_code(), "0\n");
}

TEST_F(KWinTest, FullScreenToplevelsShowTheSameWhereTheLayerShellIsNotUsed) {
  ChildProcess& saver = StartInSession({"/s"}, {"VANTOREL_WAYLAND_SHELL=xdg"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1280x720)) << ErrorOutput(saver);
  ExpectShaftWhereTheBuildingPutsIt(Session().Screenshot(0), kLayout1280x720);
  EXPECT_TRUE(Session().WaitForColour(1, kBlack, 5s));
  EXPECT_TRUE(Session().Key("a"));
  ExpectEndedCleanly(saver);
}

class KWinInputEndsTheSaver : public KWinSaver,
                              public ::testing::WithParamInterface<SessionInput> {};

TEST_P(KWinInputEndsTheSaver, WithExitCodeZeroAndNoSurfaceLeft) {
  EXPECT_TRUE(GetParam().give(Session()));
  ExpectEndedCleanly(*m_saver);
}

// The pointer stood in the middle of Virtual-0 when the saver came: that was the first
// position the saver learned, and any other one ends it.
INSTANTIATE_TEST_SUITE_P(
    KWin, KWinInputEndsTheSaver,
    ::testing::Values(SessionInput{"KeyA", [](CompositorSession& s) { return s.Key("a"); }},
                      SessionInput{"LeftButton", [](CompositorSession& s) { return s.Click(1); }},
                      SessionInput{"AMovementOverTheScene",
                                   [](CompositorSession& s) { return s.MovePointer(300, 50); }},
                      SessionInput{"AMovementOntoTheOtherOutput",
                                   [](CompositorSession& s) { return s.MovePointer(1900, 100); }}),
    NameOf);

class KWinInputLetPass : public KWinSaver, public ::testing::WithParamInterface<SessionInput> {};

TEST_P(KWinInputLetPass, AndAKeyAfterItEndsTheSaver) {
  EXPECT_TRUE(GetParam().give(Session()));
  EXPECT_TRUE(KeepsRunning(*m_saver));
  EXPECT_TRUE(Session().Key("a"));
  ExpectEndedCleanly(*m_saver);
}

// Tab alone moves the focus between buttons; the wheel and its tilt are no buttons.
INSTANTIATE_TEST_SUITE_P(
    KWin, KWinInputLetPass,
    ::testing::Values(SessionInput{"Tab", [](CompositorSession& s) { return s.Key("Tab"); }},
                      SessionInput{"Wheel", [](CompositorSession& s) { return s.Wheel(); }}),
    NameOf);

class KWinFractionalScale : public KWinTest {
 protected:
  std::vector<CompositorSession::Output> Outputs() const override { return {{1920, 1080, 1.5}}; }
};

// The layout's figures for 1920 x 1080 at 144 pixels per inch, as Windows lays the scene out
// at 150 %: 720 high at 96 pixels per inch, so the building is scaled by the density alone,
// and the whole scene is on the screen.
constexpr SceneLayout kLayout1920x1080At144 = {1920,
                                               1080,
                                               {495, 345, 930, 772},
                                               {530, 0, 142, 105},
                                               {688, 190, 675, 155},
                                               {1073, 953, 833, 713, 593, 473}};

TEST_F(KWinFractionalScale, AnOutputOfScaleOneAndAHalfShowsTheWholeSceneLaidOutFor144Dpi) {
  ChildProcess& saver = StartInSession({"/s"});
  // Where the scene shows elsewhere, the checks below say where.
  EXPECT_TRUE(WaitForScene(saver, kLayout1920x1080At144));
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  Bitmap32 scene = Session().Screenshot(0);
  EXPECT_EQ(scene.Width(), 1920);
  EXPECT_EQ(scene.Height(), 1080);
  ExpectCarOnAFloorLine(scene, kLayout1920x1080At144);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1920x1080At144);
  ExpectSignboardWhereItStands(scene, kLayout1920x1080At144);
  EXPECT_TRUE(Session().Key("a"));
  ExpectEndedCleanly(saver, {0});
}

}  // namespace
}  // namespace vt

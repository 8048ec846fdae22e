// "/s" under a headless KWin whose outputs change while it runs, as KWin's display settings
// change them: an output turned off and on again, the scene's own output turned off (the scene
// moves to the other), and the scene's output given another scale.
#include "KWinTest.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

class KWinOutputs : public KWinTest {
 protected:
  void SetUp() override {
    KWinTest::SetUp();
    if (!HasFatalFailure() && !IsSkipped()) StartSaver();
  }
};

TEST_F(KWinOutputs, TheOtherOutputTurnedOffLosesItsCoverAndTurnedOnGetsOneAgain) {
  ASSERT_TRUE(KWin().ChangeOutput(1, "disable"));
  EXPECT_TRUE(KeepsRunning(*m_saver));
  ExpectShaftWhereTheBuildingPutsIt(KWin().Screenshot(0), kLayout1280x720);
  ASSERT_TRUE(KWin().ChangeOutput(1, "enable"));
  // Black, and still black once the output's background has had time to come back.
  EXPECT_TRUE(KWin().WaitForColour(1, kBlack, 10s));
  EXPECT_TRUE(KeepsRunning(*m_saver));
  EXPECT_TRUE(KWin().ShowsOnly(1, kBlack));
  EXPECT_TRUE(KWin().Key("a"));
  ExpectEndedCleanly(*m_saver);
}

TEST_F(KWinOutputs, TheScenesOutputTurnedOffMovesTheSceneToTheOther) {
  ASSERT_TRUE(KWin().ChangeOutput(0, "disable"));
  ASSERT_TRUE(WaitForScene(*m_saver, kLayout1280x720, 1)) << ErrorOutput(*m_saver);
  ExpectShaftWhereTheBuildingPutsIt(KWin().Screenshot(1), kLayout1280x720);
  EXPECT_TRUE(KWin().Key("a"));
  ExpectEndedCleanly(*m_saver, {1});
}

// The layout's figures for 1280 x 720 at 192 pixels per inch.
constexpr SceneLayout kLayout1280x720At192 = {1280,
                                              720,
                                              {20, -260, 1240, 1030},
                                              {66, 0, 190, 140},
                                              {275, -466, 900, 206},
                                              {710, 550, 390, 230, 70, -90}};

// KWin keeps the pointer where it was on the output, and so tells the saver of a new logical
// position: no person moved it.
TEST_F(KWinOutputs, TheScenesOutputScaledToTwoShowsTheSceneLaidOutFor192Dpi) {
  ASSERT_TRUE(KWin().ChangeOutput(0, "scale 2"));
  ASSERT_TRUE(KeepsRunning(*m_saver)) << "ended with exit code " << ExitCode(*m_saver);
  ASSERT_TRUE(WaitForScene(*m_saver, kLayout1280x720At192)) << ErrorOutput(*m_saver);
  Bitmap32 scene = KWin().Screenshot(0);
  ExpectCarOnAFloorLine(scene, kLayout1280x720At192);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1280x720At192);
  EXPECT_TRUE(KWin().Key("a"));
  ExpectEndedCleanly(*m_saver);
}

}  // namespace
}  // namespace vt

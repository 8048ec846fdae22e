// "/s" under GNOME's mutter, headless, which offers no layer shell: full-screen xdg toplevels,
// the scene on the first monitor and black on the other; the input that ends it and the input
// that does not, through mutter's remote-desktop API, and both monitors as they were after it.
#include <functional>
#include <memory>

#include "CompositorTest.h"
#include "MutterSession.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

class MutterSaver : public CompositorTest {
 protected:
  MutterSaver()
      : CompositorTest(std::make_unique<MutterSession>()),
        m_mutter(static_cast<MutterSession&>(Session())) {}
  std::string Unavailable() const override { return MutterSession::Unavailable(); }
  std::vector<CompositorSession::Output> Outputs() const override {
    return {{1024, 768}, {800, 600}};
  }
  void SetUp() override {
    CompositorTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    m_saver = &StartInSession({"/s"});
    ASSERT_TRUE(WaitForScene(*m_saver, kLayout1024x768)) << ErrorOutput(*m_saver);
  }

  MutterSession& m_mutter;
  ChildProcess* m_saver = nullptr;
};

TEST_F(MutterSaver, ShowsTheSceneOnTheFirstMonitorAndBlackOnTheOtherUntilAKey) {
  Bitmap32 scene = m_mutter.Screenshot(0);
  ExpectCarOnAFloorLine(scene, kLayout1024x768);
  ExpectShaftWhereTheBuildingPutsIt(scene, kLayout1024x768);
  ExpectSignboardWhereItStands(scene, kLayout1024x768);
  // Mutter's own background has no black: this is the saver's cover, pointer hidden.
  EXPECT_TRUE(m_mutter.WaitForColour(1, kBlack, 5s));
  EXPECT_TRUE(m_mutter.Key("a"));
  ExpectEndedCleanly(*m_saver);
}

class SessionInputEndsTheSaver : public MutterSaver,
                                public ::testing::WithParamInterface<SessionInput> {};

TEST_P(SessionInputEndsTheSaver, WithExitCodeZeroAndBothMonitorsAsBefore) {
  EXPECT_TRUE(GetParam().give(Session()));
  ExpectEndedCleanly(*m_saver);
}

// The pointer stood in the middle of the first monitor when the saver came: the first
// position the saver learned. Any other one ends it, on either monitor.
INSTANTIATE_TEST_SUITE_P(
    Mutter, SessionInputEndsTheSaver,
    ::testing::Values(
        SessionInput{"KeyA", [](CompositorSession& mutter) { return mutter.Key("a"); }},
        SessionInput{"LeftButton", [](CompositorSession& mutter) { return mutter.Click(1); }},
        SessionInput{"AMovementOverTheScene",
                    [](CompositorSession& mutter) { return mutter.MovePointer(300, 50); }},
        SessionInput{"AMovementOntoTheOtherMonitor",
                    [](CompositorSession& mutter) { return mutter.MovePointer(1100, 100); }}),
    NameOf);

class SessionInputLetPass : public MutterSaver, public ::testing::WithParamInterface<SessionInput> {};

TEST_P(SessionInputLetPass, AndAKeyAfterItEndsTheSaver) {
  EXPECT_TRUE(GetParam().give(Session()));
  EXPECT_TRUE(KeepsRunning(*m_saver));
  EXPECT_TRUE(m_mutter.Key("a"));
  ExpectEndedCleanly(*m_saver);
}

// Tab alone moves the focus between buttons; the wheel and its tilt are no buttons.
INSTANTIATE_TEST_SUITE_P(
    Mutter, SessionInputLetPass,
    ::testing::Values(SessionInput{"Tab", [](CompositorSession& mutter) { return mutter.Key("Tab"); }},
                      SessionInput{"Wheel", [](CompositorSession& mutter) { return mutter.Wheel(); }}),
    NameOf);

// Mutter without a monitor gives a full-screen window the size 0 x 0: shown nowhere, it could
// take no input, and the saver ends at once instead.
class MutterWithoutMonitors : public CompositorTest {
 protected:
  MutterWithoutMonitors() : CompositorTest(std::make_unique<MutterSession>()) {}
  std::string Unavailable() const override { return MutterSession::Unavailable(); }
  std::vector<CompositorSession::Output> Outputs() const override { return {}; }
};

TEST_F(MutterWithoutMonitors, TheSaverEndsAtOnceWithExitCodeZero) {
  ChildProcess& saver = StartInSession({"/s"});
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

}  // namespace
}  // namespace vt

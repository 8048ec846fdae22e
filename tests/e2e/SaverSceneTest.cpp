// "/s" on screens of two sizes, and the XScreenSaver hack under the real daemon: the built-in
// pictures stand where the layout puts them, read back from the X server's screen, and the
// pointer is hidden.
#include "EndToEndTest.h"
#include "SceneChecks.h"
#include "XScreenSaverDaemon.h"

namespace vt {
namespace {

// A screen at 96 pixels per inch, and how the saver comes on it.
struct SceneCase {
  const char* name;
  SceneLayout layout;
  bool under_daemon = false;  // started by XScreenSaver as its hack, instead of with "/s"
};

void PrintTo(const SceneCase& scene, std::ostream* out) {
  *out << scene.name;
}

const SceneCase kScenes[] = {
    {"Screen1024x768", kLayout1024x768},
    {"Screen1920x1080", kLayout1920x1080},
    {"Screen1024x768UnderXScreenSaver", kLayout1024x768, true},
};

class SaverScene : public EndToEndTest, public ::testing::WithParamInterface<SceneCase> {
 protected:
  void SetUp() override { StartDisplay(GetParam().layout.width, GetParam().layout.height); }

  void TearDown() override {
    if (m_saver) {
      EXPECT_EQ(Run("xdotool key a"), 0);
      EXPECT_EQ(ExitCode(*m_saver), 0) << ErrorOutput(*m_saver);
    }
    if (m_daemon) {
      // Deactivated, the daemon ends its hack, which exits with 0 and leaves no window.
      std::vector<pid_t> hacks = m_daemon->Hacks();
      EXPECT_EQ(hacks.size(), 1u);
      EXPECT_EQ(m_daemon->Command("-deactivate"), 0);
      for (pid_t hack : hacks) EXPECT_EQ(m_daemon->WaitHackExit(hack, 20s), 0) << m_daemon->Log();
      EXPECT_NE(Run("xdotool search --class vantorel >/dev/null"), 0);
      m_daemon.reset();
    }
    EndToEndTest::TearDown();
  }

  // Starts the saver and reads its first picture, in the first seconds, before any passenger
  // has arrived: the car still stands at its random start floor.
  Bitmap32 ShowScene() {
    auto painted = [&] {
      return ScenePainted(GetParam().layout, [&](int x, int y) { return ScreenPixel(x, y); });
    };
    if (GetParam().under_daemon) {
      m_daemon = std::make_unique<XScreenSaverDaemon>();
      std::string error;
      EXPECT_TRUE(m_daemon->Start(m_server.Name(), kProgram, &error)) << error;
      EXPECT_EQ(m_daemon->Command("-activate"), 0);
      EXPECT_TRUE(WaitUntil(painted, 20s)) << m_daemon->Log();
      return Screen();
    }
    m_saver = &StartProgram({"/s"});
    EXPECT_TRUE(WaitUntil([&] { return painted() || !m_saver->Running(); }, 20s));
    EXPECT_TRUE(m_saver->Running()) << ErrorOutput(*m_saver);
    return Screen();
  }

  ChildProcess* m_saver = nullptr;
  std::unique_ptr<XScreenSaverDaemon> m_daemon;
};

TEST_P(SaverScene, TheCarStandsOnAFloorLineAtItsLeft) {
  ExpectCarOnAFloorLine(ShowScene(), GetParam().layout);
}

TEST_P(SaverScene, TheBuildingsShaftIsWhereTheScaledBuildingPutsIt) {
  ExpectShaftWhereTheBuildingPutsIt(ShowScene(), GetParam().layout);
}

TEST_P(SaverScene, TheSignboardShowsItsPanelAndRimWhereItStands) {
  ExpectSignboardWhereItStands(ShowScene(), GetParam().layout);
}

TEST_P(SaverScene, ThePointerIsHiddenWhileTheSaverRuns) {
  // Before the saver the server shows its own pointer, so a blank one is the saver's doing.
  ASSERT_FALSE(PointerIsBlank());
  ShowScene();
  EXPECT_TRUE(WaitUntil([&] { return PointerIsBlank(); }, 5s));
}

INSTANTIATE_TEST_SUITE_P(Screens, SaverScene, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SceneCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vt

// The saver as an XScreenSaver hack: drawn into a host window that it follows, ending with
// its host or on SIGTERM, reporting on standard error only; and under the real daemon, one
// scene on each monitor.
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "EndToEndTest.h"
#include "XScreenSaverDaemon.h"

namespace vt {
namespace {

// Design point (15, 50) of the signboard, its ribbed grey panel, where the layout puts it in
// a window of 1024 x 768 and one of 800 x 600.
constexpr Point kPanel1024x768{332 + 15, 175 + 50};
constexpr Point kPanel800x600{220 + 15, 7 + 50};
// Where tests/helpers/host_window puts its window.
constexpr Point kHostOrigin{20, 20};

class HostedSaver : public EndToEndTest {
 protected:
  bool PanelAt(Point point) const { return Near(ScreenPixel(point.x, point.y), 155, 157, 154, 20); }
};

TEST_F(HostedSaver, FollowsItsHostsSizeAndEndsWithItsHost) {
  unsigned long host_window = 0;
  ChildProcess& host = StartHost(640, 480, 0, &host_window);
  ChildProcess& saver = StartProgram({"--window-id", std::to_string(host_window)});
  auto covers_host = [&](int width, int height) {
    std::vector<ProgramWindow> children = ChildrenOf(host_window);
    return children.size() == 1 && children[0].viewable &&
           children[0].bounds == Rect{0, 0, width, height};
  };
  ASSERT_TRUE(WaitUntil([&] { return covers_host(640, 480) || !saver.Running(); }, 20s))
      << ErrorOutput(saver);

  ASSERT_EQ(Run("xdotool windowsize " + std::to_string(host_window) + " 1024 768"), 0);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return covers_host(1024, 768) &&
               PanelAt({kHostOrigin.x + kPanel1024x768.x, kHostOrigin.y + kPanel1024x768.y});
      },
      20s))
      << ErrorOutput(saver);
  EXPECT_TRUE(KeepsRunning(saver));

  host.WriteLine("");
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

TEST_F(HostedSaver, ReportsGoToStandardErrorWithoutABoxAndSigtermEndsIt) {
  std::string program = TempDir() + "/vantorel";
  std::filesystem::copy_file(kProgram, program);
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  ChildProcess& saver = StartProgram({"-root"}, program);
  // No data folder: the backdrop's report, after which the saver goes on as after a box.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return ErrorOutput(saver).find("VantorelData/mirso") != std::string::npos ||
               !saver.Running();
      },
      20s));
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_FALSE(ViewableWindowNamed("Vantorel"));
  EXPECT_TRUE(ViewableWindowNamed("ElevatorScrForm"));
  saver.Signal(SIGTERM);
  EXPECT_EQ(ExitCode(saver), 0);

  // A window id that is no number ends the start at once, again with no box.
  ChildProcess& bad = StartProgram({"-window-id", "12abc"});
  EXPECT_EQ(ExitCode(bad), 1);
  EXPECT_NE(ErrorOutput(bad).find("'12abc' は整数ではありません"), std::string::npos)
      << ErrorOutput(bad);
  EXPECT_TRUE(ProgramWindows().empty());
}

// The description the daemon's settings read names the hack as its installed file is called
// and starts it on the root window, as the daemon's own hacks are started.
TEST(XScreenSaverDescription, NamesTheHackByItsFileAndStartsItOnTheRootWindow) {
  std::ifstream file(VT_SOURCE_DIR "/packaging/linux/vantorel.xml");
  const std::string xml((std::istreambuf_iterator<char>(file)), {});
  std::smatch match;
  ASSERT_TRUE(std::regex_search(
      xml, match,
      std::regex(R"re(<screensaver name="([^"]*)" _label="([^"]*)">([\s\S]*)</screensaver>)re")));
  // The package's link in the daemon's folder of hacks.
  EXPECT_EQ(match[1].str(), "vantorel");
  EXPECT_EQ(match[2].str(), "Vantorel");
  const std::string body = match[3].str();
  EXPECT_NE(body.find("<command arg=\"--root\"/>"), std::string::npos) << body;
  EXPECT_NE(body.find("<_description>"), std::string::npos) << body;
  EXPECT_NE(body.find("</_description>"), std::string::npos) << body;
}

class UnderTheDaemon : public HostedSaver {
 protected:
  void SetUp() override { StartDisplay(1600, 600); }
  void TearDown() override {
    m_daemon.reset();
    EndToEndTest::TearDown();
  }
  std::unique_ptr<XScreenSaverDaemon> m_daemon = std::make_unique<XScreenSaverDaemon>();
};

TEST_F(UnderTheDaemon, EachMonitorShowsItsOwnSceneUntilDeactivated) {
  SplitIntoMonitors(2, 0);
  std::string error;
  ASSERT_TRUE(m_daemon->Start(m_server.Name(), kProgram, &error)) << error;
  ASSERT_EQ(m_daemon->Command("-activate"), 0);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return PanelAt(kPanel800x600) && PanelAt({800 + kPanel800x600.x, kPanel800x600.y});
      },
      20s))
      << m_daemon->Log();
  std::vector<pid_t> hacks = m_daemon->Hacks();
  EXPECT_EQ(hacks.size(), 2u);

  ASSERT_EQ(m_daemon->Command("-deactivate"), 0);
  for (pid_t hack : hacks) EXPECT_EQ(m_daemon->WaitHackExit(hack, 20s), 0) << m_daemon->Log();
  EXPECT_NE(Run("xdotool search --class vantorel >/dev/null"), 0);
}

}  // namespace
}  // namespace vt

// How "/s" ends in a Wayland session: the input that ends it and the input that does not,
// swayidle starting it, the compositor going away; and what stays on X11 there.
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "WaylandEndToEndTest.h"

namespace vt {
namespace {

// Each test starts with the saver showing its scene.
class WaylandSaverEnding : public WaylandEndToEndTest {
 protected:
  void SetUp() override {
    WaylandEndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    m_saver = &StartInSession({"/s"});
    ASSERT_TRUE(WaitForScene(*m_saver, kLayout1024x768)) << ErrorOutput(*m_saver);
  }

  ChildProcess* m_saver = nullptr;
};

class WaylandInputEndsTheSaver : public WaylandSaverEnding,
                                 public ::testing::WithParamInterface<SessionInput> {};

TEST_P(WaylandInputEndsTheSaver, WithExitCodeZeroAndNoSurfaceLeft) {
  EXPECT_TRUE(GetParam().give(m_sway));
  ExpectEndedCleanly(*m_saver);
}

// A letter and a modifier alone (typed through keymaps of wtype's own), buttons, and the
// pointer moving over either output: where it stood when the saver came (under it) was the
// first position the saver learned.
INSTANTIATE_TEST_SUITE_P(
    Inputs, WaylandInputEndsTheSaver,
    ::testing::Values(
        SessionInput{"KeyA", [](CompositorSession& s) { return s.Key("a"); }},
        SessionInput{"Shift", [](CompositorSession& s) { return s.Key("Shift_L"); }},
        SessionInput{"LeftButton", [](CompositorSession& s) { return s.Click(1); }},
        SessionInput{"RightButton", [](CompositorSession& s) { return s.Click(3); }},
        SessionInput{"AMovementOverTheScene",
                     [](CompositorSession& s) { return s.MovePointer(300, 50); }},
        SessionInput{"AMovementOntoTheOtherOutput",
                     [](CompositorSession& s) { return s.MovePointer(1100, 100); }}),
    NameOf);

class WaylandInputLetPass : public WaylandSaverEnding,
                            public ::testing::WithParamInterface<SessionInput> {};

TEST_P(WaylandInputLetPass, AndAKeyAfterItEndsTheSaver) {
  EXPECT_TRUE(GetParam().give(m_sway));
  EXPECT_TRUE(KeepsRunning(*m_saver));
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(*m_saver);
}

// Tab alone moves the focus between buttons; the wheel and its tilt are no buttons.
INSTANTIATE_TEST_SUITE_P(
    Inputs, WaylandInputLetPass,
    ::testing::Values(SessionInput{"Tab", [](CompositorSession& s) { return s.Key("Tab"); }},
                      SessionInput{"Wheel", [](CompositorSession& s) { return s.Wheel(); }}),
    NameOf);

TEST_F(WaylandSaverEnding, TheCompositorGoingAwayEndsItWithExitCodeOneAndOneLine) {
  m_sway.Kill();
  EXPECT_EQ(ExitCode(*m_saver), 1);
  std::string output = ErrorOutput(*m_saver);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_EQ(output.back(), '\n');
}

class WaylandSession : public WaylandEndToEndTest {};

TEST_F(WaylandSession, ThePointerIsHiddenOverTheSaverWhereItStandsAndItsNextPositionEndsIt) {
  // Before the saver, the pointer stands on the other output, drawn over its background.
  ASSERT_TRUE(m_sway.MovePointer(1100, 100));
  ASSERT_FALSE(m_sway.ShowsOnly(1, SwaySession::kBackground));
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  // The cover comes under the pointer, which goes: nothing but black.
  EXPECT_TRUE(m_sway.WaitForColour(1, 0, 5s));
  // That position was the first one the saver learned; the next one ends it.
  EXPECT_TRUE(m_sway.MovePointer(1101, 100));
  ExpectEndedCleanly(saver);
}

TEST_F(WaylandSession, SwayidleStartsTheSaverAndTheIdleChainGoesOnWhileItShows) {
  // As the README has it: without -w, so that a later step (a lock, the screens powered
  // down) is not held off by the saver.
  std::string exit_file = m_sway.Folder() + "/exit-code";
  std::string marker = m_sway.Folder() + "/later-step";
  ChildProcess::Options options =
      m_sway.AsUser({"/usr/bin/swayidle", "timeout", "1",
                     m_sway.Program() + " /s; echo $? >" + exit_file, "timeout", "3",
                     "touch " + marker});
  ChildProcess& idle = Launch(options, "swayidle");
  ASSERT_TRUE(WaitForScene(idle, kLayout1024x768)) << ErrorOutput(idle);
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(marker); }, 10s));
  auto exit_code = [&] {
    std::stringstream text;
    text << std::ifstream(exit_file).rdbuf();
    return text.str();
  };
  // The saver still shows.
  EXPECT_EQ(exit_code(), "");
  EXPECT_TRUE(WaitForScene(idle, kLayout1024x768));
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_TRUE(WaitUntil([&] { return !exit_code().empty(); }, 10s));
  // Before the next idle second starts it again.
  idle.Signal(SIGTERM);
  EXPECT_EQ(exit_code(), "0\n");
  EXPECT_EQ(ExitCode(idle), 0);
}

TEST_F(WaylandSaverEnding, ASecondSaverEndsAtOnceAndTheFirstOneShowsOn) {
  // Named by its socket's path, the compositor is the same one.
  std::string socket = m_sway.Folder() + "/runtime/" + m_sway.SocketName();
  ChildProcess& second = StartInSession({"/s"}, {"WAYLAND_DISPLAY=" + socket});
  EXPECT_EQ(ExitCode(second, 5s), 0);
  EXPECT_EQ(ErrorOutput(second), "");
  EXPECT_TRUE(KeepsRunning(*m_saver));
  EXPECT_TRUE(WaitForScene(*m_saver, kLayout1024x768));
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(*m_saver);
  // The claim went with the first one: the next idle period's saver shows.
  ChildProcess& next = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(next, kLayout1024x768)) << ErrorOutput(next);
  EXPECT_TRUE(m_sway.Key("a"));
  ExpectEndedCleanly(next);
}

class NoDisplay : public EndToEndTest {};

TEST_F(NoDisplay, WithNeitherAWaylandNorAnXDisplayTheOneLineSaysWhyForBoth) {
  ChildProcess& saver = StartProgram(
      {"DISPLAY=:9876", "WAYLAND_DISPLAY=vantorel-nowhere", VT_BINARY_DIR "/vantorel", "/s"},
      "/usr/bin/env");
  EXPECT_EQ(ExitCode(saver), 1);
  std::string output = ErrorOutput(saver);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("Wayland display \"vantorel-nowhere\""), std::string::npos) << output;
  EXPECT_NE(output.find("X display \":9876\""), std::string::npos) << output;
}

TEST_F(NoDisplay, ACompositorsProtocolErrorIsNamedInTheOneLine) {
  std::string runtime = TempDir() + "/runtime";
  std::filesystem::create_directory(runtime);
  ChildProcess::Options options;
  options.argv = {VT_BINARY_DIR "/refusing_compositor", "vantorel-refusing"};
  options.environment = {"XDG_RUNTIME_DIR=" + runtime};
  options.pipe_stdout = true;
  ChildProcess& compositor = Launch(options, "compositor");
  ASSERT_EQ(compositor.ReadLine(10s), "ready");
  ChildProcess& saver = StartProgram({"DISPLAY=:9876", "XDG_RUNTIME_DIR=" + runtime,
                                      "WAYLAND_DISPLAY=vantorel-refusing",
                                      "VANTOREL_BACKEND=wayland", VT_BINARY_DIR "/vantorel", "/s"},
                                     "/usr/bin/env");
  EXPECT_EQ(ExitCode(saver), 1);
  std::string output = ErrorOutput(saver);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("protocol error"), std::string::npos) << output;
  EXPECT_NE(output.find("wl_display"), std::string::npos) << output;
  EXPECT_NE(output.find("this compositor takes no clients"), std::string::npos) << output;
}

TEST_F(WaylandSession, AskedForX11TheSaverRunsOnX11AndLeavesTheCompositorAlone) {
  ChildProcess& saver = StartInSession({"/s"}, {"VANTOREL_BACKEND=x11"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  EXPECT_TRUE(
      m_sway.ShowsOnly(0, SwaySession::kBackground, CompositorSession::kPointerPixels));
  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

TEST_F(WaylandSession, ThePreviewStaysOnX11) {
  unsigned long host = 0;
  ChildProcess& host_window = StartHost(152, 112, 0, &host);
  ChildProcess& preview = StartInSession({"/p", std::to_string(host)});
  EXPECT_TRUE(WaitUntil(
      [&] {
        std::vector<ProgramWindow> children = ChildrenOf(host);
        return (children.size() == 1 && children[0].viewable) || !preview.Running();
      },
      20s));
  EXPECT_TRUE(preview.Running()) << ErrorOutput(preview);
  host_window.WriteLine("");
  EXPECT_EQ(ExitCode(preview), 0);
  EXPECT_EQ(ErrorOutput(preview), "");
}

}  // namespace
}  // namespace vt

// "--idle SECONDS" under GNOME's mutter, headless, through its idle monitor on the session
// bus; a stand-in for gnome-session and GNOME Shell's lock screen on that bus: mutter itself
// holds its idle watch while the session manager reports an idle inhibitor, and the lock
// screen ends the running saver at once. Without the session bus mutter tells no one of
// idleness; mutter going away ends the starter.
#include "CompositorTest.h"
#include "IdleInSession.h"
#include "MutterSession.h"

namespace vt {
namespace {

class IdleOnMutter : public IdleInSession<CompositorTest> {
 protected:
  IdleOnMutter()
      : IdleInSession(std::make_unique<MutterSession>()),
        m_mutter(static_cast<MutterSession&>(Session())) {}
  std::string Unavailable() const override { return MutterSession::Unavailable(); }
  std::vector<CompositorSession::Output> Outputs() const override { return {{1024, 768}}; }

  MutterSession& m_mutter;
};

TEST_F(IdleOnMutter, TheSaverComesInputEndsItTheSessionsInhibitorAndLockKeepItAwayAndMutterEndsIt) {
  // Without the session bus, the compositor offers no idle protocol to watch.
  ChildProcess& blind = StartIdle({"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"});
  EXPECT_EQ(ExitCode(blind, 10s), 1);
  std::string line = ErrorOutput(blind);
  EXPECT_NE(line.find("ext_idle_notifier_v1 nor org_kde_kwin_idle"), std::string::npos) << line;

  DesktopServices gnome;
  std::string error;
  ChildProcess::Options services = Session().AsUser({VT_BINARY_DIR "/desktop_services"});
  ASSERT_TRUE(gnome.Start(services, {"gnome-session", "gnome-screensaver"}, &error)) << error;

  ChildProcess& idle = StartIdle();
  EXPECT_TRUE(m_mutter.Key("a"));
  pid_t saver = WaitForIdleScene(idle, kLayout1024x768);
  ASSERT_GT(saver, 0) << ErrorOutput(idle) << m_mutter.Log();
  ExpectSignboardWhereItStands(m_mutter.Screenshot(0), kLayout1024x768);
  EXPECT_TRUE(m_mutter.Key("a"));
  EXPECT_TRUE(SaverEnds(saver));
  EXPECT_TRUE(m_mutter.WaitForBackground(0, 5s));

  // A video player's inhibitor, through the session manager: mutter's watch holds.
  ASSERT_TRUE(gnome.Command("inhibit gnome-session"));
  EXPECT_TRUE(m_mutter.Key("a"));
  EXPECT_TRUE(NoSaverFor(idle, std::chrono::milliseconds(kSeconds * 1000 + 2500)));
  ASSERT_TRUE(gnome.Command("release gnome-session"));
  saver = WaitForIdleScene(idle, kLayout1024x768);
  ASSERT_GT(saver, 0) << ErrorOutput(idle);

  // The lock screen comes over the saver: the saver ends at once, and none comes while
  // locked.
  ASSERT_TRUE(gnome.Command("lock gnome-screensaver"));
  EXPECT_TRUE(SaverEnds(saver));
  EXPECT_TRUE(m_mutter.Key("a"));
  EXPECT_TRUE(NoSaverFor(idle, std::chrono::milliseconds(kSeconds * 1000 + 2500)));

  m_mutter.Kill();
  ExpectLostWithOneLine(idle, "GNOME's compositor left the session bus");
}

}  // namespace
}  // namespace vt

// "--idle SECONDS" in an X11 session, on the X server's own saver timer: the saver after the
// idle time, ended by a key and back after the next idle period; input and programs that
// suspend the server's saver keep it away; XScreenSaver's daemon makes it decline; the user's
// saver settings come back; no saver outlives the starter, however it ends.
#include <signal.h>

#include <algorithm>

#include "IdleChecks.h"
#include "IdleX11Test.h"
#include "XScreenSaverDaemon.h"

namespace vt {
namespace {

class IdleOnX11 : public IdleX11Test {};

TEST_F(IdleOnX11, TheSaverComesAfterTheIdleTimeEndsOnAKeyAndComesAgainAfterTheNextIdlePeriod) {
  // The user's settings: the server's saver not blanking but tiling its window over the
  // screen, which must not hide the scene.
  ASSERT_EQ(Run("xset s 600 300 s noblank"), 0);
  const SaverSettings user = Settings();
  ChildProcess& idle = StartIdle();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  // The server's saver only counts while the starter has it: no cycling, neither blanking
  // (DontPreferBlanking) nor tiling (DontAllowExposures) over the scene.
  EXPECT_TRUE(Settings() == (SaverSettings{kSeconds, 0, 0, 0}));
  pid_t saver = SaverOneIdleTimeAfter(idle, Key());
  ASSERT_GT(saver, 0);

  Key("a");
  ASSERT_TRUE(SaverEnds(saver));
  // Not straight back: a whole idle period first.
  double ended = BootClockNow();
  pid_t next = WaitForIdleSaver(idle);
  ASSERT_GT(next, 0) << ErrorOutput(idle);
  EXPECT_NE(next, saver);
  EXPECT_GE(StartedAt(next) - ended, kSeconds - 1.0);
  ExpectScene();

  // Ended as systemd ends it: the saver goes too, and the settings are the user's again.
  idle.Signal(SIGTERM);
  EXPECT_EQ(ExitCode(idle), 128 + SIGTERM);
  EXPECT_TRUE(SaverEnds(next));
  EXPECT_EQ(ErrorOutput(idle), "");
  EXPECT_TRUE(Settings() == user) << "timeout " << Settings().timeout;
}

TEST_F(IdleOnX11, ASessionAlreadyIdleAtTheStartGetsTheSaverAtOnce) {
  // The server's own saver is on already, as after a long idle time.
  ASSERT_EQ(Run("xset s activate"), 0);
  ChildProcess& idle = StartIdle();
  double started = BootClockNow();
  pid_t saver = WaitForIdleSaver(idle);
  ASSERT_GT(saver, 0) << ErrorOutput(idle);
  EXPECT_LT(StartedAt(saver) - started, kSeconds - 0.5);
  ExpectScene();
}

TEST_F(IdleOnX11, InputEverySecondKeepsItAway) {
  ChildProcess& idle = StartIdle();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  // Gaps of a little over a second: within the idle time, but longer than half of it.
  auto until = std::chrono::steady_clock::now() + 6s;
  while (std::chrono::steady_clock::now() < until) {
    Key();
    EXPECT_TRUE(NoSaverFor(idle, 1s));
  }
  EXPECT_GT(SaverOneIdleTimeAfter(idle, Key()), 0);
}

TEST_F(IdleOnX11, AProgramThatSuspendsTheServersSaverKeepsItAway) {
  ChildProcess::Options options;
  options.argv = {VT_BINARY_DIR "/saver_suspender"};
  options.pipe_stdin = true;
  options.pipe_stdout = true;
  ChildProcess& player = Launch(options, "player");
  ASSERT_EQ(player.ReadLine(10s), "ready");
  ChildProcess& idle = StartIdle();
  Key();
  EXPECT_TRUE(NoSaverForAnIdleTime(idle));
  // The video ends.
  player.Kill();
  EXPECT_GT(WaitForIdleSaver(idle), 0) << ErrorOutput(idle);
}

TEST_F(IdleOnX11, DeclinesWithOneLineWhereXScreenSaverIsTheSaver) {
  XScreenSaverDaemon daemon;
  std::string error;
  ASSERT_TRUE(daemon.Start(m_server.Name(), kProgram, &error)) << error;
  const SaverSettings before = Settings();
  ChildProcess& idle = StartIdle();
  EXPECT_EQ(ExitCode(idle, 10s), 1);
  std::string line = ErrorOutput(idle);
  EXPECT_EQ(line.rfind("vantorel: XScreenSaver already runs on the X display", 0), 0u) << line;
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
  EXPECT_TRUE(Settings() == before);
  EXPECT_TRUE(daemon.Hacks().empty());
}

TEST_F(IdleOnX11, KilledOutrightItLeavesNoSaverBehind) {
  ChildProcess& idle = StartIdle();
  Key();
  pid_t saver = WaitForIdleSaver(idle);
  ASSERT_GT(saver, 0) << ErrorOutput(idle);
  idle.Kill();
  EXPECT_TRUE(SaverEnds(saver));
}

TEST_F(IdleOnX11, ASaverThatCrashedStillLeavesTheNextIdlePeriodItsSaver) {
  ChildProcess& idle = StartIdle();
  pid_t saver = SaverOneIdleTimeAfter(idle, Key());
  ASSERT_GT(saver, 0);
  // Killed, it could not switch the server's saver timer back on.
  kill(saver, SIGKILL);
  ASSERT_TRUE(SaverEnds(saver));
  EXPECT_TRUE(WaitForTimer(idle));
  EXPECT_GT(SaverOneIdleTimeAfter(idle, Key()), 0);
}

TEST_F(IdleOnX11, TheServerGoingAwayEndsItWithOneLine) {
  ChildProcess& idle = StartIdle();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  std::string name = m_server.Name();
  m_server.Stop();
  EXPECT_EQ(ExitCode(idle, 10s), 1);
  EXPECT_EQ(ErrorOutput(idle), "vantorel: lost the connection to the X display " + name + "\n");
}

}  // namespace
}  // namespace vt

// "--idle SECONDS" under a headless KWin, through ext_idle_notifier_v1: the saver after the
// idle time, fake input ends it, a client's surface holding an idle inhibitor keeps it away,
// and KWin going away ends the starter.
#include "IdleInSession.h"
#include "KWinTest.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

class IdleOnKWin : public IdleInSession<KWinTest> {};

TEST_F(IdleOnKWin, TheSaverComesFakeInputEndsItAnInhibitorKeepsItAwayAndKWinEndsIt) {
  ChildProcess& idle = StartIdle();
  EXPECT_TRUE(Session().Key("a"));
  pid_t saver = WaitForIdleScene(idle, kLayout1280x720);
  ASSERT_GT(saver, 0) << ErrorOutput(idle) << KWin().Log();
  ExpectShaftWhereTheBuildingPutsIt(Session().Screenshot(0), kLayout1280x720);
  EXPECT_TRUE(Session().WaitForColour(1, kBlack, 5s));

  EXPECT_TRUE(Session().Key("a"));
  EXPECT_TRUE(SaverEnds(saver));
  EXPECT_TRUE(Session().WaitForBackground(0, 5s));

  ChildProcess& inhibitor = StartInhibitor(KWin().Folder() + "/solid_background");
  EXPECT_TRUE(Session().Key("a"));
  EXPECT_TRUE(NoSaverFor(idle, std::chrono::milliseconds(kSeconds * 1000 + 2500)));
  inhibitor.Kill();
  pid_t next = WaitForIdleScene(idle, kLayout1280x720);
  EXPECT_GT(next, 0) << ErrorOutput(idle);

  KWin().Kill();
  ExpectLostWithOneLine(idle, "lost the connection to the Wayland display \"vantorel-kwin\"");
  if (next > 0) {
    EXPECT_TRUE(SaverEnds(next));
  }
}

}  // namespace
}  // namespace vt

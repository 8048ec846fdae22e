// "--idle SECONDS" under a headless sway 1.7, through KDE's older idle protocol: the saver on
// every output after the idle time, a key ends it, a client's surface holding an idle
// inhibitor keeps it away, and sway going away ends the starter.
#include <filesystem>

#include "IdleInSession.h"
#include "WaylandEndToEndTest.h"

namespace vt {
namespace {

constexpr uint32_t kBlack = 0;

class IdleOnSway : public IdleInSession<WaylandEndToEndTest> {};

TEST_F(IdleOnSway, TheSaverOnEveryOutputAKeyEndsItAnInhibitorKeepsItAwayAndSwayEndsIt) {
  // Sway runs as the session's user, who may not reach the build folder.
  std::string inhibitor_program = m_sway.Folder() + "/solid_background";
  std::filesystem::copy_file(VT_BINARY_DIR "/solid_background", inhibitor_program);
  ASSERT_TRUE(GiveToUnprivileged(inhibitor_program));

  // A bare sway session has no session bus.
  ChildProcess& idle = StartIdle({"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"});
  EXPECT_TRUE(m_sway.Key("a"));
  pid_t saver = WaitForIdleScene(idle, kLayout1024x768);
  ASSERT_GT(saver, 0) << ErrorOutput(idle) << m_sway.Log();
  ExpectCarOnAFloorLine(m_sway.Screenshot(0), kLayout1024x768);
  EXPECT_TRUE(m_sway.WaitForColour(1, kBlack, 5s));

  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_TRUE(SaverEnds(saver));
  EXPECT_TRUE(m_sway.WaitForBackground(0, 5s));
  EXPECT_TRUE(m_sway.WaitForBackground(1, 5s));

  // A video plays: no saver, however long the session stays idle.
  ChildProcess& inhibitor = StartInhibitor(inhibitor_program);
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_TRUE(NoSaverFor(idle, std::chrono::milliseconds(kSeconds * 1000 + 2500)));
  // It ends: the saver comes after the idle time.
  inhibitor.Kill();
  pid_t next = WaitForIdleScene(idle, kLayout1024x768);
  EXPECT_GT(next, 0) << ErrorOutput(idle);

  m_sway.Kill();
  ExpectLostWithOneLine(
      idle, "lost the connection to the Wayland display \"" + m_sway.SocketName() + "\"");
  if (next > 0) {
    EXPECT_TRUE(SaverEnds(next));
  }
}

}  // namespace
}  // namespace vt

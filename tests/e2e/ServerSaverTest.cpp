// The X server's own screen saver while the saver runs: it must not cover the scene, and its
// timeout is the user's again once the saver has ended. A server without DPMS is never taken
// for one whose monitors are off.
#include <thread>

#include "EndToEndTest.h"

namespace vt {
namespace {

constexpr uint32_t kHostBlue = 0x2040A0;  // host_window's own background

class ServerSaver : public EndToEndTest {};

TEST_F(ServerSaver, DoesNotCoverTheRunningSaverAndGetsItsTimeoutBack) {
  // First make sure that this server's saver does cover the screen when it is due. Xvfb
  // blanks without a trace in the pixels; without blanking it shows its tiled window.
  unsigned long host_id = 0;
  ChildProcess& host = StartHost(200, 200, 0, &host_id);
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(100, 100) == kHostBlue; }, 5s));
  ASSERT_EQ(Run("xset s 1 s noblank"), 0);
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(100, 100) != kHostBlue; }, 5s))
      << "the server's saver never came on";
  ASSERT_EQ(Run("xset s reset"), 0);
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(100, 100) == kHostBlue; }, 5s));
  host.WriteLine("");
  ASSERT_EQ(ExitCode(host), 0);

  ASSERT_EQ(Run("xset s 2"), 0);
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  // Five seconds without input, more than twice the server's timeout: the signboard's grey
  // panel (which never changes) stays in sight all the time.
  const int x = 332 + 15, y = 175 + 50;
  auto until = std::chrono::steady_clock::now() + 5s;
  int looks = 0;
  while (std::chrono::steady_clock::now() < until) {
    uint32_t pixel = ScreenPixel(x, y);
    ASSERT_TRUE(Near(pixel, 155, 157, 154, 20))
        << "after " << looks << " looks: " << ColourText(pixel);
    ++looks;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_TRUE(saver.Running());

  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
  EXPECT_EQ(ServerSaverTimeout(), 2);
}

TEST_F(ServerSaver, AServerWithoutDpmsIsNeverTakenForOneWithItsMonitorsOff) {
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  ASSERT_EQ(Run("xset q | grep -q 'does not have the DPMS Extension'"), 0)
      << "this server has DPMS";
  // Asked to power the monitors down, the server can only say it cannot.
  Run("xset dpms force off >/dev/null 2>&1");
  // The car's ticks go on, ten a second.
  EXPECT_GE(WakeUpsWithin(saver, 2s), 15);
  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

}  // namespace
}  // namespace vt

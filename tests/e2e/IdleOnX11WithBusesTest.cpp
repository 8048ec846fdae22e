// "--idle SECONDS" in an X11 session with a session bus and a system bus of the test's own, on
// which stand-ins say what GNOME's and Plasma's lock screens, Plasma's power management and
// logind say: a lock ends the running saver at once and keeps the next one away; an inhibitor
// keeps it away, and once it is released the saver waits one more idle time; a lock screen
// that goes away no longer locks; the bus going away ends the starter, and its saver.
#include <signal.h>

#include <algorithm>

#include "IdleChecks.h"
#include "IdleX11Test.h"
#include "PrivateBus.h"

namespace vt {
namespace {

class IdleOnX11WithBuses : public IdleX11Test {
 protected:
  void SetUp() override {
    IdleX11Test::SetUp();
    std::string error;
    ASSERT_TRUE(m_session.Start(TempDir(), "session-bus", &error)) << error;
    ASSERT_TRUE(m_system.Start(TempDir(), "system-bus", &error)) << error;
    ASSERT_TRUE(m_logind.Start(OnBus(m_system), {"logind"}, &error)) << error;
    ASSERT_TRUE(m_desktop.Start(
        OnBus(m_session), {"gnome-screensaver", "kde-screensaver", "kde-powermanagement"}, &error))
        << error;
  }

  static ChildProcess::Options OnBus(const PrivateBus& bus) {
    ChildProcess::Options options;
    options.argv = {VT_BINARY_DIR "/desktop_services"};
    options.environment = {"DBUS_SESSION_BUS_ADDRESS=" + bus.Address()};
    return options;
  }

  ChildProcess& StartIdleOnBuses() {
    return StartIdle({"DBUS_SESSION_BUS_ADDRESS=" + m_session.Address(),
                      "DBUS_SYSTEM_BUS_ADDRESS=" + m_system.Address()});
  }

  // The stand-in that offers a service.
  DesktopServices& Offering(const std::string& service) {
    return service == "logind" ? m_logind : m_desktop;
  }

  PrivateBus m_session;
  PrivateBus m_system;
  DesktopServices m_logind;
  DesktopServices m_desktop;
};

class LockOnX11 : public IdleOnX11WithBuses, public ::testing::WithParamInterface<const char*> {};

TEST_P(LockOnX11, EndsTheRunningSaverAtOnceKeepsTheNextAwayAndUnlockedTheSaverComesBack) {
  DesktopServices& services = Offering(GetParam());
  ChildProcess& idle = StartIdleOnBuses();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  Key();
  pid_t saver = WaitForIdleSaver(idle);
  ASSERT_GT(saver, 0) << ErrorOutput(idle);

  ASSERT_TRUE(services.Command(std::string("lock ") + GetParam()));
  EXPECT_TRUE(SaverEnds(saver));
  // Asked to end, it put the server's saver timer back as it found it.
  EXPECT_EQ(Settings().timeout, kSeconds);
  Key();
  EXPECT_TRUE(NoSaverForAnIdleTime(idle));

  // Unlocked, with the session idle all along: one more idle time, then the saver.
  ASSERT_TRUE(services.Command(std::string("unlock ") + GetParam()));
  EXPECT_GT(SaverOneIdleTimeAfter(idle, BootClockNow()), 0);
  EXPECT_TRUE(idle.Running());
  EXPECT_EQ(ErrorOutput(idle), "");
}

INSTANTIATE_TEST_SUITE_P(IdleOnX11, LockOnX11,
                         ::testing::Values("logind", "gnome-screensaver", "kde-screensaver"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

class InhibitorOnX11 : public IdleOnX11WithBuses,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(InhibitorOnX11, KeepsTheSaverAwayAndOnceReleasedTheSaverWaitsOneMoreIdleTime) {
  DesktopServices& services = Offering(GetParam());
  ChildProcess& idle = StartIdleOnBuses();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  ASSERT_TRUE(services.Command(std::string("inhibit ") + GetParam()));
  Key();
  EXPECT_TRUE(NoSaverForAnIdleTime(idle));
  ASSERT_TRUE(services.Command(std::string("release ") + GetParam()));
  EXPECT_GT(SaverOneIdleTimeAfter(idle, BootClockNow()), 0);
}

INSTANTIATE_TEST_SUITE_P(IdleOnX11, InhibitorOnX11,
                         ::testing::Values("logind", "kde-powermanagement"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

TEST_F(IdleOnX11WithBuses, ALockScreenThatGoesAwayNoLongerLocks) {
  ChildProcess& idle = StartIdleOnBuses();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  ASSERT_TRUE(m_desktop.Command("lock gnome-screensaver"));
  Key();
  EXPECT_TRUE(NoSaverForAnIdleTime(idle));
  // GNOME Shell crashed with its lock screen.
  m_desktop.Quit();
  EXPECT_GT(SaverOneIdleTimeAfter(idle, BootClockNow()), 0);
}

TEST_F(IdleOnX11WithBuses, TheSessionBusGoingAwayEndsItWithOneLineAndItsSaver) {
  ChildProcess& idle = StartIdleOnBuses();
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  Key();
  pid_t saver = WaitForIdleSaver(idle);
  ASSERT_GT(saver, 0) << ErrorOutput(idle);
  m_session.Kill();
  EXPECT_EQ(ExitCode(idle, 10s), 1);
  EXPECT_EQ(ErrorOutput(idle), "vantorel: lost the connection to the session bus\n");
  EXPECT_TRUE(SaverEnds(saver));
  EXPECT_EQ(Settings().timeout, 600);
}

}  // namespace
}  // namespace vt

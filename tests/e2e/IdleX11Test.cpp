#include "IdleX11Test.h"

#include <X11/Xlib.h>

#include "IdleChecks.h"
#include "SceneChecks.h"

namespace vt {

ChildProcess& IdleX11Test::StartIdle(const std::vector<std::string>& environment) {
  ChildProcess::Options options;
  options.argv = {kProgram, "--idle", std::to_string(kSeconds)};
  options.environment = {
      "WAYLAND_DISPLAY=", "WAYLAND_SOCKET=", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus",
      "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bus"};
  options.SetEnvironment(environment);
  return Launch(options, "idle");
}

bool IdleX11Test::WaitForTimer(ChildProcess& idle) {
  return WaitUntil([&] { return Settings().timeout == kSeconds || !idle.Running(); }, 10s) &&
         idle.Running();
}

double IdleX11Test::Key(const char* key) {
  EXPECT_EQ(Run(std::string("xdotool key ") + key), 0);
  return BootClockNow();
}

pid_t IdleX11Test::WaitForIdleSaver(ChildProcess& idle, std::chrono::milliseconds timeout) {
  if (!WaitUntil([&] { return !ChildProcessesOf(idle.Pid()).empty() || !idle.Running(); },
                 timeout) ||
      !WaitForSaver(idle)) {
    return -1;
  }
  std::vector<pid_t> savers = ChildProcessesOf(idle.Pid());
  EXPECT_EQ(savers.size(), 1u);
  return savers.empty() ? -1 : savers[0];
}

pid_t IdleX11Test::SaverOneIdleTimeAfter(ChildProcess& idle, double since) {
  pid_t saver = WaitForIdleSaver(idle);
  EXPECT_GT(saver, 0) << ErrorOutput(idle);
  if (saver <= 0) return -1;
  double delay = StartedAt(saver) - since;
  EXPECT_GE(delay, kSeconds - 0.3);
  EXPECT_LE(delay, kSeconds + 1.0);
  ExpectScene();
  return saver;
}

bool IdleX11Test::NoSaverForAnIdleTime(ChildProcess& idle) {
  return NoSaverFor(idle, std::chrono::milliseconds(kSeconds * 1000 + 2000));
}

bool IdleX11Test::NoSaverFor(ChildProcess& idle, std::chrono::milliseconds time) {
  bool came =
      WaitUntil([&] { return !ChildProcessesOf(idle.Pid()).empty() || !idle.Running(); }, time);
  return !came && idle.Running() && !ViewableWindowNamed("ElevatorScrForm");
}

bool IdleX11Test::SaverEnds(pid_t saver) {
  return WaitUntil([&] { return ProcessEnded(saver) && !ViewableWindowNamed("ElevatorScrForm"); },
                   10s);
}

void IdleX11Test::ExpectScene() {
  Bitmap32 screen = Screen();
  ExpectShaftWhereTheBuildingPutsIt(screen, kLayout1024x768);
  ExpectSignboardWhereItStands(screen, kLayout1024x768);
}

SaverSettings IdleX11Test::Settings() const {
  SaverSettings settings;
  XGetScreenSaver(X(), &settings.timeout, &settings.interval, &settings.prefer_blanking,
                  &settings.allow_exposures);
  return settings;
}

}  // namespace vt

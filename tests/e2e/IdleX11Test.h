#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "EndToEndTest.h"

namespace vt {

// The X server's saver settings, as XGetScreenSaver gives them.
struct SaverSettings {
  int timeout = 0, interval = 0, prefer_blanking = 0, allow_exposures = 0;
  bool operator==(const SaverSettings&) const = default;
};

// "--idle SECONDS" on the test's own X server, with no Wayland display, and no bus unless the
// test names one.
class IdleX11Test : public EndToEndTest {
 protected:
  static constexpr int kSeconds = 2;

  // Starts the starter, with these variables besides.
  ChildProcess& StartIdle(const std::vector<std::string>& environment = {});
  // Waits until the starter has taken the server's saver timer.
  bool WaitForTimer(ChildProcess& idle);
  // Input as a person gives it, through XTEST: the moment it was given, on the boot clock.
  double Key(const char* key = "shift");
  // Waits until the starter's saver shows its scene: that saver, the one process the starter
  // runs; -1 when none came.
  pid_t WaitForIdleSaver(ChildProcess& idle, std::chrono::milliseconds timeout = 20s);
  // Waits for the saver and checks that it started one idle time after `since` (a moment on
  // the boot clock), give or take what starting a process takes, and shows the scene: that
  // saver, or -1 when none came.
  pid_t SaverOneIdleTimeAfter(ChildProcess& idle, double since);
  // An idle time and more passes with no saver.
  bool NoSaverForAnIdleTime(ChildProcess& idle);
  // No saver for the whole time, with the starter running all along.
  bool NoSaverFor(ChildProcess& idle, std::chrono::milliseconds time);
  // Waits until the saver has ended and its window gone.
  bool SaverEnds(pid_t saver);
  // The scene of a 1024 x 768 screen, drawn where the layout puts it.
  void ExpectScene();
  SaverSettings Settings() const;
};

}  // namespace vt

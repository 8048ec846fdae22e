#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vt {

// What the idle starter's tests look at in the processes: which savers it runs, when they
// started, whether they have ended.

// The processes whose parent is `parent`: the savers of an idle starter.
std::vector<pid_t> ChildProcessesOf(pid_t parent);
// Whether the process has ended: gone, or a zombie its parent has not reaped.
bool ProcessEnded(pid_t pid);
// When the process started, and now, in seconds on the clock since boot that /proc keeps.
double StartedAt(pid_t pid);
double BootClockNow();

// tests/helpers/dbus/desktop_services on a bus: stand-ins for logind, gnome-session and the
// lock screens and power management of GNOME and Plasma.
class DesktopServices {
 public:
  // Starts it offering the services (with these variables besides, DBUS_SESSION_BUS_ADDRESS
  // naming its bus, and as the given command: a copy where the session's user can run it).
  bool Start(const ChildProcess::Options& base, const std::vector<std::string>& services,
             std::string* error);
  // "lock logind", "release kde-powermanagement", ...: true once the bus has the change.
  bool Command(const std::string& line);
  // Ends it: its names leave the bus.
  void Quit();

 private:
  ChildProcess m_helper;
};

}  // namespace vt

#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vt {

// The XScreenSaver daemon on a test's X server, with a copy of the program as its only hack.
// The daemon runs no hack as root, so a test running as root starts it as "nobody", with a
// private home holding its settings and the program's copy, which that user can read. The
// test process adopts the orphaned hacks (the daemon's drawing process dies with each
// deactivation), so that it can read their exit codes.
class XScreenSaverDaemon {
 public:
  XScreenSaverDaemon() = default;
  ~XScreenSaverDaemon();
  XScreenSaverDaemon(const XScreenSaverDaemon&) = delete;
  XScreenSaverDaemon& operator=(const XScreenSaverDaemon&) = delete;

  // Copies the program file and its data folder into a new home and starts the daemon on the
  // display; false with the reason when it did not come up.
  bool Start(const std::string& display, const std::string& program, std::string* error);
  // Runs xscreensaver-command with the argument ("-activate", "-deactivate"); its exit status.
  int Command(const std::string& argument) const;
  // The running copies of the program.
  std::vector<pid_t> Hacks() const;
  // The exit code of a hack, once it has ended; nullopt when it still runs after the timeout.
  std::optional<int> WaitHackExit(pid_t hack, std::chrono::milliseconds timeout) const;
  std::string Log() const;

 private:
  // The command line as the daemon's user.
  std::vector<std::string> AsDaemonUser(std::vector<std::string> argv) const;

  std::string m_display;
  std::string m_home;
  std::string m_program;
  ChildProcess m_daemon;
};

}  // namespace vt

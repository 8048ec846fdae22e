#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vt {

// The XScreenSaver daemon on a test's X server, with a copy of the program as its only hack.
// It runs no hack as root, so under root it runs as "nobody", with a private home holding its
// settings and the program's copy. The daemon's drawing process dies at each deactivation;
// the test process then adopts the hacks, so that it can read their exit codes.
class XScreenSaverDaemon {
 public:
  ~XScreenSaverDaemon();

  // Starts it on the display; false with the reason when it does not answer.
  bool Start(const std::string& display, const std::string& program, std::string* error);
  // xscreensaver-command with the argument ("-activate", "-deactivate"); its exit status.
  int Command(const std::string& argument) const;
  std::vector<pid_t> Hacks() const;  // the running copies of the program
  // A hack's exit code; nullopt when it still runs after the timeout.
  std::optional<int> WaitHackExit(pid_t hack, std::chrono::milliseconds timeout) const;
  std::string Log() const;

 private:
  ChildProcess::Options AsDaemonUser(std::vector<std::string> argv) const;

  std::string m_display;
  std::string m_home;
  std::string m_program;
  ChildProcess m_daemon;
};

}  // namespace vt

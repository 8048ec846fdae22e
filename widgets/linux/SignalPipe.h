#pragma once

#include <signal.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "widgets/Backend.h"

namespace vt {

// SIGTERM, SIGINT and SIGHUP turned into bytes in a pipe that an event loop's wait watches, so
// that a program ended from outside can end as if asked to close, and restore what it changed.
// The handler only writes the signal's number into the pipe. A signal that whoever started the
// program set to be ignored (nohup, a background job's SIGINT) stays ignored. The newest pipe
// takes the signals; the one made before it takes them again once it is restored.
class SignalPipe {
 public:
  SignalPipe();
  ~SignalPipe();
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  // The end for the wait to watch; -1 when no pipe could be made, and after Restore.
  int ReadFd() const { return m_read; }
  // The last of the signals that arrived since the last look; 0 when none did.
  int Take();
  // The close request of the application's window that the signals since the last look make;
  // none when no signal came. With no window to close (0) the program ends as the signal would
  // have ended it, once before_ending has put back what the program changed.
  std::optional<InputEvent> TakeCloseRequest(WindowHandle app_window,
                                             const std::function<void()>& before_ending = {});
  // Gives the signals back to the handlers they had before, and closes the pipe.
  void Restore();

 private:
  int m_read = -1;
  int m_write = -1;
  int m_outer_write = -1;  // the pipe made before this one
  std::vector<std::pair<int, struct sigaction>> m_previous_actions;
};

}  // namespace vt

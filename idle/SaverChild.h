#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt {

// The full-screen saver as a child process: by default this same program started again with
// "/s". Its end is seen through a pidfd, which the idle starter's poll() waits on. A child
// never outlives the idle starter: the kernel sends it SIGTERM when the starter dies, however it
// dies, and the starter's own end stops it first.
class SaverChild {
 public:
  // How long a saver asked to stop may take before it is killed.
  static constexpr int64_t kGraceMs = 3000;

  explicit SaverChild(std::vector<std::string> argv = {"/proc/self/exe", "/s"})
      : m_argv(std::move(argv)) {}
  ~SaverChild() { End(); }
  SaverChild(const SaverChild&) = delete;
  SaverChild& operator=(const SaverChild&) = delete;

  // Starts it; false with the reason when it cannot.
  bool Start(std::string* error);
  bool Running() const { return m_pid > 0; }
  pid_t Pid() const { return m_pid; }
  // Readable once the child has ended; -1 when none runs.
  int Fd() const { return m_pidfd; }
  // Collects the child's end if it has come: true when it has (then nothing runs any more).
  bool Reap();
  // Asks it to end (SIGTERM), as the saver ends on a close request; it is killed if it still
  // runs at KillDeadline.
  void Stop(int64_t now);
  std::optional<int64_t> KillDeadline() const { return m_kill_at; }
  // Kills a child that was asked to stop and is overdue.
  void KillIfOverdue(int64_t now);
  // Ends a running child and waits for it: asked first, killed after the grace time.
  void End();

 private:
  void Forget();

  std::vector<std::string> m_argv;
  pid_t m_pid = -1;
  int m_pidfd = -1;
  std::optional<int64_t> m_kill_at;
};

}  // namespace vt

#include "idle/SaverChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "widgets/linux/MonotonicClock.h"

namespace vt {

namespace {

int PidFdOpen(pid_t pid) {
  return int(syscall(SYS_pidfd_open, pid, 0));
}

}  // namespace

bool SaverChild::Start(std::string* error) {
  if (Running()) return true;
  // Everything the child needs is made before the fork: after it, only plain system calls.
  std::vector<char*> argv;
  for (std::string& arg : m_argv) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    *error = std::string("cannot start the saver: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    // The saver ends with the starter, even one killed outright.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    // What the starter ignores the saver gets back, and none of the starter's connections.
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    syscall(SYS_close_range, 3u, UINT_MAX, 0u);
    execv(argv[0], argv.data());
    _exit(127);
  }
  m_pid = pid;
  m_pidfd = PidFdOpen(pid);
  m_kill_at.reset();
  return true;
}

bool SaverChild::Reap() {
  if (!Running()) return true;
  int status = 0;
  pid_t done = waitpid(m_pid, &status, WNOHANG);
  if (done == 0) return false;
  // Ended (or, should another part of the program have reaped it, gone all the same).
  Forget();
  return true;
}

void SaverChild::Stop(int64_t now) {
  if (!Running() || m_kill_at) return;
  kill(m_pid, SIGTERM);
  m_kill_at = now + kGraceMs;
}

void SaverChild::KillIfOverdue(int64_t now) {
  if (Running() && m_kill_at && now >= *m_kill_at) {
    kill(m_pid, SIGKILL);
    // The pidfd tells when it has gone.
    m_kill_at.reset();
  }
}

void SaverChild::End() {
  if (!Running()) return;
  Stop(MonotonicMs());
  int64_t deadline = m_kill_at.value_or(MonotonicMs() + kGraceMs);
  while (!Reap()) {
    int64_t left = deadline - MonotonicMs();
    if (left <= 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
      Forget();
      return;
    }
    if (m_pidfd >= 0) {
      pollfd fd{m_pidfd, POLLIN, 0};
      poll(&fd, 1, int(left));
    } else {
      usleep(20000);
    }
  }
}

void SaverChild::Forget() {
  if (m_pidfd >= 0) close(m_pidfd);
  m_pidfd = -1;
  m_pid = -1;
  m_kill_at.reset();
}

}  // namespace vt

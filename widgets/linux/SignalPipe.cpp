#include "widgets/linux/SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace vt {

namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe that takes termination signals. A signal handler can reach nothing
// but a value like this one, so it alone lives outside the pipe's object.
std::atomic<int> signal_pipe_write{-1};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

void OnTerminationSignal(int signal) {
  int fd = signal_pipe_write.load();
  if (fd < 0) return;
  int saved_errno = errno;
  auto byte = static_cast<unsigned char>(signal);
  // A full pipe holds a request already.
  ssize_t written = write(fd, &byte, 1);
  (void)written;
  errno = saved_errno;
}

}  // namespace

SignalPipe::SignalPipe() {
  int fds[2] = {-1, -1};
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  m_read = fds[0];
  m_write = fds[1];
  m_outer_write = signal_pipe_write.exchange(m_write);
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kTerminationSignals) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0) continue;
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN) continue;
    if (sigaction(signal, &action, &previous) == 0) {
      m_previous_actions.emplace_back(signal, previous);
    }
  }
}

SignalPipe::~SignalPipe() {
  Restore();
}

int SignalPipe::Take() {
  if (m_read < 0) return 0;
  unsigned char bytes[16];
  int last = 0;
  for (ssize_t count; (count = read(m_read, bytes, sizeof bytes)) > 0;) {
    last = bytes[count - 1];
  }
  return last;
}

std::optional<InputEvent> SignalPipe::TakeCloseRequest(WindowHandle app_window,
                                                       const std::function<void()>& before_ending) {
  int last = Take();
  if (last == 0) return std::nullopt;
  if (app_window) {
    InputEvent request;
    request.type = EventType::CloseRequest;
    request.window = app_window;
    return request;
  }
  if (before_ending) before_ending();
  Restore();
  raise(last);
  // A handler from before that did not end the program leaves it running without a request.
  return std::nullopt;
}

void SignalPipe::Restore() {
  for (auto it = m_previous_actions.rbegin(); it != m_previous_actions.rend(); ++it) {
    sigaction(it->first, &it->second, nullptr);
  }
  m_previous_actions.clear();
  int own = m_write;
  signal_pipe_write.compare_exchange_strong(own, m_outer_write);
  if (m_read >= 0) close(m_read);
  if (m_write >= 0) close(m_write);
  m_read = m_write = m_outer_write = -1;
}

}  // namespace vt

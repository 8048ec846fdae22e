#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace vt {

namespace {

using Clock = std::chrono::steady_clock;

std::string NameOf(const std::string& assignment) {
  return assignment.substr(0, assignment.find('='));
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

void ChildProcess::Options::SetEnvironment(const std::vector<std::string>& variables) {
  for (const std::string& variable : variables) {
    std::string name = NameOf(variable) + "=";
    std::erase_if(environment, [&](const std::string& own) { return own.rfind(name, 0) == 0; });
    environment.push_back(variable);
  }
}

ChildProcess::~ChildProcess() {
  Kill();
  CloseFds();
}

bool ChildProcess::Start(const Options& options, std::string* error) {
  if (options.argv.empty()) {
    if (error) *error = "no program given";
    return false;
  }
  // Everything the child needs is made before the fork: after it, only plain system calls.
  std::vector<std::string> environment = options.environment;
  for (char** entry = environ; *entry; ++entry) {
    std::string name = NameOf(*entry);
    bool replaced = false;
    for (const std::string& own : options.environment) replaced |= NameOf(own) == name;
    if (!replaced) environment.emplace_back(*entry);
  }
  std::vector<char*> argv;
  for (const std::string& arg : options.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  std::string stderr_path = options.stderr_path.empty() ? "/dev/null" : options.stderr_path;
  int stderr_fd = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  bool ok = stderr_fd >= 0 && null_fd >= 0 && (!options.pipe_stdin || pipe2(in, O_CLOEXEC) == 0) &&
            (!options.pipe_stdout || pipe2(out, O_CLOEXEC) == 0);
  pid_t pid = ok ? fork() : -1;
  if (pid == 0) {
    dup2(options.pipe_stdin ? in[0] : null_fd, STDIN_FILENO);
    dup2(options.pipe_stdout ? out[1] : null_fd, STDOUT_FILENO);
    dup2(stderr_fd, STDERR_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int saved_errno = errno;
  for (int fd : {stderr_fd, null_fd, in[0], out[1]}) {
    if (fd >= 0) close(fd);
  }
  if (pid < 0) {
    for (int fd : {in[1], out[0]}) {
      if (fd >= 0) close(fd);
    }
    if (error) *error = "cannot start " + options.argv[0] + ": " + std::strerror(saved_errno);
    return false;
  }
  m_pid = pid;
  m_exit.reset();
  m_stderr_path = options.stderr_path;
  m_stdin = in[1];
  m_stdout = out[0];
  m_output.clear();
  return true;
}

bool ChildProcess::StartHelper(Options options, std::string* error) {
  options.pipe_stdin = true;
  options.pipe_stdout = true;
  if (!Start(options, error)) return false;
  if (ReadLine(std::chrono::seconds(10)) == "ready") return true;
  if (error) *error = options.argv[0] + " did not say it was ready";
  return false;
}

bool ChildProcess::Running() {
  if (m_pid < 0 || m_exit) return false;
  int status = 0;
  pid_t done = waitpid(m_pid, &status, WNOHANG);
  if (done == m_pid) {
    m_exit = ExitCodeOf(status);
    return false;
  }
  return done == 0;
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (Running()) {
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return m_exit;
}

void ChildProcess::Signal(int signal) const {
  if (m_pid > 0 && !m_exit) kill(m_pid, signal);
}

void ChildProcess::Kill() {
  if (!Running()) return;
  kill(m_pid, SIGKILL);
  int status = 0;
  if (waitpid(m_pid, &status, 0) == m_pid) m_exit = ExitCodeOf(status);
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    if (size_t end = m_output.find('\n'); end != std::string::npos) {
      std::string line = m_output.substr(0, end);
      m_output.erase(0, end + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (m_stdout < 0 || left.count() <= 0) return std::nullopt;
    pollfd fd{m_stdout, POLLIN, 0};
    if (poll(&fd, 1, int(left.count())) <= 0) continue;
    char buffer[256];
    ssize_t count = read(m_stdout, buffer, sizeof buffer);
    if (count <= 0) return std::nullopt;
    m_output.append(buffer, size_t(count));
  }
}

void ChildProcess::WriteLine(const std::string& line) {
  if (m_stdin < 0) return;
  std::string text = line + "\n";
  // A program that has ended no longer reads; its pipe must not kill the test with SIGPIPE.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  ssize_t written = write(m_stdin, text.data(), text.size());
  (void)written;
  sigaction(SIGPIPE, &previous, nullptr);
}

void ChildProcess::CloseFds() {
  if (m_stdin >= 0) close(m_stdin);
  if (m_stdout >= 0) close(m_stdout);
  m_stdin = m_stdout = -1;
}

std::vector<std::string> AsUnprivileged(std::vector<std::string> argv) {
  if (geteuid() != 0) return argv;
  std::vector<std::string> command{"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                   "--clear-groups"};
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}

bool GiveToUnprivileged(const std::string& folder) {
  return geteuid() != 0 || std::system(("chown -R nobody:nogroup " + folder).c_str()) == 0;
}

}  // namespace vt

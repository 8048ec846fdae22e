#include "XScreenSaverDaemon.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

XScreenSaverDaemon::~XScreenSaverDaemon() {
  m_daemon.Signal(SIGTERM);
  if (!m_daemon.WaitExit(5s)) m_daemon.Kill();
  for (pid_t hack : Hacks()) kill(hack, SIGKILL);
  for (pid_t hack : Hacks()) WaitHackExit(hack, 2s);
  std::error_code ignored;
  if (!m_home.empty()) fs::remove_all(m_home, ignored);
}

ChildProcess::Options XScreenSaverDaemon::AsDaemonUser(std::vector<std::string> argv) const {
  ChildProcess::Options options;
  options.argv = AsUnprivileged(std::move(argv));
  options.environment = {"DISPLAY=" + m_display, "HOME=" + m_home};
  return options;
}

bool XScreenSaverDaemon::Start(const std::string& display, const std::string& program,
                               std::string* error) {
  m_display = display;
  char pattern[] = "/tmp/vantorel-xscreensaver-XXXXXX";
  if (!mkdtemp(pattern)) {
    *error = "no home for the daemon";
    return false;
  }
  m_home = pattern;
  fs::path source(program);
  m_program = m_home + "/" + source.filename().string();
  fs::copy_file(source, m_program);
  fs::copy(source.parent_path() / "VantorelData", m_home + "/VantorelData",
           fs::copy_options::recursive);
  std::ofstream(m_home + "/.xscreensaver")
      << "mode: one\nselected: 0\nlock: False\nsplash: False\nfade: False\nunfade: False\n"
      << "timeout: 1:00:00\nprograms: " << m_program << " --root \\n\n";
  // Everything in it belongs to the daemon's user.
  if (!GiveToUnprivileged(m_home)) {
    *error = "cannot give " + m_home + " to nobody";
    return false;
  }
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  ChildProcess::Options options = AsDaemonUser({"/usr/bin/xscreensaver", "-no-splash", "-verbose"});
  options.stderr_path = m_home + "/daemon-log.txt";
  if (!m_daemon.Start(options, error)) return false;
  for (int i = 0; i < 100; ++i) {
    if (Command("-time") == 0) return true;
    std::this_thread::sleep_for(100ms);
  }
  *error = "the daemon did not answer: " + Log();
  return false;
}

int XScreenSaverDaemon::Command(const std::string& argument) const {
  ChildProcess command;
  std::string error;
  if (!command.Start(AsDaemonUser({"/usr/bin/xscreensaver-command", argument}), &error)) return -1;
  return command.WaitExit(10s).value_or(-1);
}

std::vector<pid_t> XScreenSaverDaemon::Hacks() const {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::error_code failed;
    if (!m_program.empty() && fs::read_symlink(entry.path() / "exe", failed) == m_program) {
      found.push_back(pid_t(std::atoi(entry.path().filename().c_str())));
    }
  }
  return found;
}

std::optional<int> XScreenSaverDaemon::WaitHackExit(pid_t hack,
                                                    std::chrono::milliseconds timeout) const {
  for (auto end = std::chrono::steady_clock::now() + timeout;
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(20ms)) {
    int status = 0;
    // Until the drawing process is gone, the hack is not this process's to wait for.
    if (waitpid(hack, &status, WNOHANG) == hack) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
  }
  return std::nullopt;
}

std::string XScreenSaverDaemon::Log() const {
  std::stringstream text;
  text << std::ifstream(m_home + "/daemon-log.txt").rdbuf();
  return text.str();
}

}  // namespace vt

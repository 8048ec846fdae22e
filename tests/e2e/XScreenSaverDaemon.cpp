#include "XScreenSaverDaemon.h"

#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

XScreenSaverDaemon::~XScreenSaverDaemon() {
  if (m_daemon.Running()) {
    m_daemon.Signal(SIGTERM);
    if (!m_daemon.WaitExit(5s)) m_daemon.Kill();
  }
  // The daemon ends its hacks as it goes; one that did not end is killed.
  for (pid_t hack : Hacks()) kill(hack, SIGKILL);
  for (pid_t hack : Hacks()) WaitHackExit(hack, 2s);
  std::error_code ignored;
  if (!m_home.empty()) fs::remove_all(m_home, ignored);
}

std::vector<std::string> XScreenSaverDaemon::AsDaemonUser(std::vector<std::string> argv) const {
  if (geteuid() != 0) return argv;
  std::vector<std::string> as_nobody = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                        "--clear-groups"};
  as_nobody.insert(as_nobody.end(), argv.begin(), argv.end());
  return as_nobody;
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
  // The program and its data folder where the daemon's user can read them.
  fs::path source(program);
  fs::create_directory(m_home + "/lib");
  m_program = m_home + "/lib/" + source.filename().string();
  fs::copy_file(source, m_program);
  fs::copy(source.parent_path() / "VantorelData", m_home + "/lib/VantorelData",
           fs::copy_options::recursive);
  std::ofstream(m_home + "/.xscreensaver") << "mode: one\nselected: 0\nlock: False\n"
                                              "splash: False\nfade: False\nunfade: False\n"
                                              "timeout: 1:00:00\nprograms: "
                                           << m_program << " --root \\n\n";
  if (geteuid() == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (!nobody) {
      *error = "no user nobody";
      return false;
    }
    for (const auto& entry : fs::recursive_directory_iterator(m_home)) {
      if (lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return false;
    }
    if (chown(m_home.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return false;
    fs::permissions(m_home, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  }
  // The drawing process dies at each deactivation; its hacks are then handed to this process.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  ChildProcess::Options options;
  options.argv = AsDaemonUser({"/usr/bin/xscreensaver", "-no-splash", "-verbose"});
  options.environment = {"DISPLAY=" + display, "HOME=" + m_home};
  options.stderr_path = m_home + "/daemon-log.txt";
  if (!m_daemon.Start(options, error)) return false;
  // The daemon answers commands once it has set itself up on the display.
  for (int i = 0; i < 100; ++i) {
    if (Command("-time") == 0) return true;
    std::this_thread::sleep_for(100ms);
  }
  *error = "the daemon did not answer: " + Log();
  return false;
}

int XScreenSaverDaemon::Command(const std::string& argument) const {
  ChildProcess command;
  ChildProcess::Options options;
  options.argv = AsDaemonUser({"/usr/bin/xscreensaver-command", argument});
  options.environment = {"DISPLAY=" + m_display, "HOME=" + m_home};
  std::string error;
  if (!command.Start(options, &error)) return -1;
  return command.WaitExit(10s).value_or(-1);
}

std::vector<pid_t> XScreenSaverDaemon::Hacks() const {
  std::vector<pid_t> found;
  if (m_program.empty()) return found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::error_code failed;
    fs::path exe = fs::read_symlink(entry.path() / "exe", failed);
    if (!failed && exe == m_program)
      found.push_back(pid_t(std::atoi(entry.path().filename().c_str())));
  }
  return found;
}

std::optional<int> XScreenSaverDaemon::WaitHackExit(pid_t hack,
                                                    std::chrono::milliseconds timeout) const {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    int status = 0;
    // ECHILD: still the drawing process's child, not yet handed over.
    if (waitpid(hack, &status, WNOHANG) == hack) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(20ms);
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

std::string XScreenSaverDaemon::Log() const {
  std::ifstream file(m_home + "/daemon-log.txt");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace vt

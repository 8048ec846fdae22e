#include "XvfbServer.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

namespace vt {

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string SocketPath(int number) {
  return "/tmp/.X11-unix/X" + std::to_string(number);
}
std::string LockPath(int number) {
  return "/tmp/.X" + std::to_string(number) + "-lock";
}

// Waits up to the deadline for the child to end; true when it did.
bool Reap(pid_t pid, Clock::time_point deadline) {
  while (Clock::now() < deadline) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

bool XvfbServer::Start(int width, int height, int depth, std::string* error,
                       Connection connection) {
  std::random_device seed;
  std::mt19937 random(seed());
  int base = 200 + int(random() % 3000);
  for (int i = 0; i < 40; ++i) {
    int number = base + i * 7;
    if (Exists(SocketPath(number)) || Exists(LockPath(number))) continue;
    if (TryNumber(number, width, height, depth, connection)) return true;
  }
  if (error) *error = "no Xvfb could be started";
  return false;
}

bool XvfbServer::TryNumber(int number, int width, int height, int depth, Connection connection) {
  std::string name = ":" + std::to_string(number);
  std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    if (m_second_screen.empty()) {
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             "-noreset", static_cast<char*>(nullptr));
    } else {
      std::string second = m_second_screen + "x" + std::to_string(depth);
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-screen", "1",
             second.c_str(), "+xinerama", "-wr", "-nolisten", "tcp", "-noreset",
             static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return false;  // lost a race for the number
    if (Exists(SocketPath(number))) {
      if (Display* display = XOpenDisplay(name.c_str())) {
        m_name = name;
        m_number = number;
        m_pid = pid;
        if (connection == Connection::Keep) {
          m_display = display;
        } else {
          XCloseDisplay(display);
        }
        return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  Reap(pid, Clock::now() + std::chrono::seconds(5));
  return false;
}

void XvfbServer::Stop() {
  if (m_pid < 0) return;
  // Only a live server can take the goodbye of a connection.
  if (m_display && kill(m_pid, 0) == 0 && waitpid(m_pid, nullptr, WNOHANG) == 0) {
    XCloseDisplay(m_display);
  }
  m_display = nullptr;
  kill(m_pid, SIGTERM);
  if (!Reap(m_pid, Clock::now() + std::chrono::seconds(5))) {
    kill(m_pid, SIGKILL);
    Reap(m_pid, Clock::now() + std::chrono::seconds(5));
  }
  RemoveFiles();
  m_pid = -1;
}

void XvfbServer::RemoveFiles() const {
  // A killed server leaves its socket and lock behind.
  unlink(SocketPath(m_number).c_str());
  unlink(LockPath(m_number).c_str());
}

int XvfbServer::Run(const std::string& command) const {
  std::string line = "DISPLAY=" + m_name + " timeout 10 " + command;
  int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vt

#include "IdleChecks.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The fields of /proc/PID/stat after the command's name, the first being the state; none when
// the process is gone. Read with read(), which reports a process that went while it was read
// as an error, where a stream would throw.
std::vector<std::string> StatFields(pid_t pid) {
  std::vector<std::string> fields;
  int fd = open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fields;
  char buffer[1024];
  ssize_t count = read(fd, buffer, sizeof buffer - 1);
  close(fd);
  if (count <= 0) return fields;
  std::string text(buffer, size_t(count));
  size_t close_paren = text.rfind(')');
  if (close_paren == std::string::npos) return fields;
  std::istringstream words(text.substr(close_paren + 1));
  for (std::string word; words >> word;) fields.push_back(word);
  return fields;
}

}  // namespace

std::vector<pid_t> ChildProcessesOf(pid_t parent) {
  std::vector<pid_t> children;
  // Processes come and go while /proc is read: one that went is passed over.
  std::error_code failed;
  for (fs::directory_iterator entry("/proc", failed), end; !failed && entry != end;
       entry.increment(failed)) {
    std::string name = entry->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    auto pid = pid_t(std::strtol(name.c_str(), nullptr, 10));
    std::vector<std::string> fields = StatFields(pid);
    // Field 2 after the name is the parent; a zombie has ended already.
    if (fields.size() > 1 && fields[0] != "Z" &&
        std::strtol(fields[1].c_str(), nullptr, 10) == parent) {
      children.push_back(pid);
    }
  }
  return children;
}

bool ProcessEnded(pid_t pid) {
  std::vector<std::string> fields = StatFields(pid);
  return fields.empty() || fields[0] == "Z";
}

double StartedAt(pid_t pid) {
  // Field 22 of the line, the 20th after the name: clock ticks since boot.
  std::vector<std::string> fields = StatFields(pid);
  if (fields.size() < 20) return -1;
  return double(std::strtoll(fields[19].c_str(), nullptr, 10)) / double(sysconf(_SC_CLK_TCK));
}

double BootClockNow() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

bool DesktopServices::Start(const ChildProcess::Options& base,
                            const std::vector<std::string>& services, std::string* error) {
  ChildProcess::Options options = base;
  options.argv.insert(options.argv.end(), services.begin(), services.end());
  return m_helper.StartHelper(options, error);
}

bool DesktopServices::Command(const std::string& line) {
  m_helper.WriteLine(line);
  return m_helper.ReadLine(10s) == "ok";
}

void DesktopServices::Quit() {
  m_helper.Signal(SIGTERM);
  m_helper.WaitExit(5s);
  m_helper.Kill();
}

}  // namespace vt

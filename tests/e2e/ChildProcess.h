#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vt {

// A program that a test starts and watches. Its standard error goes to a file, its standard
// input and output may be pipes of the test's, and it is killed if it still runs when the
// object goes, so no test leaves a process behind.
class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> argv;         // argv[0] is the program's path
    std::vector<std::string> environment;  // NAME=VALUE, over the test's own environment
    std::string stderr_path;               // empty: /dev/null
    bool pipe_stdin = false;
    bool pipe_stdout = false;

    // Sets the variables (NAME=VALUE), each in the place of one of the same name given before.
    void SetEnvironment(const std::vector<std::string>& variables);
  };

  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False, with the reason, when the program could not be started.
  bool Start(const Options& options, std::string* error);
  // Starts a test helper that says "ready" on standard output once it is, with pipes to its
  // standard input and output, and waits for that; false with the reason when it does not
  // come.
  bool StartHelper(Options options, std::string* error);

  pid_t Pid() const { return m_pid; }
  const std::string& StderrPath() const { return m_stderr_path; }
  // Whether it still runs; an ended program is reaped here.
  bool Running();
  // Waits for the end: the exit code, or 128 + the number of the signal that ended it;
  // nullopt when it still runs after the timeout.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);
  void Signal(int signal) const;
  // Ends it with SIGKILL and reaps it.
  void Kill();

  // One line of its standard output, without the line break; nullopt at the end of the
  // output or when no whole line came within the timeout.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  void WriteLine(const std::string& line);

 private:
  void CloseFds();

  pid_t m_pid = -1;
  std::optional<int> m_exit;
  std::string m_stderr_path;
  int m_stdin = -1;
  int m_stdout = -1;
  std::string m_output;  // read from standard output, not yet returned as a line
};

// Programs that refuse to run as root (sway, the hacks of XScreenSaver) run as "nobody" when
// the test runs as root: the command line for that, or argv as it is otherwise.
std::vector<std::string> AsUnprivileged(std::vector<std::string> argv);
// Gives a folder and everything in it to that user when the test runs as root; false when
// that fails.
bool GiveToUnprivileged(const std::string& folder);

}  // namespace vt

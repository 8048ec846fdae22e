#pragma once

#include <sys/types.h>

#include <string>

struct _XDisplay;

namespace vt {

// A private Xvfb for one test: started on a free display number, with a connection of the
// test's own kept open (so the server keeps what tools like xrdb put into it), and ended with
// the test.
class XvfbServer {
 public:
  enum class Connection { Keep, Drop };

  XvfbServer() = default;
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts "Xvfb :N -screen 0 WxHxD"; false with a reason when no server came up in time.
  bool Start(int width, int height, int depth, std::string* error,
             Connection connection = Connection::Keep);
  // The next Start adds a second screen of this size, joined to the first by Xinerama (both at
  // the origin), over a white root window, so that what no window paints shows.
  void AddXineramaScreen(int width, int height) {
    m_second_screen = std::to_string(width) + "x" + std::to_string(height);
  }
  void Stop();

  const std::string& Name() const { return m_name; }
  pid_t Pid() const { return m_pid; }
  // The test's own connection (nullptr with Connection::Drop).
  _XDisplay* Test() const { return m_display; }
  // Runs a shell command with DISPLAY set to this server, bounded to 10 seconds; returns its
  // exit status.
  int Run(const std::string& command) const;

 private:
  bool TryNumber(int number, int width, int height, int depth, Connection connection);
  void RemoveFiles() const;

  std::string m_name;
  std::string m_second_screen;  // WxH, or empty
  int m_number = -1;
  pid_t m_pid = -1;
  _XDisplay* m_display = nullptr;
};

}  // namespace vt

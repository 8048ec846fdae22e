#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "widgets/Bitmap32.h"

namespace vt {

// A headless sway for one test, its outputs side by side as the test wants them (the first
// focused, all showing kBackground where nothing covers them), and a seat with the pointer and
// keyboard a headless sway lacks (tests/helpers/wayland/virtual_seat). Sway refuses to run as
// root: under root, it and everything that talks to it run as "nobody", with a private runtime
// folder, and the program under test and the helper run from copies in a private folder of
// that user (the build folder may lie where nobody can enter).
class SwaySession {
 public:
  struct Output {
    int width = 0;  // the mode, in physical pixels
    int height = 0;
    int scale = 1;
  };
  static constexpr uint32_t kBackground = 0x204060;
  static constexpr size_t kPointerPixels = 32 * 32;  // the most a pointer's picture covers

  ~SwaySession();

  // Starts sway with the outputs HEADLESS-1, HEADLESS-2, ... and the seat; false with the
  // reason when it does not answer.
  bool Start(const std::vector<Output>& outputs, std::string* error);
  // A command line run as the session's user, in the session (WAYLAND_DISPLAY, SWAYSOCK).
  ChildProcess::Options AsUser(std::vector<std::string> argv) const;
  // Runs a shell command in the session (swaymsg, wtype), bounded to 10 seconds; its exit
  // status.
  int Run(const std::string& command) const;
  // One output's picture, pixels 0x00RRGGBB; empty when grim fails.
  Bitmap32 Screenshot(const std::string& output) const;
  // Whether the output shows only this colour, but for at most `others` pixels; now, or
  // before the time is up. The compositor draws the pointer into the outputs' pictures.
  bool ShowsOnly(const std::string& output, uint32_t colour, size_t others = 0) const;
  bool WaitForColour(const std::string& output, uint32_t colour, std::chrono::milliseconds timeout,
                     size_t others = 0) const;
  // Ends sway at once, as a crash would.
  void Kill();

  const std::string& Program() const { return m_program; }  // the copy of build/vantorel
  const std::string& Folder() const { return m_folder; }    // the session's private folder
  std::string Log() const;

 private:
  std::string m_folder;
  std::string m_runtime;
  std::string m_program;
  std::string m_socket;
  std::string m_ipc_socket;
  std::string m_leak_options;  // LSAN_OPTIONS with the session's copy of the suppressions
  ChildProcess m_sway;
  ChildProcess m_seat;
};

}  // namespace vt

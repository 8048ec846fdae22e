#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "tests/x11/XvfbServer.h"
#include "widgets/Bitmap32.h"
#include "widgets/Geometry.h"

namespace vt {

using namespace std::chrono_literals;

// A top-level window of the program as the X server sees it.
struct ProgramWindow {
  unsigned long id = 0;
  std::string name;  // _NET_WM_NAME
  bool viewable = false;
  bool dialog = false;  // _NET_WM_WINDOW_TYPE_DIALOG
  Rect bounds;
  int stacking = 0;  // position among the root's children, bottom first
};

// The parts of the real program that every end-to-end test needs: its own Xvfb, the program
// started with DISPLAY set and its standard error in a file, xdotool and the other X tools run
// against that server, the screen's pixels and the program's windows read through the test's
// own connection. Everything started here ends with the test.
class EndToEndTest : public ::testing::Test {
 protected:
  static constexpr const char* kProgram = VT_BINARY_DIR "/vantorel";

  void SetUp() override { StartDisplay(1024, 768); }
  void TearDown() override;
  void StartDisplay(int width, int height);

  // Starts the program (by default build/vantorel) with these arguments.
  ChildProcess& StartProgram(const std::vector<std::string>& args,
                             const std::string& program = kProgram);
  // Starts tests/helpers/host_window and reads the id of its window.
  ChildProcess& StartHost(int width, int height, int border, unsigned long* window);

  // Runs a shell command (xdotool, xset) against the test's server; its exit status.
  int Run(const std::string& command) const { return m_server.Run(command); }
  // Splits the screen into XRandR monitors of equal width side by side. The first takes over
  // the server's own output, so that no monitor spans them all.
  void SplitIntoMonitors(int count, int primary);

  // Waits until the saver's full-screen window is shown and painted (its centre is no longer
  // the black of an unpainted window); false when the program ended or the time is up.
  bool WaitForSaver(ChildProcess& saver, std::chrono::milliseconds timeout = 20s) const;
  // Waits for the program's end and returns its exit code; a program still running after
  // the timeout is killed and the test fails.
  int ExitCode(ChildProcess& child, std::chrono::milliseconds timeout = 20s);
  // Whether the program is still running after the given time. Long enough for it to handle
  // what it was just sent, so that a program that does end fails the test.
  static bool KeepsRunning(ChildProcess& child, std::chrono::milliseconds time = 700ms);
  static std::string ErrorOutput(const ChildProcess& child);
  // How many times the program went to sleep and woke up again within the time.
  static long WakeUpsWithin(const ChildProcess& child, std::chrono::milliseconds time);
  // Polls check() until it holds or the time is up.
  static bool WaitUntil(const std::function<bool()>& check, std::chrono::milliseconds timeout);

  _XDisplay* X() const { return m_server.Test(); }
  Bitmap32 Screen() const;  // the root window, pixels 0x00RRGGBB
  uint32_t ScreenPixel(int x, int y) const;
  std::vector<ProgramWindow> ProgramWindows() const;  // of m_window_class, bottom first
  // The children of any window (a preview host), bottom first; only ids, bounds and mapping.
  std::vector<ProgramWindow> ChildrenOf(unsigned long parent) const;
  std::optional<ProgramWindow> ViewableWindowNamed(const std::string& name) const;
  unsigned long FocusWindow() const;
  // Whether the pointer's image shows nothing: every pixel fully transparent.
  bool PointerIsBlank() const;
  int ServerSaverTimeout() const;

  const std::string& TempDir() const { return m_temp_dir; }

  XvfbServer m_server;
  // The instance name (WM_CLASS) that the program's windows carry.
  std::string m_window_class = "vantorel";

  // Starts a child on the test's server, its standard error in a numbered file of the name.
  ChildProcess& Launch(ChildProcess::Options options, const std::string& log_name);

 private:
  std::string m_temp_dir;
  // After the server: destroyed first, so the programs end while their display lives.
  std::vector<std::unique_ptr<ChildProcess>> m_children;
};

// Colour checks with room for the JPEG compression of the built-in pictures.
bool Near(uint32_t pixel, int red, int green, int blue, int tolerance);
std::string ColourText(uint32_t pixel);
bool IsShaftGrey(uint32_t pixel);  // the building's elevator shaft
bool IsCarGreen(uint32_t pixel);   // the car's lime
bool IsPanelGrey(uint32_t pixel);  // the signboard's ribbed panel
// Where the car's green shows: the longest run of rows of it in a column, and its first and
// last column on a row, from 8 pixels left of the car's box to 8 right of it; -1 for none.
std::pair<int, int> CarGreenRows(const Bitmap32& screen, int column);
std::pair<int, int> CarGreenColumns(const Bitmap32& screen, const Rect& car, int row);

// The screen point of a design point of a picture stretched to `placed`.
int ScreenX(const Rect& placed, int design_width, double x);
int ScreenY(const Rect& placed, int design_height, double y);
// The first screen column (or row) at or after a design edge: the one whose pixel centre
// the stretch maps to the design pixel right of (or below) the edge.
int EdgeX(const Rect& placed, int design_width, double edge);
int EdgeY(const Rect& placed, int design_height, double edge);

}  // namespace vt

#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/e2e/EndToEndTest.h"

namespace vt {

// The end-to-end fixture for the Windows program: the test's own Xvfb as on Linux, and a Wine
// prefix of the test's own, linked from the build's prefix, so that every test has its own
// wineserver, taking its screen size from the test's server, and tests run side by side.
class WineTest : public EndToEndTest {
 public:
  static constexpr const char* kSaver = VT_WIN_BINARY_DIR "/vantorel.scr";

 protected:
  WineTest() { m_window_class = "vantorel.scr"; }
  void SetUp() override { StartWine(1024, 768); }
  void TearDown() override;
  // Pixels per inch other than 96 are the system's setting, as a user's display scaling is.
  void StartWine(int width, int height, int pixels_per_inch = 96);
  // Two monitors, both at the origin as Xvfb puts them, the primary one of the first size:
  // Wine reads them from Xinerama, its XRandR use switched off in the test's prefix.
  void StartWineOnTwoMonitors(int width, int height, int other_width, int other_height);
  // Wine's virtual desktop of this size, a window on the test's server whose size the display
  // settings change as they would a monitor's; the program's windows are its children.
  void StartWineInVirtualDesktop(int width, int height);

  // Runs a Windows program (a Linux path) under Wine with these arguments.
  ChildProcess& StartWindows(const std::string& program, const std::vector<std::string>& args,
                             bool pipe_stdio = false);
  // Starts the saver (by default build-win/vantorel.scr) with these arguments.
  ChildProcess& StartSaver(const std::vector<std::string>& args,
                           const std::string& program = kSaver);
  // Starts a helper program of tests/helpers/win32, its standard input and output piped.
  ChildProcess& StartHelper(const std::string& name, const std::vector<std::string>& args);

  // The saver started with "/s" and shown; fails the test when it does not show.
  ChildProcess& ShowSaver(const std::string& program = kSaver);
  // Exit code 0, nothing more reported than before and no window left.
  void ExpectEndedCleanly(ChildProcess& saver, const std::string& reported = "");
  void ExpectKeyEndsSaver(ChildProcess& saver, const std::string& reported = "");
  // The one viewable window of the program with this title, once it has the keyboard focus.
  std::optional<ProgramWindow> WaitForFocusedBox(ChildProcess& program, const std::string& title);
  int ViewableWindowsNamed(const std::string& title) const;

  // The test's own Wine prefix (a Linux path).
  const std::string& Prefix() const { return m_prefix; }

  // The figures of the Windows build's `vantorel-headless --layout` for a screen, run in the
  // test's prefix: each widget's Left, Top, Width, Height under its name, and "FloorBaseY"
  // with six values. The Windows program's own, as GDI measures its fonts: at a high density
  // its templates are not the Linux build's.
  std::map<std::string, std::vector<int>> Layout(int width, int height,
                                                 int pixels_per_inch = 96) const;

  // A line of a Windows program's output, without its CR LF; "" at its end.
  static std::string ReadLine(ChildProcess& child);
  // "Z:\..." for a Linux path, as the Windows program sees it.
  static std::string WindowsPath(const std::string& path);

 private:
  // Starts the prefix's wineserver, Wine's services and its desktop.
  void StartWineServer();
  // Writes a setting into the prefix's registry ("wine reg add" arguments), which Wine reads
  // when its desktop starts, and ends the prefix's wineserver so that the next start does.
  void SetAndRestart(const std::string& reg_add);

  std::string m_prefix;
};

// What a Linux command writes on its standard output.
std::string CommandOutput(const std::string& command);

}  // namespace vt

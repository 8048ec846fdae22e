#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/Exceptions.h"
#include "widgets/Geometry.h"

namespace vt {

class TApplication;

// The host window of the preview and its outer rectangle, set once in preview mode.
extern int32_t PreviewParent;
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};
extern TRect PreviewParentRect;

// XScreenSaver: the saver as a hack of the XScreenSaver daemon, drawn into the daemon's window.
enum class ProgramMode { None, Saver, Preview, XScreenSaver };

// The saver daemon a platform has beside the desktop's own saver settings: XScreenSaver on
// Linux, none on Windows.
enum class SaverDaemon { None, XScreenSaver };

// The mode the first argument selects: exact, case-sensitive, on the whole argument. Besides
// "/s", "/S", "/p" and "/P", where the platform has the XScreenSaver daemon, its own switches
// "--root", "-root", "--window-id" and "-window-id" select XScreenSaver.
ProgramMode SelectMode(const std::vector<std::string>& args,
                       SaverDaemon daemon = SaverDaemon::XScreenSaver);

// Converts text to a signed 32-bit integer: leading blanks, an optional sign, then decimal
// digits or hexadecimal ones after "$", "x", "X", "0x" or "0X", and nothing else. Throws
// EConvertError "'%s' は整数ではありません" otherwise.
int32_t StrToInt(const std::string& text);

// The text of the last-chance report for an error that escaped start-up.
std::string LastChanceText(const Exception& error, const std::string& program_file,
                           uint32_t code_address);

using BackendFactory = std::function<std::unique_ptr<Backend>(std::string* error)>;

// The whole program: selects the mode, creates the form it needs, runs the event loop and
// returns the exit code. The backend is opened only when a mode is selected.
int RunProgram(const std::vector<std::string>& args, const BackendFactory& open_backend,
               SaverDaemon daemon = SaverDaemon::XScreenSaver);

// The window an XScreenSaver-mode start draws into: the argument after "--window-id" (or
// "-window-id") anywhere on the line, else $XSCREENSAVER_WINDOW, else 0 for the root window.
// Converted as StrToInt converts.
uint64_t SaverHostWindow(const std::vector<std::string>& args, const char* environment_window);

// Runs the start-up steps for a mode on an application that is initialised and titled.
// Errors escape to the caller (the last-chance report).
void StartMode(TApplication& application, ProgramMode mode, const std::vector<std::string>& args);

}  // namespace vt

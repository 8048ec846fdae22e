// Vantorel for Windows: a screen saver. "/s" runs it full screen, "/p HANDLE" draws the
// preview inside the given window, anything else ends at once.
#include <string>
#include <vector>

#include "shell/ProgramEntry.h"
#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/WideStrings.h"

extern "C" int __stdcall wWinMain(HINSTANCE__*, HINSTANCE__*, wchar_t*, int) {
  return vt::RunProgram(
      vt::ProgramArguments(),
      [](std::string* error) -> std::unique_ptr<vt::Backend> {
        return vt::Win32Backend::Open(error);
      },
      vt::SaverDaemon::None);
}

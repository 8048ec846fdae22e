// Vantorel: a screen saver. "/s" runs it full screen, "/p HANDLE" draws the preview inside the
// given window, "--root" and "--window-id ID" draw it as an XScreenSaver hack into the daemon's
// window, anything else ends at once.
#include <string>
#include <vector>

#include "shell/ProgramEntry.h"
#include "widgets/x11/X11Backend.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vt::RunProgram(args, [](std::string* error) -> std::unique_ptr<vt::Backend> {
    return vt::X11Backend::Open(error);
  });
}

// Vantorel: a screen saver. "/s" runs it full screen, "/p HANDLE" draws the preview inside the
// given window, "--root" and "--window-id ID" draw it as an XScreenSaver hack into the daemon's
// window, "--idle SECONDS" stays in the background of a desktop session and starts "/s" whenever
// the session has been idle that long, anything else ends at once.
//
// "/s" runs in the Wayland session when WAYLAND_DISPLAY (or WAYLAND_SOCKET) names a compositor
// that answers, and on X11 otherwise; VANTOREL_BACKEND=x11 or =wayland decides instead, as
// GDK_BACKEND does for GTK. The preview and the XScreenSaver modes name X windows, so they
// always run on X11 (XWayland in a Wayland session).
#include <cstdlib>
#include <string>
#include <vector>

#include "idle/IdleArguments.h"
#include "idle/IdleProgram.h"
#include "shell/ProgramEntry.h"
#include "widgets/wayland/WaylandBackend.h"
#include "widgets/x11/X11Backend.h"

namespace {

std::unique_ptr<vt::Backend> OpenBackend(vt::ProgramMode mode, std::string* error) {
  const char* chosen = std::getenv("VANTOREL_BACKEND");
  std::string backend = chosen ? chosen : "";
  std::string wayland_error;
  if (mode == vt::ProgramMode::Saver && backend != "x11") {
    if (backend == "wayland") return vt::WaylandBackend::Open(error);
    if (std::getenv("WAYLAND_DISPLAY") || std::getenv("WAYLAND_SOCKET")) {
      if (auto wayland = vt::WaylandBackend::Open(&wayland_error)) return wayland;
    }
  }
  auto x11 = vt::X11Backend::Open(error);
  // Both tried and both failed: the one line says why each did.
  if (!x11 && error && !wayland_error.empty()) *error = wayland_error + "; " + *error;
  return x11;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // The idle starter shows nothing itself: no backend, no application.
  if (vt::IsIdleStart(args)) return vt::RunIdle(args);
  vt::ProgramMode mode = vt::SelectMode(args);
  return vt::RunProgram(args, [mode](std::string* error) { return OpenBackend(mode, error); });
}

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CompositorSession.h"
#include "PrivateBus.h"

namespace vt {

// KDE's KWin run headless (its virtual backend, rendering with llvmpipe) for one test, on a
// D-Bus session bus of its own. Its outputs, Virtual-0, Virtual-1, ..., stand side by side, the
// pointer on the first, where KWin puts a new full-screen surface. KWin's virtual outputs all
// have one size and one scale, so Start takes only outputs alike. What no client covers shows
// kBackground (tests/helpers/wayland/solid_background): KWin alone shows black there, as the
// saver's covers do. Input goes through KWin's fake-input protocol
// (tests/helpers/wayland/fake_input) and screenshots through its D-Bus screenshot interface
// (tests/helpers/wayland/kwin_screenshot). KWin, its bus, the helpers and the program under
// test all run as root, the program and helpers from copies in the session's folder; KWin runs
// from a plain copy of its binary, since the installed one carries a file capability that
// containers refuse to honour.
class KWinSession : public CompositorSession {
 public:
  static constexpr uint32_t kBackground = 0x204060;

  ~KWinSession() override;

  // Why KWin cannot run for a test on this machine, or "" when it can.
  static std::string Unavailable();

  bool Start(const std::vector<Output>& outputs, std::string* error) override;
  std::string Name() const override { return "kwin"; }
  // In the session: WAYLAND_DISPLAY, XDG_RUNTIME_DIR and DBUS_SESSION_BUS_ADDRESS.
  ChildProcess::Options AsUser(std::vector<std::string> argv) const override;
  // In physical pixels, with the pointer where KWin draws it; empty when it fails.
  Bitmap32 Screenshot(size_t output) const override;
  uint32_t Background(size_t) const override { return kBackground; }
  bool Key(const std::string& name) override;
  bool MovePointer(int x, int y) override;
  bool Click(int button) override;
  bool Wheel() override;
  void Kill() override;
  std::string Log() const override;

  static std::string OutputName(size_t output) { return "Virtual-" + std::to_string(output); }
  // Changes an output as KWin's display settings do (tests/helpers/wayland/kwin_output):
  // "disable", "enable" or "scale 1.5"; false when KWin refused it.
  bool ChangeOutput(size_t output, const std::string& change) const;

 private:
  // Starts KWin on the session's own bus with `count` outputs like `each`.
  bool StartKWin(const Output& each, size_t count, std::string* error);
  // Starts a helper of the folder that says "ready" on standard output once it is.
  bool StartHelper(ChildProcess& helper, const std::vector<std::string>& argv,
                   const std::string& log, std::string* error);
  // One command of tests/helpers/wayland/fake_input; false unless KWin read it.
  bool Input(const std::string& command);

  std::string m_runtime;
  PrivateBus m_bus;
  ChildProcess m_kwin;
  ChildProcess m_background;
  ChildProcess m_input;
};

}  // namespace vt

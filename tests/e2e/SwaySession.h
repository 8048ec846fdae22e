#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "CompositorSession.h"

namespace vt {

// A headless sway for one test, its outputs side by side as the test wants them (the first
// focused, all showing kBackground where nothing covers them), and a seat with the pointer and
// keyboard a headless sway lacks (tests/helpers/wayland/virtual_seat). Sway refuses to run as
// root: under root, it and everything that talks to it run as "nobody", with a private runtime
// folder, and the program under test and the helper run from copies in a private folder of
// that user (the build folder may lie where nobody can enter).
class SwaySession : public CompositorSession {
 public:
  static constexpr uint32_t kBackground = 0x204060;

  ~SwaySession() override;

  // Starts sway with the outputs HEADLESS-1, HEADLESS-2, ... and the seat; false with the
  // reason when it does not answer.
  bool Start(const std::vector<Output>& outputs, std::string* error) override;
  std::string Name() const override { return "sway"; }
  // In the session: WAYLAND_DISPLAY, and SWAYSOCK for swaymsg.
  ChildProcess::Options AsUser(std::vector<std::string> argv) const override;
  // Through grim; empty when it fails.
  Bitmap32 Screenshot(size_t output) const override;
  uint32_t Background(size_t) const override { return kBackground; }
  // Keys through wtype's virtual keyboard, the pointer through sway's own seat commands.
  bool Key(const std::string& name) override;
  bool MovePointer(int x, int y) override;
  bool Click(int button) override;
  bool Wheel() override;
  void Kill() override;
  std::string Log() const override;

  static std::string OutputName(size_t output) { return "HEADLESS-" + std::to_string(output + 1); }

 private:
  std::string m_runtime;
  std::string m_socket;
  std::string m_ipc_socket;
  ChildProcess m_sway;
  ChildProcess m_seat;
};

}  // namespace vt

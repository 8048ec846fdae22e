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
  // The same, but sway nested in a headless sway, its outputs WL-1, WL-2, ... windows of the
  // outer one, so that an output can be taken away as a screen unplugged would be; a headless
  // sway can neither remove nor turn off an output.
  bool StartNested(const std::vector<Output>& outputs, std::string* error);
  // Takes an output of a nested session away.
  bool RemoveOutput(size_t output);
  // Hides an output of a nested session (its window goes to the outer sway's scratchpad), so
  // that it shows nothing and the nested sway draws nothing on it, and shows it again.
  bool HideOutput(size_t output);
  bool ShowOutput(size_t output);
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

  const std::string& SocketName() const { return m_socket; }  // in the session's runtime folder
  std::string OutputName(size_t output) const {
    return (m_outer.Pid() > 0 ? "WL-" : "HEADLESS-") + std::to_string(output + 1);
  }

 private:
  // Writes the configuration of a sway with these outputs (and these lines besides) into the
  // session's folder, as the named file.
  std::string WriteConfig(const std::string& name, const std::vector<Output>& outputs,
                          const std::string& extra) const;
  // Starts a sway with a configuration and these variables besides, and waits until it
  // answers: its Wayland socket's and IPC socket's names.
  bool LaunchSway(ChildProcess& sway, const std::string& config,
                  const std::vector<std::string>& environment, const std::string& log,
                  std::string* socket, std::string* ipc_socket, std::string* error);
  // A command for the outer sway's window of an output of a nested session.
  bool OuterCommand(size_t output, const std::string& command);
  // The seat for the session's sway, and its outputs showing their background.
  bool StartSeat(size_t outputs, std::string* error);

  std::string m_runtime;
  std::string m_socket;
  std::string m_ipc_socket;
  std::string m_outer_ipc_socket;
  ChildProcess m_outer;  // the headless sway a nested session runs in
  ChildProcess m_sway;
  ChildProcess m_seat;
};

}  // namespace vt

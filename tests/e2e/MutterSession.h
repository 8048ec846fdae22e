#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CompositorSession.h"

namespace vt {

// A headless GNOME mutter for one test, run as root, as its own D-Bus session with PipeWire
// beside it. Its virtual monitors Meta-0, Meta-1, ... stand side by side as the test wants
// them, the first primary and at the origin: mutter puts a toplevel made full screen without
// an output on the monitor at the origin, whichever is primary and wherever the pointer is.
// Input and read-back go through mutter's remote-desktop and screen cast D-Bus APIs, held by
// tests/helpers/wayland/mutter_remote_desktop; each screenshot is one frame of a monitor's
// PipeWire stream, read by gst-launch.
//
// Mutter draws every monitor's background in a colour of its own, darker towards the edges
// and never black, the same in every run: the session keeps the picture each monitor shows
// before any client, and an output shows its background when it shows that picture again.
class MutterSession : public CompositorSession {
 public:
  ~MutterSession() override;

  // Why mutter cannot be tested here (it is not installed, or the test does not run as
  // root); "" when it can.
  static std::string Unavailable();

  // Starts mutter with a monitor of each output's size (integer scales only), and the
  // remote-desktop session; then types Tab, which gives mutter's seat its keyboard, and
  // puts the pointer in the middle of the first output. False with the reason when any of
  // it does not answer.
  bool Start(const std::vector<Output>& outputs, std::string* error) override;
  std::string Name() const override { return "mutter"; }
  // As root, with WAYLAND_DISPLAY, XDG_RUNTIME_DIR and DBUS_SESSION_BUS_ADDRESS of the session.
  ChildProcess::Options AsUser(std::vector<std::string> argv) const override;
  // Through the monitor's stream; empty when it fails.
  Bitmap32 Screenshot(size_t output) const override;
  // The colour in the middle of the output's background.
  uint32_t Background(size_t output) const override;
  // The output's picture before any client, but for the pointer's picture.
  bool ShowsBackground(size_t output) const override;
  // Keys by their keysym, which mutter types through its own keymap.
  bool Key(const std::string& name) override;
  // Absolute motion to the point of the monitor it lies on, in the coordinates of mutter's
  // stage (in its default layout mode, the monitors' physical pixels side by side); false
  // outside every monitor.
  bool MovePointer(int x, int y) override;
  bool Click(int button) override;
  bool Wheel() override;
  void Kill() override;
  std::string Log() const override;

  static std::string Connector(size_t output) { return "Meta-" + std::to_string(output); }

 private:
  struct Monitor {
    uint32_t node = 0;                        // its stream's PipeWire node
    int x = 0, y = 0, width = 0, height = 0;  // its area of the stage, as mutter reports it
    Bitmap32 background;
  };

  // Writes mutter's stored monitor layout for these outputs, which it applies at its start.
  bool WriteLayout(const std::vector<Output>& outputs, std::string* error) const;
  // Starts one of the session's daemons, its standard error in the folder's <name>-log.txt,
  // and waits for the socket it makes in the runtime folder, if any.
  bool StartDaemon(ChildProcess& daemon, const std::vector<std::string>& argv,
                   const std::string& name, const std::string& socket, std::string* error) const;
  // Reads the helper's "ready" line; false when the streams are not where they should be.
  bool ReadStreams(const std::vector<Output>& outputs, std::string* error);
  // One command to the helper; true when it answers "ok".
  bool Command(const std::string& line);
  std::vector<std::string> Environment() const;

  std::string m_runtime;
  std::string m_socket = "wayland-vantorel";
  std::vector<Output> m_outputs;
  std::vector<Monitor> m_monitors;
  ChildProcess m_bus;
  ChildProcess m_pipewire;
  ChildProcess m_wireplumber;
  ChildProcess m_mutter;
  ChildProcess m_remote;
};

}  // namespace vt

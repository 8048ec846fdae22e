#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "widgets/Bitmap32.h"

namespace vt {

// A real Wayland compositor run headless for one test, with its outputs side by side as the
// test wants them, the first of them where a new full-screen surface goes, a seat that takes
// input as a person gives it, and a way to read back what each output shows. The program under
// test runs from a copy in the session's private folder, as the session's user.
class CompositorSession {
 public:
  struct Output {
    int width = 0;  // the mode, in physical pixels
    int height = 0;
    double scale = 1;
  };
  // The most pixels a pointer's picture covers, where the compositor draws it into screenshots.
  static constexpr size_t kPointerPixels = 32 * 32;

  virtual ~CompositorSession() = default;

  // Starts the compositor with these outputs and whatever input and read-back the session
  // needs; false with the reason when it does not answer.
  virtual bool Start(const std::vector<Output>& outputs, std::string* error) = 0;
  virtual std::string Name() const = 0;  // "sway", "kwin", "mutter"

  // A command line run as the session's user, in the session (WAYLAND_DISPLAY and whatever
  // else its clients need).
  virtual ChildProcess::Options AsUser(std::vector<std::string> argv) const = 0;
  // Runs a shell command in the session, bounded to 10 seconds; its exit status.
  int Run(const std::string& command) const;

  // One output's picture, by its place in the list given to Start, pixels 0x00RRGGBB; empty
  // when it cannot be read.
  virtual Bitmap32 Screenshot(size_t output) const = 0;
  // What the output shows where no client covers it.
  virtual uint32_t Background(size_t output) const = 0;
  // Whether the output shows only this colour, but for at most `others` pixels; now, or
  // before the time is up.
  bool ShowsOnly(size_t output, uint32_t colour, size_t others = 0) const;
  bool WaitForColour(size_t output, uint32_t colour, std::chrono::milliseconds timeout,
                     size_t others = 0) const;
  // Whether the output shows what it shows where no client covers it, but for the pointer's
  // picture (by default: only the background's colour); now, or before the time is up.
  virtual bool ShowsBackground(size_t output) const;
  bool WaitForBackground(size_t output, std::chrono::milliseconds timeout) const;

  // Input through the session's seat, as a person gives it; false when the compositor did
  // not take it. A key by its xkb name ("a", "Tab", "Shift_L", "Return"), pressed and
  // released.
  virtual bool Key(const std::string& name) = 0;
  // The pointer to a point of the compositor's logical space.
  virtual bool MovePointer(int x, int y) = 0;
  // A button pressed and released where the pointer stands: 1 left, 2 middle, 3 right.
  virtual bool Click(int button) = 0;
  // The wheel turned one step each way, and tilted where the seat can.
  virtual bool Wheel() = 0;

  // Ends the compositor at once, as a crash would.
  virtual void Kill() = 0;
  virtual std::string Log() const = 0;

  const std::string& Program() const { return m_program; }  // the copy of build/vantorel
  const std::string& Folder() const { return m_folder; }    // the session's private folder

 protected:
  // Makes the session's private folder with copies of the program, its data folder and the
  // named helpers of the build folder; false when that fails.
  bool MakeFolder(const std::vector<std::string>& helpers, std::string* error);
  // Hands the folder to the session's user (nobody, under root); call once it is complete.
  bool GiveFolderAway(std::string* error) const;
  // A sanitized build reads its leak suppressions at its end, where the session's user may
  // not reach the checkout's copy: LSAN_OPTIONS pointing at a copy in the folder, or "".
  const std::string& LeakOptions() const { return m_leak_options; }
  // A binary PPM picture (P6, 8 bits per channel); empty when it is not one.
  static Bitmap32 ReadPpm(const std::string& path);
  // Removes the folder.
  void RemoveFolder();
  // Polls check() until it holds or the time is up.
  static bool Within(std::chrono::milliseconds timeout, const std::function<bool()>& check);

  std::string m_folder;
  std::string m_program;

 private:
  std::string m_leak_options;
};

}  // namespace vt

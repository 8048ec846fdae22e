#include "KWinSession.h"

#include <linux/input-event-codes.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kKWin = "/usr/bin/kwin_wayland";
constexpr const char* kSocket = "vantorel-kwin";

std::string Text(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

}  // namespace

KWinSession::~KWinSession() {
  m_input.Kill();
  m_background.Kill();
  m_kwin.Signal(SIGTERM);
  if (!m_kwin.WaitExit(5s)) m_kwin.Kill();
  m_bus.Kill();
  RemoveFolder();
}

std::string KWinSession::Unavailable() {
  if (access(kKWin, X_OK) != 0) return "kwin_wayland is not installed (Debian: kwin-wayland)";
  if (geteuid() != 0) return "KWin's headless session runs only for root here";
  return "";
}

ChildProcess::Options KWinSession::AsUser(std::vector<std::string> argv) const {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.environment = {"XDG_RUNTIME_DIR=" + m_runtime, "WAYLAND_DISPLAY=" + std::string(kSocket),
                         "DBUS_SESSION_BUS_ADDRESS=" + m_bus.Address(), "HOME=" + m_folder};
  if (!LeakOptions().empty()) options.environment.push_back(LeakOptions());
  return options;
}

bool KWinSession::Start(const std::vector<Output>& outputs, std::string* error) {
  if (outputs.empty()) {
    *error = "KWin needs at least one output";
    return false;
  }
  for (const Output& output : outputs) {
    if (output.width != outputs[0].width || output.height != outputs[0].height ||
        output.scale != outputs[0].scale) {
      *error = "KWin's virtual outputs all have one size and scale";
      return false;
    }
  }
  if (!MakeFolder({"solid_background", "fake_input", "kwin_screenshot", "kwin_output"}, error))
    return false;
  std::error_code failed;
  fs::copy_file(kKWin, m_folder + "/kwin_wayland", failed);
  m_runtime = m_folder + "/runtime";
  fs::create_directory(m_runtime, failed);
  fs::permissions(m_runtime, fs::perms::owner_all, failed);
  if (failed) {
    *error = "cannot fill " + m_folder + ": " + failed.message();
    return false;
  }

  if (!m_bus.Start(m_folder, "bus", error) || !StartKWin(outputs[0], outputs.size(), error)) {
    return false;
  }

  char colour[16];
  std::snprintf(colour, sizeof colour, "%06x", kBackground);
  if (!StartHelper(m_background, {m_folder + "/solid_background", colour}, "background", error) ||
      !StartHelper(m_input, {m_folder + "/fake_input"}, "input", error)) {
    return false;
  }
  // KWin puts a new full-screen surface on the output that has the pointer.
  const Output& first = outputs[0];
  if (!MovePointer(int(first.width / first.scale) / 2, int(first.height / first.scale) / 2)) {
    *error = "KWin took no pointer motion";
    return false;
  }
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (!WaitForColour(i, kBackground, 10s, kPointerPixels)) {
      *error = OutputName(i) + " does not show its background: " + Log();
      return false;
    }
  }
  return true;
}

bool KWinSession::StartKWin(const Output& each, size_t count, std::string* error) {
  // KWin's virtual outputs are sized in logical pixels; their modes are that times the scale.
  // It is not nested in the test's display, and trusts every client with fake input and
  // screenshots.
  ChildProcess::Options kwin;
  kwin.argv = {m_folder + "/kwin_wayland",
               "--virtual",
               "--width",
               std::to_string(std::lround(each.width / each.scale)),
               "--height",
               std::to_string(std::lround(each.height / each.scale)),
               "--scale",
               std::to_string(each.scale),
               "--output-count",
               std::to_string(count),
               "--socket",
               kSocket,
               "--no-lockscreen",
               "--no-global-shortcuts",
               "--no-kactivities"};
  kwin.environment = {"XDG_RUNTIME_DIR=" + m_runtime,
                      "DBUS_SESSION_BUS_ADDRESS=" + m_bus.Address(),
                      "HOME=" + m_folder,
                      "WAYLAND_DISPLAY=",
                      "DISPLAY=",
                      "KWIN_WAYLAND_NO_PERMISSION_CHECKS=1",
                      "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1"};
  kwin.stderr_path = m_folder + "/kwin-log.txt";
  if (!m_kwin.Start(kwin, error)) return false;
  for (int i = 0; i < 200 && !fs::exists(m_runtime + "/" + kSocket); ++i) {
    if (!m_kwin.Running()) break;
    std::this_thread::sleep_for(50ms);
  }
  if (!fs::exists(m_runtime + "/" + kSocket)) {
    *error = "KWin did not answer: " + Log();
    return false;
  }
  return true;
}

bool KWinSession::StartHelper(ChildProcess& helper, const std::vector<std::string>& argv,
                              const std::string& log, std::string* error) {
  ChildProcess::Options options = AsUser(argv);
  options.stderr_path = m_folder + "/" + log + "-log.txt";
  if (helper.StartHelper(options, error)) return true;
  *error += ": " + Text(options.stderr_path);
  return false;
}

bool KWinSession::Input(const std::string& command) {
  m_input.WriteLine(command);
  return m_input.ReadLine(5s) == "ok";
}

Bitmap32 KWinSession::Screenshot(size_t output) const {
  std::string path = m_folder + "/screenshot.ppm";
  Bitmap32 picture;
  if (Run(m_folder + "/kwin_screenshot " + OutputName(output) + " " + path) == 0) {
    picture = ReadPpm(path);
  }
  std::error_code ignored;
  fs::remove(path, ignored);
  return picture;
}

bool KWinSession::ChangeOutput(size_t output, const std::string& change) const {
  return Run(m_folder + "/kwin_output " + OutputName(output) + " " + change) == 0;
}

bool KWinSession::Key(const std::string& name) {
  return Input("key " + name);
}

bool KWinSession::MovePointer(int x, int y) {
  return Input("move " + std::to_string(x) + " " + std::to_string(y));
}

bool KWinSession::Click(int button) {
  constexpr int kCodes[] = {BTN_LEFT, BTN_MIDDLE, BTN_RIGHT};
  if (button < 1 || button > 3) return false;
  return Input("button " + std::to_string(kCodes[button - 1]));
}

bool KWinSession::Wheel() {
  // KWin's axis values are those of a mouse wheel: 15 a step.
  for (const char* turn : {"axis 0 15", "axis 0 -15", "axis 1 15", "axis 1 -15"}) {
    if (!Input(turn)) return false;
  }
  return true;
}

void KWinSession::Kill() {
  m_kwin.Kill();
}

std::string KWinSession::Log() const {
  return Text(m_folder + "/kwin-log.txt");
}

}  // namespace vt

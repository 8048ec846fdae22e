#include "SwaySession.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A file of the folder whose name starts and ends as given; "" when there is none.
std::string FindFile(const std::string& folder, const std::string& head, const std::string& tail) {
  std::error_code failed;
  for (const auto& entry : fs::directory_iterator(folder, failed)) {
    std::string name = entry.path().filename().string();
    if (name.size() >= head.size() + tail.size() && name.rfind(head, 0) == 0 &&
        name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
      return entry.path().string();
    }
  }
  return "";
}

}  // namespace

SwaySession::~SwaySession() {
  m_seat.Kill();
  m_sway.Signal(SIGTERM);
  if (!m_sway.WaitExit(5s)) m_sway.Kill();
  RemoveFolder();
}

ChildProcess::Options SwaySession::AsUser(std::vector<std::string> argv) const {
  ChildProcess::Options options;
  options.argv = AsUnprivileged(std::move(argv));
  options.environment = {"XDG_RUNTIME_DIR=" + m_runtime, "WAYLAND_DISPLAY=" + m_socket,
                         "SWAYSOCK=" + m_ipc_socket, "HOME=" + m_folder};
  if (!LeakOptions().empty()) options.environment.push_back(LeakOptions());
  return options;
}

bool SwaySession::Start(const std::vector<Output>& outputs, std::string* error) {
  if (!MakeFolder({"virtual_seat"}, error)) return false;
  m_runtime = m_folder + "/runtime";
  fs::create_directory(m_runtime);
  fs::permissions(m_runtime, fs::perms::owner_all);

  std::ofstream config(m_folder + "/config");
  char background[16];
  std::snprintf(background, sizeof background, "#%06x", kBackground);
  config << "xwayland disable\noutput * bg " << background << " solid_color\n";
  int left = 0;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const Output& output = outputs[i];
    config << "output " << OutputName(i) << " resolution " << output.width << "x" << output.height
           << " position " << left << " 0 scale " << output.scale << "\n";
    left += int(output.width / output.scale);
  }
  config.close();
  // Everything in it belongs to the session's user.
  if (!GiveFolderAway(error)) return false;

  ChildProcess::Options sway = AsUser({"/usr/bin/sway", "--config", m_folder + "/config"});
  sway.environment = {"XDG_RUNTIME_DIR=" + m_runtime,
                      "WAYLAND_DISPLAY=",
                      "HOME=" + m_folder,
                      "WLR_BACKENDS=headless",
                      "WLR_RENDERER=pixman",
                      "WLR_LIBINPUT_NO_DEVICES=1",
                      "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputs.size())};
  sway.stderr_path = m_folder + "/sway-log.txt";
  if (!m_sway.Start(sway, error)) return false;
  for (int i = 0; i < 200 && (m_socket.empty() || m_ipc_socket.empty()); ++i) {
    std::this_thread::sleep_for(50ms);
    std::string socket = FindFile(m_runtime, "wayland-", ".lock");
    if (!socket.empty()) m_socket = fs::path(socket).stem().string();
    m_ipc_socket = FindFile(m_runtime, "sway-ipc.", ".sock");
    if (!m_sway.Running()) break;
  }
  if (m_socket.empty() || m_ipc_socket.empty() || Run("swaymsg -t get_outputs >/dev/null") != 0) {
    *error = "sway did not answer: " + Log();
    return false;
  }

  ChildProcess::Options seat = AsUser({m_folder + "/virtual_seat"});
  seat.pipe_stdin = true;
  seat.pipe_stdout = true;
  seat.stderr_path = m_folder + "/seat-log.txt";
  if (!m_seat.Start(seat, error)) return false;
  if (m_seat.ReadLine(10s) != "ready") {
    *error = "the seat's pointer and keyboard did not come";
    return false;
  }
  // Until swaybg has drawn, an output is black, as one the program covers.
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (!WaitForColour(i, kBackground, 10s, kPointerPixels)) {
      *error = OutputName(i) + " does not show its background";
      return false;
    }
  }
  return true;
}

Bitmap32 SwaySession::Screenshot(size_t output) const {
  std::string path = m_folder + "/screenshot.ppm";
  Bitmap32 picture;
  if (Run("grim -t ppm -o " + OutputName(output) + " " + path) == 0) picture = ReadPpm(path);
  std::error_code ignored;
  fs::remove(path, ignored);
  return picture;
}

bool SwaySession::Key(const std::string& name) {
  // wtype types a letter through a keymap of its own, and names other keys with -k.
  return Run(name.size() == 1 ? "wtype " + name : "wtype -k " + name) == 0;
}

bool SwaySession::MovePointer(int x, int y) {
  return Run("swaymsg -q seat seat0 cursor set " + std::to_string(x) + " " + std::to_string(y)) ==
         0;
}

bool SwaySession::Click(int button) {
  std::string name = "button" + std::to_string(button);
  return Run("swaymsg -q seat seat0 cursor press " + name +
             " && swaymsg -q seat seat0 cursor release " + name) == 0;
}

bool SwaySession::Wheel() {
  // Buttons 4 and 5 turn the wheel, 6 and 7 tilt it.
  for (int button = 4; button <= 7; ++button) {
    if (!Click(button)) return false;
  }
  return true;
}

void SwaySession::Kill() {
  m_sway.Kill();
}

std::string SwaySession::Log() const {
  std::stringstream text;
  text << std::ifstream(m_folder + "/sway-log.txt").rdbuf();
  return text.str();
}

}  // namespace vt

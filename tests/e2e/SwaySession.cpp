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

SwaySession::~SwaySession() {
  m_seat.Kill();
  for (ChildProcess* sway : {&m_sway, &m_outer}) {
    if (sway->Pid() <= 0) continue;
    sway->Signal(SIGTERM);
    if (!sway->WaitExit(5s)) sway->Kill();
  }
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

std::string SwaySession::WriteConfig(const std::string& name, const std::vector<Output>& outputs,
                                     const std::string& extra) const {
  std::string path = m_folder + "/" + name;
  std::ofstream config(path);
  char background[16];
  std::snprintf(background, sizeof background, "#%06x", kBackground);
  config << "xwayland disable\noutput * bg " << background << " solid_color\n" << extra;
  int left = 0;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const Output& output = outputs[i];
    config << "output " << OutputName(i) << " resolution " << output.width << "x" << output.height
           << " position " << left << " 0 scale " << output.scale << "\n";
    left += int(output.width / output.scale);
  }
  return path;
}

bool SwaySession::LaunchSway(ChildProcess& sway, const std::string& config,
                             const std::vector<std::string>& environment, const std::string& log,
                             std::string* socket, std::string* ipc_socket, std::string* error) {
  // No direct scan-out: sway 1.7's headless outputs show a full-screen client's buffer as it
  // is, and now and then, going back to drawing, drew only what changed since over a picture
  // from before the client came, so that screenshots showed the desktop through the window
  // (about one start in twelve). Real outputs never scan out the shared-memory buffers used here.
  ChildProcess::Options options = AsUser({"/usr/bin/sway", "-D", "noscanout", "--config", config});
  options.environment = {"XDG_RUNTIME_DIR=" + m_runtime, "HOME=" + m_folder,
                         "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"};
  options.environment.insert(options.environment.end(), environment.begin(), environment.end());
  options.stderr_path = m_folder + "/" + log;
  // Each sway makes its own sockets: the new ones are this one's.
  auto is_new = [&](const std::string& path) {
    return !path.empty() && path != m_runtime + "/" + m_socket + ".lock" &&
           path != m_outer_ipc_socket;
  };
  if (!sway.Start(options, error)) return false;
  for (int i = 0; i < 200 && (socket->empty() || ipc_socket->empty()); ++i) {
    std::this_thread::sleep_for(50ms);
    for (const auto& entry : fs::directory_iterator(m_runtime)) {
      std::string path = entry.path().string();
      std::string name = entry.path().filename().string();
      if (!is_new(path)) continue;
      if (name.rfind("wayland-", 0) == 0 && name.size() > 5 &&
          name.compare(name.size() - 5, 5, ".lock") == 0) {
        *socket = fs::path(name).stem().string();
      }
      if (name.rfind("sway-ipc.", 0) == 0) *ipc_socket = path;
    }
    if (!sway.Running()) break;
  }
  if (socket->empty() || ipc_socket->empty()) {
    *error = "sway did not answer: " + Log();
    return false;
  }
  return true;
}

bool SwaySession::Start(const std::vector<Output>& outputs, std::string* error) {
  if (!MakeFolder({"virtual_seat"}, error)) return false;
  m_runtime = m_folder + "/runtime";
  fs::create_directory(m_runtime);
  fs::permissions(m_runtime, fs::perms::owner_all);
  std::string config = WriteConfig("config", outputs, "");
  // Everything in it belongs to the session's user.
  if (!GiveFolderAway(error)) return false;
  if (!LaunchSway(m_sway, config,
                  {"WAYLAND_DISPLAY=", "WLR_BACKENDS=headless",
                   "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputs.size())},
                  "sway-log.txt", &m_socket, &m_ipc_socket, error)) {
    return false;
  }
  return StartSeat(outputs.size(), error);
}

bool SwaySession::StartNested(const std::vector<Output>& outputs, std::string* error) {
  if (!MakeFolder({"virtual_seat"}, error)) return false;
  m_runtime = m_folder + "/runtime";
  fs::create_directory(m_runtime);
  fs::permissions(m_runtime, fs::perms::owner_all);
  // The outer sway's one output holds the nested outputs as floating windows side by side,
  // each of the size the nested sway asks for.
  Output outer{0, 0, 1};
  for (const Output& output : outputs) {
    outer.width += output.width;
    outer.height = std::max(outer.height, output.height);
  }
  std::string outer_config =
      WriteConfig("outer-config", {outer},
                  "default_floating_border none\nfor_window [app_id=\"wlroots\"] floating enable\n");
  std::string outer_socket;
  if (!GiveFolderAway(error) ||
      !LaunchSway(m_outer, outer_config,
                  {"WAYLAND_DISPLAY=", "WLR_BACKENDS=headless", "WLR_HEADLESS_OUTPUTS=1"},
                  "outer-sway-log.txt", &outer_socket, &m_outer_ipc_socket, error)) {
    return false;
  }
  m_socket = outer_socket;
  std::string config = WriteConfig("config", outputs, "");
  if (!GiveFolderAway(error)) return false;
  std::string socket;
  if (!LaunchSway(m_sway, config,
                  {"WAYLAND_DISPLAY=" + outer_socket, "WLR_BACKENDS=wayland",
                   "WLR_WL_OUTPUTS=" + std::to_string(outputs.size())},
                  "sway-log.txt", &socket, &m_ipc_socket, error)) {
    return false;
  }
  m_socket = socket;
  return StartSeat(outputs.size(), error);
}

bool SwaySession::RemoveOutput(size_t output) {
  // The nested sway takes a window of the outer one closing as its output unplugged.
  return OuterCommand(output, "kill");
}

bool SwaySession::HideOutput(size_t output) {
  return OuterCommand(output, "move scratchpad");
}

bool SwaySession::ShowOutput(size_t output) {
  return OuterCommand(output, "scratchpad show");
}

bool SwaySession::OuterCommand(size_t output, const std::string& command) {
  ChildProcess::Options options =
      AsUser({"/usr/bin/swaymsg", "-q", "-s", m_outer_ipc_socket,
              "[title=\"wlroots - " + OutputName(output) + "\"] " + command});
  ChildProcess swaymsg;
  std::string error;
  return swaymsg.Start(options, &error) && swaymsg.WaitExit(10s) == 0;
}

bool SwaySession::StartSeat(size_t outputs, std::string* error) {
  if (Run("swaymsg -t get_outputs >/dev/null") != 0) {
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
  for (size_t i = 0; i < outputs; ++i) {
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

#include "MutterSession.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kMutter = "/usr/bin/mutter";

std::string ReadText(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// A raw picture of 4 bytes a pixel, blue, green, red and one unused, as GStreamer's BGRx
// format lays it out; empty when the file does not hold exactly one of this size.
Bitmap32 ReadBgrx(const std::string& path, int width, int height) {
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  Bitmap32 picture;
  size_t count = size_t(width) * size_t(height);
  if (count == 0 || bytes.size() != count * 4) return picture;
  picture.Resize(width, height);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* pixel = &bytes[4 * i];
    picture.Data()[i] = uint32_t(pixel[2]) << 16 | uint32_t(pixel[1]) << 8 | pixel[0];
  }
  return picture;
}

}  // namespace

MutterSession::~MutterSession() {
  m_remote.Kill();
  // Mutter 43 at times spins in its own shutdown after a screen cast, until it is killed.
  m_mutter.Kill();
  for (ChildProcess* daemon : {&m_wireplumber, &m_pipewire, &m_bus}) {
    daemon->Signal(SIGTERM);
    if (!daemon->WaitExit(5s)) daemon->Kill();
  }
  RemoveFolder();
}

std::string MutterSession::Unavailable() {
  if (access(kMutter, X_OK) != 0) return "mutter is not installed";
  if (geteuid() != 0) return "the mutter tests run as root only";
  return "";
}

std::vector<std::string> MutterSession::Environment() const {
  return {"XDG_RUNTIME_DIR=" + m_runtime,
          "DBUS_SESSION_BUS_ADDRESS=unix:path=" + m_runtime + "/bus", "HOME=" + m_folder};
}

ChildProcess::Options MutterSession::AsUser(std::vector<std::string> argv) const {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.environment = Environment();
  options.environment.push_back("WAYLAND_DISPLAY=" + m_socket);
  if (!LeakOptions().empty()) options.environment.push_back(LeakOptions());
  return options;
}

bool MutterSession::Start(const std::vector<Output>& outputs, std::string* error) {
  for (const Output& output : outputs) {
    if (output.scale < 1 || output.scale != std::floor(output.scale)) {
      *error = "mutter scales a monitor by whole numbers only, but for an experimental feature";
      return false;
    }
  }
  m_outputs = outputs;
  if (!MakeFolder({}, error) || !WriteLayout(outputs, error)) return false;
  m_runtime = m_folder + "/runtime";
  fs::create_directory(m_runtime);
  fs::permissions(m_runtime, fs::perms::owner_all);

  std::vector<std::string> mutter{kMutter, "--headless", "--wayland", "--no-x11",
                                  "--wayland-display=" + m_socket};
  for (const Output& output : outputs) {
    mutter.push_back("--virtual-monitor");
    mutter.push_back(std::to_string(output.width) + "x" + std::to_string(output.height));
  }
  // PipeWire comes before mutter, which looks for it as it starts.
  if (!StartDaemon(m_bus,
                   {"/usr/bin/dbus-daemon", "--session",
                    "--address=unix:path=" + m_runtime + "/bus", "--nofork", "--nopidfile"},
                   "dbus", "bus", error) ||
      !StartDaemon(m_pipewire, {"/usr/bin/pipewire"}, "pipewire", "pipewire-0", error) ||
      !StartDaemon(m_wireplumber, {"/usr/bin/wireplumber"}, "wireplumber", "", error) ||
      !StartDaemon(m_mutter, mutter, "mutter", m_socket, error)) {
    return false;
  }
  // Without a monitor there is nothing to read back nor anywhere to give input.
  if (outputs.empty()) return true;

  ChildProcess::Options remote = AsUser({VT_BINARY_DIR "/mutter_remote_desktop"});
  for (size_t i = 0; i < outputs.size(); ++i) remote.argv.push_back(Connector(i));
  remote.pipe_stdin = true;
  remote.pipe_stdout = true;
  remote.stderr_path = m_folder + "/remote-log.txt";
  if (!m_remote.Start(remote, error) || !ReadStreams(outputs, error)) return false;

  // Until mutter has drawn, a stream has no frame; a background has no black.
  for (size_t i = 0; i < outputs.size(); ++i) {
    Bitmap32& background = m_monitors[i].background;
    auto drawn = [&] {
      background = Screenshot(i);
      const uint32_t* pixels = background.Data();
      size_t count = size_t(background.Width()) * size_t(background.Height());
      return count > 0 && std::count(pixels, pixels + count, 0u) == 0;
    };
    if (!Within(10s, drawn)) {
      *error = Connector(i) + " shows no background without black: " + Log();
      return false;
    }
  }
  const Monitor& first = m_monitors.front();
  if (!Key("Tab") || !MovePointer(first.x + first.width / 2, first.y + first.height / 2)) {
    *error = "mutter takes no input: " + ReadText(m_folder + "/remote-log.txt");
    return false;
  }
  return true;
}

bool MutterSession::WriteLayout(const std::vector<Output>& outputs, std::string* error) const {
  // Mutter keeps the layouts it was given in monitors.xml, by the monitors' names; its virtual
  // monitors are named after their place on the command line. By default it lays monitors
  // out in physical pixels.
  std::error_code failed;
  fs::create_directories(m_folder + "/.config", failed);
  std::ofstream file(m_folder + "/.config/monitors.xml");
  file << "<monitors version=\"2\">\n  <configuration>\n";
  int left = 0;
  for (size_t i = 0; i < outputs.size(); ++i) {
    char serial[24];
    std::snprintf(serial, sizeof serial, "0x%02zx", i);
    file << "    <logicalmonitor>\n      <x>" << left << "</x><y>0</y><scale>"
         << int(outputs[i].scale) << "</scale>" << (i == 0 ? "<primary>yes</primary>" : "")
         << "\n      <monitor>\n        <monitorspec><connector>" << Connector(i)
         << "</connector><vendor>MetaVendor</vendor><product>MetaVirtualMonitor</product><serial>"
         << serial << "</serial></monitorspec>\n        <mode><width>" << outputs[i].width
         << "</width><height>" << outputs[i].height
         << "</height><rate>60.000</rate></mode>\n      </monitor>\n    </logicalmonitor>\n";
    left += outputs[i].width;
  }
  file << "  </configuration>\n</monitors>\n";
  file.close();
  if (failed || !file) *error = "cannot write mutter's monitors.xml";
  return !failed && file;
}

bool MutterSession::StartDaemon(ChildProcess& daemon, const std::vector<std::string>& argv,
                                const std::string& name, const std::string& socket,
                                std::string* error) const {
  ChildProcess::Options options;
  options.argv = argv;
  options.environment = Environment();
  // Mutter's settings at their defaults, whatever the machine's are.
  options.environment.push_back("GSETTINGS_BACKEND=memory");
  options.stderr_path = m_folder + "/" + name + "-log.txt";
  if (!daemon.Start(options, error)) return false;
  if (socket.empty() || Within(10s, [&] { return fs::exists(m_runtime + "/" + socket); })) {
    return true;
  }
  *error = name + " did not answer: " + ReadText(options.stderr_path);
  return false;
}

bool MutterSession::ReadStreams(const std::vector<Output>& outputs, std::string* error) {
  std::optional<std::string> line = m_remote.ReadLine(20s);
  std::istringstream words(line.value_or(""));
  std::string ready;
  words >> ready;
  m_monitors.resize(outputs.size());
  int left = 0;
  for (size_t i = 0; i < outputs.size() && ready == "ready"; ++i) {
    Monitor& monitor = m_monitors[i];
    if (!(words >> monitor.node >> monitor.x >> monitor.y >> monitor.width >> monitor.height) ||
        monitor.x != left || monitor.y != 0 || monitor.width != outputs[i].width ||
        monitor.height != outputs[i].height) {
      *error = "mutter did not lay out " + Connector(i) + " as asked: " + *line;
      return false;
    }
    left += monitor.width;
  }
  if (ready != "ready") {
    *error = "no remote-desktop session: " + ReadText(m_folder + "/remote-log.txt") + Log();
    return false;
  }
  return true;
}

Bitmap32 MutterSession::Screenshot(size_t output) const {
  if (output >= m_monitors.size()) return {};
  std::string path = m_folder + "/screenshot.raw";
  std::error_code ignored;
  fs::remove(path, ignored);
  // Mutter repaints the stage when a reader connects to the stream and records the frame for
  // it: the first frame shows the monitor as it is now, never an older one.
  ChildProcess::Options options;
  options.argv = {"/usr/bin/gst-launch-1.0",
                  "-q",
                  "pipewiresrc",
                  "path=" + std::to_string(m_monitors[output].node),
                  "num-buffers=1",
                  "!",
                  "videoconvert",
                  "!",
                  "video/x-raw,format=BGRx",
                  "!",
                  "filesink",
                  "location=" + path};
  options.environment = Environment();
  options.stderr_path = m_folder + "/gst-log.txt";
  ChildProcess reader;
  std::string error;
  if (!reader.Start(options, &error) || reader.WaitExit(10s) != 0) return {};
  return ReadBgrx(path, m_outputs[output].width, m_outputs[output].height);
}

uint32_t MutterSession::Background(size_t output) const {
  if (output >= m_monitors.size() || m_monitors[output].background.IsEmpty()) return 0;
  const Bitmap32& picture = m_monitors[output].background;
  return picture.Pixel(picture.Width() / 2, picture.Height() / 2);
}

bool MutterSession::ShowsBackground(size_t output) const {
  if (output >= m_monitors.size()) return false;
  Bitmap32 now = Screenshot(output);
  const Bitmap32& background = m_monitors[output].background;
  if (now.Width() != background.Width() || now.Height() != background.Height()) return false;
  size_t differing = 0;
  for (size_t i = 0; i < size_t(now.Width()) * size_t(now.Height()); ++i) {
    differing += now.Data()[i] != background.Data()[i];
  }
  return differing <= kPointerPixels;
}

bool MutterSession::Command(const std::string& line) {
  m_remote.WriteLine(line);
  return m_remote.ReadLine(10s) == "ok";
}

bool MutterSession::Key(const std::string& name) {
  return Command("key " + name);
}

bool MutterSession::MovePointer(int x, int y) {
  // Absolute motion goes to a point of one monitor's stream.
  for (size_t i = 0; i < m_monitors.size(); ++i) {
    const Monitor& monitor = m_monitors[i];
    if (x >= monitor.x && x < monitor.x + monitor.width && y >= monitor.y &&
        y < monitor.y + monitor.height) {
      return Command("move " + std::to_string(i) + " " + std::to_string(x - monitor.x) + " " +
                     std::to_string(y - monitor.y));
    }
  }
  return false;
}

bool MutterSession::Click(int button) {
  return Command("button " + std::to_string(button));
}

bool MutterSession::Wheel() {
  // One step down and one up, then one right and one left.
  return Command("axis 0 1") && Command("axis 0 -1") && Command("axis 1 1") && Command("axis 1 -1");
}

void MutterSession::Kill() {
  m_mutter.Kill();
}

std::string MutterSession::Log() const {
  return ReadText(m_folder + "/mutter-log.txt");
}

}  // namespace vt

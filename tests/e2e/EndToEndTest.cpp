#include "EndToEndTest.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

// clang-format off
// X's headers come last: their macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
// clang-format on

namespace vt {

namespace {

using Clock = std::chrono::steady_clock;

// A window property's items of the given format (8 or 32 bits), of any type; empty when the
// window has none or it is of another format.
template <typename Item>
std::vector<Item> Property(Display* display, Window window, Atom property, int wanted_format) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<Item> items;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      data) {
    if (format == wanted_format) {
      const auto* first = reinterpret_cast<const Item*>(data);
      items.assign(first, first + count);
    }
    XFree(data);
  }
  return items;
}

}  // namespace

void EndToEndTest::StartDisplay(int width, int height) {
  char pattern[] = "/tmp/vantorel-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  m_temp_dir = pattern;
  std::string error;
  ASSERT_TRUE(m_server.Start(width, height, 24, &error)) << error;
  // The tests look at windows that may be gone by the time they ask (a destroyed host, a
  // window of an ending program); the failed request answers nothing and that is enough.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

void EndToEndTest::TearDown() {
  m_children.clear();
  m_server.Stop();
  if (!m_temp_dir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(m_temp_dir, ignored);
  }
}

void EndToEndTest::SplitIntoMonitors(int count, int primary) {
  int width = DisplayWidth(X(), 0) / count, height = DisplayHeight(X(), 0);
  for (int i = 0; i < count; ++i) {
    std::string name = (i == primary ? "'*M" : "'M") + std::to_string(i) + "' ";
    std::string geometry = std::to_string(width) + "/200x" + std::to_string(height) + "/150+" +
                           std::to_string(i * width) + "+0";
    ASSERT_EQ(Run("xrandr --setmonitor " + name + geometry + (i == 0 ? " screen" : " none")), 0);
  }
}

ChildProcess& EndToEndTest::Launch(ChildProcess::Options options, const std::string& log_name) {
  options.environment.push_back("DISPLAY=" + m_server.Name());
  options.stderr_path =
      m_temp_dir + "/" + log_name + "-" + std::to_string(m_children.size()) + ".txt";
  auto child = std::make_unique<ChildProcess>();
  std::string error;
  EXPECT_TRUE(child->Start(options, &error)) << error;
  m_children.push_back(std::move(child));
  return *m_children.back();
}

ChildProcess& EndToEndTest::StartProgram(const std::vector<std::string>& args,
                                         const std::string& program) {
  ChildProcess::Options options;
  options.argv.push_back(program);
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  return Launch(options, "stderr");
}

ChildProcess& EndToEndTest::StartHost(int width, int height, int border, unsigned long* window) {
  ChildProcess::Options options;
  options.argv = {VT_BINARY_DIR "/host_window", std::to_string(width), std::to_string(height),
                  std::to_string(border)};
  options.pipe_stdin = true;
  options.pipe_stdout = true;
  ChildProcess& host = Launch(options, "host");
  std::optional<std::string> line = host.ReadLine(10s);
  EXPECT_TRUE(line) << "the host window did not say its id";
  *window = line ? std::stoul(*line) : 0;
  return host;
}

bool EndToEndTest::WaitForSaver(ChildProcess& saver, std::chrono::milliseconds timeout) const {
  return WaitUntil(
             [&] {
               if (!saver.Running()) return true;
               std::optional<ProgramWindow> window = ViewableWindowNamed("ElevatorScrForm");
               if (!window) return false;
               const Rect& r = window->bounds;
               return ScreenPixel(r.left + r.width / 2, r.top + r.height / 2) != 0;
             },
             timeout) &&
         saver.Running();
}

int EndToEndTest::ExitCode(ChildProcess& child, std::chrono::milliseconds timeout) {
  if (std::optional<int> code = child.WaitExit(timeout)) return *code;
  child.Kill();
  ADD_FAILURE() << "the program still ran after " << timeout.count() << " ms and was killed";
  return -1;
}

bool EndToEndTest::KeepsRunning(ChildProcess& child, std::chrono::milliseconds time) {
  return !child.WaitExit(time).has_value();
}

std::string EndToEndTest::ErrorOutput(const ChildProcess& child) {
  std::ifstream file(child.StderrPath());
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

long EndToEndTest::WakeUpsWithin(const ChildProcess& child, std::chrono::milliseconds time) {
  auto wake_ups = [&] {
    std::ifstream status("/proc/" + std::to_string(child.Pid()) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
    }
    return -1L;
  };
  const long before = wake_ups();
  std::this_thread::sleep_for(time);
  return wake_ups() - before;
}

bool EndToEndTest::WaitUntil(const std::function<bool()>& check,
                             std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (!check()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

Bitmap32 EndToEndTest::Screen() const {
  Display* display = X();
  Window root = DefaultRootWindow(display);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, root, &attributes);
  Bitmap32 screen;
  XImage* image = XGetImage(display, root, 0, 0, unsigned(attributes.width),
                            unsigned(attributes.height), AllPlanes, ZPixmap);
  if (!image) return screen;
  EXPECT_EQ(image->red_mask, 0xFF0000u);
  EXPECT_EQ(image->blue_mask, 0xFFu);
  screen.Resize(image->width, image->height);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      screen.SetPixel(x, y, uint32_t(XGetPixel(image, x, y) & 0xFFFFFF));
    }
  }
  XDestroyImage(image);
  return screen;
}

uint32_t EndToEndTest::ScreenPixel(int x, int y) const {
  XImage* image = XGetImage(X(), DefaultRootWindow(X()), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  auto pixel = uint32_t(XGetPixel(image, 0, 0) & 0xFFFFFF);
  XDestroyImage(image);
  return pixel;
}

std::vector<ProgramWindow> EndToEndTest::ProgramWindows() const {
  Display* display = X();
  Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
  Atom window_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  Atom dialog_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  std::vector<ProgramWindow> found;
  for (ProgramWindow window : ChildrenOf(DefaultRootWindow(display))) {
    XClassHint hint{};
    if (!XGetClassHint(display, window.id, &hint)) continue;
    bool ours = hint.res_name && hint.res_name == m_window_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    if (!ours) continue;
    std::vector<char> name = Property<char>(display, window.id, net_wm_name, 8);
    window.name.assign(name.begin(), name.end());
    std::vector<long> types = Property<long>(display, window.id, window_type, 32);
    window.dialog = std::find(types.begin(), types.end(), long(dialog_type)) != types.end();
    found.push_back(window);
  }
  return found;
}

std::vector<ProgramWindow> EndToEndTest::ChildrenOf(unsigned long parent) const {
  std::vector<ProgramWindow> found;
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(X(), parent, &root, &up, &children, &count)) return found;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(X(), children[i], &attributes)) continue;
    ProgramWindow window;
    window.id = children[i];
    window.viewable = attributes.map_state == IsViewable;
    window.bounds = {attributes.x, attributes.y, attributes.width, attributes.height};
    window.stacking = int(i);
    found.push_back(window);
  }
  if (children) XFree(children);
  return found;
}

std::optional<ProgramWindow> EndToEndTest::ViewableWindowNamed(const std::string& name) const {
  for (const ProgramWindow& window : ProgramWindows()) {
    if (window.viewable && window.name == name) return window;
  }
  return std::nullopt;
}

unsigned long EndToEndTest::FocusWindow() const {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(X(), &focus, &revert);
  return focus;
}

bool EndToEndTest::PointerIsBlank() const {
  // The server answers nothing of XFixes to a client that has not said its version.
  int major = 4, minor = 0;
  if (!XFixesQueryVersion(X(), &major, &minor)) return false;
  XFixesCursorImage* image = XFixesGetCursorImage(X());
  if (!image) return false;
  bool blank = true;
  for (int i = 0; i < int(image->width) * int(image->height); ++i) {
    // The pixels are ARGB in longs; alpha 0 shows nothing.
    blank &= ((image->pixels[i] >> 24) & 0xFF) == 0;
  }
  XFree(image);
  return blank;
}

int EndToEndTest::ServerSaverTimeout() const {
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(X(), &timeout, &interval, &blanking, &exposures);
  return timeout;
}

bool Near(uint32_t pixel, int red, int green, int blue, int tolerance) {
  int r = int(pixel >> 16) & 0xFF, g = int(pixel >> 8) & 0xFF, b = int(pixel) & 0xFF;
  return std::abs(r - red) <= tolerance && std::abs(g - green) <= tolerance &&
         std::abs(b - blue) <= tolerance;
}

bool IsShaftGrey(uint32_t pixel) {
  return Near(pixel, 51, 51, 51, 12);
}
bool IsCarGreen(uint32_t pixel) {
  return Near(pixel, 160, 255, 65, 28);
}
bool IsPanelGrey(uint32_t pixel) {
  return Near(pixel, 155, 157, 154, 20);
}

std::pair<int, int> CarGreenRows(const Bitmap32& screen, int column) {
  std::pair<int, int> found{-1, -2};
  for (int y = 0, start = -1; y <= screen.Height(); ++y) {
    bool green = y < screen.Height() && IsCarGreen(screen.Pixel(column, y));
    if (green && start < 0) start = y;
    if (!green && start >= 0) {
      if (y - start > found.second - found.first + 1) found = {start, y - 1};
      start = -1;
    }
  }
  return found.first < 0 ? std::pair{-1, -1} : found;
}

std::pair<int, int> CarGreenColumns(const Bitmap32& screen, const Rect& car, int row) {
  std::pair<int, int> found{-1, -1};
  for (int x = car.left - 8; x < car.Right() + 8; ++x) {
    if (!IsCarGreen(screen.Pixel(x, row))) continue;
    if (found.first < 0) found.first = x;
    found.second = x;
  }
  return found;
}

int ScreenX(const Rect& placed, int design_width, double x) {
  return placed.left + int(x * placed.width / design_width);
}
int ScreenY(const Rect& placed, int design_height, double y) {
  return placed.top + int(y * placed.height / design_height);
}
int EdgeX(const Rect& placed, int design_width, double edge) {
  return placed.left + int(std::ceil(edge * placed.width / design_width - 0.5));
}
int EdgeY(const Rect& placed, int design_height, double edge) {
  return placed.top + int(std::ceil(edge * placed.height / design_height - 0.5));
}

std::string ColourText(uint32_t pixel) {
  char text[32];
  std::snprintf(text, sizeof text, "rgb(%u,%u,%u)", (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF,
                pixel & 0xFF);
  return text;
}

}  // namespace vt

#include "WineTest.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>

namespace vt {

namespace fs = std::filesystem;

void WineTest::StartWine(int width, int height, int pixels_per_inch) {
  StartDisplay(width, height);
  ASSERT_FALSE(HasFatalFailure());
  // The build's prefix is made once, by whichever test comes first; a made one is kept.
  const std::string shared = VT_WIN_BINARY_DIR "/wineprefix";
  // Making it takes longer than Run() allows.
  std::string make = "DISPLAY=" + m_server.Name() + " timeout 300 flock " + shared +
                     ".lock " VT_SOURCE_DIR "/scripts/wine-prefix.sh " + shared;
  ASSERT_EQ(std::system(make.c_str()), 0) << make;
  // Hard links keep the copy cheap; the registry, which Wine rewrites, is copied for real.
  m_prefix = TempDir() + "/prefix";
  fs::copy(shared, m_prefix,
           fs::copy_options::recursive | fs::copy_options::create_hard_links |
               fs::copy_options::copy_symlinks);
  for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) {
    fs::remove(m_prefix + "/" + hive);
    fs::copy_file(shared + "/" + hive, m_prefix + "/" + hive);
  }
  if (pixels_per_inch != 96) {
    SetAndRestart("\"HKCU\\Control Panel\\Desktop\" /v LogPixels /t REG_DWORD /d " +
                  std::to_string(pixels_per_inch));
  }
  StartWineServer();
}

void WineTest::SetAndRestart(const std::string& reg_add) {
  ASSERT_EQ(Run("env WINEPREFIX=" + m_prefix + " WINEDEBUG=-all sh -c 'wine reg add " + reg_add +
                " /f && wineserver -k; wineserver -w' >/dev/null 2>&1"),
            0);
}

void WineTest::StartWineServer() {
  // The first program of a fresh prefix starts Wine's services and desktop, which keep its
  // standard error and now and then report their own faults there. Started here, they write
  // nowhere a test reads; the persistent wineserver keeps them until TearDown.
  ASSERT_EQ(Run("env WINEPREFIX=" + m_prefix +
                " WINEDEBUG=-all sh -c 'wineserver -p && wine rundll32.exe "
                "user32.dll,GetDesktopWindow' >/dev/null 2>&1"),
            0);
}

void WineTest::StartWineOnTwoMonitors(int width, int height, int other_width, int other_height) {
  m_server.AddXineramaScreen(other_width, other_height);
  StartWine(width, height);
  ASSERT_FALSE(HasFatalFailure());
  // Xvfb keeps the pointer within the first screen until a mode is set on it; set once, the
  // pointer reaches every part of the joined screens.
  ASSERT_EQ(
      Run("xrandr --output screen --mode " + std::to_string(width) + "x" + std::to_string(height)),
      0);
  // Wine reads the monitors when its desktop starts: set, then start again.
  SetAndRestart("\"HKCU\\Software\\Wine\\X11 Driver\" /v UseXRandR /t REG_SZ /d N");
  ASSERT_FALSE(HasFatalFailure());
  StartWineServer();
}

void WineTest::StartWineInVirtualDesktop(int width, int height) {
  StartWine(width, height);
  ASSERT_FALSE(HasFatalFailure());
  SetAndRestart("\"HKCU\\Software\\Wine\\Explorer\\Desktops\" /v Default /t REG_SZ /d " +
                std::to_string(width) + "x" + std::to_string(height));
  SetAndRestart("\"HKCU\\Software\\Wine\\Explorer\" /v Desktop /t REG_SZ /d Default");
  ASSERT_FALSE(HasFatalFailure());
  StartWineServer();
}

void WineTest::TearDown() {
  // Ends every Windows program of the prefix, and its wineserver, while the display lives.
  if (!m_prefix.empty()) {
    Run("env WINEPREFIX=" + m_prefix + " sh -c 'wineserver -k; wineserver -w' 2>/dev/null");
  }
  EndToEndTest::TearDown();
}

ChildProcess& WineTest::StartWindows(const std::string& program,
                                     const std::vector<std::string>& args, bool pipe_stdio) {
  // A Windows path (a short one, say) is Wine's to find.
  bool windows_path = program.rfind("/", 0) != 0;
  EXPECT_TRUE(windows_path || fs::exists(program))
      << program << " is not built: build it in " VT_WIN_BINARY_DIR;
  ChildProcess::Options options;
  // Started in a folder of the test's own, where no data folder lies by chance.
  options.argv = {"/usr/bin/env", "-C", TempDir(), "/usr/bin/wine", program};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.environment = {"WINEPREFIX=" + m_prefix, "WINEDEBUG=-all"};
  options.pipe_stdin = options.pipe_stdout = pipe_stdio;
  std::string name = program.substr(program.find_last_of("/\\") + 1);
  return Launch(options, fs::path(name).stem().string());
}

ChildProcess& WineTest::StartSaver(const std::vector<std::string>& args,
                                   const std::string& program) {
  return StartWindows(program, args);
}

ChildProcess& WineTest::StartHelper(const std::string& name, const std::vector<std::string>& args) {
  return StartWindows(VT_WIN_BINARY_DIR "/" + name + ".exe", args, true);
}

ChildProcess& WineTest::ShowSaver(const std::string& program) {
  ChildProcess& saver = StartSaver({"/s"}, program);
  EXPECT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  return saver;
}

void WineTest::ExpectEndedCleanly(ChildProcess& saver, const std::string& reported) {
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), reported);
  // The server takes the windows away once it has seen the program's connection go.
  EXPECT_TRUE(WaitUntil([&] { return ProgramWindows().empty(); }, 5s));
}

void WineTest::ExpectKeyEndsSaver(ChildProcess& saver, const std::string& reported) {
  EXPECT_EQ(Run("xdotool key a"), 0);
  ExpectEndedCleanly(saver, reported);
}

std::optional<ProgramWindow> WineTest::WaitForFocusedBox(ChildProcess& program,
                                                         const std::string& title) {
  std::optional<ProgramWindow> box;
  WaitUntil(
      [&] {
        box = ViewableWindowNamed(title);
        return (box && FocusWindow() == box->id) || !program.Running();
      },
      20s);
  return box;
}

int WineTest::ViewableWindowsNamed(const std::string& title) const {
  std::vector<ProgramWindow> windows = ProgramWindows();
  return int(std::count_if(windows.begin(), windows.end(), [&](const ProgramWindow& window) {
    return window.viewable && window.name == title;
  }));
}

std::string WineTest::ReadLine(ChildProcess& child) {
  std::string line = child.ReadLine(30s).value_or("");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string WineTest::WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t count; (count = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      output.append(buffer, count);
    }
    pclose(pipe);
  }
  return output;
}

std::map<std::string, std::vector<int>> WineTest::Layout(int width, int height,
                                                         int pixels_per_inch) const {
  std::string command = "env DISPLAY=" + m_server.Name() + " WINEPREFIX=" + m_prefix +
                        " WINEDEBUG=-all wine " VT_WIN_BINARY_DIR
                        "/vantorel-headless.exe"
                        " --layout --screen " +
                        std::to_string(width) + "x" + std::to_string(height) + " --dpi " +
                        std::to_string(pixels_per_inch);
  std::string json = CommandOutput(command);
  std::map<std::string, std::vector<int>> figures;
  static const std::regex kEntry(R"re("([A-Za-z0-9\[\]]+)":\[([-0-9,]+)\])re");
  for (std::sregex_iterator it(json.begin(), json.end(), kEntry), end; it != end; ++it) {
    std::vector<int>& values = figures[(*it)[1]];
    std::string list = (*it)[2];
    for (size_t start = 0; start < list.size();) {
      size_t comma = std::min(list.find(',', start), list.size());
      values.push_back(std::stoi(list.substr(start, comma - start)));
      start = comma + 1;
    }
  }
  EXPECT_FALSE(figures.empty()) << command << " gave no layout";
  return figures;
}

}  // namespace vt

// Starts of the Windows program that show nothing, and the data folder beside the program file:
// missing, or found under a folder name that is not ASCII and through the short (8.3) path
// that Windows may start a saver with.
#include <filesystem>

#include "WineTest.h"

// clang-format off
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

namespace fs = std::filesystem;

class WindowsProgramStart : public WineTest {};

TEST_F(WindowsProgramStart, NoArgumentConfigureAndAboutEndAtOnceWithZeroAndMapNoWindow) {
  // Every window mapped on the server from now on is announced to the test.
  XSelectInput(X(), DefaultRootWindow(X()), SubstructureNotifyMask);
  XSync(X(), True);
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"/c"}, {"/a"}}) {
    SCOPED_TRACE(args.empty() ? "no argument" : args[0]);
    ChildProcess& program = StartSaver(args);
    EXPECT_EQ(ExitCode(program, 10s), 0);
    EXPECT_EQ(ErrorOutput(program), "");
  }
  XSync(X(), False);
  XEvent event;
  EXPECT_FALSE(XCheckTypedEvent(X(), MapNotify, &event));
}

TEST_F(WindowsProgramStart, WithoutTheDataFolderOneBoxThenTheSceneWhichStillEndsOnInput) {
  std::string program = TempDir() + "/vantorel.scr";
  fs::copy_file(kSaver, program);
  ChildProcess& saver = StartSaver({"/s"}, program);
  std::optional<ProgramWindow> box = WaitForFocusedBox(saver, "Vantorel");
  ASSERT_TRUE(box) << ErrorOutput(saver);
  EXPECT_EQ(ViewableWindowsNamed("Vantorel"), 1);
  // The box comes from the saver's show handler, so it stands above the saver's window.
  for (const ProgramWindow& window : ProgramWindows()) {
    if (window.name == "ElevatorScrForm") {
      EXPECT_GT(box->stacking, window.stacking);
    }
  }
  // It names the photograph's path beside the program, as Windows writes it.
  std::string line = ErrorOutput(saver);
  std::string head = "Vantorel: ファイル " + WindowsPath(TempDir()) + "\\VantorelData\\mirso";
  EXPECT_EQ(line.substr(0, head.size()), head) << line;
  EXPECT_NE(line.find(".jpg は開けません."), std::string::npos) << line;

  EXPECT_TRUE(KeepsRunning(saver, 300ms));
  EXPECT_EQ(Run("xdotool key Return"), 0);
  EXPECT_TRUE(WaitUntil([&] { return ViewableWindowsNamed("Vantorel") == 0; }, 5s));
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  // No second box: the rooftop character is not even tried once the backdrop failed.
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(ViewableWindowsNamed("Vantorel"), 0);
  ExpectKeyEndsSaver(saver, line);
}

TEST_F(WindowsProgramStart, FindsTheDataFolderBesideItUnderAJapaneseNameAndThroughAShortPath) {
  for (auto [name, short_path] :
       {std::pair{"スクリーンセーバー 試験", false}, {"Vantorel screen saver", true}}) {
    SCOPED_TRACE(name);
    fs::path folder = fs::path(TempDir()) / name;
    fs::create_directory(folder);
    fs::copy_file(kSaver, folder / "vantorel.scr");
    fs::copy(VT_WIN_BINARY_DIR "/VantorelData", folder / "VantorelData");
    std::string program = (folder / "vantorel.scr").string();
    if (short_path) {
      program = CommandOutput("env WINEPREFIX=" + Prefix() + " WINEDEBUG=-all winepath -s '" +
                              WindowsPath(program) + "'");
      program = program.substr(0, program.find_first_of("\r\n"));
      ASSERT_NE(program.find('~'), std::string::npos) << program;
    }
    ChildProcess& saver = ShowSaver(program);
    ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
    // The pictures were found: no box, nothing reported.
    EXPECT_TRUE(KeepsRunning(saver));
    EXPECT_EQ(ViewableWindowsNamed("Vantorel"), 0);
    ExpectKeyEndsSaver(saver);
  }
}

}  // namespace
}  // namespace vt

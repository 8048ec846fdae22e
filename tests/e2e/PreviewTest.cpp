// "/p HANDLE": the preview inside a host window made by tests/helpers/host_window, the forms
// of the handle, and the start-up errors with their last-chance box.
#include <signal.h>

#include <cstdio>

#include "EndToEndTest.h"

// clang-format off
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

constexpr uint32_t kHostBlue = 0x2040A0;  // host_window's own background

class Preview : public EndToEndTest {
 protected:
  // Waits for the preview: one viewable child of the host.
  std::optional<ProgramWindow> WaitForPreview(ChildProcess& preview, unsigned long host) {
    std::optional<ProgramWindow> found;
    WaitUntil(
        [&] {
          std::vector<ProgramWindow> children = ChildrenOf(host);
          if (children.size() == 1 && children[0].viewable) found = children[0];
          return found || !preview.Running();
        },
        20s);
    return found;
  }

  // Destroying the host ends the program, cleanly.
  void ExpectEndsWithItsHost(ChildProcess& host, ChildProcess& preview) {
    host.WriteLine("");
    EXPECT_EQ(ExitCode(host), 0);
    EXPECT_EQ(ExitCode(preview), 0);
    EXPECT_EQ(ErrorOutput(preview), "");
    EXPECT_TRUE(ProgramWindows().empty());
  }
};

TEST_F(Preview, IsAChildThatCoversTheHostAndEndsWithIt) {
  unsigned long host_id = 0;
  ChildProcess& host = StartHost(152, 112, 0, &host_id);
  ASSERT_NE(host_id, 0u);
  ChildProcess& preview = StartProgram({"/p", std::to_string(host_id)});
  std::optional<ProgramWindow> window = WaitForPreview(preview, host_id);
  ASSERT_TRUE(window) << ErrorOutput(preview);
  EXPECT_EQ(window->bounds, (Rect{0, 0, 152, 112}));
  // The still covers the host: none of the host's own blue is left to see. The host stands
  // at 20, 20 on the screen.
  EXPECT_TRUE(WaitUntil(
      [&] {
        Bitmap32 screen = Screen();
        for (int y = 20; y < 20 + 112; y += 3) {
          for (int x = 20; x < 20 + 152; x += 3) {
            if (screen.Pixel(x, y) == kHostBlue) return false;
          }
        }
        return true;
      },
      10s));
  // Only the preview is there: the application's own window stays hidden.
  for (const ProgramWindow& own : ProgramWindows()) EXPECT_FALSE(own.viewable) << own.name;
  EXPECT_TRUE(KeepsRunning(preview, 300ms));
  ExpectEndsWithItsHost(host, preview);
}

TEST_F(Preview, AHostGoneWhileThePreviewRepaintsIsNoError) {
  unsigned long host_id = 0;
  ChildProcess& host = StartHost(152, 112, 0, &host_id);
  ChildProcess& preview = StartProgram({"/p", std::to_string(host_id)});
  ASSERT_TRUE(WaitForPreview(preview, host_id)) << ErrorOutput(preview);
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(90, 70) != kHostBlue; }, 10s));
  // While the preview is stopped, a window covers it and goes, which asks it to repaint, and
  // then its host goes. The repaint comes first, to a window that is no more.
  preview.Signal(SIGSTOP);
  unsigned long cover_id = 0;
  ChildProcess& cover = StartHost(300, 300, 0, &cover_id);
  cover.WriteLine("");
  EXPECT_EQ(ExitCode(cover), 0);
  host.WriteLine("");
  EXPECT_EQ(ExitCode(host), 0);
  preview.Signal(SIGCONT);
  EXPECT_EQ(ExitCode(preview), 0);
  EXPECT_EQ(ErrorOutput(preview), "");
}

// A host window and the handle that names it, as the settings dialog might write it; the
// preview covers the host, frame and all.
struct HostCase {
  const char* name;
  int width, height, border;
  const char* format;  // of the id
};

void PrintTo(const HostCase& host, std::ostream* out) {
  *out << host.name;
}

// clang-format off
const HostCase kHosts[] = {
    {"Decimal", 100, 80, 0, "%lu"},      {"Dollar", 100, 80, 0, "$%lX"},
    {"ZeroXLower", 100, 80, 0, "0x%lx"}, {"ZeroXUpper", 100, 80, 0, "0X%lX"},
    {"X", 100, 80, 0, "x%lx"},           {"Plus", 100, 80, 0, "+%lu"},
    {"LeadingBlanks", 100, 80, 0, "  %lu"},
    {"FramedHostsOuterSize", 200, 150, 6, "%lu"},
};
// clang-format on

class PreviewHost : public Preview, public ::testing::WithParamInterface<HostCase> {};

TEST_P(PreviewHost, TheHandleNamesTheHostWhoseOuterSizeThePreviewTakes) {
  const HostCase& c = GetParam();
  unsigned long host_id = 0;
  ChildProcess& host = StartHost(c.width, c.height, c.border, &host_id);
  char handle[32];
  std::snprintf(handle, sizeof handle, c.format, host_id);
  ChildProcess& preview = StartProgram({"/p", handle});
  std::optional<ProgramWindow> window = WaitForPreview(preview, host_id);
  ASSERT_TRUE(window) << handle << ": " << ErrorOutput(preview);
  EXPECT_EQ(window->bounds, (Rect{0, 0, c.width + 2 * c.border, c.height + 2 * c.border}));
  ExpectEndsWithItsHost(host, preview);
}

INSTANTIATE_TEST_SUITE_P(Hosts, PreviewHost, ::testing::ValuesIn(kHosts),
                         [](const ::testing::TestParamInfo<HostCase>& info) {
                           return std::string(info.param.name);
                         });

struct StartUpError {
  const char* name;
  std::vector<std::string> args;  // "DEAD" stands for the id of a window that is gone
  std::string kind;
  std::string message;  // with its line breaks as spaces
};

void PrintTo(const StartUpError& error, std::ostream* out) {
  *out << error.name;
}

class StartUpErrorTest : public Preview, public ::testing::WithParamInterface<StartUpError> {};

TEST_P(StartUpErrorTest, ShowsTheLastChanceBoxThenExitsWithOne) {
  const StartUpError& error = GetParam();
  std::vector<std::string> args = error.args;
  for (std::string& arg : args) {
    if (arg != "DEAD") continue;
    // An id that named a window of the test's own a moment ago.
    Window gone = XCreateSimpleWindow(X(), DefaultRootWindow(X()), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(X(), gone);
    XSync(X(), False);
    arg = std::to_string(gone);
  }
  ChildProcess& preview = StartProgram(args);
  std::optional<ProgramWindow> box;
  ASSERT_TRUE(WaitUntil(
      [&] {
        box = ViewableWindowNamed("アプリケーション エラー");
        return (box && FocusWindow() == box->id) || !preview.Running();
      },
      20s))
      << ErrorOutput(preview);
  ASSERT_TRUE(box) << ErrorOutput(preview);
  EXPECT_TRUE(box->dialog);
  // The box is all there is to see of the program.
  for (const ProgramWindow& window : ProgramWindows()) {
    EXPECT_EQ(window.viewable, window.id == box->id) << window.name;
  }
  // It waits for its OK.
  EXPECT_TRUE(KeepsRunning(preview, 300ms));
  EXPECT_EQ(Run("xdotool key Return"), 0);
  EXPECT_EQ(ExitCode(preview), 1);
  EXPECT_TRUE(ProgramWindows().empty());

  // One line on standard error: the box's title, then its text with the line breaks as spaces.
  std::string line = ErrorOutput(preview);
  std::string head = "アプリケーション エラー: " + error.kind + " がモジュール vantorel の ";
  ASSERT_EQ(line.substr(0, head.size()), head) << line;
  std::string address = line.substr(head.size(), 8);
  EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << line;
  EXPECT_EQ(line.substr(head.size() + 8), " で発生しました。  " + error.message + ".  \n");
}

INSTANTIATE_TEST_SUITE_P(
    Handles, StartUpErrorTest,
    // clang-format off
    ::testing::Values(
        StartUpError{"Missing", {"/p"}, "EConvertError", "'' は整数ではありません"},
        StartUpError{"Zero", {"/p", "0"}, "EInvalidOperation",
                     "コントロール 'PrvForm' は親ウィンドウを持っていません"},
        StartUpError{"NotANumber", {"/p", "12abc"}, "EConvertError",
                     "'12abc' は整数ではありません"},
        StartUpError{"BeyondTheRange", {"/p", "2147483648"}, "EConvertError",
                     "'2147483648' は整数ではありません"},
        StartUpError{"NoSuchWindow", {"/p", "DEAD"}, "EOSError",
                     "システムエラー。コード：3.  BadWindow (invalid Window parameter)"}),
    // clang-format on
    [](const ::testing::TestParamInfo<StartUpError>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace vt

// "/p HANDLE" under Wine, driven by tests/helpers/win32/preview_host: the preview as a child
// of a framed host, which outlives the host losing the foreground, and the handles that name no
// host, with their last-chance box.
#include <sstream>

#include "WineTest.h"

namespace vt {
namespace {

constexpr const char* kLastChanceTitle = "アプリケーション エラー";

class WindowsPreview : public WineTest {
 protected:
  // Starts the host with the saver and reads the host's outer and client sizes.
  ChildProcess& StartHost(const std::vector<std::string>& handle, Rect* outer, Rect* client) {
    std::vector<std::string> args = {WindowsPath(kSaver)};
    args.insert(args.end(), handle.begin(), handle.end());
    ChildProcess& host = StartHelper("preview_host", args);
    std::istringstream line(ReadLine(host));
    std::string word;
    line >> word >> outer->width >> outer->height >> client->width >> client->height;
    EXPECT_EQ(word, "host") << ErrorOutput(host);
    return host;
  }
};

TEST_F(WindowsPreview, IsAChildOfTheHostsOuterSizeKeptOnLosingTheForegroundEndingWithTheHost) {
  Rect outer, client;
  ChildProcess& host = StartHost({}, &outer, &client);
  // The host's frame makes its outer size larger than its client area.
  ASSERT_GT(outer.width, client.width);
  ASSERT_GT(outer.height, client.height);
  EXPECT_EQ(ReadLine(host),
            "child " + std::to_string(outer.width) + " " + std::to_string(outer.height))
      << ErrorOutput(host);
  // Only the child is there: the application's own window stays hidden.
  for (const ProgramWindow& own : ProgramWindows()) EXPECT_FALSE(own.viewable) << own.name;
  // The settings dialog losing the foreground is no reason for its preview to end.
  EXPECT_EQ(ReadLine(host), "deactivated 1");
  host.WriteLine("");
  EXPECT_EQ(ReadLine(host), "exit 0");
  EXPECT_EQ(ExitCode(host), 0);
  EXPECT_EQ(ErrorOutput(host), "");
  EXPECT_TRUE(WaitUntil([&] { return ProgramWindows().empty(); }, 5s));
}

// The settings dialog may hand over a host it has not shown yet: the preview shows it.
TEST_F(WindowsPreview, ShowsAHostNotShownYet) {
  Rect outer, client;
  ChildProcess& host = StartHost({"hidden"}, &outer, &client);
  EXPECT_EQ(ReadLine(host),
            "child " + std::to_string(outer.width) + " " + std::to_string(outer.height))
      << ErrorOutput(host);
  EXPECT_EQ(ReadLine(host), "deactivated 1");
  host.WriteLine("");
  EXPECT_EQ(ReadLine(host), "exit 0");
  EXPECT_EQ(ExitCode(host), 0);
}

// A handle as the host passes it, and what the last-chance box's line names.
struct BadHandle {
  const char* name;
  const char* handle;  // preview_host's: "none" for no handle, "dead" for a destroyed window
  std::string kind;
  std::string message;
};

void PrintTo(const BadHandle& bad, std::ostream* out) {
  *out << bad.name;
}

class WindowsBadPreviewHandle : public WindowsPreview,
                                public ::testing::WithParamInterface<BadHandle> {};

TEST_P(WindowsBadPreviewHandle, ShowsOneLastChanceBoxThenExitsWithOne) {
  const BadHandle& bad = GetParam();
  Rect outer, client;
  ChildProcess& host = StartHost({bad.handle}, &outer, &client);
  std::optional<ProgramWindow> box = WaitForFocusedBox(host, kLastChanceTitle);
  ASSERT_TRUE(box) << ErrorOutput(host);
  // The box is all there is to see of the program.
  for (const ProgramWindow& window : ProgramWindows()) {
    EXPECT_EQ(window.viewable, window.id == box->id) << window.name;
  }
  EXPECT_EQ(Run("xdotool key Return"), 0);
  EXPECT_EQ(ReadLine(host), "exit 1");
  EXPECT_EQ(ExitCode(host), 0);
  // One line on standard error, naming what the box names: the error's kind, the program
  // file and the message. The system's own text for a code is Wine's, so only the code counts.
  std::string line = ErrorOutput(host);
  std::string head =
      std::string(kLastChanceTitle) + ": " + bad.kind + " がモジュール vantorel.scr の ";
  EXPECT_EQ(line.substr(0, head.size()), head) << line;
  EXPECT_NE(line.find(bad.message), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Handles, WindowsBadPreviewHandle,
    ::testing::Values(BadHandle{"Missing", "none", "EConvertError", "  '' は整数ではありません."},
                      BadHandle{"Zero", "0", "EInvalidOperation",
                                "  コントロール 'PrvForm' は親ウィンドウを持っていません."},
                      BadHandle{"NoSuchWindow", "dead", "EOSError",
                                "  システムエラー。コード：1400."}),
    [](const ::testing::TestParamInfo<BadHandle>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt

// The systemd user unit that starts "--idle" with the desktop session, as installing the
// build puts it: where systemd looks for user units, tied to the graphical session, enabled
// for no one, and its command one that starts the idle starter.
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "IdleChecks.h"
#include "IdleX11Test.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

class IdleServiceUnit : public IdleX11Test {};

std::string Text(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

TEST_F(IdleServiceUnit, IsInstalledForTheGraphicalSessionEnabledForNoOneAndStartsTheStarter) {
  std::string prefix = TempDir() + "/usr";
  ASSERT_EQ(std::system(("cmake --install " VT_BINARY_DIR " --prefix " + prefix + " >" + TempDir() +
                         "/install.log 2>&1")
                            .c_str()),
            0)
      << Text(TempDir() + "/install.log");
  std::string unit = Text(prefix + "/lib/systemd/user/vantorel-idle.service");
  ASSERT_FALSE(unit.empty());
  for (const char* line : {"PartOf=graphical-session.target", "After=graphical-session.target",
                           "WantedBy=graphical-session.target"}) {
    EXPECT_NE(unit.find(std::string("\n") + line + "\n"), std::string::npos) << line;
  }
  // Nothing that enables it: no link in a .wants folder anywhere.
  for (const auto& entry : fs::recursive_directory_iterator(TempDir())) {
    EXPECT_EQ(entry.path().string().find(".wants"), std::string::npos) << entry.path();
  }

  // Its command, as systemd puts it together, run against the installed program on the
  // test's display: the idle starter runs and starts the saver.
  std::smatch seconds, command;
  ASSERT_TRUE(std::regex_search(unit, seconds,
                                std::regex("\nEnvironment=VANTOREL_IDLE_SECONDS=([0-9]+)\n")));
  ASSERT_TRUE(
      std::regex_search(unit, command, std::regex("\nExecStart=(/usr/bin/vantorel) (.*)\n")));
  // Below the 300 seconds after which GNOME blanks and KDE locks by default.
  EXPECT_EQ(seconds[1], "240");
  std::string args = std::regex_replace(
      command[2].str(), std::regex("\\$\\{VANTOREL_IDLE_SECONDS\\}"), std::to_string(kSeconds));
  ChildProcess::Options options;
  options.argv = {prefix + "/bin/vantorel"};
  std::istringstream words(args);
  for (std::string word; words >> word;) options.argv.push_back(word);
  options.environment = {"WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus",
                         "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bus"};
  ChildProcess& idle = Launch(options, "idle");
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  Key();
  pid_t saver = WaitForIdleSaver(idle);
  EXPECT_GT(saver, 0) << ErrorOutput(idle);
}

}  // namespace
}  // namespace vt

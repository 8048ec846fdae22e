// How "--idle" starts, or does not: a bad idle time, no display to watch, a Wayland display
// that does not answer beside an X display that does, and the switch that only looks like it.
#include <algorithm>

#include "IdleChecks.h"
#include "IdleX11Test.h"

// clang-format off
// X's headers come last: their macros would break the headers above.
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

class IdleStart : public IdleX11Test {
 protected:
  ChildProcess& StartWith(const std::vector<std::string>& args,
                          const std::vector<std::string>& environment) {
    ChildProcess::Options options;
    options.argv = {kProgram};
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.environment = environment;
    options.environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus");
    options.environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bus");
    return Launch(options, "idle");
  }

  // Every window made on the server from now on is announced to the test.
  void WatchForWindows() {
    XSelectInput(X(), DefaultRootWindow(X()), SubstructureNotifyMask);
    XSync(X(), True);
  }
  bool AWindowWasMade() {
    XSync(X(), False);
    XEvent event;
    return XCheckTypedEvent(X(), CreateNotify, &event);
  }

  // Its one line of standard error.
  static std::string OneLine(const ChildProcess& idle) {
    std::string text = ErrorOutput(idle);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    return text;
  }
};

struct BadIdleTime {
  const char* name;
  std::vector<std::string> args;
};

void PrintTo(const BadIdleTime& start, std::ostream* out) {
  *out << start.name;
}

class BadIdleTimeStart : public IdleStart, public ::testing::WithParamInterface<BadIdleTime> {};

TEST_P(BadIdleTimeStart, SaysSoInOneLineEndsWithTwoAndStartsNothing) {
  WatchForWindows();
  const SaverSettings before = Settings();
  ChildProcess& idle = StartWith(GetParam().args, {"WAYLAND_DISPLAY="});
  EXPECT_EQ(ExitCode(idle, 10s), 2);
  std::string line = OneLine(idle);
  EXPECT_EQ(line.rfind("vantorel: --idle ", 0), 0u) << line;
  EXPECT_NE(line.find("whole number of seconds from 1 to 86400"), std::string::npos) << line;
  EXPECT_FALSE(AWindowWasMade());
  EXPECT_TRUE(Settings() == before);
}

INSTANTIATE_TEST_SUITE_P(IdleStart, BadIdleTimeStart,
                         ::testing::Values(BadIdleTime{"Missing", {"--idle"}},
                                           BadIdleTime{"Zero", {"--idle", "0"}},
                                           BadIdleTime{"Negative", {"--idle", "-5"}},
                                           BadIdleTime{"NotANumber", {"--idle", "five"}},
                                           BadIdleTime{"AFraction", {"--idle", "1.5"}},
                                           BadIdleTime{"MoreThanADay", {"--idle", "86401"}}),
                         [](const ::testing::TestParamInfo<BadIdleTime>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(IdleStart, ASwitchThatOnlyLooksLikeItEndsAtOnceAsAnyOtherStart) {
  WatchForWindows();
  ChildProcess& program = StartWith({"--idle=300"}, {"WAYLAND_DISPLAY="});
  EXPECT_EQ(ExitCode(program, 5s), 0);
  EXPECT_EQ(ErrorOutput(program), "");
  EXPECT_FALSE(AWindowWasMade());
  EXPECT_NE(Settings().timeout, 300);
}

TEST_F(IdleStart, WithoutAnyDisplayOneLineNamesBothAndItEndsWithOne) {
  ChildProcess& idle =
      StartWith({"--idle", "300"}, {"DISPLAY=", "WAYLAND_DISPLAY=", "WAYLAND_SOCKET="});
  EXPECT_EQ(ExitCode(idle, 10s), 1);
  std::string line = OneLine(idle);
  EXPECT_NE(line.find("WAYLAND_DISPLAY"), std::string::npos) << line;
  EXPECT_NE(line.find("DISPLAY (X11)"), std::string::npos) << line;
}

TEST_F(IdleStart, AWaylandDisplayThatDoesNotAnswerIsNamedWhenThereIsNoXDisplayEither) {
  ChildProcess& idle = StartWith({"--idle", "300"}, {"DISPLAY=", "WAYLAND_DISPLAY=vantorel-none"});
  EXPECT_EQ(ExitCode(idle, 10s), 1);
  EXPECT_EQ(OneLine(idle), "vantorel: cannot connect to the Wayland display \"vantorel-none\"\n");
}

TEST_F(IdleStart, AWaylandDisplayThatDoesNotAnswerLeavesTheXDisplayToWatch) {
  ChildProcess& idle =
      StartWith({"--idle", std::to_string(kSeconds)}, {"WAYLAND_DISPLAY=vantorel-none"});
  ASSERT_TRUE(WaitForTimer(idle)) << ErrorOutput(idle);
  Key();
  pid_t saver = WaitForIdleSaver(idle);
  ASSERT_GT(saver, 0) << ErrorOutput(idle);
  ExpectScene();
  EXPECT_EQ(ErrorOutput(idle), "");
}

}  // namespace
}  // namespace vt

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>

#include "X11TestSupport.h"

namespace vt {
namespace {

constexpr const char* kOneLine = "^vantorel: lost the connection to the X display [^\n]*\n$";

using X11ConnectionDeathTest = X11BackendTest;

TEST_F(X11ConnectionDeathTest, connection_killed_by_the_server_ends_the_program_with_code_1) {
  XSetScreenSaver(Test(), 7, 0, PreferBlanking, AllowExposures);
  XSync(Test(), False);
  std::string name = m_server.Name();
  EXPECT_EXIT(
      {
        X11Backend::Options options;
        options.display_name = name;
        std::string error;
        auto backend = X11Backend::Open(options, &error);
        WindowHandle window = backend->CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
        backend->ShowWindow(window, true);
        Display* killer = XOpenDisplay(name.c_str());
        XKillClient(killer, window);
        XSync(killer, False);
        for (;;) backend->WaitEvent(-1);
      },
      ::testing::ExitedWithCode(1), kOneLine);
  // The server's saver setting, switched off for the full-screen window, was put back through
  // a connection of its own.
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(Test(), &timeout, &interval, &blanking, &exposures);
  EXPECT_EQ(timeout, 7);
}

TEST(X11ServerDeathTest, server_gone_ends_the_program_with_code_1) {
  XvfbServer server;
  std::string error;
  ASSERT_TRUE(server.Start(320, 240, 24, &error, XvfbServer::Connection::Drop)) << error;
  std::string name = server.Name();
  pid_t pid = server.Pid();
  EXPECT_EXIT(
      {
        X11Backend::Options options;
        options.display_name = name;
        auto backend = X11Backend::Open(options, &error);
        WindowHandle window = backend->CreateWindow({WindowKind::FullScreen, "Saver", {}, 0});
        backend->ShowWindow(window, true);
        kill(pid, SIGKILL);
        // Drawing into the dead connection ends the same way.
        Bitmap32 frame(320, 240, 0xFFFFFF);
        for (;;) {
          backend->Present(window, frame, {frame.Bounds()});
          backend->WaitEvent(backend->NowMs() + 10);
        }
      },
      ::testing::ExitedWithCode(1), kOneLine);
}

// The voluntary context switches of this process so far: each is a sleep that ended.
long WakeUps() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long count = -1;
  while (std::fgets(line, sizeof line, status)) {
    if (std::sscanf(line, "voluntary_ctxt_switches: %ld", &count) == 1) break;
  }
  std::fclose(status);
  return count;
}

using X11EventLoopTest = X11BackendTest;

TEST_F(X11EventLoopTest, wait_for_a_deadline_under_a_millisecond_away_ends_without_sleeping) {
  auto backend = Open();
  const long before = WakeUps();
  for (int i = 0; i < 50; ++i) EXPECT_FALSE(backend->WaitEvent(backend->NowMs() + 1));
  // Fifty sleeps of a millisecond each before; none now, give or take a stray one.
  EXPECT_LT(WakeUps() - before, 5);
}

}  // namespace
}  // namespace vt

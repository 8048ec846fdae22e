// The saver's process as the idle starter runs it: its end seen through its descriptor, asked
// to stop and killed when it does not, and never outliving the starter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "idle/SaverChild.h"
#include "widgets/linux/MonotonicClock.h"

namespace vt {
namespace {

using namespace std::chrono_literals;

bool Readable(int fd, int timeout_ms) {
  pollfd watched{fd, POLLIN, 0};
  return poll(&watched, 1, timeout_ms) == 1 && (watched.revents & POLLIN);
}

// Whether the process has ended: gone, or a zombie no one has reaped yet, whose pidfd reads.
bool Ended(pid_t pid) {
  int fd = int(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return true;
  bool ended = Readable(fd, 0);
  close(fd);
  return ended;
}

TEST(SaverChild, its_descriptor_turns_readable_when_it_ends_and_it_is_reaped_then) {
  SaverChild child({"/bin/sh", "-c", "sleep 0.3"});
  std::string error;
  ASSERT_TRUE(child.Start(&error)) << error;
  ASSERT_TRUE(child.Running());
  ASSERT_GE(child.Fd(), 0);
  EXPECT_FALSE(child.Reap());
  EXPECT_FALSE(Readable(child.Fd(), 0));
  EXPECT_TRUE(Readable(child.Fd(), 10'000));
  EXPECT_TRUE(child.Reap());
  EXPECT_FALSE(child.Running());
  EXPECT_EQ(child.Fd(), -1);
}

TEST(SaverChild, a_program_that_cannot_be_run_ends_at_once) {
  SaverChild child({"/nonexistent/vantorel", "/s"});
  std::string error;
  ASSERT_TRUE(child.Start(&error)) << error;
  EXPECT_TRUE(Readable(child.Fd(), 10'000));
  EXPECT_TRUE(child.Reap());
}

class SaverChildFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantorel-saver-child-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_folder = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + m_folder).c_str()); }

  std::string Text(const std::string& name) const {
    std::ifstream file(m_folder + "/" + name);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  static bool WaitUntil(const std::function<bool()>& check) {
    for (int i = 0; i < 500; ++i) {
      if (check()) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  std::string m_folder;
};

TEST_F(SaverChildFiles, stop_asks_with_sigterm_and_kills_one_still_running_after_the_grace) {
  // A saver that notes the request and goes on.
  std::string log = m_folder + "/log";
  SaverChild child({"/bin/sh", "-c",
                    "trap 'echo asked >>" + log + "' TERM; echo ready >" + log +
                        "; while :; do sleep 0.05; done"});
  std::string error;
  ASSERT_TRUE(child.Start(&error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return Text("log") == "ready\n"; }));
  int64_t now = MonotonicMs();
  child.Stop(now);
  ASSERT_TRUE(child.KillDeadline());
  EXPECT_EQ(*child.KillDeadline(), now + SaverChild::kGraceMs);
  EXPECT_TRUE(WaitUntil([&] { return Text("log") == "ready\nasked\n"; })) << Text("log");
  // Asked once, however often it is told to stop.
  child.Stop(now + 10);
  EXPECT_EQ(*child.KillDeadline(), now + SaverChild::kGraceMs);
  child.KillIfOverdue(now + SaverChild::kGraceMs - 1);
  EXPECT_FALSE(Readable(child.Fd(), 300));
  EXPECT_EQ(Text("log"), "ready\nasked\n");
  child.KillIfOverdue(now + SaverChild::kGraceMs);
  EXPECT_TRUE(Readable(child.Fd(), 10'000));
  EXPECT_TRUE(child.Reap());
}

TEST_F(SaverChildFiles,
       end_waits_for_a_saver_that_honours_the_request_and_kills_one_that_does_not) {
  std::string log = m_folder + "/log";
  SaverChild polite({"/bin/sh", "-c",
                     "trap 'echo ended >" + log + "; exit 0' TERM; while :; do sleep 0.05; done"});
  std::string error;
  ASSERT_TRUE(polite.Start(&error)) << error;
  pid_t pid = polite.Pid();
  std::this_thread::sleep_for(200ms);
  polite.End();
  EXPECT_FALSE(polite.Running());
  EXPECT_TRUE(Ended(pid));
  EXPECT_EQ(Text("log"), "ended\n");

  SaverChild stubborn({"/bin/sh", "-c", "trap '' TERM; while :; do sleep 0.05; done"});
  ASSERT_TRUE(stubborn.Start(&error)) << error;
  pid = stubborn.Pid();
  std::this_thread::sleep_for(200ms);
  stubborn.End();
  EXPECT_FALSE(stubborn.Running());
  EXPECT_TRUE(Ended(pid));
  // One left running would hold the test's output open.
  if (!Ended(pid)) kill(pid, SIGKILL);
}

TEST_F(SaverChildFiles, the_saver_gets_none_of_the_starters_descriptors) {
  int inherited = open("/dev/null", O_RDONLY);  // without O_CLOEXEC
  ASSERT_GE(inherited, 3);
  std::string marker = m_folder + "/had";
  SaverChild child({"/bin/sh", "-c",
                    "if [ -e /proc/$$/fd/" + std::to_string(inherited) + " ]; then echo yes >" +
                        marker + "; else echo no >" + marker + "; fi"});
  std::string error;
  ASSERT_TRUE(child.Start(&error)) << error;
  EXPECT_TRUE(Readable(child.Fd(), 10'000));
  child.Reap();
  close(inherited);
  EXPECT_EQ(Text("had"), "no\n");
}

TEST(SaverChild, never_outlives_an_idle_starter_that_is_killed_outright) {
  int pids[2];
  ASSERT_EQ(pipe(pids), 0);
  pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    SaverChild saver({"/bin/sleep", "60"});
    std::string error;
    pid_t pid = saver.Start(&error) ? saver.Pid() : -1;
    if (write(pids[1], &pid, sizeof pid) != sizeof pid) _exit(1);
    pause();
    _exit(0);
  }
  close(pids[1]);
  pid_t saver = -1;
  ASSERT_EQ(read(pids[0], &saver, sizeof saver), ssize_t(sizeof saver));
  close(pids[0]);
  ASSERT_GT(saver, 0);
  EXPECT_FALSE(Ended(saver));
  kill(starter, SIGKILL);
  waitpid(starter, nullptr, 0);
  bool ended = false;
  for (int i = 0; i < 500 && !ended; ++i) {
    ended = Ended(saver);
    if (!ended) std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(ended) << "the saver " << saver << " still runs";
  if (!ended) kill(saver, SIGKILL);
}

}  // namespace
}  // namespace vt

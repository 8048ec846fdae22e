// The termination signals as the Linux event loops take them: through the pipe, unless
// whoever started the program ignored them, and back with the handlers before once it goes.
#include <gtest/gtest.h>
#include <signal.h>

#include "widgets/linux/SignalPipe.h"

namespace vt {
namespace {

using Handler = void (*)(int);

Handler HandlerOf(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return current.sa_handler;
}

TEST(SignalPipe, a_termination_signal_becomes_its_number_in_the_pipe) {
  SignalPipe pipe;
  ASSERT_GE(pipe.ReadFd(), 0);
  EXPECT_EQ(pipe.Take(), 0);
  raise(SIGTERM);
  EXPECT_EQ(pipe.Take(), SIGTERM);
  EXPECT_EQ(pipe.Take(), 0);
  // Of several, the last one counts.
  raise(SIGINT);
  raise(SIGHUP);
  EXPECT_EQ(pipe.Take(), SIGHUP);
}

TEST(SignalPipe, a_signal_its_starter_ignored_stays_ignored) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  struct sigaction before {};
  ASSERT_EQ(sigaction(SIGHUP, &ignore, &before), 0);
  {
    SignalPipe pipe;
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
    raise(SIGHUP);
    EXPECT_EQ(pipe.Take(), 0);
  }
  EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
  sigaction(SIGHUP, &before, nullptr);
}

TEST(SignalPipe, the_handlers_before_come_back_when_it_goes) {
  const Handler before = HandlerOf(SIGTERM);
  {
    SignalPipe pipe;
    EXPECT_NE(HandlerOf(SIGTERM), before);
  }
  EXPECT_EQ(HandlerOf(SIGTERM), before);
}

TEST(SignalPipe, the_pipe_made_before_takes_the_signals_again_once_a_later_one_is_restored) {
  SignalPipe outer;
  SignalPipe inner;
  raise(SIGINT);
  EXPECT_EQ(inner.Take(), SIGINT);
  EXPECT_EQ(outer.Take(), 0);
  inner.Restore();
  EXPECT_EQ(inner.ReadFd(), -1);
  raise(SIGINT);
  EXPECT_EQ(outer.Take(), SIGINT);
}

TEST(SignalPipe, a_signal_raised_again_reaches_the_handler_before) {
  SignalPipe outer;
  SignalPipe inner;
  inner.Reraise(SIGTERM);
  EXPECT_EQ(inner.ReadFd(), -1);
  EXPECT_EQ(outer.Take(), SIGTERM);
}

}  // namespace
}  // namespace vt

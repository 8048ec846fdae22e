// The termination signals as the Linux event loops take them: through the pipe, unless
// whoever started the program ignored them, and back with the handlers before once it goes.
#include <gtest/gtest.h>
#include <signal.h>

#include <optional>

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

TEST(SignalPipe, a_signal_becomes_a_close_request_of_the_application_window) {
  SignalPipe pipe;
  EXPECT_FALSE(pipe.TakeCloseRequest(7));
  raise(SIGTERM);
  std::optional<InputEvent> request = pipe.TakeCloseRequest(7);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->type, EventType::CloseRequest);
  EXPECT_EQ(request->window, 7u);
  EXPECT_FALSE(pipe.TakeCloseRequest(7));
  EXPECT_GE(pipe.ReadFd(), 0);
}

TEST(SignalPipe, without_a_window_to_close_the_signal_goes_on_to_the_handler_before) {
  SignalPipe outer;
  SignalPipe inner;
  raise(SIGHUP);
  int outer_signal_before_ending = -1;
  EXPECT_FALSE(inner.TakeCloseRequest(0, [&] { outer_signal_before_ending = outer.Take(); }));
  EXPECT_EQ(outer_signal_before_ending, 0);
  EXPECT_EQ(inner.ReadFd(), -1);
  EXPECT_EQ(outer.Take(), SIGHUP);
}

}  // namespace
}  // namespace vt

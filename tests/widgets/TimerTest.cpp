#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TTimer.h"

namespace vt::test {
namespace {

// A tick as the tests see it: which timer, at what time on the virtual clock.
using Tick = std::pair<std::string, int64_t>;

class TimerTest : public WidgetTest {
 protected:
  TimerTest() = default;
  explicit TimerTest(std::unique_ptr<HeadlessBackend> backend) : WidgetTest(std::move(backend)) {}
  void SetUp() override { m_form = MakePlainForm(40, 30); }

  // A timer that writes down its ticks; it starts when its handler is set.
  TTimer* StartTimer(const std::string& name, uint32_t interval) {
    auto* timer = m_form->CreateOwned<TTimer>(m_app);
    timer->SetName(name);
    timer->SetInterval(interval);
    timer->SetOnTimer([this, name](TObject*) { m_ticks.emplace_back(name, m_backend.NowMs()); });
    return timer;
  }
  std::vector<int64_t> TimesOf(const std::string& name) const {
    std::vector<int64_t> times;
    for (const auto& [who, at] : m_ticks) {
      if (who == name) times.push_back(at);
    }
    return times;
  }

  TestForm* m_form = nullptr;
  std::vector<Tick> m_ticks;
};

using Times = std::vector<int64_t>;

TEST_F(TimerTest, first_tick_comes_one_interval_after_the_start_then_every_interval) {
  StartTimer("t", 100);
  m_app.RunUntil(350);
  EXPECT_EQ(TimesOf("t"), (Times{100, 200, 300}));
  EXPECT_EQ(m_backend.NowMs(), 350);
}

TEST_F(TimerTest, a_timer_started_later_counts_from_its_start) {
  m_app.RunUntil(40);
  StartTimer("t", 100);
  m_app.RunUntil(300);
  EXPECT_EQ(TimesOf("t"), (Times{140, 240}));
}

TEST_F(TimerTest, the_handler_gets_the_timer_as_sender) {
  TTimer* timer = StartTimer("t", 10);
  TObject* sender = nullptr;
  timer->SetOnTimer([&sender](TObject* s) { sender = s; });
  m_app.RunUntil(10);
  EXPECT_EQ(sender, timer);
}

TEST_F(TimerTest, a_new_interval_restarts_the_timer_from_zero) {
  TTimer* timer = StartTimer("t", 100);
  m_app.RunUntil(250);
  timer->SetInterval(150);
  m_app.RunUntil(600);
  EXPECT_EQ(TimesOf("t"), (Times{100, 200, 400, 550}));
}

TEST_F(TimerTest, the_same_interval_does_not_delay_the_next_tick) {
  TTimer* timer = StartTimer("t", 100);
  m_app.RunUntil(250);
  timer->SetInterval(100);
  m_app.RunUntil(400);
  EXPECT_EQ(TimesOf("t"), (Times{100, 200, 300, 400}));
}

TEST_F(TimerTest, enabling_again_restarts_the_timer_from_zero) {
  TTimer* timer = StartTimer("t", 100);
  m_app.RunUntil(250);
  timer->SetEnabled(false);
  m_app.RunUntil(330);
  timer->SetEnabled(true);
  m_app.RunUntil(600);
  EXPECT_EQ(TimesOf("t"), (Times{100, 200, 430, 530}));
}

TEST_F(TimerTest, enabling_an_enabled_timer_does_not_delay_the_next_tick) {
  TTimer* timer = StartTimer("t", 100);
  m_app.RunUntil(250);
  timer->SetEnabled(true);
  m_app.RunUntil(300);
  EXPECT_EQ(TimesOf("t"), (Times{100, 200, 300}));
}

TEST_F(TimerTest, a_disabled_timer_never_ticks) {
  TTimer* timer = m_form->CreateOwned<TTimer>(m_app);
  timer->SetEnabled(false);
  timer->SetInterval(100);
  timer->SetOnTimer([this](TObject*) { m_ticks.emplace_back("t", m_backend.NowMs()); });
  EXPECT_FALSE(timer->Running());
  m_app.RunUntil(10000);
  EXPECT_TRUE(m_ticks.empty());
}

TEST_F(TimerTest, a_timer_with_interval_zero_never_ticks) {
  TTimer* timer = StartTimer("t", 100);
  timer->SetInterval(0);
  m_app.RunUntil(10000);
  EXPECT_TRUE(m_ticks.empty());
  timer->SetInterval(1000);
  m_app.RunUntil(12500);
  EXPECT_EQ(TimesOf("t"), (Times{11000, 12000}));
}

TEST_F(TimerTest, timers_due_at_the_same_moment_tick_in_the_order_they_were_started) {
  StartTimer("a", 200);
  StartTimer("b", 100);
  m_app.RunUntil(400);
  EXPECT_EQ(m_ticks, (std::vector<Tick>{
                         {"b", 100}, {"a", 200}, {"b", 200}, {"b", 300}, {"a", 400}, {"b", 400}}));
}

TEST_F(TimerTest, a_restart_puts_a_timer_behind_those_started_before_it) {
  TTimer* a = StartTimer("a", 200);
  StartTimer("b", 100);
  m_app.RunUntil(50);
  a->SetInterval(150);  // started again at 50: due at 200, like b, but started after it
  m_app.RunUntil(200);
  EXPECT_EQ(m_ticks, (std::vector<Tick>{{"b", 100}, {"b", 200}, {"a", 200}}));
}

TEST_F(TimerTest, a_long_handler_does_not_make_ticks_pile_up) {
  TTimer* timer = StartTimer("t", 100);
  bool first = true;
  timer->SetOnTimer([&](TObject*) {
    m_ticks.emplace_back("t", m_backend.NowMs());
    // The handler takes 350 ms: the ticks due at 200, 300 and 400 fall due meanwhile.
    if (std::exchange(first, false)) m_backend.SetNow(m_backend.NowMs() + 350);
  });
  m_app.RunUntil(700);
  EXPECT_EQ(TimesOf("t"), (Times{100, 450, 550, 650}));
}

TEST_F(TimerTest, a_handler_may_change_its_own_timer) {
  TTimer* timer = StartTimer("t", 100);
  timer->SetOnTimer([&](TObject*) {
    m_ticks.emplace_back("t", m_backend.NowMs());
    if (m_ticks.size() == 1) timer->SetInterval(300);
    if (m_ticks.size() == 3) timer->SetEnabled(false);
  });
  m_app.RunUntil(5000);
  EXPECT_EQ(TimesOf("t"), (Times{100, 400, 700}));
}

TEST_F(TimerTest, errors_in_a_handler_are_reported_and_the_timer_keeps_ticking) {
  TTimer* timer = StartTimer("t", 100);
  timer->SetOnTimer([this](TObject*) {
    m_ticks.emplace_back("t", m_backend.NowMs());
    throw EOutOfResources("タイマーを取得できません");
  });
  m_app.RunUntil(300);
  EXPECT_EQ(TimesOf("t"), (Times{100, 200, 300}));
  ASSERT_EQ(m_backend.ErrorBoxes().size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(m_backend.ErrorBoxes()[i].time_ms, int64_t(100 * (i + 1)));
    EXPECT_EQ(m_backend.ErrorBoxes()[i].text, "タイマーを取得できません.");
    EXPECT_EQ(m_backend.ErrorBoxes()[i].title, "Widget Test");
  }
}

TEST_F(TimerTest, standard_errors_in_a_handler_are_reported_too) {
  TTimer* timer = StartTimer("t", 100);
  timer->SetOnTimer([](TObject*) { throw std::runtime_error("out of range"); });
  m_app.RunUntil(100);
  ASSERT_EQ(m_backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(m_backend.ErrorBoxes()[0].text, "out of range.");
}

// Ticks on a real clock: the backend ends a wait for a deadline under a millisecond away at
// once, without the clock reaching it, as the X11 backend does. A second wait for the same
// deadline sleeps until it, so that a loop that does not take the first for the deadline
// shows as a second wake-up instead of spinning.
class EarlyWakingBackend : public HeadlessBackend {
 public:
  EarlyWakingBackend() : HeadlessBackend({640, 480}) {}
  std::optional<InputEvent> WaitEvent(int64_t deadline_ms) override {
    const bool close = deadline_ms > NowMs() && deadline_ms - NowMs() <= 1;
    if (close && deadline_ms != m_ended_early) {
      m_ended_early = deadline_ms;
      return HeadlessBackend::WaitEvent(NowMs());
    }
    if (deadline_ms > NowMs()) ++m_wake_ups;
    return HeadlessBackend::WaitEvent(deadline_ms);
  }
  int WakeUps() const { return m_wake_ups; }

 private:
  int64_t m_ended_early = -1;
  int m_wake_ups = 0;
};

class RealClockTimerTest : public TimerTest {
 protected:
  RealClockTimerTest() : TimerTest(std::make_unique<EarlyWakingBackend>()) {}
};

TEST_F(RealClockTimerTest, ticks_due_within_a_millisecond_run_on_one_wake_up_in_their_order) {
  StartTimer("a", 100);
  m_backend.SetNow(1);
  StartTimer("b", 100);
  StartTimer("c", 99);
  m_app.RunUntil(150);
  // a and c are due at 100, a started first; b is due at 101.
  EXPECT_EQ(m_ticks, (std::vector<Tick>{{"a", 100}, {"c", 100}, {"b", 100}}));
  // One wake-up for the three ticks, one for the end of the run.
  EXPECT_EQ(static_cast<EarlyWakingBackend&>(m_backend).WakeUps(), 2);
  // Each keeps its own rhythm.
  m_app.RunUntil(250);
  EXPECT_EQ(TimesOf("b"), (Times{100, 201}));
}

// A backend whose platform can hold the frames it is given, as a compositor that does not
// show them or a display server whose screens are dark does, counting its waits that end
// without an event.
class HoldingBackend : public HeadlessBackend {
 public:
  HoldingBackend() : HeadlessBackend({640, 480}) {}
  bool FrameInUse(WindowHandle) override { return m_held; }
  std::optional<InputEvent> WaitEvent(int64_t deadline_ms) override {
    std::optional<InputEvent> event = HeadlessBackend::WaitEvent(deadline_ms);
    if (!event) ++m_timeouts;
    return event;
  }
  void Hold() { m_held = true; }
  void Release(WindowHandle window) {
    m_held = false;
    InputEvent released;
    released.type = EventType::FrameReleased;
    released.window = window;
    PostEvent(released);
  }
  int Timeouts() const { return m_timeouts; }

 private:
  bool m_held = false;
  int m_timeouts = 0;
};

class HeldFrameTimerTest : public TimerTest {
 protected:
  HeldFrameTimerTest() : TimerTest(std::make_unique<HoldingBackend>()) {}
  HoldingBackend& Backend() { return static_cast<HoldingBackend&>(m_backend); }
};

TEST_F(HeldFrameTimerTest, ticks_sleep_while_the_frame_is_held_and_go_on_with_one_late_tick) {
  ShowAndPaint();
  // Each tick changes the picture, as the car's do.
  TTimer* timer = StartTimer("car", 100);
  TNotifyEvent record = timer->OnTimer();
  timer->SetOnTimer([&, record](TObject* sender) {
    record(sender);
    m_form->SetColor(m_form->Color() == clWhite ? clBlack : clWhite);
  });
  m_app.RunUntil(250);
  ASSERT_EQ(TimesOf("car"), (Times{100, 200}));

  Backend().Hold();
  const int64_t presents = m_backend.PresentCalls();
  const int timeouts = Backend().Timeouts();
  m_app.RunUntil(5000);
  // Nothing ticked, nothing was sent, and the program slept but for the tick that found the
  // frame held and the end of the run.
  EXPECT_EQ(TimesOf("car"), (Times{100, 200}));
  EXPECT_EQ(m_backend.PresentCalls(), presents);
  EXPECT_LE(Backend().Timeouts() - timeouts, 2);

  // Shown again: the late tick runs once, no burst of the missed ones, with its frame at once;
  // then the timer keeps its interval from there.
  Backend().Release(m_form->Handle());
  m_app.RunUntil(5001);
  EXPECT_EQ(TimesOf("car"), (Times{100, 200, 5000}));
  EXPECT_EQ(m_backend.PresentCalls(), presents + 1);
  m_app.RunUntil(5250);
  EXPECT_EQ(TimesOf("car"), (Times{100, 200, 5000, 5100, 5200}));
}

// A timer of a form description

class DescribedTimerTest : public WidgetTest {};

TEST_F(DescribedTimerTest, a_timer_enabled_by_its_description_counts_from_the_load) {
  std::vector<int64_t> ticks;
  m_backend.SetNow(1000);
  TestForm* form = MakeForm(
      "object TestForm: TestForm\n"
      "  ClientWidth = 10\n"
      "  ClientHeight = 10\n"
      "  object Tick: TTimer\n"
      "    Interval = 100\n"
      "    OnTimer = TickTimer\n"
      "  end\n"
      "end\n",
      [&](TestForm& f) {
        f.RegisterHandler("TickTimer",
                          TNotifyEvent([&](TObject*) { ticks.push_back(m_backend.NowMs()); }));
      });
  ASSERT_EQ(form->Timers().size(), 1u);
  EXPECT_TRUE(form->Timers()[0]->Running());
  EXPECT_EQ(form->Timers()[0]->NextDueMs(), 1100);
  // Nothing ticks until the event loop runs; then the late tick comes once.
  m_backend.SetNow(1350);
  EXPECT_TRUE(ticks.empty());
  m_app.RunUntil(1500);
  EXPECT_EQ(ticks, (std::vector<int64_t>{1350, 1450}));
}

}  // namespace
}  // namespace vt::test

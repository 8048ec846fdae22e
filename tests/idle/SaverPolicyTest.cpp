// When the idle starter starts and stops the saver: idle, input, inhibitors and locks in the
// orders a desktop reports them.
#include <gtest/gtest.h>

#include "idle/SaverPolicy.h"

namespace vt {
namespace {

using Action = SaverPolicy::Action;
constexpr int64_t kIdleMs = 5000;

TEST(SaverPolicy, idle_starts_one_saver_and_its_end_waits_for_the_next_idle_period) {
  SaverPolicy policy(kIdleMs);
  EXPECT_EQ(policy.ActiveAgain(), Action::None);
  EXPECT_EQ(policy.IdleNow(), Action::StartSaver);
  EXPECT_TRUE(policy.SaverRunning());
  // One saver at a time.
  EXPECT_EQ(policy.IdleNow(), Action::None);
  // Input ends the saver by itself; the source may report it before or after the end.
  EXPECT_EQ(policy.SaverEnded(), Action::None);
  EXPECT_FALSE(policy.SaverRunning());
  EXPECT_EQ(policy.ActiveAgain(), Action::None);
  EXPECT_EQ(policy.IdleNow(), Action::StartSaver);
  EXPECT_EQ(policy.ActiveAgain(), Action::None);
  EXPECT_EQ(policy.SaverEnded(), Action::None);
  EXPECT_EQ(policy.IdleNow(), Action::StartSaver);
  EXPECT_FALSE(policy.Deadline());
}

TEST(SaverPolicy, a_saver_that_ended_without_input_is_not_started_again_until_the_next_idle) {
  SaverPolicy policy(kIdleMs);
  ASSERT_EQ(policy.IdleNow(), Action::StartSaver);
  EXPECT_EQ(policy.SaverEnded(), Action::None);
  // Nothing told of input, and no time to wait for: nothing starts.
  EXPECT_FALSE(policy.Deadline());
  EXPECT_EQ(policy.DeadlinePassed(1'000'000), Action::None);
  EXPECT_EQ(policy.Locked(Reporter::Logind, true, 0), Action::None);
  EXPECT_EQ(policy.Locked(Reporter::Logind, false, 10), Action::None);
  EXPECT_FALSE(policy.Deadline());
  EXPECT_EQ(policy.DeadlinePassed(1'000'000), Action::None);
  EXPECT_FALSE(policy.SaverRunning());
}

TEST(SaverPolicy, an_inhibitor_keeps_it_away_and_its_release_waits_one_more_idle_time) {
  SaverPolicy policy(kIdleMs);
  EXPECT_EQ(policy.Inhibited(Reporter::KdePowerManagement, true, 0), Action::None);
  EXPECT_EQ(policy.IdleNow(), Action::None);
  EXPECT_FALSE(policy.SaverRunning());
  EXPECT_EQ(policy.Inhibited(Reporter::KdePowerManagement, false, 10'000), Action::None);
  ASSERT_TRUE(policy.Deadline());
  EXPECT_EQ(*policy.Deadline(), 10'000 + kIdleMs);
  EXPECT_EQ(policy.DeadlinePassed(10'000 + kIdleMs - 1), Action::None);
  EXPECT_EQ(policy.DeadlinePassed(10'000 + kIdleMs), Action::StartSaver);
  EXPECT_FALSE(policy.Deadline());
}

TEST(SaverPolicy, input_after_the_release_calls_off_the_saver_that_was_to_follow) {
  SaverPolicy policy(kIdleMs);
  policy.Inhibited(Reporter::Logind, true, 0);
  policy.IdleNow();
  policy.Inhibited(Reporter::Logind, false, 1000);
  EXPECT_EQ(policy.ActiveAgain(), Action::None);
  EXPECT_FALSE(policy.Deadline());
  EXPECT_EQ(policy.DeadlinePassed(1000 + kIdleMs), Action::None);
  // The source's next idle report starts it.
  EXPECT_EQ(policy.IdleNow(), Action::StartSaver);
}

TEST(SaverPolicy, a_release_without_idleness_or_with_others_still_inhibiting_starts_nothing) {
  SaverPolicy policy(kIdleMs);
  policy.Inhibited(Reporter::Logind, true, 0);
  policy.Inhibited(Reporter::Logind, false, 0);
  EXPECT_FALSE(policy.Deadline());

  policy.Inhibited(Reporter::Logind, true, 0);
  policy.Inhibited(Reporter::KdePowerManagement, true, 0);
  policy.IdleNow();
  policy.Inhibited(Reporter::Logind, false, 100);
  EXPECT_TRUE(policy.Blocked());
  EXPECT_FALSE(policy.Deadline());
  EXPECT_EQ(policy.IdleNow(), Action::None);
  // A reporter that says it again changes nothing; the last one's release counts.
  policy.Inhibited(Reporter::Logind, false, 200);
  EXPECT_TRUE(policy.Blocked());
  policy.Inhibited(Reporter::KdePowerManagement, false, 300);
  EXPECT_FALSE(policy.Blocked());
  ASSERT_TRUE(policy.Deadline());
  EXPECT_EQ(*policy.Deadline(), 300 + kIdleMs);
  // Inhibited again before the time: called off.
  policy.Inhibited(Reporter::Logind, true, 400);
  EXPECT_FALSE(policy.Deadline());
}

TEST(SaverPolicy, the_lock_stops_a_running_saver_once_and_keeps_the_next_away) {
  SaverPolicy policy(kIdleMs);
  ASSERT_EQ(policy.IdleNow(), Action::StartSaver);
  EXPECT_EQ(policy.Locked(Reporter::GnomeScreenSaver, true, 1000), Action::StopSaver);
  // Told again, by the same or another reporter, while it ends: asked once.
  EXPECT_EQ(policy.Locked(Reporter::GnomeScreenSaver, true, 1100), Action::None);
  EXPECT_EQ(policy.Locked(Reporter::Logind, true, 1200), Action::None);
  EXPECT_EQ(policy.SaverEnded(), Action::None);
  EXPECT_EQ(policy.Locked(Reporter::GnomeScreenSaver, false, 2000), Action::None);
  EXPECT_FALSE(policy.Deadline());
  EXPECT_EQ(policy.Locked(Reporter::Logind, false, 3000), Action::None);
  // Unlocked with the session still idle (no input came, no idle report will come before
  // some does): one more idle time, then the saver again.
  ASSERT_TRUE(policy.Deadline());
  EXPECT_EQ(policy.DeadlinePassed(3000 + kIdleMs), Action::StartSaver);
  // A new saver is stopped by the next lock too.
  EXPECT_EQ(policy.Locked(Reporter::KdeScreenSaver, true, 9000), Action::StopSaver);
}

TEST(SaverPolicy, an_inhibitor_leaves_a_running_saver_alone) {
  SaverPolicy policy(kIdleMs);
  ASSERT_EQ(policy.IdleNow(), Action::StartSaver);
  EXPECT_EQ(policy.Inhibited(Reporter::KdePowerManagement, true, 100), Action::None);
  EXPECT_TRUE(policy.SaverRunning());
  EXPECT_EQ(policy.Inhibited(Reporter::KdePowerManagement, false, 200), Action::None);
  EXPECT_FALSE(policy.Deadline());
  EXPECT_TRUE(policy.SaverRunning());
}

}  // namespace
}  // namespace vt

// Which of logind's lists of blocked operations hold idleness off.
#include <gtest/gtest.h>

#include "idle/LogindWatch.h"

namespace vt {
namespace {

TEST(LogindInhibitors, idle_anywhere_in_the_list_holds_the_saver_off) {
  EXPECT_TRUE(LogindWatch::NamesIdle("idle"));
  EXPECT_TRUE(LogindWatch::NamesIdle("idle:sleep"));
  EXPECT_TRUE(LogindWatch::NamesIdle("shutdown:idle:sleep"));
  EXPECT_TRUE(LogindWatch::NamesIdle("shutdown:sleep:idle"));
}

TEST(LogindInhibitors, other_operations_and_names_that_only_contain_idle_do_not) {
  EXPECT_FALSE(LogindWatch::NamesIdle(""));
  EXPECT_FALSE(LogindWatch::NamesIdle("shutdown:sleep:handle-lid-switch"));
  EXPECT_FALSE(LogindWatch::NamesIdle("idleness:sleep"));
  EXPECT_FALSE(LogindWatch::NamesIdle("sleep:handle-idle"));
  EXPECT_FALSE(LogindWatch::NamesIdle(":"));
}

}  // namespace
}  // namespace vt

// "--idle SECONDS" on the command line: which starts select the idle starter, and which idle
// times it takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "idle/IdleArguments.h"

namespace vt {
namespace {

std::optional<int> Parse(std::vector<std::string> args, std::string* error) {
  return ParseIdleSeconds(args, error);
}

TEST(IdleArguments, only_the_exact_switch_selects_the_idle_starter) {
  EXPECT_TRUE(IsIdleStart({"--idle", "300"}));
  EXPECT_TRUE(IsIdleStart({"--idle"}));
  for (const char* other : {"--idle=300", "-idle", "--IDLE", "--idlе", "/idle", "/s", ""}) {
    EXPECT_FALSE(IsIdleStart({other, "300"})) << other;
  }
  EXPECT_FALSE(IsIdleStart({}));
  // Only as the first argument.
  EXPECT_FALSE(IsIdleStart({"/s", "--idle", "300"}));
}

TEST(IdleArguments, whole_seconds_from_one_to_a_day_are_taken) {
  std::string error;
  EXPECT_EQ(Parse({"--idle", "1"}, &error), 1);
  EXPECT_EQ(Parse({"--idle", "300"}, &error), 300);
  EXPECT_EQ(Parse({"--idle", "86400"}, &error), 86400);
  EXPECT_EQ(Parse({"--idle", "0300"}, &error), 300);
  EXPECT_EQ(Parse({"--idle", "000000000000000000000000001"}, &error), 1);
  // What follows is ignored, as the other modes ignore it.
  EXPECT_EQ(Parse({"--idle", "60", "/s"}, &error), 60);
  EXPECT_EQ(error, "");
}

TEST(IdleArguments, a_missing_idle_time_says_what_is_wanted) {
  std::string error;
  EXPECT_FALSE(Parse({"--idle"}, &error));
  EXPECT_EQ(error,
            "--idle needs the idle time, a whole number of seconds from 1 to 86400, as in "
            "\"vantorel --idle 300\"");
  error.clear();
  EXPECT_FALSE(Parse({"--idle", ""}, &error));
  EXPECT_NE(error.find("needs the idle time"), std::string::npos) << error;
}

TEST(IdleArguments, anything_but_whole_seconds_in_range_is_refused_with_what_was_given) {
  for (const char* bad : {"0", "00", "-5", "+5", " 5", "5 ", "5s", "1.5", "1e3", "abc", "0x10",
                          "86401", "100000", "99999999999999999999999999", "٣"}) {
    std::string error;
    EXPECT_FALSE(Parse({"--idle", bad}, &error)) << bad;
    EXPECT_EQ(error, std::string("--idle ") + bad +
                         ": the idle time must be a whole number of seconds from 1 to 86400")
        << bad;
  }
}

}  // namespace
}  // namespace vt

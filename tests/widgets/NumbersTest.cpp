#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "widgets/Numbers.h"
#include "widgets/PlatformFiles.h"

namespace vt {
namespace {

std::vector<int32_t> Draws(uint32_t seed, int32_t below, int count) {
  RandomGenerator random;
  random.SetSeed(seed);
  std::vector<int32_t> out;
  for (int i = 0; i < count; ++i) out.push_back(random.Below(below));
  return out;
}

// Random generator

TEST(RandomGenerator, starts_from_seed_zero) {
  RandomGenerator random;
  EXPECT_EQ(random.Seed(), 0u);
}

TEST(RandomGenerator, draws_below_six_from_seed_zero) {
  EXPECT_EQ(Draws(0, 6, 5), (std::vector<int32_t>{0, 0, 5, 1, 1}));
}

TEST(RandomGenerator, draws_below_a_hundred_from_seed_zero) {
  EXPECT_EQ(Draws(0, 100, 5), (std::vector<int32_t>{0, 3, 86, 20, 27}));
}

TEST(RandomGenerator, each_draw_advances_the_seed_once_by_the_linear_step) {
  RandomGenerator random;
  random.Below(6);
  EXPECT_EQ(random.Seed(), 1u);
  random.Below(100);
  EXPECT_EQ(random.Seed(), 134775814u);
  random.SetSeed(0xFFFFFFFFu);
  random.Below(1);
  // 0xFFFFFFFF * 134775813 + 1 modulo 2^32.
  EXPECT_EQ(random.Seed(), uint32_t(0xFFFFFFFFu * 134775813u + 1u));
  EXPECT_EQ(random.Seed(), 4160191484u);
}

TEST(RandomGenerator, a_draw_below_one_is_always_zero_and_still_advances) {
  RandomGenerator random;
  random.SetSeed(12345);
  uint32_t expected_seed = 12345;
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(random.Below(1), 0);
    expected_seed = expected_seed * 134775813u + 1u;
    ASSERT_EQ(random.Seed(), expected_seed);
  }
}

TEST(RandomGenerator, result_is_the_high_half_of_seed_times_n) {
  RandomGenerator random;
  random.SetSeed(0x12345678u);
  uint32_t next = 0x12345678u * 134775813u + 1u;
  EXPECT_EQ(random.Below(1000), int32_t((uint64_t(next) * 1000u) >> 32));
  // Large n uses all 32 bits of n.
  random.SetSeed(7);
  next = 7u * 134775813u + 1u;
  EXPECT_EQ(random.Below(INT32_MAX), int32_t((uint64_t(next) * uint64_t(INT32_MAX)) >> 32));
}

TEST(RandomGenerator, every_draw_lies_below_n) {
  RandomGenerator random;
  random.SetSeed(99);
  std::vector<int> seen(7, 0);
  for (int i = 0; i < 7000; ++i) {
    int32_t v = random.Below(7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    ++seen[size_t(v)];
  }
  for (int count : seen) EXPECT_GT(count, 800);
}

TEST(RandomGenerator, seed_for_time_of_day_counts_milliseconds_since_midnight) {
  EXPECT_EQ(SeedForTimeOfDay(0, 0, 0, 0), 0u);
  EXPECT_EQ(SeedForTimeOfDay(0, 0, 1, 5), 1005u);
  EXPECT_EQ(SeedForTimeOfDay(12, 34, 56, 789), 45296789u);
  EXPECT_EQ(SeedForTimeOfDay(23, 59, 59, 999), 86399999u);
}

TEST(RandomGenerator, seed_from_clock_is_the_current_utc_time_of_day) {
  using namespace std::chrono;
  constexpr int64_t kDay = 24LL * 60 * 60 * 1000;
  auto ms_of_day = [] {
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() % kDay;
  };
  int64_t before = ms_of_day();
  RandomGenerator random;
  random.SeedFromClock();
  int64_t after = ms_of_day();
  int64_t seed = random.Seed();
  EXPECT_LT(seed, kDay);
  if (before <= after) {
    EXPECT_GE(seed, before);
    EXPECT_LE(seed, after);
  } else {  // midnight passed in between
    EXPECT_TRUE(seed >= before || seed <= after) << seed;
  }
}

// Rounding

TEST(Rounding, halves_go_to_the_even_integer) {
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(3.5L), 4);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  EXPECT_EQ(RoundHalfEven(-3.5L), -4);
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(-0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1.5L), 2);
}

TEST(Rounding, halves_met_in_the_layout) {
  EXPECT_EQ(RoundHalfEven(14062.5L), 14062);
  EXPECT_EQ(RoundHalfEven(772.5L), 772);
  EXPECT_EQ(RoundHalfEven(87.5L), 88);
  EXPECT_EQ(RoundHalfEven(34.5L), 34);
  EXPECT_EQ(RoundHalfEven(593.5L), 594);
}

TEST(Rounding, exact_quotients_round_as_the_real_value_would) {
  // 1080 x 96 x 10000 / (96 x 768) is 14062.5; 2 / 4 and 6 / 4 are halves either side of even.
  EXPECT_EQ(RoundHalfEvenQuotient(1080LL * 96 * 10000, 96LL * 768), 14062);
  EXPECT_EQ(RoundHalfEvenQuotient(2, 4), 0);
  EXPECT_EQ(RoundHalfEvenQuotient(6, 4), 2);
  EXPECT_EQ(RoundHalfEvenQuotient(-6, 4), -2);
  EXPECT_EQ(RoundHalfEvenQuotient(-2, 4), 0);
  // 960 x 96 / 72 is 1280: 16666.67 rounds up, 1600 x 96 / 144 / 768 gives 13888.89.
  EXPECT_EQ(RoundHalfEvenQuotient(960LL * 96 * 10000, 72LL * 768), 16667);
  EXPECT_EQ(RoundHalfEvenQuotient(1600LL * 96 * 10000, 144LL * 768), 13889);
  EXPECT_EQ(RoundHalfEvenQuotient(-7, 3), -2);
  EXPECT_EQ(RoundHalfEvenQuotient(7, 3), 2);
  EXPECT_EQ(RoundHalfEvenQuotient(8, 3), 3);
}

TEST(Rounding, other_values_go_to_the_nearest_integer) {
  EXPECT_EQ(RoundHalfEven(2.4999L), 2);
  EXPECT_EQ(RoundHalfEven(2.5001L), 3);
  EXPECT_EQ(RoundHalfEven(-2.5001L), -3);
  EXPECT_EQ(RoundHalfEven(-2.4999L), -2);
  EXPECT_EQ(RoundHalfEven(7.0L), 7);
  EXPECT_EQ(RoundHalfEven(-7.0L), -7);
  EXPECT_EQ(RoundHalfEven(0.0L), 0);
}

TEST(Rounding, works_on_the_extended_precision_value) {
  // 2^53 + 0.5 is not a double, but it is a long double: it is a tie and goes to the even
  // neighbour 2^53.
  long double big = 9007199254740992.0L + 0.5L;
  EXPECT_EQ(RoundHalfEven(big), 9007199254740992LL);
  EXPECT_EQ(RoundHalfEven(big + 1.0L), 9007199254740994LL);
  // Just above a half in extended precision only.
  EXPECT_EQ(RoundHalfEven(2.5L + 1e-17L), 3);
  // Results beyond 32 bits.
  EXPECT_EQ(RoundHalfEven(5000000000.5L), 5000000000LL);
  EXPECT_EQ(RoundHalfEven(-5000000001.5L), -5000000002LL);
}

TEST(Rounding, trunc_goes_towards_zero) {
  EXPECT_EQ(Trunc(2.9L), 2);
  EXPECT_EQ(Trunc(-2.9L), -2);
  EXPECT_EQ(Trunc(0.999L), 0);
  EXPECT_EQ(Trunc(-0.999L), 0);
  EXPECT_EQ(Trunc(78.0L), 78);
  EXPECT_EQ(Trunc(100.0L * 39.0L / 50.0L), 78);
  EXPECT_EQ(Trunc(6000000000.7L), 6000000000LL);
}

// MulDiv

TEST(MulDiv, rounds_to_the_nearest_integer) {
  EXPECT_EQ(MulDiv(10, 15, 12), 13);  // 12.5
  EXPECT_EQ(MulDiv(7, 15, 12), 9);    // 8.75
  EXPECT_EQ(MulDiv(43, 15, 12), 54);  // 53.75
  EXPECT_EQ(MulDiv(11, 15, 12), 14);  // 13.75
  EXPECT_EQ(MulDiv(13, 15, 12), 16);  // 16.25
  EXPECT_EQ(MulDiv(-12, 120, 96), -15);
  EXPECT_EQ(MulDiv(100, 1, 3), 33);
  EXPECT_EQ(MulDiv(200, 1, 3), 67);
}

TEST(MulDiv, halves_go_away_from_zero) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, -2), 3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(1, 1, 2), 1);
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
}

TEST(MulDiv, negative_operands_round_symmetrically) {
  EXPECT_EQ(MulDiv(-7, 15, 12), -9);
  EXPECT_EQ(MulDiv(-11, 15, 12), -14);
  EXPECT_EQ(MulDiv(-13, 15, 12), -16);
  EXPECT_EQ(MulDiv(-20, 72, 120), -12);
  EXPECT_EQ(MulDiv(-20, 72, 144), -10);
  EXPECT_EQ(MulDiv(100, -1, 3), -33);
}

TEST(MulDiv, the_product_does_not_overflow_32_bits) {
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
  EXPECT_EQ(MulDiv(-2000000000, 3, 4), -1500000000);
  EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
  EXPECT_EQ(MulDiv(65536, 65536, 65536), 65536);
}

TEST(MulDiv, division_by_zero_gives_minus_one) {
  EXPECT_EQ(MulDiv(5, 7, 0), -1);
  EXPECT_EQ(MulDiv(0, 0, 0), -1);
}

// Text and paths

TEST(IntToStr, decimal_without_leading_zeros) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(7), "7");
  EXPECT_EQ(IntToStr(10), "10");
  EXPECT_EQ(IntToStr(1234567), "1234567");
  EXPECT_EQ(IntToStr(-5), "-5");
  EXPECT_EQ(IntToStr(-100), "-100");
  EXPECT_EQ(IntToStr(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

// Paths written with "/" and turned into the platform's own, so that the cases hold on both.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', PathDelim);
  return path;
}

TEST(Paths, extract_file_path_keeps_everything_up_to_the_last_delimiter) {
  EXPECT_EQ(ExtractFilePath(Native("/usr/lib/vantorel/vantorel.scr")),
            Native("/usr/lib/vantorel/"));
  EXPECT_EQ(ExtractFilePath(Native("/home/user/bin/saver")), Native("/home/user/bin/"));
  EXPECT_EQ(ExtractFilePath(Native("/a/b.c/d")), Native("/a/b.c/"));
  EXPECT_EQ(ExtractFilePath(Native("/a/b/")), Native("/a/b/"));
  EXPECT_EQ(ExtractFilePath(Native("/vantorel")), Native("/"));
  EXPECT_EQ(ExtractFilePath("vantorel"), "");
  EXPECT_EQ(ExtractFilePath(""), "");
}

TEST(Paths, include_trailing_path_delimiter_adds_one_only_when_missing) {
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("/usr/lib/vantorel")),
            Native("/usr/lib/vantorel/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("/usr/lib/vantorel/")),
            Native("/usr/lib/vantorel/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(Native("/")), Native("/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter("data"), Native("data/"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), Native("/"));
}

TEST(Paths, folder_of_the_program_file_ends_with_a_delimiter) {
  std::string exe = ProgramFilePath();
  ASSERT_FALSE(exe.empty());
#ifdef _WIN32
  // A drive letter and a colon, then the root folder.
  ASSERT_GE(exe.size(), 3u);
  EXPECT_EQ(exe.substr(1, 2), ":\\");
  const std::string name = "test_widgets.exe";
#else
  EXPECT_EQ(exe.front(), '/');
  const std::string name = "test_widgets";
#endif
  std::string folder = ExtractFilePath(exe);
  EXPECT_EQ(folder + exe.substr(folder.size()), exe);
  EXPECT_EQ(exe.substr(folder.size()), name);
  EXPECT_EQ(IncludeTrailingPathDelimiter(folder), folder);
}

}  // namespace
}  // namespace vt

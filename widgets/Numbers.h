#pragma once

#include <cstdint>
#include <string>

namespace vt {

// The program's one random generator: a 32-bit linear congruential sequence, so that a
// given seed always gives the same scene.
class RandomGenerator {
 public:
  uint32_t Seed() const { return m_seed; }
  void SetSeed(uint32_t seed) { m_seed = seed; }
  // Milliseconds since midnight UTC.
  void SeedFromClock();
  // A uniform integer from 0 to n - 1 (n >= 1); advances the seed once.
  int32_t Below(int32_t n);

 private:
  uint32_t m_seed = 0;
};

// The seed that SeedFromClock takes for a time of day given in UTC.
uint32_t SeedForTimeOfDay(int hour, int minute, int second, int millisecond);

// Round to nearest, ties to the even integer, on the extended-precision value.
int64_t RoundHalfEven(long double value);
// numerator / denominator (denominator > 0) rounded the same way, exactly.
int64_t RoundHalfEvenQuotient(int64_t numerator, int64_t denominator);
// Towards zero.
int64_t Trunc(long double value);
// a * b / c rounded to the nearest integer (halves away from zero); -1 when c is 0.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
// No leading zeros, "-" before a negative number.
std::string IntToStr(int64_t value);

// Path services. The delimiter is the platform's.
#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif
// Everything up to and including the last path delimiter; "" when there is none.
std::string ExtractFilePath(const std::string& path);
std::string IncludeTrailingPathDelimiter(const std::string& path);

}  // namespace vt

#include "widgets/Numbers.h"

#include <chrono>
#include <cmath>

namespace vt {

uint32_t SeedForTimeOfDay(int hour, int minute, int second, int millisecond) {
  return uint32_t(((hour * 60 + minute) * 60 + second) * 1000 + millisecond);
}

void RandomGenerator::SeedFromClock() {
  using namespace std::chrono;
  auto since_epoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
  m_seed = uint32_t(since_epoch.count() % (24LL * 60 * 60 * 1000));
}

int32_t RandomGenerator::Below(int32_t n) {
  m_seed = m_seed * 134775813u + 1u;
  return int32_t((uint64_t(m_seed) * uint64_t(uint32_t(n))) >> 32);
}

int64_t RoundHalfEven(long double value) {
  long double floor_value = std::floor(value);
  long double diff = value - floor_value;
  int64_t result = int64_t(floor_value);
  if (diff > 0.5L) return result + 1;
  if (diff < 0.5L) return result;
  return (result % 2 == 0) ? result : result + 1;
}

int64_t RoundHalfEvenQuotient(int64_t numerator, int64_t denominator) {
  int64_t quotient = numerator / denominator;
  int64_t remainder = numerator % denominator;
  // Floor division, so that the remainder is never negative.
  if (remainder < 0) {
    quotient -= 1;
    remainder += denominator;
  }
  const int64_t twice = 2 * remainder;
  if (twice > denominator) return quotient + 1;
  if (twice < denominator) return quotient;
  return (quotient % 2 == 0) ? quotient : quotient + 1;
}

int64_t Trunc(long double value) { return int64_t(value); }

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = int64_t(a) * b;
  int64_t half = (c < 0 ? -int64_t(c) : int64_t(c)) / 2;
  bool negative = (product < 0) != (c < 0);
  int64_t magnitude = (product < 0 ? -product : product) + half;
  int64_t quotient = magnitude / (c < 0 ? -int64_t(c) : int64_t(c));
  return int32_t(negative ? -quotient : quotient);
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

std::string ExtractFilePath(const std::string& path) {
  size_t pos = path.find_last_of(PathDelim);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == PathDelim) return path;
  return path + PathDelim;
}

}  // namespace vt

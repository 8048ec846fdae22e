#pragma once

#include <cstdint>

namespace vt {

// The generator's own seeded random numbers (SplitMix64), so that every run writes the same
// bytes whatever the platform's library does.
class Random {
 public:
  explicit Random(uint64_t seed) : m_state(seed) {}

  uint64_t Next();
  // Uniform in [0, 1).
  float Unit();
  // Uniform in [lo, hi).
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
  // Uniform integer in [lo, hi].
  int Between(int lo, int hi);
  bool Chance(float p) { return Unit() < p; }

 private:
  uint64_t m_state;
};

// Stateless hashes for per-pixel and per-window decisions, which must not depend on the order
// in which things are drawn.
uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0);
float HashUnit(uint32_t a, uint32_t b = 0, uint32_t c = 0);

// Smooth value noise on a unit lattice, 0..1, and its sum over octaves.
float ValueNoise(float x, float y, uint32_t seed);
float FractalNoise(float x, float y, uint32_t seed, int octaves);

}  // namespace vt

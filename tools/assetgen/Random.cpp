#include "tools/assetgen/Random.h"

#include <cmath>

namespace vt {

uint64_t Random::Next() {
  uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

float Random::Unit() {
  return float(Next() >> 40) / float(1 << 24);
}

int Random::Between(int lo, int hi) {
  return lo + int(Next() % uint64_t(hi - lo + 1));
}

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float HashUnit(uint32_t a, uint32_t b, uint32_t c) {
  return float(Hash(a, b, c) >> 8) / float(1 << 24);
}

float ValueNoise(float x, float y, uint32_t seed) {
  const float fx = std::floor(x);
  const float fy = std::floor(y);
  const int ix = int(fx);
  const int iy = int(fy);
  float tx = x - fx;
  float ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const float a = HashUnit(uint32_t(ix), uint32_t(iy), seed);
  const float b = HashUnit(uint32_t(ix + 1), uint32_t(iy), seed);
  const float c = HashUnit(uint32_t(ix), uint32_t(iy + 1), seed);
  const float d = HashUnit(uint32_t(ix + 1), uint32_t(iy + 1), seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float FractalNoise(float x, float y, uint32_t seed, int octaves) {
  float sum = 0;
  float amp = 0.5f;
  float norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + uint32_t(i) * 1013u) * amp;
    norm += amp;
    amp *= 0.5f;
    x = x * 2.03f + 17.1f;
    y = y * 2.03f + 5.3f;
  }
  return sum / norm;
}

}  // namespace vt

#pragma once

// Builds Windows bitmap files byte by byte for the decoder tests, independently of the
// decoder: every field is written as the tests ask, also the wrong ones.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace vt::test {

struct BmpFields {
  uint32_t header_size = 40;  // 12, 40, 52, 56, 108 or 124; anything else for broken files
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top to bottom
  uint16_t bit_count = 24;
  uint32_t compression = 0;
  uint32_t colors_used = 0;
  // Colour table entries as 0x00RRGGBB; written as 3 bytes each after a core header.
  std::vector<uint32_t> palette{};
  // Red, green, blue masks: after a 40-byte header they follow it, in a larger header they
  // go to their place inside it.
  std::optional<std::vector<uint32_t>> masks{};
  // Bytes placed between the colour table and the pixels.
  std::vector<uint8_t> gap{};
  std::vector<uint8_t> pixels{};
  // Replaces the computed offset of the pixels.
  std::optional<uint32_t> data_offset{};
  char magic[2] = {'B', 'M'};
};

inline void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}

inline void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

inline std::vector<uint8_t> WriteBmp(const BmpFields& f) {
  const bool core = f.header_size == 12;
  std::vector<uint8_t> out(14 + std::max<uint32_t>(f.header_size, 4), 0);
  out[0] = uint8_t(f.magic[0]);
  out[1] = uint8_t(f.magic[1]);
  PutU32(out, 14, f.header_size);
  if (core) {
    PutU16(out, 18, uint32_t(f.width));
    PutU16(out, 20, uint32_t(f.height));
    PutU16(out, 22, 1);
    PutU16(out, 24, f.bit_count);
  } else if (f.header_size >= 40) {
    PutU32(out, 18, uint32_t(f.width));
    PutU32(out, 22, uint32_t(f.height));
    PutU16(out, 26, 1);
    PutU16(out, 28, f.bit_count);
    PutU32(out, 30, f.compression);
    PutU32(out, 34, uint32_t(f.pixels.size()));
    PutU32(out, 38, 2835);
    PutU32(out, 42, 2835);
    PutU32(out, 46, f.colors_used);
  }
  if (f.masks) {
    if (f.header_size >= 52) {
      for (size_t i = 0; i < f.masks->size() && i < 3; ++i) PutU32(out, 54 + 4 * i, (*f.masks)[i]);
    } else {
      for (uint32_t m : *f.masks) {
        out.resize(out.size() + 4);
        PutU32(out, out.size() - 4, m);
      }
    }
  }
  for (uint32_t c : f.palette) {
    out.push_back(uint8_t(c));
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c >> 16));
    if (!core) out.push_back(0);
  }
  out.insert(out.end(), f.gap.begin(), f.gap.end());
  PutU32(out, 10, f.data_offset.value_or(uint32_t(out.size())));
  out.insert(out.end(), f.pixels.begin(), f.pixels.end());
  PutU32(out, 2, uint32_t(out.size()));
  return out;
}

// Packs rows (in file order) of raw values into rows padded to 4 bytes: palette indexes at
// 1, 4 and 8 bits, the 16- or 32-bit word at 16 and 32 bits, 0x00RRGGBB at 24 bits.
inline std::vector<uint8_t> PackRows(int bit_count,
                                     const std::vector<std::vector<uint32_t>>& rows) {
  std::vector<uint8_t> out;
  for (const auto& row : rows) {
    const size_t stride = (row.size() * bit_count + 31) / 32 * 4;
    std::vector<uint8_t> bytes(stride, 0);
    for (size_t x = 0; x < row.size(); ++x) {
      const uint32_t v = row[x];
      switch (bit_count) {
        case 1:
          bytes[x / 8] |= uint8_t((v & 1) << (7 - x % 8));
          break;
        case 4:
          bytes[x / 2] |= uint8_t((v & 15) << ((x % 2) ? 0 : 4));
          break;
        case 8:
          bytes[x] = uint8_t(v);
          break;
        case 16:
          PutU16(bytes, 2 * x, v);
          break;
        case 24:
          bytes[3 * x] = uint8_t(v);
          bytes[3 * x + 1] = uint8_t(v >> 8);
          bytes[3 * x + 2] = uint8_t(v >> 16);
          break;
        case 32:
          PutU32(bytes, 4 * x, v);
          break;
      }
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

}  // namespace vt::test

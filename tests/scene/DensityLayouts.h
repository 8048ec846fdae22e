#pragma once

// The building laid out by hand for screens of several sizes and densities: what the layout
// tests check in process and the headless driver's tests check in its printed lines.

#include <array>
#include <cstdint>
#include <ostream>

#include "widgets/Geometry.h"

namespace vt::test {

struct DensityLayout {
  Size screen;
  int ppi;
  int64_t screen_scale;
  int64_t dpi_scale;
  int car_step;
  std::array<int, 4> building;  // Left, Top, Width, Height
  int car_left;
  int button_left;
  std::array<int, 6> floor_base;
};

// clang-format off
inline constexpr DensityLayout kDensityLayouts[] = {
    // Below the design height in 96-dpi pixels: only the density factor scales.
    {{1024, 768}, 120, 10000, 12500, 6, {124, 156, 775, 644}, 153, 284,
     {762, 662, 562, 462, 362, 262}},
    {{1024, 768}, 144, 10000, 15000, 8, {47, 33, 930, 772}, 82, 239,
     {761, 641, 521, 401, 281, 161}},
    {{1920, 1080}, 144, 10000, 15000, 8, {495, 345, 930, 772}, 530, 687,
     {1073, 953, 833, 713, 593, 473}},
    // A 4K screen at 200 %: the building of a 96-dpi 4K screen, twice the 1080p one.
    {{3840, 2160}, 192, 14062, 20000, 14, {1048, 782, 1744, 1448}, 1113, 1408,
     {2146, 1921, 1696, 1471, 1246, 1021}},
    {{2560, 1600}, 144, 13889, 15000, 10, {634, 579, 1292, 1073}, 682, 901,
     {1589, 1423, 1256, 1089, 923, 756}},
    {{2880, 1800}, 192, 11719, 20000, 12, {713, 652, 1453, 1207}, 767, 1013,
     {1789, 1601, 1414, 1226, 1039, 851}},
    // Fewer pixels per inch than the design: the screen factor grows instead.
    {{1280, 960}, 72, 16667, 7500, 6, {252, 347, 775, 644}, 281, 412,
     {953, 853, 753, 653, 553, 453}},
};
// clang-format on

// What a failing case prints.
inline void PrintTo(const DensityLayout& e, std::ostream* out) {
  *out << e.screen.width << "x" << e.screen.height << " at " << e.ppi << " ppi";
}

// At least the design height in 96-dpi pixels: the whole scene must be on the screen.
inline bool SceneFitsItsScreen(const DensityLayout& e) {
  return int64_t(e.screen.height) * 96 >= 768LL * e.ppi;
}

}  // namespace vt::test

#include "SceneChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "EndToEndTest.h"

namespace vt {

namespace {

// Design sizes of the built-in pictures, and what is drawn where in them.
constexpr int kBuildingWidth = 620, kBuildingHeight = 515;
constexpr int kShaftLeft = 23, kShaftRight = 118, kShaftTop = 13;  // right: first column past it
constexpr int kSignWidth = 450, kSignHeight = 103;
constexpr int kCarWidth = 95, kCarHeight = 70;

int FloorLine(int floor) {
  return 485 - 80 * floor;
}

bool IsRimGrey(uint32_t pixel) {
  return Near(pixel, 112, 114, 112, 18);
}

int ShaftCentreX(const SceneLayout& scene) {
  return ScreenX(scene.building, kBuildingWidth, 70);
}

int FloorMiddleY(const SceneLayout& scene, int floor) {
  return ScreenY(scene.building, kBuildingHeight, FloorLine(floor) - 40);
}

bool FloorShown(const SceneLayout& scene, int floor) {
  int y = FloorMiddleY(scene, floor);
  return y >= 0 && y < scene.height;
}

// Where the car picture shows: the rows of lime green in a column just inside its left edge,
// where nothing is drawn over it.
struct CarRows {
  int first = -1;
  int last = -1;
};

CarRows FindCar(const Bitmap32& screen, const SceneLayout& scene) {
  auto [first, last] = CarGreenRows(screen, scene.car.left + 3);
  return {first, last};
}

// The floor whose baseline is nearest to the car's bottom edge.
int CarFloor(const SceneLayout& scene, const CarRows& car) {
  const int* base = scene.floor_base;
  // Under the last green row lies the car's one-pixel outline.
  int bottom = car.last + 2;
  return int(
      std::min_element(base, base + 6,
                       [&](int a, int b) { return std::abs(a - bottom) < std::abs(b - bottom); }) -
      base);
}

}  // namespace

bool ScenePainted(const SceneLayout& scene, const std::function<uint32_t(int, int)>& pixel) {
  int sign_x = ScreenX(scene.signboard, kSignWidth, 15);
  int sign_y = ScreenY(scene.signboard, kSignHeight, 50);
  bool sign_shown = sign_y >= 0 && sign_y < scene.height;
  // Across a floor: the shaft's grey, the black wall between shaft and floor, and the floor's
  // beige just past it. One colour alone can be met in the backdrop, or in the last frame of
  // another layout that the compositor still shows magnified while the screen changes.
  auto floor_shown = [&](int floor) {
    int y = FloorMiddleY(scene, floor);
    return y >= 0 && y < scene.height && IsShaftGrey(pixel(ShaftCentreX(scene), y)) &&
           Near(pixel(ScreenX(scene.building, kBuildingWidth, kShaftRight + 2), y), 0, 0, 0, 20) &&
           Near(pixel(ScreenX(scene.building, kBuildingWidth, kShaftRight + 6), y), 222, 204, 166,
                30);
  };
  return (!sign_shown || IsPanelGrey(pixel(sign_x, sign_y))) && (floor_shown(0) || floor_shown(1));
}

void ExpectCarOnAFloorLine(const Bitmap32& screen, const SceneLayout& scene) {
  ASSERT_EQ(screen.Width(), scene.width);
  CarRows car = FindCar(screen, scene);
  if (car.first < 0) {
    // A car standing on a floor above the screen leaves the shaft grey on every floor in it.
    bool all_floors_shown = true;
    for (int f = 0; f < 6; ++f) all_floors_shown &= scene.floor_base[f] - scene.car.height >= 0;
    ASSERT_FALSE(all_floors_shown) << "no car";
    ExpectShaftWhereTheBuildingPutsIt(screen, scene);
    return;
  }
  // Standing on a floor's baseline, the car picture's green is where the scaled picture has
  // it: all but its one-pixel outline, as far as the screen shows it.
  Rect placed = scene.car;
  placed.top = scene.floor_base[CarFloor(scene, car)] - scene.car.height;
  EXPECT_LE(std::abs(car.first - std::max(EdgeY(placed, kCarHeight, 1), 0)), 1)
      << "first green row";
  EXPECT_LE(std::abs(car.last - (EdgeY(placed, kCarHeight, kCarHeight - 1) - 1)), 1)
      << "last green row";
  // Its left and right edges, on a row below the load and full labels.
  int row = placed.top + scene.car.height - 4;
  auto [first, last] = CarGreenColumns(screen, scene.car, row);
  EXPECT_LE(std::abs(first - EdgeX(placed, kCarWidth, 1)), 1) << "first green column";
  EXPECT_LE(std::abs(last - (EdgeX(placed, kCarWidth, kCarWidth - 1) - 1)), 1)
      << "last green column";
}

void ExpectShaftWhereTheBuildingPutsIt(const Bitmap32& screen, const SceneLayout& scene) {
  const Rect& building = scene.building;
  CarRows car = FindCar(screen, scene);
  int car_floor = car.first < 0 ? -1 : CarFloor(scene, car);
  // The shaft's grey on every floor where the car is not.
  for (int f = 0; f < 6; ++f) {
    if (f == car_floor || !FloorShown(scene, f)) continue;
    uint32_t pixel = screen.Pixel(ShaftCentreX(scene), FloorMiddleY(scene, f));
    EXPECT_TRUE(IsShaftGrey(pixel)) << "floor " << f << ": " << ColourText(pixel);
  }
  // Its left and right edges, across the middle of a floor without the car.
  int y = FloorMiddleY(scene, car_floor == 0 ? 1 : 0);
  int first = -1, last = -1;
  for (int x = std::max(building.left, 0); x < ShaftCentreX(scene) && first < 0; ++x) {
    if (IsShaftGrey(screen.Pixel(x, y))) first = x;
  }
  for (int x = ShaftCentreX(scene); x < building.Right() && IsShaftGrey(screen.Pixel(x, y)); ++x) {
    last = x;
  }
  int left = EdgeX(building, kBuildingWidth, kShaftLeft);
  int right = EdgeX(building, kBuildingWidth, kShaftRight);
  EXPECT_LE(std::abs(first - left), 1) << "shaft's first column " << first;
  EXPECT_LE(std::abs(last - (right - 1)), 1) << "shaft's last column " << last;
  // Its top edge, down the middle, where the screen shows it.
  int expected_top = EdgeY(building, kBuildingHeight, kShaftTop);
  if (expected_top < 0) return;
  int top = -1;
  for (int row = building.top; row < FloorMiddleY(scene, 5) && top < 0; ++row) {
    if (IsShaftGrey(screen.Pixel(ShaftCentreX(scene), row))) top = row;
  }
  EXPECT_LE(std::abs(top - expected_top), 1) << "shaft's top row " << top;
}

void ExpectSignboardWhereItStands(const Bitmap32& screen, const SceneLayout& scene) {
  const Rect& sign = scene.signboard;
  // The ribbed grey panel beside the lettering.
  for (auto [x, y] : {std::pair{15, 30}, {15, 70}, {432, 30}, {432, 70}}) {
    uint32_t pixel = screen.Pixel(ScreenX(sign, kSignWidth, x), ScreenY(sign, kSignHeight, y));
    EXPECT_TRUE(IsPanelGrey(pixel)) << "panel at " << x << "," << y << ": " << ColourText(pixel);
  }
  // The darker rim on all four sides, four design pixels wide between a light and a dark
  // line: measured across its middle, it begins and ends where the scaled signboard has it.
  auto rim_edges = [&](int x, int y, int dx, int dy) {
    auto at = [&](int step) { return screen.Pixel(x + step * dx, y + step * dy); };
    std::pair<int, int> steps{0, 0};
    if (!IsRimGrey(at(0))) return std::pair{-1, -1};
    while (IsRimGrey(at(steps.first - 1))) --steps.first;
    while (IsRimGrey(at(steps.second + 1))) ++steps.second;
    int origin = dx ? x : y;
    return std::pair{origin + steps.first, origin + steps.second};
  };
  auto sx = [&](double x) { return EdgeX(sign, kSignWidth, x); };
  auto sy = [&](double y) { return EdgeY(sign, kSignHeight, y); };
  struct Side {
    const char* name;
    std::pair<int, int> measured;
    std::pair<int, int> expected;
  };
  const Side sides[] = {
      {"left", rim_edges(sx(3), sy(50), 1, 0), {sx(1), sx(5) - 1}},
      {"right", rim_edges(sx(447), sy(50), 1, 0), {sx(445), sx(449) - 1}},
      {"top", rim_edges(sx(170), sy(3), 0, 1), {sy(1), sy(5) - 1}},
      {"bottom", rim_edges(sx(170), sy(100), 0, 1), {sy(98), sy(102) - 1}},
  };
  for (const Side& side : sides) {
    EXPECT_LE(std::abs(side.measured.first - side.expected.first), 1) << side.name;
    EXPECT_LE(std::abs(side.measured.second - side.expected.second), 1) << side.name;
  }
}

}  // namespace vt

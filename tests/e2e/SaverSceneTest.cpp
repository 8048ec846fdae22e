// "/s" on screens of two sizes: the built-in pictures stand where the layout puts them, read
// back from the X server's screen, and the pointer is hidden.
#include <algorithm>
#include <cmath>

#include "EndToEndTest.h"

namespace vt {
namespace {

// The layout's figures for one screen at 96 pixels per inch.
struct SceneCase {
  const char* name;
  int width;
  int height;
  Rect building;   // ImgHaikei
  Rect car;        // ImgElv; its Top follows the random start floor
  Rect signboard;  // ImgKanban
  int floor_base[6];
};

void PrintTo(const SceneCase& scene, std::ostream* out) {
  *out << scene.name;
}

const SceneCase kScenes[] = {
    {"Screen1024x768",
     1024,
     768,
     {202, 278, 620, 515},
     {225, 0, 95, 70},
     {332, 175, 450, 103},
     {763, 683, 603, 523, 443, 363}},
    {"Screen1920x1080",
     1920,
     1080,
     {524, 391, 872, 724},
     {556, 0, 134, 98},
     {705, 246, 633, 145},
     {1073, 961, 848, 736, 623, 511}},
};

// Design sizes of the built-in pictures, and what is drawn where in them.
constexpr int kBuildingWidth = 620, kBuildingHeight = 515;
constexpr int kShaftLeft = 23, kShaftRight = 118, kShaftTop = 13;  // right: first column past it
constexpr int kSignWidth = 450, kSignHeight = 103;

int FloorLine(int floor) {
  return 485 - 80 * floor;
}

// The screen point of a design point of a stretched picture.
int ScreenX(const Rect& placed, int design_width, double x) {
  return placed.left + int(x * placed.width / design_width);
}
int ScreenY(const Rect& placed, int design_height, double y) {
  return placed.top + int(y * placed.height / design_height);
}
int Scaled(const Rect& placed, int design_width, int length) {
  return int(std::lround(double(length) * placed.width / design_width));
}

bool IsShaftGrey(uint32_t pixel) {
  return Near(pixel, 51, 51, 51, 12);
}
bool IsCarGreen(uint32_t pixel) {
  return Near(pixel, 160, 255, 65, 28);
}
bool IsPanelGrey(uint32_t pixel) {
  return Near(pixel, 155, 157, 154, 20);
}
bool IsRimGrey(uint32_t pixel) {
  return Near(pixel, 112, 114, 112, 18);
}

class SaverScene : public EndToEndTest, public ::testing::WithParamInterface<SceneCase> {
 protected:
  void SetUp() override { StartDisplay(GetParam().width, GetParam().height); }

  int ShaftCentreX() const { return ScreenX(GetParam().building, kBuildingWidth, 70); }
  int FloorMiddleY(int floor) const {
    return ScreenY(GetParam().building, kBuildingHeight, FloorLine(floor) - 40);
  }
  // Drawn: the signboard and the shaft of floor 0 or 1 (the car stands at one floor only).
  bool ScenePainted() const {
    const SceneCase& scene = GetParam();
    return IsPanelGrey(ScreenPixel(ScreenX(scene.signboard, kSignWidth, 15),
                                   ScreenY(scene.signboard, kSignHeight, 50))) &&
           (IsShaftGrey(ScreenPixel(ShaftCentreX(), FloorMiddleY(0))) ||
            IsShaftGrey(ScreenPixel(ShaftCentreX(), FloorMiddleY(1))));
  }
};

TEST_P(SaverScene, BuildingCarAndSignboardStandWhereTheLayoutPutsThem) {
  const SceneCase& scene = GetParam();
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitUntil([&] { return ScenePainted(); }, 20s)) << ErrorOutput(saver);
  // No passenger arrives in the first three seconds, so the car still stands at its floor.
  Bitmap32 screen = Screen();
  ASSERT_EQ(screen.Width(), scene.width);

  // The car: lime green down a column just inside its left edge, nothing on it there.
  int column = scene.car.left + 3;
  int run_top = -1, run_bottom = -1;
  for (int y = 0, start = -1; y <= screen.Height(); ++y) {
    bool green = y < screen.Height() && IsCarGreen(screen.Pixel(column, y));
    if (green && start < 0) start = y;
    if (!green && start >= 0) {
      if (y - start > run_bottom - run_top + 1) {
        run_top = start;
        run_bottom = y - 1;
      }
      start = -1;
    }
  }
  ASSERT_GE(run_top, 0) << "no car at x " << column;
  EXPECT_GE(run_bottom - run_top + 1, scene.car.height - 6);
  // The car stands on a floor line: its bottom edge is one of the floor baselines.
  int car_bottom = run_bottom + 2;
  const int* floor = std::min_element(
      std::begin(scene.floor_base), std::end(scene.floor_base),
      [&](int a, int b) { return std::abs(a - car_bottom) < std::abs(b - car_bottom); });
  int car_floor = int(floor - scene.floor_base);
  EXPECT_LE(std::abs(*floor - car_bottom), 2) << "car bottom " << car_bottom;
  int car_top = *floor - scene.car.height;
  EXPECT_LE(std::abs(run_top - (car_top + 1)), 2) << "car top " << run_top - 1;
  // Its left and right edges, on a row below the load and full labels.
  int row = car_top + scene.car.height - 4;
  int first = -1, last = -1;
  for (int x = scene.car.left - 8; x < scene.car.left + scene.car.width + 8; ++x) {
    if (!IsCarGreen(screen.Pixel(x, row))) continue;
    if (first < 0) first = x;
    last = x;
  }
  EXPECT_LE(std::abs(first - (scene.car.left + 1)), 1) << "car's first green column " << first;
  EXPECT_LE(std::abs(last - (scene.car.left + scene.car.width - 2)), 2)
      << "car's last green column " << last;

  // The building: the shaft's grey on every floor where the car is not.
  const Rect& building = scene.building;
  for (int f = 0; f < 6; ++f) {
    if (f == car_floor) continue;
    uint32_t pixel = screen.Pixel(ShaftCentreX(), FloorMiddleY(f));
    EXPECT_TRUE(IsShaftGrey(pixel)) << "floor " << f << ": " << ColourText(pixel);
  }
  // The shaft's edges, on the middle of a floor without the car.
  int free_floor = car_floor == 0 ? 1 : 0;
  int y = FloorMiddleY(free_floor);
  int shaft_first = -1, shaft_last = -1;
  for (int x = building.left; x < ShaftCentreX(); ++x) {
    if (IsShaftGrey(screen.Pixel(x, y))) {
      shaft_first = x;
      break;
    }
  }
  for (int x = ShaftCentreX(); x < building.left + building.width / 2; ++x) {
    if (!IsShaftGrey(screen.Pixel(x, y))) break;
    shaft_last = x;
  }
  EXPECT_LE(std::abs(shaft_first - (building.left + Scaled(building, kBuildingWidth, kShaftLeft))),
            1)
      << "shaft's first column " << shaft_first;
  EXPECT_LE(
      std::abs(shaft_last - (building.left + Scaled(building, kBuildingWidth, kShaftRight) - 1)), 1)
      << "shaft's last column " << shaft_last;
  int shaft_top = -1;
  for (int y2 = building.top; y2 < FloorMiddleY(5); ++y2) {
    if (IsShaftGrey(screen.Pixel(ShaftCentreX(), y2))) {
      shaft_top = y2;
      break;
    }
  }
  int expected_top =
      building.top + int(std::lround(double(kShaftTop) * building.height / kBuildingHeight));
  EXPECT_LE(std::abs(shaft_top - expected_top), 1) << "shaft's top row " << shaft_top;

  // The signboard: its ribbed grey panel beside the lettering, its darker rim all round.
  const Rect& sign = scene.signboard;
  for (auto [x, y3] : {std::pair{15, 30}, {15, 70}, {432, 30}, {432, 70}}) {
    uint32_t pixel = screen.Pixel(ScreenX(sign, kSignWidth, x), ScreenY(sign, kSignHeight, y3));
    EXPECT_TRUE(IsPanelGrey(pixel)) << "panel at " << x << "," << y3 << ": " << ColourText(pixel);
  }
  for (auto [x, y3] : {std::pair{2.5, 50.0}, {447.0, 50.0}, {170.0, 2.5}, {170.0, 100.0}}) {
    uint32_t pixel = screen.Pixel(ScreenX(sign, kSignWidth, x), ScreenY(sign, kSignHeight, y3));
    EXPECT_TRUE(IsRimGrey(pixel)) << "rim at " << x << "," << y3 << ": " << ColourText(pixel);
  }

  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0) << ErrorOutput(saver);
}

TEST_P(SaverScene, ThePointerIsHiddenWhileTheSaverRuns) {
  // Before the saver the server shows its own pointer, so a blank one is the saver's doing.
  ASSERT_FALSE(PointerIsBlank());
  ChildProcess& saver = StartProgram({"/s"});
  ASSERT_TRUE(WaitUntil([&] { return ScenePainted(); }, 20s)) << ErrorOutput(saver);
  EXPECT_TRUE(WaitUntil([&] { return PointerIsBlank(); }, 5s));
  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0) << ErrorOutput(saver);
  EXPECT_TRUE(WaitUntil([&] { return !PointerIsBlank(); }, 5s));
}

INSTANTIATE_TEST_SUITE_P(Screens, SaverScene, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SceneCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vt

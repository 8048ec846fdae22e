// "/s" on screens of two sizes, and the XScreenSaver hack under the real daemon: the built-in
// pictures stand where the layout puts them, read back from the X server's screen, and the
// pointer is hidden.
#include <algorithm>
#include <cmath>

#include "EndToEndTest.h"
#include "XScreenSaverDaemon.h"

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
  bool under_daemon = false;  // started by XScreenSaver as its hack, instead of with "/s"
};

void PrintTo(const SceneCase& scene, std::ostream* out) {
  *out << scene.name;
}

// clang-format off
const SceneCase kScenes[] = {
    {"Screen1024x768", 1024, 768, {202, 278, 620, 515}, {225, 0, 95, 70}, {332, 175, 450, 103},
     {763, 683, 603, 523, 443, 363}},
    {"Screen1920x1080", 1920, 1080, {524, 391, 872, 724}, {556, 0, 134, 98}, {705, 246, 633, 145},
     {1073, 961, 848, 736, 623, 511}},
    {"Screen1024x768UnderXScreenSaver", 1024, 768, {202, 278, 620, 515}, {225, 0, 95, 70},
     {332, 175, 450, 103}, {763, 683, 603, 523, 443, 363}, true},
};
// clang-format on

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

// Where the car picture shows: the rows of lime green in a column just inside its left edge,
// where nothing is drawn over it.
struct CarRows {
  int first = -1;
  int last = -1;
};

class SaverScene : public EndToEndTest, public ::testing::WithParamInterface<SceneCase> {
 protected:
  void SetUp() override { StartDisplay(GetParam().width, GetParam().height); }

  void TearDown() override {
    if (m_saver) {
      EXPECT_EQ(Run("xdotool key a"), 0);
      EXPECT_EQ(ExitCode(*m_saver), 0) << ErrorOutput(*m_saver);
    }
    if (m_daemon) {
      // Deactivated, the daemon ends its hack, which exits with 0 and leaves no window.
      std::vector<pid_t> hacks = m_daemon->Hacks();
      EXPECT_EQ(hacks.size(), 1u);
      EXPECT_EQ(m_daemon->Command("-deactivate"), 0);
      for (pid_t hack : hacks) EXPECT_EQ(m_daemon->WaitHackExit(hack, 20s), 0) << m_daemon->Log();
      EXPECT_NE(Run("xdotool search --class vantorel >/dev/null"), 0);
      m_daemon.reset();
    }
    EndToEndTest::TearDown();
  }

  // Starts the saver and reads its first picture, in the first seconds, before any passenger
  // has arrived: the car still stands at its random start floor.
  Bitmap32 ShowScene() {
    if (GetParam().under_daemon) {
      m_daemon = std::make_unique<XScreenSaverDaemon>();
      std::string error;
      EXPECT_TRUE(m_daemon->Start(m_server.Name(), kProgram, &error)) << error;
      EXPECT_EQ(m_daemon->Command("-activate"), 0);
      EXPECT_TRUE(WaitUntil([&] { return ScenePainted(); }, 20s)) << m_daemon->Log();
      return Screen();
    }
    m_saver = &StartProgram({"/s"});
    EXPECT_TRUE(WaitUntil([&] { return ScenePainted() || !m_saver->Running(); }, 20s));
    EXPECT_TRUE(m_saver->Running()) << ErrorOutput(*m_saver);
    return Screen();
  }

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

  // The longest run of lime rows in the car's column.
  CarRows FindCar(const Bitmap32& screen) const {
    auto [first, last] = CarGreenRows(screen, GetParam().car.left + 3);
    return {first, last};
  }

  // The floor whose baseline is nearest to the car's bottom edge.
  int CarFloor(const CarRows& car) const {
    const int* base = GetParam().floor_base;
    // Under the last green row lies the car's one-pixel outline.
    int bottom = car.last + 2;
    return int(std::min_element(
                   base, base + 6,
                   [&](int a, int b) { return std::abs(a - bottom) < std::abs(b - bottom); }) -
               base);
  }

  ChildProcess* m_saver = nullptr;
  std::unique_ptr<XScreenSaverDaemon> m_daemon;
};

TEST_P(SaverScene, TheCarStandsOnAFloorLineAtItsLeft) {
  const SceneCase& scene = GetParam();
  Bitmap32 screen = ShowScene();
  ASSERT_EQ(screen.Width(), scene.width);
  CarRows car = FindCar(screen);
  ASSERT_GE(car.first, 0) << "no car";
  // Standing on a floor's baseline, the car picture's green is where the scaled picture has
  // it: all but its one-pixel outline.
  Rect placed = scene.car;
  placed.top = scene.floor_base[CarFloor(car)] - scene.car.height;
  EXPECT_LE(std::abs(car.first - EdgeY(placed, kCarHeight, 1)), 1) << "first green row";
  EXPECT_LE(std::abs(car.last - (EdgeY(placed, kCarHeight, kCarHeight - 1) - 1)), 1)
      << "last green row";
  // Its left and right edges, on a row below the load and full labels.
  int row = placed.top + scene.car.height - 4;
  auto [first, last] = CarGreenColumns(screen, scene.car, row);
  EXPECT_LE(std::abs(first - EdgeX(placed, kCarWidth, 1)), 1) << "first green column";
  EXPECT_LE(std::abs(last - (EdgeX(placed, kCarWidth, kCarWidth - 1) - 1)), 1)
      << "last green column";
}

TEST_P(SaverScene, TheBuildingsShaftIsWhereTheScaledBuildingPutsIt) {
  const Rect& building = GetParam().building;
  Bitmap32 screen = ShowScene();
  CarRows car = FindCar(screen);
  ASSERT_GE(car.first, 0) << "no car";
  int car_floor = CarFloor(car);
  // The shaft's grey on every floor where the car is not.
  for (int f = 0; f < 6; ++f) {
    if (f == car_floor) continue;
    uint32_t pixel = screen.Pixel(ShaftCentreX(), FloorMiddleY(f));
    EXPECT_TRUE(IsShaftGrey(pixel)) << "floor " << f << ": " << ColourText(pixel);
  }
  // Its left and right edges, across the middle of a floor without the car.
  int y = FloorMiddleY(car_floor == 0 ? 1 : 0);
  int first = -1, last = -1;
  for (int x = building.left; x < ShaftCentreX() && first < 0; ++x) {
    if (IsShaftGrey(screen.Pixel(x, y))) first = x;
  }
  for (int x = ShaftCentreX(); x < building.Right() && IsShaftGrey(screen.Pixel(x, y)); ++x) {
    last = x;
  }
  int left = EdgeX(building, kBuildingWidth, kShaftLeft);
  int right = EdgeX(building, kBuildingWidth, kShaftRight);
  EXPECT_LE(std::abs(first - left), 1) << "shaft's first column " << first;
  EXPECT_LE(std::abs(last - (right - 1)), 1) << "shaft's last column " << last;
  // Its top edge, down the middle.
  int top = -1;
  for (int row = building.top; row < FloorMiddleY(5) && top < 0; ++row) {
    if (IsShaftGrey(screen.Pixel(ShaftCentreX(), row))) top = row;
  }
  int expected_top = EdgeY(building, kBuildingHeight, kShaftTop);
  EXPECT_LE(std::abs(top - expected_top), 1) << "shaft's top row " << top;
}

TEST_P(SaverScene, TheSignboardShowsItsPanelAndRimWhereItStands) {
  const Rect& sign = GetParam().signboard;
  Bitmap32 screen = ShowScene();
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

TEST_P(SaverScene, ThePointerIsHiddenWhileTheSaverRuns) {
  // Before the saver the server shows its own pointer, so a blank one is the saver's doing.
  ASSERT_FALSE(PointerIsBlank());
  ShowScene();
  EXPECT_TRUE(WaitUntil([&] { return PointerIsBlank(); }, 5s));
}

INSTANTIATE_TEST_SUITE_P(Screens, SaverScene, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SceneCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vt

// "/s" under Wine: the scene where the layout puts it, whole, on screens of two sizes and at
// 200 % scaling, the input that ends the saver and the input that does not, the system commands
// sent to its window, another program taking the foreground, and a second monitor.
#include <algorithm>
#include <cmath>

#include "WineTest.h"

namespace vt {
namespace {

Rect Bounds(const std::vector<int>& figures) {
  return figures.size() == 4 ? Rect{figures[0], figures[1], figures[2], figures[3]} : Rect{};
}

// Design sizes of the built-in pictures.
constexpr int kBuildingWidth = 620, kBuildingHeight = 515, kShaftCentre = 70;
constexpr int kSignWidth = 450, kSignHeight = 103;
constexpr int kCarWidth = 95, kCarHeight = 70;

struct Screen {
  const char* name;
  int width, height;
  int pixels_per_inch = 96;
};

void PrintTo(const Screen& screen, std::ostream* out) {
  *out << screen.name;
}

class WindowsSaverScene : public WineTest, public ::testing::WithParamInterface<Screen> {
 protected:
  void SetUp() override {
    StartWine(GetParam().width, GetParam().height, GetParam().pixels_per_inch);
  }
};

TEST_P(WindowsSaverScene, ShowsCarShaftAndSignboardWhereTheLayoutPutsThemAndHidesThePointer) {
  const int width = GetParam().width, height = GetParam().height;
  std::map<std::string, std::vector<int>> layout =
      Layout(width, height, GetParam().pixels_per_inch);
  Rect building = Bounds(layout["ImgHaikei"]), car = Bounds(layout["ImgElv"]);
  Rect sign = Bounds(layout["ImgKanban"]);
  const std::vector<int>& floor_base = layout["FloorBaseY"];
  ASSERT_EQ(floor_base.size(), 6u);
  auto floor_middle = [&](int floor) {
    return ScreenY(building, kBuildingHeight, 485 - 80 * floor - 40);
  };
  // Before the saver the server shows its own pointer.
  ASSERT_FALSE(PointerIsBlank());

  // Its first picture, before any passenger has come: the car stands at its start floor.
  ChildProcess& saver = StartSaver({"/s"});
  auto sign_panel = [&](int x, int y) {
    return ScreenPixel(ScreenX(sign, kSignWidth, x), ScreenY(sign, kSignHeight, y));
  };
  // At every density the whole scene is on these screens: the signboard above the roof and
  // the six floors below it.
  ASSERT_GE(sign.top, 0) << "signboard above the screen";
  ASSERT_GE(floor_middle(5), 0) << "top floor above the screen";
  const int shaft_x = ScreenX(building, kBuildingWidth, kShaftCentre);
  ASSERT_TRUE(WaitUntil([&] { return IsPanelGrey(sign_panel(15, 30)) || !saver.Running(); }, 20s));
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  Bitmap32 screen = Screen();

  // The signboard's ribbed panel on both sides of its lettering, the right way up.
  for (auto [x, y] : {std::pair{15, 30}, {15, 70}, {432, 30}, {432, 70}}) {
    EXPECT_TRUE(IsPanelGrey(sign_panel(x, y))) << "signboard at " << x << "," << y;
  }
  // The car: the longest run of lime rows just inside its left edge, standing on a floor line.
  auto [first, last] = CarGreenRows(screen, EdgeX(car, kCarWidth, 3.5));
  ASSERT_GE(first, 0) << "no car";
  // Standing on a floor line, its green is where the scaled picture has it: all but its
  // one-pixel outline.
  int bottom = last + 1 + (EdgeY(car, kCarHeight, 1) - car.top);
  const int car_floor = int(
      std::min_element(floor_base.begin(), floor_base.end(),
                       [&](int a, int b) { return std::abs(a - bottom) < std::abs(b - bottom); }) -
      floor_base.begin());
  Rect placed = car;
  placed.top = floor_base[car_floor] - car.height;
  EXPECT_LE(std::abs(last - (EdgeY(placed, kCarHeight, kCarHeight - 1) - 1)), 1)
      << "car's last green row";
  // At a high density the car's buttons and labels, drawn at the screen's density, cover
  // the green along its edges: there its floor line and the shaft place it.
  if (GetParam().pixels_per_inch == 96) {
    EXPECT_LE(std::abs(first - EdgeY(placed, kCarHeight, 1)), 1) << "car's first green row";
    auto [left, right] = CarGreenColumns(screen, car, last - 2);
    EXPECT_LE(std::abs(left - EdgeX(car, kCarWidth, 1)), 1) << "car's first green column";
    EXPECT_LE(std::abs(right - (EdgeX(car, kCarWidth, kCarWidth - 1) - 1)), 1)
        << "car's last green column";
  }
  // The shaft's grey on every floor where the car is not.
  for (int floor = 0; floor < 6; ++floor) {
    if (floor == car_floor) continue;
    EXPECT_TRUE(IsShaftGrey(screen.Pixel(shaft_x, floor_middle(floor)))) << "floor " << floor;
  }

  EXPECT_TRUE(WaitUntil([&] { return PointerIsBlank(); }, 5s));
  ExpectKeyEndsSaver(saver);
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowsSaverScene,
                         ::testing::Values(Screen{"Screen1024x768", 1024, 768},
                                           Screen{"Screen1920x1080", 1920, 1080},
                                           // Windows scaled to 200 % on a 16:10 laptop screen:
                                           // the scene laid out for its pixel height, drawn
                                           // with twice the detail.
                                           Screen{"Screen2560x1600At192Dpi", 2560, 1600, 192}),
                         [](const ::testing::TestParamInfo<Screen>& info) {
                           return std::string(info.param.name);
                         });

// xdotool input the saver lets pass (none where empty), then input that ends it.
struct Ending {
  const char* name;
  const char* passing;
  const char* ending;
};

void PrintTo(const Ending& ending, std::ostream* out) {
  *out << ending.name;
}

class WindowsSaverEnding : public WineTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(WindowsSaverEnding, OnlyTheEndingInputEndsItWithExitCodeZeroAndNoWindowLeft) {
  ChildProcess& saver = ShowSaver();
  ASSERT_TRUE(saver.Running());
  if (*GetParam().passing) {
    EXPECT_EQ(Run(std::string("xdotool ") + GetParam().passing), 0);
    EXPECT_TRUE(KeepsRunning(saver));
  }
  EXPECT_EQ(Run(std::string("xdotool ") + GetParam().ending), 0);
  ExpectEndedCleanly(saver);
}

// Alt alone and F10 come as system keys (WM_SYSKEYDOWN). Windows reports where the pointer
// stands when the window appears, so the first real movement may already end the saver; the
// second one surely does. Buttons 4 to 7 are the wheel and its tilt.
INSTANTIATE_TEST_SUITE_P(
    Inputs, WindowsSaverEnding,
    ::testing::Values(Ending{"LetterKey", "", "key a"}, Ending{"AltAlone", "", "key Alt_L"},
                      Ending{"F10", "", "key F10"}, Ending{"RightButton", "", "click 3"},
                      Ending{"PointerMovement", "",
                             "mousemove 100 100 sleep 0.3 mousemove 103 100"},
                      Ending{"WheelAndTabLetItRunAClickEndsIt",
                             "click 4 click 5 click 6 click 7 key Tab", "click 1"}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

class WindowsSaverWindow : public WineTest {};

TEST_F(WindowsSaverWindow, AnswersScreenSaveSecureOrNotWithOneAndLeavesMonitorPowerToTheDefault) {
  ChildProcess& saver = ShowSaver();
  ASSERT_TRUE(saver.Running());
  ChildProcess& sender = StartHelper("saver_command", {});
  // The top-most pop-up the helper finds covers the primary monitor.
  EXPECT_EQ(ReadLine(sender), "window 0 0 1024 768") << ErrorOutput(sender);
  EXPECT_EQ(ReadLine(sender), "screensave 1");
  EXPECT_EQ(ReadLine(sender), "secure 1");
  std::string monitor = ReadLine(sender), reference = ReadLine(sender);
  ASSERT_EQ(monitor.substr(0, 13), "monitorpower ");
  ASSERT_EQ(reference.substr(0, 8), "default ");
  EXPECT_EQ(monitor.substr(13), reference.substr(8));
  EXPECT_EQ(ExitCode(sender), 0);
  // No other saver was started over it, no box opened, and it goes on until input ends it.
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(ViewableWindowsNamed("ElevatorScrForm"), 1);
  for (const ProgramWindow& window : ProgramWindows()) {
    EXPECT_TRUE(!window.viewable || window.name == "ElevatorScrForm") << window.name;
  }
  ExpectKeyEndsSaver(saver);
}

TEST_F(WindowsSaverWindow, EndsWithZeroWhenAnotherProgramTakesTheForeground) {
  ChildProcess& saver = ShowSaver();
  ASSERT_TRUE(saver.Running());
  ChildProcess& popup = StartHelper("saver_command", {"foreground"});
  EXPECT_EQ(ReadLine(popup), "foreground 1") << ErrorOutput(popup);
  ExpectEndedCleanly(saver);
}

// Xvfb's two screens both stand at the origin: the primary one is the smaller, so that the
// other monitor's cover shows right of and below the scene.
class WindowsSaverOnTwoMonitors : public WineTest {
 protected:
  void SetUp() override { StartWineOnTwoMonitors(800, 600, 1024, 768); }
};

TEST_F(WindowsSaverOnTwoMonitors, CoversTheOtherInBlackAboveAllButTheSceneAndEndsOnAClickThere) {
  // The pointer stands over the other monitor alone before the saver shows.
  ASSERT_EQ(Run("xdotool mousemove 900 700"), 0);
  ChildProcess& saver = ShowSaver();
  ASSERT_TRUE(saver.Running());
  ChildProcess& lister = StartHelper("saver_command", {"windows"});
  EXPECT_EQ(ReadLine(lister), "monitor 0 0 800 600") << ErrorOutput(lister);
  EXPECT_EQ(ReadLine(lister), "monitor 0 0 1024 768");
  // The saver's top-most windows, the top one first: the scene, then the cover.
  EXPECT_EQ(ReadLine(lister), "window 0 0 800 600");
  EXPECT_EQ(ReadLine(lister), "window 0 0 1024 768");
  EXPECT_EQ(ReadLine(lister), "");
  // The server's white shows nowhere once the system has erased the cover (Wine does that a
  // moment after the window maps); the cover hides the pointer as the scene does.
  EXPECT_TRUE(
      WaitUntil([&] { return ScreenPixel(1020, 764) == 0 && ScreenPixel(810, 10) == 0; }, 5s))
      << ColourText(ScreenPixel(1020, 764)) << " " << ColourText(ScreenPixel(810, 10));
  EXPECT_TRUE(WaitUntil([&] { return PointerIsBlank(); }, 5s));
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(Run("xdotool click 1"), 0);
  ExpectEndedCleanly(saver);
}

// The display made smaller while the saver shows, as a user's display settings do (in Wine's
// virtual desktop, whose size is the display's): the scene is laid out anew for it.
class WindowsSaverDisplayChange : public WineTest {
 protected:
  void SetUp() override { StartWineInVirtualDesktop(1024, 768); }

  // Whether the screen shows the signboard's panel and the shaft of the lowest floor where the
  // layout for a display of this size puts them.
  bool ShowsSceneFor(int width, int height) {
    std::map<std::string, std::vector<int>> layout = Layout(width, height);
    Rect building = Bounds(layout["ImgHaikei"]), sign = Bounds(layout["ImgKanban"]);
    return IsPanelGrey(
               ScreenPixel(ScreenX(sign, kSignWidth, 15), ScreenY(sign, kSignHeight, 30))) &&
           IsPanelGrey(
               ScreenPixel(ScreenX(sign, kSignWidth, 432), ScreenY(sign, kSignHeight, 70))) &&
           (IsShaftGrey(ScreenPixel(ScreenX(building, kBuildingWidth, kShaftCentre),
                                    ScreenY(building, kBuildingHeight, 485 - 40))) ||
            IsShaftGrey(ScreenPixel(ScreenX(building, kBuildingWidth, kShaftCentre),
                                    ScreenY(building, kBuildingHeight, 485 - 80 - 40))));
  }
};

TEST_F(WindowsSaverDisplayChange, AScreenMadeSmallerGetsTheSceneLaidOutForItsNewSize) {
  ChildProcess& saver = StartSaver({"/s"});
  ASSERT_TRUE(WaitUntil([&] { return ShowsSceneFor(1024, 768) || !saver.Running(); }, 20s));
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  ChildProcess& settings = StartHelper("saver_command", {"display", "800", "600"});
  EXPECT_EQ(ReadLine(settings), "display 0") << ErrorOutput(settings);
  EXPECT_TRUE(WaitUntil([&] { return ShowsSceneFor(800, 600); }, 20s));
  ChildProcess& lister = StartHelper("saver_command", {"windows"});
  EXPECT_EQ(ReadLine(lister), "monitor 0 0 800 600") << ErrorOutput(lister);
  EXPECT_EQ(ReadLine(lister), "window 0 0 800 600");
  EXPECT_EQ(ReadLine(lister), "");
  EXPECT_TRUE(KeepsRunning(saver));
  ExpectKeyEndsSaver(saver);
}

}  // namespace
}  // namespace vt

// The scene laid out for each screen size and pixels-per-inch value, to the pixel.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "tests/scene/DensityLayouts.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

struct Box {
  int left, top, width, height;
  friend bool operator==(const Box&, const Box&) = default;
};
Box BoxOf(const TControl* c) {
  return {c->Left(), c->Top(), c->Width(), c->Height()};
}
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "[" << b.left << "," << b.top << "," << b.width << "," << b.height << "]";
}

// Figures worked out by hand from the design sizes (96 pixels per inch).
struct Expected {
  const char* name;
  Size screen;
  int64_t screen_scale;
  int car_step;
  Box building;
  Box car;  // Top is not laid out: left as -1
  int button_left;
  Box rooftop;
  Size person;
  Box signboard;
  std::array<int, 6> floor_base;
  std::array<int, 5> up_tops;
  std::array<int, 5> down_tops;
  int sign_left;
  std::array<int, 6> sign_tops;
  std::array<int, 6> panel_x;
  int panel_y;
  int lamp_x[2];
  int lamp_y;
  int load_x, load_y, full_x;
};

// clang-format off
const Expected kScreens[] = {
    {"1024x768", {1024, 768}, 10000, 5, {202, 278, 620, 515}, {225, -1, 95, 70}, 330,
     {227, 183, 100, 100}, {45, 50}, {332, 175, 450, 103}, {763, 683, 603, 523, 443, 363},
     {693, 613, 533, 453, 373}, {643, 563, 483, 403, 323}, 357,
     {693, 613, 533, 453, 373, 293}, {10, 22, 34, 46, 58, 70}, 5, {5, 33}, 25, 60, 24, 6},
    {"1920x1080", {1920, 1080}, 14062, 7, {524, 391, 872, 724}, {556, -1, 134, 98}, 704,
     {559, 257, 141, 141}, {63, 70}, {705, 246, 633, 145}, {1073, 961, 848, 736, 623, 511},
     {975, 863, 750, 638, 525}, {905, 792, 680, 567, 455}, 731,
     {975, 863, 750, 638, 525, 413}, {14, 26, 38, 50, 62, 74}, 7, {7, 35}, 35, 99, 52, 8},
    {"2048x1152", {2048, 1152}, 15000, 8, {559, 417, 930, 772}, {594, -1, 142, 105}, 751,
     {597, 275, 150, 150}, {68, 75}, {752, 263, 675, 154}, {1145, 1025, 905, 785, 665, 545},
     {1040, 920, 800, 680, 560}, {965, 845, 725, 605, 485}, 778,
     {1040, 920, 800, 680, 560, 440}, {15, 27, 39, 51, 63, 75}, 8, {8, 36}, 38, 107, 59, 9},
    {"1280x960", {1280, 960}, 12500, 6, {252, 348, 775, 644}, {281, -1, 119, 88}, 412,
     {283, 229, 125, 125}, {56, 62}, {413, 219, 562, 129}, {954, 854, 754, 654, 554, 454},
     {866, 766, 666, 566, 466}, {804, 704, 604, 504, 404}, 439,
     {866, 766, 666, 566, 466, 366}, {12, 24, 36, 48, 60, 72}, 6, {6, 34}, 31, 84, 42, 8},
    {"800x600", {800, 600}, 10000, 5, {90, 110, 620, 515}, {113, -1, 95, 70}, 218,
     {115, 15, 100, 100}, {45, 50}, {220, 7, 450, 103}, {595, 515, 435, 355, 275, 195},
     {525, 445, 365, 285, 205}, {475, 395, 315, 235, 155}, 245,
     {525, 445, 365, 285, 205, 125}, {10, 22, 34, 46, 58, 70}, 5, {5, 33}, 25, 60, 24, 6},
    {"640x480", {640, 480}, 10000, 5, {10, -10, 620, 515}, {33, -1, 95, 70}, 138,
     {35, -105, 100, 100}, {45, 50}, {140, -113, 450, 103}, {475, 395, 315, 235, 155, 75},
     {405, 325, 245, 165, 85}, {355, 275, 195, 115, 35}, 165, {405, 325, 245, 165, 85, 5},
     {10, 22, 34, 46, 58, 70}, 5, {5, 33}, 25, 60, 24, 6},
    {"600x1024", {600, 1024}, 13333, 7, {-113, 371, 827, 687}, {-82, -1, 127, 93}, 58,
     {-80, 245, 133, 133}, {60, 67}, {58, 234, 600, 137}, {1018, 911, 804, 698, 591, 484},
     {925, 818, 711, 605, 498}, {858, 751, 645, 538, 431}, 85,
     {925, 818, 711, 605, 498, 391}, {13, 25, 37, 49, 61, 73}, 7, {7, 35}, 33, 92, 47, 8},
};
// clang-format on

class ScreenLayout : public ::testing::TestWithParam<Expected> {};

TEST_P(ScreenLayout, EveryWidgetIsScaledAndPlacedToThePixel) {
  const Expected& e = GetParam();
  SaverHarness saver(e.screen);
  TElevatorScrForm& f = saver.Form();
  EXPECT_EQ(BoxOf(&f), (Box{0, 0, e.screen.width, e.screen.height}));
  EXPECT_EQ(BoxOf(f.ImgBillding), (Box{0, 0, e.screen.width, e.screen.height}));
  EXPECT_EQ(f.ScreenScale, e.screen_scale);
  EXPECT_EQ(f.DpiScale, 10000);
  EXPECT_EQ(f.CarStep, e.car_step);
  EXPECT_EQ(BoxOf(f.ImgHaikei), e.building);
  EXPECT_EQ(f.ImgElv->Left(), e.car.left);
  EXPECT_EQ(f.ImgElv->Width(), e.car.width);
  EXPECT_EQ(f.ImgElv->Height(), e.car.height);
  EXPECT_EQ(BoxOf(f.ImgOkujo), e.rooftop);
  EXPECT_EQ(f.ImgHito->Width(), e.person.width);
  EXPECT_EQ(f.ImgHito->Height(), e.person.height);
  EXPECT_EQ(BoxOf(f.ImgKanban), e.signboard);
  for (int floor = 0; floor < 6; ++floor) EXPECT_EQ(f.FloorBaseY[floor], e.floor_base[floor]);
  // The templates keep their Top, Width and Height.
  EXPECT_EQ(BoxOf(f.BitBtn1), (Box{e.button_left, 224, 25, 25}));
  EXPECT_EQ(BoxOf(f.BitBtn2), (Box{e.button_left, 264, 25, 25}));
  for (int floor = 0; floor <= 4; ++floor) {
    EXPECT_EQ(BoxOf(f.UpCallButtons[floor]), (Box{e.button_left, e.up_tops[floor], 25, 25}));
  }
  for (int floor = 1; floor <= 5; ++floor) {
    EXPECT_EQ(BoxOf(f.DownCallButtons[floor]),
              (Box{e.button_left, e.down_tops[floor - 1], 25, 25}));
  }
  for (int floor = 0; floor < 6; ++floor) {
    // An auto-sized sign is one line of its font high.
    const int line = f.Application().Text().LineHeight(f.FloorFullLabels[floor]->Font());
    EXPECT_EQ(BoxOf(f.FloorFullLabels[floor]), (Box{e.sign_left, e.sign_tops[floor], 42, line}));
    for (int n = 1; n <= 10; ++n) {
      EXPECT_EQ(f.PassengerImages[floor][n]->Width(), e.person.width);
      EXPECT_EQ(f.PassengerImages[floor][n]->Height(), e.person.height);
    }
  }
  // The credit line in the bottom-right corner, whatever its text measures.
  EXPECT_EQ(f.Label2->Left(), e.screen.width - f.Label2->Width() - 5);
  EXPECT_EQ(f.Label2->Top(), e.screen.height - f.Label2->Height() - 5);
  EXPECT_GT(f.Label2->Width(), 0);
}

TEST_P(ScreenLayout, CarWidgetsSitAtTheirScaledOffsetsFromTheCar) {
  const Expected& e = GetParam();
  SaverHarness saver(e.screen);
  saver.Show(SeedForFirstDraw(6, 2));
  TElevatorScrForm& f = saver.Form();
  for (int floor : {2, 0, 5}) {
    saver.StandCarAt(floor);
    const int L = f.ImgElv->Left();
    const int T = f.ImgElv->Top();
    ASSERT_EQ(T + f.ImgElv->Height(), f.FloorBaseY[floor]);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(BoxOf(f.CarPanelLabels[i]), (Box{L + e.panel_x[i], T + e.panel_y, 11, 16})) << i;
    }
    EXPECT_EQ(BoxOf(f.CarUpLamp), (Box{L + e.lamp_x[0], T + e.lamp_y, 25, 25}));
    EXPECT_EQ(BoxOf(f.CarDownLamp), (Box{L + e.lamp_x[1], T + e.lamp_y, 25, 25}));
    EXPECT_EQ(BoxOf(f.LblKyakuCount), (Box{L + e.load_x, T + e.load_y, 30, 41}));
    EXPECT_EQ(f.LblElvManin->Left(), L + e.full_x);
    EXPECT_EQ(f.LblElvManin->Top(), T + e.car.height - f.LblElvManin->Height() - 7);
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenLayout, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<Expected>& info) {
                           std::string name = info.param.name;
                           for (char& c : name) c = c == 'x' ? '_' : c;
                           return "Screen" + name;
                         });

// A form read from the saver's description with none of the saver's handlers doing anything:
// its components are the templates as the widget layer left them before the layout.
class TemplateProbe : public TForm {
 public:
  explicit TemplateProbe(TApplication& application) : TForm(application) {
    for (const char* name : {"FormCreate", "FormShow", "ElvTimerTimer", "Timer1Timer"}) {
      RegisterHandler(name, TNotifyEvent([](TObject*) {}));
    }
    RegisterHandler("FormClose", TCloseEvent([](TObject*, TCloseAction&) {}));
    RegisterHandler("FormKeyDown", TKeyEvent([](TObject*, uint16_t&, TShiftState) {}));
    RegisterHandler("ImgHaikeiMouseDown",
                    TMouseEvent([](TObject*, TMouseButton, TShiftState, int, int) {}));
    RegisterHandler("ImgHaikeiMouseMove", TMouseMoveEvent([](TObject*, TShiftState, int, int) {}));
  }
  static std::string_view DescriptionName() { return "ElevatorScrForm.form"; }
  Box Template(const char* name) const {
    return BoxOf(dynamic_cast<const TControl*>(FindComponent(name)));
  }
};

class DpiLayout : public ::testing::TestWithParam<DensityLayout> {};

// The building follows the screen's height in pixels whatever its density: the screen factor
// comes from the height in 96-dpi pixels and the density factor multiplies the building, so
// the two together give what a 96-dpi screen of the same pixel height gets. Pictures and text
// are drawn at the screen's own density: the templates as the widget layer enlarged them,
// multiplied by the screen factor only.
TEST_P(DpiLayout, BuildingFollowsThePixelHeightWhileTemplatesKeepTheLayersDensity) {
  const DensityLayout& e = GetParam();
  HeadlessBackend probe_backend(e.screen, e.ppi);
  TApplication probe_app(probe_backend);
  probe_app.SetResourceFinder(assets::Find);
  TemplateProbe* probe = nullptr;
  probe_app.CreateForm(probe);

  SaverHarness saver(e.screen, e.ppi);
  TElevatorScrForm& f = saver.Form();
  EXPECT_EQ(f.ScreenScale, e.screen_scale);
  EXPECT_EQ(f.DpiScale, e.dpi_scale);
  EXPECT_EQ(f.CarStep, e.car_step);
  const auto [left, top, width, height] = e.building;
  EXPECT_EQ(BoxOf(f.ImgHaikei), (Box{left, top, width, height}));
  EXPECT_EQ(f.ImgElv->Left(), e.car_left);
  EXPECT_EQ(f.BitBtn1->Left(), e.button_left);
  for (int floor = 0; floor < 6; ++floor) EXPECT_EQ(f.FloorBaseY[floor], e.floor_base[floor]);
  auto screen_length = [&](int64_t n) {
    return int(RoundHalfEvenQuotient(n * e.screen_scale, 10000));
  };
  // Offsets given in design pixels grow with the density as the building does.
  auto design_length = [&](int64_t n) {
    return int(RoundHalfEvenQuotient(n * e.screen_scale * e.dpi_scale, 100000000));
  };
  const Box car = probe->Template("ImgElv");
  EXPECT_EQ(f.ImgElv->Width(), screen_length(car.width));
  EXPECT_EQ(f.ImgElv->Height(), screen_length(car.height));
  const Box person = probe->Template("ImgHito");
  EXPECT_EQ(f.ImgHito->Width(), screen_length(person.width));
  EXPECT_EQ(f.ImgHito->Height(), screen_length(person.height));
  const Box rooftop = probe->Template("ImgOkujo");
  const int rooftop_height = screen_length(rooftop.height);
  EXPECT_EQ(BoxOf(f.ImgOkujo),
            (Box{design_length(25) + left, design_length(5) + top - rooftop_height,
                 screen_length(rooftop.width), rooftop_height}));
  const Box button = probe->Template("BitBtn1");
  for (int floor = 0; floor <= 4; ++floor) {
    // 70 design pixels above the floor line, the difference rounded as a whole.
    const int button_top = int(RoundHalfEvenQuotient(
        int64_t(e.floor_base[floor]) * 100000000 - 70 * e.screen_scale * e.dpi_scale, 100000000));
    EXPECT_EQ(BoxOf(f.UpCallButtons[floor]),
              (Box{e.button_left, button_top, button.width, button.height}));
  }
  if (SceneFitsItsScreen(e)) {
    // Every floor with its buttons and sign, the rooftop character and the signboard.
    for (int floor = 0; floor < 6; ++floor) {
      EXPECT_GE(f.FloorFullLabels[floor]->Top(), 0) << floor;
      EXPECT_LE(f.FloorBaseY[floor], e.screen.height) << floor;
    }
    EXPECT_GE(f.DownCallButtons[5]->Top(), 0);
    EXPECT_GE(f.ImgOkujo->Top(), 0);
    EXPECT_GE(f.ImgKanban->Top(), 0);
    EXPECT_LE(f.ImgKanban->Left() + f.ImgKanban->Width(), e.screen.width);
  }
}

INSTANTIATE_TEST_SUITE_P(PixelsPerInch, DpiLayout, ::testing::ValuesIn(kDensityLayouts),
                         [](const ::testing::TestParamInfo<DensityLayout>& info) {
                           return "Screen" + std::to_string(info.param.screen.width) + "_" +
                                  std::to_string(info.param.screen.height) + "Ppi" +
                                  std::to_string(info.param.ppi);
                         });

// At 200 % a screen of twice the pixels shows the scene of the 100 % screen with twice the
// detail: the buttons, labels and pictures are drawn at twice the size, and so every distance
// the layout gives in design pixels is twice the distance at 100 % (give or take a rounding):
// the call buttons and full signs above their floor lines, the panel and lamps from the car's
// corner, the rooftop character from the roof's. So the up and down buttons of a floor, and
// the panel and lamps in the car, keep clear of each other.
TEST(DpiLayoutAt200Percent, PutsEveryDesignDistanceTwiceAsFarAsAt100Percent) {
  SaverHarness at100({1920, 1080}, 96);
  SaverHarness at200({3840, 2160}, 192);
  for (SaverHarness* saver : {&at100, &at200}) {
    saver->Show(SeedForFirstDraw(6, 2));
    saver->StandCarAt(2);
  }
  // Each distance, measured on both screens.
  struct Distance {
    std::string name;
    std::function<int(const TElevatorScrForm&)> of;
  };
  std::vector<Distance> distances = {
      {"rooftop character from the roof's left",
       [](const auto& f) { return f.ImgOkujo->Left() - f.ImgHaikei->Left(); }},
      {"rooftop character sunk into the roof",
       [](const auto& f) { return f.ImgOkujo->Top() + f.ImgOkujo->Height() - f.ImgHaikei->Top(); }},
      {"panel from the car's left",
       [](const auto& f) { return f.CarPanelLabels[0]->Left() - f.ImgElv->Left(); }},
      {"panel from the car's top",
       [](const auto& f) { return f.CarPanelLabels[0]->Top() - f.ImgElv->Top(); }},
      {"up lamp from the car's left",
       [](const auto& f) { return f.CarUpLamp->Left() - f.ImgElv->Left(); }},
      {"lamps from the car's top",
       [](const auto& f) { return f.CarUpLamp->Top() - f.ImgElv->Top(); }},
      {"full sign from the car's left",
       [](const auto& f) { return f.LblElvManin->Left() - f.ImgElv->Left(); }},
  };
  for (int floor = 0; floor < 6; ++floor) {
    const std::string at = " on floor " + std::to_string(floor);
    if (floor <= 4) {
      distances.push_back({"up button above the line" + at, [floor](const auto& f) {
                             return f.FloorBaseY[floor] - f.UpCallButtons[floor]->Top();
                           }});
    }
    if (floor >= 1) {
      distances.push_back({"down button above the line" + at, [floor](const auto& f) {
                             return f.FloorBaseY[floor] - f.DownCallButtons[floor]->Top();
                           }});
    }
    distances.push_back({"full sign above the line" + at, [floor](const auto& f) {
                           return f.FloorBaseY[floor] - f.FloorFullLabels[floor]->Top();
                         }});
  }
  for (const Distance& d : distances) {
    EXPECT_NEAR(d.of(at200.Form()), 2 * d.of(at100.Form()), 2) << d.name;
  }

  const TElevatorScrForm& f = at200.Form();
  for (int floor = 1; floor <= 4; ++floor) {
    EXPECT_LT(f.UpCallButtons[floor]->Top() + f.UpCallButtons[floor]->Height(),
              f.DownCallButtons[floor]->Top())
        << floor;
  }
  EXPECT_LT(f.CarPanelLabels[0]->Top() + f.CarPanelLabels[0]->Height(), f.CarUpLamp->Top());
}

TEST(CloneWidgets, AreCreatedVisibleDarkAndInStackingOrder) {
  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
  const std::vector<TControl*>& controls = f.Controls();
  const char* described[] = {"ImgBillding",   "LblManin",    "ImgHaikei", "ImgElv",   "Label1",
                             "LblKyakuCount", "LblElvManin", "ImgHito",   "ImgOkujo", "ImgKanban",
                             "Label2",        "BitBtn1",     "BitBtn2"};
  std::vector<TControl*> expected;
  for (const char* name : described) expected.push_back(f.FindControl(name));
  for (int floor = 0; floor <= 4; ++floor) expected.push_back(f.UpCallButtons[floor]);
  for (int floor = 1; floor <= 5; ++floor) expected.push_back(f.DownCallButtons[floor]);
  expected.push_back(f.CarUpLamp);
  expected.push_back(f.CarDownLamp);
  for (int floor = 0; floor < 6; ++floor) {
    expected.push_back(f.CarPanelLabels[floor]);
    expected.push_back(f.FloorFullLabels[floor]);
    for (int n = 1; n <= 10; ++n) expected.push_back(f.PassengerImages[floor][n]);
  }
  EXPECT_EQ(controls, expected);
  EXPECT_EQ(f.ComponentCount(), 15 + 5 + 5 + 2 + 6 + 6 + 60);
  EXPECT_EQ(f.DownCallButtons[0], nullptr);

  for (int floor = 0; floor <= 4; ++floor) {
    const TBitBtn* b = f.UpCallButtons[floor];
    EXPECT_TRUE(b->Visible());
    EXPECT_FALSE(b->Enabled());
    EXPECT_EQ(b->Caption(), "↑");
    EXPECT_EQ(b->Font(), f.BitBtn1->Font());
    EXPECT_EQ(b->Owner(), &f);
    EXPECT_EQ(b->Parent(), &f);
  }
  for (int floor = 1; floor <= 5; ++floor) {
    EXPECT_EQ(f.DownCallButtons[floor]->Caption(), "↓");
    EXPECT_FALSE(f.DownCallButtons[floor]->Enabled());
    EXPECT_TRUE(f.DownCallButtons[floor]->Visible());
  }
  EXPECT_EQ(f.CarUpLamp->Caption(), "↑");
  EXPECT_EQ(f.CarDownLamp->Caption(), "↓");
  EXPECT_EQ(f.CarDownLamp->Font(), f.BitBtn2->Font());
  const char* floor_names[] = {"B", "1", "2", "3", "4", "5"};
  for (int floor = 0; floor < 6; ++floor) {
    const TLabel* panel = f.CarPanelLabels[floor];
    EXPECT_EQ(panel->Caption(), floor_names[floor]);
    EXPECT_FALSE(panel->AutoSize());
    EXPECT_EQ(panel->Alignment(), TAlignment::taCenter);
    EXPECT_EQ(panel->Color(), f.Label1->Color());
    EXPECT_EQ(panel->Font(), f.Label1->Font());
    EXPECT_FALSE(panel->Enabled());
    EXPECT_TRUE(panel->Visible());
    const TLabel* sign = f.FloorFullLabels[floor];
    EXPECT_EQ(sign->Caption(), "満員");
    EXPECT_FALSE(sign->AutoSize());
    EXPECT_EQ(sign->Color(), f.LblManin->Color());
    EXPECT_EQ(sign->Font(), f.LblManin->Font());
    EXPECT_FALSE(sign->Enabled());
    EXPECT_TRUE(sign->Visible());
    for (int n = 1; n <= 10; ++n) {
      const TImage* image = f.PassengerImages[floor][n];
      EXPECT_FALSE(image->Visible());
      EXPECT_TRUE(image->Stretch());
      EXPECT_TRUE(image->Transparent());
      EXPECT_FALSE(image->AutoSize());
      EXPECT_EQ(image->Picture().Graphic(), nullptr);
      EXPECT_FALSE(static_cast<bool>(image->OnMouseDown));
    }
  }
  // The templates stay hidden.
  for (const TControl* t : std::initializer_list<const TControl*>{f.LblManin, f.Label1, f.ImgHito,
                                                                  f.BitBtn1, f.BitBtn2}) {
    EXPECT_FALSE(t->Visible());
  }
  EXPECT_EQ(f.MouseOriginX, -1);
  EXPECT_EQ(f.MouseOriginY, -1);
}

TEST(CarWidgets, PlacingThemTwiceChangesNothing) {
  SaverHarness saver({1280, 960});
  saver.Show(4);
  TElevatorScrForm& f = saver.Form();
  auto place = [&] {
    f.PlaceCarWidgets();
    std::vector<Box> boxes{BoxOf(f.CarUpLamp), BoxOf(f.CarDownLamp), BoxOf(f.LblKyakuCount),
                           BoxOf(f.LblElvManin)};
    for (const TLabel* l : f.CarPanelLabels) boxes.push_back(BoxOf(l));
    return boxes;
  };
  EXPECT_EQ(place(), place());
}

TEST(CarWidgets, FullSignKeepsItsTopWhateverItsCaption) {
  SaverHarness saver;
  saver.Show(SeedForFirstDraw(6, 0));
  TElevatorScrForm& f = saver.Form();
  const int top = f.LblElvManin->Top();
  f.LblElvManin->SetCaption("満員");
  f.PlaceCarWidgets();
  EXPECT_EQ(f.LblElvManin->Top(), top);
  // At 1024 x 768 with the car at floor 0 the load label stands at 285, 717.
  EXPECT_EQ(f.LblKyakuCount->Left(), 285);
  EXPECT_EQ(f.LblKyakuCount->Top(), 717);
  EXPECT_EQ(f.CarDownLamp->Left(), 258);
  EXPECT_EQ(f.LblElvManin->Left(), 231);
  EXPECT_EQ(f.LblElvManin->Top() + f.LblElvManin->Height(), 763 - 7);
}

}  // namespace
}  // namespace vt::test

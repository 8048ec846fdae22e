// Long runs of the whole saver on the virtual clock, with every invariant of the building
// checked after every handler. VT_SOAK_MINUTES sets the simulated time (default two hours).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

int64_t SoakMs() {
  const char* minutes = std::getenv("VT_SOAK_MINUTES");
  const int64_t value = minutes ? std::atoll(minutes) : 120;
  return (value > 0 ? value : 1) * 60 * 1000;
}

enum class Data { Built, Own, OwnWithoutLook2 };

struct SoakCase {
  const char* name;
  Size screen;
  int ppi;
  uint32_t seed;
  Data data;
};

class Soak : public ::testing::TestWithParam<SoakCase> {};

TEST_P(Soak, EveryInvariantHoldsAfterEveryHandler) {
  const SoakCase& param = GetParam();
  std::unique_ptr<TempDataFolder> own;
  if (param.data != Data::Built) own = std::make_unique<TempDataFolder>();
  if (param.data == Data::OwnWithoutLook2) std::filesystem::remove(own->Person(2));
  SaverHarness saver(param.screen, param.ppi, own ? own->Program() : BuiltProgram());
  // Without look 2 the roof must not draw it at the show, or no timer would ever start.
  uint32_t seed = param.seed;
  while (param.data == Data::OwnWithoutLook2) {
    RandomGenerator random;
    random.SetSeed(seed);
    random.Below(6);
    random.Below(6);
    if (random.Below(5) != 2) break;
    ++seed;
  }
  TElevatorScrForm& f = saver.Form();

  std::string failure;
  int64_t elv_runs = 0;
  int64_t timer1_runs = 0;
  int64_t delivered = 0;
  int64_t boarded = 0;
  PassengerSlot previous[6][11];
  CarWidgetOffsets offsets;
  std::vector<int> backdrops;
  std::set<int> characters;

  auto check = [&](const char* event) {
    if (!failure.empty()) return;
    const int64_t now = saver.Backend().NowMs();
    auto fail = [&](const std::string& what) {
      failure = std::string(event) + " at " + std::to_string(now) + " ms: " + what;
    };
    std::vector<std::string> bad = CheckInvariants(f);
    if (!bad.empty()) return fail(bad.front());
    if (MeasureCarWidgets(f) != offsets) return fail("car widgets left their places");
    for (int floor = 0; floor < 6; ++floor) {
      for (int s = 1; s <= 10; ++s) {
        const PassengerSlot& was = previous[floor][s];
        const PassengerSlot& is = f.PassengerSlots[floor][s];
        if (was.InCar && !is.Occupied) ++delivered;
        if (was.Occupied && !was.InCar && is.InCar) ++boarded;
        previous[floor][s] = is;
      }
    }
    if (own) {
      const int backdrop = f.ImgBillding->Picture().Width() - TempDataFolder::BackdropWidth(0);
      if (backdrop != f.SceneryIndex) return fail("the backdrop shown is not SceneryIndex's");
      if (backdrops.empty() || backdrops.back() != backdrop) backdrops.push_back(backdrop);
      characters.insert(f.ImgOkujo->Picture().Width() - TempDataFolder::PersonWidth(0));
    }
  };
  saver.ObserveTimers([&](const char* event) {
    (std::string(event) == "elv" ? elv_runs : timer1_runs) += 1;
    check(event);
  });

  saver.Show(seed);
  offsets = MeasureCarWidgets(f);
  check("show");
  const int64_t end = SoakMs();
  saver.App().RunUntil(end);

  EXPECT_EQ(failure, "");
  EXPECT_EQ(elv_runs, end / 100);
  EXPECT_EQ(timer1_runs, end / 3000);
  // The building was busy: people were carried, every backdrop and character came up.
  const int64_t minutes = end / 60000;
  EXPECT_GE(boarded, minutes * 5);
  EXPECT_GE(delivered, minutes * 5);
  if (param.data == Data::OwnWithoutLook2) {
    EXPECT_GT(saver.Errors().size(), 0u);
  } else {
    EXPECT_EQ(saver.Errors().size(), 0u);
  }
  // What reached the screen, rectangle by rectangle, is what a whole repaint paints now.
  saver.App().PaintDirtyForms();
  const HeadlessBackend::Window* window = saver.Backend().FindWindow(f.Handle());
  ASSERT_NE(window, nullptr);
  const Bitmap32 shown = window->screen;
  f.InvalidateAll();
  f.RepaintDirty();
  int differing = 0;
  for (int y = 0; y < shown.Height(); ++y) {
    for (int x = 0; x < shown.Width(); ++x) differing += shown.Pixel(x, y) != f.Frame().Pixel(x, y);
  }
  EXPECT_EQ(differing, 0) << "pixels on screen that a whole repaint paints otherwise";
  if (param.data == Data::Own && minutes >= 60) {
    EXPECT_EQ(std::set<int>(backdrops.begin(), backdrops.end()).size(), 6u);
    EXPECT_EQ(characters.size(), 5u);
    EXPECT_EQ(backdrops.size(), size_t(minutes) + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Soak,
    ::testing::Values(SoakCase{"Xga", {1024, 768}, 96, 1, Data::Built},
                      SoakCase{"FullHd", {1920, 1080}, 96, 2, Data::Own},
                      SoakCase{"Vga", {640, 480}, 96, 3, Data::Own},
                      SoakCase{"Sxga120Dpi", {1280, 960}, 120, 4, Data::Built},
                      SoakCase{"MissingLook", {2048, 1152}, 96, 5, Data::OwnWithoutLook2}),
    [](const ::testing::TestParamInfo<SoakCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt::test

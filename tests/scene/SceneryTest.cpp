// The backdrop and rooftop character from the data folder, and their change every 20 ticks.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

// Replays the draws that one arrivals pass makes on the building as it stands now.
void ReplayArrivals(const TElevatorScrForm& f, RandomGenerator& random) {
  const int floor = random.Below(6);
  const int group = random.Below(f.SceneryIndex + 6);
  int occupied = 0;
  for (int s = 1; s <= 10; ++s) occupied += f.PassengerSlots[floor][s].Occupied ? 1 : 0;
  const int added = group == 0 ? 0 : std::min(group, 10 - occupied);
  for (int i = 0; i < added; ++i) {
    random.Below(4);
    while (random.Below(6) == floor) {
    }
  }
}

int ShownBackdrop(const TElevatorScrForm& f) {
  return f.ImgBillding->Picture().Width() - TempDataFolder::BackdropWidth(0);
}
int ShownCharacter(const TElevatorScrForm& f) {
  return f.ImgOkujo->Picture().Width() - TempDataFolder::PersonWidth(0);
}

class Scenery : public ::testing::Test {
 protected:
  // Runs the event loop until Timer1's next tick has been handled.
  void RunOneTimer1Tick() { saver.App().RunUntil(f.Timer1->NextDueMs()); }

  TempDataFolder data;
  SaverHarness saver{{1024, 768}, 96, data.Program()};
  TElevatorScrForm& f = saver.Form();
};

TEST_F(Scenery, ShowPicksTheFirstBackdropAndCharacterAfterTheStartFloor) {
  const uint32_t seed = 424242;
  RandomGenerator expected;
  expected.SetSeed(seed);
  const int floor = expected.Below(6);
  const int backdrop = expected.Below(6);
  const int character = expected.Below(5);
  saver.Show(seed);
  EXPECT_EQ(f.CarFloor, floor);
  EXPECT_EQ(f.SceneryIndex, backdrop);
  EXPECT_EQ(f.SceneryTicks, 0);
  EXPECT_EQ(ShownBackdrop(f), backdrop);
  EXPECT_EQ(ShownCharacter(f), character);
  EXPECT_EQ(f.Application().Random().Seed(), expected.Seed());
  EXPECT_EQ(f.DataDir, data.Dir() + PathDelim);
  EXPECT_TRUE(saver.Errors().empty());
}

TEST_F(Scenery, BackdropFiveIsReadFromANameWithoutLeadingZeros) {
  uint32_t seed = 0;
  for (;; ++seed) {
    RandomGenerator r;
    r.SetSeed(seed);
    r.Below(6);
    if (r.Below(6) == 5) break;
  }
  saver.Show(seed);
  EXPECT_EQ(f.SceneryIndex, 5);
  EXPECT_EQ(ShownBackdrop(f), 5);
}

TEST_F(Scenery, ChangesOnTheTwentiethTickThenArrivalsSeeTheNewBackdrop) {
  saver.Show(77);
  const int first = f.SceneryIndex;
  const int first_character = ShownCharacter(f);
  for (int tick = 1; tick <= 19; ++tick) {
    RunOneTimer1Tick();
    ASSERT_EQ(f.SceneryTicks, tick);
    ASSERT_EQ(f.SceneryIndex, first);
    ASSERT_EQ(ShownBackdrop(f), first);
    ASSERT_EQ(ShownCharacter(f), first_character);
  }
  // Predict the 20th tick: a different backdrop, any character, then one arrivals pass.
  RandomGenerator expected;
  expected.SetSeed(f.Application().Random().Seed());
  int next = 0;
  do {
    next = expected.Below(6);
  } while (next == first);
  const int character = expected.Below(5);
  f.SceneryIndex = next;  // the pass reads the new index
  ReplayArrivals(f, expected);
  f.SceneryIndex = first;
  // Called directly, so that no car tick changes the floors between the replay and the pass.
  f.Timer1Timer(f.Timer1);
  EXPECT_EQ(f.SceneryIndex, next);
  EXPECT_NE(f.SceneryIndex, first);
  EXPECT_EQ(ShownBackdrop(f), next);
  EXPECT_EQ(ShownCharacter(f), character);
  EXPECT_EQ(f.SceneryTicks, 0);
  EXPECT_EQ(f.Application().Random().Seed(), expected.Seed());
  for (int tick = 1; tick <= 20; ++tick) RunOneTimer1Tick();
  EXPECT_NE(f.SceneryIndex, next);
  EXPECT_EQ(f.SceneryTicks, 0);
  EXPECT_EQ(ShownBackdrop(f), f.SceneryIndex);
  EXPECT_TRUE(saver.Errors().empty());
  EXPECT_EQ(CheckInvariants(f), std::vector<std::string>{});
}

TEST_F(Scenery, MissingBackdropStopsTheChangesForTheRestOfTheRun) {
  std::filesystem::remove(data.Backdrop(3));
  saver.Show(5);
  ASSERT_NE(f.SceneryIndex, 3) << "choose another seed";
  f.SceneryIndex = 0;
  f.ImgBillding->Picture().LoadFromFile(data.Backdrop(0));
  f.SceneryTicks = 19;
  f.Application().Random().SetSeed(SeedForFirstDraw(6, 3));
  auto occupied = [&] {
    int count = 0;
    for (int floor = 0; floor < 6; ++floor) {
      for (int s = 1; s <= 10; ++s) count += f.PassengerSlots[floor][s].Occupied ? 1 : 0;
    }
    return count;
  };
  const int occupied_before = occupied();
  RandomGenerator expected;
  expected.SetSeed(f.Application().Random().Seed());
  expected.Below(6);

  RunOneTimer1Tick();
  ASSERT_EQ(saver.Errors().size(), 1u);
  EXPECT_EQ(saver.Errors()[0].text,
            "ファイル " + data.Dir() + Native("/VantorelData/mirso3.jpg") + " は開けません.");
  EXPECT_EQ(f.SceneryIndex, 3);
  EXPECT_EQ(f.SceneryTicks, 20);
  EXPECT_EQ(ShownBackdrop(f), 0);
  // No arrivals pass on that tick: only the backdrop draw was made.
  EXPECT_EQ(f.Application().Random().Seed(), expected.Seed());
  EXPECT_LE(occupied(), occupied_before);

  for (int tick = 21; tick <= 60; ++tick) {
    RunOneTimer1Tick();
    ASSERT_EQ(f.SceneryTicks, tick);
  }
  EXPECT_EQ(f.SceneryIndex, 3);
  EXPECT_EQ(ShownBackdrop(f), 0);
  EXPECT_EQ(saver.Errors().size(), 1u);
  EXPECT_TRUE(f.Timer1->Running());
  // Arrivals went on meanwhile.
  int total = 0;
  for (int floor = 0; floor < 6; ++floor) total += f.FloorHeadcount[floor];
  EXPECT_GT(total, 0);
}

TEST_F(Scenery, MissingCharacterKeepsTheNewBackdropWithTheOldCharacter) {
  std::filesystem::remove(data.Person(4));
  uint32_t show_seed = 6;
  for (;; ++show_seed) {
    RandomGenerator r;
    r.SetSeed(show_seed);
    r.Below(6);
    r.Below(6);
    if (r.Below(5) != 4) break;
  }
  saver.Show(show_seed);
  ASSERT_TRUE(saver.Errors().empty());
  const int character = ShownCharacter(f);
  const int first = f.SceneryIndex;
  f.SceneryTicks = 19;
  uint32_t seed = 0;
  int next = 0;
  for (;; ++seed) {
    RandomGenerator r;
    r.SetSeed(seed);
    do {
      next = r.Below(6);
    } while (next == first);
    if (r.Below(5) == 4) break;
  }
  f.Application().Random().SetSeed(seed);
  RunOneTimer1Tick();
  ASSERT_EQ(saver.Errors().size(), 1u);
  EXPECT_EQ(saver.Errors()[0].text,
            "ファイル " + data.Dir() + Native("/VantorelData/Hito4.bmp") + " は開けません.");
  EXPECT_EQ(ShownBackdrop(f), next);
  EXPECT_EQ(ShownCharacter(f), character);
  EXPECT_EQ(f.SceneryTicks, 20);
}

TEST(SceneryWithoutData, MissingFolderLeavesTheBuiltInPicturesAndAnIdleBuilding) {
  TempDataFolder empty(false);
  SaverHarness saver({1024, 768}, 96, empty.Program());
  TElevatorScrForm& f = saver.Form();
  const TGraphic* backdrop = f.ImgBillding->Picture().Graphic();
  const TGraphic* character = f.ImgOkujo->Picture().Graphic();
  ASSERT_NE(backdrop, nullptr);
  saver.Show(8);
  ASSERT_EQ(saver.Errors().size(), 1u);
  EXPECT_EQ(saver.Errors()[0].title, "Vantorel");
  EXPECT_EQ(saver.Errors()[0].text, "ファイル " + empty.Dir() + Native("/VantorelData/mirso") +
                                        std::to_string(f.SceneryIndex) + ".jpg は開けません.");
  EXPECT_EQ(f.ImgBillding->Picture().Graphic(), backdrop);
  EXPECT_EQ(f.ImgOkujo->Picture().Graphic(), character);
  EXPECT_FALSE(f.Timer1->Enabled());
  EXPECT_FALSE(f.Timer1->Running());
  EXPECT_TRUE(f.ElvTimer->Running());
  EXPECT_EQ(saver.Backend().CursorCount(), -1);
  const int car_top = f.ImgElv->Top();
  saver.App().RunUntil(60000);
  EXPECT_EQ(saver.Errors().size(), 1u);
  EXPECT_EQ(f.ImgElv->Top(), car_top);
  EXPECT_EQ(f.CarDirection, 0);
  EXPECT_EQ(f.DwellTicks, 600);
  for (int floor = 0; floor < 6; ++floor) EXPECT_EQ(f.FloorQueueCount[floor], 0);
  EXPECT_EQ(CheckInvariants(f), std::vector<std::string>{});
}

TEST(DataDir, IsTheProgramsFolderWithOneTrailingDelimiter) {
  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
  f.Application().SetExeName(Native("/opt/vantorel/bin/vantorel"));
  f.RecordDataDir();
  EXPECT_EQ(f.DataDir, Native("/opt/vantorel/bin/"));
  f.Application().SetExeName(Native("/vantorel"));
  f.RecordDataDir();
  EXPECT_EQ(f.DataDir, Native("/"));
}

// Where the Linux build installs the program, its pictures lie under share/ of the same prefix;
// the Windows program keeps them beside itself wherever it lies.
TEST(DataDir, OfAnInstalledProgramIsWhereTheInstallPutItsPictures) {
  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
  auto data_dir_of = [&](const std::string& program) {
    f.Application().SetExeName(Native(program));
    f.RecordDataDir();
    return f.DataDir;
  };
#ifdef VT_INSTALLED_DATA_DIR
  EXPECT_EQ(data_dir_of("/usr/lib/vantorel/vantorel"), "/usr/share/vantorel/");
  EXPECT_EQ(data_dir_of("/home/ann/.local/lib/vantorel/vantorel"), "/home/ann/.local/share/vantorel/");
  EXPECT_EQ(data_dir_of("/lib/vantorel/vantorel"), "/share/vantorel/");
#else
  EXPECT_EQ(data_dir_of("/usr/lib/vantorel/vantorel"), Native("/usr/lib/vantorel/"));
#endif
  // Folders that only look alike are not the installed program's.
  EXPECT_EQ(data_dir_of("/src/lib/vantorel-build/vantorel"), Native("/src/lib/vantorel-build/"));
  EXPECT_EQ(data_dir_of("/src/mylib/vantorel/vantorel"), Native("/src/mylib/vantorel/"));
  EXPECT_EQ(data_dir_of("/usr/lib/vantorel/bin/vantorel"), Native("/usr/lib/vantorel/bin/"));
}

}  // namespace
}  // namespace vt::test

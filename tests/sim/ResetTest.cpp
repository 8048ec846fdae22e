// The starting state of the building, and a reset of a building in use.

#include <gtest/gtest.h>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

// Only a car starting on the top floor has to go down first.
TEST(ResetBuilding, StartLightsTheUpLampExceptOnTheTopFloor) {
  for (int floor = 0; floor <= 5; ++floor) {
    SCOPED_TRACE(floor);
    SaverHarness saver;
    saver.Show(SeedForFirstDraw(6, floor));
    TElevatorScrForm& f = saver.Form();
    EXPECT_EQ(f.CarFloor, floor);
    EXPECT_EQ(f.CarUpLamp->Enabled(), floor != 5);
    EXPECT_EQ(f.CarDownLamp->Enabled(), floor == 5);
  }
}

TEST(ResetBuilding, CarStandsExactlyLevelSoTheFirstTickFindsItThere) {
  for (int floor = 0; floor <= 5; ++floor) {
    SaverHarness saver;
    saver.Show(SeedForFirstDraw(6, floor));
    TElevatorScrForm& f = saver.Form();
    EXPECT_EQ(f.ImgElv->Top(), f.FloorBaseY[floor] - f.ImgElv->Height());
    EXPECT_TRUE(f.CarAtFloor);
    EXPECT_EQ(f.CarDirection, 0);
    EXPECT_EQ(f.DwellTicks, 0);
    saver.Tick();
    EXPECT_EQ(f.CarFloor, floor);
    EXPECT_TRUE(f.CarAtFloor);
    EXPECT_EQ(f.DwellTicks, 1);
    EXPECT_EQ(f.ImgElv->Top(), f.FloorBaseY[floor] - f.ImgElv->Height());
  }
}

// Nobody waiting or riding, every call, panel label and full sign dark.
void ExpectEmptyBuilding(const TElevatorScrForm& f) {
  EXPECT_EQ(CheckInvariants(f), std::vector<std::string>{});
  for (int floor = 0; floor < 6; ++floor) {
    SCOPED_TRACE(floor);
    EXPECT_EQ(f.FloorQueueCount[floor], 0);
    EXPECT_FALSE(f.CarPanelLabels[floor]->Enabled());
    EXPECT_FALSE(f.FloorFullLabels[floor]->Enabled());
    for (int slot = 1; slot <= 10; ++slot) {
      EXPECT_FALSE(f.PassengerSlots[floor][slot].Occupied) << slot;
      EXPECT_FALSE(f.PassengerSlots[floor][slot].InCar) << slot;
      EXPECT_EQ(f.PassengerSlots[floor][slot].Destination, -1) << slot;
      EXPECT_FALSE(f.PassengerImages[floor][slot]->Visible()) << slot;
    }
  }
  for (int floor = 0; floor <= 4; ++floor) EXPECT_FALSE(f.UpCallButtons[floor]->Enabled());
  for (int floor = 1; floor <= 5; ++floor) EXPECT_FALSE(f.DownCallButtons[floor]->Enabled());
  EXPECT_EQ(f.CarLoad, 0);
  EXPECT_EQ(f.LblKyakuCount->Caption(), "0人");
  EXPECT_EQ(f.LblElvManin->Caption(), "");
  EXPECT_FALSE(f.BoardingBusy);
}

TEST(ResetBuilding, StartsEmptyWithEverySignalDarkButOneLamp) {
  SaverHarness saver;
  saver.Show(7);
  TElevatorScrForm& f = saver.Form();
  ExpectEmptyBuilding(f);
  for (int floor = 0; floor < 6; ++floor) {
    EXPECT_TRUE(f.CarPanelLabels[floor]->Visible());
    EXPECT_TRUE(f.FloorFullLabels[floor]->Visible());
  }
}

TEST(ResetBuilding, ClearsABuildingInUseButKeepsTheHeadcounts) {
  SaverHarness saver;
  saver.Show(11);
  TElevatorScrForm& f = saver.Form();
  saver.StandCarAt(2);
  saver.LightUpLamp();
  saver.PutWaiting(1, 3, 4);
  saver.PutWaiting(4, 1, 0);
  for (int s = 1; s <= 10; ++s) saver.PutRider(0, s, 1 + s % 5);
  f.FloorHeadcount[0] = 10;
  f.FloorHeadcount[3] = 4;
  f.DwellTicks = 17;
  f.CarDirection = -1;
  ASSERT_EQ(f.LblElvManin->Caption(), "満員");

  f.ResetBuilding();

  ExpectEmptyBuilding(f);
  EXPECT_EQ(f.DwellTicks, 0);
  EXPECT_EQ(f.CarDirection, 0);
  EXPECT_EQ(f.FloorHeadcount[0], 10);
  EXPECT_EQ(f.FloorHeadcount[3], 4);
  // The signals' visibility is left alone.
  EXPECT_TRUE(f.UpCallButtons[1]->Visible());
  EXPECT_TRUE(f.CarUpLamp->Visible());
}

TEST(ResetBuilding, DrawsTheStartFloorOnceAndLeavesSceneryAndInputAlone) {
  SaverHarness saver;
  saver.Show(3);
  TElevatorScrForm& f = saver.Form();
  f.SceneryIndex = 4;
  f.SceneryTicks = 13;
  f.MouseOriginX = 12;
  f.MouseOriginY = 34;
  const int car_left = f.ImgElv->Left();
  f.Application().Random().SetSeed(99);
  RandomGenerator expected;
  expected.SetSeed(99);
  const int floor = expected.Below(6);
  f.ResetBuilding();
  EXPECT_EQ(f.CarFloor, floor);
  EXPECT_EQ(f.Application().Random().Seed(), expected.Seed());
  EXPECT_EQ(f.SceneryIndex, 4);
  EXPECT_EQ(f.SceneryTicks, 13);
  EXPECT_EQ(f.MouseOriginX, 12);
  EXPECT_EQ(f.MouseOriginY, 34);
  EXPECT_EQ(f.ImgElv->Left(), car_left);
}

TEST(ResetBuilding, PlacesTheCarWidgetsAroundTheStartFloor) {
  SaverHarness saver;
  saver.Show(SeedForFirstDraw(6, 0));
  TElevatorScrForm& f = saver.Form();
  // At 1024 x 768 the car stands at floor 0 at Left 225, Top 693.
  ASSERT_EQ(f.ImgElv->Left(), 225);
  ASSERT_EQ(f.ImgElv->Top(), 693);
  EXPECT_EQ(f.CarPanelLabels[0]->Left(), 235);
  EXPECT_EQ(f.CarPanelLabels[0]->Top(), 698);
  EXPECT_EQ(f.CarUpLamp->Left(), 230);
  EXPECT_EQ(f.CarUpLamp->Top(), 718);
}

TEST(ResetBuilding, StartFloorsAreDrawnAboutEquallyOften) {
  SaverHarness saver;
  saver.Show(1);
  TElevatorScrForm& f = saver.Form();
  int counts[6] = {};
  for (int i = 0; i < 6000; ++i) {
    f.ResetBuilding();
    ++counts[f.CarFloor];
  }
  for (int floor = 0; floor < 6; ++floor) {
    EXPECT_GT(counts[floor], 850) << floor;
    EXPECT_LT(counts[floor], 1150) << floor;
  }
}

}  // namespace
}  // namespace vt::test

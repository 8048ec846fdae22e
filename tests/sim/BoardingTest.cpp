// Riders getting off and waiting passengers getting on.

#include <gtest/gtest.h>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

class Boarding : public ::testing::Test {
 protected:
  void SetUp() override { saver.Show(21); }
  void ExpectConsistent() { EXPECT_EQ(CheckInvariants(f), std::vector<std::string>{}); }
  // A waiting passenger's place in the row, by number and by where its picture stands.
  void ExpectAtPlace(int floor, int slot, int place) {
    SCOPED_TRACE("floor " + std::to_string(floor) + " slot " + std::to_string(slot));
    EXPECT_EQ(f.PassengerSlots[floor][slot].QueuePosition, place);
    EXPECT_EQ(f.PassengerImages[floor][slot]->Left(),
              saver.ColumnRight() + (place - 1) * f.ImgHito->Width());
  }

  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
};

TEST_F(Boarding, TakesOnlyPassengersBoundTheLitWayInQueueOrder) {
  saver.StandCarAt(2);
  saver.LightUpLamp();
  saver.PutWaiting(2, 3, 4);  // P, place 1
  saver.PutWaiting(2, 1, 0);  // Q, place 2
  saver.PutWaiting(2, 2, 5);  // R, place 3
  saver.Tick();
  const PassengerSlot& p = f.PassengerSlots[2][3];
  const PassengerSlot& q = f.PassengerSlots[2][1];
  const PassengerSlot& r = f.PassengerSlots[2][2];
  EXPECT_TRUE(p.InCar);
  EXPECT_TRUE(r.InCar);
  EXPECT_FALSE(q.InCar);
  EXPECT_EQ(f.CarLoad, 2);
  EXPECT_TRUE(f.CarPanelLabels[4]->Enabled());
  EXPECT_TRUE(f.CarPanelLabels[5]->Enabled());
  EXPECT_FALSE(f.CarPanelLabels[0]->Enabled());
  ExpectAtPlace(2, 1, 1);
  EXPECT_EQ(f.FloorQueueCount[2], 1);
  EXPECT_FALSE(f.UpCallButtons[2]->Enabled());
  EXPECT_TRUE(f.DownCallButtons[2]->Enabled());
  EXPECT_EQ(f.LblKyakuCount->Caption(), "2人");
  EXPECT_FALSE(f.PassengerImages[2][3]->Visible());
  EXPECT_FALSE(f.PassengerImages[2][2]->Visible());
  EXPECT_EQ(f.CarDirection, 0);
  EXPECT_EQ(f.DwellTicks, 1);
  ExpectConsistent();
}

TEST_F(Boarding, FillingTheCarLeavesTheLaterCandidatesWaitingAndEndsTheTick) {
  saver.StandCarAt(3);
  saver.LightUpLamp();
  for (int s = 1; s <= 8; ++s) saver.PutRider(0, s, s % 2 == 0 ? 4 : 5);
  saver.PutWaiting(3, 5, 4);  // A, place 1, candidate
  saver.PutWaiting(3, 2, 1);  // X, place 2, bound down
  saver.PutWaiting(3, 9, 5);  // B, place 3, candidate
  saver.PutWaiting(3, 1, 4);  // C, place 4, candidate
  saver.PutWaiting(3, 4, 5);  // D, place 5, candidate
  f.DwellTicks = 6;
  saver.Tick();
  EXPECT_EQ(f.CarLoad, 10);
  EXPECT_TRUE(f.PassengerSlots[3][5].InCar);
  EXPECT_TRUE(f.PassengerSlots[3][9].InCar);
  EXPECT_FALSE(f.PassengerSlots[3][1].InCar);
  EXPECT_FALSE(f.PassengerSlots[3][4].InCar);
  EXPECT_EQ(f.LblElvManin->Caption(), "満員");
  EXPECT_EQ(f.LblKyakuCount->Caption(), "10人");
  for (TLabel* sign : f.FloorFullLabels) EXPECT_TRUE(sign->Enabled());
  // X moved one place forward, C and D two.
  ExpectAtPlace(3, 2, 1);
  ExpectAtPlace(3, 1, 2);
  ExpectAtPlace(3, 4, 3);
  EXPECT_EQ(f.FloorQueueCount[3], 3);
  EXPECT_TRUE(f.UpCallButtons[3]->Enabled());
  EXPECT_TRUE(f.DownCallButtons[3]->Enabled());
  EXPECT_EQ(f.DwellTicks, 6);  // the idle count did not run
  EXPECT_FALSE(f.BoardingBusy);
  ExpectConsistent();
}

TEST_F(Boarding, FullCarSkipsBoardingButStillCountsTheTick) {
  saver.StandCarAt(1);
  saver.LightUpLamp();
  for (int s = 1; s <= 10; ++s) saver.PutRider(0, s, 5);
  saver.PutWaiting(1, 1, 3);
  f.DwellTicks = 2;
  saver.Tick();
  EXPECT_EQ(f.CarLoad, 10);
  EXPECT_FALSE(f.PassengerSlots[1][1].InCar);
  EXPECT_EQ(f.PassengerSlots[1][1].BoardingOrder, 0);
  EXPECT_TRUE(f.UpCallButtons[1]->Enabled());
  EXPECT_EQ(f.DwellTicks, 3);
  ExpectConsistent();
}

TEST_F(Boarding, FullCarPassesAFloorWhereCandidatesWait) {
  for (int s = 1; s <= 10; ++s) saver.PutRider(0, s, 5);
  saver.PutWaiting(2, 1, 4);
  saver.MoveCarWithBottomAt(f.FloorBaseY[2] + 3, -1);
  saver.Tick();
  ASSERT_TRUE(f.CarAtFloor);
  ASSERT_EQ(f.CarFloor, 2);
  EXPECT_EQ(f.CarDirection, -1);
  saver.Tick();
  EXPECT_FALSE(f.CarAtFloor);
  EXPECT_FALSE(f.PassengerSlots[2][1].InCar);
  ExpectConsistent();
}

TEST_F(Boarding, RidersGettingOffAFullCarClearTheFullSigns) {
  saver.StandCarAt(4);
  saver.LightUpLamp();
  for (int s = 1; s <= 10; ++s) saver.PutRider(s % 2, s > 5 ? s - 5 : s, s <= 3 ? 4 : 5);
  ASSERT_EQ(f.CarLoad, 10);
  f.CarDirection = 0;
  saver.Tick();
  EXPECT_EQ(f.CarLoad, 7);
  EXPECT_EQ(f.LblKyakuCount->Caption(), "7人");
  EXPECT_EQ(f.LblElvManin->Caption(), "");
  for (TLabel* sign : f.FloorFullLabels) EXPECT_FALSE(sign->Enabled());
  EXPECT_FALSE(f.CarPanelLabels[4]->Enabled());
  EXPECT_TRUE(f.CarPanelLabels[5]->Enabled());
  ExpectConsistent();
}

TEST_F(Boarding, RidersFromEveryFloorGetOffAtTheirDestination) {
  saver.PutRider(5, 2, 3);
  saver.PutRider(4, 7, 3);
  saver.PutRider(5, 3, 0);
  saver.PutRider(4, 1, 3);
  saver.MoveCarWithBottomAt(f.FloorBaseY[3] - 7, +1);
  saver.Tick();
  ASSERT_TRUE(f.CarAtFloor);
  EXPECT_EQ(f.CarDirection, 0);
  EXPECT_EQ(f.CarLoad, 1);
  EXPECT_FALSE(f.CarPanelLabels[3]->Enabled());
  EXPECT_TRUE(f.CarPanelLabels[0]->Enabled());
  for (auto [floor, slot] : {std::pair{5, 2}, {4, 7}, {4, 1}}) {
    const PassengerSlot& p = f.PassengerSlots[floor][slot];
    EXPECT_FALSE(p.Occupied);
    EXPECT_FALSE(p.InCar);
    EXPECT_EQ(p.Destination, -1);
  }
  EXPECT_TRUE(f.PassengerSlots[5][3].InCar);
  EXPECT_EQ(f.LblKyakuCount->Caption(), "1人");
  ExpectConsistent();
}

TEST_F(Boarding, PassengersBoundAgainstTheLampNeitherBoardNorStopTheCar) {
  saver.PutRider(0, 1, 5);
  saver.PutWaiting(2, 1, 0);
  saver.MoveCarWithBottomAt(f.FloorBaseY[2] + 4, -1);
  saver.Tick();
  ASSERT_TRUE(f.CarAtFloor);
  ASSERT_EQ(f.CarFloor, 2);
  EXPECT_EQ(f.CarDirection, -1);
  EXPECT_FALSE(f.PassengerSlots[2][1].InCar);
  EXPECT_TRUE(f.DownCallButtons[2]->Enabled());
  EXPECT_EQ(f.FloorQueueCount[2], 1);
  ExpectConsistent();
}

TEST_F(Boarding, ArrivalAtTheStoppedCarsFloorBoardsInTheNextTick) {
  saver.StandCarAt(1);
  saver.LightUpLamp();
  f.DwellTicks = 3;
  saver.Tick();
  saver.PutWaiting(1, 6, 4);
  saver.Tick();
  EXPECT_TRUE(f.PassengerSlots[1][6].InCar);
  EXPECT_EQ(f.CarLoad, 1);
  EXPECT_EQ(f.DwellTicks, 5);
  ExpectConsistent();
}

TEST_F(Boarding, ArrivalAfterTheDispatchWaitsForTheNextVisit) {
  saver.StandCarAt(1);
  saver.LightUpLamp();
  saver.PutRider(0, 1, 5);
  f.DwellTicks = 10;
  saver.Tick();
  ASSERT_EQ(f.CarDirection, -1);
  saver.PutWaiting(1, 6, 4);
  saver.Tick();
  EXPECT_FALSE(f.CarAtFloor);
  EXPECT_FALSE(f.PassengerSlots[1][6].InCar);
  EXPECT_TRUE(f.UpCallButtons[1]->Enabled());
  ExpectConsistent();
}

TEST_F(Boarding, CandidatesBehindTheFrontStillMoveUpByNumberAndPicture) {
  // Two bound down wait in front of three bound up; the car serves downward.
  saver.StandCarAt(4);
  saver.LightDownLamp();
  saver.PutWaiting(4, 10, 5);  // place 1, up
  saver.PutWaiting(4, 4, 2);   // place 2, down
  saver.PutWaiting(4, 6, 5);   // place 3, up
  saver.PutWaiting(4, 2, 0);   // place 4, down
  saver.PutWaiting(4, 3, 5);   // place 5, up
  saver.Tick();
  EXPECT_EQ(f.CarLoad, 2);
  ExpectAtPlace(4, 10, 1);
  ExpectAtPlace(4, 6, 2);
  ExpectAtPlace(4, 3, 3);
  EXPECT_FALSE(f.DownCallButtons[4]->Enabled());
  EXPECT_TRUE(f.UpCallButtons[4]->Enabled());
  EXPECT_TRUE(f.CarPanelLabels[2]->Enabled());
  EXPECT_TRUE(f.CarPanelLabels[0]->Enabled());
  ExpectConsistent();
}

}  // namespace
}  // namespace vt::test

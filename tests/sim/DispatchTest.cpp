// Which way the car serves, when an empty car turns, and when a stopped car sets off.

#include <gtest/gtest.h>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override { saver.Show(33); }
  void ComeUpTo(int floor) {
    f.ImgElv->SetTop(f.FloorBaseY[floor] + 3 - f.ImgElv->Height());
    f.PlaceCarWidgets();
    saver.LightUpLamp();
    f.CarDirection = -1;
  }

  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
};

TEST_F(Dispatch, IdleCarAtFloorZeroWaitsUntilACallLights) {
  saver.StandCarAt(0);
  saver.LightUpLamp();
  f.DwellTicks = 0;
  for (int tick = 1; tick <= 15; ++tick) {
    saver.Tick();
    ASSERT_EQ(f.DwellTicks, tick);
    ASSERT_EQ(f.CarDirection, 0);
  }
  saver.PutWaiting(3, 1, 5);
  saver.Tick();
  EXPECT_EQ(f.CarDirection, -1);
  EXPECT_EQ(f.DwellTicks, 0);
}

TEST_F(Dispatch, FirstDispatchAfterTheResetComesInTheEleventhTick) {
  saver.StandCarAt(0);
  saver.LightUpLamp();
  f.DwellTicks = 0;
  saver.PutWaiting(2, 1, 4);
  for (int tick = 1; tick <= 10; ++tick) {
    saver.Tick();
    ASSERT_EQ(f.CarDirection, 0) << tick;
  }
  saver.Tick();
  EXPECT_EQ(f.CarDirection, -1);
}

TEST_F(Dispatch, CallsOnBothSidesKeepTheDirectionOfService) {
  saver.StandCarAt(3);
  saver.LightUpLamp();
  saver.PutWaiting(1, 1, 0);
  saver.PutWaiting(5, 1, 2);
  f.DwellTicks = 10;
  saver.Tick();
  EXPECT_TRUE(f.CarUpLamp->Enabled());
  EXPECT_FALSE(f.CarDownLamp->Enabled());
  EXPECT_EQ(f.CarDirection, -1);
  EXPECT_EQ(f.DwellTicks, 0);
}

TEST_F(Dispatch, CallOnlyBelowTurnsAnUpwardCarDown) {
  saver.StandCarAt(3);
  saver.LightUpLamp();
  saver.PutWaiting(1, 1, 4);
  f.DwellTicks = 10;
  saver.Tick();
  EXPECT_FALSE(f.CarUpLamp->Enabled());
  EXPECT_TRUE(f.CarDownLamp->Enabled());
  EXPECT_EQ(f.CarDirection, +1);
  EXPECT_EQ(f.DwellTicks, 0);
}

TEST_F(Dispatch, DownCallOnlyAboveTurnsADownwardCarUp) {
  saver.StandCarAt(3);
  saver.LightDownLamp();
  saver.PutWaiting(4, 1, 2);
  ASSERT_TRUE(f.DownCallButtons[4]->Enabled());
  f.DwellTicks = 10;
  saver.Tick();
  EXPECT_TRUE(f.CarUpLamp->Enabled());
  EXPECT_FALSE(f.CarDownLamp->Enabled());
  EXPECT_EQ(f.CarDirection, -1);
}

TEST_F(Dispatch, CallOnlyOnTheCarsOwnFloorDoesNotSetItGoing) {
  // A lit button with nobody left to board (as after boarding) is not searched on the car's
  // own floor.
  saver.StandCarAt(3);
  saver.LightUpLamp();
  f.DownCallButtons[3]->SetEnabled(true);
  f.UpCallButtons[3]->SetEnabled(true);
  f.DwellTicks = 10;
  for (int tick = 0; tick < 5; ++tick) saver.Tick();
  EXPECT_EQ(f.CarDirection, 0);
  EXPECT_EQ(f.DwellTicks, 15);
  EXPECT_TRUE(f.CarUpLamp->Enabled());
}

TEST_F(Dispatch, EmptyCarStillSearchingWithoutACallKeepsCounting) {
  saver.StandCarAt(2);
  saver.LightDownLamp();
  f.DwellTicks = 10;
  for (int tick = 11; tick <= 14; ++tick) {
    saver.Tick();
    EXPECT_EQ(f.DwellTicks, tick);
    EXPECT_EQ(f.CarDirection, 0);
  }
  EXPECT_TRUE(f.CarDownLamp->Enabled());
}

TEST_F(Dispatch, EmptyCarTurnsForTheOnlyOppositeCallAndTakesItsPassengersOn) {
  saver.PutWaiting(2, 1, 0);
  saver.PutWaiting(2, 2, 1);
  ComeUpTo(2);
  saver.Tick();
  ASSERT_TRUE(f.CarAtFloor);
  ASSERT_EQ(f.CarFloor, 2);
  EXPECT_FALSE(f.CarUpLamp->Enabled());
  EXPECT_TRUE(f.CarDownLamp->Enabled());
  EXPECT_EQ(f.CarDirection, 0);
  EXPECT_EQ(f.CarLoad, 2);
  EXPECT_FALSE(f.DownCallButtons[2]->Enabled());
  EXPECT_EQ(CheckInvariants(f), std::vector<std::string>{});
}

TEST_F(Dispatch, EmptyCarPassesTheOppositeCallWhenAFloorFurtherOnCalls) {
  saver.PutWaiting(2, 1, 0);
  saver.PutWaiting(4, 1, 5);
  ComeUpTo(2);
  saver.Tick();
  ASSERT_TRUE(f.CarAtFloor);
  EXPECT_TRUE(f.CarUpLamp->Enabled());
  EXPECT_EQ(f.CarDirection, -1);
  EXPECT_EQ(f.CarLoad, 0);
  saver.Tick();
  EXPECT_FALSE(f.CarAtFloor);
}

TEST_F(Dispatch, EmptyDownwardCarTurnsUpForTheOnlyUpCall) {
  saver.PutWaiting(3, 1, 4);
  f.ImgElv->SetTop(f.FloorBaseY[3] - 7 - f.ImgElv->Height());
  f.PlaceCarWidgets();
  saver.LightDownLamp();
  f.CarDirection = +1;
  saver.Tick();
  ASSERT_EQ(f.CarFloor, 3);
  EXPECT_TRUE(f.CarUpLamp->Enabled());
  EXPECT_EQ(f.CarLoad, 1);
  EXPECT_EQ(f.CarDirection, 0);
}

TEST_F(Dispatch, CarWithRidersSetsOffTheLitWayWhateverTheCalls) {
  saver.StandCarAt(3);
  saver.LightDownLamp();
  saver.PutRider(5, 1, 0);
  saver.PutWaiting(4, 1, 5);
  saver.PutWaiting(5, 2, 1);
  f.DwellTicks = 10;
  saver.Tick();
  EXPECT_EQ(f.CarDirection, +1);
  EXPECT_TRUE(f.CarDownLamp->Enabled());
  EXPECT_EQ(f.DwellTicks, 0);
}

TEST_F(Dispatch, StopAfterPassingOneFloorLastsElevenMinusOneTicks) {
  // Dispatched from floor 1 with riders for 3 and 5: it passes 2 and stops at 3.
  saver.StandCarAt(1);
  saver.LightUpLamp();
  saver.PutRider(0, 1, 3);
  saver.PutRider(0, 2, 5);
  f.DwellTicks = 10;
  saver.Tick();
  ASSERT_EQ(f.CarDirection, -1);
  int ticks_at_three = 0;
  for (int tick = 0; tick < 200 && !(f.CarFloor == 3 && !f.CarAtFloor); ++tick) {
    saver.Tick();
    if (f.CarAtFloor && f.CarFloor == 3) ++ticks_at_three;
  }
  EXPECT_EQ(ticks_at_three, 10);
  EXPECT_EQ(f.CarLoad, 1);
  EXPECT_FALSE(f.CarAtFloor);
}

TEST_F(Dispatch, DirectTripToTheNextFloorGivesElevenTicksAtTheStop) {
  saver.StandCarAt(1);
  saver.LightUpLamp();
  saver.PutRider(0, 1, 2);
  saver.PutRider(0, 2, 4);
  f.DwellTicks = 10;
  saver.Tick();
  int ticks_at_two = 0;
  for (int tick = 0; tick < 200 && !(f.CarFloor == 2 && !f.CarAtFloor); ++tick) {
    saver.Tick();
    if (f.CarAtFloor && f.CarFloor == 2) ++ticks_at_two;
  }
  EXPECT_EQ(ticks_at_two, 11);
}

TEST_F(Dispatch, CallQueriesReadTheButtonsOfTheirRange) {
  EXPECT_FALSE(f.AnyCallBelow(2, 1));
  EXPECT_FALSE(f.AnyCallAbove(4, 3));
  EXPECT_FALSE(f.AnyCallBelow(0, 4));
  EXPECT_FALSE(f.AnyCallAbove(1, 5));
  f.DownCallButtons[5]->SetEnabled(true);
  EXPECT_TRUE(f.AnyCallAbove(1, 5));
  EXPECT_TRUE(f.AnyCallAbove(5, 5));
  EXPECT_FALSE(f.AnyCallBelow(0, 4));
  f.DownCallButtons[5]->SetEnabled(false);
  f.UpCallButtons[0]->SetEnabled(true);
  EXPECT_TRUE(f.AnyCallBelow(0, 0));
  EXPECT_FALSE(f.AnyCallAbove(1, 5));
  EXPECT_FALSE(f.AnyCallBelow(1, 4));
  f.UpCallButtons[0]->SetEnabled(false);
  f.DownCallButtons[2]->SetEnabled(true);
  EXPECT_TRUE(f.AnyCallBelow(0, 2));
  EXPECT_FALSE(f.AnyCallBelow(0, 1));
  EXPECT_TRUE(f.AnyCallAbove(2, 3));
  EXPECT_FALSE(f.AnyCallAbove(3, 5));
  EXPECT_FALSE(f.AnyCallBelow(2, 1));
}

}  // namespace
}  // namespace vt::test

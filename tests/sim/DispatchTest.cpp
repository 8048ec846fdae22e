// Which way the car serves, when an empty car turns, and when a stopped car sets off.

#include <gtest/gtest.h>

#include <vector>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override { saver.Show(33); }
  void ComeUpTo(int floor) { saver.MoveCarWithBottomAt(f.FloorBaseY[floor] + 3, -1); }
  // Runs ticks in which the stopped car stays put and its dwell count goes up by one each.
  void ExpectStaysFor(int ticks) {
    const int dwell = f.DwellTicks;
    for (int tick = 1; tick <= ticks; ++tick) {
      saver.Tick();
      ASSERT_EQ(f.DwellTicks, dwell + tick) << tick;
      ASSERT_EQ(f.CarDirection, 0) << tick;
    }
  }

  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
};

TEST_F(Dispatch, IdleCarAtFloorZeroWaitsUntilACallLights) {
  saver.StandCarAt(0);
  saver.LightUpLamp();
  f.DwellTicks = 0;
  ExpectStaysFor(15);
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
  ExpectStaysFor(10);
  saver.Tick();
  EXPECT_EQ(f.CarDirection, -1);
}

// A car standing at floor 3 at the end of its dwell sets off; the way it takes is lit.
TEST(DispatchFromFloorThree, StoppedCarAtTheEndOfItsDwellChoosesItsWay) {
  struct Person {
    int floor, slot, destination;
  };
  const struct {
    const char* behaviour;
    int lit_way;  // as CarDirection counts: -1 up, +1 down
    std::vector<Person> waiting, riders;
    int direction;
  } cases[] = {
      // clang-format off
      {"CallsOnBothSidesKeepTheDirectionOfService", -1, {{1, 1, 0}, {5, 1, 2}}, {}, -1},
      {"CallOnlyBelowTurnsAnUpwardCarDown", -1, {{1, 1, 4}}, {}, +1},
      {"DownCallOnlyAboveTurnsADownwardCarUp", +1, {{4, 1, 2}}, {}, -1},
      {"CarWithRidersSetsOffTheLitWayWhateverTheCalls", +1, {{4, 1, 5}, {5, 2, 1}}, {{5, 1, 0}}, +1},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.behaviour);
    SaverHarness saver;
    saver.Show(33);
    TElevatorScrForm& f = saver.Form();
    saver.StandCarAt(3);
    c.lit_way < 0 ? saver.LightUpLamp() : saver.LightDownLamp();
    for (const Person& p : c.riders) saver.PutRider(p.floor, p.slot, p.destination);
    for (const Person& p : c.waiting) saver.PutWaiting(p.floor, p.slot, p.destination);
    f.DwellTicks = 10;
    saver.Tick();
    EXPECT_EQ(f.CarUpLamp->Enabled(), c.direction < 0);
    EXPECT_EQ(f.CarDownLamp->Enabled(), c.direction > 0);
    EXPECT_EQ(f.CarDirection, c.direction);
    EXPECT_EQ(f.DwellTicks, 0);
  }
}

TEST_F(Dispatch, CallOnlyOnTheCarsOwnFloorDoesNotSetItGoing) {
  // A lit button with nobody left to board (as after boarding) is not searched on the car's
  // own floor.
  saver.StandCarAt(3);
  saver.LightUpLamp();
  f.DownCallButtons[3]->SetEnabled(true);
  f.UpCallButtons[3]->SetEnabled(true);
  f.DwellTicks = 10;
  ExpectStaysFor(5);
  EXPECT_TRUE(f.CarUpLamp->Enabled());
}

TEST_F(Dispatch, EmptyCarStillSearchingWithoutACallKeepsCounting) {
  saver.StandCarAt(2);
  saver.LightDownLamp();
  f.DwellTicks = 10;
  ExpectStaysFor(4);
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
  saver.MoveCarWithBottomAt(f.FloorBaseY[3] - 7, +1);
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

TEST(DispatchedCar, StopLastsElevenTicksLessOneForEachFloorPassed) {
  // Dispatched from floor 1 with riders for `stop` and 5, to the next floor or passing one.
  const struct {
    const char* behaviour;
    int stop;
    int ticks;
  } cases[] = {{"DirectTripToTheNextFloorGivesElevenTicksAtTheStop", 2, 11},
               {"StopAfterPassingOneFloorLastsElevenMinusOneTicks", 3, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.behaviour);
    SaverHarness saver;
    saver.Show(33);
    TElevatorScrForm& f = saver.Form();
    saver.StandCarAt(1);
    saver.LightUpLamp();
    saver.PutRider(0, 1, c.stop);
    saver.PutRider(0, 2, 5);
    f.DwellTicks = 10;
    saver.Tick();
    ASSERT_EQ(f.CarDirection, -1);
    int ticks_at_stop = 0;
    for (int tick = 0; tick < 200 && !(f.CarFloor == c.stop && !f.CarAtFloor); ++tick) {
      saver.Tick();
      if (f.CarAtFloor && f.CarFloor == c.stop) ++ticks_at_stop;
    }
    EXPECT_EQ(ticks_at_stop, c.ticks);
    EXPECT_EQ(f.CarLoad, 1);
    EXPECT_FALSE(f.CarAtFloor);
  }
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
